#include "platform/file_identity.h"

#include <cstdlib>

#include "platform/files.h"

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <io.h>
#include <windows.h>
#else
#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <ctime>
#endif

namespace tourwright {

bool sameStamp(const FileStamp& first, const FileStamp& second) {
  return first.size == second.size && first.modified == second.modified &&
         first.device == second.device && first.inode == second.inode;
}

#ifdef _WIN32
namespace {
bool identify(HANDLE file, FileStamp* stamp) {
  BY_HANDLE_FILE_INFORMATION info;
  if (!GetFileInformationByHandle(file, &info)) return false;
  stamp->size = static_cast<long long>((static_cast<unsigned long long>(info.nFileSizeHigh) << 32) | info.nFileSizeLow);
  stamp->modified = static_cast<long long>((static_cast<unsigned long long>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                                           info.ftLastWriteTime.dwLowDateTime);
  stamp->device = info.dwVolumeSerialNumber;
  stamp->inode = (static_cast<unsigned long long>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

bool identifyPath(const char* path, FileStamp* stamp) {
  HANDLE file = CreateFileW(widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  bool known = identify(file, stamp);
  CloseHandle(file);
  return known;
}
}  // namespace

// Size and last write time only: both stamps of a comparison come from one
// open file, whose identity cannot change, and asking for it means asking
// the volume for its serial number, which Wine's mount manager now and then
// fails to give (a stamp that failed would read as a changed script).
namespace {
FileStamp stampOfHandle(HANDLE file) {
  FileStamp stamp;
  LARGE_INTEGER size;
  FILETIME written;
  if (GetFileSizeEx(file, &size) && GetFileTime(file, nullptr, nullptr, &written)) {
    stamp.size = static_cast<long long>(size.QuadPart);
    stamp.modified = static_cast<long long>(
        (static_cast<unsigned long long>(written.dwHighDateTime) << 32) | written.dwLowDateTime);
  }
  return stamp;
}
}  // namespace

FileStamp stampOf(FILE* stream) {
  return stampOfHandle(reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream))));
}

FileId fileIdOf(const char* path) {
  FileId id;
  FileStamp stamp;
  if (!identifyPath(path, &stamp)) return id;
  id.device = stamp.device;
  id.inode = stamp.inode;
  id.known = true;
  return id;
}

FileStamp stampOfPath(const char* path) {
  HANDLE file = CreateFileW(widePath(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                            nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return FileStamp();
  FileStamp stamp = stampOfHandle(file);
  CloseHandle(file);
  return stamp;
}

long long fileClockNow() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<long long>((static_cast<unsigned long long>(now.dwHighDateTime) << 32) |
                                now.dwLowDateTime);
}
#else
namespace {
FileStamp stampOfInfo(const struct stat& info) {
  FileStamp stamp;
  stamp.size = static_cast<long long>(info.st_size);
  stamp.modified = static_cast<long long>(info.st_mtim.tv_sec) * 1000000000LL + info.st_mtim.tv_nsec;
  stamp.device = static_cast<unsigned long long>(info.st_dev);
  stamp.inode = static_cast<unsigned long long>(info.st_ino);
  return stamp;
}
}  // namespace

FileStamp stampOf(FILE* stream) {
  struct stat info;
  if (fstat(fileno(stream), &info) != 0) return FileStamp();
  return stampOfInfo(info);
}

FileId fileIdOf(const char* path) {
  FileId id;
  struct stat info;
  if (stat(path, &info) != 0) return id;
  id.device = static_cast<unsigned long long>(info.st_dev);
  id.inode = static_cast<unsigned long long>(info.st_ino);
  id.known = true;
  return id;
}

FileStamp stampOfPath(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return FileStamp();
  return stampOfInfo(info);
}

long long fileClockNow() {
  struct timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}
#endif

bool sameFile(const char* first, const char* second) {
  return sameFileId(fileIdOf(first), fileIdOf(second));
}

#ifdef _WIN32
std::string resolvedFolderName(const char* path) {
  wchar_t* full = _wfullpath(nullptr, widePath(path).c_str(), 0);
  if (full == nullptr) return std::string();
  std::string resolved = utf8FromWide(full);
  std::free(full);
  while (!resolved.empty() && isPathSeparator(resolved.back())) resolved.pop_back();
  size_t separator = resolved.find_last_of("/\\:");
  return separator == std::string::npos ? resolved : resolved.substr(separator + 1);
}

std::string resolvedFolderPath(const char* path) {
  wchar_t* full = _wfullpath(nullptr, widePath(path).c_str(), 0);
  if (full == nullptr) return std::string();
  std::string resolved = utf8FromWide(full);
  std::free(full);
  return resolved;
}
#else
std::string resolvedFolderName(const char* path) {
  char* full = realpath(path, nullptr);
  if (full == nullptr) return std::string();
  std::string resolved = full;
  std::free(full);
  return resolved.substr(resolved.rfind('/') + 1);
}

std::string resolvedFolderPath(const char* path) {
  char* full = realpath(path, nullptr);
  if (full == nullptr) return std::string();
  std::string resolved = full;
  std::free(full);
  return resolved;
}
#endif

}  // namespace tourwright
