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

size_t skipSpace(LineText* text, size_t p, size_t end) {
  while (p < end && isScriptSpace(lineByte(text, p))) ++p;
  return p;
}

// True when the text at `p` begins with `word`, ignoring the case of letters.
bool startsWithWord(LineText* text, size_t p, size_t end, const char* word) {
  for (; *word != '\0'; ++p, ++word) {
    if (p == end || lowerAscii(lineByte(text, p)) != *word) return false;
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
size_t readExponent(LineText* text, size_t p, size_t end, char marker, long long* exponent) {
  *exponent = 0;
  if (p == end || lowerAscii(lineByte(text, p)) != marker) return p;
  size_t q = p + 1;
  bool negative = false;
  if (q < end && (lineByte(text, q) == '+' || lineByte(text, q) == '-')) {
    negative = lineByte(text, q++) == '-';
  }
  if (q == end || !isDigit(lineByte(text, q))) return p;
  long long value = 0;
  for (; q < end && isDigit(lineByte(text, q)); ++q) {
    value = saturatingAdd(value < kCountClamp / 10 ? value * 10 : kCountClamp,
                          lineByte(text, q) - '0');
  }
  *exponent = negative ? -value : value;
  return q;
}

// The digits of a mantissa, with a point between its integer and fraction.
struct Mantissa {
  size_t integerBegin;
  size_t integerEnd;
  size_t fractionBegin;  // equal to fractionEnd when there is none
  size_t fractionEnd;
  size_t after;          // the first byte after the mantissa
};

// Digits, an optional point and more digits, at least one digit in all.
bool readMantissa(LineText* text, size_t p, size_t end, bool hex, Mantissa* m) {
  auto isMantissaDigit = [hex](unsigned char c) { return hex ? isHexDigit(c) : isDigit(c); };
  m->integerBegin = p;
  while (p < end && isMantissaDigit(lineByte(text, p))) ++p;
  m->integerEnd = p;
  m->fractionBegin = m->fractionEnd = p;
  if (p < end && lineByte(text, p) == '.') {
    m->fractionBegin = ++p;
    while (p < end && isMantissaDigit(lineByte(text, p))) ++p;
    m->fractionEnd = p;
  }
  m->after = p;
  return m->integerEnd > m->integerBegin || m->fractionEnd > m->fractionBegin;
}

// Writes the significant digits of `m` into `out` (at most `kept` of them,
// plus a sticky '1'), and returns the power of the base per digit position
// that the written integer must be scaled by.
long long keepSignificantDigits(LineText* text, const Mantissa& m, size_t kept, char* out,
                                size_t* written) {
  size_t count = 0;
  long long dropped = 0;
  bool nonZeroDropped = false;
  auto take = [&](size_t begin, size_t stop) {
    for (size_t p = begin; p < stop; ++p) {
      char digit = static_cast<char>(lineByte(text, p));
      if (count == 0 && digit == '0') continue;
      if (count < kept) {
        out[count++] = digit;
      } else {
        dropped = saturatingAdd(dropped, 1);
        if (digit != '0') nonZeroDropped = true;
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

size_t unitLength(LineText* text, size_t at, size_t end) {
  size_t available = end - at;
  unsigned char c = lineByte(text, at);
  if (c >= 0x80) return available >= 2 ? 2 : 1;
  if (c == '&' && available >= 3 && lineByte(text, at + 1) == '#' &&
      isDigit(lineByte(text, at + 2))) {
    size_t length = 2;
    while (length < available && isDigit(lineByte(text, at + length))) ++length;
    if (length < available && lineByte(text, at + length) == ';') ++length;
    return length;
  }
  if (c == 'U' && available >= kNotationLength) {
    unsigned char notation[kNotationLength];
    for (size_t i = 0; i < kNotationLength; ++i) notation[i] = lineByte(text, at + i);
    if (notationValue(notation, kNotationLength) >= 0) return kNotationLength;
  }
  return 1;
}

CutResult copyCut(LineText* text, size_t begin, size_t end, char* field, size_t capacity) {
  if (capacity == 0) return CutResult{begin < end, false};
  size_t room = capacity - 1;
  size_t p = begin;
  while (p < end) {
    size_t unit = unitLength(text, p, end);
    if (p - begin + unit > room) break;
    // Only the last byte can be a lead byte alone.
    if (unit == 1 && lineByte(text, p) >= 0x80) {
      field[p - begin] = '\0';
      return CutResult{false, true};
    }
    for (size_t i = 0; i < unit; ++i) field[p - begin + i] = static_cast<char>(lineByte(text, p + i));
    p += unit;
  }
  field[p - begin] = '\0';
  return CutResult{p < end, false};
}

size_t findDollar(LineText* text, size_t begin, size_t end) {
  size_t dollar = findLineByte(text, begin, end, '$');
  return dollar < end ? dollar : kNoMatch;
}

size_t scanWord(LineText* text, size_t p, size_t end, size_t* wordBegin) {
  p = skipSpace(text, p, end);
  if (p == end) return kNoMatch;
  *wordBegin = p;
  while (p < end && !isScriptSpace(lineByte(text, p))) ++p;
  return p;
}

size_t scanInteger(LineText* text, size_t p, size_t end, int* value) {
  p = skipSpace(text, p, end);
  bool negative = false;
  if (p < end && (lineByte(text, p) == '+' || lineByte(text, p) == '-')) {
    negative = lineByte(text, p++) == '-';
  }
  if (p == end || !isDigit(lineByte(text, p))) return kNoMatch;
  // Past this bound the value is clamped whatever digits follow.
  const long long limit = static_cast<long long>(INT_MAX) + 1;
  long long magnitude = 0;
  for (; p < end && isDigit(lineByte(text, p)); ++p) {
    if (magnitude <= limit) magnitude = magnitude * 10 + (lineByte(text, p) - '0');
  }
  long long signedValue = negative ? -magnitude : magnitude;
  if (signedValue > INT_MAX) signedValue = INT_MAX;
  if (signedValue < INT_MIN) signedValue = INT_MIN;
  *value = static_cast<int>(signedValue);
  return p;
}

size_t scanNumber(LineText* text, size_t p, size_t end, float* value) {
  p = skipSpace(text, p, end);
  size_t q = p;
  bool negative = false;
  if (q < end && (lineByte(text, q) == '+' || lineByte(text, q) == '-')) {
    negative = lineByte(text, q++) == '-';
  }

  if (startsWithWord(text, q, end, "inf")) {
    *value = negative ? -std::numeric_limits<float>::infinity()
                      : std::numeric_limits<float>::infinity();
    return q + (startsWithWord(text, q, end, "infinity") ? 8 : 3);
  }
  if (startsWithWord(text, q, end, "nan")) {
    *value = std::copysign(std::numeric_limits<float>::quiet_NaN(), negative ? -1.0f : 1.0f);
    size_t after = q + 3;
    // "nan(chars)" is read whole; without its ")" only "nan" is.
    if (after < end && lineByte(text, after) == '(') {
      size_t r = after + 1;
      while (r < end && (isAsciiAlnum(lineByte(text, r)) || lineByte(text, r) == '_')) ++r;
      if (r < end && lineByte(text, r) == ')') after = r + 1;
    }
    return after;
  }

  // Sign, "0x", the kept digits and the sticky one, the exponent, NUL.
  char digits[1 + 2 + kKeptDecimalDigits + 1 + 24 + 1];
  size_t length = 0;
  digits[length++] = negative ? '-' : '+';
  Mantissa mantissa;
  size_t after;
  if (end - q >= 2 && lineByte(text, q) == '0' && lowerAscii(lineByte(text, q + 1)) == 'x' &&
      readMantissa(text, q + 2, end, true, &mantissa)) {
    long long binaryExponent;
    after = readExponent(text, mantissa.after, end, 'p', &binaryExponent);
    digits[length++] = '0';
    digits[length++] = 'x';
    size_t kept;
    long long scale = keepSignificantDigits(text, mantissa, kKeptHexDigits, digits + length, &kept);
    length += kept;
    if (kept == 0) digits[length++] = '0';
    // Each hexadecimal digit position is four binary ones.
    long long exponent = clampExponent(binaryExponent + 4 * scale);
    length += static_cast<size_t>(
        std::snprintf(digits + length, sizeof digits - length, "p%lld", exponent));
  } else {
    // A "0x" without hexadecimal digits reads as the number 0.
    if (!readMantissa(text, q, end, false, &mantissa)) return kNoMatch;
    long long decimalExponent;
    after = readExponent(text, mantissa.after, end, 'e', &decimalExponent);
    size_t kept;
    long long scale =
        keepSignificantDigits(text, mantissa, kKeptDecimalDigits, digits + length, &kept);
    length += kept;
    if (kept == 0) digits[length++] = '0';
    long long exponent = clampExponent(decimalExponent + scale);
    length += static_cast<size_t>(
        std::snprintf(digits + length, sizeof digits - length, "e%lld", exponent));
  }
  *value = std::strtof(digits, nullptr);
  return after;
}

ScanResult scanFields(LineText* text, size_t begin, size_t end, const ScanField* fields,
                      int fieldCount) {
  ScanResult result{0, false, false, begin};
  size_t p = begin;
  for (int i = 0; i < fieldCount; ++i) {
    const ScanField& field = fields[i];
    size_t next = kNoMatch;
    switch (field.kind) {
      case ScanKind::kWord: {
        size_t word = 0;
        next = scanWord(text, p, end, &word);
        if (next != kNoMatch) {
          CutResult copied = copyCut(text, word, next, field.text, field.capacity);
          result.cut = result.cut || copied.cut;
          result.leadDropped = result.leadDropped || copied.leadDropped;
        }
        break;
      }
      case ScanKind::kInteger:
        next = scanInteger(text, p, end, field.integer);
        break;
      case ScanKind::kNumber:
        next = scanNumber(text, p, end, field.number);
        break;
    }
    if (next == kNoMatch) break;
    p = next;
    ++result.filled;
  }
  result.rest = p;
  return result;
}

}  // namespace tourwright
