// The script encoding normaliser: finds the byte-order mark of a scene
// script and, for UTF-8 and UTF-16 scripts, rewrites the text into a
// scratch copy in the Korean code page for the parser to read.
#ifndef TOURWRIGHT_SCRIPT_NORMALISER_H_
#define TOURWRIGHT_SCRIPT_NORMALISER_H_

#include <cstdio>

#include "platform/file_identity.h"

namespace tourwright {

enum ScriptEncoding {
  kEncodingAnsi = 0,
  kEncodingUtf8 = 1,
  kEncodingUtf16BigEndian = 2,
  kEncodingUtf16LittleEndian = 3,
};

constexpr int kScriptNotFound = -1;
constexpr int kScratchNotCreated = -2;
constexpr int kScriptUnreadable = -3;  // opened, but reading it failed
constexpr int kScriptChanged = -4;     // rewritten while it was read

// What the decoder could not take as text of the script's encoding.
enum class DecodeProblem {
  kInvalid,      // bytes, or a UTF-16 unit, that are no character: replaced
  kCutOffAtEnd,  // the file ends inside a character: its bytes are dropped
  kNulDropped,   // a NUL character, which the copy leaves out
};

// Optional: told of every such problem as it is met, in order, with the
// script line it stands on (counted from 1) and the script's encoding.
struct DecodeReport {
  void (*problem)(void* context, int encoding, long long line, DecodeProblem problem);
  void* context;
};

// Returns the ScriptEncoding of the script, kScriptNotFound,
// kScratchNotCreated, kScriptUnreadable or kScriptChanged (no scratch copy
// is left then). For ANSI prints its two lines and creates nothing;
// for 1..3 the scratch copy at `scratchPath` is written and closed.
int normaliseScriptEncoding(const char* scriptPath, const char* scratchPath,
                            const DecodeReport* report = nullptr);

// The same, for a parser that reads the script through the file opened
// here and never by its name again (an editor may save a new one meanwhile):
// on success `*parsed` is the stream to parse from its first byte, the
// script itself for ANSI, and for 1..3 the copy read back through the
// scratch file it was written to (created at `scratchPath`, or a private
// temporary file when that is nullptr). The caller closes it, and removes
// a scratch file at `scratchPath`. `*opened` is the script's stamp when it
// was opened, to tell whether the parse read the same text (ANSI); a
// script that changes while it is copied gives kScriptChanged.
int openScriptForParsing(const char* scriptPath, const char* scratchPath,
                         const DecodeReport* report, FILE** parsed, FileStamp* opened);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_NORMALISER_H_
