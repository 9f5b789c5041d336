#include "platform/replaced_files.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/file_identity.h"
#include "platform/files.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <process.h>
#include <windows.h>
#else
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace tourwright {

namespace {
const char kLetters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
constexpr int kNameLetters = 8;
}  // namespace

std::string outputScratchName(unsigned attempt) {
  static unsigned long long state = 0;
  if (state == 0) {
#ifdef _WIN32
    unsigned long long process = static_cast<unsigned long long>(_getpid());
#else
    unsigned long long process = static_cast<unsigned long long>(getpid());
#endif
    state = static_cast<unsigned long long>(fileClockNow()) ^ (process << 40);
  }
  state += 0x9E3779B97F4A7C15ull + attempt;
  unsigned long long mixed = state;
  mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
  mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
  mixed ^= mixed >> 31;
  std::string name = "tw";
  for (int i = 0; i < kNameLetters; ++i, mixed /= 36) name += kLetters[mixed % 36];
  return name + ".part";
}

bool isOutputScratchName(const char* name) {
  if (std::strlen(name) != 2 + kNameLetters + 5) return false;
  if (std::strncmp(name, "tw", 2) != 0 || std::strcmp(name + 2 + kNameLetters, ".part") != 0) {
    return false;
  }
  for (int i = 2; i < 2 + kNameLetters; ++i) {
    if (name[i] == '\0' || std::strchr(kLetters, name[i]) == nullptr) return false;
  }
  return true;
}

#ifdef _WIN32

void copyAccessAttributes(const char*, int) {}
void holdOutputScratch(int) {}

std::vector<std::string> removeLeftOutputScratch(const std::string& folder, long long before) {
  std::vector<std::string> removed;
  std::wstring pattern = widePath(joinPath(folder, "tw*", ".part").c_str());
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(pattern.c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return removed;
  do {
    if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) continue;
    std::string name = utf8FromWide(found.cFileName);
    if (!isOutputScratchName(name.c_str())) continue;
    std::string path = joinPath(folder, name, "");
    // Opened alone: a run that is writing it has it open, and this fails.
    HANDLE file = CreateFileW(widePath(path.c_str()).c_str(), GENERIC_READ, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) continue;
    FILETIME written;
    bool old = GetFileTime(file, nullptr, nullptr, &written) &&
               static_cast<long long>((static_cast<unsigned long long>(written.dwHighDateTime) << 32) |
                                      written.dwLowDateTime) < before;
    CloseHandle(file);
    if (old && DeleteFileW(widePath(path.c_str()).c_str())) removed.push_back(path);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(removed.begin(), removed.end());  // named in a steady order
  return removed;
}

#else

void copyAccessAttributes(const char* replaced, int fd) {
  // Most files carry no extended attribute: one call tells, and nothing
  // more is asked then.
  char names[1024];
  ssize_t length = listxattr(replaced, names, sizeof names);
  bool longList = length < 0 && errno == ERANGE;  // not read: ask for each
  if (length <= 0 && !longList) return;
  static char value[65536];  // the largest value Linux keeps
  for (const char* name : {"system.posix_acl_access", "security.selinux"}) {
    bool listed = longList;
    for (ssize_t at = 0; at < length; at += static_cast<ssize_t>(std::strlen(names + at)) + 1) {
      if (std::strcmp(names + at, name) == 0) listed = true;
    }
    if (!listed) continue;
    ssize_t size = getxattr(replaced, name, value, sizeof value);
    if (size >= 0) fsetxattr(fd, name, value, static_cast<size_t>(size), 0);
  }
}

void holdOutputScratch(int fd) { flock(fd, LOCK_EX | LOCK_NB); }

std::vector<std::string> removeLeftOutputScratch(const std::string& folder, long long before) {
  std::vector<std::string> removed;
  DIR* entries = opendir(folder.c_str());
  if (entries == nullptr) return removed;
  int at = dirfd(entries);
  while (const dirent* entry = readdir(entries)) {
    if (!isOutputScratchName(entry->d_name)) continue;
    if (entry->d_type != DT_REG && entry->d_type != DT_UNKNOWN) continue;
    int fd = openat(at, entry->d_name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) continue;
    struct stat info;
    // A run that is writing the file holds its lock.
    bool left = fstat(fd, &info) == 0 && S_ISREG(info.st_mode) &&
                static_cast<long long>(info.st_mtim.tv_sec) * kFileClockPerSecond +
                        info.st_mtim.tv_nsec < before &&
                flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (left && unlinkat(at, entry->d_name, 0) == 0) removed.push_back(joinPath(folder, entry->d_name, ""));
    close(fd);
  }
  closedir(entries);
  std::sort(removed.begin(), removed.end());  // named in a steady order
  return removed;
}

#endif

}  // namespace tourwright
