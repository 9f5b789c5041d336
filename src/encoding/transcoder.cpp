// The output transcoder.
//
// Speed matters here (a tour XML can be large and the conversion runs on
// every build of a tour), so the text is never written byte by byte: runs of
// plain ASCII are copied with one memcpy into a staging buffer that reaches
// the stream in full 64 KiB writes, and the UTF-8 text of every two-byte
// code is looked up in the code page mapping's table, made at build time.
//
// Lines are converted many at a time, as the line reader has them whole in
// its block, since a call per line costs as much as the conversion of a
// short line. That is safe because nothing here reaches past a line end:
// a line feed is no trail byte, no hexadecimal digit and no decimal digit,
// and a NUL ends only the text of its own line.
//
// XML allows no C0 control character besides tab, line feed and carriage
// return, and neither U+FFFE nor U+FFFF; a strict parser rejects the whole
// tour for one. Each of them, raw or escaped, is written as U+FFFD.
//
// A line longer than the read-ahead block is converted piece by piece, never
// held whole. What the next piece may change waits at a piece's end: a lead
// byte, or an escape not yet decided (with a high surrogate, the escape
// after it). A digit run is kept as the digits of its value, which is all
// its reading keeps, so what waits is a few bytes whatever the run; a NUL
// drops the rest of its line, in the pieces still to come too.
#include "encoding/transcoder.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "encoding/code_point.h"
#include "encoding/escape.h"
#include "encoding/ksx_to_unicode.h"

