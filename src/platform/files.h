// Files, paths and the console stream: what differs between POSIX and
// Windows there.
//
// Files are opened through here so that every reader sees the same text:
// scripts, tile XML files and the internal tour XML are read in binary and
// each CR LF pair is turned into LF on every platform (by the line
// reader), while text written in FileMode::kText gets the platform's line
// end (LF on POSIX, CR LF on Windows). Nothing is ever written through a
// name that someone else may have planted: scratch files are created
// afresh, outputs replaced whole. Paths are formed with the platform separator; both '\' and
// '/' are accepted as separators when a path typed by the user is split.
//
// Paths are UTF-8 inside the program on every platform. On Windows the
// command line is taken in UTF-16 and every file is reached through the
// wide functions, so a folder or file name in any script can be opened
// whatever the system's ANSI code page; a path that is not UTF-8 (code page
// text, such as a scene name joined to a folder) is read in the ANSI code
// page, as the narrow functions read it.
//
// Console text goes to consoleOut(), which is standard output unless the
// driver (or a test) has put another stream in its place. Standard output
// stays as the C runtime gives it: in text mode, so on Windows each console
// line ends in CR LF like every other text stream there (also when it is
// redirected to a file), and its bytes are the Korean code page text as the
// tour model holds it (the driver's console unit shows it converted on a
// terminal or a Windows console).
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

// Opens a regular file for reading in binary mode. A folder, a pipe, a
// device, or a path that cannot be opened gives nullptr, without waiting
// for a pipe's writer.
FILE* openForReading(const char* path);

// Up to `count` bytes from the start of a stream of openForReading that
// has not been read yet, leaving it at its start: one read of the file
// where the system can read at an offset. The number of bytes, fewer at the
// file's end; -1 when reading failed.
long peekStart(FILE* stream, unsigned char* bytes, size_t count);

enum class FileMode { kText, kBinary };  // text writes the platform's line end

// Creates a scratch file afresh: what stands at `path` (a file, or a link,
// which is never followed) is removed, and the file is created only where
// nothing stands, readable by the user alone, so that a link planted at the
// name cannot steer the writes elsewhere. nullptr when that fails (a folder
// at the name stays; lastFileFailure() tells why). The file is open for
// reading too: readBackScratch reads it through the same open file, so it
// is never opened again by its name. Until removeFile a signal that ends
// the run removes it (scratch_cleanup.h).
FILE* createScratchFile(const char* path, FileMode mode);
// Flushes and closes `written`, a stream of createScratchFile or
// createTemporaryStream, and returns its text read back from the start,
// in binary, through the same open file; nullptr when a write failed.
FILE* readBackScratch(FILE* written);

// The last file that could not be opened, created or read here, and the
// system's reason, as "tourwright: <path>: <reason>" for a second line
// under the program's own message.
void noteFileFailure(const std::string& path, int error);
std::string lastFileFailure();


// An output file that is replaced whole or not at all. When `path` is a
// link, the output is the file the links lead to, and that file is
// replaced in its own folder, the link kept. The text goes to a scratch
// file with a short unique name beside the target and is moved over it
// when complete; it keeps the permissions of the file it replaces. A
// device or a pipe is written in place, never replaced.
struct OutputFile {
  FILE* stream = nullptr;
  std::string target;    // the file replaced
  std::string partPath;  // the new text until it is complete; empty in place
};
// False, with nothing created, when the output cannot be created: its
// folder is missing or closed to the user, a folder stands at its name,
// or the user may not write the file it would replace.
bool beginOutput(OutputFile* output, const char* path, FileMode mode);
// Closes the stream and moves the text into place; false (the target as
// it was, no scratch file left) when a write or the move failed.
bool finishOutput(OutputFile* output);
// Closes the stream and removes the scratch file; the target stays.
void abandonOutput(OutputFile* output);

bool removeFile(const char* path);
// Moves `from` over `to`, replacing an existing file.
bool replaceFile(const char* from, const char* to);
// True when something (a file, a folder, a device) stands at `path`.
bool pathExists(const char* path);
bool isDirectory(const char* path);
// True when `path` is a regular file, or a link that leads to one.
bool isRegularFile(const char* path);
// True when something other than a folder stands at `path`.
bool isNonFolder(const char* path);
// True when `path` exists and is neither a regular file nor a folder (a
// device such as /dev/null, a pipe).
bool isSpecialFile(const char* path);


// The bytes in which a path is shown on the console: on Windows a UTF-8
// path is written in the ANSI code page (a character it lacks as '?'), the
// bytes a narrow command line gave; elsewhere, and for a path that is not
// UTF-8, the path as it is.
std::string consolePath(const std::string& path);

#ifdef _WIN32
// UTF-16 text, such as a command-line argument, in UTF-8.
std::string utf8FromWide(const wchar_t* text);
// A path in UTF-16, for the system: UTF-8, or code page text where the
// path is not UTF-8 (as the narrow functions read it).
std::wstring widePath(const char* path);
#else
// Opens a regular file for reading without waiting for a pipe's writer;
// -1 for anything else.
int openRegular(const char* path);
#endif

FILE* consoleOut();
void setConsoleOut(FILE* stream);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_FILES_H_
