// The viewer page: the fixed HTML page that embeds the viewer and points
// it at the tour XML of the same base name.
#ifndef TOURWRIGHT_TOUR_VIEWER_PAGE_H_
#define TOURWRIGHT_TOUR_VIEWER_PAGE_H_

#include <cstdio>

namespace tourwright {

// The page's 41 lines.
void writeViewerPageText(FILE* out, const char* baseName);
// Creates the page, then prints "<path> has been Created.". Returns false
// (after printing why) when the page could not be written; nothing is left.
bool writeViewerPage(const char* htmPath, const char* baseName);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_VIEWER_PAGE_H_
