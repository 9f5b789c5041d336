#include "preview/tour_files.h"

#include "platform/files.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <errno.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <vector>
#ifdef __linux__
#include <linux/openat2.h>
#include <sys/syscall.h>
#endif
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

FILE* openInside(const TourFolder& folder, const std::string& names) {
  std::string path = folder.path;
  path += kPathSeparator;
  for (char c : names) path += c == '/' ? kPathSeparator : c;
  FILE* stream = openForReading(path.c_str());
  if (stream == nullptr) return nullptr;
  // The file opened, wherever its links led: not its name looked up again.
  std::string opened = finalPath(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
  const std::string& root = folder.resolved;
  if (opened.size() > root.size() && isPathSeparator(opened[root.size()]) &&
      sameText(opened.substr(0, root.size()), root)) {
    return stream;
  }
  std::fclose(stream);
  return nullptr;
}
#else
#ifdef O_PATH
const int kFolderFlags = O_PATH | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#else
const int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
#endif
const int kFileFlags = O_RDONLY | O_NOCTTY | O_NONBLOCK | O_CLOEXEC;
const int kMaxLinks = 40;  // as the kernel follows at most

// Puts the names of `path` in front of `pending` (the names still to
// walk, the next one last).
void pushNames(const std::string& path, std::vector<std::string>* pending) {
  std::vector<std::string> names;
  for (size_t start = 0; start <= path.size();) {
    size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) names.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  pending->insert(pending->end(), names.rbegin(), names.rend());
}

std::string linkTarget(int at, const std::string& name) {
  char target[4096];
  ssize_t length = readlinkat(at, name.c_str(), target, sizeof target);
  if (length <= 0 || static_cast<size_t>(length) >= sizeof target) return std::string();
  return std::string(target, static_cast<size_t>(length));
}

// Walks `names` from the folder's descriptor, one component at a time,
// never following a link the system's way: each is read and its target
// walked in its place. A ".." above the folder, or a link to an absolute
// path outside it, ends the walk.
int openByComponents(const TourFolder& folder, const std::string& names) {
  std::vector<int> folders;  // those opened below the root, the deepest last
  std::vector<std::string> pending;
  pushNames(names, &pending);
  int links = 0;
  int result = -1;
  auto current = [&] { return folders.empty() ? folder.descriptor : folders.back(); };
  while (!pending.empty()) {
    std::string name = pending.back();
    pending.pop_back();
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (folders.empty()) break;  // above the folder
      close(folders.back());
      folders.pop_back();
      continue;
    }
    bool last = pending.empty();
    int opened = openat(current(), name.c_str(), last ? kFileFlags | O_NOFOLLOW : kFolderFlags);
    if (opened >= 0 && !last) {
      folders.push_back(opened);
      continue;
    }
    if (opened >= 0) {
      result = opened;
      break;
    }
    std::string target = linkTarget(current(), name);
    if (target.empty() || ++links > kMaxLinks) break;
    if (target[0] == '/') {
      // Absolute: only a path into the folder by its resolved name.
      const std::string& root = folder.resolved;
      bool inside = target.compare(0, root.size(), root) == 0 &&
                    (root == "/" || target.size() == root.size() || target[root.size()] == '/');
      if (!inside) break;
      for (int descriptor : folders) close(descriptor);
      folders.clear();
      target = target.substr(root.size());
    }
    pushNames(target, &pending);
  }
  for (int descriptor : folders) close(descriptor);
  return result;
}

int openBeneath(const TourFolder& folder, const std::string& names) {
#if defined(__linux__) && defined(SYS_openat2)
  static std::atomic<bool> noOpenat2{false};  // the kernel (or a sandbox) lacks it
  if (!folder.byComponents && !noOpenat2) {
    open_how how = {};
    how.flags = kFileFlags;
    how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
    long opened = syscall(SYS_openat2, folder.descriptor, names.c_str(), &how, sizeof how);
    if (opened >= 0) return static_cast<int>(opened);
    if (errno == ENOSYS || errno == EPERM || errno == E2BIG || errno == EINVAL) {
      noOpenat2 = true;
    } else if (errno != EXDEV) {
      return -1;  // missing, or not to be opened
    }
    // EXDEV: a link leads out, or to an absolute path that may lie inside.
  }
#endif
  return openByComponents(folder, names);
}

FILE* openInside(const TourFolder& folder, const std::string& names) {
  int opened = openBeneath(folder, names);
  if (opened < 0) return nullptr;
  struct stat info;
  FILE* stream = nullptr;
  if (fstat(opened, &info) == 0 && S_ISREG(info.st_mode)) stream = fdopen(opened, "rb");
  if (stream == nullptr) close(opened);
  return stream;
}
#endif

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
  folder->descriptor = open(path.c_str(), (kFolderFlags & ~O_NOFOLLOW));
  if (folder->descriptor < 0) return false;
  char* full = realpath(path.c_str(), nullptr);
  folder->resolved = full != nullptr ? full : "";
  std::free(full);
  if (folder->resolved.empty()) closeTourFolder(folder);
#endif
  while (folder->resolved.size() > 1 && isPathSeparator(folder->resolved.back())) {
    folder->resolved.pop_back();
  }
  return !folder->resolved.empty();
}

void closeTourFolder(TourFolder* folder) {
#ifndef _WIN32
  if (folder->descriptor >= 0) close(folder->descriptor);
#endif
  folder->descriptor = -1;
}

FILE* openTourFile(const TourFolder& folder, const std::string& names, long long* size) {
  FILE* stream = openInside(folder, names);
  if (stream == nullptr) return nullptr;
  *size = fileSize(stream);
  if (*size < 0) {
    std::fclose(stream);
    return nullptr;
  }
  return stream;
}

}  // namespace tourwright
