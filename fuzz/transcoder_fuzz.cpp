// Internal text through the output transcoder, line by line: the output is
// always valid UTF-8, whatever the bytes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "encoding/code_point.h"
#include "encoding/transcoder.h"
#include "fuzz_support.h"

using namespace tourwright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  char* output = nullptr;
  size_t outputSize = 0;
  FILE* out = open_memstream(&output, &outputSize);
  const char* text = reinterpret_cast<const char*>(data);
  size_t start = 0;
  while (start < size) {
    const void* feed = std::memchr(text + start, '\n', size - start);
    size_t end = feed ? static_cast<size_t>(static_cast<const char*>(feed) - text) + 1 : size;
    transcodeLine(text + start, end - start, out);
    start = end;
  }
  std::fclose(out);
  FUZZ_CHECK(isValidUtf8(output, outputSize), "transcoder wrote invalid UTF-8");
  std::free(output);
  return 0;
}
