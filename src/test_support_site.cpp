// The test helpers for what a tour needs beyond its script: the site's
// files, and --check's output without its lines about missing files.
#include <string>

#include "test_support.h"

namespace tourwright {
namespace testing_support {

std::string scriptFindings(const std::string& err) {
  static const char* const kFileFindings[] = {"\" is missing\n", "\" is missing: not converted",
                                              "\" is missing under the site root",
                                              " tiles missing in ",
                                              "more tiles, past the tour's first",
                                              "site's files were not looked for"};
  std::string kept;
  std::string countLine;
  long long count = 0;
  size_t start = 0;
  while (start < err.size()) {
    size_t end = err.find('\n', start);
    end = end == std::string::npos ? err.size() : end + 1;
    std::string line = err.substr(start, end - start);
    start = end;
    bool warning = line.find(": warning: ") != std::string::npos;
    bool ofFiles = line.find(": note: ") != std::string::npos;
    for (const char* words : kFileFindings) {
      ofFiles = ofFiles || (warning && line.find(words) != std::string::npos);
    }
    bool isCount = !warning && (line.find(" warning\n") != std::string::npos ||
                                line.find(" warnings\n") != std::string::npos);
    if (isCount) {
      countLine = line.substr(0, line.rfind(": ") + 2);
    } else if (!ofFiles) {
      kept += line;
      count += warning ? 1 : 0;
    }
  }
  if (count > 0) {
    kept += countLine + std::to_string(count) + (count == 1 ? " warning\n" : " warnings\n");
  }
  return kept;
}

void writeSiteFiles(const std::string& root) {
  for (const char* folder : {"VR", "VR/xsl3v", "VR/xsl3v/include", "VR/xsl3v/plugins", "VR/style"}) {
    makeFolder(root + "/" + folder);
  }
  for (const char* file :
       {"VR/xsl3v/krpano.js", "VR/xsl3v/include/link-method.xml", "VR/xsl3v/include/button.xml",
        "VR/xsl3v/include/caption.xml", "VR/xsl3v/include/flyinghotspotVR.xml",
        "VR/xsl3v/include/vr.xml", "VR/xsl3v/include/modal_window.xml",
        "VR/xsl3v/plugins/videoplayer.js", "VR/style/video60.png", "VR/style/video360x60.png",
        "VR/style/gallery60.png", "VR/style/gallery.png", "VR/style/back.png",
        "VR/style/text60.png"}) {
    writeFile(nativePath(root + "/" + file), "");
  }
}

}  // namespace testing_support
}  // namespace tourwright
