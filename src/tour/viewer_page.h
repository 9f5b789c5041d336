// The viewer page: the fixed HTML page that embeds the viewer and points
// it at the tour XML of the same base name.
#ifndef TOURWRIGHT_TOUR_VIEWER_PAGE_H_
#define TOURWRIGHT_TOUR_VIEWER_PAGE_H_

#include <cstdio>

#include "platform/files.h"

namespace tourwright {

// The page's 41 lines.
void writeViewerPageText(FILE* out, const char* baseName);
// Creates the page, then prints "<path> has been Created.". Returns false
// (after printing why) when the page could not be written; nothing is left.
bool writeViewerPage(const char* htmPath, const char* baseName);
// The same in two steps, for a run that replaces the page only after the
// tour XML: prepareViewerPage writes the page into the scratch file of
// `page` (false, after printing why, when it cannot: nothing is left);
// finishViewerPage moves it into place (false, after the write error).
// Neither prints the line of a created page.
bool prepareViewerPage(OutputFile* page, const char* htmPath, const char* baseName);
bool finishViewerPage(OutputFile* page, const char* htmPath);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_VIEWER_PAGE_H_
