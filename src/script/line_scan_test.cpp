#include "script/line_scan.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

namespace tourwright {
namespace {

LineText textOf(const std::string& text) { return lineTextOf(text.data(), text.size()); }

// strtof is the reference for numbers: the same prefix, the same float.
TEST(ScanNumberTest, ReadsWhatStrtofReads) {
  const std::string half = "7.00649232162408535461864791644958065640130970938257885878534141944"
                           "895541342930300743319094181060791015625";  // 2^-150 / 1e-46, a tie
  const std::string inputs[] = {
      "0.5", "  -1.5e2x", "1e", "1e+", "1E-2", "0x", "0X.p1", "0x1.8p1", "0x1p", "0xAbp-2g",
      ".5", "5.", "-0", "+7", "inf", "-Infinity", "infinit", "INFx", "nan", "-nan",
      "NaN(x_1)z", "nan(x", "1e39", "-1e-50", "1.4e-45", "3.4028235e38", "0.1", "16777217",
      "1e999999999999999999999", "1e-999999999999999999999", half + "e-46", half + "0001e-46",
      "16777217." + std::string(200, '0'), "16777217." + std::string(200, '0') + "1",
      "1" + std::string(4999, '0') + "e-4999", "0." + std::string(4000, '0') + "1e4001",
      "0x1.000001" + std::string(50, '0') + "1", "0x1" + std::string(60, '0') + "p-240",
      std::string(300, '9') + "e-300", ".", "-", "+.e1", "$1", "", "   ", "e5", "x1"};
  for (const std::string& input : inputs) {
    SCOPED_TRACE(input.substr(0, 60));
    char* expectedEnd;
    float expected = std::strtof(input.c_str(), &expectedEnd);
    float value = 12345.0f;
    LineText text = textOf(input);
    size_t after = scanNumber(&text, 0, text.length, &value);
    if (expectedEnd == input.c_str()) {
      EXPECT_EQ(after, kNoMatch);
      EXPECT_EQ(value, 12345.0f);
      continue;
    }
    EXPECT_EQ(static_cast<ptrdiff_t>(after), expectedEnd - input.c_str());
    if (std::isnan(expected)) {
      EXPECT_TRUE(std::isnan(value));
      EXPECT_EQ(std::signbit(value), std::signbit(expected));
    } else {
      EXPECT_EQ(std::memcmp(&value, &expected, sizeof value), 0) << value << " vs " << expected;
    }
  }
}

// Past what some C libraries read whole (the Windows runtime's strtof gives
// 0 for this text), the short copy still reads the number exactly.
TEST(ScanNumberTest, ReadsAHundredAndFiftyThousandDigits) {
  const std::string digits = "0." + std::string(150000, '0') + "1e150001";
  LineText text = textOf(digits);
  float value = 0;
  EXPECT_EQ(scanNumber(&text, 0, text.length, &value), text.length);
  EXPECT_EQ(value, 1.0f);
}

TEST(ScanNumberTest, StopsAtTheEndOfItsPiece) {
  const std::string number = "1.25e3";
  LineText text = textOf(number);
  float value = 0;
  EXPECT_EQ(scanNumber(&text, 0, 4, &value), 4u);
  EXPECT_EQ(value, 1.25f);
}

TEST(ScanIntegerTest, ReadsSignAndDigitsClampedToInt) {
  struct Case {
    std::string input;
    bool matches;
    int value;
    size_t consumed;
  };
  const Case cases[] = {
      {"42", true, 42, 2},
      {"-5", true, -5, 2},
      {"+7", true, 7, 2},
      {" \t\v\f\r\n 3", true, 3, 8},
      {"2147483647", true, INT_MAX, 10},
      {"2147483648", true, INT_MAX, 10},
      {"-2147483648", true, INT_MIN, 11},
      {"-2147483649", true, INT_MIN, 11},
      {"99999999999999999999999", true, INT_MAX, 23},
      {"-" + std::string(5000, '9'), true, INT_MIN, 5001},
      {"0012abc", true, 12, 4},
      {"12.5", true, 12, 2},
      {"-", false, 0, 0},
      {"+", false, 0, 0},
      {"- 1", false, 0, 0},
      {"x1", false, 0, 0},
      {"", false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 30));
    int value = -77;
    LineText text = textOf(c.input);
    size_t after = scanInteger(&text, 0, text.length, &value);
    if (!c.matches) {
      EXPECT_EQ(after, kNoMatch);
      EXPECT_EQ(value, -77);
      continue;
    }
    EXPECT_EQ(value, c.value);
    EXPECT_EQ(after, c.consumed);
  }
}

TEST(CopyCutTest, CutsWholePiecesOnly) {
  struct Case {
    std::string input;
    size_t capacity;
    std::string expected;
    bool cut;
    bool leadDropped = false;
  };
  const Case cases[] = {
      {"abcde", 6, "abcde", false},
      {"abcdefg", 6, "abcde", true},
      {"abc\xB0\xA1", 6, "abc\xB0\xA1", false},
      {"abcd\xB0\xA1", 6, "abcd", true},       // a two-byte character across the cut
      {"abc\xA1$", 6, "abc\xA1$", false},      // a trail byte below 0x80 stays with its lead
      {"abcd\x80\xA1", 6, "abcd", true},       // 0x80 is a lead byte too
      {"abc\xB0", 6, "abc", false, true},      // a lead byte at the very end is dropped
      {"abc\xB0", 4, "abc", true},             // ...or cut
      {"ab&#12345;", 6, "ab", true},           // a reference across the cut
      {"ab&#123;x", 9, "ab&#123;", true},
      {"ab&#123;x", 8, "ab", true},            // its ';' belongs to it
      {"&#12c", 5, "&#12", true},              // a reference without ';'
      // "&#" before anything but a decimal digit is plain text.
      {"a&#", 3, "a&", true},
      {"ab&#x41;", 5, "ab&#", true},
      {"ab&#x41;", 4, "ab&", true},
      {"&#;&#", 4, "&#;", true},
      {"abU+AC00", 6, "ab", true},             // a code point notation across the cut
      {"U+AC00", 7, "U+AC00", false},
      {"abU+ac0f", 6, "ab", true},             // either case of hexadecimal digit
      // "U+" before anything but four hexadecimal digits is plain text.
      {"abU+Seoul", 7, "abU+Se", true},
      {"abU+A\xB0\xA1\xB0\xA1", 8, "abU+A\xB0\xA1", true},  // no lead byte left alone
      {"abU+AC0", 6, "abU+A", true},
      {"abU+", 4, "abU", true},
      {"&#" + std::string(200, '1'), 128, "", true},
      {std::string(300, 'w'), 128, std::string(127, 'w'), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input.substr(0, 30));
    char field[256];
    std::memset(field, 'Z', sizeof field);
    LineText text = textOf(c.input);
    CutResult result = copyCut(&text, 0, text.length, field, c.capacity);
    EXPECT_EQ(result.cut, c.cut);
    EXPECT_EQ(result.leadDropped, c.leadDropped);
    EXPECT_EQ(std::string(field), c.expected);
    EXPECT_EQ(field[c.capacity], 'Z') << "written past the field";
  }
}

TEST(FindDollarTest, FindsTheFirstDollarByte) {
  // "\xEA\xB6\x81$" is the UTF-8 of a Hangul syllable before the "$".
  const std::string texts[] = {"ab$cd", "\xA1$x$y", "\xEA\xB6\x81$t", "no dollar", "\xB0\xA1$"};
  const int positions[] = {2, 1, 3, -1, 2};
  for (int i = 0; i < 5; ++i) {
    LineText text = textOf(texts[i]);
    size_t found = findDollar(&text, 0, text.length);
    EXPECT_EQ(found == kNoMatch ? -1 : static_cast<int>(found), positions[i]) << i;
  }
}

TEST(ScanFieldsTest, StopsAtTheFirstFieldThatDoesNotMatch) {
  char word[8];
  char second[8];
  int integer = -1;
  float number = -1;
  const ScanField format[] = {wordInto(word), integerInto(&integer), numberInto(&number),
                              wordInto(second)};
  struct Case {
    std::string line;
    int filled;
    const char* word;
    int integer;
    float number;
    const char* second;
    bool cut;
  };
  const Case cases[] = {
      {"file 2 0.5 $cap", 4, "file", 2, 0.5f, "$cap", false},
      {"  file\t2\v1e5x $cap", 4, "file", 2, 1e5f, "x", false},
      {"file 2.5 $c", 4, "file", 2, 0.5f, "$c", false},
      {"file x 0.5 $c", 1, "file", -1, -1, "", false},
      {"verylongword 7 1 y", 4, "verylon", 7, 1, "y", true},  // the cut word's rest is skipped
      {"   ", 0, "", -1, -1, "", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    word[0] = second[0] = '\0';
    integer = -1;
    number = -1;
    LineText text = textOf(c.line);
    ScanResult result = scanFields(&text, 0, text.length, format, 4);
    EXPECT_EQ(result.filled, c.filled);
    EXPECT_STREQ(word, c.word);
    EXPECT_EQ(integer, c.integer);
    EXPECT_EQ(number, c.number);
    EXPECT_STREQ(second, c.second);
    EXPECT_EQ(result.cut, c.cut);
  }
}

}  // namespace
}  // namespace tourwright
