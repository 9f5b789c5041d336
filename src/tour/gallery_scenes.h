// One scene element per gallery of the tour: its objects on a ring, their
// explanation buttons and two buttons back to the owning scene.
#ifndef TOURWRIGHT_TOUR_GALLERY_SCENES_H_
#define TOURWRIGHT_TOUR_GALLERY_SCENES_H_

#include <cstdio>

#include "script/tour_model.h"

namespace tourwright {

void writeGalleryScenes(const Tour* tour, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_GALLERY_SCENES_H_
