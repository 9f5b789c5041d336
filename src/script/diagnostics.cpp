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
#include <cstdarg>
#include <cstring>

#include "driver/platform.h"
#include "encoding/code_point.h"
#include "script/line_scan.h"

namespace tourwright {

namespace {

#if defined(__GNUC__)
#define TW_PRINTF_FORMAT(formatIndex, firstArgument) \
  __attribute__((format(printf, formatIndex, firstArgument)))
#else
#define TW_PRINTF_FORMAT(formatIndex, firstArgument)
#endif

// The entries of the tour besides the items of a scene's lists.
constexpr int kSceneEntry = kItemListCount;
constexpr int kObjectEntry = kItemListCount + 1;

// ---------------------------------------------------------------------------
// Writing warnings.

void beginWarning(ScriptDiagnostics* d, long long line) {
  ++d->warningCount;
  if (line > 0) {
    std::fprintf(d->out, "%s:%lld: warning: ", d->scriptPath, line);
  } else {
    std::fprintf(d->out, "%s: warning: ", d->scriptPath);
  }
}

void endWarning(ScriptDiagnostics* d) { std::fputc('\n', d->out); }

TW_PRINTF_FORMAT(3, 4)
void warn(ScriptDiagnostics* d, long long line, const char* format, ...) {
  beginWarning(d, line);
  va_list arguments;
  va_start(arguments, format);
  std::vfprintf(d->out, format, arguments);
  va_end(arguments);
  endWarning(d);
}

const char* pluralEnding(long long count) { return count == 1 ? "" : "s"; }

// ---------------------------------------------------------------------------
// The kinds of record line and their fields, as the parser scans them.

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

const FieldInfo kSceneHeaderFields[] = {
    {"name", kText128, FieldDefault::kEmpty},
    {"hlookat", 0, FieldDefault::kZero},
    {"vlookat", 0, FieldDefault::kZero},
};
const FieldInfo kLinkFields[] = {
    {"target", kText128, FieldDefault::kEmpty}, {"ath", 0, FieldDefault::kZero},
    {"atv", 0, FieldDefault::kZero},            {"style", kText128, FieldDefault::kEmpty},
    {"lookat", 0, FieldDefault::kNoLookat},
};
const FieldInfo kStillFields[] = {
    {"photo", kText128, FieldDefault::kEmpty}, {"ath", 0, FieldDefault::kZero},
    {"atv", 0, FieldDefault::kZero},           {"scale", 0, FieldDefault::kZero},
    {"distorted", 0, FieldDefault::kZero},     {"rx", 0, FieldDefault::kZero},
    {"ry", 0, FieldDefault::kZero},            {"rz", 0, FieldDefault::kZero},
};
const FieldInfo kVideoFields[] = {
    {"video", kText128, FieldDefault::kEmpty},
    {"ath", 0, FieldDefault::kZero},
    {"atv", 0, FieldDefault::kZero},
    {"kind", 0, FieldDefault::kZero},
};
const FieldInfo kGalleryFields[] = {
    {"folder", kText128, FieldDefault::kEmpty},
    {"ath", 0, FieldDefault::kZero},
    {"atv", 0, FieldDefault::kZero},
};
const FieldInfo kObjectFields[] = {
    {"file", kText128, FieldDefault::kEmpty},
    {"kind", 0, FieldDefault::kZero},
    {"scale", 0, FieldDefault::kZero},
    {"explanation", kText512, FieldDefault::kEmpty},
};
const FieldInfo kReferenceFields[] = {
    {"target", kText256, FieldDefault::kEmpty}, {"ath", 0, FieldDefault::kZero},
    {"atv", 0, FieldDefault::kZero},            {"icon", kText256, FieldDefault::kEmpty},
    {"scale", 0, FieldDefault::kZero},
};

template <int N>
constexpr KindInfo kindInfo(const char* name, const char* plural, const char* captionName,
                            const FieldInfo (&fields)[N], int needed) {
  return KindInfo{name, plural, captionName, fields, N, needed};
}

// Indexed by LineKind. A link without its look direction and a gallery
// object without an explanation are lines as the author means them.
const KindInfo kKinds[] = {
    kindInfo("scene header", "scene headers", "title", kSceneHeaderFields, 3),
    kindInfo("cross link", "cross links", "caption", kLinkFields, 4),
    kindInfo("out link", "out links", "caption", kLinkFields, 4),
    kindInfo("still image", "still images", "caption", kStillFields, 8),
    kindInfo("video", "videos", "caption", kVideoFields, 4),
    kindInfo("gallery entrance", "galleries", "caption", kGalleryFields, 3),
    kindInfo("gallery object", "gallery objects", "caption", kObjectFields, 3),
    kindInfo("reference", "references", "caption", kReferenceFields, 5),
};

const KindInfo& infoOf(LineKind lineKind) { return kKinds[static_cast<int>(lineKind)]; }

// The kind of a record line of `section` (not a gallery entrance line).
LineKind recordKindOf(SectionKind section) {
  switch (section) {
    case SectionKind::kScene: return LineKind::kSceneHeader;
    case SectionKind::kCrossLink: return LineKind::kCrossLink;
    case SectionKind::kOutLink: return LineKind::kOutLink;
    case SectionKind::kStill: return LineKind::kStill;
    case SectionKind::kVideo: return LineKind::kVideo;
    case SectionKind::kGallery: return LineKind::kObject;
    default: return LineKind::kReference;
  }
}

int listOf(SectionKind section) {
  switch (section) {
    case SectionKind::kCrossLink: return kCrossLinkList;
    case SectionKind::kOutLink: return kOutLinkList;
    case SectionKind::kStill: return kStillList;
    case SectionKind::kVideo: return kVideoList;
    case SectionKind::kReference: return kReferenceList;
    default: return -1;  // no list of its own
  }
}

const char* keywordOf(SectionKind section) {
  switch (section) {
    case SectionKind::kCrossLink: return "#CROSSLINK";
    case SectionKind::kOutLink: return "#OUTLINK";
    case SectionKind::kStill: return "#STILL";
    case SectionKind::kVideo: return "#VIDEO";
    case SectionKind::kReference: return "#REFERENCE";
    case SectionKind::kGallery: return "#GALLERY";
    default: return "#SCENE";
  }
}

// The text of text field `field` of the entry a line just filled, or nullptr
// for a number field.
const char* wordField(const Tour& tour, LineKind lineKind, int scene, int index, int field) {
  const Scene& s = tour.scenes[scene];
  switch (lineKind) {
    case LineKind::kSceneHeader: return field == 0 ? s.name : nullptr;
    case LineKind::kCrossLink:
    case LineKind::kOutLink: {
      const CrossLink& link =
          lineKind == LineKind::kCrossLink ? s.crossLinks[index] : s.outLinks[index];
      return field == 0 ? link.target : field == 3 ? link.style : nullptr;
    }
    case LineKind::kStill: return field == 0 ? s.stills[index].photo : nullptr;
    case LineKind::kVideo: return field == 0 ? s.videos[index].video : nullptr;
    case LineKind::kGallery: return field == 0 ? s.galleries[index].folder : nullptr;
    case LineKind::kObject: {
      const GalleryObject& object = tour.galleryObjects[index];
      return field == 0 ? object.file : field == 3 ? object.explanation : nullptr;
    }
    case LineKind::kReference: {
      const Reference& reference = s.references[index];
      return field == 0 ? reference.target : field == 3 ? reference.icon : nullptr;
    }
  }
  return nullptr;
}

// Fields that the line itself gave: a scan without a cut at the "$" fills a
// text field it reaches with the caption's first word, which the line did
// not mean as that field.
int fieldsGiven(const Tour& tour, LineKind lineKind, int scene, int index, int filled) {
  for (int field = 0; field < filled; ++field) {
    const char* text = wordField(tour, lineKind, scene, index, field);
    if (text != nullptr && text[0] == '$') return field;
  }
  return filled;
}

// What a field that the line did not give holds now. A scene header short
// of a field gets both view angles 0, a read one included.
const char* missingValue(LineKind lineKind, int field, int filled) {
  const KindInfo& info = infoOf(lineKind);
  if (lineKind == LineKind::kSceneHeader && field > 0 && filled < info.fieldCount) return "0";
  if (field < filled) return "taken from the caption";
  switch (info.fields[field].whenMissing) {
    case FieldDefault::kZero: return "0";
    case FieldDefault::kEmpty: return "empty";
    case FieldDefault::kNoLookat: return "360";
  }
  return "0";
}

// "<kind> line has 3 of 8 fields; scale, distorted, rx, ry and rz are 0":
// the fields from `given` on (both view angles of a scene header), grouped
// by what they now hold.
void warnMissingFields(ScriptDiagnostics* d, long long line, LineKind lineKind, int given,
                       int filled) {
  const KindInfo& info = infoOf(lineKind);
  int first = lineKind == LineKind::kSceneHeader && given > 1 ? 1 : given;
  beginWarning(d, line);
  std::fprintf(d->out, "%s line has %d of %d fields; ", info.name, given, info.fieldCount);
  int field = first;
  while (field < info.fieldCount) {
    const char* value = missingValue(lineKind, field, filled);
    int groupEnd = field + 1;
    while (groupEnd < info.fieldCount &&
           std::strcmp(missingValue(lineKind, groupEnd, filled), value) == 0) {
      ++groupEnd;
    }
    if (field > first) std::fputs(", ", d->out);
    for (int member = field; member < groupEnd; ++member) {
      if (member > field) std::fputs(member + 1 == groupEnd ? " and " : ", ", d->out);
      std::fputs(info.fields[member].name, d->out);
    }
    std::fprintf(d->out, " %s %s", groupEnd - field > 1 ? "are" : "is", value);
    field = groupEnd;
  }
  endWarning(d);
}

// Findings on a line that filled an entry: fields it left out, and words
// or a caption cut to their fields. Returns the fields the line gave.
int checkFilledLine(ScriptDiagnostics* d, const Tour& tour, const LineReport& report,
                    LineKind lineKind, int scene, int index) {
  const KindInfo& info = infoOf(lineKind);
  long long line = d->lineNumber;
  int given = fieldsGiven(tour, lineKind, scene, index, report.fieldsFilled);
  if (given < info.needed) warnMissingFields(d, line, lineKind, given, report.fieldsFilled);
  for (int field = 0; field < info.fieldCount; ++field) {
    if ((report.cutFields & (1u << field)) == 0) continue;
    warn(d, line, "%s cut to its capacity of %d bytes", info.fields[field].name,
         info.fields[field].capacity - 1);
  }
  if (report.captionCut) {
    warn(d, line, "%s cut to its capacity of %d bytes", info.captionName, kText128 - 1);
  }
  return given;
}

// ---------------------------------------------------------------------------
// What the normaliser could not decode, one warning per line and problem.

void flushDecodeProblems(ScriptDiagnostics* d) {
  if (d->decodeCount == 0) return;
  bool utf8 = d->decodeEncoding == kEncodingUtf8;
  if (d->decodeProblem == DecodeProblem::kInvalid) {
    warn(d, d->decodeLine, "%lld %s%s replaced", d->decodeCount,
         utf8 ? "invalid UTF-8 sequence" : "unpaired UTF-16 surrogate",
         pluralEnding(d->decodeCount));
  } else if (utf8) {
    warn(d, d->decodeLine, "the file ends inside a UTF-8 sequence: its bytes are dropped");
  } else {
    warn(d, d->decodeLine, "the file ends with an odd byte: it is dropped");
  }
  d->decodeCount = 0;
}

void noteDecodeProblem(void* context, int encoding, long long line, DecodeProblem problem) {
  ScriptDiagnostics* d = static_cast<ScriptDiagnostics*>(context);
  if (d->decodeCount > 0 && (d->decodeLine != line || d->decodeProblem != problem)) {
    flushDecodeProblems(d);
  }
  d->decodeLine = line;
  d->decodeProblem = problem;
  d->decodeEncoding = encoding;
  ++d->decodeCount;
}

// ---------------------------------------------------------------------------
// Line by line.

bool holdsHighBytes(const char* begin, const char* end) {
  for (const char* p = begin; p < end; ++p) {
    if (static_cast<unsigned char>(*p) >= 0x80) return true;
  }
  return false;
}

// True when something other than NUL bytes and white space stands in
// [begin, end): text that a NUL byte before it hid from the parser.
bool holdsHiddenText(const char* begin, const char* end) {
  for (const char* p = begin; p < end; ++p) {
    unsigned char c = static_cast<unsigned char>(*p);
    if (c != '\0' && !isScriptSpace(c)) return true;
  }
  return false;
}

void noteSectionLine(ScriptDiagnostics* d, const ScriptParse& parse, const LineReport& report,
                     const char* word, const char* wordEnd) {
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
    copyCut(word, wordEnd, d->ignoringWord, sizeof d->ignoringWord);
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

void startDiagnostics(ScriptDiagnostics* diagnostics, const char* scriptPath, FILE* out) {
  std::memset(diagnostics, 0, sizeof *diagnostics);
  diagnostics->out = out;
  diagnostics->scriptPath = scriptPath;
  diagnostics->encoding = kEncodingAnsi;
}

DecodeReport decodeReportFor(ScriptDiagnostics* diagnostics) {
  return DecodeReport{noteDecodeProblem, diagnostics};
}

void noteScriptLine(ScriptDiagnostics* d, const ScriptParse& parse, const char* line,
                    size_t length, const LineReport& report) {
  flushDecodeProblems(d);
  long long lineNumber = ++d->lineNumber;
  if (report.outcome == LineOutcome::kAfterSceneLimit) return;

  // The line's text as the parser sees it: up to a NUL byte, without its
  // line feed.
  const char* nul = static_cast<const char*>(std::memchr(line, '\0', length));
  const char* end = nul != nullptr ? nul : line + length;
  if (end > line && end[-1] == '\n') --end;
  if (nul != nullptr && holdsHiddenText(nul, line + length)) {
    warn(d, lineNumber, "NUL byte in the line: the text after it is ignored");
  }
  // One line that is not UTF-8 settles it: the script is what it claims.
  if (d->encoding == kEncodingAnsi && !d->sawOtherHighLine && holdsHighBytes(line, end)) {
    if (isValidUtf8(line, static_cast<size_t>(end - line))) {
      d->sawUtf8Line = true;
    } else {
      d->sawOtherHighLine = true;
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
  const char* word = nullptr;
  const char* wordEnd = scanWord(line, end, &word);
  if (wordEnd == nullptr) return;
  bool comment = wordEnd - word >= 2 && word[0] == '/' && word[1] == '/';
  switch (report.outcome) {
    case LineOutcome::kTooShort:
      if (!comment && nul == nullptr) {
        warn(d, lineNumber, "line too short to be read (under 4 bytes): skipped");
      }
      break;
    case LineOutcome::kSectionOpened:
      noteSectionLine(d, parse, report, word, wordEnd);
      break;
    case LineOutcome::kSceneLimit:
      warn(d, lineNumber,
           "#SCENE line ignored with every line after it: a tour holds at most %d scenes",
           kMaxScenes);
      break;
    case LineOutcome::kNoDollar:
      noteNoDollar(d, parse, report, word[0] == '*');
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

// ---------------------------------------------------------------------------
// The whole tour.

namespace {

unsigned char lowerAscii(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + ('a' - 'A')) : c;
}

// Equal when letter case is ignored; a two-byte character is compared as
// it is (its trail byte may look like a letter).
bool sameIgnoringCase(const char* a, const char* b) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(a);
  const unsigned char* q = reinterpret_cast<const unsigned char*>(b);
  while (*p != '\0' && *q != '\0') {
    if (*p >= 0x80) {
      if (*p != *q || p[1] != q[1]) return false;
      if (p[1] == '\0') return true;
      p += 2;
      q += 2;
    } else {
      if (lowerAscii(*p) != lowerAscii(*q)) return false;
      ++p;
      ++q;
    }
  }
  return *p == *q;
}

// `text` ends in `suffix`, ignoring letter case; the part before it is
// written to `stem` (room for kText128 bytes).
bool endsWithIgnoringCase(const char* text, const char* suffix, char* stem) {
  size_t length = std::strlen(text);
  size_t suffixLength = std::strlen(suffix);
  if (length <= suffixLength || length - suffixLength >= kText128) return false;
  if (!sameIgnoringCase(text + length - suffixLength, suffix)) return false;
  std::memcpy(stem, text, length - suffixLength);
  stem[length - suffixLength] = '\0';
  return true;
}

int sceneCountOf(const Tour& tour) {
  return tour.sceneCount < 0 ? 0 : std::min(tour.sceneCount, kMaxScenes);
}

// Scenes before `before` whose name is `name` (with letter case, or
// ignoring it).
int countNamed(const Tour& tour, const char* name, int before, bool ignoreCase) {
  int count = 0;
  for (int s = 0; s < before; ++s) {
    const char* other = tour.scenes[s].name;
    if (other[0] == '\0') continue;
    if (ignoreCase ? sameIgnoringCase(other, name) : std::strcmp(other, name) == 0) ++count;
  }
  return count;
}

bool isDecimal(int c) { return c >= '0' && c <= '9'; }

// "Gallery-<scene>-<gallery>" for a gallery of the tour.
bool namesGalleryScene(const Tour& tour, const char* target) {
  const char prefix[] = "gallery-";
  for (size_t i = 0; i + 1 < sizeof prefix; ++i) {
    if (lowerAscii(static_cast<unsigned char>(target[i])) != prefix[i]) return false;
  }
  const char* end = target + std::strlen(target);
  const char* p = target + sizeof prefix - 1;
  int scene = 0;
  int gallery = 0;
  if (!isDecimal(*p)) return false;
  p = scanInteger(p, end, &scene);
  if (p == end || *p != '-' || !isDecimal(p[1])) return false;
  p = scanInteger(p + 1, end, &gallery);
  if (p != end) return false;
  if (scene < 1 || scene > sceneCountOf(tour)) return false;
  return gallery >= 1 && gallery <= tour.scenes[scene - 1].galleryCount;
}

// A scene element of the tour XML: a scene's name, the "-copy" name of a
// repeated one, or a gallery scene. The viewer ignores letter case.
bool namesSceneOfTour(const Tour& tour, const char* target) {
  int scenes = sceneCountOf(tour);
  if (countNamed(tour, target, scenes, true) > 0) return true;
  char stem[kText128];
  if (endsWithIgnoringCase(target, "-copy", stem)) {
    for (int s = 0; s < scenes; ++s) {
      const char* name = tour.scenes[s].name;
      if (name[0] != '\0' && sameIgnoringCase(name, stem) && countNamed(tour, name, s, false) > 0) {
        return true;
      }
    }
  }
  return namesGalleryScene(tour, target);
}

// Characters of a caption or title as they reach the tour XML: the output
// turns "&#...;" references and "U+XXXX" notations into the characters
// they name. Only ASCII matters to the checks; every other character is
// kOtherCharacter.
constexpr int kOtherCharacter = 0x100;

bool isHex(int c) { return isDecimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
int hexValue(int c) { return isDecimal(c) ? c - '0' : (c | 0x20) - 'a' + 10; }
bool isNameStart(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }

template <size_t N>
size_t outputCharacters(const char (&field)[N], int (&characters)[N]) {
  const unsigned char* text = reinterpret_cast<const unsigned char*>(field);
  size_t length = 0;
  while (length < N && field[length] != '\0') ++length;
  size_t count = 0;
  size_t p = 0;
  while (p < length) {
    unsigned char b = text[p];
    if (b >= 0x80) {
      p += (p + 1 < length && text[p + 1] >= 0x21) ? 2 : 1;
      characters[count++] = kOtherCharacter;
    } else if (b == 'U' && p + 6 <= length && text[p + 1] == '+' && isHex(text[p + 2]) &&
               isHex(text[p + 3]) && isHex(text[p + 4]) && isHex(text[p + 5])) {
      int value = 0;
      for (size_t i = p + 2; i < p + 6; ++i) value = value * 16 + hexValue(text[i]);
      p += 6;
      if (value != 0) characters[count++] = value < 0x80 ? value : kOtherCharacter;
    } else if (b == '&' && p + 2 < length && text[p + 1] == '#' && isDecimal(text[p + 2])) {
      int value = 0;
      for (p += 2; p < length && isDecimal(text[p]); ++p) {
        value = value * 10 + (text[p] - '0');
        if (value >= kOtherCharacter) value = kOtherCharacter;
      }
      if (p < length && text[p] == ';') ++p;
      characters[count++] = value > 0 && value < 0x80 ? value : kOtherCharacter;
    } else {
      characters[count++] = b;
      ++p;
    }
  }
  return count;
}

// The character that the XML reference at characters[at] (an '&') stands
// for, or -1 when none begins there; entity references are XML's own five.
int xmlReferenceValue(const int* characters, size_t count, size_t at) {
  size_t p = at + 1;
  auto characterAt = [&](size_t i) { return i < count ? characters[i] : -1; };
  if (characterAt(p) == '#') {
    ++p;
    bool hex = characterAt(p) == 'x';
    if (hex) ++p;
    size_t digitsStart = p;
    int value = 0;
    for (; hex ? isHex(characterAt(p)) : isDecimal(characterAt(p)); ++p) {
      int digit = hex ? hexValue(characterAt(p)) : characterAt(p) - '0';
      value = value > 0x10FFFF ? 0x110000 : value * (hex ? 16 : 10) + digit;
    }
    if (p == digitsStart || characterAt(p) != ';') return -1;
    return value;
  }
  struct Entity {
    const char* name;
    int value;
  };
  static const Entity kEntities[] = {
      {"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''},
  };
  if (!isNameStart(characterAt(p))) return -1;
  for (const Entity& entity : kEntities) {
    size_t i = 0;
    while (entity.name[i] != '\0' && characterAt(p + i) == entity.name[i]) ++i;
    if (entity.name[i] == '\0' && characterAt(p + i) == ';') return entity.value;
  }
  return -1;
}

// A caption or title ends its XML attribute early with '"', breaks the
// document with '<' or a bare '&', and a caption inside showtext('...')
// ends the viewer's text early with '\''.
template <size_t N>
void checkMarkup(ScriptDiagnostics* d, long long line, const char* fieldName,
                 const char (&field)[N], bool insideShowtext) {
  int characters[N];
  size_t count = outputCharacters(field, characters);
  bool quote = false;
  bool lessThan = false;
  bool apostrophe = false;
  bool bareAmpersand = false;
  for (size_t i = 0; i < count; ++i) {
    int c = characters[i];
    if (c == '"') quote = true;
    if (c == '<') lessThan = true;
    if (c == '\'') apostrophe = true;
    if (c == '&') {
      int value = xmlReferenceValue(characters, count, i);
      if (value < 0) bareAmpersand = true;
      if (value == '\'') apostrophe = true;
    }
  }
  if (quote) warn(d, line, "%s holds a \" that ends its XML attribute early", fieldName);
  if (lessThan) warn(d, line, "%s holds a < that XML does not allow in an attribute", fieldName);
  if (apostrophe && insideShowtext) {
    warn(d, line, "%s holds a ' that ends its showtext('...') text early", fieldName);
  }
  if (bareAmpersand) {
    warn(d, line, "%s holds an & that begins no character or entity reference", fieldName);
  }
}

void checkScene(ScriptDiagnostics* d, const Tour& tour, int s) {
  const Scene& scene = tour.scenes[s];
  const SceneOrigin& origin = d->scenes[s];
  if (scene.name[0] == '\0') {
    if (!origin.headerSkipped) {
      warn(d, origin.sectionLine,
           "scene %d has no header line: it is listed but gets no scene element", s + 1);
    }
    return;
  }
  long long line = origin.headerLine;
  int repeats = countNamed(tour, scene.name, s, false);
  if (repeats > 0) {
    int first = 0;
    int latest = 0;
    for (int earlier = 0; earlier < s; ++earlier) {
      if (std::strcmp(tour.scenes[earlier].name, scene.name) != 0) continue;
      if (countNamed(tour, scene.name, earlier, false) == 0) first = earlier;
      latest = earlier;
    }
    if (repeats == 1) {
      warn(d, line, "scene name \"%s\" repeats scene %d's (line %lld); its element is named "
                    "\"%s-copy\"",
           scene.name, first + 1, d->scenes[first].headerLine, scene.name);
    } else {
      warn(d, line,
           "scene name \"%s\" repeats scene %d's (line %lld); its element is named \"%s-copy\" "
           "like scene %d's, so the viewer cannot tell them apart",
           scene.name, first + 1, d->scenes[first].headerLine, scene.name, latest + 1);
    }
  } else {
    for (int earlier = 0; earlier < s; ++earlier) {
      const char* other = tour.scenes[earlier].name;
      if (other[0] == '\0' || !sameIgnoringCase(other, scene.name)) continue;
      warn(d, line,
           "scene name \"%s\" differs from scene %d's \"%s\" (line %lld) only in letter case; "
           "the viewer takes them for one name",
           scene.name, earlier + 1, other, d->scenes[earlier].headerLine);
      break;
    }
  }
  checkMarkup(d, line, "title", scene.title, false);
}

void checkItem(ScriptDiagnostics* d, const Tour& tour, const TourEntry& entry) {
  const Scene& scene = tour.scenes[entry.scene];
  const ItemOrigin& origin = d->scenes[entry.scene].items[entry.list][entry.index];
  long long line = entry.line;
  switch (entry.list) {
    case kCrossLinkList: {
      const CrossLink& link = scene.crossLinks[entry.index];
      if (origin.fields >= 1 && !namesSceneOfTour(tour, link.target)) {
        warn(d, line, "cross link target \"%s\" names no scene of the tour", link.target);
      }
      checkMarkup(d, line, "caption", link.caption, true);
      break;
    }
    case kOutLinkList:
      checkMarkup(d, line, "caption", scene.outLinks[entry.index].caption, true);
      break;
    case kStillList: {
      const StillImage& still = scene.stills[entry.index];
      if (origin.fields >= 5 && still.distorted != 0 && still.distorted != 1) {
        warn(d, line, "still image distorted is %d, not 0 or 1; it is written as true",
             still.distorted);
      }
      checkMarkup(d, line, "caption", still.caption, true);
      break;
    }
    case kVideoList: {
      const VideoLink& video = scene.videos[entry.index];
      if (origin.fields >= 4 && (video.kind < 1 || video.kind > 3)) {
        warn(d, line, "video kind %d is not 1, 2 or 3; it is written as a button without an image",
             video.kind);
      }
      checkMarkup(d, line, "caption", video.caption, true);
      break;
    }
    case kGalleryList: {
      const Gallery& gallery = scene.galleries[entry.index];
      if (gallery.folder[0] == '\0') warn(d, line, "gallery entrance has no folder name");
      if (gallery.objectCount <= 0) {
        warn(d, line, "gallery \"%s\" is empty: no object line follows its entrance line",
             gallery.folder);
      }
      checkMarkup(d, line, "caption", gallery.caption, true);
      break;
    }
    case kReferenceList:
      checkMarkup(d, line, "caption", scene.references[entry.index].caption, true);
      break;
    default:
      break;
  }
}

void checkObject(ScriptDiagnostics* d, const Tour& tour, int index) {
  const GalleryObject& object = tour.galleryObjects[index];
  const ItemOrigin& origin = d->objects[index];
  if (origin.fields >= 2 && object.kind != 1 && object.kind != 2) {
    warn(d, origin.line,
         "gallery object kind %d is not 1 (image) or 2 (video); the object is not shown",
         object.kind);
  }
  checkMarkup(d, origin.line, "caption", object.caption, true);
}

int countOf(int count) { return count < 0 ? 0 : std::min(count, kMaxItemsPerList); }

// Every entry of the tour with its line, sorted by line.
int sortedEntries(ScriptDiagnostics* d, const Tour& tour) {
  int count = 0;
  for (int s = 0; s < sceneCountOf(tour); ++s) {
    const Scene& scene = tour.scenes[s];
    const SceneOrigin& origin = d->scenes[s];
    long long sceneLine = origin.headerLine != 0 ? origin.headerLine : origin.sectionLine;
    d->entries[count++] = TourEntry{sceneLine, kSceneEntry, s, 0};
    const int listCounts[kItemListCount] = {
        countOf(scene.crossLinkCount), countOf(scene.outLinkCount), countOf(scene.stillCount),
        countOf(scene.videoCount),     countOf(scene.galleryCount), countOf(scene.referenceCount),
    };
    for (int list = 0; list < kItemListCount; ++list) {
      for (int i = 0; i < listCounts[list]; ++i) {
        d->entries[count++] = TourEntry{origin.items[list][i].line, list, s, i};
      }
    }
  }
  int objects =
      tour.galleryObjectCount < 0 ? 0 : std::min(tour.galleryObjectCount, kMaxGalleryObjects);
  for (int i = 0; i < objects; ++i) {
    d->entries[count++] = TourEntry{d->objects[i].line, kObjectEntry, 0, i};
  }
  std::sort(d->entries, d->entries + count, [](const TourEntry& a, const TourEntry& b) {
    if (a.line != b.line) return a.line < b.line;
    if (a.list != b.list) return a.list < b.list;
    if (a.scene != b.scene) return a.scene < b.scene;
    return a.index < b.index;
  });
  return count;
}

}  // namespace

void finishDiagnostics(ScriptDiagnostics* d, const Tour& tour) {
  flushDecodeProblems(d);
  if (d->encoding == kEncodingAnsi && d->sawUtf8Line && !d->sawOtherHighLine) {
    warn(d, 0,
         "the script reads as UTF-8 but has no byte-order mark, so it is taken as ANSI (Korean "
         "code page); save it as UTF-8 with a byte-order mark");
  }
  if (sceneCountOf(tour) == 0) {
    warn(d, 0, "the script has no #SCENE section: the tour has no scenes");
  }

  int count = sortedEntries(d, tour);
  for (int i = 0; i < count; ++i) {
    const TourEntry& entry = d->entries[i];
    if (entry.list == kSceneEntry) {
      checkScene(d, tour, entry.scene);
    } else if (entry.list == kObjectEntry) {
      checkObject(d, tour, entry.index);
    } else {
      checkItem(d, tour, entry);
    }
  }

  if (d->warningCount > 0) {
    std::fprintf(d->out, "%s: %lld warning%s\n", d->scriptPath, d->warningCount,
                 pluralEnding(d->warningCount));
  }
  std::fflush(d->out);
}

void parseScriptWithDiagnostics(FILE* stream, Tour* tour, int encoding,
                                ScriptDiagnostics* diagnostics) {
  diagnostics->encoding = encoding;
  ScriptParse parse;
  startScriptParse(&parse, tour);
  // One pass at a time: the read-ahead lives in static storage, off the stack.
  static LineReader reader;
  openLineReader(&reader, stream);
  const char* line;
  size_t length;
  while (readLine(&reader, &line, &length)) {
    LineReport report = parseScriptLine(&parse, line, length);
    noteScriptLine(diagnostics, parse, line, length, report);
  }
  closeLineReader(&reader);
  finishScriptParse(&parse);
  finishDiagnostics(diagnostics, *tour);
}

}  // namespace tourwright
