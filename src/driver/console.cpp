// The console: text is kept back until a line is complete, so that no
// two-byte code or escape is cut between two writes, and then each line is
// converted. On a UTF-8 terminal through a stdio stream of glibc's custom
// streams; on a Windows console through a pipe read by a thread.
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
#elif defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "encoding/utf16_text.h"
#endif

namespace tourwright {

#if defined(__GLIBC__)

namespace {

struct ConsoleStream {
  FILE* sink;
  std::string pending;  // text after the last complete line
};

void writeLines(const char* text, size_t length, FILE* sink) {
  size_t start = 0;
  while (start < length) {
    size_t end = start;
    while (end < length && text[end] != '\n') ++end;
    if (end < length) ++end;  // the line keeps its line feed
    const char* line = text + start;
    size_t lineLength = end - start;
    if (asciiPrefixLength(line, lineLength) != lineLength && isValidUtf8(line, lineLength)) {
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
FILE* gConvertingErrors = nullptr;

void closeConvertingConsole() {
  if (gConvertingErrors != nullptr) {
    std::fclose(gConvertingErrors);
    gConvertingErrors = nullptr;
  }
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
  bool outputIsTerminal = isatty(STDOUT_FILENO) != 0;
  bool errorsGoToTerminal = isatty(STDERR_FILENO) != 0;
  if ((!outputIsTerminal && !errorsGoToTerminal) || !localeSpeaksUtf8()) return;
  if (outputIsTerminal) {
    std::fflush(stdout);
    gConvertingConsole = openUtf8ConsoleStream(stdout);
    if (gConvertingConsole != nullptr) setConsoleOut(gConvertingConsole);
  }
  if (errorsGoToTerminal) gConvertingErrors = openUtf8ConsoleStream(stderr);
  if (gConvertingConsole != nullptr || gConvertingErrors != nullptr) {
    std::atexit(closeConvertingConsole);
  }
}

FILE* consoleErrors() { return gConvertingErrors != nullptr ? gConvertingErrors : stderr; }

#elif defined(_WIN32)

// The Windows console: text written to consoleOut() goes into a pipe, and a
// thread shows each complete line through WriteConsoleW, converted to
// UTF-16, so the captions read right whatever the console's code page.

namespace {

struct WideConsole {
  HANDLE console;   // the console standard output was
  HANDLE pipeRead;  // the thread's end of the pipe
  HANDLE thread;
  FILE* stream;     // consoleOut() while the console is converted
};

WideConsole gWide = {};

void showLine(HANDLE console, const char* line, size_t length) {
  bool feed = length > 0 && line[length - 1] == '\n';
  if (feed) --length;
  std::u16string units(length, u'\0');
  size_t count = internalTextToUtf16(line, length, &units[0]);
  // The console takes the line end as CR LF, as a text-mode stream writes it.
  if (feed) units.replace(count, std::u16string::npos, u"\r\n");
  else units.resize(count);
  DWORD written;
  WriteConsoleW(console, units.data(), static_cast<DWORD>(units.size()), &written, nullptr);
}

DWORD WINAPI showConsoleLines(void*) {
  std::string pending;
  char block[4096];
  DWORD got;
  while (ReadFile(gWide.pipeRead, block, sizeof block, &got, nullptr) && got > 0) {
    pending.append(block, got);
    size_t start = 0;
    for (size_t feed; (feed = pending.find('\n', start)) != std::string::npos; start = feed + 1) {
      showLine(gWide.console, pending.data() + start, feed + 1 - start);
    }
    pending.erase(0, start);
  }
  if (!pending.empty()) showLine(gWide.console, pending.data(), pending.size());
  return 0;
}

void closeWideConsole() {
  if (gWide.stream == nullptr) return;
  if (consoleOut() == gWide.stream) setConsoleOut(nullptr);
  std::fclose(gWide.stream);  // the thread reads the end of the pipe
  WaitForSingleObject(gWide.thread, 10000);
  CloseHandle(gWide.thread);
  CloseHandle(gWide.pipeRead);
  gWide.stream = nullptr;
}

}  // namespace

FILE* openUtf8ConsoleStream(FILE*) { return nullptr; }

void setUpConsole() {
  static bool asked = false;
  if (asked || consoleOut() != stdout) return;
  asked = true;
  HANDLE console = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD mode;
  if (console == INVALID_HANDLE_VALUE || !GetConsoleMode(console, &mode)) return;  // file or pipe
  HANDLE pipeRead, pipeWrite;
  if (!CreatePipe(&pipeRead, &pipeWrite, nullptr, 0)) return;
  int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(pipeWrite), _O_BINARY);
  FILE* stream = descriptor < 0 ? nullptr : _fdopen(descriptor, "wb");
  HANDLE thread = stream == nullptr ? nullptr
                                    : CreateThread(nullptr, 0, showConsoleLines, nullptr, 0, nullptr);
  if (thread == nullptr) {
    if (stream != nullptr) std::fclose(stream);
    else if (descriptor >= 0) _close(descriptor);
    else CloseHandle(pipeWrite);
    CloseHandle(pipeRead);
    return;
  }
  gWide = {console, pipeRead, thread, stream};
  std::setvbuf(stream, nullptr, _IONBF, 0);
  std::fflush(stdout);
  setConsoleOut(stream);
  std::atexit(closeWideConsole);
}

FILE* consoleErrors() { return stderr; }

#else  // neither: the console shows the bytes as written

FILE* openUtf8ConsoleStream(FILE*) { return nullptr; }
void setUpConsole() {}
FILE* consoleErrors() { return stderr; }

#endif

}  // namespace tourwright
