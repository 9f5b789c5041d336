// The script encoding normaliser.
//
// The script is read in large blocks; a character whose bytes straddle two
// blocks is carried over to the next. Every decoded character goes through
// the code page mapping, so a character the code page cannot hold becomes a
// decimal reference ("&#128512;" for one beyond the 16-bit range) that the
// output transcoder turns back into UTF-8.
//
// Undecodable input never swallows text: a byte that cannot start or
// continue a UTF-8 sequence gives U+FFFD and the next byte is read afresh,
// and a surrogate that is not half of a pair gives U+FFFD. A complete
// sequence that is no character (an overlong form, a surrogate, a value
// above U+10FFFF) gives one U+FFFD for all its bytes: decoding "C0 8A" as a
// line feed would let a script carry lines that no editor shows. The value 0
// writes nothing (and is reported), so the scratch copy never holds a NUL
// byte and the text after it on its line is kept.
#include "script/normaliser.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/scratch_cleanup.h"
#include "platform/system_files.h"
#include "encoding/code_point.h"
#include "encoding/unicode_to_ksx.h"

namespace tourwright {

namespace {

constexpr size_t kBlockSize = 1 << 16;
// The longest character: four UTF-8 bytes, or two UTF-16 units.
constexpr size_t kLongestCharacter = 4;

// ---------------------------------------------------------------------------
// The scratch copy, written through a staging buffer.

struct ScratchOutput {
  FILE* stream;
  size_t used;
  char bytes[kBlockSize];
};

void flushScratch(ScratchOutput* output) {
  if (output->used > 0) std::fwrite(output->bytes, 1, output->used, output->stream);
  output->used = 0;
}

void writeCharacter(ScratchOutput* output, int codePoint) {
  if (codePoint == 0) return;
  // Room for the longest text the mapping gives ("&#1114111;").
  if (sizeof output->bytes - output->used < 16) flushScratch(output);
  if (codePoint < 0x80) {
    output->bytes[output->used++] = static_cast<char>(codePoint);
    return;
  }
  const char* text = unicodeToKsx(codePoint);
  size_t length = std::strlen(text);
  if (length > sizeof output->bytes - output->used) flushScratch(output);
  std::memcpy(output->bytes + output->used, text, length);
  output->used += length;
}

// ---------------------------------------------------------------------------
// Decoders. Each reads one character at `p`, with `available` bytes there
// and `atEnd` telling whether more can follow; it returns the bytes used, or
// 0 when the character needs bytes that are still to be read (or, at the
// end, when the file cuts it off). `*invalid` is set when the bytes were no
// character of the encoding and what is handed on stands in for them.

bool isContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }
bool isSurrogate(int value) { return value >= 0xD800 && value <= 0xDFFF; }
bool isHighSurrogate(int value) { return value >= 0xD800 && value <= 0xDBFF; }
bool isLowSurrogate(int value) { return value >= 0xDC00 && value <= 0xDFFF; }

size_t decodeUtf8Character(const unsigned char* p, size_t available, bool atEnd, int* codePoint,
                           bool* invalid) {
  unsigned char lead = p[0];
  size_t following;
  int value;
  int smallest;  // the least value a sequence of this length may carry
  if (lead <= 0xBF) {
    *codePoint = lead;  // ASCII, or a stray continuation byte read as U+0080..U+00BF
    *invalid = lead >= 0x80;
    return 1;
  } else if (lead <= 0xDF) {
    following = 1, value = lead - 0xC0, smallest = 0x80;
  } else if (lead <= 0xEF) {
    following = 2, value = lead - 0xE0, smallest = 0x800;
  } else if (lead <= 0xF7) {
    following = 3, value = lead - 0xF0, smallest = 0x10000;
  } else {
    *codePoint = kReplacementCharacter;
    *invalid = true;
    return 1;
  }
  for (size_t i = 1; i <= following; ++i) {
    if (i >= available) {
      if (atEnd) *codePoint = -1;  // cut off by the end of the file: nothing
      return atEnd ? available : 0;
    }
    if (!isContinuation(p[i])) {
      *codePoint = kReplacementCharacter;  // p[i] is read afresh
      *invalid = true;
      return i;
    }
    value = (value << 6) + (p[i] - 0x80);
  }
  if (value < smallest || isSurrogate(value) || value > 0x10FFFF) {
    value = kReplacementCharacter;
    *invalid = true;
  }
  *codePoint = value;
  return following + 1;
}

int utf16Unit(const unsigned char* p, bool bigEndian) {
  return bigEndian ? p[0] * 256 + p[1] : p[0] + p[1] * 256;
}

size_t decodeUtf16Character(const unsigned char* p, size_t available, bool atEnd, bool bigEndian,
                            int* codePoint, bool* invalid) {
  if (available < 2) {
    if (atEnd) *codePoint = -1;  // a last odd byte is dropped
    return atEnd ? available : 0;
  }
  int unit = utf16Unit(p, bigEndian);
  if (isHighSurrogate(unit)) {
    if (available < 4) {
      if (!atEnd) return 0;
      *codePoint = kReplacementCharacter;  // the file ends after half a pair
      *invalid = true;
      return 2;
    }
    int low = utf16Unit(p + 2, bigEndian);
    if (isLowSurrogate(low)) {
      *codePoint = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      return 4;
    }
    *codePoint = kReplacementCharacter;  // the unit after it is read afresh
    *invalid = true;
    return 2;
  }
  *invalid = isLowSurrogate(unit);
  *codePoint = *invalid ? kReplacementCharacter : unit;
  return 2;
}

// Fills `block` after its first `kept` bytes; returns the bytes now held and
// sets *atEnd once the file has nothing more.
size_t fillBlock(FILE* stream, unsigned char* block, size_t kept, bool* atEnd) {
  size_t held = kept;
  while (held < kBlockSize && !*atEnd) {
    size_t got = std::fread(block + held, 1, kBlockSize - held, stream);
    held += got;
    if (got == 0) *atEnd = true;
  }
  return held;
}

// Decodes the script from `start` in `block` to its end into `output`,
// telling `report` (if any) of what it could not decode, with its line.
// Returns false when reading failed.
bool decodeScript(FILE* script, unsigned char* block, size_t held, size_t start, bool atEnd,
                  int encoding, ScratchOutput* output, const DecodeReport* report) {
  size_t position = start;
  long long line = 1;  // each line feed written ends a line of the copy and of the script
  for (;;) {
    while (position < held) {
      int codePoint = 0;
      bool invalid = false;
      size_t used;
      if (encoding == kEncodingUtf8) {
        used = decodeUtf8Character(block + position, held - position, atEnd, &codePoint,
                                   &invalid);
      } else {
        used = decodeUtf16Character(block + position, held - position, atEnd,
                                    encoding == kEncodingUtf16BigEndian, &codePoint, &invalid);
      }
      if (used == 0) break;  // the rest of the character is in the next block
      if (report != nullptr && (invalid || codePoint <= 0)) {
        report->problem(report->context, encoding, line,
                        invalid           ? DecodeProblem::kInvalid
                        : codePoint == 0 ? DecodeProblem::kNulDropped
                                          : DecodeProblem::kCutOffAtEnd);
      }
      if (codePoint >= 0) writeCharacter(output, codePoint);
      if (codePoint == '\n') ++line;
      position += used;
    }
    if (atEnd) return std::ferror(script) == 0;
    size_t kept = held - position;  // less than kLongestCharacter
    std::memmove(block, block + position, kept);
    position = 0;
    held = fillBlock(script, block, kept, &atEnd);
  }
}

int detectEncoding(const unsigned char* block, size_t held, size_t* markLength) {
  unsigned char first = held > 0 ? block[0] : 0;
  unsigned char second = held > 1 ? block[1] : 0;
  if (first == 0xEF && second == 0xBB) {
    *markLength = 3;
    return held > 2 && block[2] == 0xBF ? kEncodingUtf8 : kEncodingAnsi;
  }
  *markLength = 2;
  if (first == 0xFE && second == 0xFF) return kEncodingUtf16BigEndian;
  if (first == 0xFF && second == 0xFE) return kEncodingUtf16LittleEndian;
  return kEncodingAnsi;
}

}  // namespace

