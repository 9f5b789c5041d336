#include "encoding/utf16_text.h"

#include <cstring>

#include "encoding/escape.h"
#include "encoding/transcoder.h"

namespace tourwright {

namespace {

char16_t* putCodePoint(int codePoint, char16_t* out) {
  if (codePoint > 0xFFFF) {
    codePoint -= 0x10000;
    *out++ = static_cast<char16_t>(0xD800 + (codePoint >> 10));
    *out++ = static_cast<char16_t>(0xDC00 + (codePoint & 0x3FF));
  } else {
    *out++ = static_cast<char16_t>(codePoint);
  }
  return out;
}

}  // namespace

size_t internalTextToUtf16(const char* text, size_t length, char16_t* out) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + length;
  char16_t* start = out;
  while (p < end) {
    int codePoint;
    if (*p >= 0x80) {
      p += readCodePageCharacter(p, end, &codePoint);
      out = putCodePoint(codePoint, out);
    } else if (*p == 0) {
      const void* feed = std::memchr(p, '\n', static_cast<size_t>(end - p));
      if (feed == nullptr) break;
      p = static_cast<const unsigned char*>(feed) + 1;
    } else if (size_t escaped = readEscapedCharacter(p, end, &codePoint)) {
      if (codePoint >= 0) out = putCodePoint(codePoint, out);
      p += escaped;
    } else {
      *out++ = *p++;
    }
  }
  return static_cast<size_t>(out - start);
}

}  // namespace tourwright
