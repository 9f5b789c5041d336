// Escapes in internal text.
#include "encoding/escape.h"

#include <cstdio>

#include "encoding/code_point.h"

namespace tourwright {

namespace {

// Any reference above U+10FFFF names no character; digits beyond it are
// counted but no longer change the value.
constexpr int kReferenceCeiling = 0x110000;

bool isDecimalDigit(unsigned char c) { return c >= '0' && c <= '9'; }

int addDecimalDigit(int value, unsigned char digit) {
  value = value * 10 + (digit - '0');
  return value > kReferenceCeiling ? kReferenceCeiling : value;
}

bool isHighSurrogate(int value) { return value >= 0xD800 && value <= 0xDBFF; }
bool isLowSurrogate(int value) { return value >= 0xDC00 && value <= 0xDFFF; }

}  // namespace

Escape readEscape(const unsigned char* p, const unsigned char* end) {
  Escape none = {EscapeKind::kNone, 0, 0};
  size_t available = static_cast<size_t>(end - p);
  int notation = notationValue(p, available);
  if (notation >= 0) return {EscapeKind::kNotation, kNotationLength, notation};
  if (available >= 3 && p[0] == '&' && p[1] == '#' && isDecimalDigit(p[2])) {
    const unsigned char* q = p + 2;
    int value = 0;
    for (; q < end && isDecimalDigit(*q); ++q) value = addDecimalDigit(value, *q);
    if (q < end && *q == ';') ++q;
    return {EscapeKind::kReference, static_cast<size_t>(q - p), value};
  }
  return none;
}

size_t escapedCharacter(const Escape& escape, const unsigned char* p, const unsigned char* end,
                        int* codePoint) {
  int value = escape.value;
  size_t length = escape.length;
  if (isHighSurrogate(value)) {
    Escape low = readEscape(p + length, end);
    if (low.kind != EscapeKind::kNone && isLowSurrogate(low.value)) {
      value = 0x10000 + ((value - 0xD800) << 10) + (low.value - 0xDC00);
      length += low.length;
    }
  }
  if (value == 0) {
    // "U+0000" stands for nothing; "&#0;" names no character.
    value = escape.kind == EscapeKind::kNotation ? -1 : kReplacementCharacter;
  } else if (value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
    value = kReplacementCharacter;
  }
  *codePoint = value;
  return length;
}

namespace {

// True when the digit run of a reference reaches `end`: more digits or its
// ";" may follow.
bool digitsReachEnd(const Escape& escape, const unsigned char* p, const unsigned char* end) {
  return escape.kind == EscapeKind::kReference && p + escape.length == end &&
         isDecimalDigit(end[-1]);
}

}  // namespace

bool escapeUndecided(const unsigned char* p, const unsigned char* end) {
  if (end - p < static_cast<ptrdiff_t>(kNotationLength)) return true;
  Escape escape = readEscape(p, end);
  if (escape.kind == EscapeKind::kNone) return false;
  if (digitsReachEnd(escape, p, end)) return true;
  if (!isHighSurrogate(escape.value)) return false;
  const unsigned char* next = p + escape.length;
  if (end - next < static_cast<ptrdiff_t>(kNotationLength)) return true;
  return digitsReachEnd(readEscape(next, end), next, end);
}

size_t readEscapedCharacter(const unsigned char* p, const unsigned char* end, int* codePoint) {
  Escape escape = readEscape(p, end);
  if (escape.kind == EscapeKind::kNone) return 0;
  return escapedCharacter(escape, p, end, codePoint);
}

size_t shortenDigitRuns(const unsigned char* p, const unsigned char* end, unsigned char* out) {
  size_t kept = 0;
  while (p < end) {
    if (end - p >= 3 && p[0] == '&' && p[1] == '#' && isDecimalDigit(p[2])) {
      int value = 0;
      for (p += 2; p < end && isDecimalDigit(*p); ++p) value = addDecimalDigit(value, *p);
      kept += static_cast<size_t>(std::snprintf(reinterpret_cast<char*>(out + kept),
                                                kUndecidedEscapeMax - kept, "&#%d", value));
    } else {
      out[kept++] = *p++;
    }
  }
  return kept;
}

}  // namespace tourwright
