#include "encoding/unicode_to_ksx.h"

#include <cstdio>

namespace tourwright {

// Placeholder until the generated tables land.
const char* unicodeToKsx(int codePoint) {
  static char text[256];
  if (codePoint >= 0 && codePoint < 0x80) {
    text[0] = static_cast<char>(codePoint);
    text[1] = '\0';
  } else {
    std::snprintf(text, sizeof text, "&#%05d;", codePoint);
  }
  return text;
}

}  // namespace tourwright
