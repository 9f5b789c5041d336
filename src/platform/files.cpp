#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/replaced_files.h"
#include "platform/scratch_cleanup.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <io.h>
#include <windows.h>
#else
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

}  // namespace

// Paths are UTF-8 inside the program; one that is not (code page text,
// such as a scene name joined to a folder) is read in the ANSI code page,
// as the narrow functions read it.
std::wstring widePath(const char* path) {
  return wideText(path, isUtf8(path) ? CP_UTF8 : CP_ACP);
}

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
bool isRegularFile(const char* path) { return fileType(path) == S_IFREG; }
bool isNonFolder(const char* path) {
  int type = fileType(path);
  return type != -1 && type != S_IFDIR;
}

bool isSpecialFile(const char* path) {
  int type = fileType(path);
  return type != -1 && type != S_IFREG && type != S_IFDIR;
}

bool removeFile(const char* path) {
#ifdef _WIN32
  bool removed = _wremove(widePath(path).c_str()) == 0;
#else
  bool removed = std::remove(path) == 0;
#endif
  forgetScratchFile(path);  // after: a signal between the two finds no file
  return removed;
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

int errnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
      return EACCES;
    default:
      return EIO;
  }
}

// Creates `path` only where nothing stands, open for writing and reading;
// -1 otherwise (errno set). Others may delete it while it is open, so that
// the handler of a console event can remove it before the process ends.
int createNew(const char* path, FileMode mode, bool) {
  HANDLE file = CreateFileW(widePath(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                            FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    errno = errnoOf(GetLastError());
    return -1;
  }
  int fd = _open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDWR | modeFlag(mode));
  if (fd < 0) CloseHandle(file);
  return fd;
}
#else
const char* writeMode(FileMode mode) { return mode == FileMode::kText ? "w" : "wb"; }

// Creates `path` only where nothing stands, open for writing and reading;
// -1 otherwise. A scratch file is the user's alone; an output gets the
// permissions the user's umask gives a new file.
int createNew(const char* path, FileMode, bool scratch) {
  return open(path, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, scratch ? 0600 : 0666);
}

}  // namespace

int openRegular(const char* path) {
  int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return -1;
  struct stat info;
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    close(fd);
    return -1;
  }
  fcntl(fd, F_SETFL, 0);  // reads that wait again: only O_NONBLOCK was set
  return fd;
}

