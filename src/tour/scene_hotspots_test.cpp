#include "tour/scene_hotspots.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "tour/tour_test_models.h"

namespace tourwright {
namespace {

using namespace test_models;

std::string hotspotsOf(const Tour& tour, int sceneIndex, const char* baseName = "palace") {
  return written([&](FILE* out) { writeSceneHotspots(&tour, sceneIndex, baseName, out); });
}

TEST(SceneHotspotsTest, SceneWithoutItemsWritesTheSixEmptyGroups) {
  auto tour = emptyTour();
  addScene(*tour, "hall");
  EXPECT_EQ(hotspotsOf(*tour, 0), tabs(R"--(\t\t<!-- Hotspots for Cross Link -->


\t\t<!-- Hotspots for Out Link -->


\t\t<!-- Hotspots for Still Images -->


\t\t<!-- Hotspots for Video Links -->


\t\t<!-- Hotspots for Galleries -->


\t\t<!-- Hotspots for External References -->


)--"));
}

// One scene with items of every kind; the second scene of the tour, so the
// hotspot names carry 2.
TEST(SceneHotspotsTest, EveryKindOfItemIsWrittenRowByRow) {
  auto tour = emptyTour();
  addScene(*tour, "hall");
  Scene& court = addScene(*tour, "court", "Court");
  addCrossLink(court, "hall", 120, -5, "arrow", 360, "To the hall");
  addCrossLink(court, "hall", 200, -5, "arrow", 0, "West's view");
  addCrossLink(court, "hall", 10, 0, "arrow", -30, "&#12345;<b>");
  addOutLink(court, "../west/west.xml", 270, 0, "door", 90, "Annex");
  addOutLink(court, "http://x/y.xml", 0, 0, "door", 360, "Far");
  addStill(court, "vase01", 45, 10, 0.5f, 1, 0, 0, 0, "Vase");
  addStill(court, "lamp", 0, 0, 1.0f, 0, 5, -6, 7, "Lamp");
  addStill(court, "bowl", 1, 2, 0.75f, 2, 0, 0, 0, "Bowl");
  addStill(court, "cup", 3, 4, 1234567.0f, -1, 0, 0, 0, "Cup");
  addVideo(court, "gate", 30, 7, 1, "Gate");
  addVideo(court, "drone", 200, 10, 2, "Drone");
  addVideo(court, "wide", -100, 5, 3, "Wide");
  addVideo(court, "odd", 0, 0, 0, "Odd");
  addGallery(*tour, court, "ceramics", 160, 0, "Ceramics");
  addReference(court, "texts/site.kml", 10, -20, "icons/map.png", 1.5f, "Map");
  addReference(court, "texts/guide.htm", 90, 10, "icons/network.png", 1.0f, "Guide");
  addReference(court, "texts/history.htm", 180, 0, "icons/book.png", 0.8f, "History");

  EXPECT_EQ(hotspotsOf(*tour, 1), tabs(R"--(\t\t<!-- Hotspots for Cross Link -->

\t\t<hotspot name="CrossLink-2-1" style="arrow"
\t\t\tath="120"
\t\t\tatv="-5"
\t\t\tonclick="looktohotspot(CrossLink_2_1); loadscene(hall); "
\t\t\tonhover="showtext('To the hall', hoverstyle);"/>
\t\t<hotspot name="CrossLink-2-2" style="arrow"
\t\t\tath="200"
\t\t\tatv="-5"
\t\t\tonclick="looktohotspot(CrossLink_2_2); loadscene(hall); lookat(0, 0);"
\t\t\tonhover="showtext('West's view', hoverstyle);"/>
\t\t<hotspot name="CrossLink-2-3" style="arrow"
\t\t\tath="10"
\t\t\tatv="0"
\t\t\tonclick="looktohotspot(CrossLink_2_3); loadscene(hall); lookat(-30, 0);"
\t\t\tonhover="showtext('&#12345;<b>', hoverstyle);"/>

\t\t<!-- Hotspots for Out Link -->

\t\t<hotspot name="OutLink-2-1" style="door"
\t\t\tath="270"
\t\t\tatv="0"
\t\t\tonclick="looktohotspot(OutLink_2_1); loadpano(../west/west.xml, null, MERGE, BLEND(0.5)); lookat(90, 0);"
\t\t\tonhover="showtext('Annex', hoverstyle);"/>
\t\t<hotspot name="OutLink-2-2" style="door"
\t\t\tath="0"
\t\t\tatv="0"
\t\t\tonclick="looktohotspot(OutLink_2_2); loadpano(http://x/y.xml, null, MERGE, BLEND(0.5)); "
\t\t\tonhover="showtext('Far', hoverstyle);"/>

\t\t<!-- Hotspots for Still Images -->

\t\t<hotspot name="StillImage-2-1" style="flyoutimage"
\t\t\turl="photo/vase01.jpg"
\t\t\tzorder="2"
\t\t\tdistorted="true"
\t\t\tath="45"
\t\t\tatv="10"
\t\t\tscale="0.5"
\t\t\trx="0"
\t\t\try="0"
\t\t\trz="0"
\t\t\tonhover="showtext('Vase', hoverstyle);" />

\t\t<hotspot name="StillImage-2-2" style="flyoutimage"
\t\t\turl="photo/lamp.jpg"
\t\t\tzorder="2"
\t\t\tdistorted="false"
\t\t\tath="0"
\t\t\tatv="0"
\t\t\tscale="1"
\t\t\trx="5"
\t\t\try="-6"
\t\t\trz="7"
\t\t\tonhover="showtext('Lamp', hoverstyle);" />

\t\t<hotspot name="StillImage-2-3" style="flyoutimage"
\t\t\turl="photo/bowl.jpg"
\t\t\tzorder="2"
\t\t\tdistorted="true"
\t\t\tath="1"
\t\t\tatv="2"
\t\t\tscale="0.75"
\t\t\trx="0"
\t\t\try="0"
\t\t\trz="0"
\t\t\tonhover="showtext('Bowl', hoverstyle);" />

\t\t<hotspot name="StillImage-2-4" style="flyoutimage"
\t\t\turl="photo/cup.jpg"
\t\t\tzorder="2"
\t\t\tdistorted="true"
\t\t\tath="3"
\t\t\tatv="4"
\t\t\tscale="1.23457e+06"
\t\t\trx="0"
\t\t\try="0"
\t\t\trz="0"
\t\t\tonhover="showtext('Cup', hoverstyle);" />


\t\t<!-- Hotspots for Video Links -->

\t\t<hotspot name="Video-2-1"
\t\t\turl="%SWFPATH%/plugins/videoplayer.swf"
\t\t\talturl="%SWFPATH%/plugins/videoplayer.js"
\t\t\tvideourl="%CURRENTXML%/video/gate.mp4"
\t\t\tzorder="3"
\t\t\tath="30"
\t\t\tatv="7"
\t\t\tscale="0.5"
\t\t\tdistorted="true"
\t\t\trx="7"
\t\t\try="-30"
\t\t\trz="0"
\t\t\tpausedonstart="true"
\t\t\tvolume="1.0"
\t\t\tbuffertime="0.1"
\t\t\tupdateeveryframe="false"
\t\t\tonclick="togglepause();"
\t\t\tonhover="showtext('Gate', hoverstyle);" />

\t\t<hotspot name="Video-2-2"
\t\t\ttype="image"
\t\t\turl="/VR/style/video60.png"
\t\t\tzorder="3"
\t\t\tath="200"
\t\t\tatv="10"
\t\t\tscale="1"
\t\t\tonclick="setcaption('Drone');loadpano( %CURRENTXML%/video/drone.xml, homepano=%CURRENTXML%/../palace.xml&amp;homescene=court, MERGE, BLEND(0.5));"
\t\t\tondown="draghotspot();"
\t\t\tonhover="showtext('Drone', hoverstyle);" />

\t\t<hotspot name="Video-2-3"
\t\t\ttype="image"
\t\t\turl="/VR/style/video360x60.png"
\t\t\tzorder="3"
\t\t\tath="-100"
\t\t\tatv="5"
\t\t\tscale="1"
\t\t\tonclick="setcaption('Wide');loadpano( %CURRENTXML%/video/wide.xml, homepano=%CURRENTXML%/../palace.xml&amp;homescene=court, MERGE, BLEND(0.5));"
\t\t\tondown="draghotspot();"
\t\t\tonhover="showtext('Wide', hoverstyle);" />

\t\t<hotspot name="Video-2-4"
\t\t\ttype="image"
\t\t\tzorder="3"
\t\t\tath="0"
\t\t\tatv="0"
\t\t\tscale="1"
\t\t\tonclick="setcaption('Odd');loadpano( %CURRENTXML%/video/odd.xml, homepano=%CURRENTXML%/../palace.xml&amp;homescene=court, MERGE, BLEND(0.5));"
\t\t\tondown="draghotspot();"
\t\t\tonhover="showtext('Odd', hoverstyle);" />


\t\t<!-- Hotspots for Galleries -->

\t\t<hotspot name="GalleryEntrance-2-1" style="flyoutimage"
\t\t\ttype="image"
\t\t\turl="/VR/style/gallery60.png"
\t\t\tzorder="3"
\t\t\tath="160"
\t\t\tatv="0"
\t\t\tonclick="looktohotspot(GalleryEntrance-2-1); loadscene( Gallery-2-1 );"
\t\t\tondown="draghotspot();"
\t\t\tonhover="showtext('Ceramics', hoverstyle);" />


\t\t<!-- Hotspots for External References -->

\t\t<hotspot name="Reference-2-1"
\t\t\ttype="image"
\t\t\turl="icons/map.png"
\t\t\tzorder="3"
\t\t\tath="10"
\t\t\tatv="-20"
\t\t\tscale="1.5"
\t\t\tonclick="if(webvr.isenabled,,openurl(texts/site.kml););"
\t\t\tondown="draghotspot();"
\t\t\tonhover="showtext('Map', hoverstyle);"/>

\t\t<hotspot name="Reference-2-2"
\t\t\ttype="image"
\t\t\turl="icons/network.png"
\t\t\tzorder="3"
\t\t\tath="90"
\t\t\tatv="10"
\t\t\tscale="1"
\t\t\tonclick="if(webvr.isenabled,,forma_pct(0.8,0.9, http://tours.example.org/Kelvora/System/reference.htm?width=100%&amp;height=600&amp;url=texts/guide.htm, Guide););"
\t\t\tondown="draghotspot();"
\t\t\tonhover="showtext('Guide', hoverstyle);"/>

\t\t<hotspot name="Reference-2-3"
\t\t\ttype="image"
\t\t\turl="icons/book.png"
\t\t\tzorder="3"
\t\t\tath="180"
\t\t\tatv="0"
\t\t\tscale="0.8"
\t\t\tonclick="if(webvr.isenabled,,forma_pct(0.8,0.9, texts/history.htm, History););"
\t\t\tondown="draghotspot();"
\t\t\tonhover="showtext('History', hoverstyle);"/>


)--"));
}

TEST(SceneHotspotsTest, VideoPlayerTurnsTowardsTheNearestMainDirection) {
  const struct {
    int ath;
    int turn;
  } cases[] = {
      {0, 0},     {30, -30}, {45, -45}, {46, 44},   {135, -45}, {170, 10},
      {200, -20}, {-30, 30}, {-60, 60}, {-100, 10}, {89, 1},    {-89, 89},
      {90, 0},    {-45, 45}, {-46, 46}, {INT_MAX, -37}, {INT_MIN, 38},
  };
  for (const auto& c : cases) EXPECT_EQ(videoTurn(c.ath), c.turn) << "ath " << c.ath;
}

TEST(SceneHotspotsTest, VideoKindsChooseTheButtonImage) {
  const struct {
    int kind;
    const char* urlLine;  // nullptr: no url line at all
  } cases[] = {
      {2, "\t\t\turl=\"/VR/style/video60.png\"\n"},
      {3, "\t\t\turl=\"/VR/style/video360x60.png\"\n"},
      {0, nullptr},
      {4, nullptr},
      {-2, nullptr},
  };
  for (const auto& c : cases) {
    auto tour = emptyTour();
    addVideo(addScene(*tour, "hall"), "clip", 0, 0, c.kind, "Clip");
    std::string text = hotspotsOf(*tour, 0);
    EXPECT_NE(text.find("\t\t\ttype=\"image\"\n"), std::string::npos) << "kind " << c.kind;
    if (c.urlLine != nullptr) {
      EXPECT_NE(text.find(c.urlLine), std::string::npos) << "kind " << c.kind;
    } else {
      EXPECT_EQ(text.find("url="), std::string::npos) << "kind " << c.kind;
    }
  }
}

TEST(SceneHotspotsTest, ReferenceOnclickChoice) {
  const std::string longTarget = std::string(250, 'a') + ".kml";
  const struct {
    std::string target;
    const char* icon;
    ReferenceAction action;
  } cases[] = {
      {"texts/site.kml", "map.png", ReferenceAction::kOpenUrl},
      {"TEXTS/SITE.KmL", "network.png", ReferenceAction::kOpenUrl},
      {"doc.kml.htm", "map.png", ReferenceAction::kOpenUrl},
      {longTarget, "map.png", ReferenceAction::kOpenUrl},
      {"texts/site.kmz", "icons/network.png", ReferenceAction::kReferenceViewer},
      {"guide.htm", "my-network-icon.png", ReferenceAction::kReferenceViewer},
      {"texts/site.kmz", "map.png", ReferenceAction::kPopUp},
      {"guide.htm", "icons/Network.png", ReferenceAction::kPopUp},
      {"kml", "map.png", ReferenceAction::kPopUp},
      {"", "", ReferenceAction::kPopUp},
  };
  for (const auto& c : cases) {
    Reference reference = {};
    setText(reference.target, c.target.c_str());
    setText(reference.icon, c.icon);
    EXPECT_EQ(chooseReferenceAction(reference), c.action) << c.target << " / " << c.icon;
  }
}

TEST(SceneHotspotsTest, OpenUrlKeepsTheTargetAsStored) {
  auto tour = emptyTour();
  addReference(addScene(*tour, "hall"), "Maps/Site.KmL", 0, 0, "i.png", 1.0f, "Map");
  EXPECT_NE(hotspotsOf(*tour, 0).find("\t\t\tonclick=\"if(webvr.isenabled,,openurl(Maps/Site.KmL););\"\n"),
            std::string::npos);
}

}  // namespace
}  // namespace tourwright
