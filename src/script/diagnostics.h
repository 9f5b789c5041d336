// Warnings for the author of a scene script.
//
// The parser skips what it cannot use without a word, and the listing shows
// only what was understood. This unit tells the author, the way a compiler
// does, which lines were skipped or cut and what in the parsed tour will not
// work in the viewer: one line per finding on its own stream (standard
// error in a run),
//
//   <script path>:<line>: warning: <message>
//   <script path>: warning: <message>            (a finding of the whole script)
//
// and at the end, when there was any, "<script path>: 1 warning" or
// "<script path>: N warnings". The checks only read: the tour model, the
// parser's report of each line, and the normaliser's report of what it could
// not decode. The model is never changed, and what the program writes to
// standard output and to its files stays the same.
//
// Line numbers are the script's own, whatever its encoding: the normalised
// copy keeps the script's line structure. The checks keep, beside the model,
// the line each scene, item and gallery object came from (fixed tables of
// the model's own capacities), so a finding about the tour names its line.
// Findings are written as they are found, in this order: what the
// normaliser could not decode, then what each line did in script order,
// then the findings on the parsed tour, in the order of their lines.
#ifndef TOURWRIGHT_SCRIPT_DIAGNOSTICS_H_
#define TOURWRIGHT_SCRIPT_DIAGNOSTICS_H_

#include <cstddef>
#include <cstdio>

#include "encoding/korean_reading.h"
#include "script/normaliser.h"
#include "script/parser.h"
#include "script/tour_model.h"

namespace tourwright {

// The scene lists that hold items, in the order the hotspots are written.
enum ItemList {
  kCrossLinkList,
  kOutLinkList,
  kStillList,
  kVideoList,
  kGalleryList,
  kReferenceList,
  kItemListCount,
};

constexpr int kSectionKindCount = static_cast<int>(SectionKind::kOther) + 1;

// Where one model entry came from.
struct ItemOrigin {
  long long line;  // 0: none
  int fields;      // fields its line gave (a word taken from the caption not counted)
};

struct SceneOrigin {
  long long sectionLine;  // its #SCENE line
  long long headerLine;   // its header record; 0 when it has none
  bool headerSkipped;  // a header line without "$" was already reported
  // The line of the latest section of each kind in this scene, 0 for none.
  long long sectionLines[kSectionKindCount];
  ItemOrigin items[kItemListCount][kMaxItemsPerList];
  // Per gallery: its object lines ignored because the tour's gallery
  // objects were all taken.
  long long objectLinesOverLimit[kMaxItemsPerList];
};

// One entry of the tour, for going through the findings in line order.
struct TourEntry {
  long long line;
  int list;  // an ItemList, or kSceneEntry, or kObjectEntry
  int scene;
  int index;
};

constexpr int kTourEntryCapacity =
    kMaxScenes * (1 + kItemListCount * kMaxItemsPerList) + kMaxGalleryObjects;

struct ScriptDiagnostics;

// Optional: a finding on each named scene that needs more than the script
// (its tile XML, say), made in line order at the scene's header line and
// written with warn().
struct SceneCheck {
  void (*check)(const void* context, ScriptDiagnostics* diagnostics, const Tour& tour, int scene,
                long long headerLine);
  const void* context;
};

// Optional: findings on the whole tour that need more than the script (the
// files it names), made after the script's own findings, before the count.
struct TourCheck {
  void (*check)(const void* context, ScriptDiagnostics* diagnostics, const Tour& tour);
  const void* context;
};

struct ScriptDiagnostics {
  FILE* out;
  SceneCheck sceneCheck;  // none unless set after startDiagnostics
  TourCheck tourCheck;    // the same
  const char* scriptPath;
  // The tour's base name, checked as a title is (it is written into the
  // tour XML as it stands); nullptr when there is none to check.
  const char* baseName;
  int encoding;
  long long warningCount;
  long long lineNumber;  // of the last line noted

  // Undecodable input of one line, written once the line is complete.
  long long decodeLine;
  DecodeProblem decodeProblem;
  long long decodeCount;
  int decodeEncoding;

  // The open section that ignores its record lines (none yet, or unknown).
  char ignoringWord[kText128];
  long long ignoringLine;
  bool ignoringReported;
  // A skipped gallery entrance line already told what becomes of the object
  // lines after it.
  bool objectLinesExplained;
  // Lines of an ANSI script with bytes of 0x80 and above, by whether they
  // read as UTF-8, and which reading of those that do is Korean.
  bool sawUtf8Line;
  bool sawOtherHighLine;
  KoreanReading utf8Reading;
  // The line being noted, of an ANSI script, reads as UTF-8: its codes are
  // left to the warning about a script without its byte-order mark.
  bool lineReadsAsUtf8;

  SceneOrigin scenes[kMaxScenes];
  ItemOrigin objects[kMaxGalleryObjects];
  TourEntry entries[kTourEntryCapacity];
};

// Starts the checks of the script at `scriptPath` (the path named in every
// warning); warnings go to `out`.
void startDiagnostics(ScriptDiagnostics* diagnostics, const char* scriptPath, FILE* out);
// The same for tables in static storage that nothing has used yet, which
// are all zeros already: a run on a small tour is spared writing every
// page of them (some 90 KiB).
void startFreshDiagnostics(ScriptDiagnostics* diagnostics, const char* scriptPath, FILE* out);

#if defined(__GNUC__)
#define TW_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define TW_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// One whole warning, "<script>:<line>: warning: <message>" (no line number
// when `line` is 0), counted.
TW_PRINTF_FORMAT(3, 4)
void warn(ScriptDiagnostics* d, long long line, const char* format, ...);

// A warning on another file than the script (a scene's tile XML, say):
// "<path>: warning: <message>", counted with the script's.
TW_PRINTF_FORMAT(3, 4)
void warnInFile(ScriptDiagnostics* d, const char* path, const char* format, ...);

// A note, not a finding: "<script>: note: <message>", not counted.
TW_PRINTF_FORMAT(2, 3)
void noteOnScript(ScriptDiagnostics* d, const char* format, ...);

// The report to hand to normaliseScriptEncoding.
DecodeReport decodeReportFor(ScriptDiagnostics* diagnostics);

// Notes one line after parseScriptLine has handled it: `parse` is the state
// after the line, `report` what became of it.
void noteScriptLine(ScriptDiagnostics* diagnostics, const ScriptParse& parse, LineText* line,
                    const LineReport& report);

// After finishScriptParse: the findings on the whole tour, then the count.
void finishDiagnostics(ScriptDiagnostics* diagnostics, const Tour& tour);

// The whole pass with its warnings: parses `stream` (opened with
// openForReading) into `tour` as parseSceneScript does, noting every line,
// and finishes the diagnostics. `encoding` is the normaliser's result for
// the script. Returns false, without the findings on the whole tour, when
// the stream could not be read to its end. The caller closes the stream.
bool parseScriptWithDiagnostics(FILE* stream, Tour* tour, int encoding,
                                ScriptDiagnostics* diagnostics);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_DIAGNOSTICS_H_
