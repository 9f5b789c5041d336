#include "preview/page_model.h"

#include <gtest/gtest.h>

#include <string>

#include "encoding/code_point.h"
#include "tour/tour_test_models.h"

namespace tourwright {
namespace {

using namespace test_models;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(PageModelTest, NamesScenesHotspotsAndWarningsInUtf8Json) {
  TempDir dir;
  writeFile(dir.file("hall.xml"),
            "<preview url=\"own/strip.jpg\"/>\n<image type=\"CUBE\">\n"
            "<cube url=\"hall.tiles/mobile_%s.jpg\"/>\n</image>\n");
  std::unique_ptr<Tour> tour = emptyTour();
  Scene& hall = addScene(*tour, "hall", "\xC8\xA6 \"main\"", 90, -5);  // code page Korean
  addCrossLink(hall, "court", 120, -5, "arrow", 180, "to\tcourt");
  addCrossLink(hall, "HALL-copy", 10, 0, "arrow", 360, "\xFF");
  addGallery(*tour, hall, "ceramics", 160, 0, "room");
  addObject(*tour, hall, "bowl01", 1, 0.8f, "$none", "C:\\x");
  addObject(*tour, hall, "cup02", 2, 0.6f, "texts/cup02.htm", "cup");
  addReference(hall, "texts/site.kml", 10, -20, "icons/map.png", 1.5f, "map");
  addScene(*tour, "hall", "again");
  PreviewSource source = {tour.get(), dir.path(), "palace", "palace.lst",
                          {{4, "palace.lst:4: warning: cross link target \"court\" names no "
                               "scene of the tour"}}};

  std::string json = previewModelJson(source);
  EXPECT_TRUE(isValidUtf8(json.data(), json.size()));
  const char* expected[] = {
      "\"tour\":\"palace\"",
      "\"saving\":false",
      "\"title\":\"\xED\x99\x80 \\\"main\\\"\"",
      "\"form\":\"cube\"",
      // the strip and thumbnail the tour XML names, not the tile XML's own
      "\"preview\":\"hall.tiles/preview.jpg\"",
      "\"thumb\":\"hall.tiles/mobile_f.jpg\"",
      "\"view\":{\"fovtype\":\"HFOV\",\"fov\":\"120\",\"hlookat\":\"90\",\"vlookat\":\"-5\"",
      "\"name\":\"Reference-1-1\",\"elements\":1,\"xml\":{\"name\":\"Reference-1-1\",\"type\":"
      "\"image\",\"url\":\"icons/map.png\"",
      "\"loadable\":true",
      "\"url\":[\"hall.tiles/mobile_\",{\"p\":\"s\",\"w\":1},\".jpg\"]",
      "\"id\":\"CrossLink-1-1\",\"kind\":\"cross\",\"ath\":120,\"atv\":-5,\"caption\":\"to\\u0009court\"",
      "\"broken\":true,\"warning\":\"palace.lst:4: warning: cross link target",
      "\"target\":\"HALL-copy\",\"lookat\":360,\"scene\":2,\"broken\":false",
      "\"objects\":[{\"kind\":\"image\",\"file\":\"ceramics/bowl01.jpg\",\"caption\":\"C:\\\\x\","
      "\"explanation\":\"\"},{\"kind\":\"video\",\"file\":\"ceramics/cup02.mp4\"",
      "\"opens\":\"texts/site.kml\",\"how\":\"url\"",
      "\"element\":\"hall-copy\"",
      "\"warnings\":[{\"line\":4,",
  };
  for (const char* part : expected) EXPECT_NE(json.find(part), std::string::npos) << part;
}

TEST(PageModelTest, AMissingTileXmlIsANotice) {
  TempDir dir;
  std::unique_ptr<Tour> tour = emptyTour();
  addScene(*tour, "court");
  PreviewSource source = {tour.get(), dir.path(), "t", "t.lst", {}};
  std::string json = previewModelJson(source);
  EXPECT_NE(json.find("\"notices\":[\"the tile XML court.xml cannot be read\"]"),
            std::string::npos)
      << json;
}

TEST(PageModelTest, APreviewOutsideTheTourFolderIsListedNotGiven) {
  const struct {
    const char* url;
  } cases[] = {
      {"hall.tiles/p.jpg"}, {"/VR/p.jpg"}, {"\\\\host\\p.jpg"}, {"http://host/p.jpg"},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeFile(dir.file("hall.xml"), std::string("<preview url=\"") + c.url +
                                        "\"/><image type=\"CUBE\"><cube url=\"c_%s.jpg\"/></image>");
    std::unique_ptr<Tour> tour = emptyTour();
    addScene(*tour, "hall");
    PreviewSource source = {tour.get(), dir.path(), "t", "t.lst", {}};
    std::string json = previewModelJson(source);
    // The page takes the strip the tour XML names, never the tile XML's own.
    EXPECT_NE(json.find("\"preview\":\"hall.tiles/preview.jpg\""), std::string::npos)
        << c.url << json;
  }
}

// What the viewer does with the tour as written, not what the script means.
TEST(PageModelTest, ShowsWhatTheViewerDoesWithTheWrittenTour) {
  TempDir dir;
  // One line: the copy of the image block keeps nothing of it.
  writeFile(dir.file("5hall.xml"), "<image type=\"CUBE\"><cube url=\"a_%s.jpg\"/></image>\n");
  std::unique_ptr<Tour> tour = emptyTour();
  Scene& hall = addScene(*tour, "5hall");
  addGallery(*tour, hall, "room", 0, 0, "room");
  addObject(*tour, hall, "a", 1, 1.0f, "$", "first");
  addObject(*tour, hall, "b", 2, 1.0f, "$", "film");
  addObject(*tour, hall, "c", 2, 1.0f, "$", "second film");
  PreviewSource source = {tour.get(), dir.path(), "t", "t.lst", {}};
  std::string json = previewModelJson(source);
  const char* expected[] = {
      "\"loadable\":false,\"unloadable\":\"the viewer reads a scene name that begins with a digit",
      "\"form\":\"none\"",
      "holds no \\u003cimage> element (a line holding both \\u003cimage and \\u003c/image> is not",
      // two video markers of one name: one hotspot, at the later one's angle
      "{\"name\":\"loading\",\"elements\":2,\"xml\":{\"name\":\"loading\",\"style\":\"loading\","
      "\"zorder\":\"2\",\"ath\":\"240\"",
  };
  for (const char* part : expected) EXPECT_NE(json.find(part), std::string::npos) << part << json;
}

}  // namespace
}  // namespace tourwright
