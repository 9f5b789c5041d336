// The tour writers inside whole runs of the program: what stays on disk
// when a tile XML is missing or an output cannot be created.
#include <gtest/gtest.h>

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

}  // namespace
}  // namespace tourwright
