#include "tour/gallery_scenes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tour/tour_test_models.h"

namespace tourwright {
namespace {

using namespace test_models;

std::string galleriesOf(const Tour& tour) {
  return written([&](FILE* out) { writeGalleryScenes(&tour, out); });
}

// "name@ath" for every hotspot, in the order written: the ring at a glance.
std::string ring(const std::string& text) {
  std::string summary;
  size_t at = 0;
  while ((at = text.find("<hotspot name=\"", at)) != std::string::npos) {
    at += 15;
    std::string name = text.substr(at, text.find('"', at) - at);
    size_t ath = text.find("ath=\"", at) + 5;
    if (!summary.empty()) summary += ' ';
    summary += name + "@" + text.substr(ath, text.find('"', ath) - ath);
  }
  return summary;
}

TEST(GalleryScenesTest, TourWithoutGalleriesWritesNothing) {
  auto tour = emptyTour();
  addScene(*tour, "hall");
  EXPECT_EQ(galleriesOf(*tour), "");
}

TEST(GalleryScenesTest, GalleryOfEveryObjectKindRowByRow) {
  auto tour = emptyTour();
  Scene& hall = addScene(*tour, "hall");
  addGallery(*tour, hall, "ceramics", 160, 0, "Ceramics & co");
  addObject(*tour, hall, "bowl01", 1, 0.8f, "texts/bowl.htm", "Bowl");
  addObject(*tour, hall, "cup02", 2, 0.6f, "$Tea", "Tea");
  addObject(*tour, hall, "jar03", 3, 1.0f, "texts/jar.htm", "Jar");
  addObject(*tour, hall, "tile04", 0, 1.0f, "$", "Tile");

  EXPECT_EQ(galleriesOf(*tour), tabs(R"--(\t<!-- Scene: Gallery-1-1 -->

\t<scene name="Gallery-1-1"  title="Ceramics & co" onstart="setcaption();" thumburl="/VR/style/gallery.png">

\t\t<preview type="grid(cube)"/>

\t\t<hotspot name="GalleryObject-0" style="flyoutimage"
\t\t\turl="ceramics/bowl01.jpg"
\t\t\tzorder="2"
\t\t\tdistorted="true"
\t\t\tath="0"
\t\t\tatv="0"
\t\t\tscale="0.8"
\t\t\tonhover="showtext('Bowl', hoverstyle);" />

\t\t<hotspot name="Explanation-0"
\t\t\turl="/VR/style/text60.png"
\t\t\tzorder="3"
\t\t\tdistorted="true"
\t\t\tath="0"
\t\t\tatv="25"
\t\t\tscale="0.75"
\t\t\tonclick="if(webvr.isenabled,,forma_pct(0.8,0.9, texts/bowl.htm, Bowl););" />

\t\t<hotspot name="loading"
\t\t\tstyle="loading"
\t\t\tzorder="2"
\t\t\tath="90"
\t\t\tatv="0"
\t\t/>

\t\t<hotspot name="GalleryObject-2"
\t\t\turl="%SWFPATH%/plugins/videoplayer.swf"
\t\t\talturl="%SWFPATH%/plugins/videoplayer.js"
\t\t\tvideourl="ceramics/cup02.mp4"
\t\t\tzorder="3"
\t\t\tdistorted="true"
\t\t\tath="90"
\t\t\tatv="0"
\t\t\tscale="0.6"
\t\t\tpausedonstart="true"
\t\t\tloop="false"
\t\t\tvolume="1.0"
\t\t\tbuffertime="0.1"
\t\t\tupdateeveryframe="false"
\t\t\tonclick="lookto(90, 0); togglepause();"
\t\t\tonhover="showtext('Tea', hoverstyle);" />

\t\t<hotspot name="Explanation-2"
\t\t\turl="/VR/style/text60.png"
\t\t\tzorder="3"
\t\t\tdistorted="true"
\t\t\tath="180"
\t\t\tatv="25"
\t\t\tscale="0.75"
\t\t\tonclick="if(webvr.isenabled,,forma_pct(0.8,0.9, texts/jar.htm, Jar););" />

)--") + goHomeButtons("hall"));
}

TEST(GalleryScenesTest, ObjectsStandOnARingOfWholeDegreeSteps) {
  const struct {
    int objects;
    const char* ring;
  } cases[] = {
      {0, "goHome-1@0 goHome-2@180"},
      {1, "Explanation-0@0 goHome-1@0 goHome-2@180"},
      {4, "Explanation-0@0 GalleryObject-1@90 Explanation-1@90 loading@180 GalleryObject-3@180 "
          "Explanation-2@180 Explanation-3@270 goHome-1@0 goHome-2@180"},
      {7, "Explanation-0@0 GalleryObject-1@51 Explanation-1@51 loading@102 GalleryObject-3@102 "
          "Explanation-2@102 Explanation-3@153 Explanation-4@204 GalleryObject-5@255 "
          "Explanation-5@255 loading@306 GalleryObject-7@306 Explanation-6@306 goHome-1@0 "
          "goHome-2@180"},
  };
  for (const auto& c : cases) {
    auto tour = emptyTour();
    Scene& hall = addScene(*tour, "hall");
    addGallery(*tour, hall, "room", 0, 0, "Room");
    for (int i = 0; i < c.objects; ++i) {
      addObject(*tour, hall, "item", i % 4, 1.0f, "page.htm", "Item");  // kinds 0, 1, 2, 3, 0...
    }
    EXPECT_EQ(ring(galleriesOf(*tour)), c.ring) << c.objects << " objects";
  }
}

TEST(GalleryScenesTest, GalleryWithoutObjectsWritesHeadAndGoHomeButtonsOnly) {
  auto tour = emptyTour();
  Scene& hall = addScene(*tour, "hall");
  addGallery(*tour, hall, "empty", 0, 0, "Empty");
  EXPECT_EQ(galleriesOf(*tour), tabs(R"--(\t<!-- Scene: Gallery-1-1 -->

\t<scene name="Gallery-1-1"  title="Empty" onstart="setcaption();" thumburl="/VR/style/gallery.png">

\t\t<preview type="grid(cube)"/>

)--") + goHomeButtons("hall"));
}

TEST(GalleryScenesTest, NamesUseTourWideIndicesAndVideosTakeTheNextOne) {
  // Objects of the second gallery by kind (1 image, 2 video, 3 other), after
  // ten images of a first one: tour-wide indices from 10. A video named
  // like the image after it would be merged with it by the viewer.
  const struct {
    std::vector<int> kinds;
    const char* ring;
  } cases[] = {
      {{1, 2, 1}, "GalleryObject-10@0 loading@120 GalleryVideo-11@120 GalleryObject-12@240"},
      {{2, 2, 1},
       "loading@0 GalleryObject-11@0 loading@120 GalleryVideo-11@120 GalleryObject-12@240"},
      {{2, 2}, "loading@0 GalleryObject-11@0 loading@180 GalleryObject-12@180"},
      {{2, 3, 1}, "loading@0 GalleryObject-11@0 GalleryObject-12@240"},
      {{1, 2}, "GalleryObject-10@0 loading@180 GalleryObject-12@180"},
  };
  for (const auto& c : cases) {
    auto tour = emptyTour();
    Scene& hall = addScene(*tour, "hall");
    addGallery(*tour, hall, "first", 0, 0, "First");
    for (int i = 0; i < 10; ++i) addObject(*tour, hall, "x", 1, 1.0f, "$", "X");
    addGallery(*tour, hall, "second", 0, 0, "Second");
    for (int kind : c.kinds) addObject(*tour, hall, "o", kind, 1.0f, "$", "O");
    // A third gallery opening with an image: no name is shared across galleries.
    addGallery(*tour, hall, "third", 0, 0, "Third");
    addObject(*tour, hall, "t", 1, 1.0f, "$", "T");
    std::string text = galleriesOf(*tour);
    size_t second = text.find("<!-- Scene: Gallery-1-2 -->");
    size_t third = text.find("<!-- Scene: Gallery-1-3 -->");
    EXPECT_EQ(ring(text.substr(second, third - second)),
              std::string(c.ring) + " goHome-1@0 goHome-2@180")
        << c.ring;
  }
}

TEST(GalleryScenesTest, OnlyALeadingDollarSuppressesTheExplanation) {
  const struct {
    const char* explanation;
    bool button;
  } cases[] = {{"$", false}, {"$Tea", false}, {"", true}, {"a$b", true}, {" $", true}};
  for (const auto& c : cases) {
    auto tour = emptyTour();
    Scene& hall = addScene(*tour, "hall");
    addGallery(*tour, hall, "room", 0, 0, "Room");
    addObject(*tour, hall, "item", 1, 1.0f, c.explanation, "Item");
    std::string text = galleriesOf(*tour);
    std::string line = std::string("forma_pct(0.8,0.9, ") + c.explanation + ", Item););\" />";
    EXPECT_EQ(text.find(line) != std::string::npos, c.button) << '"' << c.explanation << '"';
    EXPECT_EQ(text.find("Explanation-0") != std::string::npos, c.button);
  }
}

TEST(GalleryScenesTest, GalleriesFollowSceneOrderAndGoHomeToThePlainName) {
  auto tour = emptyTour();
  Scene& hall = addScene(*tour, "hall");
  addGallery(*tour, hall, "a", 0, 0, "A");
  addGallery(*tour, hall, "b", 0, 0, "B");
  addScene(*tour, "hall");  // its element is hall-copy; its galleries go home to hall
  Scene& nameless = addScene(*tour, "");
  addGallery(*tour, nameless, "c", 0, 0, "C");
  Scene& again = tour->scenes[1];
  addGallery(*tour, again, "d", 0, 0, "D");

  std::string text = galleriesOf(*tour);
  std::string order;
  for (size_t at = 0; (at = text.find("<scene name=\"", at)) != std::string::npos;) {
    at += 13;
    order += text.substr(at, text.find('"', at) - at) + " ";
  }
  EXPECT_EQ(order, "Gallery-1-1 Gallery-1-2 Gallery-2-1 Gallery-3-1 ");
  size_t nameless3 = text.find("<!-- Scene: Gallery-3-1 -->");
  EXPECT_EQ(text.find("loadscene(hall);", nameless3), std::string::npos);
  EXPECT_NE(text.find("\t\t\tonclick=\"loadscene();\"\n", nameless3), std::string::npos);
  EXPECT_EQ(text.find("copy"), std::string::npos);
}

TEST(GalleryScenesTest, ObjectRunsPastTheTourTableAreNotRead) {
  auto tour = emptyTour();
  Scene& hall = addScene(*tour, "hall");
  addGallery(*tour, hall, "room", 0, 0, "Room");
  addObject(*tour, hall, "item", 1, 1.0f, "$", "Item");
  hall.galleries[0].objectCount = 1000;  // more than the tour holds
  addGallery(*tour, hall, "far", 0, 0, "Far");
  hall.galleries[1].firstObject = 2147483600;
  hall.galleries[1].objectCount = 100;
  std::string text = galleriesOf(*tour);
  EXPECT_EQ(ring(text), "GalleryObject-0@0 goHome-1@0 goHome-2@180 goHome-1@0 goHome-2@180");
}

}  // namespace
}  // namespace tourwright
