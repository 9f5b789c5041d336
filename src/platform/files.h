// Files, paths and the console stream: what differs between POSIX and
// Windows there.
//
// Files are opened through here so that every reader sees the same text:
// scripts, tile XML files and the internal tour XML are read in binary and
// each CR LF pair is turned into LF on every platform, while text written
// with openTextForWriting gets the platform's line end (LF on POSIX, CR LF
// on Windows). Paths are formed with the platform separator; both '\' and
// '/' are accepted as separators when a path typed by the user is split.
//
// Console text goes to consoleOut(), which is standard output unless the
// driver (or a test) has put another stream in its place. Standard output
// stays as the C runtime gives it: in text mode, so on Windows each console
// line ends in CR LF like every other text stream there (also when it is
// redirected to a file), and its bytes are the Korean code page text as the
// tour model holds it, which a console set to that code page shows as is.
#ifndef TOURWRIGHT_PLATFORM_FILES_H_
#define TOURWRIGHT_PLATFORM_FILES_H_

#include <cstddef>
#include <cstdio>
#include <string>

namespace tourwright {

#ifdef _WIN32
constexpr char kPathSeparator = '\\';
#else
constexpr char kPathSeparator = '/';
#endif

inline bool isPathSeparator(char c) { return c == '/' || c == '\\'; }

// "<directory><sep><name><extension>", e.g. joinPath("d", "hall", ".xml").
std::string joinPath(const std::string& directory, const std::string& name,
                     const char* extension);

// Opens a regular file for reading in binary mode; a folder, or a path that
// cannot be opened, gives nullptr.
FILE* openForReading(const char* path);
// Creates or truncates a file; text mode writes the platform's line end.
FILE* openTextForWriting(const char* path);
FILE* openBinaryForWriting(const char* path);

bool removeFile(const char* path);
// Moves `from` over `to`, replacing an existing file.
bool replaceFile(const char* from, const char* to);
bool isDirectory(const char* path);
// True when `path` exists and is neither a regular file nor a folder (a
// device such as /dev/null, a pipe): such a target is written in place,
// never replaced.
bool isSpecialFile(const char* path);

FILE* consoleOut();
void setConsoleOut(FILE* stream);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_FILES_H_
