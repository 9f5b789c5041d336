// The checks of the parsed tour: what needs the whole tour (a link to a
// scene that never comes, a name that repeats one given later) waits for
// the end of the parse. The side tables of the line-by-line notes remember
// each entry's line, and the entries are gone through sorted by line, so
// the findings come in the order of their lines.
#include <algorithm>
#include <cstring>
#include <string>

#include "encoding/code_point.h"
#include "encoding/unicode_to_ksx.h"
#include "script/diagnostics.h"
#include "script/diagnostics_parts.h"
#include "script/scene_names.h"

namespace tourwright {

namespace {

// The entries of the tour besides the items of a scene's lists.
constexpr int kSceneEntry = kItemListCount;
constexpr int kObjectEntry = kItemListCount + 1;

template <size_t N>
void checkMarkup(ScriptDiagnostics* d, long long line, const char* fieldName,
                 const char (&field)[N], bool insideShowtext) {
  const void* nul = std::memchr(field, '\0', N);
  size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - field) : N;
  checkMarkup(d, line, fieldName, field, length, insideShowtext);
}

// Names that the viewer reads otherwise than the tour means them.
void checkNameForTheViewer(ScriptDiagnostics* d, long long line, const char* name) {
  std::string number = sceneNumberReadFrom(name);
  if (!number.empty()) {
    warn(d, line,
         "scene name \"%s\" begins with a digit: the viewer reads it as scene number %s, not as "
         "a name, and cannot load the scene; put a letter in front (as \"s%s\")",
         name, number.c_str(), name);
  }
  char stop = actionLanguageStop(name);
  if (stop != 0) {
    warn(d, line,
         "scene name \"%s\" holds \"%c\", which ends a name in the viewer's actions "
         "(loadscene(%s) is written without quotes): links cannot load the scene; leave it out",
         name, stop, name);
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
  checkNameForTheViewer(d, line, scene.name);
  checkMarkup(d, line, "title", scene.title, false);
  if (d->sceneCheck.check != nullptr) d->sceneCheck.check(d->sceneCheck.context, d, tour, s, line);
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
      std::string number = sceneNumberReadFrom(link.target);
      if (origin.fields >= 1 && !number.empty()) {
        warn(d, line,
             "cross link target \"%s\" begins with a digit: the viewer reads it as scene number "
             "%s, not as a name; put a letter in front of the target and of the scene's name",
             link.target, number.c_str());
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
      long long overLimit = d->scenes[entry.scene].objectLinesOverLimit[entry.index];
      if (gallery.objectCount <= 0 && overLimit > 0) {
        warn(d, line,
             "gallery \"%s\" is empty: its object lines (%lld) came after the tour's %d gallery "
             "objects were taken",
             gallery.folder, overLimit, kMaxGalleryObjects);
      } else if (gallery.objectCount <= 0) {
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
  // Code page text that happens to be valid UTF-8 is what it claims.
  if (d->encoding == kEncodingAnsi && d->sawUtf8Line && !d->sawOtherHighLine &&
      !readsAsCodePage(d->utf8Reading)) {
    warn(d, 0,
         "the script reads as UTF-8 but has no byte-order mark, so it is taken as ANSI (Korean "
         "code page); save it as UTF-8 with a byte-order mark");
  }
  if (d->baseName != nullptr) {
    // The tour's title, its xmlscript name and the homepano paths of its
    // videos are the base name as it stands.
    std::string fieldName = std::string("base name \"") + d->baseName + "\"";
    checkMarkup(d, 0, fieldName.c_str(), d->baseName, std::strlen(d->baseName), false);
    if (fileNameEndsInLoneLead(d->baseName)) {
      warn(d, 0,
           "%s ends in a lead byte (0x80 or above) without its trail byte: the byte is dropped "
           "from the tour XML, which therefore cannot name the tour's files as they are on disk",
           fieldName.c_str());
    }
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

  if (d->tourCheck.check != nullptr) d->tourCheck.check(d->tourCheck.context, d, tour);
  writeWarningCount(d);
}

}  // namespace tourwright
