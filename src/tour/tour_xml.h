// The tour XML frame: creates the internal tour XML (the .tmp scratch file),
// writes the prologue and shared definitions, one scene element per named
// scene, the gallery scenes, and the closing lines.
#ifndef TOURWRIGHT_TOUR_TOUR_XML_H_
#define TOURWRIGHT_TOUR_TOUR_XML_H_

#include <cstdio>

#include "script/tour_model.h"

namespace tourwright {

enum class TourXmlResult {
  kCompleted,
  kStopped,        // a tile XML was missing; the .tmp keeps what was written
  kCannotCreate,   // the .tmp could not be created or written; reported, removed
  kReadFailed,     // reading a tile XML failed; reported, the .tmp removed
};

// With `written`, a completed .tmp is handed back there read from its
// start through the file it was written to (readBackScratch), so that it
// is never opened again by its name; the caller closes it.
TourXmlResult writeTourXml(const Tour* tour, const char* directory, const char* baseName,
                           const char* tmpPath, FILE** written = nullptr);

// The internal text alone, onto `out` (which the caller owns and checks):
// kStopped or kReadFailed as above when a tile XML is missing or cannot be
// read, with what was written so far left on `out`.
TourXmlResult writeTourXmlText(const Tour* tour, const char* directory, const char* baseName,
                               FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_TOUR_XML_H_
