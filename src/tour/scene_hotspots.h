// The six hotspot groups of one panorama scene: cross links, out links,
// still images, videos, gallery entrances and references.
#ifndef TOURWRIGHT_TOUR_SCENE_HOTSPOTS_H_
#define TOURWRIGHT_TOUR_SCENE_HOTSPOTS_H_

#include <cstdio>

#include "script/tour_model.h"

namespace tourwright {

void writeSceneHotspots(const Tour* tour, int sceneIndex, const char* baseName, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_SCENE_HOTSPOTS_H_
