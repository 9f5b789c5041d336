// Korean code page to Unicode.
//
// The tables in ksx_tables.inc hold code points, as generated. The transcoder
// calls this for every two-byte code of the tour XML, so the three KS X 1001
// tables are also turned, at compile time, into ready UTF-8 cells of four
// bytes (at most three bytes of text and the NUL): a symbol, Hangul or
// KS X 1001 Hanja lookup is one bounds check and one four-byte copy. The
// extended Hanja area and the exception list, which are rare in real text,
// go through codePointToUtf8 (one of their characters lies outside the BMP).
//
// Every index is bounded before it is used: byte pairs outside the laid-out
// areas (trail byte FF, a trail byte below 21, lead FF, leads FE with trail
// A1 or above, and the cells FE2E..FEA0 past the end of the extended area)
// have no Hanja index and give the replacement mark, so no neighbouring row
// or area is ever read for them.
#include "encoding/ksx_to_unicode.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "encoding/code_point.h"

namespace tourwright {

namespace {

struct HanjaException {
  int32_t index;
  int32_t codePoint;
};

#include "encoding/ksx_tables.inc"

constexpr int kKsxHanjaLast = 4888;
constexpr int kExtendedFirst = 4889;
constexpr int kExtendedLast = 16805;  // cell FE2D

static_assert(sizeof KsxSymbolTable / sizeof KsxSymbolTable[0] == 12 * 94, "symbol rows A1..AC");
static_assert(sizeof KsxHangulTable / sizeof KsxHangulTable[0] == 25 * 94, "Hangul rows B0..C8");
static_assert(sizeof KsxHanjaTable / sizeof KsxHanjaTable[0] == kKsxHanjaLast, "Hanja rows CA..FD");
static_assert(sizeof ExtendedHanjaTable / sizeof ExtendedHanjaTable[0] == kExtendedLast - kExtendedFirst + 1,
              "extended Hanja area A121..FE2D");

// The UTF-8 text of one BMP code point, NUL-padded to four bytes; a code
// point of 0 (no mapping) gives an empty cell.
struct Utf8Cell {
  char bytes[4];
};

constexpr Utf8Cell utf8Cell(int32_t codePoint) {
  Utf8Cell cell{{0, 0, 0, 0}};
  if (codePoint < 0x80) {
    cell.bytes[0] = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    cell.bytes[0] = static_cast<char>(0xC0 + codePoint / 64);
    cell.bytes[1] = static_cast<char>(0x80 + codePoint % 64);
  } else {
    cell.bytes[0] = static_cast<char>(0xE0 + codePoint / 4096);
    cell.bytes[1] = static_cast<char>(0x80 + (codePoint % 4096) / 64);
    cell.bytes[2] = static_cast<char>(0x80 + codePoint % 64);
  }
  return cell;
}

template <size_t N>
struct Utf8Table {
  Utf8Cell cells[N];
};

template <typename T, size_t N>
constexpr Utf8Table<N> utf8Table(const T (&codePoints)[N]) {
  Utf8Table<N> table{};
  for (size_t i = 0; i < N; ++i) table.cells[i] = utf8Cell(codePoints[i]);
  return table;
}

template <typename T, size_t N>
constexpr bool allInBmp(const T (&codePoints)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (codePoints[i] < 0 || codePoints[i] > 0xFFFF) return false;
  }
  return true;
}
static_assert(allInBmp(KsxHanjaTable), "KS X 1001 Hanja cells fit a three-byte UTF-8 cell");

constexpr Utf8Table<sizeof KsxSymbolTable / sizeof KsxSymbolTable[0]> kSymbolUtf8 = utf8Table(KsxSymbolTable);
constexpr Utf8Table<sizeof KsxHangulTable / sizeof KsxHangulTable[0]> kHangulUtf8 = utf8Table(KsxHangulTable);
constexpr Utf8Table<sizeof KsxHanjaTable / sizeof KsxHanjaTable[0]> kHanjaUtf8 = utf8Table(KsxHanjaTable);
constexpr Utf8Cell kReplacementUtf8 = utf8Cell(kReplacementMark);

inline void writeCell(const Utf8Cell& cell, char* out) { std::memcpy(out, cell.bytes, sizeof cell.bytes); }

// Symbol cells of the two double arrows A2A1 and A2A2, and of the single
// arrows A1E6 and A1EA read in their place.
constexpr int kRightDoubleArrowCell = 94;
constexpr int kLeftRightDoubleArrowCell = 95;
constexpr int kRightArrowCell = 69;
constexpr int kLeftRightArrowCell = 73;

}  // namespace

