#include "script/tour_model.h"

#include <cstring>

namespace tourwright {

void emptyScene(Scene* scene) {
  scene->name[0] = '\0';
  scene->title[0] = '\0';
  scene->hlookat = 0;
  scene->vlookat = 0;
  scene->crossLinkCount = 0;
  scene->outLinkCount = 0;
  scene->stillCount = 0;
  scene->videoCount = 0;
  scene->galleryCount = 0;
  scene->referenceCount = 0;
}

void startTour(Tour* tour) {
  tour->sceneCount = 0;
  tour->galleryObjectCount = 0;
  emptyScene(&tour->scenes[0]);
}

void clearTour(Tour* tour) { std::memset(tour, 0, sizeof *tour); }

}  // namespace tourwright