int openScriptForParsing(const char* scriptPath, const char* scratchPath,
                         const DecodeReport* report, FILE** parsed, FileStamp* opened) {
  *parsed = nullptr;
  FILE* script = openForReading(scriptPath);
  if (script == nullptr) return kScriptNotFound;
  *opened = stampOf(script);

  // One run at a time: the buffers live in static storage, off the stack.
  static unsigned char block[kBlockSize + kLongestCharacter];
  static ScratchOutput output;
  // The mark alone first, the stream left at the start: an ANSI script is
  // parsed from there, not read twice.
  long peeked = peekStart(script, block, 3);
  if (peeked < 0) {
    std::fclose(script);
    return kScriptUnreadable;
  }
  size_t held = static_cast<size_t>(peeked);
  size_t markLength = 0;
  int encoding = detectEncoding(block, held, &markLength);

  if (encoding == kEncodingAnsi) {
    std::fprintf(consoleOut(), "Input Text Ecoding: ANSI or UTF-8 without BOM.\n");
    std::fprintf(consoleOut(), "System regards %s as ANSI encoding.\n",
                 consolePath(scriptPath).c_str());
    *parsed = script;
    return kEncodingAnsi;
  }

  bool atEnd = false;
  held = fillBlock(script, block, 0, &atEnd);
  if (std::ferror(script) != 0) {
    std::fclose(script);
    return kScriptUnreadable;
  }
  FILE* scratch = scratchPath != nullptr ? createScratchFile(scratchPath, FileMode::kBinary)
                                         : createTemporaryStream();
  if (scratch == nullptr) {
    std::fclose(script);
    return kScratchNotCreated;
  }
  output.stream = scratch;
  output.used = 0;
  bool readOk = decodeScript(script, block, held, markLength, atEnd, encoding, &output, report);
  flushScratch(&output);
  // Text rewritten in place while it was copied would mix two versions.
  pauseForTest("copied");
  bool changed = !sameStamp(stampOf(script), *opened);
  std::fclose(script);
  bool writeOk = std::ferror(scratch) == 0;
  FILE* copy = readBackScratch(scratch);
  if (copy == nullptr) writeOk = false;

  // A half-read script or a half-written copy would be parsed as if whole.
  int result = changed ? kScriptChanged : !readOk ? kScriptUnreadable
                                        : !writeOk ? kScratchNotCreated : encoding;
  if (result != encoding) {
    if (copy != nullptr) std::fclose(copy);
    if (scratchPath != nullptr) removeFile(scratchPath);
    if (result == kScratchNotCreated && scratchPath != nullptr) noteFileFailure(scratchPath, errno != 0 ? errno : EIO);
    return result;
  }
  *parsed = copy;
  return encoding;
}

int normaliseScriptEncoding(const char* scriptPath, const char* scratchPath,
                            const DecodeReport* report) {
  FILE* parsed = nullptr;
  FileStamp opened;
  int encoding = openScriptForParsing(scriptPath, scratchPath, report, &parsed, &opened);
  if (parsed != nullptr) std::fclose(parsed);
  if (encoding > 0 && scratchPath != nullptr) forgetScratchFile(scratchPath);  // the caller's now
  return encoding;
}

}  // namespace tourwright
