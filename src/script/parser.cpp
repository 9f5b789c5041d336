// A line is told apart by its first word: "//" a comment, '#' a section
// line, '*' a gallery entrance; anything else is a record of the open
// section. Lines are read as they are however long they are (a long one
// is read back from its file as it is scanned, never held); every record is zeroed
// before its scan, so a field the line leaves out is empty or zero (or the
// section's default), never left over from an earlier record.
//
// Capacities are never exceeded: a 13th #SCENE line ends the useful part
// of the script, a 31st gallery entrance of a scene is ignored with the
// object lines after it, and full lists ignore further records. Gallery
// entrances always append to the scene's galleries; #GALLERY and #SCENE
// lines leave no current gallery, and an object line without one is
// ignored, so each gallery's objects are one run of the tour-wide table.
#include "script/parser.h"

#include <cstring>

#include "platform/line_reader.h"
#include "script/line_scan.h"

namespace tourwright {

namespace {

// Shorter lines, counting their line end, are skipped. A last line without
// a line feed, or one whose text a NUL byte ends, counts as having one.
constexpr size_t kShortestLine = 5;

// Section keywords are matched on their first five characters, upper-cased.
constexpr size_t kKeywordLength = 5;

struct SectionKeyword {
  const char* keyword;
  SectionKind kind;
};

const SectionKeyword kSectionKeywords[] = {
    {"#SCENE", SectionKind::kScene},       {"#GALLERY", SectionKind::kGallery},
    {"#CROSSLINK", SectionKind::kCrossLink}, {"#OUTLINK", SectionKind::kOutLink},
    {"#STILL", SectionKind::kStill},       {"#VIDEO", SectionKind::kVideo},
    {"#REFERENCE", SectionKind::kReference},
};

// One line as the parser sees it: its text up to the line feed (or up to
// a NUL byte), from position 0 to `end`, and its first word.
struct ScriptLine {
  LineText* text;
  size_t end;
  size_t firstWord;  // kNoMatch for a blank line
  size_t firstWordEnd;
};

// How a taken record line was scanned.
struct Filled {
  int fields;
  int fieldsInFormat;
  unsigned cutFields;  // bit i: field i of the format was cut
  bool captionCut;
  unsigned leadDroppedFields;  // bit i: field i lost a last lone lead byte
  bool captionLeadDropped;
};

LineReport reportOf(LineOutcome outcome, SectionKind section,
                    Filled filled = Filled{0, 0, 0u, false, 0u, false}) {
  return LineReport{outcome,
                    section,
                    filled.fields,
                    filled.fieldsInFormat,
                    filled.cutFields != 0 || filled.captionCut,
                    filled.cutFields,
                    filled.captionCut,
                    filled.leadDroppedFields,
                    filled.captionLeadDropped};
}

Scene& currentScene(ScriptParse* parse) { return parse->tour->scenes[parse->sceneIndex]; }

SectionKind sectionOfWord(LineText* text, size_t word, size_t wordEnd) {
  if (wordEnd - word < kKeywordLength) return SectionKind::kOther;
  char upper[kKeywordLength];
  for (size_t i = 0; i < kKeywordLength; ++i) {
    char c = static_cast<char>(lineByte(text, word + i));
    upper[i] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - ('a' - 'A')) : c;
  }
  for (const SectionKeyword& section : kSectionKeywords) {
    if (std::memcmp(upper, section.keyword, kKeywordLength) == 0) return section.kind;
  }
  return SectionKind::kOther;
}

// The records taken in the section that is closing become its list's count
// in the current scene. Scene and Gallery sections keep no such count.
void storeSectionCount(ScriptParse* parse) {
  Scene& scene = currentScene(parse);
  switch (parse->currentSection) {
    case SectionKind::kCrossLink: scene.crossLinkCount = parse->sectionRecordCount; break;
    case SectionKind::kOutLink: scene.outLinkCount = parse->sectionRecordCount; break;
    case SectionKind::kStill: scene.stillCount = parse->sectionRecordCount; break;
    case SectionKind::kVideo: scene.videoCount = parse->sectionRecordCount; break;
    case SectionKind::kReference: scene.referenceCount = parse->sectionRecordCount; break;
    default: break;
  }
}

LineReport openSection(ScriptParse* parse, SectionKind kind) {
  storeSectionCount(parse);
  if (kind == SectionKind::kScene) {
    if (parse->lastScene + 1 >= kMaxScenes) {
      parse->sceneLimitReached = true;
      parse->currentSection = SectionKind::kNone;
      return reportOf(LineOutcome::kSceneLimit, kind);
    }
    parse->sceneIndex = ++parse->lastScene;
    // The first scene was emptied at the start and keeps what lines before
    // the first #SCENE line put into it.
    if (parse->sceneIndex > 0) emptyScene(&currentScene(parse));
  }
  if (kind == SectionKind::kScene || kind == SectionKind::kGallery) parse->currentGallery = -1;
  parse->currentSection = kind;
  parse->sectionRecordCount = 0;
  return reportOf(LineOutcome::kSectionOpened, kind);
}

template <size_t N>
void copyCaption(const ScriptLine& line, size_t dollar, char (&caption)[N], Filled* filled) {
  CutResult copied = copyCut(line.text, dollar + 1, line.end, caption, N);
  filled->captionCut = copied.cut;
  filled->captionLeadDropped = copied.leadDropped;
}

// "*folder ath atv $caption": the folder is the first word without its '*'.
LineReport addGallery(ScriptParse* parse, const ScriptLine& line) {
  size_t dollar = findDollar(line.text, 0, line.end);
  if (dollar == kNoMatch) return reportOf(LineOutcome::kNoDollar, parse->currentSection);
  Scene& scene = currentScene(parse);
  if (scene.galleryCount >= kMaxItemsPerList) {
    parse->currentGallery = -1;
    return reportOf(LineOutcome::kGalleryLimit, parse->currentSection);
  }
  Gallery& gallery = scene.galleries[scene.galleryCount];
  gallery = Gallery{};
  CutResult folder = copyCut(line.text, line.firstWord + 1, line.firstWordEnd, gallery.folder,
                             sizeof gallery.folder);
  const ScanField angles[] = {integerInto(&gallery.ath), integerInto(&gallery.atv)};
  ScanResult scanned = scanFields(line.text, line.firstWordEnd, line.end, angles, 2);
  Filled filled{1 + scanned.filled, 3, folder.cut ? 1u : 0u, false,
                folder.leadDropped ? 1u : 0u, false};
  copyCaption(line, dollar, gallery.caption, &filled);
  gallery.firstObject = parse->tour->galleryObjectCount;
  gallery.objectCount = 0;
  parse->currentGallery = scene.galleryCount++;
  return reportOf(LineOutcome::kGalleryAdded, parse->currentSection, filled);
}

// Field by field, so that the report can name each field that was cut.
template <int N>
Filled scan(LineText* text, size_t end, const ScanField (&fields)[N]) {
  Filled filled{0, N, 0u, false, 0u, false};
  size_t p = 0;
  for (int i = 0; i < N; ++i) {
    ScanResult scanned = scanFields(text, p, end, &fields[i], 1);
    if (scanned.filled == 0) break;
    if (scanned.cut) filled.cutFields |= 1u << i;
    if (scanned.leadDropped) filled.leadDroppedFields |= 1u << i;
    ++filled.fields;
    p = scanned.rest;
  }
  return filled;
}

// "name hlookat vlookat $title", scanned whole.
Filled fillSceneHeader(Scene* scene, const ScriptLine& line, size_t dollar) {
  scene->name[0] = '\0';
  scene->title[0] = '\0';
  scene->hlookat = 0;
  scene->vlookat = 0;
  Filled filled = scan(line.text, line.end,
                       {wordInto(scene->name), integerInto(&scene->hlookat),
                        integerInto(&scene->vlookat)});
  if (filled.fields < filled.fieldsInFormat) {
    scene->hlookat = 0;
    scene->vlookat = 0;
  }
  copyCaption(line, dollar, scene->title, &filled);
  return filled;
}

// "target ath atv style lookat $caption", scanned up to the "$" only.
Filled fillLink(CrossLink* link, const ScriptLine& line, size_t dollar) {
  *link = CrossLink{};
  Filled filled = scan(line.text, dollar,
                       {wordInto(link->target), integerInto(&link->ath), integerInto(&link->atv),
                        wordInto(link->style), integerInto(&link->lookat)});
  if (filled.fields < filled.fieldsInFormat) link->lookat = kNoLookat;
  copyCaption(line, dollar, link->caption, &filled);
  return filled;
}

// "photo ath atv scale distorted rx ry rz $caption", scanned whole.
Filled fillStill(StillImage* still, const ScriptLine& line, size_t dollar) {
  *still = StillImage{};
  Filled filled = scan(line.text, line.end,
                       {wordInto(still->photo), integerInto(&still->ath), integerInto(&still->atv),
                        numberInto(&still->scale), integerInto(&still->distorted),
                        integerInto(&still->rx), integerInto(&still->ry), integerInto(&still->rz)});
  copyCaption(line, dollar, still->caption, &filled);
  return filled;
}

// "video ath atv kind $caption", scanned whole.
Filled fillVideo(VideoLink* video, const ScriptLine& line, size_t dollar) {
  *video = VideoLink{};
  Filled filled = scan(line.text, line.end,
                       {wordInto(video->video), integerInto(&video->ath), integerInto(&video->atv),
                        integerInto(&video->kind)});
  copyCaption(line, dollar, video->caption, &filled);
  return filled;
}

// "target ath atv icon scale $caption", scanned whole.
Filled fillReference(Reference* reference, const ScriptLine& line, size_t dollar) {
  *reference = Reference{};
  Filled filled = scan(line.text, line.end,
                       {wordInto(reference->target), integerInto(&reference->ath),
                        integerInto(&reference->atv), wordInto(reference->icon),
                        numberInto(&reference->scale)});
  copyCaption(line, dollar, reference->caption, &filled);
  return filled;
}

// "file kind scale explanation $caption", scanned whole: without an
// explanation word the "$" word fills `explanation`, which then means
// "no explanation".
Filled fillGalleryObject(GalleryObject* object, const ScriptLine& line, size_t dollar) {
  *object = GalleryObject{};
  Filled filled = scan(line.text, line.end,
                       {wordInto(object->file), integerInto(&object->kind),
                        numberInto(&object->scale), wordInto(object->explanation)});
  copyCaption(line, dollar, object->caption, &filled);
  return filled;
}

LineReport addSceneHeader(ScriptParse* parse, const ScriptLine& line) {
  if (parse->sectionRecordCount > 0) {
    return reportOf(LineOutcome::kExtraSceneRecord, SectionKind::kScene);
  }
  size_t dollar = findDollar(line.text, 0, line.end);
  if (dollar == kNoMatch) return reportOf(LineOutcome::kNoDollar, SectionKind::kScene);
  Filled filled = fillSceneHeader(&currentScene(parse), line, dollar);
  ++parse->sectionRecordCount;
  return reportOf(LineOutcome::kSceneHeader, SectionKind::kScene, filled);
}

LineReport addSceneRecord(ScriptParse* parse, const ScriptLine& line) {
  SectionKind section = parse->currentSection;
  int index = parse->sectionRecordCount;
  if (index >= kMaxItemsPerList) return reportOf(LineOutcome::kListFull, section);
  size_t dollar = findDollar(line.text, 0, line.end);
  if (dollar == kNoMatch) return reportOf(LineOutcome::kNoDollar, section);
  Scene& scene = currentScene(parse);
  Filled filled{0, 0, 0u, false, 0u, false};
  switch (section) {
    case SectionKind::kCrossLink: filled = fillLink(&scene.crossLinks[index], line, dollar); break;
    case SectionKind::kOutLink: filled = fillLink(&scene.outLinks[index], line, dollar); break;
    case SectionKind::kStill: filled = fillStill(&scene.stills[index], line, dollar); break;
    case SectionKind::kVideo: filled = fillVideo(&scene.videos[index], line, dollar); break;
    case SectionKind::kReference:
      filled = fillReference(&scene.references[index], line, dollar);
      break;
    default: return reportOf(LineOutcome::kOutsideSection, section);
  }
  ++parse->sectionRecordCount;
  return reportOf(LineOutcome::kRecordAdded, section, filled);
}

LineReport addGalleryObject(ScriptParse* parse, const ScriptLine& line) {
  Tour* tour = parse->tour;
  if (tour->galleryObjectCount >= kMaxGalleryObjects) {
    return reportOf(LineOutcome::kObjectTableFull, SectionKind::kGallery);
  }
  size_t dollar = findDollar(line.text, 0, line.end);
  if (dollar == kNoMatch) return reportOf(LineOutcome::kNoDollar, SectionKind::kGallery);
  if (parse->currentGallery < 0) {
    return reportOf(LineOutcome::kNoCurrentGallery, SectionKind::kGallery);
  }
  Filled filled =
      fillGalleryObject(&tour->galleryObjects[tour->galleryObjectCount], line, dollar);
  ++currentScene(parse).galleries[parse->currentGallery].objectCount;
  ++tour->galleryObjectCount;
  ++parse->sectionRecordCount;
  return reportOf(LineOutcome::kObjectAdded, SectionKind::kGallery, filled);
}

LineReport addRecord(ScriptParse* parse, const ScriptLine& line) {
  switch (parse->currentSection) {
    case SectionKind::kNone:
    case SectionKind::kOther: return reportOf(LineOutcome::kOutsideSection, parse->currentSection);
    case SectionKind::kScene: return addSceneHeader(parse, line);
    case SectionKind::kGallery: return addGalleryObject(parse, line);
    default: return addSceneRecord(parse, line);
  }
}

}  // namespace