namespace tourwright {

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char kReplacementMarkUtf8[] = "\xE2\x96\xA3";
const char kReplacementCharacterUtf8[] = "\xEF\xBF\xBD";

// Bytes copied as they are: tab, line feed, carriage return and ASCII other
// than the first bytes of the two escapes.
struct ByteTable {
  bool plain[256];
};

constexpr ByteTable makePlainBytes() {
  ByteTable table{};
  for (int b = 0x20; b < 0x80; ++b) table.plain[b] = b != 'U' && b != '&';
  table.plain['\t'] = table.plain['\n'] = table.plain['\r'] = true;
  return table;
}

constexpr ByteTable kPlainBytes = makePlainBytes();

// The length of a UTF-8 text by its first byte's high nibble.
constexpr unsigned char kUtf8LengthByNibble[16] = {1, 1, 1, 1, 1, 1, 1, 1,
                                                   1, 1, 1, 1, 2, 2, 3, 4};

// The byte of `text` that lies first in memory.
inline unsigned char firstByte(uint32_t text) {
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
  return static_cast<unsigned char>(text >> 24);
#else
  return static_cast<unsigned char>(text & 0xFF);
#endif
}

// True when one of the eight bytes in `word` may not be plain: a control
// byte (tab and line feed too), 'U', '&' or a byte of 0x80 or above. (The
// below-n test is exact about whether any byte is below n, whatever the
// byte order.)
inline bool hasStopByte(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  auto hasBelow = [](uint64_t v, unsigned char n) { return (v - kOnes * n) & ~v & kHighs; };
  return ((word & kHighs) | hasBelow(word, 0x20) | hasBelow(word ^ (kOnes * 'U'), 1) |
          hasBelow(word ^ (kOnes * '&'), 1)) != 0;
}

// The first byte at or after `p` that is not plain, or `end`. Every line
// begins with tabs and ends in a line feed, so a word that holds only plain
// bytes besides them is passed over too.
const unsigned char* skipPlainBytes(const unsigned char* p, const unsigned char* end) {
  uint64_t word;
  while (end - p >= 8) {
    std::memcpy(&word, p, 8);
    if (hasStopByte(word)) {
      for (int i = 0; i < 8; ++i) {
        if (!kPlainBytes.plain[p[i]]) return p + i;
      }
    }
    p += 8;
  }
  while (p < end && kPlainBytes.plain[*p]) ++p;
  return p;
}

// ---------------------------------------------------------------------------
// Staging buffer in front of the output stream.

// Full writes of kOutputSize bytes; the slack past it takes the padded
// four-byte text of a two-byte code, whose tail goes on into the next write.
constexpr size_t kOutputSize = 1 << 16;
constexpr size_t kOutputSlack = 4;

struct Utf8Output {
  FILE* stream;
  size_t used;
  char bytes[kOutputSize + kOutputSlack];
};

void writeOutput(Utf8Output* output, size_t length) {
  std::fwrite(output->bytes, 1, length, output->stream);
}

void flushOutput(Utf8Output* output) {
  if (output->used > 0) writeOutput(output, output->used);
  output->used = 0;
}

// Writes a full buffer and keeps what lies past it.
void writeFullOutput(Utf8Output* output) {
  writeOutput(output, kOutputSize);
  output->used -= kOutputSize;
  std::memmove(output->bytes, output->bytes + kOutputSize, output->used);
}

void putBytes(Utf8Output* output, const void* data, size_t length) {
  const char* from = static_cast<const char*>(data);
  while (length > 0) {
    size_t room = kOutputSize - output->used;
    size_t take = length < room ? length : room;
    std::memcpy(output->bytes + output->used, from, take);
    output->used += take;
    from += take;
    length -= take;
    if (output->used == kOutputSize) writeFullOutput(output);
  }
}

// ---------------------------------------------------------------------------

size_t writeEscape(const Escape& escape, const unsigned char* p, const unsigned char* end,
                   Utf8Output* output) {
  int codePoint;
  size_t length = escapedCharacter(escape, p, end, &codePoint);
  if (codePoint < 0) return length;
  if (isForbiddenInXml(codePoint)) codePoint = kReplacementCharacter;
  char text[kUtf8Max];
  codePointToUtf8(codePoint, text);
  putBytes(output, text, std::strlen(text));
  return length;
}

// ---------------------------------------------------------------------------

// Converts [p, end). When `lineGoesOn`, the text is a piece of a line whose
// rest comes later: the conversion stops before a lead byte or escape that
// the rest may change. Returns where it stopped (`end` when it did not), or
// nullptr when a NUL without a line feed after it drops the rest.
const unsigned char* transcodeText(const unsigned char* p, const unsigned char* end,
                                   Utf8Output* output, bool lineGoesOn = false) {
  while (p < end) {
    const unsigned char* run = p;
    p = skipPlainBytes(p, end);
    if (p != run) putBytes(output, run, static_cast<size_t>(p - run));
    if (p == end) return end;

    unsigned char b = *p;
    if (b >= 0x80) {
      // Two-byte codes usually come in runs (a caption): stay in this loop.
      do {
        if (p + 1 < end && p[1] >= kLowestTrail) {
          // One four-byte load, whose first byte gives the length.
          uint32_t text;
          std::memcpy(&text, kKsxPairTable.rows[p[0] - kKsxFirstLead].cells[p[1]].bytes, sizeof text);
          std::memcpy(output->bytes + output->used, &text, sizeof text);
          output->used += kUtf8LengthByNibble[firstByte(text) >> 4];
          if (output->used >= kOutputSize) writeFullOutput(output);
          p += 2;
        } else if (lineGoesOn && p + 1 == end) {
          return p;
        } else {
          putBytes(output, kReplacementMarkUtf8, 3);
          p += 1;
        }
      } while (p < end && *p >= 0x80);
      continue;
    }
    if (b == 0) {
      // A NUL ends the text of its line: on at the next line, if any.
      const void* feed = std::memchr(p, '\n', static_cast<size_t>(end - p));
      if (feed == nullptr) return nullptr;
      p = static_cast<const unsigned char*>(feed) + 1;
      continue;
    }

    if (isForbiddenInXml(b)) {
      putBytes(output, kReplacementCharacterUtf8, 3);
      p += 1;
      continue;
    }
    if (lineGoesOn && escapeUndecided(p, end)) return p;
    Escape escape = readEscape(p, end);
    if (escape.kind == EscapeKind::kNone) {
      putBytes(output, p, 1);
      p += 1;
    } else {
      p += writeEscape(escape, p, end, output);
    }
  }
  return end;
}

// What waits between the pieces of a line: a lead byte, or an undecided
// escape with its digit runs shortened.
constexpr size_t kCarryMax = kUndecidedEscapeMax;
struct PieceCarry {
  unsigned char bytes[kCarryMax];
  size_t length;
  bool skipping;  // a NUL was met: the rest of the line is dropped
};

// Converts the next piece of a line; the last one (`lineEnds`) ends in the
// line feed or ends the input. The piece goes after what waits from the
// previous one, a block at a time.
void transcodePiece(PieceCarry* carry, const unsigned char* piece, size_t length, bool lineEnds,
                    Utf8Output* output) {
  constexpr size_t kChunk = 1 << 16;
  static unsigned char joined[kCarryMax + kChunk];
  do {
    size_t take = length < kChunk ? length : kChunk;
    bool last = lineEnds && take == length;
    if (!carry->skipping) {
      std::memcpy(joined, carry->bytes, carry->length);
      if (take > 0) std::memcpy(joined + carry->length, piece, take);
      const unsigned char* end = joined + carry->length + take;
      const unsigned char* stop = transcodeText(joined, end, output, !last);
      carry->skipping = stop == nullptr;
      carry->length = stop != nullptr ? shortenDigitRuns(stop, end, carry->bytes) : 0;
    }
    piece += take;
    length -= take;
    if (last) *carry = PieceCarry{};
  } while (length > 0);
}

// Text that fits in memory, converted into `stream`.
void transcodeWhole(const char* text, size_t length, FILE* stream) {
  static Utf8Output output;
  output.stream = stream;
  output.used = 0;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  transcodeText(bytes, bytes + length, &output);
  flushOutput(&output);
}

}  // namespace

