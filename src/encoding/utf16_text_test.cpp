#include "encoding/utf16_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "encoding/code_point.h"
#include "encoding/transcoder.h"
#include "test_support.h"

namespace tourwright {
namespace {

std::u16string toUtf16(const std::string& text) {
  std::vector<char16_t> units(text.size() + 1);
  size_t count = internalTextToUtf16(text.data(), text.size(), units.data());
  EXPECT_LE(count, text.size()) << "more units than bytes";
  return std::u16string(units.data(), count);
}

// UTF-16 back to UTF-8, to compare with the tour XML's conversion.
std::string toUtf8(const std::u16string& units) {
  std::string text;
  for (size_t i = 0; i < units.size(); ++i) {
    int codePoint = units[i];
    if (codePoint >= 0xD800 && codePoint <= 0xDBFF && i + 1 < units.size()) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (units[++i] - 0xDC00);
    }
    char utf8[kUtf8Max];
    text += codePointToUtf8(codePoint, utf8);
  }
  return text;
}

std::string transcoded(const std::string& text) {
  FILE* out = std::tmpfile();
  transcodeLine(text.data(), text.size(), out);
  std::string result = testing_support::readStream(out);
  std::fclose(out);
  return result;
}

TEST(Utf16TextTest, ShowsEachCharacterAsTheTourXmlDoes) {
  const std::u16string expected = u"Scene 1: \uAC00 \U0001F600 \uAC00 \u25A3 x \uFFFD\n";
  EXPECT_EQ(toUtf16("Scene 1: \xB0\xA1 &#128512; U+AC00 \x80 x &#0;\n"), expected);
  EXPECT_EQ(toUtf16("U+D83DU+DE00 U+0000."), u"\U0001F600 .");
  EXPECT_EQ(toUtf16(std::string("ab\0cd\nef", 8)), u"abef");
}

// Any bytes: the UTF-16 text says what the tour XML's UTF-8 says.
TEST(Utf16TextTest, AgreesWithTheTourXmlConversionOnAnyBytes) {
  const std::string pieces[] = {"\xB0", "\xA1", "\xCA", "\xFE", "\x81", "\x21", "&#", "U+",
                                "D83D", "DE00", "55357", "56832", ";", "0", "9", "\n",
                                std::string(1, '\0'), "a", "\xFF", "&#1114112;"};
  std::mt19937 random(14);
  for (int round = 0; round < 3000; ++round) {
    std::string text;
    for (int n = random() % 12; n > 0; --n) text += pieces[random() % std::size(pieces)];
    EXPECT_EQ(toUtf8(toUtf16(text)), transcoded(text)) << testing::PrintToString(text);
  }
}

}  // namespace
}  // namespace tourwright
