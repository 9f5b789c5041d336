// The kinds of record line and their fields, as the parser scans them, and
// the findings on the fields of a line that filled an entry: codes of an
// ANSI script that the tour can only show as the replacement mark, fields
// it left out (with what they now hold) and words or a caption cut to their
// field.
#include <cstdio>
#include <cstring>

#include "encoding/ksx_to_unicode.h"
#include "script/diagnostics_parts.h"

namespace tourwright {

namespace {

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

}  // namespace

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

namespace {

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

// The caption (a scene's title) of the entry a line just filled.
const char* captionField(const Tour& tour, LineKind lineKind, int scene, int index) {
  const Scene& s = tour.scenes[scene];
  switch (lineKind) {
    case LineKind::kSceneHeader: return s.title;
    case LineKind::kCrossLink: return s.crossLinks[index].caption;
    case LineKind::kOutLink: return s.outLinks[index].caption;
    case LineKind::kStill: return s.stills[index].caption;
    case LineKind::kVideo: return s.videos[index].caption;
    case LineKind::kGallery: return s.galleries[index].caption;
    case LineKind::kObject: return tour.galleryObjects[index].caption;
    case LineKind::kReference: return s.references[index].caption;
  }
  return "";
}

// Codes named in one warning; the rest are counted.
constexpr int kCodesNamed = 4;

struct UnshownCodes {
  long long count;
  char named[kCodesNamed][24];
};

// Gathers the codes of `text` that the tour XML shows as the replacement
// mark, paired the way the output reads them: a pair that no table holds
// (most often one of the extra Hangul of the Windows Korean code page), and
// a lead byte without a trail byte.
void gatherUnshownCodes(const char* text, UnshownCodes* codes) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
  const unsigned char* end = p + std::strlen(text);
  while (p < end) {
    if (*p < 0x80) {
      ++p;
      continue;
    }
    bool paired = p + 1 < end && p[1] >= kLowestTrail;
    if (!paired || !ksxHasMapping(p)) {
      if (codes->count < kCodesNamed) {
        std::snprintf(codes->named[codes->count], sizeof codes->named[0],
                      paired ? "%02X %02X" : "%02X (no trail byte)", p[0], paired ? p[1] : 0);
      }
      ++codes->count;
    }
    p += paired ? 2 : 1;
  }
}

// One warning for the texts of an entry of an ANSI script that hold codes
// the tour can only show as the mark.
void warnUnshownCodes(ScriptDiagnostics* d, const Tour& tour, LineKind lineKind, int scene,
                      int index) {
  UnshownCodes codes = {};
  const KindInfo& info = infoOf(lineKind);
  for (int field = 0; field < info.fieldCount; ++field) {
    // A field that begins with "$" repeats the caption's first word.
    const char* text = wordField(tour, lineKind, scene, index, field);
    if (text != nullptr && text[0] != '$') gatherUnshownCodes(text, &codes);
  }
  gatherUnshownCodes(captionField(tour, lineKind, scene, index), &codes);
  if (codes.count == 0) return;
  long long shown = codes.count < kCodesNamed ? codes.count : kCodesNamed;
  bool one = codes.count == 1;
  beginWarning(d, d->lineNumber);
  std::fputs(one ? "code " : "codes ", d->out);
  for (long long i = 0; i < shown; ++i) {
    if (i > 0) std::fputs(i + 1 == codes.count ? " and " : ", ", d->out);
    std::fputs(codes.named[i], d->out);
  }
  if (codes.count > shown) std::fprintf(d->out, " and %lld more", codes.count - shown);
  std::fprintf(d->out,
               " %s no character in the code page tables: the tour shows U+25A3 in %s place; "
               "save the script as UTF-8 with a byte-order mark, which keeps every character",
               one ? "has" : "have", one ? "its" : "their");
  endWarning(d);
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
void warnMissingFields(ScriptDiagnostics* d, const Tour& tour, LineKind lineKind, int index,
                       int given, int filled) {
  long long line = d->lineNumber;
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
  // An object without an explanation still gets its explanation button.
  if (lineKind == LineKind::kObject && tour.galleryObjects[index].explanation[0] == '\0') {
    std::fprintf(d->out, " (its \"Explanation-%d\" button is written with no text)", index);
  }
  endWarning(d);
}

}  // namespace

// A lead byte that ends a field would take the byte after the field in
// the tour XML (a quote, say) as its trail byte.
const char kLeadDropped[] =
    "%s ends in a lead byte (0x80 or above) without its trail byte: the byte was dropped";

// Findings on a line that filled an entry: fields it left out, words or a
// caption cut to their fields or ending in a lone lead byte, and words that
// break their XML attribute. Returns the fields the line gave.
int checkFilledLine(ScriptDiagnostics* d, const Tour& tour, const LineReport& report,
                    LineKind lineKind, int scene, int index) {
  const KindInfo& info = infoOf(lineKind);
  long long line = d->lineNumber;
  if (d->encoding == kEncodingAnsi && !d->lineReadsAsUtf8) {
    warnUnshownCodes(d, tour, lineKind, scene, index);
  }
  // A UTF-8 line of an ANSI script ends in lone lead bytes all over: the
  // warning about the missing byte-order mark covers them.
  bool readsAsUtf8 = d->encoding == kEncodingAnsi && d->lineReadsAsUtf8;
  int given = fieldsGiven(tour, lineKind, scene, index, report.fieldsFilled);
  if (given < info.needed) warnMissingFields(d, tour, lineKind, index, given, report.fieldsFilled);
  for (int field = 0; field < info.fieldCount; ++field) {
    if ((report.cutFields & (1u << field)) != 0) {
      warn(d, line, "%s cut to its capacity of %d bytes", info.fields[field].name,
           info.fields[field].capacity - 1);
    }
    if ((report.leadDroppedFields & (1u << field)) != 0 && !readsAsUtf8) {
      warn(d, line, kLeadDropped, info.fields[field].name);
    }
  }
  // Words go into attributes as they stand, as captions do.
  for (int field = 0; field < given; ++field) {
    const char* text = wordField(tour, lineKind, scene, index, field);
    if (text == nullptr) continue;
    checkMarkup(d, line, info.fields[field].name, text, std::strlen(text), false);
  }
  if (report.captionCut) {
    warn(d, line, "%s cut to its capacity of %d bytes", info.captionName, kText128 - 1);
  }
  if (report.captionLeadDropped && !readsAsUtf8) warn(d, line, kLeadDropped, info.captionName);
  return given;
}

}  // namespace tourwright
