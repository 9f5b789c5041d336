#include "encoding/code_point.h"

#include <cstdint>
#include <cstring>

namespace tourwright {

namespace {

// "%x" on a NUL-terminated text: leading white space, then the longest run
// of hexadecimal digits; no digit at all gives 0.
int scanHex(const char* text) {
  while (*text == ' ' || (*text >= '\t' && *text <= '\r')) ++text;
  int value = 0;
  for (;; ++text) {
    char c = *text;
    int digit;
    if (c >= '0' && c <= '9') digit = c - '0';
    else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
    else break;
    value = (value * 16 + digit) & 0xFFFF;  // two digits are all that reach here
  }
  return value;
}

int hexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

int notationValue(const unsigned char* text, size_t available) {
  if (available < kNotationLength || text[0] != 'U' || text[1] != '+') return -1;
  int value = 0;
  for (size_t i = 2; i < kNotationLength; ++i) {
    int digit = hexDigitValue(text[i]);
    if (digit < 0) return -1;
    value = value * 16 + digit;
  }
  return value;
}

char* hex4ToUcs2(const char* digits, char out[3]) {
  char work[5] = {0, 0, 0, 0, 0};
  for (int i = 0; i < 4 && digits[i] != '\0'; ++i) work[i] = digits[i];
  int low = scanHex(work + 2);
  work[2] = '\0';
  int high = scanHex(work);
  out[0] = static_cast<char>(low & 0xFF);
  out[1] = static_cast<char>(high & 0xFF);
  out[2] = '\0';
  return out;
}

char* codePointToUtf8(int codePoint, char* out) {
  unsigned char* o = reinterpret_cast<unsigned char*>(out);
  if (codePoint < 0 || codePoint > 0x10FFFF || (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
    codePoint = kReplacementCharacter;
  }
  if (codePoint < 0x80) {
    o[0] = static_cast<unsigned char>(codePoint);
    o[1] = 0;
  } else if (codePoint < 0x800) {
    o[0] = static_cast<unsigned char>(0xC0 + codePoint / 64);
    o[1] = static_cast<unsigned char>(0x80 + codePoint % 64);
    o[2] = 0;
  } else if (codePoint < 0x10000) {
    o[0] = static_cast<unsigned char>(0xE0 + codePoint / 4096);
    o[1] = static_cast<unsigned char>(0x80 + (codePoint % 4096) / 64);
    o[2] = static_cast<unsigned char>(0x80 + codePoint % 64);
    o[3] = 0;
  } else {
    o[0] = static_cast<unsigned char>(0xF0 + codePoint / 262144);
    o[1] = static_cast<unsigned char>(0x80 + (codePoint % 262144) / 4096);
    o[2] = static_cast<unsigned char>(0x80 + (codePoint % 4096) / 64);
    o[3] = static_cast<unsigned char>(0x80 + codePoint % 64);
    o[4] = 0;
  }
  return out;
}

char* ucs2ToUtf8(const char* unit, char* out) {
  const unsigned char* u = reinterpret_cast<const unsigned char*>(unit);
  return codePointToUtf8(u[0] + 256 * u[1], out);
}

int decodeUtf8(const unsigned char* text, size_t available, int* codePoint) {
  if (available == 0) return 0;
  unsigned char lead = text[0];
  int length;
  int value;
  int minimum;
  if (lead < 0x80) {
    *codePoint = lead;
    return 1;
  } else if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, value = lead & 0x1F, minimum = 0x80;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, value = lead & 0x0F, minimum = 0x800;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, value = lead & 0x07, minimum = 0x10000;
  } else {
    return 0;
  }
  if (available < static_cast<size_t>(length)) return 0;
  for (int i = 1; i < length; ++i) {
    if ((text[i] & 0xC0) != 0x80) return 0;
    value = (value << 6) | (text[i] & 0x3F);
  }
  if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return 0;
  *codePoint = value;
  return length;
}

size_t asciiPrefixLength(const char* text, size_t length) {
  size_t i = 0;
  for (uint64_t word; i + 8 <= length; i += 8) {
    std::memcpy(&word, text + i, 8);
    if ((word & 0x8080808080808080ULL) != 0) break;
  }
  while (i < length && static_cast<unsigned char>(text[i]) < 0x80) ++i;
  return i;
}

bool isValidUtf8(const char* text, size_t length) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length) {
    if (p[i] < 0x80) {
      i += asciiPrefixLength(text + i, length - i);
      continue;
    }
    int codePoint;
    int used = decodeUtf8(p + i, length - i, &codePoint);
    if (used == 0) return false;
    i += static_cast<size_t>(used);
  }
  return true;
}

namespace {

// The length of `text` without an unfinished sequence at its end. A cut
// before a byte that is no continuation byte leaves valid text valid on
// both sides, and invalid text invalid on one of them.
size_t wholeSequencesLength(const unsigned char* text, size_t length) {
  for (size_t back = 1; back <= 3 && back <= length; ++back) {
    unsigned char byte = text[length - back];
    if ((byte & 0xC0) == 0x80) continue;
    size_t needed = byte >= 0xF0 ? 4 : byte >= 0xE0 ? 3 : byte >= 0xC0 ? 2 : 1;
    return needed > back ? length - back : length;
  }
  return length;
}

}  // namespace

void joinUtf8Piece(Utf8Joiner* joiner, const char* text, size_t length, bool lineEnds,
                   const char** joined, size_t* joinedLength) {
  const char* all = text;
  size_t total = length;
  if (joiner->held > 0) {
    std::memcpy(joiner->bytes, joiner->rest, joiner->held);
    std::memcpy(joiner->bytes + joiner->held, text, length);
    all = joiner->bytes;
    total = joiner->held + length;
  }
  size_t whole = lineEnds ? total
                          : wholeSequencesLength(reinterpret_cast<const unsigned char*>(all), total);
  std::memcpy(joiner->rest, all + whole, total - whole);
  joiner->held = total - whole;
  *joined = all;
  *joinedLength = whole;
}

}  // namespace tourwright
