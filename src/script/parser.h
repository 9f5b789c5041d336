// The scene script parser: one pass over the script's lines into the tour
// model. It never fails as a whole and prints nothing; a line it cannot use
// is skipped, and the listing shows the author what was understood.
//
// parseSceneScript does the whole pass. A caller that wants to know what
// became of each line (a diagnostics report) drives the same pass itself:
// startScriptParse, then parseScriptLine for every line read with
// readLineText, then finishScriptParse; parseScriptLine tells what it did with the line.
#ifndef TOURWRIGHT_SCRIPT_PARSER_H_
#define TOURWRIGHT_SCRIPT_PARSER_H_

#include <cstddef>
#include <cstdio>

#include "platform/line_reader.h"
#include "script/tour_model.h"

namespace tourwright {

enum class SectionKind {
  kNone,  // before the first section line
  kScene,
  kCrossLink,
  kOutLink,
  kStill,
  kVideo,
  kGallery,
  kReference,
  kOther,  // a section line with an unknown keyword
};

// What became of one line.
enum class LineOutcome {
  kTooShort,          // under 5 bytes with its line end: skipped
  kComment,           // first word begins with "//"
  kSectionOpened,     // a section line
  kSceneLimit,        // a 13th #SCENE line: it and every later line are ignored
  kAfterSceneLimit,   // a line after a 13th #SCENE line
  kNoDollar,          // a record or gallery entrance line without "$": skipped
  kOutsideSection,    // a record line before any section or in an unknown one
  kSceneHeader,       // the scene's header record
  kExtraSceneRecord,  // a record line after the scene's header: ignored
  kRecordAdded,       // a cross link, out link, still image, video or reference
  kListFull,          // the section's list already holds 30 records: ignored
  kGalleryAdded,      // a gallery entrance line
  kGalleryLimit,      // a 31st gallery entrance line of a scene: it and its objects are ignored
  kObjectAdded,       // a gallery object line
  kObjectTableFull,   // the tour already holds 100 gallery objects: ignored
  kNoCurrentGallery,  // a gallery object line with no gallery entrance before it: ignored
};

struct LineReport {
  LineOutcome outcome;
  SectionKind section;  // the section the line stood in (for a section line, the one it opened)
  int fieldsFilled;     // for a taken line: fields its scan filled...
  int fieldsInFormat;   // ...of the fields of its scan format
  bool textCut;         // for a taken line: a word or the caption was cut to its field
  unsigned cutFields;   // for a taken line: bit i set when field i of its scan format was cut
  bool captionCut;      // for a taken line: the caption (a scene's title) was cut
  // For a taken line: bit i set when field i ended in a lead byte without
  // its trail byte, which was dropped; the same for the caption.
  unsigned leadDroppedFields;
  bool captionLeadDropped;
};

struct ScriptParse {
  Tour* tour;
  SectionKind currentSection;
  int sceneIndex;          // the scene that records go to; 0 before the first #SCENE
  int lastScene;           // the last scene started; -1 before the first #SCENE
  int sectionRecordCount;  // records taken in the current section
  int currentGallery;      // index in the current scene's galleries; -1 for none
  bool sceneLimitReached;  // a 13th #SCENE line was read
};

// Empties `tour` and starts a pass that fills it.
void startScriptParse(ScriptParse* parse, Tour* tour);
// Handles one line, which may hold NUL bytes: the first one ends its text.
LineReport parseScriptLine(ScriptParse* parse, LineText* line);
// Ends the pass: stores the open section's count and the scene count.
void finishScriptParse(ScriptParse* parse);

// Reads `stream` (opened with openForReading) to its end into `tour`.
// Returns false when the stream could not be read to its end (a read
// error): the model then holds only what came before, and must not be used.
// The caller closes the stream.
bool parseSceneScript(FILE* stream, Tour* tour);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_PARSER_H_
