#include "encoding/korean_reading.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tourwright {
namespace {

TEST(KoreanReadingTest, TheReadingUnderWhichTheTextIsKoreanWins) {
  struct Case {
    const char* name;
    std::vector<std::string> texts;
    bool codePage;
  };
  const Case cases[] = {
      {"Hangul codes that are also two-byte UTF-8", {"\xC8\xB2\xC8\xA3.tiles"}, true},
      {"Hanja code that is also two-byte UTF-8", {"\xD0\xA1"}, true},
      {"Hangul in UTF-8", {"\xED\x99\xA9\xED\x98\xB8"}, false},
      {"ASCII only", {"<image>"}, false},
      {"a two-byte sequence that is no Korean code", {"\xC8\xB2\xC9\xA1"}, false},
      {"one UTF-8 line among code page ones", {"\xC8\xB2", "a", "\xEA\xB0\x80"}, false},
      {"code page text over several lines", {"\xC8\xB2", "\xC8\xA3"}, true},
  };
  for (const Case& c : cases) {
    KoreanReading reading = {};
    for (const std::string& text : c.texts) noteKoreanReading(text.data(), text.size(), &reading);
    EXPECT_EQ(readsAsCodePage(reading), c.codePage) << c.name;
  }
}

}  // namespace
}  // namespace tourwright
