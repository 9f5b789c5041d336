// The checks of the parsed tour: what needs the whole tour (a link to a
// scene that never comes, a name that repeats one given later) waits for
// the end of the parse. The side tables of the line-by-line notes remember
// each entry's line, and the entries are gone through sorted by line, so
// the findings come in the order of their lines.
#include <algorithm>
#include <cstring>

#include "encoding/code_point.h"
#include "script/diagnostics.h"
#include "script/diagnostics_parts.h"
#include "script/line_scan.h"

namespace tourwright {

namespace {

// The entries of the tour besides the items of a scene's lists.
constexpr int kSceneEntry = kItemListCount;
constexpr int kObjectEntry = kItemListCount + 1;

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
    int notation = b == 'U' ? notationValue(text + p, length - p) : -1;
    if (b >= 0x80) {
      p += (p + 1 < length && text[p + 1] >= 0x21) ? 2 : 1;
      characters[count++] = kOtherCharacter;
    } else if (notation >= 0) {
      p += kNotationLength;
      if (notation != 0) characters[count++] = notation < 0x80 ? notation : kOtherCharacter;
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

  writeWarningCount(d);
}

}  // namespace tourwright
