#include "encoding/ksx_to_unicode.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "encoding/code_point.h"

namespace tourwright {
namespace {

const char kMark[] = "\xE2\x96\xA3";

std::string decode(unsigned lead, unsigned trail) {
  const unsigned char code[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
  char out[kUtf8Max];
  std::memset(out, 0x55, sizeof out);
  ksxToUtf8(code, out);
  return std::string(out, strnlen(out, sizeof out));
}

int indexOf(unsigned lead, unsigned trail) {
  const unsigned char code[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
  return hanjaIndex(code);
}

std::string hex(const std::string& bytes) {
  std::string text;
  for (unsigned char c : bytes) {
    char part[4];
    std::snprintf(part, sizeof part, "%02X ", c);
    text += part;
  }
  return text;
}

struct DecodeCase {
  unsigned lead, trail;
  const char* utf8;
  const char* why;
};

TEST(KsxToUtf8, SymbolAndHangulRows) {
  const DecodeCase cases[] = {
      {0xB0, 0xA1, "\xEA\xB0\x80", "first Hangul U+AC00"},
      {0xC8, 0xFE, "\xED\x9E\x9D", "last Hangul U+D79D"},
      {0xA1, 0xA1, "\xE3\x80\x80", "ideographic space"},
      {0xA1, 0xA4, "\xC2\xB7", "middle dot takes two bytes"},
      {0xA1, 0xAD, "~", "tilde is ASCII"},
      {0xA2, 0xA1, "\xE2\x86\x92", "double arrow reads as U+2192"},
      {0xA2, 0xA2, "\xE2\x86\x94", "double arrow reads as U+2194"},
      {0xA1, 0xE6, "\xE2\x86\x92", "U+2192 itself"},
      {0xA1, 0xEA, "\xE2\x86\x94", "U+2194 itself"},
      {0xA2, 0xE6, "?", "euro sign of 1998 is not mapped"},
      {0xA2, 0xE7, "?", "registered sign of 1998 is not mapped"},
      {0xA2, 0xE8, "?", "empty cell"},
      {0xAC, 0xF2, "?", "first empty cell of row AC"},
      {0xAC, 0xFE, "?", "last empty cell of row AC"},
      {0xA4, 0xD4, "\xE3\x85\xA4", "Hangul filler U+3164"},
      {0xA3, 0xDC, "\xEF\xBF\xA6", "fullwidth won sign"},
      {0xAD, 0xA1, kMark, "row AD is empty"},
      {0xAF, 0xFE, kMark, "row AF is empty"},
      {0xC8, 0xFF, kMark, "trail FF after the last Hangul row"},
      {0xB0, 0xFF, kMark, "trail FF in a Hangul row"},
      {0xAC, 0xFF, kMark, "trail FF in a symbol row"},
  };
  for (const DecodeCase& c : cases) {
    EXPECT_EQ(hex(decode(c.lead, c.trail)), hex(c.utf8)) << std::hex << c.lead << c.trail << ": " << c.why;
  }
}

TEST(KsxToUtf8, HanjaRowsAndExtendedArea) {
  const DecodeCase cases[] = {
      {0xCA, 0xA1, "\xE4\xBC\xBD", "first Hanja U+4F3D"},
      {0xFD, 0xFE, "\xE8\xA9\xB0", "last Hanja U+8A70"},
      {0xCD, 0xE7, "\xE6\xB1\xA9", "CDE7 reads as U+6C69"},
      {0xCB, 0xD0, kMark, "compatibility ideograph U+F900"},
      {0xD0, 0xDD, kMark, "second code of U+91D1"},
      {0xD1, 0xD1, "\xE9\x87\x91", "U+91D1"},
      {0xC9, 0xA1, kMark, "row C9 is empty"},
      {0xFE, 0xA1, kMark, "lead FE has no KS X 1001 row"},
      {0xFF, 0xA1, kMark, "lead FF"},
      {0xCA, 0xFF, kMark, "trail FF in a Hanja row"},
      {0xA1, 0x21, "\xE4\xBB\xAE", "first extended cell U+4EEE"},
      {0xA1, 0x22, "\xE5\x82\xA2", "U+50A2"},
      {0xA1, 0x41, "\xE5\x99\xB6", "a Hangul syllable in code page 949, U+5676 here"},
      {0xA1, 0x7F, "\xE9\xA7\x8F", "trail 7F belongs to the area, U+99CF"},
      {0xA1, 0x80, "\xE6\x8F\xB5", "trail 80 belongs to the area, U+63F5"},
      {0xA1, 0xA0, "\xE5\x97\x9B", "last trail of a lead, U+55DB"},
      {0xB0, 0x43, "\xF0\xA7\xB3\xAF", "K1-6B6B is U+27CEF, four bytes"},
      {0xB7, 0x49, kMark, "first cell after the KS X 1002 Hanja"},
      {0xB8, 0x93, "\xE8\xB8\x81", "empty cell named by the exception list, U+8E01"},
      {0xEF, 0x66, kMark, "empty cell without an exception"},
      {0xFE, 0x22, "\xE9\x9C\xB1", "U+9731"},
      {0xFE, 0x24, "\xE9\x87\x9B", "U+91DB"},
      {0xFE, 0x2D, kMark, "last cell of the area, empty"},
      {0xFE, 0x6E, kMark, "past the area: does not borrow the pair of 9961"},
      {0xFE, 0xA0, kMark, "past the area"},
      {0xFF, 0x21, kMark, "lead FF"},
      {0x99, 0x61, "\xE5\xB7\x99", "exception in lead 99, U+5DD9"},
      {0x99, 0x62, kMark, "lead 99 without an exception"},
      {0x93, 0x76, "\xE7\xA8\xA1", "last exception pair, U+7A21"},
      {0x89, 0x61, kMark, "leads 89..90 hold nothing"},
      {0x81, 0x41, kMark, "code page 949 Hangul outside KS X 1001"},
      {0xA1, 0x20, kMark, "trail below 21"},
      {0xA1, 0x00, kMark, "trail 00"},
  };
  for (const DecodeCase& c : cases) {
    EXPECT_EQ(hex(decode(c.lead, c.trail)), hex(c.utf8)) << std::hex << c.lead << c.trail << ": " << c.why;
  }
}

TEST(HanjaIndex, FormulasAndBounds) {
  const struct {
    unsigned lead, trail;
    int index;
  } cases[] = {
      {0xCA, 0xA1, 1},      {0xCA, 0xFE, 94},     {0xCB, 0xA1, 95},     {0xFD, 0xFE, 4888},
      {0xA1, 0x21, 4889},   {0xA1, 0xA0, 5016},   {0xA2, 0x21, 5017},   {0xFE, 0x2D, 16805},
      {0x99, 0x21, 16806},  {0xA0, 0xA0, 17829},  {0x91, 0x21, 17830},  {0x98, 0xA0, 18853},
      {0x89, 0x21, 18854},  {0x90, 0xA0, 19877},  {0x88, 0x21, 0},      {0x80, 0x80, 0},
      {0xC9, 0xA1, 0},      {0xB0, 0xA1, 0},      {0xA1, 0xA1, 0},      {0xFE, 0x2E, 0},
      {0xFE, 0xA0, 0},      {0xFE, 0xA1, 0},      {0xFF, 0x21, 0},      {0xFF, 0xFF, 0},
      {0xCA, 0xFF, 0},      {0xFD, 0xFF, 0},      {0xA1, 0x20, 0},      {0x89, 0x00, 0},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(indexOf(c.lead, c.trail), c.index) << std::hex << c.lead << c.trail;
  }
}

// Every byte pair with a lead of 80 or above gives one whole character of
// valid UTF-8 within the buffer (under AddressSanitizer this also proves that
// no lookup leaves its table).
TEST(KsxToUtf8, EveryPairGivesOneValidCharacter) {
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0x00; trail <= 0xFF; ++trail) {
      std::string text = decode(lead, trail);
      ASSERT_GE(text.size(), 1u) << std::hex << lead << trail;
      ASSERT_LE(text.size(), 4u) << std::hex << lead << trail;
      int codePoint = 0;
      ASSERT_EQ(decodeUtf8(reinterpret_cast<const unsigned char*>(text.data()), text.size(), &codePoint),
                static_cast<int>(text.size()))
          << std::hex << lead << trail;
    }
  }
}

// A code has a mapping exactly when it gives something other than the mark,
// and the one code whose own character is the mark (A2 C3) has one.
TEST(KsxHasMapping, AgreesWithTheMarkOfEveryPair) {
  for (unsigned lead = 0x80; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0x00; trail <= 0xFF; ++trail) {
      const unsigned char code[2] = {static_cast<unsigned char>(lead),
                                     static_cast<unsigned char>(trail)};
      bool markCode = lead == 0xA2 && trail == 0xC3;
      ASSERT_EQ(ksxHasMapping(code), decode(lead, trail) != kMark || markCode)
          << std::hex << lead << " " << trail;
    }
  }
  const unsigned char extraHangul[2] = {0x8C, 0x63};  // outside the tour code page
  EXPECT_FALSE(ksxHasMapping(extraHangul));
}

// In the area of leads 80..A0 only the exception list supplies characters.
TEST(KsxToUtf8, LowLeadsHoldOnlyTheListedExceptions) {
  int mapped = 0;
  for (unsigned lead = 0x80; lead <= 0xA0; ++lead) {
    for (unsigned trail = 0x00; trail <= 0xFF; ++trail) {
      if (decode(lead, trail) != kMark) ++mapped;
    }
  }
  EXPECT_EQ(mapped, 18);
}

// The transcoder's build-time table against the lookup it stands for, for
// every code that has a lead byte.
TEST(KsxPairTable, HoldsWhatKsxToUtf8GivesForEveryCode) {
  int differing = 0;
  for (unsigned lead = kKsxFirstLead; lead <= 0xFF; ++lead) {
    for (unsigned trail = 0x00; trail <= 0xFF; ++trail) {
      std::string expected = decode(lead, trail);
      if (expected.empty()) expected = kMark;
      const Utf8Cell& cell = kKsxPairTable.rows[lead - kKsxFirstLead].cells[trail];
      std::string text(cell.bytes, strnlen(cell.bytes, sizeof cell.bytes));
      if (text != expected && differing++ == 0) {
        ADD_FAILURE() << std::hex << lead << " " << trail << ": " << hex(text) << "against " << hex(expected);
      }
    }
  }
  EXPECT_EQ(differing, 0);
}

}  // namespace
}  // namespace tourwright
