#include "platform/line_reader.h"

#include <cstdlib>
#include <cstring>

#include "platform/system_files.h"

namespace tourwright {

namespace {

constexpr size_t kBlockSize = sizeof(LineReader::block) - 1;

long long streamOffset(FILE* stream) {
#ifdef _WIN32
  return _ftelli64(stream);
#else
  return static_cast<long long>(ftello(stream));
#endif
}

bool seekStream(FILE* stream, long long offset) {
#ifdef _WIN32
  return _fseeki64(stream, offset, SEEK_SET) == 0;
#else
  return fseeko(stream, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

}  // namespace

void openLineReader(LineReader* reader, FILE* stream) {
  reader->stream = stream;
  reader->blockStart = 0;
  reader->blockEnd = 0;
  reader->failed = false;
  reader->holding = false;
  reader->lineStart = -1;
  reader->resumeAt = -1;
}

namespace {

bool refill(LineReader* reader) {
  if (reader->failed || reader->stream == nullptr) return false;
  if (reader->resumeAt >= 0) {
    if (!seekStream(reader->stream, reader->resumeAt)) {
      reader->failed = true;
      return false;
    }
    reader->resumeAt = -1;
  }
  reader->blockStart = 0;
  reader->blockEnd = std::fread(reader->block, 1, kBlockSize, reader->stream);
  if (reader->blockEnd == 0 && std::ferror(reader->stream)) reader->failed = true;
  return reader->blockEnd > 0;
}

bool reserve(LineReader* reader, size_t needed) {
  if (needed <= reader->capacity) return true;
  size_t capacity = reader->capacity == 0 ? 256 : reader->capacity;
  while (capacity < needed) capacity *= 2;
  char* grown = static_cast<char*>(std::realloc(reader->line, capacity));
  if (grown == nullptr) {
    reader->failed = true;
    return false;
  }
  reader->line = grown;
  reader->capacity = capacity;
  return true;
}

// readLine NUL-terminates a line that it hands out where it stands by
// borrowing the byte after it; the next read puts that byte back.
void releaseHeldByte(LineReader* reader) {
  if (reader->holding) {
    reader->block[reader->heldAt] = reader->heldByte;
    reader->holding = false;
  }
}

}  // namespace

bool readLine(LineReader* reader, const char** line, size_t* length) {
  releaseHeldByte(reader);
  // Most lines lie whole in the block: no copy.
  if (reader->blockStart < reader->blockEnd || refill(reader)) {
    char* start = reader->block + reader->blockStart;
    size_t available = reader->blockEnd - reader->blockStart;
    char* feed = static_cast<char*>(std::memchr(start, '\n', available));
    if (feed != nullptr) {
      size_t used = static_cast<size_t>(feed - start) + 1;
      reader->blockStart += used;
      if (used >= 2 && start[used - 2] == '\r') {
        start[used - 2] = '\n';  // both bytes belong to this line
        start[--used] = '\0';
      } else {
        reader->holding = true;
        reader->heldAt = reader->blockStart;
        reader->heldByte = reader->block[reader->blockStart];
        reader->block[reader->blockStart] = '\0';
      }
      *line = start;
      *length = used;
      return true;
    }
  }
  // A line that goes on past the block is gathered in the line buffer.
  size_t used = 0;
  bool any = false;
  for (;;) {
    if (reader->blockStart == reader->blockEnd && !refill(reader)) break;
    any = true;
    const char* start = reader->block + reader->blockStart;
    size_t available = reader->blockEnd - reader->blockStart;
    const char* feed = static_cast<const char*>(std::memchr(start, '\n', available));
    size_t take = feed ? static_cast<size_t>(feed - start) + 1 : available;
    if (!reserve(reader, used + take + 1)) return false;
    std::memcpy(reader->line + used, start, take);
    used += take;
    reader->blockStart += take;
    if (feed) break;
  }
  if (!any) return false;
  if (used >= 2 && reader->line[used - 1] == '\n' && reader->line[used - 2] == '\r') {
    reader->line[used - 2] = '\n';
    --used;
  }
  reader->line[used] = '\0';
  *line = reader->line;
  *length = used;
  return true;
}

bool readLineRun(LineReader* reader, const char** text, size_t* length) {
  releaseHeldByte(reader);
  if (reader->blockStart == reader->blockEnd && !refill(reader)) return false;
  char* start = reader->block + reader->blockStart;
  size_t available = reader->blockEnd - reader->blockStart;
  // A CR LF pair must read as LF: the run stops before the first CR.
  const char* carriage = static_cast<const char*>(std::memchr(start, '\r', available));
  size_t limit = carriage ? static_cast<size_t>(carriage - start) : available;
  while (limit > 0 && start[limit - 1] != '\n') --limit;
  if (limit == 0) return false;
  reader->blockStart += limit;
  *text = start;
  *length = limit;
  return true;
}

bool readLinePiece(LineReader* reader, const char** text, size_t* length, bool* lineEnds) {
  releaseHeldByte(reader);
  if (reader->blockStart == reader->blockEnd && !refill(reader)) return false;
  char* start = reader->block + reader->blockStart;
  size_t available = reader->blockEnd - reader->blockStart;
  reader->pieceStart = reader->blockStart;
  char* feed = static_cast<char*>(std::memchr(start, '\n', available));
  size_t take = feed != nullptr ? static_cast<size_t>(feed - start) + 1 : available;
  *lineEnds = true;
  if (feed == nullptr && available > 1 && start[available - 1] == '\r') {
    --take;  // the CR may begin a CR LF pair: it waits for the next block
    *lineEnds = false;
  } else if (feed == nullptr) {
    // Whether the line goes on shows only in the byte after the block.
    int next = std::getc(reader->stream);
    if (next == EOF) {
      if (std::ferror(reader->stream)) reader->failed = true;
    } else if (available == 1 && start[0] == '\r' && next == '\n') {
      start[0] = '\n';
    } else {
      std::ungetc(next, reader->stream);
      *lineEnds = false;
    }
  }
  reader->blockStart += take;
  if (feed != nullptr && take >= 2 && start[take - 2] == '\r') {
    start[take - 2] = '\n';
    --take;
  }
  *text = start;
  *length = take;
  return true;
}

namespace {

// Where in the file the block's byte `at` stands, or -1 for a stream that
// cannot tell.
long long fileOffsetOf(const LineReader* reader, size_t at) {
  long long blockEndsAt = streamOffset(reader->stream);
  return blockEndsAt < 0 ? -1 : blockEndsAt - static_cast<long long>(reader->blockEnd - at);
}

}  // namespace

bool markLineStart(LineReader* reader) {
  reader->lineStart = fileOffsetOf(reader, reader->pieceStart);
  return reader->lineStart >= 0;
}

bool returnToLineStart(LineReader* reader) {
  releaseHeldByte(reader);
  reader->blockStart = 0;
  reader->blockEnd = 0;
  if (reader->lineStart >= 0 && seekStream(reader->stream, reader->lineStart)) return true;
  reader->failed = true;
  return false;
}

LineText lineTextOf(const char* bytes, size_t length) {
  const char* nul = static_cast<const char*>(std::memchr(bytes, '\0', length));
  size_t firstNul = nul != nullptr ? static_cast<size_t>(nul - bytes) : length;
  return LineText{bytes, 0, length, length, firstNul, nullptr, 0};
}

bool readLineText(LineReader* reader, LineText* text) {
  releaseHeldByte(reader);
  if (reader->blockStart == reader->blockEnd && !refill(reader)) return false;
  char* start = reader->block + reader->blockStart;
  size_t available = reader->blockEnd - reader->blockStart;
  const char* feed = static_cast<const char*>(std::memchr(start, '\n', available));
  if (feed != nullptr) {
    size_t used = static_cast<size_t>(feed - start) + 1;
    reader->blockStart += used;
    size_t length = used - 1;
    if (length > 0 && start[length - 1] == '\r') --length;
    *text = lineTextOf(start, length);
    return true;
  }
  long long lineStart = fileOffsetOf(reader, reader->blockStart);
  if (lineStart < 0) {
    const char* line;
    size_t length;
    if (!readLine(reader, &line, &length)) return false;
    if (length > 0 && line[length - 1] == '\n') --length;
    *text = lineTextOf(line, length);
    return true;
  }
  // Through the line once, for its length and its first NUL.
  LineText found{nullptr, 0, 0, 0, 0, reader, lineStart};
  const char* piece = nullptr;
  size_t pieceLength = 0;
  bool lineEnds = false;
  bool nulFound = false;
  int pieces = 0;
  while (!lineEnds && readLinePiece(reader, &piece, &pieceLength, &lineEnds)) {
    const char* nul = nulFound ? nullptr : static_cast<const char*>(std::memchr(piece, '\0', pieceLength));
    if (nul != nullptr) {
      found.firstNul = found.length + static_cast<size_t>(nul - piece);
      nulFound = true;
    }
    found.length += pieceLength;
    ++pieces;
  }
  if (reader->failed || pieces == 0) return false;
  if (pieceLength > 0 && piece[pieceLength - 1] == '\n') --found.length;
  if (!nulFound) found.firstNul = found.length;
  if (pieces == 1) {
    *text = lineTextOf(piece, found.length);  // a last line without a line feed
  } else {
    *text = found;
  }
  return true;
}

const char* loadLineWindow(LineText* text, size_t position) {
  static const char kNoByte = '\0';
  LineReader* reader = text->reader;
  if (reader == nullptr) return &kNoByte;  // beyond a line in memory: never asked
  // The block now holds the window: the next refill goes on after the line.
  if (reader->resumeAt < 0 && !reader->failed) {
    reader->resumeAt = fileOffsetOf(reader, reader->blockStart);
    if (reader->resumeAt < 0) reader->failed = true;
  }
  reader->blockStart = 0;
  reader->blockEnd = 0;
  size_t wanted = text->length - position;
  if (wanted > kBlockSize) wanted = kBlockSize;
  // The last window reads the byte after the line too: a line end there
  // still, or the file's end, or the file was rewritten under the reader.
  bool last = position + wanted == text->length;
  pauseForTest("read-back");
  size_t got = 0;
  if (!reader->failed && seekStream(reader->stream, text->fileStart + static_cast<long long>(position))) {
    got = std::fread(reader->block, 1, wanted + (last ? 1 : 0), reader->stream);
  }
  if (last && got == wanted + 1) {
    char after = reader->block[wanted];
    got = after == '\n' || after == '\r' ? wanted : 0;
  }
  // A line that cannot be read back (the file changed or failed) fails the
  // read; what the reader is given meanwhile is NUL bytes.
  if (got < wanted) {
    reader->failed = true;
    std::memset(reader->block + got, 0, wanted - got);
  }
  text->window = reader->block;
  text->windowStart = position;
  text->windowLength = wanted;
  return reader->block;
}

size_t findLineByte(LineText* text, size_t from, size_t to, char byte) {
  while (from < to) {
    const char* bytes;
    size_t count = lineWindowAt(text, from, &bytes);
    if (count > to - from) count = to - from;
    const void* hit = std::memchr(bytes, byte, count);
    if (hit != nullptr) return from + static_cast<size_t>(static_cast<const char*>(hit) - bytes);
    from += count;
  }
  return to;
}

void closeLineReader(LineReader* reader) {
  std::free(reader->line);
  reader->line = nullptr;
  reader->capacity = 0;
}

}  // namespace tourwright
