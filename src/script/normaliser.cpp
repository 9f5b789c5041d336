#include "script/normaliser.h"

#include <cstdio>

#include "driver/platform.h"

namespace tourwright {

// Placeholder until the normaliser lands: every readable script is ANSI.
int normaliseScriptEncoding(const char* scriptPath, const char*) {
  FILE* script = openForReading(scriptPath);
  if (script == nullptr) return kScriptNotFound;
  std::fclose(script);
  std::fprintf(consoleOut(), "Input Text Ecoding: ANSI or UTF-8 without BOM.\n");
  std::fprintf(consoleOut(), "System regards %s as ANSI encoding.\n", scriptPath);
  return kEncodingAnsi;
}

}  // namespace tourwright
