#include "tour/viewer_page.h"

namespace tourwright {

// Placeholder until the page lands.
void writeViewerPageText(FILE*, const char*) {}
bool writeViewerPage(const char*, const char*) { return true; }

}  // namespace tourwright
