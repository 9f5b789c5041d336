// The console on a UTF-8 terminal: a stdio stream (glibc's custom streams)
// that keeps the text back until a line is complete, so that no two-byte
// code or escape is cut between two writes, and then converts each line.
#include "driver/console.h"

#include "platform/files.h"
#include "encoding/code_point.h"
#include "encoding/transcoder.h"

#if defined(__GLIBC__)
#include <langinfo.h>
#include <strings.h>
#include <sys/types.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <string>
#endif

namespace tourwright {

#if defined(__GLIBC__)

namespace {

struct ConsoleStream {
  FILE* sink;
  std::string pending;  // text after the last complete line
};

bool holdsHighBytes(const char* text, size_t length) {
  for (size_t i = 0; i < length; ++i) {
    if (static_cast<unsigned char>(text[i]) >= 0x80) return true;
  }
  return false;
}

void writeLines(const char* text, size_t length, FILE* sink) {
  size_t start = 0;
  while (start < length) {
    size_t end = start;
    while (end < length && text[end] != '\n') ++end;
    if (end < length) ++end;  // the line keeps its line feed
    const char* line = text + start;
    size_t lineLength = end - start;
    if (holdsHighBytes(line, lineLength) && isValidUtf8(line, lineLength)) {
      std::fwrite(line, 1, lineLength, sink);
    } else {
      transcodeLine(line, lineLength, sink);
    }
    start = end;
  }
  std::fflush(sink);
}

ssize_t writeConsole(void* cookie, const char* data, size_t size) {
  ConsoleStream* stream = static_cast<ConsoleStream*>(cookie);
  stream->pending.append(data, size);
  size_t lastFeed = stream->pending.rfind('\n');
  if (lastFeed != std::string::npos) {
    writeLines(stream->pending.data(), lastFeed + 1, stream->sink);
    stream->pending.erase(0, lastFeed + 1);
  }
  return static_cast<ssize_t>(size);
}

int closeConsole(void* cookie) {
  ConsoleStream* stream = static_cast<ConsoleStream*>(cookie);
  writeLines(stream->pending.data(), stream->pending.size(), stream->sink);
  delete stream;
  return 0;
}

bool localeSpeaksUtf8() {
  const char* current = std::setlocale(LC_CTYPE, nullptr);
  std::string saved = current != nullptr ? current : "C";
  bool utf8 = false;
  if (std::setlocale(LC_CTYPE, "") != nullptr) {
    const char* codeset = nl_langinfo(CODESET);
    utf8 = codeset != nullptr && (strcasecmp(codeset, "UTF-8") == 0 || strcasecmp(codeset, "UTF8") == 0);
  }
  // The rest of the run keeps the locale it had: only the question was asked.
  std::setlocale(LC_CTYPE, saved.c_str());
  return utf8;
}

FILE* gConvertingConsole = nullptr;

void closeConvertingConsole() {
  if (gConvertingConsole == nullptr) return;
  if (consoleOut() == gConvertingConsole) setConsoleOut(nullptr);
  std::fclose(gConvertingConsole);
  gConvertingConsole = nullptr;
}

}  // namespace

FILE* openUtf8ConsoleStream(FILE* sink) {
  ConsoleStream* stream = new ConsoleStream{sink, std::string()};
  cookie_io_functions_t functions = {nullptr, writeConsole, nullptr, closeConsole};
  FILE* file = fopencookie(stream, "w", functions);
  if (file == nullptr) {
    delete stream;
    return nullptr;
  }
  std::setvbuf(file, nullptr, _IOLBF, BUFSIZ);
  return file;
}

void setUpConsole() {
  static bool asked = false;
  if (asked || consoleOut() != stdout) return;
  asked = true;
  if (!isatty(STDOUT_FILENO) || !localeSpeaksUtf8()) return;
  std::fflush(stdout);
  FILE* stream = openUtf8ConsoleStream(stdout);
  if (stream == nullptr) return;
  gConvertingConsole = stream;
  setConsoleOut(stream);
  std::atexit(closeConvertingConsole);
}

#else  // no custom streams (Windows): the console shows the bytes as written

FILE* openUtf8ConsoleStream(FILE*) { return nullptr; }
void setUpConsole() {}

#endif

}  // namespace tourwright
