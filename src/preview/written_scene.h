// The scene elements of the tour XML as a run writes them, read back as
// the viewer reads them, so that the page draws what those lines say: the
// view, the preview strip and thumbnail paths, the copied image block and
// every hotspot's attributes.
//
// The viewer keeps one hotspot per name (names compared without regard to
// letter case): a later element of a name it already holds does not add a
// hotspot, its attributes are set on the one it has. So the hotspots here
// are merged the same way: one per name, in the order of the first element
// of that name, each attribute as the last element of that name gives it.
#ifndef TOURWRIGHT_PREVIEW_WRITTEN_SCENE_H_
#define TOURWRIGHT_PREVIEW_WRITTEN_SCENE_H_

#include <string>
#include <vector>

#include "script/tour_model.h"
#include "tour/xml_tags.h"

namespace tourwright {

struct WrittenHotspot {
  std::string name;                      // as the first element of the name has it
  int elements;                          // elements of this name in the scene
  std::vector<XmlAttribute> attributes;  // merged, values in UTF-8
};

struct WrittenScene {
  std::string name;     // the element's name, UTF-8
  std::string title;
  std::string thumb;    // thumburl
  std::string preview;  // the <preview url> the scene element names
  std::vector<XmlAttribute> view;
  std::vector<WrittenHotspot> hotspots;
  std::string text;  // the whole element in UTF-8, as the tour XML holds it
  bool cut;          // longer than 64 MiB: only its start was read
};

// The element of panorama scene `sceneIndex` as the run writes it; false,
// with the reason in `problem`, when it cannot be written (the tile XML
// cannot be read). Nothing is printed.
bool writeSceneAside(const Tour& tour, int sceneIndex, const std::string& directory,
                     const std::string& baseName, WrittenScene* scene, std::string* problem);

// The gallery scenes as the run writes them, in the order written.
std::vector<WrittenScene> writeGalleryScenesAside(const Tour& tour);

// Reads the scene elements of `text`, tour XML in UTF-8.
std::vector<WrittenScene> readWrittenScenes(const std::string& text);

// The value of attribute `name` (lower case) in `attributes`, or nullptr.
const std::string* writtenValue(const std::vector<XmlAttribute>& attributes, const char* name);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_WRITTEN_SCENE_H_
