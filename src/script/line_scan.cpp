// Numbers are read as strtof reads them, but strtof only ever sees a short
// copy: the digits of the number's longest accepted prefix are reduced to
// at most kKeptDecimalDigits significant digits (or kKeptHexDigits for a
// hexadecimal number) followed by one sticky "1" when anything non-zero
// was dropped, and the exponent is adjusted and clamped. A single-precision
// halfway point has at most 113 significant decimal digits, so the short
// copy rounds exactly as the whole text would, and a number of thousands of
// digits costs one pass over them.
#include "script/line_scan.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "encoding/code_point.h"

namespace tourwright {

namespace {

constexpr size_t kKeptDecimalDigits = 150;
constexpr size_t kKeptHexDigits = 40;
// Far beyond the range of a float whatever the kept digits are, so a
// clamped exponent still gives infinity or zero.
constexpr long long kExponentClamp = 100000;
// Saturation for exponents typed in the script and for digit counts.
constexpr long long kCountClamp = 1000000000000000LL;

bool isDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool isHexDigit(unsigned char c) {
  return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}
bool isAsciiAlnum(unsigned char c) {
  return isDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
unsigned char lowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

const char* skipSpace(const char* p, const char* end) {
  while (p < end && isScriptSpace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

// True when [p, end) begins with `word`, ignoring the case of letters.
bool startsWithWord(const char* p, const char* end, const char* word) {
  for (; *word != '\0'; ++p, ++word) {
    if (p == end || lowerAscii(static_cast<unsigned char>(*p)) != *word) return false;
  }
  return true;
}

// Counts and typed exponents stay within kCountClamp, so sums of a few of
// them never overflow.
long long saturatingAdd(long long a, long long b) {
  long long sum = a + b;
  if (sum > kCountClamp) return kCountClamp;
  if (sum < -kCountClamp) return -kCountClamp;
  return sum;
}

long long clampExponent(long long exponent) {
  if (exponent > kExponentClamp) return kExponentClamp;
  if (exponent < -kExponentClamp) return -kExponentClamp;
  return exponent;
}

// An exponent part: a marker letter, an optional sign and at least one
// decimal digit. Returns the position after it, or `p` when there is none.
const char* readExponent(const char* p, const char* end, char marker, long long* exponent) {
  *exponent = 0;
  if (p == end || lowerAscii(static_cast<unsigned char>(*p)) != marker) return p;
  const char* q = p + 1;
  bool negative = false;
  if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';
  if (q == end || !isDigit(static_cast<unsigned char>(*q))) return p;
  long long value = 0;
  for (; q < end && isDigit(static_cast<unsigned char>(*q)); ++q) {
    value = saturatingAdd(value < kCountClamp / 10 ? value * 10 : kCountClamp, *q - '0');
  }
  *exponent = negative ? -value : value;
  return q;
}

// The digits of a mantissa, with a point between its integer and fraction.
struct Mantissa {
  const char* integerBegin;
  const char* integerEnd;
  const char* fractionBegin;  // equal to fractionEnd when there is none
  const char* fractionEnd;
  const char* after;          // the first byte after the mantissa
};

// Digits, an optional point and more digits, at least one digit in all.
bool readMantissa(const char* p, const char* end, bool hex, Mantissa* m) {
  auto isMantissaDigit = [hex](char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return hex ? isHexDigit(u) : isDigit(u);
  };
  m->integerBegin = p;
  while (p < end && isMantissaDigit(*p)) ++p;
  m->integerEnd = p;
  m->fractionBegin = m->fractionEnd = p;
  if (p < end && *p == '.') {
    m->fractionBegin = ++p;
    while (p < end && isMantissaDigit(*p)) ++p;
    m->fractionEnd = p;
  }
  m->after = p;
  return m->integerEnd > m->integerBegin || m->fractionEnd > m->fractionBegin;
}

// Writes the significant digits of `m` into `out` (at most `kept` of them,
// plus a sticky '1'), and returns the power of the base per digit position
// that the written integer must be scaled by.
long long keepSignificantDigits(const Mantissa& m, size_t kept, char* out, size_t* written) {
  size_t count = 0;
  long long dropped = 0;
  bool nonZeroDropped = false;
  auto take = [&](const char* begin, const char* stop) {
    for (const char* p = begin; p < stop; ++p) {
      if (count == 0 && *p == '0') continue;
      if (count < kept) {
        out[count++] = *p;
      } else {
        dropped = saturatingAdd(dropped, 1);
        if (*p != '0') nonZeroDropped = true;
      }
    }
  };
  take(m.integerBegin, m.integerEnd);
  take(m.fractionBegin, m.fractionEnd);
  long long fractionDigits = static_cast<long long>(m.fractionEnd - m.fractionBegin);
  long long scale = saturatingAdd(dropped, -fractionDigits);
  if (nonZeroDropped) {
    out[count++] = '1';
    scale = saturatingAdd(scale, -1);
  }
  *written = count;
  return scale;
}

}  // namespace

size_t unitLength(const char* text, const char* end) {
  size_t available = static_cast<size_t>(end - text);
  unsigned char c = static_cast<unsigned char>(text[0]);
  if (c >= 0x80) return available >= 2 ? 2 : 1;
  if (c == '&' && available >= 2 && text[1] == '#') {
    size_t length = 2;
    while (length < available && isDigit(static_cast<unsigned char>(text[length]))) ++length;
    if (length < available && text[length] == ';') ++length;
    return length;
  }
  if (notationValue(reinterpret_cast<const unsigned char*>(text), available) >= 0) {
    return kNotationLength;
  }
  return 1;
}

bool copyCut(const char* begin, const char* end, char* field, size_t capacity) {
  if (capacity == 0) return begin < end;
  size_t room = capacity - 1;
  const char* p = begin;
  while (p < end) {
    size_t unit = unitLength(p, end);
    if (static_cast<size_t>(p - begin) + unit > room) break;
    p += unit;
  }
  size_t length = static_cast<size_t>(p - begin);
  std::memcpy(field, begin, length);
  field[length] = '\0';
  return p < end;
}

const char* findDollar(const char* begin, const char* end) {
  return static_cast<const char*>(std::memchr(begin, '$', static_cast<size_t>(end - begin)));
}

const char* scanWord(const char* p, const char* end, const char** wordBegin) {
  p = skipSpace(p, end);
  if (p == end) return nullptr;
  *wordBegin = p;
  while (p < end && !isScriptSpace(static_cast<unsigned char>(*p))) ++p;
  return p;
}

const char* scanInteger(const char* p, const char* end, int* value) {
  p = skipSpace(p, end);
  bool negative = false;
  if (p < end && (*p == '+' || *p == '-')) negative = *p++ == '-';
  if (p == end || !isDigit(static_cast<unsigned char>(*p))) return nullptr;
  // Past this bound the value is clamped whatever digits follow.
  const long long limit = static_cast<long long>(INT_MAX) + 1;
  long long magnitude = 0;
  for (; p < end && isDigit(static_cast<unsigned char>(*p)); ++p) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (*p - '0');
  }
  long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX) signedValue = INT_MAX;
  if (signedValue < INT_MIN) signedValue = INT_MIN;
  *value = static_cast<int>(signedValue);
  return p;
}

const char* scanNumber(const char* p, const char* end, float* value) {
  p = skipSpace(p, end);
  const char* q = p;
  bool negative = false;
  if (q < end && (*q == '+' || *q == '-')) negative = *q++ == '-';

  if (startsWithWord(q, end, "inf")) {
    *value = negative ? -std::numeric_limits<float>::infinity()
                      : std::numeric_limits<float>::infinity();
    return q + (startsWithWord(q, end, "infinity") ? 8 : 3);
  }
  if (startsWithWord(q, end, "nan")) {
    *value = std::copysign(std::numeric_limits<float>::quiet_NaN(), negative ? -1.0f : 1.0f);
    const char* after = q + 3;
    // "nan(chars)" is read whole; without its ")" only "nan" is.
    if (after < end && *after == '(') {
      const char* r = after + 1;
      while (r < end && (isAsciiAlnum(static_cast<unsigned char>(*r)) || *r == '_')) ++r;
      if (r < end && *r == ')') after = r + 1;
    }
    return after;
  }

  // Sign, "0x", the kept digits and the sticky one, the exponent, NUL.
  char text[1 + 2 + kKeptDecimalDigits + 1 + 24 + 1];
  size_t length = 0;
  text[length++] = negative ? '-' : '+';
  Mantissa mantissa;
  const char* after;
  if (end - q >= 2 && q[0] == '0' && lowerAscii(static_cast<unsigned char>(q[1])) == 'x' &&
      readMantissa(q + 2, end, true, &mantissa)) {
    long long binaryExponent;
    after = readExponent(mantissa.after, end, 'p', &binaryExponent);
    text[length++] = '0';
    text[length++] = 'x';
    size_t digits;
    long long scale = keepSignificantDigits(mantissa, kKeptHexDigits, text + length, &digits);
    length += digits;
    if (digits == 0) text[length++] = '0';
    // Each hexadecimal digit position is four binary ones.
    long long exponent = clampExponent(binaryExponent + 4 * scale);
    length += static_cast<size_t>(
        std::snprintf(text + length, sizeof text - length, "p%lld", exponent));
  } else {
    // A "0x" without hexadecimal digits reads as the number 0.
    if (!readMantissa(q, end, false, &mantissa)) return nullptr;
    long long decimalExponent;
    after = readExponent(mantissa.after, end, 'e', &decimalExponent);
    size_t digits;
    long long scale = keepSignificantDigits(mantissa, kKeptDecimalDigits, text + length, &digits);
    length += digits;
    if (digits == 0) text[length++] = '0';
    long long exponent = clampExponent(decimalExponent + scale);
    length += static_cast<size_t>(
        std::snprintf(text + length, sizeof text - length, "e%lld", exponent));
  }
  *value = std::strtof(text, nullptr);
  return after;
}

ScanResult scanFields(const char* begin, const char* end, const ScanField* fields,
                      int fieldCount) {
  ScanResult result{0, false, begin};
  const char* p = begin;
  for (int i = 0; i < fieldCount; ++i) {
    const ScanField& field = fields[i];
    const char* next = nullptr;
    switch (field.kind) {
      case ScanKind::kWord: {
        const char* word = nullptr;
        next = scanWord(p, end, &word);
        if (next != nullptr && copyCut(word, next, field.text, field.capacity)) result.cut = true;
        break;
      }
      case ScanKind::kInteger:
        next = scanInteger(p, end, field.integer);
        break;
      case ScanKind::kNumber:
        next = scanNumber(p, end, field.number);
        break;
    }
    if (next == nullptr) break;
    p = next;
    ++result.filled;
  }
  result.rest = p;
  return result;
}

}  // namespace tourwright
