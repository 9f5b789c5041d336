// The tour model: the in-memory form of one scene script.
//
// Plain fixed-capacity records, filled by the parser in one pass and read by
// the listing and the tour XML writers. Nothing here allocates; every list is
// an array with a count, and entries at and beyond the count mean nothing.
// Text fields are NUL-terminated Korean code page bytes exactly as the script
// gave them (cut to the field's capacity, never overrun).
#ifndef TOURWRIGHT_SCRIPT_TOUR_MODEL_H_
#define TOURWRIGHT_SCRIPT_TOUR_MODEL_H_

namespace tourwright {

constexpr int kMaxScenes = 12;
constexpr int kMaxItemsPerList = 30;
constexpr int kMaxGalleryObjects = 100;

constexpr int kText128 = 128;
constexpr int kText256 = 256;
constexpr int kText512 = 512;

struct CrossLink {
  char target[kText128];
  int ath;
  int atv;
  char style[kText128];
  int lookat;  // 360 means "no look direction"
  char caption[kText128];
};

// A link to another tour: same shape, `target` is that tour's XML file.
using OutLink = CrossLink;

constexpr int kNoLookat = 360;

struct StillImage {
  char photo[kText128];
  int ath;
  int atv;
  float scale;
  int distorted;
  int rx;
  int ry;
  int rz;
  char caption[kText128];
};

struct VideoLink {
  char video[kText128];
  int ath;
  int atv;
  int kind;
  char caption[kText128];
};

struct Gallery {
  int ath;
  int atv;
  int firstObject;
  int objectCount;
  char folder[kText128];
  char caption[kText128];
};

struct GalleryObject {
  char file[kText128];
  int kind;
  float scale;
  char explanation[kText512];  // a leading '$' means "no explanation"
  char caption[kText128];
};

struct Reference {
  char target[kText256];
  int ath;
  int atv;
  char icon[kText256];
  float scale;
  char caption[kText128];
};

struct Scene {
  char name[kText128];  // empty: the section had no usable header record
  char title[kText128];
  int hlookat;
  int vlookat;
  CrossLink crossLinks[kMaxItemsPerList];
  int crossLinkCount;
  OutLink outLinks[kMaxItemsPerList];
  int outLinkCount;
  StillImage stills[kMaxItemsPerList];
  int stillCount;
  VideoLink videos[kMaxItemsPerList];
  int videoCount;
  Gallery galleries[kMaxItemsPerList];
  int galleryCount;
  Reference references[kMaxItemsPerList];
  int referenceCount;
};

struct Tour {
  Scene scenes[kMaxScenes];
  int sceneCount;
  GalleryObject galleryObjects[kMaxGalleryObjects];
  int galleryObjectCount;
};

// Empties the model for a parse without sweeping its records (the model is
// about 1.7 MB, more than a typical run's other work): no scenes, no
// gallery objects, and the first scene empty (lines before the first
// #SCENE line already fill it). The parse empties each later scene with
// emptyScene as it starts it and zeroes each record as it creates it, so
// nothing a reader can reach is left over from before.
void startTour(Tour* tour);

// Empties one scene: no name or title, look direction 0, every list empty.
void emptyScene(Scene* scene);

// Zeroes the whole model: every count 0, every text empty, every number 0
// (for a model that is filled by hand).
void clearTour(Tour* tour);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_TOUR_MODEL_H_