void ksxSymbolHangulToUtf8(const unsigned char* code, char* out) {
  const unsigned lead = code[0];
  const unsigned trail = code[1];
  if (trail >= 0xA1 && trail <= 0xFE) {
    if (lead >= 0xB0 && lead <= 0xC8) {
      writeCell(kHangulUtf8.cells[(lead - 0xB0) * 94 + (trail - 0xA1)], out);
      return;
    }
    if (lead >= 0xA1 && lead <= 0xAC) {
      unsigned cell = (lead - 0xA1) * 94 + (trail - 0xA1);
      if (cell == kRightDoubleArrowCell) cell = kRightArrowCell;
      if (cell == kLeftRightDoubleArrowCell) cell = kLeftRightArrowCell;
      writeCell(kSymbolUtf8.cells[cell], out);
      return;
    }
  }
  writeCell(kReplacementUtf8, out);  // rows AD..AF and anything off the rows
}

int hanjaIndex(const unsigned char* code) {
  const int lead = code[0];
  const int trail = code[1];
  if (lead == 0xFF || trail == 0xFF) return 0;
  if (lead >= 0xCA && trail >= 0xA1) return lead <= 0xFD ? (lead - 0xCA) * 94 + (trail - 0xA1) + 1 : 0;
  if (trail < 0x21 || trail > 0xA0) return 0;
  if (lead >= 0xA1) {
    int index = kExtendedFirst + (lead - 0xA1) * 128 + (trail - 0x21);
    return index <= kExtendedLast ? index : 0;
  }
  if (lead >= 0x99) return 16806 + (lead - 0x99) * 128 + (trail - 0x21);
  if (lead >= 0x91) return 17830 + (lead - 0x91) * 128 + (trail - 0x21);
  if (lead >= 0x89) return 18854 + (lead - 0x89) * 128 + (trail - 0x21);
  return 0;
}

namespace {

// The code point of a Hanja index, or 0 when the tables have none for it.
int32_t hanjaCodePoint(int index) {
  if (index == 0) return 0;
  if (index <= kKsxHanjaLast) {
    if (KsxHanjaTable[index - 1] != 0) return KsxHanjaTable[index - 1];
  } else if (index <= kExtendedLast) {
    if (ExtendedHanjaTable[index - kExtendedFirst] != 0) return ExtendedHanjaTable[index - kExtendedFirst];
  }
  // An empty cell, or an index without a table: only the exception list
  // can still name a character (the list is in ascending index order).
  for (const HanjaException& exception : HanjaExceptionList) {
    if (exception.index > index) break;
    if (exception.index == index) return exception.codePoint;
  }
  return 0;
}

bool isSymbolHangulCode(const unsigned char* code) {
  return code[0] >= 0xA1 && code[0] <= 0xC8 && code[1] >= 0xA1;
}

}  // namespace

void ksxHanjaToUtf8(const unsigned char* code, char* out) {
  const int index = hanjaIndex(code);
  if (index >= 1 && index <= kKsxHanjaLast && kHanjaUtf8.cells[index - 1].bytes[0] != 0) {
    writeCell(kHanjaUtf8.cells[index - 1], out);
    return;
  }
  const int32_t codePoint = hanjaCodePoint(index);
  if (codePoint != 0) {
    codePointToUtf8(codePoint, out);
  } else {
    writeCell(kReplacementUtf8, out);
  }
}

bool ksxHasMapping(const unsigned char* code) {
  if (isSymbolHangulCode(code)) {
    const unsigned lead = code[0];
    return code[1] <= 0xFE && (lead <= 0xAC || lead >= 0xB0);  // rows AD..AF are empty
  }
  return hanjaCodePoint(hanjaIndex(code)) != 0;
}

void ksxToUtf8(const unsigned char* code, char* out) {
  if (isSymbolHangulCode(code)) {
    ksxSymbolHangulToUtf8(code, out);
  } else {
    ksxHanjaToUtf8(code, out);
  }
}

}  // namespace tourwright
