#include "encoding/ksx_to_unicode.h"

#include "encoding/code_point.h"

namespace tourwright {

// Placeholder until the generated tables land.
void ksxSymbolHangulToUtf8(const unsigned char*, char* out) { codePointToUtf8(kReplacementMark, out); }
void ksxHanjaToUtf8(const unsigned char*, char* out) { codePointToUtf8(kReplacementMark, out); }
int hanjaIndex(const unsigned char*) { return 0; }

void ksxToUtf8(const unsigned char* code, char* out) {
  if (code[0] >= 0xA1 && code[0] <= 0xC8 && code[1] >= 0xA1) {
    ksxSymbolHangulToUtf8(code, out);
  } else {
    ksxHanjaToUtf8(code, out);
  }
}

}  // namespace tourwright
