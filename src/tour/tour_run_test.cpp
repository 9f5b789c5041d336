// The tour writers inside whole runs of the program: tile XML files as the
// tiling tools write them, and what stays on disk when a tile XML is
// missing or an output cannot be created.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::ProgramRun;
using testing_support::TempDir;
using testing_support::listFolder;
using testing_support::nativePath;
using testing_support::readTextFile;
using testing_support::runProgram;
using testing_support::writeFile;
using testing_support::makeFolder;

const char kScript[] = "#SCENE\nhall 0 0 $Hall\n#SCENE\ncourt 0 0 $Court\n";
const char kTile[] = "<krpano>\n\t<image type=\"CUBE\">\n\t\t<cube url=\"x\" />\n\t</image>\n</krpano>\n";

TEST(TourRunTest, MissingTileXmlOfTheSecondSceneLeavesTheTmpOnly) {
  TempDir dir;
  writeFile(dir.file("tour.lst"), kScript);
  writeFile(dir.file("hall.xml"), kTile);
  ProgramRun run = runProgram({"tour.lst"}, dir.path());
  EXPECT_EQ(run.status, 1);
  const std::string message = "\nXml Source File Open Error: " + nativePath("./court.xml") + "\n";
  ASSERT_GE(run.out.size(), message.size());
  EXPECT_EQ(run.out.substr(run.out.size() - message.size()), message);
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"hall.xml", "tour.lst", "tour.tmp"}));
  std::string tmp = readTextFile(dir.file("tour.tmp"));
  EXPECT_NE(tmp.find("<scene name=\"hall\""), std::string::npos);
  const std::string sceneEnd = "\t</scene>\n\n";
  EXPECT_EQ(tmp.substr(tmp.size() - sceneEnd.size()), sceneEnd);
  EXPECT_EQ(tmp.find("court"), std::string::npos);
}

TEST(TourRunTest, OutputsThatCannotBeCreatedAreReportedAndNothingHalfWrittenStays) {
  const struct {
    const char* folderInTheWay;
    std::string message;
    std::vector<std::string> left;
  } cases[] = {
      {"tour.tmp", "\nTmp File " + nativePath("./tour.tmp") + " Creation Error!\n",
       {"court.xml", "hall.xml", "tour.lst", "tour.tmp"}},
      {"tour.htm", "\nHtml File " + nativePath("./tour.htm") + " Creation Error!\n",
       {"court.xml", "hall.xml", "tour.htm", "tour.lst"}},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeFile(dir.file("tour.lst"), kScript);
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("court.xml"), kTile);
    makeFolder(dir.file(c.folderInTheWay));
    ProgramRun run = runProgram({"tour.lst"}, dir.path());
    EXPECT_EQ(run.status, 1) << c.folderInTheWay;
    EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    EXPECT_EQ(listFolder(dir.path()), c.left) << c.folderInTheWay;  // the folder itself stays
  }
}

// One image element per device class, the second over several lines or on
// one: the tour XML is well-formed. Without an image element to copy, the
// run and --check say the tour XML will not load.
TEST(TourRunTest, TileXmlWithImageElementsPerDeviceClass) {
  const std::string levels =
      "<krpano>\n\t<image if=\"!webvr\" type=\"CUBE\" multires=\"true\" tilesize=\"512\">\n"
      "\t\t<level tiledimagewidth=\"3584\" tiledimageheight=\"3584\"> <cube "
      "url=\"hall.tiles/%s/l2/%v/l2_%s_%v_%h.jpg\" /> </level>\n"
      "\t\t<level tiledimagewidth=\"1024\" tiledimageheight=\"1024\"> <cube "
      "url=\"hall.tiles/%s/l1/%v/l1_%s_%v_%h.jpg\" /> </level>\n\t</image>\n";
  const std::string oneLine =
      "\t<image if=\"webvr\" type=\"CUBE\"><cube url=\"hall.tiles/mobile_%s.jpg\" /></image>\n";
  const std::string missing = ": the scene's image element is missing, so the tour XML will not load";
  const struct {
    std::string tile;
    std::string warning;  // at the hall's header line, empty for none
  } cases[] = {
      {levels + "\t<image if=\"webvr\" type=\"CUBE\">\n\t\t<cube url=\"hall.tiles/mobile_%s.jpg\" "
                "/>\n\t</image>\n</krpano>\n",
       ""},
      {levels + oneLine + "</krpano>\n", ""},
      {"<krpano>\n" + oneLine + "</krpano>\n",
       "holds each <image element on one line, which is not copied" + missing},
      {"<krpano>\n\t<preview url=\"p.jpg\" />\n</krpano>", "holds no <image line" + missing},
  };
  for (const auto& c : cases) {
    TempDir dir;
    writeFile(dir.file("tour.lst"), kScript);
    writeFile(dir.file("hall.xml"), c.tile);
    writeFile(dir.file("court.xml"), kTile);
    ProgramRun run = runProgram({"tour.lst"}, dir.path());
    ProgramRun check = runProgram({"--check", "tour.lst"}, dir.path());
    EXPECT_EQ(run.status, 0) << run.out;
    std::string warning = c.warning.empty() ? "" :
        nativePath("./tour.lst") + ":2: warning: tile XML \"" + nativePath("./hall.xml") +
        "\" of scene \"hall\" " + c.warning + "\n" + nativePath("./tour.lst") + ": 1 warning\n";
    EXPECT_EQ(run.err, warning);
    EXPECT_EQ(testing_support::scriptFindings(check.err), warning);
    EXPECT_EQ(check.status, 1);  // the tiles are not there either
#ifndef _WIN32  // xmllint is a Linux tool; the Windows runs are compared with these
    if (!c.warning.empty()) continue;
    std::string lint = "xmllint --noout " + dir.file("tour.xml") + " 2>&1";
    EXPECT_EQ(std::system(lint.c_str()), 0) << lint;
#endif
  }
}

}  // namespace
}  // namespace tourwright
