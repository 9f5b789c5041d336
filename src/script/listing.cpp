// The listing follows the model's order: per scene its header, then six
// groups (cross links, out links, still images, videos, galleries with
// their objects, references), each group closed by a line feed of its own
// even when empty. Items are numbered from 1 within their scene's list;
// gallery objects are numbered tour-wide, by their place in the table.
// Texts go out byte for byte; numbers as the C library prints them.
#include "script/listing.h"

#include "platform/files.h"

namespace tourwright {

namespace {

// Counts as the listing walks them: never past a table, whatever the
// model holds.
int bounded(int count, int capacity) {
  if (count < 0) return 0;
  return count < capacity ? count : capacity;
}

void writeGalleries(const Tour* tour, const Scene& scene, FILE* out) {
  for (int g = 0; g < bounded(scene.galleryCount, kMaxItemsPerList); ++g) {
    const Gallery& gallery = scene.galleries[g];
    std::fprintf(out, "  Gallery %d: %s %s (%d, %d) %d-%d\n", g + 1, gallery.caption,
                 gallery.folder, gallery.ath, gallery.atv, gallery.firstObject,
                 gallery.objectCount);
    int first = bounded(gallery.firstObject, kMaxGalleryObjects);
    int last = bounded(first + bounded(gallery.objectCount, kMaxGalleryObjects),
                       kMaxGalleryObjects);
    for (int o = first; o < last; ++o) {
      const GalleryObject& object = tour->galleryObjects[o];
      std::fprintf(out, "\tGallery Object %d: %s %d %s %g\n", o + 1, object.caption,
                   object.kind, object.file, static_cast<double>(object.scale));
    }
  }
  std::fputs("\n", out);
}

void writeScene(const Tour* tour, int index, FILE* out) {
  const Scene& scene = tour->scenes[index];
  std::fprintf(out, "\n#Scene %d: %s %s (%d, %d)\n\n", index + 1, scene.title, scene.name,
               scene.hlookat, scene.vlookat);

  for (int i = 0; i < bounded(scene.crossLinkCount, kMaxItemsPerList); ++i) {
    const CrossLink& link = scene.crossLinks[i];
    std::fprintf(out, "  Cross Link %d: %s %s (%d, %d)\n", i + 1, link.caption, link.target,
                 link.ath, link.atv);
  }
  std::fputs("\n", out);

  for (int i = 0; i < bounded(scene.outLinkCount, kMaxItemsPerList); ++i) {
    const OutLink& link = scene.outLinks[i];
    std::fprintf(out, "  Out Link %d: %s %s (%d, %d)\n", i + 1, link.caption, link.target,
                 link.ath, link.atv);
  }
  std::fputs("\n", out);

  for (int i = 0; i < bounded(scene.stillCount, kMaxItemsPerList); ++i) {
    const StillImage& still = scene.stills[i];
    std::fprintf(out, "  Still Image %d: %s %s[%g] (%d, %d) %d %d %d\n", i + 1, still.caption,
                 still.photo, static_cast<double>(still.scale), still.ath, still.atv, still.rx,
                 still.ry, still.rz);
  }
  std::fputs("\n", out);

  for (int i = 0; i < bounded(scene.videoCount, kMaxItemsPerList); ++i) {
    const VideoLink& video = scene.videos[i];
    std::fprintf(out, "  Video %d: %s %s[%d] (%d, %d)\n", i + 1, video.caption, video.video,
                 video.kind, video.ath, video.atv);
  }
  std::fputs("\n", out);

  writeGalleries(tour, scene, out);

  for (int i = 0; i < bounded(scene.referenceCount, kMaxItemsPerList); ++i) {
    const Reference& reference = scene.references[i];
    std::fprintf(out, "  Reference %d: %s %s %s[%g] (%d, %d)\n", i + 1, reference.caption,
                 reference.target, reference.icon, static_cast<double>(reference.scale),
                 reference.ath, reference.atv);
  }
  std::fputs("\n", out);
}

}  // namespace

void writeSceneListing(const Tour* tour, FILE* out) {
  for (int s = 0; s < bounded(tour->sceneCount, kMaxScenes); ++s) writeScene(tour, s, out);
}

void printSceneListing(const Tour* tour) { writeSceneListing(tour, consoleOut()); }

}  // namespace tourwright
