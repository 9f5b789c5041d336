#include "preview/site_view.h"

#include "encoding/transcoder.h"
#include "platform/files.h"
#include "platform/system_files.h"
#include "preview/request_path.h"
#include "tour/tour_xml.h"
#include "tour/viewer_page.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

namespace tourwright {

namespace {

// A temporary stream that writes line ends as the run's text files have
// them (CR LF on Windows), so that what is written aside is the run's bytes.
FILE* temporaryTextStream() {
  FILE* stream = createTemporaryStream();
#ifdef _WIN32
  if (stream != nullptr) _setmode(_fileno(stream), _O_TEXT);
#endif
  return stream;
}

std::string withSlashes(std::string path) {
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  return path;
}

// The size of a stream read back from its start; -1 when unknown.
long long sizeOf(FILE* stream) {
  if (std::fseek(stream, 0, SEEK_END) != 0) return -1;
  long long size = std::ftell(stream);
  if (std::fseek(stream, 0, SEEK_SET) != 0) return -1;
  return size;
}

// The run's writers report a missing tile XML on the console: silenced
// here, the reason given back instead.
struct QuietConsole {
  FILE* previous = consoleOut() == stdout ? nullptr : consoleOut();
  FILE* sink = openNullSink();
  QuietConsole() {
    if (sink != nullptr) setConsoleOut(sink);
  }
  ~QuietConsole() {
    setConsoleOut(previous);
    if (sink != nullptr) std::fclose(sink);
  }
};

}  // namespace

bool tourPathUnder(const std::string& rootResolved, const std::string& tourResolved,
                   std::string* tourPath) {
  std::string root = withSlashes(rootResolved);
  std::string tour = withSlashes(tourResolved);
  if (root.empty() || tour.compare(0, root.size(), root) != 0) return false;
  if (tour.size() == root.size()) {
    tourPath->clear();
    return true;
  }
  size_t start = root.back() == '/' ? root.size() : root.size() + 1;
  if (root.back() != '/' && tour[root.size()] != '/') return false;  // "/site2" is not under "/site"
  *tourPath = tour.substr(start);
  // Every name must be one a request can carry, and the page's own prefix
  // stays the page's.
  size_t at = 0;
  while (at <= tourPath->size()) {
    size_t slash = tourPath->find('/', at);
    if (slash == std::string::npos) slash = tourPath->size();
    if (!isPlainName(tourPath->substr(at, slash - at))) return false;
    at = slash + 1;
  }
  std::string reserved = std::string(kReservedPrefix).substr(1);
  reserved.pop_back();
  return tourPath->compare(0, reserved.size(), reserved) != 0 ||
         (tourPath->size() > reserved.size() && (*tourPath)[reserved.size()] != '/');
}

SitePathKind sitePathKind(const std::string& names, const std::string& tourPath,
                          const std::string& baseName) {
  std::string prefix = tourPath.empty() ? "" : tourPath + "/";
  if (names == prefix + baseName + ".htm") return SitePathKind::kTourPage;
  if (names == prefix + baseName + ".xml") return SitePathKind::kTourXml;
  return SitePathKind::kSiteFile;
}

std::string tourUrlPrefix(const std::string& tourPath) {
  return tourPath.empty() ? "/" : "/" + tourPath + "/";
}

FILE* writeTourFileAside(const Tour& tour, const std::string& directory,
                         const std::string& baseName, bool xml, long long* size,
                         std::string* problem) {
  FILE* out = temporaryTextStream();
  if (out == nullptr) {
    *problem = lastFileFailure();
    return nullptr;
  }
  if (!xml) {
    writeViewerPageText(out, baseName.c_str());
  } else {
    QuietConsole quiet;
    TourXmlResult written = writeTourXmlText(&tour, directory.c_str(), baseName.c_str(), out);
    if (written != TourXmlResult::kCompleted) {
      std::fclose(out);
      *problem = written == TourXmlResult::kStopped
                     ? "a run would write no tour XML: a scene's tile XML is missing"
                     : "a run would write no tour XML: a scene's tile XML cannot be read";
      return nullptr;
    }
    // The internal text, turned into the tour XML as the run turns it.
    FILE* internal = readBackScratch(out);
    out = internal == nullptr ? nullptr : temporaryTextStream();
    bool converted = out != nullptr && transcodeTourXmlText(internal, out);
    if (internal != nullptr) std::fclose(internal);
    if (!converted) {
      if (out != nullptr) std::fclose(out);
      *problem = "the tour XML could not be written aside";
      return nullptr;
    }
  }
  FILE* written = readBackScratch(out);
  *size = written == nullptr ? -1 : sizeOf(written);
  if (*size < 0) {
    if (written != nullptr) std::fclose(written);
    *problem = "the tour's " + std::string(xml ? "tour XML" : "page") +
               " could not be written aside";
    return nullptr;
  }
  return written;
}

}  // namespace tourwright
