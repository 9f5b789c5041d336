// Reading the fields of one scene script line.
//
// The scanner reads words, integers and numbers the way the C library's
// formatted input reads "%s", "%d" and "%g", but over a bounded piece of a
// line and without its pitfalls: a word longer than its field is cut to
// the field instead of spilling into the next one, an integer out of range
// is clamped, and a number is the longest prefix that strtof accepts
// ("1e" reads as 1, "0x" as 0). The scan stops at the first field that
// does not match and tells how many fields it filled.
//
// Texts are Korean code page bytes. A cut never splits what the later
// stages read as one piece: a byte of 0x80 or above with the byte after it
// (a two-byte character), "&#" with at least one decimal digit, its digits
// and an optional ";" (a numeric character reference), or "U+" with four
// hexadecimal digits (a code point notation). "&#" or "U+" before anything
// else is plain text, as the output reads it. A lead byte that ends a
// field's text has no trail byte: the output would pair it with the byte
// after the field, so it is dropped. Nothing is ever written past a field.
#ifndef TOURWRIGHT_SCRIPT_LINE_SCAN_H_
#define TOURWRIGHT_SCRIPT_LINE_SCAN_H_

#include <cstddef>

#include "platform/line_reader.h"

namespace tourwright {

// White space as the C library's isspace gives it in the "C" locale.
inline bool isScriptSpace(unsigned char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Positions are byte offsets in a LineText, which may be a long line read
// back from its file as it is scanned: nothing here holds more of a line
// than a field's capacity.

// What the position-returning scanners give when the text does not match.
constexpr size_t kNoMatch = static_cast<size_t>(-1);

// Length of the piece of text that starts at `at` (below `end`) and must
// not be split: 1 for a plain byte, more for the pieces named above.
size_t unitLength(LineText* text, size_t at, size_t end);

struct CutResult {
  bool cut;          // the text did not fit whole
  bool leadDropped;  // its last byte was a lead byte without a trail byte
};

// Copies [begin, end) into `field` (`capacity` bytes with its NUL), cut to
// the whole pieces that fit, without a last lone lead byte.
CutResult copyCut(LineText* text, size_t begin, size_t end, char* field, size_t capacity);

// The first "$" byte of [begin, end), or kNoMatch. A plain byte search: a
// UTF-8 script saved without a byte-order mark is read as code page text,
// and pairing its bytes as lead and trail would hide the "$" of a caption
// that follows a letter directly.
size_t findDollar(LineText* text, size_t begin, size_t end);

enum class ScanKind { kWord, kInteger, kNumber };

// One field of a scan format: "%s" into a text field, "%d" into an int,
// "%g" into a float.
struct ScanField {
  ScanKind kind;
  char* text;
  size_t capacity;
  int* integer;
  float* number;
};

template <size_t N>
ScanField wordInto(char (&field)[N]) {
  return ScanField{ScanKind::kWord, field, N, nullptr, nullptr};
}
inline ScanField integerInto(int* value) {
  return ScanField{ScanKind::kInteger, nullptr, 0, value, nullptr};
}
inline ScanField numberInto(float* value) {
  return ScanField{ScanKind::kNumber, nullptr, 0, nullptr, value};
}

struct ScanResult {
  int filled;   // fields filled, from the first; the others are untouched
  bool cut;     // a word was longer than its field
  bool leadDropped;  // a word ended in a lone lead byte, dropped
  size_t rest;  // where the scan stopped
};

// Scans [begin, end) field by field; each field skips white space first.
ScanResult scanFields(LineText* text, size_t begin, size_t end, const ScanField* fields,
                      int fieldCount);

// The single fields, for callers that scan piece by piece. Each returns the
// position after what it read, or kNoMatch (and leaves `*value` alone) when
// the text at `p` does not match.
size_t scanWord(LineText* text, size_t p, size_t end, size_t* wordBegin);
size_t scanInteger(LineText* text, size_t p, size_t end, int* value);
size_t scanNumber(LineText* text, size_t p, size_t end, float* value);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_LINE_SCAN_H_
