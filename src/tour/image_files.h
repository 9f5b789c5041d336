// The files an image block names, for every device the viewer serves: each
// image element (whatever its "if"), each level of a multi-resolution image
// in either form, and the device children (<mobile>, <tablet>).
//
// Tile XML files write a multi-resolution cube in two forms: <level
// tiledimagewidth=... tiledimageheight=...> elements under an image with a
// tilesize, each holding a <cube url>, or one <cube url multires="512,640,
// 1280">, the tile size and then the face size of each level. A face of a
// level is cut into tiles from the top left; the last row and column are
// narrower when the face is not a whole number of tiles. The viewer numbers
// rows (%v) and columns (%h) from 1 and the levels (%l) from 1 for the
// smallest; "%0v" pads to two digits, "%00v" to three. A single-resolution
// cube names six faces through %s; a sphere, a cylinder or a flat image
// names one file.
#ifndef TOURWRIGHT_TOUR_IMAGE_FILES_H_
#define TOURWRIGHT_TOUR_IMAGE_FILES_H_

#include <cstddef>
#include <string>
#include <vector>

#include "tour/image_block.h"

namespace tourwright {

// One set of files: the URL template filled for each face and, on a tiled
// level, for each row and column.
struct ImageFileSet {
  UrlTemplate url;                 // %l filled; "%SWFPATH%" kept as "/VR/xsl3v"
  std::vector<std::string> faces;  // what %s becomes: six labels, or one ""
  long long width;                 // the level's face size; 0 for one file a face
  long long height;
  long long tileSize;              // 0 for one file a face
};

// Rows or columns of a face `size` pixels across in tiles of `tileSize`
// (1 for an untiled face).
long long tilesAcross(long long size, long long tileSize);

// The file sets of `length` bytes of image block text, in UTF-8, in the
// order the block names them.
std::vector<ImageFileSet> imageFileSetsOf(const char* text, size_t length);

// The file a set names for one face, row and column (from 1).
std::string imageFileName(const ImageFileSet& set, const std::string& face, long long row,
                          long long column);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_IMAGE_FILES_H_
