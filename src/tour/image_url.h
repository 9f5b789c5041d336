// Pieces of the image block reading: the tile XML's text encoding, the
// tile URL templates, and the "if" conditions that pick an image element.
#ifndef TOURWRIGHT_TOUR_IMAGE_URL_H_
#define TOURWRIGHT_TOUR_IMAGE_URL_H_

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "tour/image_block.h"

namespace tourwright {

// How a tile XML's bytes read: UTF-8, or Korean code page text (as the run
// decides it for the copy of the image block).
struct TextReading {
  bool codePage;
  std::string utf8(const std::string& bytes) const;
};
TextReading readingOf(const char* text, size_t length);

// A tile URL as a template: "%CURRENTXML%", "%FIRSTXML%", "%SWFPATH%" and
// "%HTMLPATH%" stand for the tour folder (with the separator after them);
// "%s", "%v", "%h" (and their aliases "%y", "%x") become placeholders,
// "%0v" or "%00h" padded to two or three digits; "%l" is `levelNumber`.
// Backslashes become slashes. What the page cannot follow (an unknown
// "%NAME%", a URL outside the tour folder) is added to `notices`.
UrlTemplate parseTileUrl(const std::string& url, int levelNumber,
                         std::vector<std::string>* notices);
bool templateHas(const UrlTemplate& url, char placeholder);

// Which of `count` image elements a desktop browser shows: the first whose
// condition (from `conditionOf`) holds there, or has none. `understood` is
// false when no condition could be decided true; the first element with an
// undecided condition, else the first, is then chosen.
struct DesktopChoice {
  size_t index;
  bool understood;
};
DesktopChoice chooseForDesktop(size_t count,
                               const std::function<std::string(size_t)>& conditionOf);

// 1 when the condition holds in a desktop browser, 0 when not, -1 when it
// cannot be told (only "!", AND / && and OR / || over known device flags
// are understood).
int desktopCondition(const std::string& condition);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_IMAGE_URL_H_
