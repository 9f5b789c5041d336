// Small conversions between the forms of one Unicode character: an integer
// code point, a UCS-2 unit (two bytes, low byte first) and UTF-8 text.
// Pure functions writing into caller-owned buffers.
#ifndef TOURWRIGHT_ENCODING_CODE_POINT_H_
#define TOURWRIGHT_ENCODING_CODE_POINT_H_

#include <cstddef>

namespace tourwright {

// Room for the longest UTF-8 form (four bytes) and its NUL.
constexpr int kUtf8Max = 5;
constexpr int kReplacementMark = 0x25A3;     // a code page code without a mapping
constexpr int kReplacementCharacter = 0xFFFD;  // an undecodable or unpaired character

// The four characters after "U+" (read as two pairs of "%x" digits) as a
// UCS-2 unit: out[0] the low byte, out[1] the high byte, out[2] NUL.
char* hex4ToUcs2(const char* digits, char out[3]);

// Length of a "U+" notation: "U+" and four hexadecimal digits, either case.
constexpr size_t kNotationLength = 6;

// The value of the "U+" notation that `text` begins with (0..0xFFFF), or -1
// when the text there is no such notation. Whatever reads or keeps a
// notation whole uses this one test.
int notationValue(const unsigned char* text, size_t available);

// The shortest UTF-8 form of `codePoint`, NUL-terminated. Code points above
// U+FFFF take four bytes; a negative value, one above U+10FFFF or a
// surrogate gives U+FFFD.
char* codePointToUtf8(int codePoint, char* out);

// The UTF-8 form of the unit's code point (unit[0] + 256 * unit[1]).
char* ucs2ToUtf8(const char* unit, char* out);

// Decodes one well-formed UTF-8 character at `text` (shortest form, no
// surrogates, at most U+10FFFF). Returns its length in bytes and sets
// *codePoint, or returns 0 when the bytes there are not such a character.
int decodeUtf8(const unsigned char* text, size_t available, int* codePoint);

// True when `text` is well-formed UTF-8 throughout.
bool isValidUtf8(const char* text, size_t length);

// The number of bytes below 0x80 at the start of `text` (`length` when it
// is all ASCII). Reads eight bytes at a time: long ASCII runs are the bulk
// of a tile XML.
size_t asciiPrefixLength(const char* text, size_t length);

// Pieces of a long line joined so that no UTF-8 sequence is cut: the
// unfinished sequence at a piece's end is held back and put before the
// next piece. Only a piece that follows such a rest is copied.
struct Utf8Joiner {
  size_t held;
  char rest[4];               // the unfinished sequence held back
  char bytes[(1 << 16) + 4];  // the held rest and the piece after it
};

inline void startUtf8Joiner(Utf8Joiner* joiner) { joiner->held = 0; }
// Gives in `*joined` the held rest and `text` up to the last whole sequence;
// on a line's last piece (`lineEnds`), everything. A piece is at most
// 1 << 16 bytes.
void joinUtf8Piece(Utf8Joiner* joiner, const char* text, size_t length, bool lineEnds,
                   const char** joined, size_t* joinedLength);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_CODE_POINT_H_
