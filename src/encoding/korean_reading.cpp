#include "encoding/korean_reading.h"

#include "encoding/code_point.h"
#include "encoding/ksx_to_unicode.h"

namespace tourwright {

namespace {

bool isHangulOrHanja(int codePoint) {
  return (codePoint >= 0xAC00 && codePoint <= 0xD7A3) ||  // Hangul syllables
         (codePoint >= 0x3400 && codePoint <= 0x9FFF) ||  // CJK ideographs
         (codePoint >= 0xF900 && codePoint <= 0xFAFF) ||  // CJK compatibility ideographs
         (codePoint >= 0x20000 && codePoint <= 0x3FFFF);  // supplementary ideographs
}

bool isKoreanCode(unsigned char lead, unsigned char trail) {
  const unsigned char code[2] = {lead, trail};
  char text[kUtf8Max + 3] = {};
  ksxToUtf8(code, text);
  int codePoint = 0;
  if (decodeUtf8(reinterpret_cast<const unsigned char*>(text), sizeof text, &codePoint) == 0) {
    return false;
  }
  return isHangulOrHanja(codePoint);
}

}  // namespace

void noteKoreanReading(const char* text, size_t length, KoreanReading* reading) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t i = 0;
  while (i < length && !reading->otherSequences) {
    unsigned char lead = bytes[i];
    if (lead < 0x80) {
      ++i;
    } else if (lead <= 0xDF && i + 1 < length && isKoreanCode(lead, bytes[i + 1])) {
      reading->koreanCodePairs = true;
      i += 2;
    } else {
      reading->otherSequences = true;
    }
  }
}

}  // namespace tourwright