size_t readCodePageCharacter(const unsigned char* p, const unsigned char* end, int* codePoint) {
  *codePoint = kReplacementMark;
  if (p + 1 >= end || p[1] < kLowestTrail) return 1;
  char text[kUtf8Max + 3] = {};
  ksxToUtf8(p, text);
  int decoded;
  if (decodeUtf8(reinterpret_cast<const unsigned char*>(text), std::strlen(text), &decoded) > 0) {
    *codePoint = decoded;
  }
  return 2;
}

bool isForbiddenInXml(int codePoint) {
  return (codePoint < 0x20 && codePoint != '\t' && codePoint != '\n' && codePoint != '\r') ||
         codePoint == 0xFFFE || codePoint == 0xFFFF;
}

void transcodeLine(const char* line, size_t length, FILE* out) {
  transcodeWhole(line, length, out);
}

void transcodeLinePiece(const char* piece, size_t length, bool lineEnds, FILE* out) {
  static PieceCarry carry;
  static Utf8Output output;
  output.stream = out;
  output.used = 0;
  transcodePiece(&carry, reinterpret_cast<const unsigned char*>(piece), length, lineEnds, &output);
  flushOutput(&output);
}

size_t transcodeShortText(const char* text, size_t length, char* out) {
  // Each byte gives at most three (a lone lead byte gives the mark), so
  // the staging buffer never fills and no stream is needed.
  static_assert(3 * kShortTextLimit < kOutputSize, "a short text fits the staging buffer");
  static Utf8Output output;
  output.stream = nullptr;
  output.used = 0;
  if (length > kShortTextLimit) length = kShortTextLimit;
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
  const void* nul = std::memchr(bytes, '\0', length);
  const unsigned char* end = nul != nullptr ? static_cast<const unsigned char*>(nul) : bytes + length;
  transcodeText(bytes, end, &output);
  std::memcpy(out, output.bytes, output.used);
  out[output.used] = '\0';
  return output.used;
}

bool beginTourXml(OutputFile* xml, const char* outputPath) {
  if (beginOutput(xml, outputPath, FileMode::kText)) return true;
  std::fprintf(consoleOut(), "\nOutput File %s Creation Error!\n", consolePath(outputPath).c_str());
  return false;
}

bool transcodeTourXmlText(FILE* input, FILE* out) {
  // One conversion at a time: the 64 KiB read-ahead and the staging buffer
  // live in static storage, off the stack. Runs of whole lines are converted
  // where they stand; a line that the block does not hold whole (or one with
  // a CR LF pair) comes in pieces.
  static LineReader reader;
  static Utf8Output output;
  static PieceCarry carry;
  carry = PieceCarry{};
  output.stream = out;
  output.used = 0;
  putBytes(&output, kByteOrderMark, 3);
  openLineReader(&reader, input);
  const char* lines;
  size_t length;
  bool lineEnds = true;
  for (;;) {
    if (lineEnds && readLineRun(&reader, &lines, &length)) {
      const unsigned char* text = reinterpret_cast<const unsigned char*>(lines);
      transcodeText(text, text + length, &output);
    } else if (readLinePiece(&reader, &lines, &length, &lineEnds)) {
      transcodePiece(&carry, reinterpret_cast<const unsigned char*>(lines), length, lineEnds,
                     &output);
    } else {
      break;
    }
  }
  if (!lineEnds) transcodePiece(&carry, nullptr, 0, true, &output);
  flushOutput(&output);
  bool readFailed = reader.failed || std::ferror(input) != 0;
  closeLineReader(&reader);
  return !readFailed;
}

int convertTourXml(FILE* input, const char* inputPath, OutputFile* xml, const char* outputPath) {
  FILE* console = consoleOut();
  std::fprintf(console, "Creating %s .... Encoding: %s\n", consolePath(outputPath).c_str(),
               kTranscoderEncodingName);
  if (!transcodeTourXmlText(input, xml->stream)) {
    abandonOutput(xml);
    std::fprintf(console, "\nInput File %s Read Error!\n", consolePath(inputPath).c_str());
    return -1;
  }
  return 0;
}

bool finishTourXml(OutputFile* xml, const char* outputPath) {
  if (finishOutput(xml)) return true;
  std::fprintf(consoleOut(), "\nOutput File %s Creation Error!\n", consolePath(outputPath).c_str());
  return false;
}

int transcodeTourXml(const char* inputPath, const char* outputPath) {
  FILE* input = openForReading(inputPath);
  if (input == nullptr) {
    std::fprintf(consoleOut(), "\nInput File %s Not Found!\n", consolePath(inputPath).c_str());
    return -1;
  }
  OutputFile xml;
  bool done = beginTourXml(&xml, outputPath) &&
              convertTourXml(input, inputPath, &xml, outputPath) == 0 &&
              finishTourXml(&xml, outputPath);
  std::fclose(input);
  return done ? 0 : -1;
}

}  // namespace tourwright
