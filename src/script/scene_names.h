// Which scene of the tour a link target names, as the viewer finds it:
// letter case ignored, the "<name>-copy" element of a repeated name, and
// the gallery scenes "Gallery-<scene>-<gallery>". The warnings and the
// tour graph go by the same rules.
#ifndef TOURWRIGHT_SCRIPT_SCENE_NAMES_H_
#define TOURWRIGHT_SCRIPT_SCENE_NAMES_H_

#include <string>

#include "script/tour_model.h"

namespace tourwright {

// Equal when letter case is ignored; a two-byte character is compared as
// it is (its trail byte may look like a letter).
bool sameIgnoringCase(const char* a, const char* b);

// Scenes before `before` whose name is `name` (with letter case, or
// ignoring it).
int countNamed(const Tour& tour, const char* name, int before, bool ignoreCase);

// The scenes the tour holds (its count kept within the model's capacity).
int sceneCountOf(const Tour& tour);

// What a target names: a panorama scene (its index), a gallery scene (its
// scene's index and the gallery's), or nothing of the tour.
struct SceneTarget {
  enum Kind { kNothing, kScene, kGallery } kind;
  int scene;
  int gallery;
};

SceneTarget findSceneTarget(const Tour& tour, const char* target);

// Names the viewer cannot hold. A name that begins with a digit is read as
// a scene number, the number its leading digits make: gives those digits
// without leading zeros ("5" for "05hall"), or "" when the name begins
// otherwise.
std::string sceneNumberReadFrom(const char* name);
// The first character of `name` that ends a name in the viewer's action
// language ("," ";" "(" ")" "[" "]" "'"; loadscene(%s) is written without
// quotes), or 0. Escapes count as the characters the tour XML gets; a
// two-byte code never does.
char actionLanguageStop(const char* name);
inline bool namesSceneOfTour(const Tour& tour, const char* target) {
  return findSceneTarget(tour, target).kind != SceneTarget::kNothing;
}

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_SCENE_NAMES_H_
