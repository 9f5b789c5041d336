// A scene's tile XML: where it is, and the copy of its image block into
// the internal tour XML.
//
// The tile XML is not parsed. Each line (whatever its length) is taken as
// a whole, and two substring tests pick the block: a line holding "<image" switches
// copying on (and is written after one extra tab), a line holding "</image>"
// switches it off and is never copied; the writer's own "</image>" line
// closes the block once the file has been read. So a one-line image element
// copies nothing, and an unclosed one copies to the end of the file as it
// stands: a last line without a line feed has the closing row after it on
// the same line. Tiling tools write one element per device class; the
// start line of each element after the first, when the one before it was
// copied, gets the closing row before it, so every element is closed once.
//
// Tile files written by the viewer's tools are UTF-8, and a Korean scene name
// puts UTF-8 bytes into the block. The internal tour XML is Korean code page
// text, so such a file (valid UTF-8 holding non-ASCII bytes, and not code
// page text that happens to be valid UTF-8) has its copied lines converted;
// an ASCII or Korean code page file is copied byte for byte. Both ways copy
// an ASCII line alike, so the decision waits for the first line with a byte
// above 0x7F: only then is the file read through a second time, and an
// all-ASCII file (the usual tile XML) is read once.
//
// An image block runs to megabytes of short lines, so lines are taken as
// the line reader has them whole in its block, and only a line that holds
// a tag, or a byte above 0x7F before the decision, is looked at on its own;
// the lines between are copied, or skipped, in one piece. A line longer
// than a read-ahead block is never held: it is read in pieces twice, once
// for its tags and once, from its start again, for the copy.
#include "tour/tile_xml.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "encoding/code_point.h"
#include "encoding/korean_reading.h"
#include "encoding/transcoder.h"
#include "encoding/unicode_to_ksx.h"
#include "tour/emitter.h"
#include "tour/image_tags.h"

