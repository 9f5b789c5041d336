// What a scene's tile XML shows, as the preview page needs it: the image
// element a desktop browser gets, its form (a cube of six images, a
// multi-resolution cube, an equirectangular sphere), its tile URLs and the
// preview image.
//
// The tile XML is read as the panorama viewer reads it, not by the copy
// rule of the tour writer: tags and attributes, entities decoded, comments
// skipped. Any bytes are accepted; what cannot be shown becomes a notice
// that names it, so the page never shows a blank scene without a reason.
#ifndef TOURWRIGHT_TOUR_IMAGE_BLOCK_H_
#define TOURWRIGHT_TOUR_IMAGE_BLOCK_H_

#include <cstddef>
#include <string>
#include <vector>

namespace tourwright {

enum class ImageForm { kNone, kCube, kMultiresCube, kSphere };

// One piece of a tile URL: a literal text (UTF-8, a path relative to the
// tour folder), or a placeholder the page fills per tile: 's' the face
// letter (l f r b u d), 'v' the row and 'h' the column of the tile (from 1),
// 'l' the level (from 1, the smallest); `width` pads a number with zeros.
struct UrlPart {
  char placeholder;  // 0 for a literal
  int width;
  std::string text;
};
using UrlTemplate = std::vector<UrlPart>;

struct TileLevel {
  long long width;   // face size in pixels; 0 for a single-resolution cube
  long long height;
  UrlTemplate url;
};

struct ImageDescription {
  ImageForm form;
  int elementCount;       // image elements in the file
  int chosenElement;      // 1-based; 0 when there is none
  std::string condition;  // the chosen element's "if", UTF-8; empty without
  long long tileSize;     // of a multi-resolution cube
  std::vector<TileLevel> levels;  // as listed; one for a cube or a sphere
  std::string previewUrl;         // empty without a preview element
  std::vector<std::string> notices;  // what cannot be shown, and why
};

// Describes the tile XML `text` of `length` bytes (UTF-8 or Korean code
// page, as a run reads it).
ImageDescription describeImageBlock(const char* text, size_t length);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_IMAGE_BLOCK_H_
