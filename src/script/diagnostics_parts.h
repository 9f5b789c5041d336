// What the parts of the scene script checks share: writing and counting
// warnings (diagnostics_warnings.cpp) and the kinds of record line with
// their fields (diagnostics_fields.cpp), used by the line-by-line notes
// (diagnostics_lines.cpp), the checks of the parsed tour
// (diagnostics_tour.cpp) and their markup checks (diagnostics_markup.cpp).
// The driver includes only script/diagnostics.h.
#ifndef TOURWRIGHT_SCRIPT_DIAGNOSTICS_PARTS_H_
#define TOURWRIGHT_SCRIPT_DIAGNOSTICS_PARTS_H_

#include "script/diagnostics.h"

namespace tourwright {

// "<script>:<line>: warning: " (no line number when `line` is 0), counted;
// the caller writes the message and ends it with endWarning.
void beginWarning(ScriptDiagnostics* d, long long line);
void endWarning(ScriptDiagnostics* d);
const char* pluralEnding(long long count);

// Writes what the normaliser could not decode on the line it has gathered.
void flushDecodeProblems(ScriptDiagnostics* d);
// "<script>: N warnings" when there was any, and the stream flushed.
void writeWarningCount(ScriptDiagnostics* d);

// A caption, title or word (`length` bytes of `field`) that ends its XML
// attribute early, or holds what XML does not allow there; a caption inside
// showtext('...') must not end the viewer's text early either.
void checkMarkup(ScriptDiagnostics* d, long long line, const char* fieldName, const char* field,
                 size_t length, bool insideShowtext);
// Names the first character of a field that XML does not allow (raw, or
// made by a "&#...;" reference or "U+XXXX" notation); the output writes
// U+FFFD for it.
void checkForbiddenCharacters(ScriptDiagnostics* d, long long line, const char* fieldName,
                              const char* field, size_t length);

// The kinds of record line and their fields.
enum class FieldDefault { kZero, kEmpty, kNoLookat };

struct FieldInfo {
  const char* name;
  int capacity;  // bytes a text field holds, its NUL included; 0 for a number
  FieldDefault whenMissing;
};

enum class LineKind {
  kSceneHeader,
  kCrossLink,
  kOutLink,
  kStill,
  kVideo,
  kGallery,
  kObject,
  kReference,
};

struct KindInfo {
  const char* name;
  const char* plural;
  const char* captionName;
  const FieldInfo* fields;
  int fieldCount;
  int needed;  // fields a line must give; the rest are optional
};

const KindInfo& infoOf(LineKind lineKind);
// The kind of a record line of `section` (not a gallery entrance line).
LineKind recordKindOf(SectionKind section);
// The ItemList that a section's record lines fill, or -1.
int listOf(SectionKind section);
const char* keywordOf(SectionKind section);
// Findings on a line that filled an entry: fields it left out, words or a
// caption cut to their fields, and words with characters that XML does not
// allow. Returns the fields the line gave.
int checkFilledLine(ScriptDiagnostics* d, const Tour& tour, const LineReport& report,
                    LineKind lineKind, int scene, int index);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_DIAGNOSTICS_PARTS_H_
