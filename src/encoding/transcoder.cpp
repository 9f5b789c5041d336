// The output transcoder.
//
// Speed matters here (a tour XML can be large and the conversion runs on
// every build of a tour), so the text is never written byte by byte: runs of
// plain ASCII are copied with one memcpy into a staging buffer that reaches
// the stream in full 64 KiB writes, and the UTF-8 text of every two-byte
// code is looked up in a table filled once from the code page mapping.
//
// Lines are converted many at a time, as the line reader has them whole in
// its block, since a call per line costs as much as the conversion of a
// short line. That is safe because nothing here reaches past a line end:
// a line feed is no trail byte, no hexadecimal digit and no decimal digit,
// and a NUL ends only the text of its own line.
//
// Escapes: "U+" takes exactly four hexadecimal digits; "&#" takes a run of
// decimal digits (saturating, so a huge run cannot overflow) and an optional
// ";". A high surrogate directly followed by a low surrogate, in either
// form, makes one character.
#include "encoding/transcoder.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "encoding/code_point.h"
#include "encoding/ksx_to_unicode.h"

namespace tourwright {

namespace {

const char kByteOrderMark[] = "\xEF\xBB\xBF";
const char kReplacementMarkUtf8[] = "\xE2\x96\xA3";
// Trail bytes below this cannot belong to a two-byte code: such a lead byte
// stands alone, so a line end after it is never taken as its trail.
constexpr unsigned char kLowestTrail = 0x21;
// Any reference above U+10FFFF names no character; digits beyond it are
// counted but no longer change the value.
constexpr int kReferenceCeiling = 0x110000;

// Bytes copied as they are: controls and ASCII other than NUL (the end of
// the line text) and the first bytes of the two escapes.
struct ByteTable {
  bool plain[256];
};

constexpr ByteTable makePlainBytes() {
  ByteTable table{};
  for (int b = 1; b < 0x80; ++b) table.plain[b] = b != 'U' && b != '&';
  return table;
}

constexpr ByteTable kPlainBytes = makePlainBytes();

// ---------------------------------------------------------------------------
// The UTF-8 text of each two-byte code, looked up once: four bytes per code
// (the text, padded), so the rows that captions use stay in the first-level
// cache. The length follows from the first byte.

constexpr size_t kPairCount = 128 * 256;  // lead 0x80..0xFF, any trail
uint32_t gPairTexts[kPairCount];
bool gPairTextsReady = false;

const uint32_t* pairTexts() {
  if (!gPairTextsReady) {
    for (int lead = 0x80; lead <= 0xFF; ++lead) {
      for (int trail = kLowestTrail; trail <= 0xFF; ++trail) {
        const unsigned char code[2] = {static_cast<unsigned char>(lead),
                                       static_cast<unsigned char>(trail)};
        char text[kUtf8Max + 3] = {};
        ksxToUtf8(code, text);
        if (text[0] == '\0') codePointToUtf8(kReplacementMark, text);
        std::memcpy(&gPairTexts[(lead - 0x80) * 256 + trail], text, 4);
      }
    }
    gPairTextsReady = true;
  }
  return gPairTexts;
}

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

// True when one of the eight bytes in `word` is not plain: NUL, 'U', '&' or
// a byte of 0x80 or above. (A zero-byte test is exact about whether any
// byte is zero, whatever the byte order.)
inline bool hasStopByte(uint64_t word) {
  constexpr uint64_t kOnes = 0x0101010101010101ULL;
  constexpr uint64_t kHighs = 0x8080808080808080ULL;
  auto hasZero = [](uint64_t v) { return (v - kOnes) & ~v & kHighs; };
  return ((word & kHighs) | hasZero(word) | hasZero(word ^ (kOnes * 'U')) |
          hasZero(word ^ (kOnes * '&'))) != 0;
}

// The first byte at or after `p` that is not plain, or `end`.
const unsigned char* skipPlainBytes(const unsigned char* p, const unsigned char* end) {
  uint64_t word;
  while (end - p >= 8) {
    std::memcpy(&word, p, 8);
    if (hasStopByte(word)) break;
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

void flushOutput(Utf8Output* output) {
  if (output->used > 0) std::fwrite(output->bytes, 1, output->used, output->stream);
  output->used = 0;
}

// Writes a full buffer and keeps what lies past it.
void writeFullOutput(Utf8Output* output) {
  std::fwrite(output->bytes, 1, kOutputSize, output->stream);
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
// Escapes.

enum class EscapeKind { kNone, kNotation, kReference };

struct Escape {
  EscapeKind kind;
  size_t length;  // bytes the escape spans
  int value;
};

int hexDigitValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool isDecimalDigit(unsigned char c) { return c >= '0' && c <= '9'; }

// The "U+XXXX" notation or "&#digits;" reference that starts at `p`, if any.
Escape readEscape(const unsigned char* p, const unsigned char* end) {
  Escape none = {EscapeKind::kNone, 0, 0};
  size_t available = static_cast<size_t>(end - p);
  if (available >= 6 && p[0] == 'U' && p[1] == '+') {
    int value = 0;
    for (int i = 2; i < 6; ++i) {
      int digit = hexDigitValue(p[i]);
      if (digit < 0) return none;
      value = value * 16 + digit;
    }
    return {EscapeKind::kNotation, 6, value};
  }
  if (available >= 3 && p[0] == '&' && p[1] == '#' && isDecimalDigit(p[2])) {
    const unsigned char* q = p + 2;
    int value = 0;
    for (; q < end && isDecimalDigit(*q); ++q) {
      value = value * 10 + (*q - '0');
      if (value > kReferenceCeiling) value = kReferenceCeiling;
    }
    if (q < end && *q == ';') ++q;
    return {EscapeKind::kReference, static_cast<size_t>(q - p), value};
  }
  return none;
}

bool isHighSurrogate(int value) { return value >= 0xD800 && value <= 0xDBFF; }
bool isLowSurrogate(int value) { return value >= 0xDC00 && value <= 0xDFFF; }

// Writes the character of the escape at `p` (whose kind is not kNone) and
// returns the bytes consumed, a directly following low surrogate included.
size_t writeEscape(const Escape& escape, const unsigned char* p, const unsigned char* end,
                   Utf8Output* output) {
  int codePoint = escape.value;
  size_t length = escape.length;
  if (isHighSurrogate(codePoint)) {
    Escape low = readEscape(p + length, end);
    if (low.kind != EscapeKind::kNone && isLowSurrogate(low.value)) {
      codePoint = 0x10000 + ((codePoint - 0xD800) << 10) + (low.value - 0xDC00);
      length += low.length;
    }
  }
  if (codePoint == 0) {
    // "U+0000" stands for nothing; "&#0;" names no character.
    if (escape.kind == EscapeKind::kNotation) return length;
    codePoint = kReplacementCharacter;
  }
  char text[kUtf8Max];
  codePointToUtf8(codePoint, text);  // lone surrogates and overlarge values give U+FFFD
  putBytes(output, text, std::strlen(text));
  return length;
}

// ---------------------------------------------------------------------------

void transcodeText(const unsigned char* p, const unsigned char* end, Utf8Output* output) {
  const uint32_t* pairs = pairTexts();
  while (p < end) {
    const unsigned char* run = p;
    p = skipPlainBytes(p, end);
    if (p != run) putBytes(output, run, static_cast<size_t>(p - run));
    if (p == end) return;

    unsigned char b = *p;
    if (b >= 0x80) {
      // Two-byte codes usually come in runs (a caption): stay in this loop.
      do {
        if (p + 1 < end && p[1] >= kLowestTrail) {
          uint32_t text = pairs[(p[0] - 0x80) * 256 + p[1]];
          std::memcpy(output->bytes + output->used, &text, sizeof text);
          output->used += kUtf8LengthByNibble[firstByte(text) >> 4];
          if (output->used >= kOutputSize) writeFullOutput(output);
          p += 2;
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
      if (feed == nullptr) return;
      p = static_cast<const unsigned char*>(feed) + 1;
      continue;
    }

    Escape escape = readEscape(p, end);
    if (escape.kind == EscapeKind::kNone) {
      putBytes(output, p, 1);
      p += 1;
    } else {
      p += writeEscape(escape, p, end, output);
    }
  }
}

}  // namespace

void transcodeLine(const char* line, size_t length, FILE* out) {
  static Utf8Output output;
  output.stream = out;
  output.used = 0;
  const unsigned char* text = reinterpret_cast<const unsigned char*>(line);
  transcodeText(text, text + length, &output);
  flushOutput(&output);
}

int transcodeTourXml(const char* inputPath, const char* outputPath) {
  FILE* console = consoleOut();
  FILE* input = openForReading(inputPath);
  if (input == nullptr) {
    std::fprintf(console, "\nInput File %s Not Found!\n", inputPath);
    return -1;
  }
  OutputFile xml;
  if (!beginOutput(&xml, outputPath, FileMode::kText)) {
    std::fclose(input);
    std::fprintf(console, "\nOutput File %s Creation Error!\n", outputPath);
    return -1;
  }

  std::fprintf(console, "Creating %s .... Encoding: %s\n", outputPath, kTranscoderEncodingName);

  // One conversion at a time: the 64 KiB read-ahead and the staging buffer
  // live in static storage, off the stack.
  static LineReader reader;
  static Utf8Output output;
  output.stream = xml.stream;
  output.used = 0;
  putBytes(&output, kByteOrderMark, 3);
  openLineReader(&reader, input);
  const char* lines;
  size_t length;
  for (;;) {
    if (!readLineRun(&reader, &lines, &length) && !readLine(&reader, &lines, &length)) break;
    const unsigned char* text = reinterpret_cast<const unsigned char*>(lines);
    transcodeText(text, text + length, &output);
  }
  flushOutput(&output);
  bool readFailed = reader.failed || std::ferror(input) != 0;
  closeLineReader(&reader);
  std::fclose(input);

  if (readFailed) {
    abandonOutput(&xml);
    std::fprintf(console, "\nInput File %s Read Error!\n", inputPath);
    return -1;
  }
  if (!finishOutput(&xml)) {
    std::fprintf(console, "\nOutput File %s Creation Error!\n", outputPath);
    return -1;
  }
  return 0;
}

}  // namespace tourwright
