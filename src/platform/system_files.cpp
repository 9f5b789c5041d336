#include "platform/system_files.h"

#include <cstdlib>

#include "platform/files.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace tourwright {

#ifdef _WIN32

std::string createTemporaryFile() {
  // The wide functions, as for every file: a user's temporary folder may be
  // named in any script, whatever the ANSI code page.
  wchar_t folder[MAX_PATH + 1];
  wchar_t path[MAX_PATH + 1];
  DWORD length = GetTempPathW(MAX_PATH + 1, folder);
  if (length == 0 || length > MAX_PATH) return std::string();
  // Creates the file, under a name no file has yet.
  if (GetTempFileNameW(folder, L"tw", 0, path) == 0) return std::string();
  return utf8FromWide(path);
}

FILE* openNullSink() { return std::fopen("NUL", "wb"); }

#else

std::string createTemporaryFile() {
  const char* folder = std::getenv("TMPDIR");
  std::string path = folder != nullptr && folder[0] != '\0' ? folder : "/tmp";
  path += "/tourwright-XXXXXX";
  int descriptor = mkstemp(&path[0]);  // mode 0600
  if (descriptor < 0) return std::string();
  close(descriptor);
  return path;
}

FILE* openNullSink() { return std::fopen("/dev/null", "wb"); }

#endif

}  // namespace tourwright
