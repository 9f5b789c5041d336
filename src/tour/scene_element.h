// One panorama scene element: head, the image block copied from the scene's
// tile XML, the hotspots and the end tag.
#ifndef TOURWRIGHT_TOUR_SCENE_ELEMENT_H_
#define TOURWRIGHT_TOUR_SCENE_ELEMENT_H_

#include <cstdio>

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
SceneResult writeSceneElement(const Tour* tour, int sceneIndex, const char* directory,
                              const char* baseName, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_SCENE_ELEMENT_H_
