// The platform unit: everything that differs between POSIX and Windows.
//
// Files are opened through here so that every reader sees the same text:
// scripts, tile XML files and the internal tour XML are read in binary and
// each CR LF pair is turned into LF on every platform, while text written
// with openTextForWriting gets the platform's line end (LF on POSIX, CR LF
// on Windows). Paths are formed with the platform separator; both '\' and
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
// tour model holds it, which a console set to that code page shows as is.
#ifndef TOURWRIGHT_PLATFORM_PLATFORM_H_
#define TOURWRIGHT_PLATFORM_PLATFORM_H_

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
// True when something (a file, a folder, a device) stands at `path`.
bool pathExists(const char* path);
bool isDirectory(const char* path);
// True when `path` exists and is neither a regular file nor a folder (a
// device such as /dev/null, a pipe): such a target is written in place,
// never replaced.
bool isSpecialFile(const char* path);

// Reads a stream line by line, each line whole however long it is. The
// line keeps its line feed (absent only on a last line without one); a
// CR LF pair reads as LF. Lines may hold NUL bytes: `length` counts them.
// The text is NUL-terminated and valid until the next call.
struct LineReader {
  FILE* stream = nullptr;
  char* line = nullptr;  // grows to the longest line read
  size_t capacity = 0;
  char block[(1 << 16) + 1];  // read-ahead buffer, and room for a NUL after it
  size_t blockStart = 0;
  size_t blockEnd = 0;
  bool failed = false;  // out of memory or read error: input ends there
  // A line that lies whole in the block is handed out where it stands; its
  // NUL then covers the first byte of the next line, kept here until the
  // next call puts it back.
  bool holding = false;
  size_t heldAt = 0;
  char heldByte = 0;
  size_t pieceStart = 0;      // where in the block the last piece began
  long long lineStart = -1;   // the file offset noted by markLineStart
};

void openLineReader(LineReader* reader, FILE* stream);
// Returns false at the end of the input.
bool readLine(LineReader* reader, const char** line, size_t* length);
// Hands out, where they stand in the read-ahead block, the whole lines
// that lie there from the current position: `*length` bytes ending in a
// line feed, holding no carriage return and not NUL-terminated, valid
// until the next call. Returns false when the next line is not whole in
// the block or has a carriage return in it; readLine then reads that line.
// Lines handed out either way come in order, each once.
bool readLineRun(LineReader* reader, const char** text, size_t* length);
// Hands out the next piece of a line, for readers that need no line whole:
// the bytes of the line that stand in the read-ahead block (at most a
// block), a CR LF pair read as LF as readLine reads it, not NUL-terminated.
// `*lineEnds` marks a line's last piece: it ends in the line feed, or the
// input ends after it. Returns false at the end of the input.
bool readLinePiece(LineReader* reader, const char** text, size_t* length, bool* lineEnds);
// Notes where the line whose first piece was just handed out starts, and
// goes back there, so that the line is handed out again; a stream that
// cannot tell or take a position (a pipe) gives false.
bool markLineStart(LineReader* reader);
bool returnToLineStart(LineReader* reader);
// Frees the line buffer; the stream is the caller's to close.
void closeLineReader(LineReader* reader);

// The bytes in which a path is shown on the console: on Windows a UTF-8
// path is written in the ANSI code page (a character it lacks as '?'), the
// bytes a narrow command line gave; elsewhere, and for a path that is not
// UTF-8, the path as it is.
std::string consolePath(const std::string& path);

#ifdef _WIN32
// UTF-16 text, such as a command-line argument, in UTF-8.
std::string utf8FromWide(const wchar_t* text);
#endif

FILE* consoleOut();
void setConsoleOut(FILE* stream);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_PLATFORM_H_
