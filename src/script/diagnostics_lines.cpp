// The checks come in three kinds. What the normaliser could not decode
// arrives before any line is read and is written a line at a time. What a
// line did (skipped, cut, short of fields, over a capacity) is known from
// the parser's report the moment the line has been handled. What needs the
// whole tour (a link to a scene that never comes, a name that repeats one
// given later) waits for the end; for those the side tables here remember
// each entry's line, and the entries are gone through sorted by line.
//
// One mistake gives one warning: a line that is already reported is not
// reported again for what follows from it (the object lines after a skipped
// gallery entrance, a scene whose header line had no "$", a value check on
// a field that the line left out).
#include "script/diagnostics.h"

#include <algorithm>
#include <cstring>

#include "encoding/code_point.h"
#include "encoding/korean_reading.h"
#include "platform/files.h"
#include "platform/line_reader.h"
#include "script/diagnostics_parts.h"
#include "script/line_scan.h"

namespace tourwright {

namespace {

// ---------------------------------------------------------------------------
// Line by line.

// True when something other than NUL bytes and white space stands in
// [begin, end) of the line: text that a NUL byte before it hid from the
// parser.
bool holdsHiddenText(LineText* line, size_t begin, size_t end) {
  for (size_t p = begin; p < end; ++p) {
    unsigned char c = lineByte(line, p);
    if (c != '\0' && !isScriptSpace(c)) return true;
  }
  return false;
}

// What the text [0, end) of a line is as UTF-8.
struct Utf8Facts {
  bool valid;
  bool highBytes;
  KoreanReading reading;  // of valid text
};

// Window by window, joined so that no sequence is cut: a long line is read
// back, never held.
Utf8Facts utf8FactsOf(LineText* line, size_t end) {
  Utf8Facts facts{true, false, KoreanReading{}};
  static Utf8Joiner joiner;
  startUtf8Joiner(&joiner);
  const size_t largestPiece = sizeof joiner.bytes - sizeof joiner.rest;
  // Bytes that are not UTF-8 are high bytes: the first such piece settles
  // both answers.
  for (size_t at = 0; at < end && facts.valid;) {
    const char* bytes;
    size_t count = std::min({lineWindowAt(line, at, &bytes), end - at, largestPiece});
    at += count;
    const char* joined;
    size_t joinedLength;
    joinUtf8Piece(&joiner, bytes, count, at == end, &joined, &joinedLength);
    facts.highBytes = facts.highBytes || asciiPrefixLength(bytes, count) != count;
    facts.valid = isValidUtf8(joined, joinedLength);
    if (facts.valid) noteKoreanReading(joined, joinedLength, &facts.reading);
  }
  return facts;
}

void noteSectionLine(ScriptDiagnostics* d, const ScriptParse& parse, const LineReport& report,
                     LineText* text, size_t word, size_t wordEnd) {
  long long line = d->lineNumber;
  d->objectLinesExplained = false;
  SceneOrigin& scene = d->scenes[parse.sceneIndex];
  if (report.section == SectionKind::kScene) scene.sectionLine = line;
  if (listOf(report.section) >= 0) {
    long long& previous = scene.sectionLines[static_cast<int>(report.section)];
    if (previous != 0) {
      warn(d, line,
           "second %s section in scene %d: its records replace those of the section at line %lld",
           keywordOf(report.section), parse.sceneIndex + 1, previous);
    }
    previous = line;
  }
  if (report.section == SectionKind::kOther) {
    copyCut(text, word, wordEnd, d->ignoringWord, sizeof d->ignoringWord);
    d->ignoringLine = line;
    d->ignoringReported = false;
  }
}

void noteNoDollar(ScriptDiagnostics* d, const ScriptParse& parse, const LineReport& report,
                  bool galleryEntrance) {
  long long line = d->lineNumber;
  if (galleryEntrance) {
    bool inGallerySection = parse.currentSection == SectionKind::kGallery;
    if (inGallerySection && parse.currentGallery >= 0) {
      long long galleryLine =
          d->scenes[parse.sceneIndex].items[kGalleryList][parse.currentGallery].line;
      warn(d, line,
           "gallery entrance line has no \"$\" caption: skipped; the object lines after it "
           "join the gallery of line %lld",
           galleryLine);
    } else if (inGallerySection) {
      warn(d, line,
           "gallery entrance line has no \"$\" caption: skipped, and the object lines after it "
           "are ignored");
      d->objectLinesExplained = true;
    } else {
      warn(d, line, "gallery entrance line has no \"$\" caption: skipped");
    }
    return;
  }
  const KindInfo& info = infoOf(recordKindOf(report.section));
  warn(d, line, "%s line has no \"$\" %s: skipped", info.name, info.captionName);
  if (report.section == SectionKind::kScene) d->scenes[parse.sceneIndex].headerSkipped = true;
}

}  // namespace

void noteScriptLine(ScriptDiagnostics* d, const ScriptParse& parse, LineText* line,
                    const LineReport& report) {
  flushDecodeProblems(d);
  long long lineNumber = ++d->lineNumber;
  if (report.outcome == LineOutcome::kAfterSceneLimit) return;

  // The line's text as the parser sees it: up to a NUL byte.
  const size_t end = line->firstNul;
  const bool nul = end < line->length;
  if (nul && holdsHiddenText(line, end, line->length)) {
    warn(d, lineNumber, "NUL byte in the line: the text after it is ignored");
  }
  // Only an ANSI script may be UTF-8 without saying so. One line that is
  // not UTF-8 settles it: the script is what it claims.
  d->lineReadsAsUtf8 = false;
  if (d->encoding == kEncodingAnsi) {
    Utf8Facts facts = utf8FactsOf(line, end);
    d->lineReadsAsUtf8 = facts.valid;
    if (!d->sawOtherHighLine && facts.highBytes) {
      if (facts.valid) {
        d->sawUtf8Line = true;
        d->utf8Reading.koreanCodePairs |= facts.reading.koreanCodePairs;
        d->utf8Reading.otherSequences |= facts.reading.otherSequences;
      } else {
        d->sawOtherHighLine = true;
      }
    }
  }
  const Tour& tour = *parse.tour;
  const int scene = parse.sceneIndex;
  switch (report.outcome) {
    case LineOutcome::kComment:
      return;
    case LineOutcome::kOutsideSection:
      if (d->ignoringReported) return;  // most lines of a long unknown section
      break;
    case LineOutcome::kSceneHeader: {
      SceneOrigin& origin = d->scenes[scene];
      origin.headerLine = lineNumber;
      checkFilledLine(d, tour, report, LineKind::kSceneHeader, scene, 0);
      return;
    }
    case LineOutcome::kRecordAdded: {
      int list = listOf(report.section);
      if (list < 0) return;
      int index = parse.sectionRecordCount - 1;
      ItemOrigin& origin = d->scenes[scene].items[list][index];
      origin.line = lineNumber;
      origin.fields = checkFilledLine(d, tour, report, recordKindOf(report.section), scene, index);
      return;
    }
    case LineOutcome::kGalleryAdded: {
      d->objectLinesExplained = false;
      int index = parse.currentGallery;
      ItemOrigin& origin = d->scenes[scene].items[kGalleryList][index];
      origin.line = lineNumber;
      origin.fields = checkFilledLine(d, tour, report, LineKind::kGallery, scene, index);
      return;
    }
    case LineOutcome::kObjectAdded: {
      int index = tour.galleryObjectCount - 1;
      ItemOrigin& origin = d->objects[index];
      origin.line = lineNumber;
      origin.fields = checkFilledLine(d, tour, report, LineKind::kObject, scene, index);
      return;
    }
    default:
      break;
  }

  // The rest depends on the line's first word; a blank line means nothing.
  size_t word = 0;
  const size_t wordEnd = scanWord(line, 0, end, &word);
  if (wordEnd == kNoMatch) return;
  const unsigned char first = lineByte(line, word);
  bool comment = wordEnd - word >= 2 && first == '/' && lineByte(line, word + 1) == '/';
  switch (report.outcome) {
    case LineOutcome::kTooShort:
      if (!comment && !nul) {
        warn(d, lineNumber, "line too short to be read (under 4 bytes): skipped");
      }
      break;
    case LineOutcome::kSectionOpened:
      noteSectionLine(d, parse, report, line, word, wordEnd);
      break;
    case LineOutcome::kSceneLimit:
      warn(d, lineNumber,
           "#SCENE line ignored with every line after it: a tour holds at most %d scenes",
           kMaxScenes);
      break;
    case LineOutcome::kNoDollar:
      noteNoDollar(d, parse, report, first == '*');
      break;
    case LineOutcome::kOutsideSection:
      d->ignoringReported = true;
      if (report.section == SectionKind::kNone) {
        warn(d, lineNumber, "record lines before the first section line are ignored");
      } else {
        warn(d, lineNumber, "record lines in the unknown section %s (line %lld) are ignored",
             d->ignoringWord, d->ignoringLine);
      }
      break;
    case LineOutcome::kExtraSceneRecord:
      warn(d, lineNumber,
           "line ignored: the #SCENE section already has its header line (line %lld)",
           d->scenes[scene].headerLine);
      break;
    case LineOutcome::kListFull: {
      const KindInfo& info = infoOf(recordKindOf(report.section));
      warn(d, lineNumber, "%s line ignored: the scene already has %d %s", info.name,
           kMaxItemsPerList, info.plural);
      break;
    }
    case LineOutcome::kGalleryLimit:
      warn(d, lineNumber,
           "gallery entrance line ignored with the object lines after it: the scene already has "
           "%d galleries",
           kMaxItemsPerList);
      d->objectLinesExplained = true;
      break;
    case LineOutcome::kObjectTableFull:
      warn(d, lineNumber, "gallery object line ignored: the tour already has %d gallery objects",
           kMaxGalleryObjects);
      if (parse.currentGallery >= 0) ++d->scenes[scene].objectLinesOverLimit[parse.currentGallery];
      break;
    case LineOutcome::kNoCurrentGallery:
      if (!d->objectLinesExplained) {
        warn(d, lineNumber,
             "gallery object line ignored: no gallery entrance line comes before it in its "
             "#GALLERY section");
      }
      break;
    default:  // handled above
      break;
  }
}

bool parseScriptWithDiagnostics(FILE* stream, Tour* tour, int encoding,
                                ScriptDiagnostics* diagnostics) {
  diagnostics->encoding = encoding;
  ScriptParse parse;
  startScriptParse(&parse, tour);
  // One pass at a time: the read-ahead lives in static storage, off the stack.
  static LineReader reader;
  openLineReader(&reader, stream);
  LineText line;
  while (readLineText(&reader, &line)) {
    LineReport report = parseScriptLine(&parse, &line);
    noteScriptLine(diagnostics, parse, &line, report);
  }
  bool readWhole = !reader.failed;
  closeLineReader(&reader);
  finishScriptParse(&parse);
  if (readWhole) finishDiagnostics(diagnostics, *tour);
  return readWhole;
}

}  // namespace tourwright
