// The preview page's model: what the page shows of one tour, as one JSON
// object in UTF-8, built afresh for every request from the script and the
// tile XML files as they are at that moment.
//
// The preview layer sits between the tour writers and the driver: it reads
// the tour model and the tile XML files, and knows nothing of the run's
// scratch or output files. The page's own script (web/preview.js) is the
// only reader of this JSON; the shape is documented there.
#ifndef TOURWRIGHT_PREVIEW_PAGE_MODEL_H_
#define TOURWRIGHT_PREVIEW_PAGE_MODEL_H_

#include <string>
#include <vector>

#include "script/tour_model.h"

namespace tourwright {

struct PreviewWarning {
  long long line;    // the script line; 0 for a finding of the whole script
  std::string text;  // the whole warning as --check words it, UTF-8, no line end
};

struct PreviewSource {
  const Tour* tour;
  std::string directory;    // the tour folder, as the run derives it
  std::string baseName;     // the tour's base name, bytes as the run has them
  std::string scriptShown;  // the script's path as the console shows it
  std::vector<PreviewWarning> warnings;
  // The script is being written: what is shown is the tour as last read
  // whole, and the page says so.
  bool saving = false;
  // Where the page asks for the tour's files ("/", or the tour's site path
  // in the site view), and the site view: the URL of the tour's page there,
  // or else what the site view needs, in a sentence.
  std::string filesUrl = "/";
  std::string siteViewUrl = "";
  std::string siteNeeds = "";
};

// The page's model of `source`, as JSON text in UTF-8.
std::string previewModelJson(const PreviewSource& source);

}  // namespace tourwright

#endif  // TOURWRIGHT_PREVIEW_PAGE_MODEL_H_
