#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <sys/file.h>
#include <unistd.h>
#endif

namespace tourwright {

#ifdef _WIN32

namespace {

std::wstring wideText(const char* text, UINT codePage) {
  int length = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
  if (length <= 0) return std::wstring();
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(codePage, 0, text, -1, &wide[0], length);
  wide.resize(static_cast<size_t>(length) - 1);
  return wide;
}

std::string narrowText(const wchar_t* text, UINT codePage) {
  int length = WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (length <= 0) return std::string();
  std::string narrow(static_cast<size_t>(length), '\0');
  WideCharToMultiByte(codePage, 0, text, -1, &narrow[0], length, nullptr, nullptr);
  narrow.resize(static_cast<size_t>(length) - 1);
  return narrow;
}

bool isUtf8(const char* text) {
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, -1, nullptr, 0) > 0;
}

// Paths are UTF-8 inside the program; one that is not (code page text,
// such as a scene name joined to a folder) is read in the ANSI code page,
// as the narrow functions read it.
std::wstring widePath(const char* path) {
  return wideText(path, isUtf8(path) ? CP_UTF8 : CP_ACP);
}

}  // namespace

std::string utf8FromWide(const wchar_t* text) { return narrowText(text, CP_UTF8); }

std::string consolePath(const std::string& path) {
  if (!isUtf8(path.c_str())) return path;
  return narrowText(wideText(path.c_str(), CP_UTF8).c_str(), CP_ACP);
}

#else

std::string consolePath(const std::string& path) { return path; }

#endif

namespace {

// The type bits of what `path` names, or -1 when it names nothing.
int fileType(const char* path) {
#ifdef _WIN32
  struct _stat64 info;
  if (_wstat64(widePath(path).c_str(), &info) != 0) return -1;
#else
  struct stat info;
  if (stat(path, &info) != 0) return -1;
#endif
  return info.st_mode & S_IFMT;
}

FILE* openFile(const char* path, const char* mode) {
#ifdef _WIN32
  std::wstring wideMode(mode, mode + std::strlen(mode));
  return _wfopen(widePath(path).c_str(), wideMode.c_str());
#else
  return std::fopen(path, mode);
#endif
}

}  // namespace

std::string joinPath(const std::string& directory, const std::string& name,
                     const char* extension) {
  std::string path = directory;
  path += kPathSeparator;
  path += name;
  path += extension;
  return path;
}

bool pathExists(const char* path) { return fileType(path) != -1; }
bool isDirectory(const char* path) { return fileType(path) == S_IFDIR; }

bool isSpecialFile(const char* path) {
  int type = fileType(path);
  return type != -1 && type != S_IFREG && type != S_IFDIR;
}

bool removeFile(const char* path) {
#ifdef _WIN32
  return _wremove(widePath(path).c_str()) == 0;
#else
  return std::remove(path) == 0;
#endif
}

bool replaceFile(const char* from, const char* to) {
#ifdef _WIN32
  return MoveFileExW(widePath(from).c_str(), widePath(to).c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from, to) == 0;
#endif
}

