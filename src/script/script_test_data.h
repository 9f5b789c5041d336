// Scripts shared by the parser and listing tests.
#ifndef TOURWRIGHT_SCRIPT_SCRIPT_TEST_DATA_H_
#define TOURWRIGHT_SCRIPT_SCRIPT_TEST_DATA_H_

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

#include "script/parser.h"
#include "script/tour_model.h"

namespace tourwright {
namespace testing_support {

// The example of the script format: two scenes using most sections.
inline const char kExampleScript[] =
    "// East wing\n"
    "#SCENE\n"
    "hall 90 0 $Main hall\n"
    "#CROSSLINK\n"
    "court 120 -5 arrow 180 $To the courtyard\n"
    "court 200 -5 arrow $Courtyard, west side\n"
    "#STILL\n"
    "vase01 45 10 0.5 1 0 0 0 $Celadon vase\n"
    "#GALLERY\n"
    "*ceramics 200 0 $Ceramics\n"
    "bowl01 1 0.8 $Bowl\n"
    "cup02 2 0.6 texts/cup02.htm $Cup film\n"
    "#SCENE\n"
    "court 0 0 $Courtyard\n"
    "#OUTLINK\n"
    "../west/west.xml 270 0 door 90 $West wing\n"
    "#REFERENCE\n"
    "texts/site.kml 10 -20 icons/map.png 1.5 $Site map\n";

// Parses `bytes`, given to the parser as a file, into `tour`.
inline void parseScriptBytesInto(const std::string& bytes, Tour* tour) {
  FILE* stream = std::tmpfile();
  if (stream == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), stream);
  std::rewind(stream);
  EXPECT_TRUE(parseSceneScript(stream, tour));
  std::fclose(stream);
}

// The tour parsed from `bytes`, given to the parser as a file.
inline std::unique_ptr<Tour> parseScriptBytes(const std::string& bytes) {
  auto tour = std::make_unique<Tour>();
  clearTour(tour.get());
  parseScriptBytesInto(bytes, tour.get());
  return tour;
}

}  // namespace testing_support
}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_SCRIPT_TEST_DATA_H_
