// Helpers for the tour writer tests: tour models built directly in C++, the
// text a writer puts into a stream, and expected texts that show their tabs.
#ifndef TOURWRIGHT_TOUR_TOUR_TEST_MODELS_H_
#define TOURWRIGHT_TOUR_TOUR_TEST_MODELS_H_

#include <cstdio>
#include <memory>
#include <string>

#include "script/tour_model.h"
#include "test_support.h"

namespace tourwright {
namespace test_models {

// The model is about a megabyte: always on the heap.
inline std::unique_ptr<Tour> emptyTour() {
  std::unique_ptr<Tour> tour(new Tour);
  clearTour(tour.get());
  return tour;
}

template <size_t N>
void setText(char (&field)[N], const char* text) {
  std::snprintf(field, N, "%s", text);
}

inline Scene& addScene(Tour& tour, const char* name, const char* title = "", int hlookat = 0,
                       int vlookat = 0) {
  Scene& scene = tour.scenes[tour.sceneCount++];
  setText(scene.name, name);
  setText(scene.title, title);
  scene.hlookat = hlookat;
  scene.vlookat = vlookat;
  return scene;
}

inline void setLink(CrossLink& link, const char* target, int ath, int atv, const char* style,
                    int lookat, const char* caption) {
  setText(link.target, target);
  link.ath = ath;
  link.atv = atv;
  setText(link.style, style);
  link.lookat = lookat;
  setText(link.caption, caption);
}

inline void addCrossLink(Scene& scene, const char* target, int ath, int atv, const char* style,
                         int lookat, const char* caption) {
  setLink(scene.crossLinks[scene.crossLinkCount++], target, ath, atv, style, lookat, caption);
}

inline void addOutLink(Scene& scene, const char* target, int ath, int atv, const char* style,
                       int lookat, const char* caption) {
  setLink(scene.outLinks[scene.outLinkCount++], target, ath, atv, style, lookat, caption);
}

inline void addStill(Scene& scene, const char* photo, int ath, int atv, float scale,
                     int distorted, int rx, int ry, int rz, const char* caption) {
  StillImage& still = scene.stills[scene.stillCount++];
  setText(still.photo, photo);
  still.ath = ath;
  still.atv = atv;
  still.scale = scale;
  still.distorted = distorted;
  still.rx = rx;
  still.ry = ry;
  still.rz = rz;
  setText(still.caption, caption);
}

inline void addVideo(Scene& scene, const char* video, int ath, int atv, int kind,
                     const char* caption) {
  VideoLink& link = scene.videos[scene.videoCount++];
  setText(link.video, video);
  link.ath = ath;
  link.atv = atv;
  link.kind = kind;
  setText(link.caption, caption);
}

inline void addReference(Scene& scene, const char* target, int ath, int atv, const char* icon,
                         float scale, const char* caption) {
  Reference& reference = scene.references[scene.referenceCount++];
  setText(reference.target, target);
  reference.ath = ath;
  reference.atv = atv;
  setText(reference.icon, icon);
  reference.scale = scale;
  setText(reference.caption, caption);
}

// A gallery entrance; its objects follow with addObject, as in a script.
inline void addGallery(Tour& tour, Scene& scene, const char* folder, int ath, int atv,
                       const char* caption) {
  Gallery& gallery = scene.galleries[scene.galleryCount++];
  gallery.ath = ath;
  gallery.atv = atv;
  gallery.firstObject = tour.galleryObjectCount;
  gallery.objectCount = 0;
  setText(gallery.folder, folder);
  setText(gallery.caption, caption);
}

// An object of the scene's last gallery, appended to the tour-wide table.
inline void addObject(Tour& tour, Scene& scene, const char* file, int kind, float scale,
                      const char* explanation, const char* caption) {
  GalleryObject& object = tour.galleryObjects[tour.galleryObjectCount++];
  setText(object.file, file);
  object.kind = kind;
  object.scale = scale;
  setText(object.explanation, explanation);
  setText(object.caption, caption);
  scene.galleries[scene.galleryCount - 1].objectCount++;
}

// Everything `write(FILE*)` writes.
template <typename Fn>
std::string written(Fn write) {
  FILE* stream = std::tmpfile();
  write(stream);
  std::string text = testing_support::readStream(stream);
  std::fclose(stream);
  return text;
}

// Expected texts are written with a visible "\t" (backslash, t) for each tab.
inline std::string tabs(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && text[i + 1] == 't') {
      out += '\t';
      ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

// A tile XML as the viewer's tools write it, for a scene named `name`.
inline std::string tileXml(const std::string& name) {
  return "<krpano version=\"1.19\">\n"
         "\t<preview url=\"" + name + ".tiles/preview.jpg\" />\n"
         "\t<image type=\"CUBE\" multires=\"true\" tilesize=\"512\">\n"
         "\t\t<cube url=\"" + name + ".tiles/%s/l1/%v/l1_%s_%v_%h.jpg\" />\n"
         "\t</image>\n"
         "</krpano>\n";
}

// The image block that tileXml(name) gives in a scene element.
inline std::string imageBlock(const std::string& name) {
  return "\t\t<image type=\"CUBE\" multires=\"true\" tilesize=\"512\">\n"
         "\t\t<cube url=\"" + name + ".tiles/%s/l1/%v/l1_%s_%v_%h.jpg\" />\n"
         "\t\t</image>\n\n";
}

// The two go-home buttons and the end tag of a gallery scene owned by the
// scene named `owner`.
inline std::string goHomeButtons(const std::string& owner) {
  std::string text;
  for (const char* ath : {"0", "180"}) {
    text += std::string("\t\t<hotspot name=\"goHome-") + (ath[0] == '0' ? "1" : "2") + "\"\n"
            "\t\t\ttype=\"image\"\n"
            "\t\t\turl=\"/VR/style/back.png\"\n"
            "\t\t\tzorder=\"4\"\n"
            "\t\t\tdistorted=\"true\"\n"
            "\t\t\tath=\"" + ath + "\"\n"
            "\t\t\tatv=\"40\"\n"
            "\t\t\tscale=\"1.5\"\n"
            "\t\t\tonclick=\"loadscene(" + owner + ");\"\n"
            "\t\t\tonhover=\"showtext('Go Home', hoverstyle);\" />\n\n";
  }
  return text + "\t</scene>\n\n";
}

}  // namespace test_models
}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_TOUR_TEST_MODELS_H_
