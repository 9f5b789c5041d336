// Script bytes (often with a byte-order mark) through the encoding
// normaliser: the scratch copy holds no NUL byte and no byte pair that is
// not a KS X 1001 code, so the parser re-reads every character it holds;
// and every line feed in it (or carriage return) stands for one in the
// script, a byte 0A of UTF-8 or a unit 000A of UTF-16, so no other bytes
// can start a line that an editor does not show.
#include <algorithm>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "script/normaliser.h"

using namespace tourwright;
using namespace tourwright::fuzzing;

namespace {

// The line-end characters of the script after its mark: bytes of UTF-8,
// whole units of UTF-16 (a last odd byte is no unit).
long scriptLineEnds(const uint8_t* data, size_t size, int encoding, unsigned char lineEnd) {
  long count = 0;
  if (encoding == kEncodingUtf8) {
    for (size_t i = 3; i < size; ++i) count += data[i] == lineEnd;
    return count;
  }
  bool bigEndian = encoding == kEncodingUtf16BigEndian;
  for (size_t i = 2; i + 1 < size; i += 2) {
    count += data[i + (bigEndian ? 1 : 0)] == lineEnd && data[i + (bigEndian ? 0 : 1)] == 0;
  }
  return count;
}

}  // namespace

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
  for (char lineEnd : {'\n', '\r'}) {
    FUZZ_CHECK(std::count(text.begin(), text.end(), lineEnd) ==
                   scriptLineEnds(data, size, code, static_cast<unsigned char>(lineEnd)),
               lineEnd == '\n' ? "a line feed that the script does not hold"
                                : "a carriage return that the script does not hold");
  }
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
