// One panorama scene element: its head, the image block copied from the
// scene's tile XML (tour/tile_xml.h), its hotspots and its end tag.
#include "tour/scene_element.h"

#include <cstring>
#include <string>

#include "platform/files.h"
#include "tour/emitter.h"
#include "tour/scene_hotspots.h"
#include "tour/tile_xml.h"

namespace tourwright {

namespace {

// The element name gets "-copy" when an earlier scene has the same name; the
// comparison uses the names as the script gives them, so every repeat after
// the first is "<name>-copy". The name is never cut.
const char* elementNameSuffix(const Tour* tour, int sceneIndex) {
  const char* name = tour->scenes[sceneIndex].name;
  for (int earlier = 0; earlier < sceneIndex; ++earlier) {
    if (std::strcmp(tour->scenes[earlier].name, name) == 0) return "-copy";
  }
  return "";
}

}  // namespace

SceneResult writeSceneElement(const Tour* tour, int sceneIndex, const char* directory,
                              const char* baseName, FILE* out) {
  const Scene& scene = tour->scenes[sceneIndex];
  std::string tilePath = tileXmlPath(directory, scene.name);
  FILE* tile = openForReading(tilePath.c_str());
  if (tile == nullptr) {
    std::fprintf(consoleOut(), "\nXml Source File Open Error: %s\n",
                 joinPath(consolePath(directory), scene.name, ".xml").c_str());
    return SceneResult::kTileXmlMissing;
  }

  emitRow(out, 1, 1, "<!-- Scene: %d -->", sceneIndex);
  emitRow(out, 1, 1,
          "<scene name=\"%s%s\"  title=\"%s\" onstart=\"setcaption();\" "
          "thumburl=\"%s.tiles/mobile_f.jpg\">",
          scene.name, elementNameSuffix(tour, sceneIndex), scene.title, scene.name);
  emitRow(out, 2, 0,
          "<view fovtype=\"HFOV\" fov=\"120\" hlookat=\"%d\" vlookat=\"%d\" MAXpixelzoom=\"1.0\" "
          "fovMAX=\"150\" limitview=\"auto\" />",
          scene.hlookat, scene.vlookat);
  emitRow(out, 2, 1, "<preview url=\"%s.tiles/preview.jpg\" />", scene.name);

  bool readWhole = copyImageBlock(tile, out);
  std::fclose(tile);
  if (!readWhole) {
    std::fprintf(consoleOut(), "\nXml Source File Read Error: %s\n",
                 consolePath(tilePath).c_str());
    return SceneResult::kTileXmlUnreadable;
  }
  writeImageBlockEnd(out);

  writeSceneHotspots(tour, sceneIndex, baseName, out);
  emitRow(out, 1, 1, "</scene>");
  return SceneResult::kWritten;
}

}  // namespace tourwright
