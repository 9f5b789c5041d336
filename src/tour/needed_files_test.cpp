#include "tour/needed_files.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/file_identity.h"
#include "platform/files.h"
#include "tour/tour_test_models.h"

namespace tourwright {
namespace {

using namespace test_models;
using testing_support::makeFolder;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(NeededFilesTest, SiteRootIsGivenOrTheFirstFolderUpThatHoldsTheViewer) {
  TempDir dir;
  for (const char* folder : {"site", "site/VR", "site/VR/xsl3v", "site/tours", "site/tours/palace",
                             "site/tours/palace/VR", "other", "other/VR", "other/tour"}) {
    ASSERT_TRUE(makeFolder(dir.file(folder)));
  }
  const std::string site = resolvedFolderPath(dir.file("site").c_str());
  const struct {
    std::string tour, given, root;
  } cases[] = {
      {dir.file("site/tours/palace"), "", site},  // a VR/ without xsl3v/ does not count
      {dir.file("site"), "", site},
      {dir.file("other/tour"), "", ""},  // VR/ alone is not the viewer's folder
      {dir.file("other/tour"), "given/root", "given/root"},
      {dir.file("missing/tour"), "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(findSiteRoot(c.tour, c.given), c.root) << c.tour;
}

// "<kind>:<path as the root has it>" for each file, "/" before a path under
// the site root, "+" after a file that is there; tiles counted.
std::string listed(const NeededFiles& files) {
  std::string text;
  int tiles = 0, found = 0;
  for (const NeededFile& file : files.files) {
    if (file.kind == NeededKind::kTile) {
      ++tiles;
      found += file.exists ? 1 : 0;
      continue;
    }
    text += std::to_string(static_cast<int>(file.kind)) + ":" +
            (file.root == FileRoot::kSiteRoot ? "/" : "") + file.path + (file.exists ? "+" : "") +
            " ";
  }
  return text + std::to_string(found) + "/" + std::to_string(tiles) + " tiles";
}

TEST(NeededFilesTest, ListsEveryFileTheTourNamesOnceAndLooksForIt) {
  TempDir dir;
  writeFile(dir.file("hall.xml"),
            "<krpano>\n<preview url=\"elsewhere.jpg\"/>\n<image multires=\"true\" tilesize=\"512\">\n"
            "<level tiledimagewidth=\"1024\" tiledimageheight=\"512\">\n"
            "<cube url=\"hall.tiles/%s_%v_%h.jpg\"/>\n</level>\n</image>\n"
            "<image><cube url=\"not/copied_%s.jpg\"/></image>\n</krpano>\n");
  ASSERT_TRUE(makeFolder(dir.file("hall.tiles")) && makeFolder(dir.file("photo")) &&
              makeFolder(dir.file("site")) && makeFolder(dir.file("texts")));
  for (const char* file : {"hall.tiles/f_1_2.jpg", "hall.tiles/preview.jpg", "photo/vase.jpg",
                           "texts/a.htm"}) {
    writeFile(dir.file(file), "x");
  }
  auto tour = emptyTour();
  Scene& hall = addScene(*tour, "hall");
  addStill(hall, "vase", 0, 0, 1, 1, 0, 0, 0, "");
  addStill(hall, "vase", 0, 0, 1, 1, 0, 0, 0, "");  // listed once
  addOutLink(hall, "../west/west.xml", 0, 0, "a", 360, "");
  addVideo(hall, "gate", 0, 0, 1, "");
  addReference(hall, "texts\\a.htm?page=2#top", 0, 0, "http://example.com/i.png", 1, "");
  addReference(hall, "https://example.com/", 0, 0, "%SWFPATH%/icons/i.png", 1, "");
  addReference(hall, "mailto:a@example.com", 0, 0, "//example.com/i.png", 1, "");
  Scene& nameless = addScene(*tour, "");  // its galleries are written all the same
  addGallery(*tour, nameless, "room", 0, 0, "");
  addObject(*tour, nameless, "a", 1, 1, "$", "");
  addObject(*tour, nameless, "b", 2, 1, "", "");
  addObject(*tour, nameless, "c", 3, 1, "pages/c.htm", "");

  NeededFiles files = listNeededFiles(*tour, dir.path(), dir.file("site"));
  EXPECT_EQ(listed(files),
            "12:/VR/xsl3v/krpano.js 12:/VR/xsl3v/include/link-method.xml "
            "12:/VR/xsl3v/include/button.xml 12:/VR/xsl3v/include/caption.xml "
            "12:/VR/xsl3v/include/flyinghotspotVR.xml 12:/VR/xsl3v/include/vr.xml "
            "12:/VR/xsl3v/include/modal_window.xml "
            "1:hall.tiles/preview.jpg+ 2:hall.tiles/mobile_f.jpg 6:../west/west.xml "
            "3:photo/vase.jpg+ 4:video/gate.mp4 12:/VR/xsl3v/plugins/videoplayer.js "
            "8:texts/a.htm+ 7:/VR/xsl3v/icons/i.png "
            "12:/VR/style/gallery.png 12:/VR/style/back.png 9:room/a.jpg 10:room/b.mp4 "
            "12:/VR/style/text60.png 11:pages/c.htm 1/12 tiles");
  // Without a site root nothing under it is looked for.
  writeFile(dir.file("site/krpano.js"), "x");
  NeededFiles noSite = listNeededFiles(*tour, dir.path(), "");
  for (const NeededFile& file : noSite.files) {
    EXPECT_FALSE(file.root == FileRoot::kSiteRoot && file.exists) << file.path;
  }
  EXPECT_EQ(diskPathOf(files, files.files[0]),
            dir.file("site") + kPathSeparator + "VR" + kPathSeparator + "xsl3v" + kPathSeparator +
                "krpano.js");
}

}  // namespace
}  // namespace tourwright