namespace {
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

long peekStart(FILE* stream, unsigned char* bytes, size_t count) {
#ifdef _WIN32
  size_t got = std::fread(bytes, 1, count, stream);
  if (std::ferror(stream) != 0 || std::fseek(stream, 0, SEEK_SET) != 0) return -1;
  return static_cast<long>(got);
#else
  size_t got = 0;
  while (got < count) {
    ssize_t read = pread(fileno(stream), bytes + got, count - got, static_cast<off_t>(got));
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return -1;
    if (read == 0) break;
    got += static_cast<size_t>(read);
  }
  return static_cast<long>(got);
#endif
}

FILE* createScratchFile(const char* path, FileMode mode) {
  // Never rmdir: a folder at the name stays, and the creation fails.
#ifdef _WIN32
  _wunlink(widePath(path).c_str());
#else
  unlink(path);
#endif
  SignalHold hold;
  holdCleanupSignals(&hold);
  int fd = createNew(path, mode, true);
  int error = errno;
  if (fd >= 0) noteScratchFile(path);
  releaseCleanupSignals(&hold);
  if (fd < 0) {
    noteFileFailure(path, error);
    return nullptr;
  }
  FILE* stream = streamOf(fd, mode);
  if (stream == nullptr) removeFile(path);
  return stream;
}

FILE* readBackScratch(FILE* written) {
  bool failed = std::fflush(written) != 0 || std::ferror(written) != 0;
#ifdef _WIN32
  int fd = failed ? -1 : _dup(_fileno(written));
  FILE* text = nullptr;
  if (fd >= 0) {
    _setmode(fd, _O_BINARY);
    if (_lseeki64(fd, 0, SEEK_SET) == 0) text = _fdopen(fd, "rb");
    if (text == nullptr) _close(fd);
  }
#else
  int fd = failed ? -1 : fcntl(fileno(written), F_DUPFD_CLOEXEC, 0);
  FILE* text = nullptr;
  if (fd >= 0) {
    if (lseek(fd, 0, SEEK_SET) == 0) text = fdopen(fd, "rb");
    if (text == nullptr) close(fd);
  }
#endif
  if (std::fclose(written) != 0) failed = true;
  if (failed && text != nullptr) {
    std::fclose(text);
    text = nullptr;
  }
  return text;
}

bool beginOutput(OutputFile* output, const char* path, FileMode mode) {
  output->stream = nullptr;
  output->partPath.clear();
  if (!followLinks(path, &output->target)) return false;
  const char* target = output->target.c_str();
#ifdef _WIN32
  struct _stat64 existing;
  bool exists = _wstat64(widePath(target).c_str(), &existing) == 0;
#else
  struct stat existing;
  bool exists = stat(target, &existing) == 0;
#endif
  int type = exists ? existing.st_mode & S_IFMT : -1;
  if (exists && type != S_IFREG && type != S_IFDIR) {  // a device, a pipe
    output->stream = openFile(target, writeMode(mode));
    return output->stream != nullptr;
  }
  if (type == S_IFDIR) {
    noteFileFailure(output->target, EISDIR);
    return false;
  }
#ifdef _WIN32
  bool writable = !exists || _waccess(widePath(target).c_str(), 2) == 0;
#else
  bool writable = !exists || access(target, W_OK) == 0;
#endif
  if (!writable) {
    noteFileFailure(output->target, errno);
    return false;
  }
  size_t separator = output->target.find_last_of("/\\");
  std::string folder =
      separator == std::string::npos ? std::string() : output->target.substr(0, separator + 1);
  int fd = -1;
  SignalHold hold;
  holdCleanupSignals(&hold);
  for (unsigned attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    output->partPath = folder + outputScratchName(attempt);
    fd = createNew(output->partPath.c_str(), mode, false);
    if (fd < 0 && errno != EEXIST) break;
  }
  int error = errno;
  if (fd >= 0) noteScratchFile(output->partPath.c_str());
  releaseCleanupSignals(&hold);
  if (fd < 0) {
    noteFileFailure(output->partPath, error);
    output->partPath.clear();
    return false;
  }
#ifndef _WIN32
  // The new file takes the place of the old one, as an editor's save does:
  // it keeps its group where the user may give it that group, then its
  // permissions (set last, as a change of group may clear some).
  // Then the access its ACL gave, which the mode cannot tell.
  holdOutputScratch(fd);
  if (exists) {
    static const gid_t group = getegid();
    if (existing.st_gid != group && fchown(fd, static_cast<uid_t>(-1), existing.st_gid) != 0) {
      errno = 0;  // not a group of the user's: the new file keeps the user's
    }
    fchmod(fd, existing.st_mode & 07777);
    copyAccessAttributes(target, fd);
  }
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
    if (!failed) noteFileFailure(output->target, errno);
    removeFile(output->partPath.c_str());
    return false;
  }
  forgetScratchFile(output->partPath.c_str());
  return true;
}

void abandonOutput(OutputFile* output) {
  std::fclose(output->stream);
  output->stream = nullptr;
  if (!output->partPath.empty()) removeFile(output->partPath.c_str());
}

namespace {
std::string gFailedPath;
int gFailure = 0;
}  // namespace

void noteFileFailure(const std::string& path, int error) {
  gFailedPath = path;
  gFailure = error;
}

std::string lastFileFailure() {
  const char* reason = gFailure != 0 ? std::strerror(gFailure) : "failed";
  return "tourwright: " + consolePath(gFailedPath) + ": " + reason;
}


namespace {
FILE* gConsole = nullptr;
}

FILE* consoleOut() { return gConsole ? gConsole : stdout; }
void setConsoleOut(FILE* stream) { gConsole = stream; }

}  // namespace tourwright
