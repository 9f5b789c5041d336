#include "preview/tour_files.h"

#include "platform/files.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#endif

namespace tourwright {

namespace {

#ifdef _WIN32
std::wstring wideFromUtf8(const std::string& text) {
  int count = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
  UINT codePage = count > 0 ? CP_UTF8 : CP_ACP;  // not UTF-8: the ANSI code page, as files.h says
  if (count <= 0) count = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
  std::wstring wide(count > 0 ? count : 1, L'\0');
  MultiByteToWideChar(codePage, 0, text.c_str(), -1, &wide[0], count);
  wide.resize(wide.size() - 1);
  return wide;
}

// The name the system gives the file behind `handle`, every link followed.
std::string finalPath(HANDLE handle) {
  DWORD needed = GetFinalPathNameByHandleW(handle, nullptr, 0, FILE_NAME_NORMALIZED);
  if (needed == 0) return std::string();
  std::wstring wide(needed, L'\0');
  DWORD got = GetFinalPathNameByHandleW(handle, &wide[0], needed, FILE_NAME_NORMALIZED);
  if (got == 0 || got >= needed) return std::string();
  wide.resize(got);
  return utf8FromWide(wide.c_str());
}

bool sameText(const std::string& a, const std::string& b) {
  return CompareStringOrdinal(wideFromUtf8(a).c_str(), -1, wideFromUtf8(b).c_str(), -1, TRUE) ==
         CSTR_EQUAL;
}
#else
std::string resolvedPath(const char* path) {
  char* full = realpath(path, nullptr);
  if (full == nullptr) return std::string();
  std::string resolved = full;
  std::free(full);
  return resolved;
}

bool sameText(const std::string& a, const std::string& b) { return a == b; }
#endif

// The path the opened file resolves to.
std::string openedFilePath(FILE* stream, const std::string& path) {
#ifdef _WIN32
  (void)path;
  return finalPath(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
#else
  // Linux names the open file itself; elsewhere its name is resolved again.
  std::string link = "/proc/self/fd/" + std::to_string(fileno(stream));
  char target[PATH_MAX];
  ssize_t length = readlink(link.c_str(), target, sizeof target);
  if (length > 0 && static_cast<size_t>(length) < sizeof target && target[0] == '/') {
    return std::string(target, static_cast<size_t>(length));
  }
  return resolvedPath(path.c_str());
#endif
}

long long fileSize(FILE* stream) {
#ifdef _WIN32
  return _filelengthi64(_fileno(stream));
#else
  struct stat info;
  return fstat(fileno(stream), &info) == 0 ? static_cast<long long>(info.st_size) : -1;
#endif
}

}  // namespace

bool openTourFolder(TourFolder* folder, const std::string& path) {
  folder->path = path;
#ifdef _WIN32
  HANDLE handle = CreateFileW(wideFromUtf8(path).c_str(), 0,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  folder->resolved = finalPath(handle);
  CloseHandle(handle);
#else
  folder->resolved = resolvedPath(path.c_str());
#endif
  while (folder->resolved.size() > 1 && isPathSeparator(folder->resolved.back())) {
    folder->resolved.pop_back();
  }
  return !folder->resolved.empty();
}

FILE* openTourFile(const TourFolder& folder, const std::string& names, long long* size) {
  std::string path = folder.path;
  path += kPathSeparator;
  for (char c : names) path += c == '/' ? kPathSeparator : c;
  FILE* stream = openForReading(path.c_str());
  if (stream == nullptr) return nullptr;
  std::string opened = openedFilePath(stream, path);
  const std::string& root = folder.resolved;
  bool inside = opened.size() > root.size() && isPathSeparator(opened[root.size()]) &&
                sameText(opened.substr(0, root.size()), root);
  if (root.size() == 1 && isPathSeparator(root[0])) inside = opened.size() > 1;  // the root itself
  *size = inside ? fileSize(stream) : -1;
  if (*size < 0) {
    std::fclose(stream);
    return nullptr;
  }
  return stream;
}

}  // namespace tourwright
