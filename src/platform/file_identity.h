// Which file a path names, and whether a file's text is the one read
// earlier: what tells a run's inputs from its outputs and a script
// changed under its reader.
#ifndef TOURWRIGHT_PLATFORM_FILE_IDENTITY_H_
#define TOURWRIGHT_PLATFORM_FILE_IDENTITY_H_

#include <cstdio>
#include <string>

namespace tourwright {

// True when both paths name one existing file (the same device and inode
// on POSIX, the same volume and file index on Windows), through links,
// "." and "..", or hard links.
bool sameFile(const char* first, const char* second);

// The file a path names, to compare with several others without asking
// the system again each time; `known` is false when nothing stands there.
struct FileId {
  unsigned long long device = 0;
  unsigned long long inode = 0;
  bool known = false;
};
FileId fileIdOf(const char* path);
inline bool sameFileId(const FileId& a, const FileId& b) {
  return a.known && b.known && a.device == b.device && a.inode == b.inode;
}

// What tells a file's text apart from the text it had earlier: its size
// and modification time, and the file itself (on POSIX; on Windows the
// stamps compared are always of one open file, so only size and time).
struct FileStamp {
  long long size = -1;
  long long modified = 0;  // nanoseconds where the system keeps them
  unsigned long long device = 0;
  unsigned long long inode = 0;
};
FileStamp stampOf(FILE* stream);
// The stamp of the file at `path` now (links followed; on Windows size and
// time only, as stampOf); size -1 when nothing stands there.
FileStamp stampOfPath(const char* path);
bool sameStamp(const FileStamp& first, const FileStamp& second);
// The system clock in the units of FileStamp::modified, to tell how long
// ago a file was last written.
long long fileClockNow();
// FileStamp::modified's units in one second.
constexpr long long kFileClockPerSecond =
#ifdef _WIN32
    10000000LL;  // 100-nanosecond intervals
#else
    1000000000LL;
#endif

// The name of the folder that `path` resolves to (links, "." and ".."
// resolved): "palace" for "." in /tours/palace. Empty when the folder
// cannot be resolved or has no name (a root).
std::string resolvedFolderName(const char* path);
// The whole absolute path of that folder; empty when it cannot be resolved.
std::string resolvedFolderPath(const char* path);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_FILE_IDENTITY_H_
