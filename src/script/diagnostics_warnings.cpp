// Writing and counting warnings, and gathering what the normaliser could not
// decode into one warning per line and problem.
#include "script/diagnostics_parts.h"

#include <cstdarg>
#include <cstring>

namespace tourwright {

void beginWarning(ScriptDiagnostics* d, long long line) {
  ++d->warningCount;
  if (line > 0) {
    std::fprintf(d->out, "%s:%lld: warning: ", d->scriptPath, line);
  } else {
    std::fprintf(d->out, "%s: warning: ", d->scriptPath);
  }
}

void endWarning(ScriptDiagnostics* d) { std::fputc('\n', d->out); }

TW_PRINTF_FORMAT(3, 4)
void warn(ScriptDiagnostics* d, long long line, const char* format, ...) {
  beginWarning(d, line);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(d->out, format, arguments);
  va_end(arguments);
  endWarning(d);
}

TW_PRINTF_FORMAT(3, 4)
void warnInFile(ScriptDiagnostics* d, const char* path, const char* format, ...) {
  ++d->warningCount;
  std::fprintf(d->out, "%s: warning: ", path);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(d->out, format, arguments);
  va_end(arguments);
  endWarning(d);
}

TW_PRINTF_FORMAT(2, 3)
void noteOnScript(ScriptDiagnostics* d, const char* format, ...) {
  std::fprintf(d->out, "%s: note: ", d->scriptPath);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(d->out, format, arguments);
  va_end(arguments);
  endWarning(d);
}

const char* pluralEnding(long long count) { return count == 1 ? "" : "s"; }

void flushDecodeProblems(ScriptDiagnostics* d) {
  if (d->decodeCount == 0) return;
  bool utf8 = d->decodeEncoding == kEncodingUtf8;
  if (d->decodeProblem == DecodeProblem::kNulDropped) {
    warn(d, d->decodeLine, "NUL character in the line: dropped, the text after it is kept");
  } else if (d->decodeProblem == DecodeProblem::kInvalid) {
    warn(d, d->decodeLine, "%lld %s%s replaced", d->decodeCount,
         utf8 ? "invalid UTF-8 sequence" : "unpaired UTF-16 surrogate",
         pluralEnding(d->decodeCount));
  } else if (utf8) {
    warn(d, d->decodeLine, "the file ends inside a UTF-8 sequence: its bytes are dropped");
  } else {
    warn(d, d->decodeLine, "the file ends with an odd byte: it is dropped");
  }
  d->decodeCount = 0;
}

void writeWarningCount(ScriptDiagnostics* d) {
  if (d->warningCount > 0) {
    std::fprintf(d->out, "%s: %lld warning%s\n", d->scriptPath, d->warningCount,
                 pluralEnding(d->warningCount));
  }
  std::fflush(d->out);
}

namespace {

void noteDecodeProblem(void* context, int encoding, long long line, DecodeProblem problem) {
  ScriptDiagnostics* d = static_cast<ScriptDiagnostics*>(context);
  if (d->decodeCount > 0 && (d->decodeLine != line || d->decodeProblem != problem)) {
    flushDecodeProblems(d);
  }
  d->decodeLine = line;
  d->decodeProblem = problem;
  d->decodeEncoding = encoding;
  ++d->decodeCount;
}

}  // namespace

void startDiagnostics(ScriptDiagnostics* diagnostics, const char* scriptPath, FILE* out) {
  std::memset(diagnostics, 0, sizeof *diagnostics);
  startFreshDiagnostics(diagnostics, scriptPath, out);
}

void startFreshDiagnostics(ScriptDiagnostics* diagnostics, const char* scriptPath, FILE* out) {
  diagnostics->out = out;
  diagnostics->scriptPath = scriptPath;
  diagnostics->encoding = kEncodingAnsi;
}

DecodeReport decodeReportFor(ScriptDiagnostics* diagnostics) {
  return DecodeReport{noteDecodeProblem, diagnostics};
}

}  // namespace tourwright
