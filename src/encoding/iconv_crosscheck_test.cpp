// Cross-check of the generated tables against the C library's CP949
// converter: every code of the KS X 1001 rows in one direction, every BMP
// code point in the other. Only the deliberate departures of the program's
// code page may differ, each counted.
#if __has_include(<iconv.h>)

#include <iconv.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "encoding/code_point.h"
#include "encoding/ksx_to_unicode.h"
#include "encoding/unicode_to_ksx.h"

namespace tourwright {
namespace {

// One iconv(3) conversion descriptor; convert() gives false where the
// library cannot convert the input.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (ok()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  bool convert(const char* input, size_t length, std::string* output) {
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    char in[8];
    std::memcpy(in, input, length);
    char out[16];
    char* inPointer = in;
    char* outPointer = out;
    size_t inLeft = length;
    size_t outLeft = sizeof out;
    if (iconv(cd_, &inPointer, &inLeft, &outPointer, &outLeft) == static_cast<size_t>(-1) || inLeft != 0) {
      return false;
    }
    output->assign(out, sizeof out - outLeft);
    return true;
  }

 private:
  iconv_t cd_;
};

std::string ours(unsigned lead, unsigned trail) {
  const unsigned char code[2] = {static_cast<unsigned char>(lead), static_cast<unsigned char>(trail)};
  char out[kUtf8Max];
  ksxToUtf8(code, out);
  return out;
}

std::string utf8Of(int codePoint) {
  char out[kUtf8Max];
  return codePointToUtf8(codePoint, out);
}

bool isKsx1001Code(const std::string& bytes) {
  return bytes.size() == 2 && static_cast<unsigned char>(bytes[0]) >= 0xA1 &&
         static_cast<unsigned char>(bytes[1]) >= 0xA1;
}

std::string reference(int codePoint) {
  char text[16];
  std::snprintf(text, sizeof text, "&#%05d;", codePoint);
  return text;
}

TEST(IconvCrossCheck, KsxRowsToUnicode) {
  Converter library("UTF-8", "CP949");
  if (!library.ok()) GTEST_SKIP() << "the C library has no CP949 converter";
  const std::string mark = utf8Of(kReplacementMark);
  std::map<std::string, int> differences;
  int agreements = 0;
  for (unsigned lead = 0xA1; lead <= 0xFD; ++lead) {
    if ((lead >= 0xAD && lead <= 0xAF) || lead == 0xC9) continue;
    for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
      const char code[2] = {static_cast<char>(lead), static_cast<char>(trail)};
      std::string theirs;
      const bool converted = library.convert(code, 2, &theirs);
      const std::string mine = ours(lead, trail);
      if (converted && theirs == mine) {
        ++agreements;
        continue;
      }
      int theirCodePoint = -1;
      if (converted) decodeUtf8(reinterpret_cast<const unsigned char*>(theirs.data()), theirs.size(), &theirCodePoint);
      const unsigned code16 = lead * 256 + trail;
      if (code16 == 0xA1AD && theirCodePoint == 0x223C && mine == "~") {
        ++differences["A1AD tilde"];
      } else if (mine == "?" && !converted) {
        ++differences["empty in 1987, unknown to the library"];
      } else if (mine == "?" && (code16 == 0xA2E6 || code16 == 0xA2E7)) {
        ++differences["euro and registered signs of 1998"];
      } else if ((code16 == 0xA2A1 && mine == utf8Of(0x2192)) || (code16 == 0xA2A2 && mine == utf8Of(0x2194))) {
        ++differences["double arrows read as single arrows"];
      } else if (mine == mark && theirCodePoint >= 0xF900 && theirCodePoint <= 0xFA0B) {
        ++differences["compatibility ideographs"];
      } else if (code16 == 0xCDE7 && theirCodePoint == 0x6C68 && mine == utf8Of(0x6C69)) {
        ++differences["CDE7 as U+6C69"];
      } else {
        ADD_FAILURE() << std::hex << code16 << ": library U+" << theirCodePoint << ", ours " << mine;
      }
    }
  }
  const std::map<std::string, int> expected = {
      {"A1AD tilde", 1},
      {"empty in 1987, unknown to the library", 140},
      {"euro and registered signs of 1998", 2},
      {"double arrows read as single arrows", 2},
      {"compatibility ideographs", 268},
      {"CDE7 as U+6C69", 1},
  };
  EXPECT_EQ(differences, expected);
  EXPECT_EQ(agreements, 8366 - 414);
}

TEST(IconvCrossCheck, UnicodeToKsxRows) {
  Converter library("CP949", "UTF-32LE");
  if (!library.ok()) GTEST_SKIP() << "the C library has no CP949 converter";
  std::map<std::string, int> differences;
  int sameCode = 0;
  int sameAscii = 0;
  int referenceBoth = 0;
  for (int codePoint = 0; codePoint <= 0xFFFF; ++codePoint) {
    const char unit[4] = {static_cast<char>(codePoint & 0xFF), static_cast<char>(codePoint >> 8), 0, 0};
    std::string theirs;
    const bool converted = library.convert(unit, 4, &theirs);
    const std::string mine = unicodeToKsx(codePoint);
    if (converted && theirs == mine) {
      ++(mine.size() == 1 ? sameAscii : sameCode);
    } else if (!converted && mine == reference(codePoint)) {
      ++referenceBoth;
    } else if (codePoint == 0 && theirs == std::string(1, '\0') && mine.empty()) {
      ++differences["U+0000 as empty text"];
    } else if (converted && !isKsx1001Code(theirs) && theirs.size() == 2 && mine == reference(codePoint)) {
      ++differences["code page 949 Hangul outside KS X 1001"];
    } else if ((codePoint == 0x223C || codePoint == 0x20AC || codePoint == 0x00AE || codePoint == 0x6C68) &&
               isKsx1001Code(theirs) && mine == reference(codePoint)) {
      ++differences["characters without a record"];
    } else if (codePoint == 0x6C69 && !converted && mine == "\xCD\xE7") {
      ++differences["U+6C69 as CDE7"];
    } else if (codePoint >= 0xF900 && codePoint <= 0xFA0B && isKsx1001Code(theirs) && isKsx1001Code(mine)) {
      ++differences["compatibility ideographs as their twin"];
    } else {
      ADD_FAILURE() << std::hex << "U+" << codePoint << ": library " << (converted ? theirs : "(none)")
                    << ", ours " << mine;
    }
  }
  const std::map<std::string, int> expected = {
      {"U+0000 as empty text", 1},
      {"code page 949 Hangul outside KS X 1001", 8822},
      {"characters without a record", 4},
      {"U+6C69 as CDE7", 1},
      {"compatibility ideographs as their twin", 268},
  };
  EXPECT_EQ(differences, expected);
  EXPECT_EQ(sameAscii, 127);
  EXPECT_EQ(sameCode, 7955 - 1);  // every record but U+6C69's
  EXPECT_EQ(referenceBoth, 65536 - 127 - 7954 - 1 - 8822 - 4 - 1 - 268);
}

}  // namespace
}  // namespace tourwright

#endif  // __has_include(<iconv.h>)
