// --preview: the tour served to a browser on the loopback address until
// the user ends it (Ctrl-C, SIGINT or SIGTERM; on Windows also Ctrl-Break
// and closing the console).
//
// The script is read as --check reads it, its findings printed on standard
// error once; each request for the page's model reads the script and the
// tile XML files again, quietly, so the page shows them as they are on
// disk. Nothing is written into the tour folder.
#ifndef TOURWRIGHT_DRIVER_PREVIEW_MODE_H_
#define TOURWRIGHT_DRIVER_PREVIEW_MODE_H_

#include <string>
#include <vector>

#include "preview/page_model.h"

namespace tourwright {

// `port` is --port's value as typed, empty without it; `site` --site's.
// Returns the exit status: 0 once ended, 1 when the script cannot be read
// or the port is bad or in use.
int runPreview(const std::string& argument, const std::string& port, const std::string& site);

// The warnings in what --check printed (`printed`, the script named as
// `shownScript`), each as UTF-8 with its line; a line that is no warning
// of the script (the failure to read it) is taken whole, at line 0, and
// the closing count is left out.
std::vector<PreviewWarning> previewWarnings(const std::string& printed,
                                            const std::string& shownScript);

}  // namespace tourwright

#endif  // TOURWRIGHT_DRIVER_PREVIEW_MODE_H_
