// Korean code page to Unicode: one two-byte code (lead, trail) to the UTF-8
// text of the character it stands for.
//
// The code page is KS X 1001 (symbols A1..AC, Hangul B0..C8, Hanja CA..FD,
// trail bytes A1..FE) plus the extended Hanja area (leads A1..FE with trail
// bytes 21..A0, and the exception codes of leads 91..A0). A code without a
// mapping gives the replacement mark U+25A3; no lookup reads outside a table.
#ifndef TOURWRIGHT_ENCODING_KSX_TO_UNICODE_H_
#define TOURWRIGHT_ENCODING_KSX_TO_UNICODE_H_

namespace tourwright {

// The UTF-8 text of one character, NUL-padded to four bytes (a four-byte
// text fills the cell); an empty cell means no mapping.
struct Utf8Cell {
  char bytes[4];
};

// The UTF-8 text of every code with a lead byte of 0x80 or above, at
// rows[lead - 0x80].cells[trail]: what ksxToUtf8 gives for it, or the
// replacement mark where that is empty. Made when the program is built, so
// a run pays nothing for it. (A byte below 0x80 is never a lead byte.)
constexpr int kKsxFirstLead = 0x80;
constexpr int kKsxLeadCount = 128;
struct KsxPairRow {
  Utf8Cell cells[256];
};
struct KsxPairTable {
  KsxPairRow rows[kKsxLeadCount];
};
extern const KsxPairTable kKsxPairTable;

// Trail bytes below this cannot belong to a two-byte code: such a lead byte
// stands alone, so a line end after it is never taken as its trail.
constexpr unsigned char kLowestTrail = 0x21;

// Symbol and Hangul rows (leads A1..C8 with trail >= A1). `out` holds at
// least kUtf8Max bytes and receives NUL-terminated UTF-8.
void ksxSymbolHangulToUtf8(const unsigned char* code, char* out);
// Every other two-byte code: KS X 1001 Hanja and the extended Hanja area.
void ksxHanjaToUtf8(const unsigned char* code, char* out);
// The linear Hanja index of a code, 1..19877, or 0 when it has none.
int hanjaIndex(const unsigned char* code);

// The caller's choice between the two above, in one call.
void ksxToUtf8(const unsigned char* code, char* out);

// True when the tables give the code a character of its own; false when
// ksxToUtf8 gives the replacement mark for want of one.
bool ksxHasMapping(const unsigned char* code);

}  // namespace tourwright

#endif  // TOURWRIGHT_ENCODING_KSX_TO_UNICODE_H_
