#include "preview/preview_text.h"

#include "encoding/code_point.h"

namespace tourwright {

void appendJsonString(const std::string& text, std::string* out) {
  static const char kHex[] = "0123456789abcdef";
  out->push_back('"');
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text.data());
  const unsigned char* end = p + text.size();
  while (p < end) {
    unsigned char c = *p;
    if (c >= 0x80) {
      int codePoint = 0;
      int used = decodeUtf8(p, static_cast<size_t>(end - p), &codePoint);
      if (used == 0) {
        out->append("\xEF\xBF\xBD");
        ++p;
      } else {
        out->append(reinterpret_cast<const char*>(p), static_cast<size_t>(used));
        p += used;
      }
      continue;
    }
    if (c == '"' || c == '\\') {
      out->push_back('\\');
      out->push_back(static_cast<char>(c));
    } else if (c < 0x20 || c == 0x7F) {
      out->append("\\u00");
      out->push_back(kHex[c >> 4]);
      out->push_back(kHex[c & 15]);
    } else if (c == '<') {
      out->append("\\u003c");  // never "</script>" should this text be inlined
    } else {
      out->push_back(static_cast<char>(c));
    }
    ++p;
  }
  out->push_back('"');
}

}  // namespace tourwright
