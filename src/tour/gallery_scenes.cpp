// One scene element per gallery, after all panorama scenes.
//
// The objects stand on a ring at equal whole-degree steps (360 / count,
// remainder dropped, so the last gap is the wider one). Every object takes
// its place on the ring whatever its kind, but only images (kind 1) and
// videos (kind 2) write an object hotspot. The listing numbers gallery
// objects tour-wide, and so do the hotspot names: an image is named with its
// index I, a video with I + 1 (the viewer's existing tours depend on it),
// an explanation button with I. A video followed by an image in the same
// gallery would share that image's name, and the viewer merges hotspots of
// one name (the image is lost): such a video is "GalleryVideo-<I>" instead.
#include "tour/gallery_scenes.h"

#include <cstdio>

#include "tour/emitter.h"
#include "tour/model_bounds.h"

namespace tourwright {

namespace {

// File extension by object kind.
const char* const kObjectExtensions[] = {"png", "jpg", "mp4", "mp4"};
constexpr int kImageObject = 1;
constexpr int kVideoObject = 2;

void writeHead(FILE* out, const char* sceneName, const Gallery& gallery) {
  emitRow(out, 1, 1, "<!-- Scene: %s -->", sceneName);
  emitRow(out, 1, 1,
          "<scene name=\"%s\"  title=\"%s\" onstart=\"setcaption();\" "
          "thumburl=\"/VR/style/gallery.png\">",
          sceneName, gallery.caption);
  emitRow(out, 2, 1, "<preview type=\"grid(cube)\"/>");
}

void writeImageObject(FILE* out, int index, int angle, const Gallery& gallery,
                      const GalleryObject& object) {
  emitRow(out, 2, 0, "<hotspot name=\"GalleryObject-%d\" style=\"flyoutimage\"", index);
  emitRow(out, 3, 0, "url=\"%s/%s.%s\"", gallery.folder, object.file,
          kObjectExtensions[kImageObject]);
  emitRow(out, 3, 0, "zorder=\"2\"");
  emitRow(out, 3, 0, "distorted=\"true\"");
  emitRow(out, 3, 0, "ath=\"%d\"", angle);
  emitRow(out, 3, 0, "atv=\"0\"");
  emitRow(out, 3, 0, "scale=\"%g\"", static_cast<double>(object.scale));
  emitRow(out, 3, 1, "onhover=\"showtext('%s', hoverstyle);\" />", object.caption);
}

const Row kVideoPlayerFixedRows[] = {
    {3, "pausedonstart=\"true\"", 0},
    {3, "loop=\"false\"", 0},
    {3, "volume=\"1.0\"", 0},
    {3, "buffertime=\"0.1\"", 0},
    {3, "updateeveryframe=\"false\"", 0},
};

// A loading marker (every video writes its own, all named "loading"), then
// the player.
void writeVideoObject(FILE* out, int index, int angle, const Gallery& gallery,
                      const GalleryObject& object, bool imageFollows) {
  emitRow(out, 2, 0, "<hotspot name=\"loading\"");
  emitRow(out, 3, 0, "style=\"loading\"");
  emitRow(out, 3, 0, "zorder=\"2\"");
  emitRow(out, 3, 0, "ath=\"%d\"", angle);
  emitRow(out, 3, 0, "atv=\"0\"");
  emitRow(out, 2, 1, "/>");
  if (imageFollows) {
    emitRow(out, 2, 0, "<hotspot name=\"GalleryVideo-%d\"", index);
  } else {
    emitRow(out, 2, 0, "<hotspot name=\"GalleryObject-%d\"", index + 1);
  }
  emitRow(out, 3, 0, "url=\"%%SWFPATH%%/plugins/videoplayer.swf\"");
  emitRow(out, 3, 0, "alturl=\"%%SWFPATH%%/plugins/videoplayer.js\"");
  emitRow(out, 3, 0, "videourl=\"%s/%s.%s\"", gallery.folder, object.file,
          kObjectExtensions[kVideoObject]);
  emitRow(out, 3, 0, "zorder=\"3\"");
  emitRow(out, 3, 0, "distorted=\"true\"");
  emitRow(out, 3, 0, "ath=\"%d\"", angle);
  emitRow(out, 3, 0, "atv=\"0\"");
  emitRow(out, 3, 0, "scale=\"%g\"", static_cast<double>(object.scale));
  emitRows(out, kVideoPlayerFixedRows);
  emitRow(out, 3, 0, "onclick=\"lookto(%d, 0); togglepause();\"", angle);
  emitRow(out, 3, 1, "onhover=\"showtext('%s', hoverstyle);\" />", object.caption);
}

void writeExplanationButton(FILE* out, int index, int angle, const GalleryObject& object) {
  emitRow(out, 2, 0, "<hotspot name=\"Explanation-%d\"", index);
  emitRow(out, 3, 0, "url=\"/VR/style/text60.png\"");
  emitRow(out, 3, 0, "zorder=\"3\"");
  emitRow(out, 3, 0, "distorted=\"true\"");
  emitRow(out, 3, 0, "ath=\"%d\"", angle);
  emitRow(out, 3, 0, "atv=\"25\"");
  emitRow(out, 3, 0, "scale=\"0.75\"");
  emitRow(out, 3, 1, "onclick=\"if(webvr.isenabled,,forma_pct(0.8,0.9, %s, %s););\" />",
          object.explanation, object.caption);
}

const Row kGoHomeHead1[] = {
    {2, "<hotspot name=\"goHome-1\"", 0},
    {3, "type=\"image\"", 0},
    {3, "url=\"/VR/style/back.png\"", 0},
    {3, "zorder=\"4\"", 0},
    {3, "distorted=\"true\"", 0},
    {3, "ath=\"0\"", 0},
    {3, "atv=\"40\"", 0},
    {3, "scale=\"1.5\"", 0},
};
const Row kGoHomeHead2[] = {
    {2, "<hotspot name=\"goHome-2\"", 0},
    {3, "type=\"image\"", 0},
    {3, "url=\"/VR/style/back.png\"", 0},
    {3, "zorder=\"4\"", 0},
    {3, "distorted=\"true\"", 0},
    {3, "ath=\"180\"", 0},
    {3, "atv=\"40\"", 0},
    {3, "scale=\"1.5\"", 0},
};

// Two buttons opposite each other that load the owning scene by its name as
// the script gives it, then the end tag.
void writeGoHomeAndEnd(FILE* out, const char* homeScene) {
  emitRows(out, kGoHomeHead1);
  emitRow(out, 3, 0, "onclick=\"loadscene(%s);\"", homeScene);
  emitRow(out, 3, 1, "onhover=\"showtext('Go Home', hoverstyle);\" />");
  emitRows(out, kGoHomeHead2);
  emitRow(out, 3, 0, "onclick=\"loadscene(%s);\"", homeScene);
  emitRow(out, 3, 1, "onhover=\"showtext('Go Home', hoverstyle);\" />");
  emitRow(out, 1, 1, "</scene>");
}

void writeGalleryScene(FILE* out, const Tour* tour, int s, int g, const Scene& owner) {
  const Gallery& gallery = owner.galleries[g - 1];
  char sceneName[32];
  std::snprintf(sceneName, sizeof sceneName, "Gallery-%d-%d", s, g);
  writeHead(out, sceneName, gallery);

  // A gallery without objects has no step and no object: head and go-home
  // buttons only.
  const int objectCount = gallery.objectCount > 0 ? gallery.objectCount : 0;
  const int step = objectCount > 0 ? 360 / objectCount : 0;
  const int objectsInTour = boundedCount(tour->galleryObjectCount, kMaxGalleryObjects);
  for (int position = 0; position < objectCount; ++position) {
    const long long wideIndex = static_cast<long long>(gallery.firstObject) + position;
    if (wideIndex < 0 || wideIndex >= objectsInTour) break;  // never past the tour's objects
    const int index = static_cast<int>(wideIndex);
    const GalleryObject& object = tour->galleryObjects[index];
    const int angle = step * position;
    if (object.kind == kImageObject) writeImageObject(out, index, angle, gallery, object);
    if (object.kind == kVideoObject) {
      bool imageFollows = position + 1 < objectCount && index + 1 < objectsInTour &&
                          tour->galleryObjects[index + 1].kind == kImageObject;
      writeVideoObject(out, index, angle, gallery, object, imageFollows);
    }
    if (object.explanation[0] != '$') writeExplanationButton(out, index, angle, object);
  }

  writeGoHomeAndEnd(out, owner.name);
}

}  // namespace

void writeGalleryScenes(const Tour* tour, FILE* out) {
  for (int i = 0; i < boundedCount(tour->sceneCount, kMaxScenes); ++i) {
    const Scene& scene = tour->scenes[i];
    for (int g = 1; g <= boundedCount(scene.galleryCount, kMaxItemsPerList); ++g) {
      writeGalleryScene(out, tour, i + 1, g, scene);
    }
  }
}

}  // namespace tourwright