void startScriptParse(ScriptParse* parse, Tour* tour) {
  startTour(tour);
  parse->tour = tour;
  parse->currentSection = SectionKind::kNone;
  parse->sceneIndex = 0;
  parse->lastScene = -1;
  parse->sectionRecordCount = 0;
  parse->currentGallery = -1;
  parse->sceneLimitReached = false;
}

LineReport parseScriptLine(ScriptParse* parse, LineText* text) {
  if (parse->sceneLimitReached) {
    return reportOf(LineOutcome::kAfterSceneLimit, parse->currentSection);
  }
  ScriptLine line{text, text->firstNul, kNoMatch, kNoMatch};
  if (line.end + 1 < kShortestLine) return reportOf(LineOutcome::kTooShort, parse->currentSection);
  line.firstWordEnd = scanWord(text, 0, line.end, &line.firstWord);
  if (line.firstWordEnd == kNoMatch) return addRecord(parse, line);  // blank: no "$"

  unsigned char first = lineByte(text, line.firstWord);
  if (line.firstWordEnd - line.firstWord >= 2 && first == '/' &&
      lineByte(text, line.firstWord + 1) == '/') {
    return reportOf(LineOutcome::kComment, parse->currentSection);
  }
  if (first == '#') return openSection(parse, sectionOfWord(text, line.firstWord, line.firstWordEnd));
  if (first == '*') return addGallery(parse, line);
  return addRecord(parse, line);
}

void finishScriptParse(ScriptParse* parse) {
  storeSectionCount(parse);
  parse->tour->sceneCount = parse->lastScene + 1;
}

bool parseSceneScript(FILE* stream, Tour* tour) {
  ScriptParse parse;
  startScriptParse(&parse, tour);
  // The read-ahead lives in static storage, off the stack.
  static LineReader reader;
  openLineReader(&reader, stream);
  LineText line;
  while (readLineText(&reader, &line)) parseScriptLine(&parse, &line);
  bool readWhole = !reader.failed;
  closeLineReader(&reader);
  finishScriptParse(&parse);
  return readWhole;
}

}  // namespace tourwright
