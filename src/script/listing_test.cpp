#include "script/listing.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
#include <string>

#include "script/script_test_data.h"
#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::captureConsole;
using testing_support::kExampleScript;
using testing_support::parseScriptBytes;
using testing_support::readStream;

std::string listingOf(const Tour& tour) {
  FILE* out = std::tmpfile();
  writeSceneListing(&tour, out);
  std::string text = readStream(out);
  std::fclose(out);
  return text;
}

std::unique_ptr<Tour> emptyTour() {
  auto tour = std::make_unique<Tour>();
  clearTour(tour.get());
  return tour;
}

TEST(ListingTest, ListsTheExampleScriptLineForLine) {
  const std::string expected =
      "\n"
      "#Scene 1: Main hall hall (90, 0)\n"
      "\n"
      "  Cross Link 1: To the courtyard court (120, -5)\n"
      "  Cross Link 2: Courtyard, west side court (200, -5)\n"
      "\n"
      "\n"
      "  Still Image 1: Celadon vase vase01[0.5] (45, 10) 0 0 0\n"
      "\n"
      "\n"
      "  Gallery 1: Ceramics ceramics (200, 0) 0-2\n"
      "\tGallery Object 1: Bowl 1 bowl01 0.8\n"
      "\tGallery Object 2: Cup film 2 cup02 0.6\n"
      "\n"
      "\n"
      "\n"
      "#Scene 2: Courtyard court (0, 0)\n"
      "\n"
      "\n"
      "  Out Link 1: West wing ../west/west.xml (270, 0)\n"
      "\n"
      "\n"
      "\n"
      "\n"
      "  Reference 1: Site map texts/site.kml icons/map.png[1.5] (10, -20)\n"
      "\n";
  std::unique_ptr<Tour> tour = parseScriptBytes(kExampleScript);
  EXPECT_EQ(listingOf(*tour), expected);
  EXPECT_EQ(captureConsole([&] { printSceneListing(tour.get()); }), expected);
}

// The parse empties only what it uses: a model that held another script
// must list exactly as a fresh one (a scene without header, lists that the
// earlier script filled, records before the first #SCENE line).
TEST(ListingTest, AModelParsedIntoAgainShowsNothingOfTheEarlierScript) {
  const std::string scripts[] = {
      "#SCENE\n#CROSSLINK\nhall 1 2 arrow 3 $Back\n#SCENE\ncourt 5 6 $Court\n",
      "#CROSSLINK\nearly 1 2 arrow 3 $Early\n#SCENE\nhall 1 1 $Hall\n#SCENE\n",
      "// nothing\n",
  };
  for (const std::string& script : scripts) {
    std::unique_ptr<Tour> reused = parseScriptBytes(kExampleScript);
    testing_support::parseScriptBytesInto(script, reused.get());
    EXPECT_EQ(listingOf(*reused), listingOf(*parseScriptBytes(script))) << script;
  }
}

TEST(ListingTest, ListsEmptyScenesAndNoScenes) {
  std::unique_ptr<Tour> tour = emptyTour();
  EXPECT_EQ(listingOf(*tour), "");
  tour->sceneCount = 1;  // a scene without header record: empty name and title
  EXPECT_EQ(listingOf(*tour), "\n#Scene 1:   (0, 0)\n\n" + std::string(6, '\n'));
}

TEST(ListingTest, NumbersGalleryObjectsAcrossTheTour) {
  std::unique_ptr<Tour> tour = emptyTour();
  tour->sceneCount = 2;
  const int objectCounts[] = {3, 0, 2};
  int next = 0;
  for (int g = 0; g < 3; ++g) {
    Scene& scene = tour->scenes[g == 0 ? 0 : 1];
    Gallery& gallery = scene.galleries[scene.galleryCount++];
    std::snprintf(gallery.folder, sizeof gallery.folder, "g%d", g + 1);
    gallery.firstObject = next;
    gallery.objectCount = objectCounts[g];
    next += objectCounts[g];
  }
  for (int o = 0; o < next; ++o) {
    GalleryObject& object = tour->galleryObjects[o];
    std::snprintf(object.file, sizeof object.file, "f%d", o + 1);
    object.kind = 1;
    object.scale = 1.0f;
  }
  tour->galleryObjectCount = next;
  std::string listing = listingOf(*tour);
  EXPECT_NE(listing.find("  Gallery 1:  g1 (0, 0) 0-3\n\tGallery Object 1:  1 f1 1\n"),
            std::string::npos);
  EXPECT_NE(listing.find("  Gallery 1:  g2 (0, 0) 3-0\n  Gallery 2:  g3 (0, 0) 3-2\n"
                         "\tGallery Object 4:  1 f4 1\n\tGallery Object 5:  1 f5 1\n\n"),
            std::string::npos);
}

TEST(ListingTest, PrintsNumbersAsTheCLibraryDoes) {
  std::unique_ptr<Tour> tour = emptyTour();
  tour->sceneCount = 1;
  Scene& scene = tour->scenes[0];
  const float scales[] = {1.0f, 0.1f, 1234567.0f, -0.0f, std::numeric_limits<float>::infinity(),
                          std::copysign(std::numeric_limits<float>::quiet_NaN(), -1.0f)};
  // A negative NaN prints as the C library has it: "-nan" with glibc, "nan"
  // with the Windows runtime.
  char negativeNan[16];
  std::snprintf(negativeNan, sizeof negativeNan, "%g", static_cast<double>(scales[5]));
  const char* printed[] = {"1", "0.1", "1.23457e+06", "-0", "inf", negativeNan};
  for (int i = 0; i < 6; ++i) {
    StillImage& still = scene.stills[scene.stillCount++];
    still.scale = scales[i];
    still.ath = -2147483647 - 1;
  }
  std::string listing = listingOf(*tour);
  for (int i = 0; i < 6; ++i) {
    std::string line = "  Still Image " + std::to_string(i + 1) + ":  [" + printed[i] +
                       "] (-2147483648, 0) 0 0 0\n";
    EXPECT_NE(listing.find(line), std::string::npos) << line;
  }
}

}  // namespace
}  // namespace tourwright
