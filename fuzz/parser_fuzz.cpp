// Scene script bytes into the parser and the listing: the model never holds
// more than its capacities, every text ends inside its field, and every
// gallery's objects lie inside the tour's object table. The same bytes with
// one of them repeated past the line reader's block give, read back from
// the stream, the model that the whole lines in memory give.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "script/listing.h"
#include "script/parser.h"
#include "script/tour_model.h"

using namespace tourwright;

namespace {

Tour gTour;
Tour gInMemory;

template <size_t N>
void checkText(const char (&field)[N]) {
  FUZZ_CHECK(std::memchr(field, '\0', N) != nullptr, "text without its NUL");
}

void checkModel(const Tour& tour) {
  FUZZ_CHECK(tour.sceneCount >= 0 && tour.sceneCount <= kMaxScenes, "");
  FUZZ_CHECK(tour.galleryObjectCount >= 0 && tour.galleryObjectCount <= kMaxGalleryObjects, "");
  for (int s = 0; s < tour.sceneCount; ++s) {
    const Scene& scene = tour.scenes[s];
    checkText(scene.name);
    checkText(scene.title);
    for (int count : {scene.crossLinkCount, scene.outLinkCount, scene.stillCount,
                      scene.videoCount, scene.galleryCount, scene.referenceCount}) {
      FUZZ_CHECK(count >= 0 && count <= kMaxItemsPerList, "");
    }
    for (int i = 0; i < scene.crossLinkCount; ++i) {
      checkText(scene.crossLinks[i].target), checkText(scene.crossLinks[i].style),
          checkText(scene.crossLinks[i].caption);
    }
    for (int i = 0; i < scene.referenceCount; ++i) {
      checkText(scene.references[i].target), checkText(scene.references[i].icon),
          checkText(scene.references[i].caption);
    }
    for (int g = 0; g < scene.galleryCount; ++g) {
      const Gallery& gallery = scene.galleries[g];
      checkText(gallery.folder), checkText(gallery.caption);
      FUZZ_CHECK(gallery.firstObject >= 0 && gallery.objectCount >= 0 &&
                     gallery.firstObject + gallery.objectCount <= tour.galleryObjectCount,
                 "gallery objects outside the table");
    }
  }
  for (int o = 0; o < tour.galleryObjectCount; ++o) {
    checkText(tour.galleryObjects[o].file), checkText(tour.galleryObjects[o].explanation),
        checkText(tour.galleryObjects[o].caption);
  }
}

void checkLongLine(const uint8_t* data, size_t size) {
  size_t at = (data[0] * 256u + data[size - 1]) % size;
  std::string bytes(reinterpret_cast<const char*>(data), at);
  bytes.append(70000, static_cast<char>(data[at]));
  bytes.append(reinterpret_cast<const char*>(data) + at, size - at);
  FILE* script = fmemopen(&bytes[0], bytes.size(), "rb");
  if (script == nullptr) return;
  clearTour(&gTour);
  bool read = parseSceneScript(script, &gTour);
  std::fclose(script);
  FUZZ_CHECK(read, "a stream in memory failed to read");
  clearTour(&gInMemory);
  ScriptParse parse;
  startScriptParse(&parse, &gInMemory);
  for (size_t start = 0; start < bytes.size();) {
    size_t feed = bytes.find('\n', start);
    size_t end = feed == std::string::npos ? bytes.size() : feed;
    size_t length = end - start;
    if (feed != std::string::npos && length > 0 && bytes[end - 1] == '\r') --length;
    LineText line = lineTextOf(bytes.data() + start, length);
    parseScriptLine(&parse, &line);
    start = end + 1;
  }
  finishScriptParse(&parse);
  FUZZ_CHECK(std::memcmp(&gTour, &gInMemory, sizeof(Tour)) == 0,
             "a long line read back gives another model than in memory");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;  // fmemopen refuses an empty buffer
  FILE* script = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (script == nullptr) return 0;
  clearTour(&gTour);
  parseSceneScript(script, &gTour);
  std::fclose(script);
  checkModel(gTour);
  static FILE* sink = std::fopen("/dev/null", "w");
  writeSceneListing(&gTour, sink);
  checkLongLine(data, size);
  return 0;
}
