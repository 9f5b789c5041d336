// The six hotspot groups of one panorama scene: cross links, out links,
// still images, videos, gallery entrances and references.
//
// Every group is written, empty or not, each opened by its comment line and
// closed by an empty line. Hotspot names carry the scene number and the item
// number, both counted from 1. Texts of the model are written unescaped:
// authors put markup and character references into captions on purpose.
#ifndef TOURWRIGHT_TOUR_SCENE_HOTSPOTS_H_
#define TOURWRIGHT_TOUR_SCENE_HOTSPOTS_H_

#include <cstdio>

#include "script/tour_model.h"

namespace tourwright {

// The archive's page that shows a reference inside the viewer; the query
// keys follow it directly on the reference's onclick line.
constexpr char kReferenceViewerUrl[] = "http://tours.example.org/Kelvora/System/reference.htm";

void writeSceneHotspots(const Tour* tour, int sceneIndex, const char* baseName, FILE* out);

// The turn (ry) of an inline video player at horizontal angle `ath`: the
// player faces the nearest of the four main directions.
int videoTurn(int ath);

// What a reference's onclick does, first match wins: a target with ".kml"
// in any letter case opens as a URL; an icon with "network" in it opens in
// the reference viewer; anything else opens in a pop-up window.
enum class ReferenceAction { kOpenUrl, kReferenceViewer, kPopUp };
ReferenceAction chooseReferenceAction(const Reference& reference);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_SCENE_HOTSPOTS_H_
