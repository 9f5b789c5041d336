#include "encoding/unicode_to_ksx.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "encoding/code_point.h"
#include "encoding/ksx_to_unicode.h"
#include "encoding/transcoder.h"

namespace tourwright {
namespace {

// File names are the file system's text: a UTF-8 name enters the code
// page, any other stays as it is; the transcoder shows either in UTF-8.
TEST(FileNameToKsx, Utf8NamesEnterTheCodePage) {
  struct Case {
    const char* name;
    const char* internal;
    const char* shown;
  } cases[] = {
      {"palace", "palace", "palace"},
      {"", "", ""},
      {"\xEA\xB6\x81\xEA\xB6\x90", "\xB1\xC3\xB1\xC8", "\xEA\xB6\x81\xEA\xB6\x90"},
      {"tour \xEA\xB6\x81-2", "tour \xB1\xC3-2", "tour \xEA\xB6\x81-2"},
      {"Caf\xC3\xA9", "Caf&#00233;", "Caf\xC3\xA9"},         // outside the code page
      {"\xF0\x9F\x98\x80", "&#128512;", "\xF0\x9F\x98\x80"},  // beyond U+FFFF
      {"\xB1\xC3\xB1\xC8", "\xB1\xC3\xB1\xC8", "\xEA\xB6\x81\xEA\xB6\x90"},  // code page bytes
      {"a\xC3", "a", "a"},  // neither: kept, less a last lead byte without its trail byte
      {"\xB1\xC3\xB1", "\xB1\xC3", "\xEA\xB6\x81"},
  };
  for (const Case& c : cases) {
    std::string internal = fileNameToKsx(c.name);
    EXPECT_EQ(internal, c.internal) << c.name;
    char shown[3 * kShortTextLimit + 1];
    transcodeShortText(internal.data(), internal.size(), shown);
    EXPECT_EQ(std::string(shown), c.shown) << c.name;
  }
}

TEST(UnicodeToKsx, EdgeValues) {
  const struct {
    int codePoint;
    const char* text;
  } cases[] = {
      {0x0041, "A"},
      {0x0000, ""},
      {0x007E, "~"},
      {0x007F, "\x7F"},
      {0x0080, "&#00128;"},
      {0x00A0, "&#00160;"},
      {0x00A1, "\xA2\xAE"},
      {0x00B7, "\xA1\xA4"},
      {0x3000, "\xA1\xA1"},
      {0x3164, "\xA4\xD4"},
      {0x33DD, "\xA7\xE9"},
      {0x33DE, "&#13278;"},
      {0xAC00, "\xB0\xA1"},
      {0xAC01, "\xB0\xA2"},
      {0xAC02, "&#44034;"},
      {0xD79D, "\xC8\xFE"},
      {0xD7A3, "&#55203;"},
      {0x4E00, "\xEC\xE9"},
      {0x9F9C, "\xCF\xCF"},
      {0x4E02, "&#19970;"},
      {0x3400, "&#13312;"},
      {0xF900, "\xD1\xC2"},
      {0xF90A, "\xD1\xD1"},
      {0xF92C, "\xD5\xCD"},
      {0xF9B8, "\xD6\xCB"},
      {0xFA0B, "\xCE\xA9"},
      {0xFA0C, "&#64012;"},
      {0x90CE, "&#37070;"},
      {0x6C69, "\xCD\xE7"},
      {0x6C68, "&#27752;"},
      {0x223C, "&#08764;"},
      {0x20AC, "&#08364;"},
      {0x00AE, "&#00174;"},
      {0x21D2, "\xA2\xA1"},
      {0xFF01, "\xA3\xA1"},
      {0xFF5E, "\xA2\xA6"},
      {0xFFE4, "&#65508;"},
      {0xFFE6, "\xA3\xDC"},
      {0xFFFF, "&#65535;"},
      {0xD83D, "&#55357;"},
      {0x4EEE, "&#20206;"},  // held only by the extended Hanja area
      {0x10000, "&#65536;"},
      {0x1F600, "&#128512;"},
      {0x27CEF, "&#163055;"},
      {0x10FFFF, "&#1114111;"},
      {0x110000, "&#65533;"},
      {-1, "&#65533;"},
      {-2147483647 - 1, "&#65533;"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(std::string(unicodeToKsx(c.codePoint)), c.text) << std::hex << "U+" << c.codePoint;
  }
}

TEST(UnicodeToKsx, EachCallOverwritesTheLast) {
  const char* first = unicodeToKsx(0xAC00);
  const char* second = unicodeToKsx(0x0080);
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "&#00128;");
}

int decodedCodePoint(unsigned lead, unsigned trail) {
  const unsigned char code[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
  char utf8[kUtf8Max];
  ksxToUtf8(code, utf8);
  int codePoint = -1;
  decodeUtf8(reinterpret_cast<const unsigned char*>(utf8), std::strlen(utf8), &codePoint);
  return codePoint;
}

// The two directions agree: every KS X 1001 code whose character has a
// record comes back as itself. The codes that do not are the "?" cells,
// A1AD (the ASCII tilde), A2A1/A2A2 (read as the single arrows) and the
// 268 compatibility cells (replacement mark).
TEST(UnicodeToKsx, RoundTripsEveryKsx1001Code) {
  int roundTrips = 0;
  for (unsigned lead = 0xA1; lead <= 0xFD; ++lead) {
    if (lead >= 0xAD && lead <= 0xAF) continue;
    if (lead == 0xC9) continue;
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
      const int codePoint = decodedCodePoint(lead, trail);
      const char* text = unicodeToKsx(codePoint);
      if (static_cast<unsigned char>(text[0]) == lead && static_cast<unsigned char>(text[1]) == trail) {
        ++roundTrips;
      } else {
        EXPECT_TRUE(codePoint == '?' || codePoint == '~' || codePoint == kReplacementMark ||
                    codePoint == 0x2192 || codePoint == 0x2194)
            << std::hex << lead << trail << " gives U+" << codePoint;
      }
    }
  }
  EXPECT_EQ(roundTrips, 7953);
}

// Each compatibility ideograph comes out as a code that reads back as a
// unified ideograph, never as one of the 268 second-reading codes.
TEST(UnicodeToKsx, CompatibilityIdeographsUseTheirUnifiedTwin) {
  for (int compat = 0xF900; compat <= 0xFA0B; ++compat) {
    const char* text = unicodeToKsx(compat);
    ASSERT_EQ(std::strlen(text), 2u) << std::hex << compat;
    const int twin = decodedCodePoint(static_cast<unsigned char>(text[0]), static_cast<unsigned char>(text[1]));
    EXPECT_TRUE(twin >= 0x4E00 && twin <= 0x9FFF) << std::hex << compat << " gives U+" << twin;
  }
}

}  // namespace
}  // namespace tourwright
