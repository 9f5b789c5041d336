// Escapes in internal text: the "U+XXXX" notation (exactly four hexadecimal
// digits, either case) and the "&#digits;" reference (a run of decimal
// digits of any length, whose value saturates above U+10FFFF, and an
// optional ";"). A high surrogate directly followed by a low surrogate, in
// either form, makes one character.
#ifndef TOURWRIGHT_ENCODING_ESCAPE_H_
#define TOURWRIGHT_ENCODING_ESCAPE_H_

#include <cstddef>

namespace tourwright {

enum class EscapeKind { kNone, kNotation, kReference };

struct Escape {
  EscapeKind kind;
  size_t length;  // bytes the escape spans
  int value;      // as written: a surrogate half is not yet paired
};

// The notation or reference that starts at `p`, if any.
Escape readEscape(const unsigned char* p, const unsigned char* end);

// The character of the escape at `p` (whose kind is not kNone): sets
// *codePoint and returns the bytes consumed, a directly following low
// surrogate included. *codePoint is U+FFFD when the escape names no
// character, or -1 for "U+0000", which stands for nothing.
size_t escapedCharacter(const Escape& escape, const unsigned char* p, const unsigned char* end,
                        int* codePoint);

// The same reading for other writers of internal text (the Windows
// console): the bytes read, 0 when no escape starts at `p`.
size_t readEscapedCharacter(const unsigned char* p, const unsigned char* end, int* codePoint);

// For text read in pieces: whether text after `end` may change what the
// escape that may start at `p` ('U' or '&') reads as, the low surrogate
// after a high one included.
bool escapeUndecided(const unsigned char* p, const unsigned char* end);

// Copies [p, end), an undecided escape, to `out` with each "&#" digit run
// written as the digits of its value, which is all its reading keeps; the
// copy reads as the original does, whatever follows. Returns its length,
// at most kUndecidedEscapeMax: a high surrogate's reference (10 bytes once
// shortened) and the start of the next escape (9).
constexpr size_t kUndecidedEscapeMax = 32;
size_t shortenDigitRuns(const unsigned char* p, const unsigned char* end, unsigned char* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_ESCAPE_H_