namespace tourwright {

namespace {

// The first place in [p, end) where "<image" or "</image>" may begin (both
// hold an 'm', a rare letter in the level lists), or `end`. `p` is a line
// start, so a tag found here lies in one line.
const char* findTagCandidate(const char* p, const char* end) {
  const char* m = p;
  while ((m = static_cast<const char*>(std::memchr(m, 'm', static_cast<size_t>(end - m)))) !=
         nullptr) {
    if (m - p >= 2 && m[-2] == '<' && m[-1] == 'i') return m - 2;
    if (m - p >= 3 && m[-3] == '<' && m[-2] == '/' && m[-1] == 'i') return m - 3;
    ++m;
  }
  return end;
}

// The first byte above 0x7F in [p, end), or `end`. An ASCII file stays
// undecided to its end, so all of it passes through here: 32 bytes a step.
const char* findHighByte(const char* p, const char* end) {
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  while (end - p >= 32) {
    uint64_t words[4];
    std::memcpy(words, p, sizeof words);
    if (((words[0] | words[1] | words[2] | words[3]) & kHighs) != 0) break;
    p += 32;
  }
  return p + asciiPrefixLength(p, static_cast<size_t>(end - p));
}

// Called at the first line with a byte above 0x7F (every line before it is
// ASCII): true when every line of the file is valid UTF-8, that is when the
// whole file is UTF-8 holding non-ASCII text, unless the text is Korean
// only when read as code page text (encoding/korean_reading.h). Reads the file through a
// second reader and puts the stream back where it was, so the copy's own
// reader goes on as before; false in `*resumed` when that fails or when
// the file cannot be read to its end.
bool fileIsUtf8(FILE* tile, bool* resumed) {
  static LineReader checker;
  std::fpos_t position;
  *resumed = false;
  if (std::fgetpos(tile, &position) != 0) return false;
  std::rewind(tile);
  openLineReader(&checker, tile);
  static Utf8Joiner joiner;
  startUtf8Joiner(&joiner);
  bool valid = true;
  KoreanReading reading = {};
  const char* piece;
  size_t length;
  bool lineEnds;
  // A line feed never lies inside a valid sequence: pieces joined so that
  // no sequence is cut give the answer of the whole lines.
  while (valid && readLinePiece(&checker, &piece, &length, &lineEnds)) {
    const char* text;
    size_t textLength;
    joinUtf8Piece(&joiner, piece, length, lineEnds, &text, &textLength);
    valid = isValidUtf8(text, textLength);
    if (valid) noteKoreanReading(text, textLength, &reading);
  }
  bool readWhole = !checker.failed;
  closeLineReader(&checker);
  std::clearerr(tile);
  *resumed = std::fsetpos(tile, &position) == 0 && readWhole;
  return valid && !readsAsCodePage(reading);
}

// Copied text is gathered here and reaches the .tmp stream in large writes:
// a stream call for every line (or every byte) costs more than the copy.
struct CopyBuffer {
  FILE* out;
  size_t used;
  char bytes[1 << 16];
};

void flushCopy(CopyBuffer* buffer) {
  if (buffer->used > 0) std::fwrite(buffer->bytes, 1, buffer->used, buffer->out);
  buffer->used = 0;
}

// Pieces of many lines go to the stream, which has a large buffer of its
// own, without a copy here.
constexpr size_t kDirectCopy = 4096;

void putCopy(CopyBuffer* buffer, const char* text, size_t length) {
  if (length > sizeof buffer->bytes - buffer->used || length >= kDirectCopy) {
    flushCopy(buffer);
    if (length >= kDirectCopy) {
      std::fwrite(text, 1, length, buffer->out);
      return;
    }
  }
  std::memcpy(buffer->bytes + buffer->used, text, length);
  buffer->used += length;
}

// Writes a line of valid UTF-8 as Korean code page text: ASCII as it is,
// every other character as its code or a numeric character reference.
void writeUtf8AsKsx(CopyBuffer* buffer, const char* line, size_t length) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(line);
  size_t i = 0;
  while (i < length) {
    size_t run = asciiPrefixLength(line + i, length - i);
    putCopy(buffer, line + i, run);
    i += run;
    if (i == length) break;
    int codePoint = 0;
    int used = decodeUtf8(bytes + i, length - i, &codePoint);
    if (used == 0) {  // cannot happen in a file read ahead as UTF-8; copy the byte
      putCopy(buffer, line + i, 1);
      ++i;
      continue;
    }
    const char* text = unicodeToKsx(codePoint);
    putCopy(buffer, text, std::strlen(text));
    i += static_cast<size_t>(used);
  }
}

const char kUtf8Signature[] = "\xEF\xBB\xBF";

struct CopyState {
  FILE* tile;
  CopyBuffer* buffer;
  bool decided;  // whether the file is UTF-8 to convert, once known
  bool convert;
  bool firstLine;
  bool copying;
  // An image start line has been copied that no closing row has closed:
  // a second element's start line closes it first.
  bool elementOpen;
  bool failed;  // reading the file failed: the copy is not whole
};

// The copy rule for a line with its tags; true when the line is copied.
// An image start line that comes while copying is off and an element
// copied before is still open (a tile XML with one image element per
// device class) first gets that element's closing row, so each element
// is closed once; a one-line element writes its tab only, as ever.
bool followTags(CopyState* state, ImageTags tags) {
  if (tags.opens) {
    if (!tags.closes && !state->copying && state->elementOpen) {
      flushCopy(state->buffer);
      writeImageBlockEnd(state->buffer->out);
    }
    state->copying = true;
    putCopy(state->buffer, "\t", 1);
    if (!tags.closes) state->elementOpen = true;
  }
  if (tags.closes) state->copying = false;
  return state->copying;
}

// Copies, or skips, lines that hold no tag and need no decision.
void copyPlainLines(CopyState* state, const char* text, size_t length) {
  if (length == 0) return;
  state->firstLine = false;
  if (!state->copying) return;
  if (state->convert) {
    writeUtf8AsKsx(state->buffer, text, length);
  } else {
    putCopy(state->buffer, text, length);
  }
}

// The first byte above 0x7F decides whether the file is UTF-8 (its copied
// text then converted); false, the copy failed, when the file could not be
// read through for it.
bool decideEncoding(CopyState* state) {
  state->decided = true;
  bool resumed = false;
  state->convert = fileIsUtf8(state->tile, &resumed);
  if (!resumed) state->failed = true;
  return resumed;
}

void copyLine(CopyState* state, const char* line, size_t length) {
  if (!state->decided && asciiPrefixLength(line, length) != length) {
    if (!decideEncoding(state)) return;
    if (state->convert && state->firstLine && length >= 3 &&
        std::memcmp(line, kUtf8Signature, 3) == 0) {
      line += 3;  // the file's signature is no text of the block
      length -= 3;
    }
  }
  state->firstLine = false;
  if (!followTags(state, findImageTags(line, length))) return;
  if (state->convert) {
    writeUtf8AsKsx(state->buffer, line, length);
  } else {
    putCopy(state->buffer, line, length);
  }
}

// Handles whole lines (the last may lack its line feed): the lines up to
// the next one that needs a look of its own in one piece, that one alone.
void copyLines(CopyState* state, const char* text, size_t length) {
  const char* p = text;
  const char* end = text + length;
  while (p < end && !state->failed) {
    const char* special = findTagCandidate(p, end);
    if (!state->decided) special = findHighByte(p, special);
    const char* lineStart = special;
    while (lineStart > p && lineStart[-1] != '\n') --lineStart;
    copyPlainLines(state, p, static_cast<size_t>(lineStart - p));
    if (special == end) {
      // No tag and nothing undecided up to the end: only a last line without
      // a line feed may be left.
      if (lineStart < end) copyLine(state, lineStart, static_cast<size_t>(end - lineStart));
      return;
    }
    const char* feed =
        static_cast<const char*>(std::memchr(special, '\n', static_cast<size_t>(end - special)));
    const char* lineEnd = feed != nullptr ? feed + 1 : end;
    copyLine(state, lineStart, static_cast<size_t>(lineEnd - lineStart));
    p = lineEnd;
  }
}

// A line that goes on past the read-ahead block, from its first piece: a
// line that fits in `gathered` is handled as any other; a longer one is
// read in pieces for its tags, then, when it is copied, again from its
// start (a stream that cannot go back fails the read).
void copyLongLine(CopyState* state, LineReader* reader, const char* piece, size_t length) {
  static char gathered[1 << 17];
  bool marked = markLineStart(reader);
  size_t used = 0;
  TagScan scan = {};
  bool high = false;
  bool lineEnds = false;
  for (;;) {
    if (used + length <= sizeof gathered) {
      std::memcpy(gathered + used, piece, length);
    }
    used += length;
    scanTags(&scan, piece, length);
    high = high || asciiPrefixLength(piece, length) != length;
    if (lineEnds) break;
    if (!readLinePiece(reader, &piece, &length, &lineEnds)) break;
  }
  if (used <= sizeof gathered) {
    copyLines(state, gathered, used);
    return;
  }
  if (!marked || reader->failed) {
    state->failed = true;
    return;
  }
  if (!state->decided && high && !decideEncoding(state)) return;
  bool skipSignature = state->convert && state->firstLine;
  state->firstLine = false;
  if (!followTags(state, scan.tags)) return;
  if (!returnToLineStart(reader)) {
    state->failed = true;
    return;
  }
  static Utf8Joiner joiner;
  startUtf8Joiner(&joiner);
  lineEnds = false;
  while (!lineEnds && readLinePiece(reader, &piece, &length, &lineEnds)) {
    if (skipSignature && length >= 3 && std::memcmp(piece, kUtf8Signature, 3) == 0) {
      piece += 3;  // the file's signature is no text of the block
      length -= 3;
    }
    skipSignature = false;
    if (state->convert) {
      const char* text;
      size_t textLength;
      joinUtf8Piece(&joiner, piece, length, lineEnds, &text, &textLength);
      writeUtf8AsKsx(state->buffer, text, textLength);
    } else {
      putCopy(state->buffer, piece, length);
    }
  }
  if (!lineEnds) state->failed = true;
}

}  // namespace

