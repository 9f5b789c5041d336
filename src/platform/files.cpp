#include "platform/files.h"

#include <sys/stat.h>

#include <cstring>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#endif

namespace tourwright {

std::string joinPath(const std::string& directory, const std::string& name,
                     const char* extension) {
  std::string path = directory;
  path += kPathSeparator;
  path += name;
  path += extension;
  return path;
}

bool isDirectory(const char* path) {
  struct stat info;
  return stat(path, &info) == 0 && (info.st_mode & S_IFMT) == S_IFDIR;
}

bool isSpecialFile(const char* path) {
  struct stat info;
  if (stat(path, &info) != 0) return false;
  int type = info.st_mode & S_IFMT;
  return type != S_IFREG && type != S_IFDIR;
}

FILE* openForReading(const char* path) {
  if (isDirectory(path)) return nullptr;
  return std::fopen(path, "rb");
}

FILE* openTextForWriting(const char* path) {
#ifdef _WIN32
  return std::fopen(path, "wt");
#else
  return std::fopen(path, "w");
#endif
}

FILE* openBinaryForWriting(const char* path) { return std::fopen(path, "wb"); }

bool removeFile(const char* path) { return std::remove(path) == 0; }

bool replaceFile(const char* from, const char* to) {
#ifdef _WIN32
  return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING) != 0;
#else
  return std::rename(from, to) == 0;
#endif
}

namespace {
FILE* gConsole = nullptr;
}

FILE* consoleOut() { return gConsole ? gConsole : stdout; }
void setConsoleOut(FILE* stream) { gConsole = stream; }

}  // namespace tourwright
