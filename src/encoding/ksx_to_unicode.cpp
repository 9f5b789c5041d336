// Korean code page to Unicode.
//
// The tables in ksx_tables.inc hold code points, as generated. Every lookup
// is a constexpr function of the lead and trail byte, so the transcoder's
// table of the UTF-8 text of every two-byte code (kKsxPairTable) is made by
// the compiler from the same functions that ksxToUtf8 runs: a run starts
// with it ready, and the two cannot disagree.
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
#include <utility>

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

// The UTF-8 text of a code point (at most U+10FFFF, no surrogate); a code
// point of 0 (no mapping) gives an empty cell.
constexpr Utf8Cell utf8Cell(int32_t codePoint) {
  Utf8Cell cell{{0, 0, 0, 0}};
  if (codePoint < 0x80) {
    cell.bytes[0] = static_cast<char>(codePoint);
  } else if (codePoint < 0x800) {
    cell.bytes[0] = static_cast<char>(0xC0 + codePoint / 64);
    cell.bytes[1] = static_cast<char>(0x80 + codePoint % 64);
  } else if (codePoint < 0x10000) {
    cell.bytes[0] = static_cast<char>(0xE0 + codePoint / 4096);
    cell.bytes[1] = static_cast<char>(0x80 + (codePoint % 4096) / 64);
    cell.bytes[2] = static_cast<char>(0x80 + codePoint % 64);
  } else {
    cell.bytes[0] = static_cast<char>(0xF0 + codePoint / 262144);
    cell.bytes[1] = static_cast<char>(0x80 + (codePoint % 262144) / 4096);
    cell.bytes[2] = static_cast<char>(0x80 + (codePoint % 4096) / 64);
    cell.bytes[3] = static_cast<char>(0x80 + codePoint % 64);
  }
  return cell;
}

constexpr bool isScalarOrNone(int32_t codePoint) {
  return codePoint >= 0 && codePoint <= 0x10FFFF && (codePoint < 0xD800 || codePoint > 0xDFFF);
}

template <typename T, size_t N>
constexpr bool allScalarOrNone(const T (&codePoints)[N]) {
  for (size_t i = 0; i < N; ++i) {
    if (!isScalarOrNone(codePoints[i])) return false;
  }
  return true;
}

constexpr bool exceptionsAreScalars() {
  for (const HanjaException& exception : HanjaExceptionList) {
    if (!isScalarOrNone(exception.codePoint) || exception.codePoint == 0) return false;
  }
  return true;
}

// So utf8Cell gives what codePointToUtf8 would for every table entry.
static_assert(allScalarOrNone(KsxSymbolTable) && allScalarOrNone(KsxHangulTable) &&
                  allScalarOrNone(KsxHanjaTable) && allScalarOrNone(ExtendedHanjaTable) &&
                  exceptionsAreScalars(),
              "every mapped code point is a Unicode scalar value");

constexpr Utf8Cell kReplacementUtf8 = utf8Cell(kReplacementMark);

// Symbol cells of the two double arrows A2A1 and A2A2, and of the single
// arrows A1E6 and A1EA read in their place.
constexpr int kRightDoubleArrowCell = 94;
constexpr int kLeftRightDoubleArrowCell = 95;
constexpr int kRightArrowCell = 69;
constexpr int kLeftRightArrowCell = 73;

constexpr Utf8Cell symbolHangulCell(int lead, int trail) {
  if (trail >= 0xA1 && trail <= 0xFE) {
    if (lead >= 0xB0 && lead <= 0xC8) return utf8Cell(KsxHangulTable[(lead - 0xB0) * 94 + (trail - 0xA1)]);
    if (lead >= 0xA1 && lead <= 0xAC) {
      int cell = (lead - 0xA1) * 94 + (trail - 0xA1);
      if (cell == kRightDoubleArrowCell) cell = kRightArrowCell;
      if (cell == kLeftRightDoubleArrowCell) cell = kLeftRightArrowCell;
      return utf8Cell(KsxSymbolTable[cell]);
    }
  }
  return kReplacementUtf8;  // rows AD..AF and anything off the rows
}

constexpr int hanjaIndexOf(int lead, int trail) {
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

constexpr Utf8Cell hanjaCell(int lead, int trail) {
  const int index = hanjaIndexOf(lead, trail);
  if (index == 0) return kReplacementUtf8;
  if (index <= kKsxHanjaLast) {
    if (KsxHanjaTable[index - 1] != 0) return utf8Cell(KsxHanjaTable[index - 1]);
  } else if (index <= kExtendedLast) {
    if (ExtendedHanjaTable[index - kExtendedFirst] != 0) {
      return utf8Cell(ExtendedHanjaTable[index - kExtendedFirst]);
    }
  }
  // An empty cell, or an index without a table: only the exception list
  // can still name a character (the list is in ascending index order).
  for (const HanjaException& exception : HanjaExceptionList) {
    if (exception.index > index) break;
    if (exception.index == index) return utf8Cell(exception.codePoint);
  }
  return kReplacementUtf8;
}

constexpr Utf8Cell ksxCell(int lead, int trail) {
  if (lead >= 0xA1 && lead <= 0xC8 && trail >= 0xA1) return symbolHangulCell(lead, trail);
  return hanjaCell(lead, trail);
}

constexpr KsxPairRow makePairRow(int lead) {
  KsxPairRow row{};
  for (int trail = 0; trail <= 0xFF; ++trail) {
    Utf8Cell cell = ksxCell(lead, trail);
    row.cells[trail] = cell.bytes[0] != 0 ? cell : kReplacementUtf8;
  }
  return row;
}

// Each row is a constant of its own: compilers bound the steps of one
// constant evaluation, and the whole table at once would exceed some.
template <int Lead>
constexpr KsxPairRow kPairRow = makePairRow(Lead);

template <int... Offsets>
constexpr KsxPairTable makePairTable(std::integer_sequence<int, Offsets...>) {
  return KsxPairTable{{kPairRow<kKsxFirstLead + Offsets>...}};
}

// The cell and its NUL (a four-byte text fills the cell).
void writeText(const Utf8Cell& cell, char* out) {
  std::memcpy(out, cell.bytes, sizeof cell.bytes);
  out[sizeof cell.bytes] = '\0';
}

}  // namespace

constexpr KsxPairTable kKsxPairTable = makePairTable(std::make_integer_sequence<int, kKsxLeadCount>());

void ksxSymbolHangulToUtf8(const unsigned char* code, char* out) {
  writeText(symbolHangulCell(code[0], code[1]), out);
}

int hanjaIndex(const unsigned char* code) { return hanjaIndexOf(code[0], code[1]); }

void ksxHanjaToUtf8(const unsigned char* code, char* out) {
  writeText(hanjaCell(code[0], code[1]), out);
}

void ksxToUtf8(const unsigned char* code, char* out) { writeText(ksxCell(code[0], code[1]), out); }

bool ksxHasMapping(const unsigned char* code) {
  const Utf8Cell cell = ksxCell(code[0], code[1]);
  if (cell.bytes[0] == 0) return false;  // an empty cell: the tour shows the mark
  if (std::memcmp(cell.bytes, kReplacementUtf8.bytes, sizeof cell.bytes) != 0) return true;
  // A2C3 is the mark itself, the one code whose own character it is.
  return code[0] == 0xA2 && code[1] == 0xC3;
}

}  // namespace tourwright