namespace {

#ifdef _WIN32
const char* writeMode(FileMode mode) { return mode == FileMode::kText ? "wt" : "wb"; }
int modeFlag(FileMode mode) { return mode == FileMode::kText ? _O_TEXT : _O_BINARY; }

// Creates `path` only where nothing stands; -1 otherwise.
int createNew(const char* path, FileMode mode) {
  return _wopen(widePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_EXCL | modeFlag(mode),
                _S_IREAD | _S_IWRITE);
}
#else
const char* writeMode(FileMode mode) { return mode == FileMode::kText ? "w" : "wb"; }

int createNew(const char* path, FileMode) {
  return open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
}

// Opens a regular file without waiting for a pipe's writer; -1 for
// anything else.
int openRegular(const char* path) {
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}
#endif

FILE* streamOf(int fd, FileMode mode) {
  if (fd < 0) return nullptr;
#ifdef _WIN32
  FILE* stream = _fdopen(fd, writeMode(mode));
  if (stream == nullptr) _close(fd);
#else
  FILE* stream = fdopen(fd, writeMode(mode));
  if (stream == nullptr) close(fd);
#endif
  return stream;
}

// The file that `path` leads to through its links (a link may point to a
// name that does not exist yet); false for a loop of links.
bool followLinks(const std::string& path, std::string* target) {
  *target = path;
#ifndef _WIN32
  for (int hops = 0; hops < 40; ++hops) {
    char next[PATH_MAX];
    ssize_t length = readlink(target->c_str(), next, sizeof next);
    if (length < 0) return true;  // not a link: the end of the road
    if (static_cast<size_t>(length) == sizeof next) return false;
    std::string step(next, static_cast<size_t>(length));
    size_t separator = target->rfind('/');
    if (step[0] != '/' && separator != std::string::npos) {
      step = target->substr(0, separator + 1) + step;
    }
    *target = step;
  }
  return false;
#else
  return true;
#endif
}

// "tw" and eight letters or digits: short, so that the longest base name
// still has room, and unlikely to meet another run's.
std::string uniqueName(unsigned attempt) {
  static unsigned long long state = 0;
  if (state == 0) {
#ifdef _WIN32
    unsigned long long process = static_cast<unsigned long long>(_getpid());
#else
    unsigned long long process = static_cast<unsigned long long>(getpid());
#endif
    state = static_cast<unsigned long long>(std::time(nullptr)) ^ (process << 32) ^
            static_cast<unsigned long long>(std::clock());
  }
  state += 0x9E3779B97F4A7C15ull + attempt;
  unsigned long long mixed = state;
  mixed = (mixed ^ (mixed >> 30)) * 0xBF58476D1CE4E5B9ull;
  mixed = (mixed ^ (mixed >> 27)) * 0x94D049BB133111EBull;
  mixed ^= mixed >> 31;
  const char letters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
  std::string name = "tw";
  for (int i = 0; i < 8; ++i, mixed /= 36) name += letters[mixed % 36];
  return name + ".part";
}

}  // namespace

FILE* openForReading(const char* path) {
#ifdef _WIN32
  FILE* stream = openFile(path, "rb");
  struct _stat info;
  if (stream != nullptr && (_fstat(_fileno(stream), &info) != 0 || !(info.st_mode & _S_IFREG))) {
    std::fclose(stream);
    return nullptr;
  }
  return stream;
#else
  int fd = openRegular(path);
  if (fd < 0) return nullptr;
  FILE* stream = fdopen(fd, "rb");
  if (stream == nullptr) close(fd);
  return stream;
#endif
}

FILE* createScratchFile(const char* path, FileMode mode) {
  // Never rmdir: a folder at the name stays, and the creation fails.
#ifdef _WIN32
  _wunlink(widePath(path).c_str());
#else
  unlink(path);
#endif
  return streamOf(createNew(path, mode), mode);
}

bool beginOutput(OutputFile* output, const char* path, FileMode mode) {
  output->stream = nullptr;
  output->partPath.clear();
  if (!followLinks(path, &output->target)) return false;
  const char* target = output->target.c_str();
  if (isSpecialFile(target)) {
    output->stream = openFile(target, writeMode(mode));
    return output->stream != nullptr;
  }
#ifdef _WIN32
  struct _stat64 existing;
  bool exists = _wstat64(widePath(target).c_str(), &existing) == 0;
#else
  struct stat existing;
  bool exists = stat(target, &existing) == 0;
#endif
  if (exists && (existing.st_mode & S_IFMT) == S_IFDIR) return false;
#ifdef _WIN32
  if (exists && _waccess(widePath(target).c_str(), 2) != 0) return false;
#else
  if (exists && access(target, W_OK) != 0) return false;
#endif
  size_t separator = output->target.find_last_of("/\\");
  std::string folder =
      separator == std::string::npos ? std::string() : output->target.substr(0, separator + 1);
  int fd = -1;
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    output->partPath = folder + uniqueName(attempt);
    fd = createNew(output->partPath.c_str(), mode);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    output->partPath.clear();
    return false;
  }
