// One panorama scene element: head, the image block copied from the scene's
// tile XML, the hotspots and the end tag.
#ifndef TOURWRIGHT_TOUR_SCENE_ELEMENT_H_
#define TOURWRIGHT_TOUR_SCENE_ELEMENT_H_

#include <cstdio>
#include <string>

#include "script/tour_model.h"

namespace tourwright {

enum class SceneResult { kWritten, kTileXmlMissing, kTileXmlUnreadable };

// Reads the tile XML "<directory>/<name>.xml", or, when that opens nothing,
// the one under the UTF-8 form of the name (a Korean scene name on a file
// system that names files in Unicode). When neither can be opened (or
// both are folders), prints "Xml Source File Open Error: <path>", writes
// nothing and returns kTileXmlMissing. When reading it fails part way,
// prints "Xml Source File Read Error: <path>" and returns
// kTileXmlUnreadable; what was written of the element is then not to be
// used.


// What a check before a run finds of a scene's tile XML: what the writer
// will copy from, or why it cannot.
enum class TileXmlState { kUsable, kMissing, kUnreadable, kFolder, kNoImageBlock };

// "<directory>/<name>.xml", the file the writer copies the image block from;
// when no such file exists, the one under the UTF-8 form of the name, if
// that exists.
std::string tileXmlPath(const char* directory, const char* sceneName);
// Opens it as the writer does and looks for a line holding "<image".
TileXmlState inspectTileXml(const char* path);

SceneResult writeSceneElement(const Tour* tour, int sceneIndex, const char* directory,
                              const char* baseName, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_SCENE_ELEMENT_H_
