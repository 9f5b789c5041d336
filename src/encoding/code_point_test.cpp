#include "encoding/code_point.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace tourwright {
namespace {

TEST(Hex4ToUcs2, ReadsTwoPairsOfDigits) {
  const struct {
    const char* digits;
    char low, high;
  } cases[] = {
      {"D55C", '\x5C', '\xD5'},
      {"00e9", '\xE9', '\x00'},
      {"AC00", '\x00', '\xAC'},
      {"00b7", '\xB7', '\x00'},
      {"ffFF", '\xFF', '\xFF'},
      {"D55C and more", '\x5C', '\xD5'},  // only four characters count
      {"zz41", '\x41', '\x00'},           // a pair without a digit gives 0
      {"4g12", '\x12', '\x04'},           // a pair stops at its first non-digit
      {" 4 1", '\x01', '\x04'},           // white space before a pair is skipped
      {"12", '\x00', '\x12'},             // a NUL ends the copy early
      {"", '\x00', '\x00'},
  };
  for (const auto& c : cases) {
    char out[3] = {'x', 'x', 'x'};
    EXPECT_EQ(hex4ToUcs2(c.digits, out), out);
    EXPECT_EQ(out[0], c.low) << c.digits;
    EXPECT_EQ(out[1], c.high) << c.digits;
    EXPECT_EQ(out[2], '\0') << c.digits;
  }
}

TEST(CodePointToUtf8, ShortestFormAndReplacements) {
  const struct {
    int codePoint;
    const char* utf8;
  } cases[] = {
      {0x3F, "?"},
      {0x7E, "~"},
      {0x7F, "\x7F"},
      {0x80, "\xC2\x80"},
      {0xB7, "\xC2\xB7"},
      {0x391, "\xCE\x91"},
      {0x7FF, "\xDF\xBF"},
      {0x800, "\xE0\xA0\x80"},
      {0x3000, "\xE3\x80\x80"},
      {0x25A3, "\xE2\x96\xA3"},
      {0xAC00, "\xEA\xB0\x80"},
      {0xD7FF, "\xED\x9F\xBF"},
      {0xE000, "\xEE\x80\x80"},
      {0xFFFF, "\xEF\xBF\xBF"},
      {0x10000, "\xF0\x90\x80\x80"},
      {0x27CEF, "\xF0\xA7\xB3\xAF"},
      {0x10FFFF, "\xF4\x8F\xBF\xBF"},
      {0xD800, "\xEF\xBF\xBD"},  // a lone surrogate half is no character
      {0xDFFF, "\xEF\xBF\xBD"},
      {0x110000, "\xEF\xBF\xBD"},
      {-1, "\xEF\xBF\xBD"},
  };
  for (const auto& c : cases) {
    char out[kUtf8Max];
    std::memset(out, 'x', sizeof out);
    EXPECT_EQ(codePointToUtf8(c.codePoint, out), out);
    EXPECT_EQ(std::string(out, strnlen(out, sizeof out)), c.utf8) << std::hex << c.codePoint;
  }
  char out[kUtf8Max];
  codePointToUtf8(0, out);
  EXPECT_EQ(out[0], '\0');
}

TEST(Ucs2ToUtf8, ReadsTheLowByteFirst) {
  const struct {
    const char unit[2];
    const char* utf8;
  } cases[] = {
      {{'\x00', '\xAC'}, "\xEA\xB0\x80"},
      {{'\x7E', '\x00'}, "~"},
      {{'\xB7', '\x00'}, "\xC2\xB7"},
      {{'\xFF', '\xFF'}, "\xEF\xBF\xBF"},
  };
  for (const auto& c : cases) {
    char out[kUtf8Max];
    EXPECT_STREQ(ucs2ToUtf8(c.unit, out), c.utf8);
  }
}

TEST(DecodeUtf8, AcceptsOnlyWellFormedCharacters) {
  const struct {
    const char* bytes;
    int length;  // 0: rejected
    int codePoint;
  } cases[] = {
      {"A", 1, 0x41},
      {"\xC2\xB7", 2, 0xB7},
      {"\xEA\xB0\x80", 3, 0xAC00},
      {"\xF0\x9F\x98\x80", 4, 0x1F600},
      {"\xF4\x8F\xBF\xBF", 4, 0x10FFFF},
      {"\xC0\xAF", 0, 0},              // overlong
      {"\xE0\x80\xAF", 0, 0},          // overlong
      {"\xE0\x9F\xBF", 0, 0},          // U+07FF in three bytes: overlong
      {"\xED\xA0\x80", 0, 0},          // surrogate
      {"\xF4\x90\x80\x80", 0, 0},      // above U+10FFFF
      {"\xF8\x88\x80\x80\x80", 0, 0},  // five-byte form
      {"\x80", 0, 0},                  // stray continuation byte
      {"\xEA\xB0", 0, 0},              // cut short
      {"\xEA\x41\x80", 0, 0},          // continuation missing
  };
  for (const auto& c : cases) {
    int codePoint = -1;
    const int length = decodeUtf8(reinterpret_cast<const unsigned char*>(c.bytes), std::strlen(c.bytes), &codePoint);
    EXPECT_EQ(length, c.length) << c.bytes;
    if (c.length != 0) {
      EXPECT_EQ(codePoint, c.codePoint) << c.bytes;
    }
    EXPECT_EQ(isValidUtf8(c.bytes, std::strlen(c.bytes)), c.length == static_cast<int>(std::strlen(c.bytes)));
  }
}

// A text cut into pieces anywhere and joined reads as the whole: the same
// bytes in order, and, joined piece by piece, the same validity.
TEST(CodePointTest, JoinedPiecesReadAsTheWhole) {
  const char* texts[] = {"a\xEA\xB0\x80" "b\xF0\x9F\x98\x80\xC3\xA9", "\xEA\xB0\xEA\x80\x80",
                         "\x80\x80\x80\x80x", "\xF8\x88\x80\x80\x80", "ok\xC3"};
  static Utf8Joiner joiner;
  for (const char* text : texts) {
    const size_t length = std::strlen(text);
    for (size_t cut1 = 0; cut1 <= length; ++cut1) {
      for (size_t cut2 = cut1; cut2 <= length; ++cut2) {
        const size_t cuts[] = {0, cut1, cut2, length};
        startUtf8Joiner(&joiner);
        std::string joined;
        bool valid = true;
        for (int i = 0; i < 3; ++i) {
          const char* out;
          size_t outLength;
          joinUtf8Piece(&joiner, text + cuts[i], cuts[i + 1] - cuts[i], i == 2, &out, &outLength);
          joined.append(out, outLength);
          valid = valid && isValidUtf8(out, outLength);
        }
        EXPECT_EQ(joined, text) << cut1 << " " << cut2;
        EXPECT_EQ(valid, isValidUtf8(text, length)) << text << " cut at " << cut1 << " " << cut2;
      }
    }
  }
}

}  // namespace
}  // namespace tourwright
