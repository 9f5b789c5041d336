// The line reader: a stream read line by line, with CR LF read as LF on
// every platform. A line is handed out whole however long it is, in pieces,
// or as a LineText that reads a long line back from the file as its bytes
// are asked for, so that no line need be held whole.
#ifndef TOURWRIGHT_PLATFORM_LINE_READER_H_
#define TOURWRIGHT_PLATFORM_LINE_READER_H_

#include <cstddef>
#include <cstdio>

namespace tourwright {

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
  // Reading a long LineText back puts its bytes in the block; the next
  // refill goes back to the line's end first.
  long long resumeAt = -1;
};

// The bytes of one line before its line feed (a CR LF pair is the line
// feed), NUL bytes included, for readers that look at a line in any order
// without holding it. A line that lies whole in memory is one window; a
// longer one is read back from the file a block at a time as its bytes are
// asked for, into the reader's block.
struct LineText {
  const char* window;  // the line's bytes [windowStart, windowStart + windowLength)
  size_t windowStart;
  size_t windowLength;
  size_t length;
  size_t firstNul;     // the first NUL byte's position, or `length`
  LineReader* reader;  // reads the windows of a line not whole in memory, or nullptr
  long long fileStart;  // where the line starts in the file
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
// Reads the next line as a LineText, valid until the next read. A line
// that goes on past the block is read through once to find its length and
// is then read back as asked; from a stream that cannot take a position (a
// pipe) it is gathered whole instead. Returns false at the end of the input.
bool readLineText(LineReader* reader, LineText* text);
// A LineText over `length` bytes in memory.
LineText lineTextOf(const char* bytes, size_t length);
// Reads the window of `text` that starts at `position` and returns it.
const char* loadLineWindow(LineText* text, size_t position);
// The bytes of `text` from `position` (below its length) that stand in one
// window: their count, and in `*bytes` where they are.
// (An offset below the window wraps round to a large one.)
inline size_t lineWindowAt(LineText* text, size_t position, const char** bytes) {
  size_t offset = position - text->windowStart;
  *bytes = offset < text->windowLength ? text->window + offset : loadLineWindow(text, position);
  return text->windowStart + text->windowLength - position;
}
// Byte `position` of `text` (below its length).
inline unsigned char lineByte(LineText* text, size_t position) {
  size_t offset = position - text->windowStart;
  if (offset < text->windowLength) {
    return static_cast<unsigned char>(text->window[offset]);
  }
  return static_cast<unsigned char>(*loadLineWindow(text, position));
}
// The position of the first `byte` in [from, to) of `text`, or `to`.
size_t findLineByte(LineText* text, size_t from, size_t to, char byte);

// Frees the line buffer; the stream is the caller's to close.
void closeLineReader(LineReader* reader);

}  // namespace tourwright

#endif  // TOURWRIGHT_PLATFORM_LINE_READER_H_
