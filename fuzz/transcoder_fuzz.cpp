// Internal text through the output transcoder: the output is always valid
// UTF-8 without a character that XML forbids, whatever the bytes, and the
// whole-file conversion (which converts runs of lines at a time) and the
// conversion of lines cut into pieces write exactly what converting line by
// line writes, the former after its byte-order mark.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "encoding/code_point.h"
#include "encoding/transcoder.h"
#include "fuzz_support.h"

using namespace tourwright;
using namespace tourwright::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quietConsole();
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
  std::string byLine(output, outputSize);
  std::free(output);
  FUZZ_CHECK(isValidUtf8(byLine.data(), byLine.size()), "transcoder wrote invalid UTF-8");
  for (size_t i = 0; i < byLine.size();) {
    int codePoint = 0;
    i += static_cast<size_t>(decodeUtf8(reinterpret_cast<const unsigned char*>(byLine.data()) + i,
                                        byLine.size() - i, &codePoint));
    FUZZ_CHECK(!isForbiddenInXml(codePoint), "transcoder wrote a character that XML forbids");
  }

  // Each line cut into pieces of a length the input's first byte picks.
  const size_t step = size > 0 ? 1 + data[0] % 16 : 1;
  out = open_memstream(&output, &outputSize);
  for (size_t start = 0; start < size;) {
    const void* feed = std::memchr(text + start, '\n', size - start);
    size_t end = feed ? static_cast<size_t>(static_cast<const char*>(feed) - text) + 1 : size;
    for (; start + step < end; start += step) transcodeLinePiece(text + start, step, false, out);
    transcodeLinePiece(text + start, end - start, true, out);
    start = end;
  }
  std::fclose(out);
  FUZZ_CHECK(std::string(output, outputSize) == byLine,
             "conversion in pieces differs from line-by-line conversion");
  std::free(output);

  // The file reader reads CR LF as LF, so compare on text without CR.
  if (std::memchr(data, '\r', size) != nullptr) return 0;
  const std::string input = scratchFolder() + "/in.tmp";
  const std::string result = scratchFolder() + "/out.xml";
  writeWholeFile(input, data, size);
  FUZZ_CHECK(transcodeTourXml(input.c_str(), result.c_str()) == 0, "file conversion failed");
  FUZZ_CHECK(readWholeFile(result) == "\xEF\xBB\xBF" + byLine,
             "whole-file conversion differs from line-by-line conversion");
  return 0;
}
