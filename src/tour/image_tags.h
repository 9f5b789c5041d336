// The two tags the image block copy looks for in a tile XML line, "<image"
// and "</image>": substring tests, so a longer tag name that begins with
// "<image" counts as an image start tag too.
#ifndef TOURWRIGHT_TOUR_IMAGE_TAGS_H_
#define TOURWRIGHT_TOUR_IMAGE_TAGS_H_

#include <cstddef>

namespace tourwright {

struct ImageTags {
  bool opens;   // holds "<image"
  bool closes;  // holds "</image>"
};

// Both tags of `length` bytes of one line, in one scan.
ImageTags findImageTags(const char* line, size_t length);

// The tags of a line read in pieces: the last bytes of a piece are kept,
// as a tag may begin in one piece and end in the next. Zero-initialise one
// per line (or per run of lines, where a tag cannot span a line feed anyway).
struct TagScan {
  ImageTags tags;
  size_t kept;
  char tail[7];
};

void scanTags(TagScan* scan, const char* text, size_t length);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_IMAGE_TAGS_H_
