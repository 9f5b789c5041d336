#include "encoding/internal_text.h"

#include <cstring>

#include "encoding/code_point.h"
#include "encoding/escape.h"
#include "encoding/transcoder.h"

namespace tourwright {

void appendUtf8FromCodePage(const char* text, size_t length, std::string* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + length;
  char utf8[8];
  while (p < end && *p != 0) {
    int codePoint = 0;
    size_t used = 0;
    if (*p >= 0x80) {
      used = readCodePageCharacter(p, end, &codePoint);
    } else if (*p == '&' || *p == 'U') {
      used = readEscapedCharacter(p, end, &codePoint);
      if (used > 0 && codePoint < 0) {  // "U+0000" stands for nothing
        p += used;
        continue;
      }
    }
    if (used == 0) {
      out->push_back(static_cast<char>(*p++));
      continue;
    }
    codePointToUtf8(codePoint, utf8);
    out->append(utf8);
    p += used;
  }
}

std::string utf8FromField(const char* field) {
  std::string text;
  appendUtf8FromCodePage(field, std::strlen(field), &text);
  return text;
}

}  // namespace tourwright