#ifndef _WIN32
  // The new file takes the place of the old one: it keeps its permissions.
  if (exists && S_ISREG(existing.st_mode)) fchmod(fd, existing.st_mode & 07777);
#endif
  output->stream = streamOf(fd, mode);
  if (output->stream == nullptr) {
    removeFile(output->partPath.c_str());
    output->partPath.clear();
  }
  return output->stream != nullptr;
}

bool finishOutput(OutputFile* output) {
  bool failed = std::ferror(output->stream) != 0;
  if (std::fclose(output->stream) != 0) failed = true;
  output->stream = nullptr;
  if (output->partPath.empty()) return !failed;
  if (failed || !replaceFile(output->partPath.c_str(), output->target.c_str())) {
    removeFile(output->partPath.c_str());
    return false;
  }
  return true;
}

void abandonOutput(OutputFile* output) {
  std::fclose(output->stream);
  output->stream = nullptr;
  if (!output->partPath.empty()) removeFile(output->partPath.c_str());
}

#ifdef _WIN32
namespace {
// One byte far past the end of any script: Windows locks keep others from
// reading what they cover, and the script must stay readable.
OVERLAPPED lockedByte() {
  OVERLAPPED where = {};
  where.OffsetHigh = 0x40000000;
  return where;
}
}  // namespace

LockResult tryLockFile(FileLock* lock, const char* path) {
  HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return LockResult::kNone;
  if (GetFileType(file) != FILE_TYPE_DISK) {
    CloseHandle(file);
    return LockResult::kNone;
  }
  lock->handle = reinterpret_cast<intptr_t>(file);
  OVERLAPPED where = lockedByte();
  if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
    return LockResult::kHeld;
  }
  if (GetLastError() == ERROR_LOCK_VIOLATION || GetLastError() == ERROR_IO_PENDING) {
    return LockResult::kBusy;
  }
  unlockFile(lock);
  return LockResult::kNone;
}

void waitForLock(FileLock* lock) {
  OVERLAPPED where = lockedByte();
  LockFileEx(reinterpret_cast<HANDLE>(static_cast<intptr_t>(lock->handle)), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &where);
}

void unlockFile(FileLock* lock) {
  if (lock->handle != -1) CloseHandle(reinterpret_cast<HANDLE>(static_cast<intptr_t>(lock->handle)));
  lock->handle = -1;
}

std::string resolvedFolderName(const char* path) {
  wchar_t* full = _wfullpath(nullptr, widePath(path).c_str(), 0);
  if (full == nullptr) return std::string();
  std::string resolved = utf8FromWide(full);
  std::free(full);
  while (!resolved.empty() && isPathSeparator(resolved.back())) resolved.pop_back();
  size_t separator = resolved.find_last_of("/\\:");
  return separator == std::string::npos ? resolved : resolved.substr(separator + 1);
}
#else
LockResult tryLockFile(FileLock* lock, const char* path) {
  int fd = openRegular(path);
  if (fd < 0) return LockResult::kNone;
  lock->handle = fd;
  if (flock(fd, LOCK_EX | LOCK_NB) == 0) return LockResult::kHeld;
  if (errno == EWOULDBLOCK) return LockResult::kBusy;
  unlockFile(lock);
  return LockResult::kNone;
}

void waitForLock(FileLock* lock) {
  while (flock(static_cast<int>(lock->handle), LOCK_EX) != 0 && errno == EINTR) {
  }
}

void unlockFile(FileLock* lock) {
  if (lock->handle >= 0) close(static_cast<int>(lock->handle));
  lock->handle = -1;
}

std::string resolvedFolderName(const char* path) {
  char* full = realpath(path, nullptr);
  if (full == nullptr) return std::string();
  std::string resolved = full;
  std::free(full);
  return resolved.substr(resolved.rfind('/') + 1);
}
#endif

namespace {
FILE* gConsole = nullptr;
}

FILE* consoleOut() { return gConsole ? gConsole : stdout; }
void setConsoleOut(FILE* stream) { gConsole = stream; }

}  // namespace tourwright