void writeImageBlockEnd(FILE* out) { emitRow(out, 2, 1, "</image>"); }

bool copyImageBlock(FILE* tile, FILE* out) {
  // One scene is written at a time: the read-ahead and the copy buffer
  // live in static storage, off the stack.
  static LineReader reader;
  static CopyBuffer buffer;
  buffer.out = out;
  buffer.used = 0;
  openLineReader(&reader, tile);

  CopyState state = {tile, &buffer, false, false, true, false, false, false};
  const char* text;
  size_t length;
  while (!state.failed) {
    if (readLineRun(&reader, &text, &length)) {
      copyLines(&state, text, length);
      continue;
    }
    bool lineEnds;
    if (!readLinePiece(&reader, &text, &length, &lineEnds)) break;
    if (lineEnds) {
      copyLines(&state, text, length);
    } else {
      copyLongLine(&state, &reader, text, length);
    }
  }
  flushCopy(&buffer);
  bool readWhole = !state.failed && !reader.failed;
  closeLineReader(&reader);
  return readWhole;
}

// A scene name is script text, in the code page; a file system that names
// files in Unicode holds a Korean scene's tile XML under the UTF-8 form of
// the name, the form the final tour XML gives its tiles folder. That form
// is tried when no file stands under the name as it is.
std::string tileXmlPath(const char* directory, const char* sceneName) {
  std::string path = joinPath(directory, sceneName, ".xml");
  if (isNonFolder(path.c_str())) return path;
  char unicodeName[3 * kShortTextLimit + 1];
  transcodeShortText(sceneName, std::strlen(sceneName), unicodeName);
  if (std::strcmp(unicodeName, sceneName) == 0) return path;
  std::string unicodePath = joinPath(directory, unicodeName, ".xml");
  if (isNonFolder(unicodePath.c_str())) return unicodePath;
  return path;
}

}  // namespace tourwright
