#include "platform/system_files.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/scratch_cleanup.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tourwright {

#ifdef _WIN32

FILE* createTemporaryStream() {
  // The wide functions, as for every file: a user's temporary folder may be
  // named in any script, whatever the ANSI code page.
  wchar_t folder[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) {
    noteFileFailure("%TEMP%", ENOENT);
    return nullptr;
  }
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    wchar_t path[MAX_PATH + 16];
    _snwprintf(path, MAX_PATH + 16, L"%lstw%06x", folder,
               static_cast<unsigned>((GetTickCount() * 2654435761u + attempt * 40503u +
                                      GetCurrentProcessId()) & 0xFFFFFF));
    path[MAX_PATH + 15] = L'\0';
    HANDLE file = CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
      if (GetLastError() == ERROR_FILE_EXISTS) continue;
      noteFileFailure(utf8FromWide(path), GetLastError() == ERROR_PATH_NOT_FOUND ? ENOENT : EACCES);
      return nullptr;
    }
    int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | _O_BINARY);
    if (fd < 0) {
      CloseHandle(file);
      return nullptr;
    }
    FILE* stream = _fdopen(fd, "wb");
    if (stream == nullptr) _close(fd);
    return stream;
  }
  noteFileFailure(utf8FromWide(folder), EEXIST);
  return nullptr;
}

FILE* openNullSink() { return std::fopen("NUL", "wb"); }

void pauseForTest(const char*) {}

#else

FILE* createTemporaryStream() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
  path += "/twXXXXXX";
  std::string shown = path;
  // Noted while it has a name, so that a signal then removes it too.
  SignalHold hold;
  holdCleanupSignals(&hold);
  int descriptor = mkostemp(&path[0], O_CLOEXEC);  // mode 0600
  int error = errno;
  if (descriptor >= 0) noteScratchFile(path.c_str());
  releaseCleanupSignals(&hold);
  if (descriptor < 0) {
    noteFileFailure(shown, error);
    return nullptr;
  }
  pauseForTest("temporary");
  removeFile(path.c_str());  // used through the descriptor alone
  FILE* stream = fdopen(descriptor, "wb");
  if (stream == nullptr) close(descriptor);
  return stream;
}

FILE* openNullSink() { return std::fopen("/dev/null", "wb"); }

void pauseForTest(const char* point) {
  static const char* const pausePoint = std::getenv("TOURWRIGHT_TEST_PAUSE_AT");
  static bool paused = false;  // once per run
  if (paused || pausePoint == nullptr || std::strcmp(pausePoint, point) != 0) return;
  paused = true;
  const char* pipe = std::getenv("TOURWRIGHT_TEST_PAUSE");
  if (pipe == nullptr || pipe[0] == '\0') return;
  struct stat info;
  if (stat(pipe, &info) != 0 || !S_ISFIFO(info.st_mode)) return;
  int fd = open(pipe, O_RDONLY | O_CLOEXEC);  // waits for the writer
  if (fd < 0) return;
  char byte;
  for (;;) {
    ssize_t got = read(fd, &byte, 1);
    if (got > 0 || (got < 0 && errno == EINTR)) continue;
    break;
  }
  close(fd);
}

#endif

}  // namespace tourwright
