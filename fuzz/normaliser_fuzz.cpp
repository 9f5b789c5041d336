// Script bytes (often with a byte-order mark) through the encoding
// normaliser: the scratch copy holds no NUL byte and no byte pair that is
// not a KS X 1001 code, so the parser re-reads every character it holds.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "script/normaliser.h"

using namespace tourwright;
using namespace tourwright::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quietConsole();
  const std::string script = scratchFolder() + "/n.lst";
  const std::string scratch = scratchFolder() + "/n.asc";
  writeWholeFile(script, data, size);
  int code = normaliseScriptEncoding(script.c_str(), scratch.c_str());
  FUZZ_CHECK(code >= 0 && code <= 3, std::to_string(code));
  if (code == 0) {
    FUZZ_CHECK(!exists(scratch), "ANSI script left a scratch copy");
    return 0;
  }
  std::string text = readWholeFile(scratch);
  for (size_t i = 0; i < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    FUZZ_CHECK(c != 0, "NUL byte in the scratch copy");
    if (c >= 0x80) {
      FUZZ_CHECK(c >= 0xA1 && c <= 0xFE && i + 1 < text.size(), "bad lead byte");
      unsigned char trail = static_cast<unsigned char>(text[i + 1]);
      FUZZ_CHECK(trail >= 0xA1 && trail <= 0xFE, "bad trail byte");
      ++i;
    }
  }
  std::remove(scratch.c_str());
  return 0;
}
