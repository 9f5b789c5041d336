#include "driver/run.h"

#include <gtest/gtest.h>

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::makeFolder;
using testing_support::nativePath;
using testing_support::ProgramRun;
using testing_support::runProgram;
using testing_support::TempDir;

// Expected paths are written with '/'; the program forms them with the
// platform's separator.
struct PathCase {
  const char* argument;
  const char* directory;
  const char* baseName;
  const char* lstPath;
};

TEST(DerivePathsTest, SplitsScriptAndFolderArguments) {
  const PathCase cases[] = {
      {"/d/tours/palace.lst", "/d/tours", "palace", "/d/tours/palace.lst"},
      {"/d/tours/palace.txt", "/d/tours", "palace", "/d/tours/palace.lst"},
      {"/d/tours/palace", "/d/tours/palace", "palace", "/d/tours/palace/palace.lst"},
      {"palace", "palace", "palace", "palace/palace.lst"},
      {"./palace", "./palace", "palace", "./palace/palace.lst"},
      {"/d/My Tours/palace.lst", "/d/My Tours", "palace", "/d/My Tours/palace.lst"},
      {"d\\tours\\palace.lst", "d/tours", "palace", "d/tours/palace.lst"},
      {"palace.lst", ".", "palace", "./palace.lst"},
      {"my.tours/palace", "my.tours/palace", "palace", "my.tours/palace/palace.lst"},
      {"../palace", "../palace", "palace", "../palace/palace.lst"},
      {"tours/palace/", "tours/palace", "palace", "tours/palace/palace.lst"},
      {"tr/my.tour/", "tr/my.tour", "my.tour", "tr/my.tour/my.tour.lst"},
      {"tr\\my.tour\\", "tr/my.tour", "my.tour", "tr/my.tour/my.tour.lst"},
      {"tours\\palace\\\\", "tours/palace", "palace", "tours/palace/palace.lst"},
      {"tours/.hidden", "tours/.hidden", ".hidden", "tours/.hidden/.hidden.lst"},
      {"a.b.lst", ".", "a.b", "./a.b.lst"},
      {"/palace.lst", "", "palace", "/palace.lst"},
  };
  for (const PathCase& c : cases) {
    RunPaths paths = derivePaths(c.argument);
    EXPECT_EQ(paths.directory, nativePath(c.directory)) << c.argument;
    EXPECT_EQ(paths.baseName, c.baseName) << c.argument;
    EXPECT_EQ(paths.lstPath, nativePath(c.lstPath)) << c.argument;
  }
}

// "." and ".." take the name of the folder they resolve to; the paths keep
// the argument as typed.
TEST(DerivePathsTest, DotsNameTheFolderTheyResolveTo) {
  TempDir dir;
  ASSERT_TRUE(makeFolder(dir.file("palace")) && makeFolder(dir.file("palace/sub")));
  const std::string palace = dir.file("palace");
  const std::string cases[] = {palace + "/.", palace + "/./", palace + "/sub/.."};
  for (const std::string& argument : cases) {
    RunPaths paths = derivePaths(argument);
    EXPECT_EQ(paths.baseName, "palace") << argument;
    EXPECT_EQ(paths.lstPath, nativePath(argument.substr(0, argument.find_last_of('.') + 1) +
                                        "/palace.lst"))
        << argument;
  }
  ProgramRun here = runProgram({"."}, palace);
  EXPECT_NE(here.out.find("Lst File \"" + nativePath("./palace.lst") + "\" Not Found!"),
            std::string::npos);
  ProgramRun above = runProgram({".."}, dir.file("palace/sub"));
  EXPECT_NE(above.out.find("Lst File \"" + nativePath("../palace.lst") + "\" Not Found!"),
            std::string::npos);
}

TEST(DerivePathsTest, FormsAllFivePathsFromDirectoryAndBaseName) {
  RunPaths paths = derivePaths("/t/hall.lst");
  EXPECT_EQ(paths.ascPath, nativePath("/t/hall.asc"));
  EXPECT_EQ(paths.tmpPath, nativePath("/t/hall.tmp"));
  EXPECT_EQ(paths.htmPath, nativePath("/t/hall.htm"));
  EXPECT_EQ(paths.xmlPath, nativePath("/t/hall.xml"));
}

TEST(DerivePathsTest, LongPathsAreNotLimited) {
  std::string folder(600, 'f');
  RunPaths paths = derivePaths("/x/" + folder + "/tour.lst");
  EXPECT_EQ(paths.lstPath, nativePath("/x/" + folder + "/tour.lst"));
}

}  // namespace
}  // namespace tourwright

namespace tourwright {
namespace {

using testing_support::fileExists;
using testing_support::listFolder;
using testing_support::ProgramRun;
using testing_support::runProgram;
using testing_support::TempDir;
using testing_support::makeFolder;

const char kBannerLines[] =
    "\nVantry Scene Script Converter 3.2 (2017/07/10)\n"
    "Written by the Tourwright developers, for the authors of virtual tours\n\n";

TEST(RunTest, WithoutArgumentsPrintsOnlyTheUsage) {
  for (const std::vector<std::string>& arguments :
       {std::vector<std::string>{}, std::vector<std::string>{""}}) {
    ProgramRun run = runProgram(arguments);
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "\nUsage: Tourwright <Vantry Scene Script> \n");
    EXPECT_EQ(run.err, "");
  }
}

TEST(RunTest, MissingScriptIsReportedWithItsFullPathAndCreatesNothing) {
  TempDir dir;
  struct Case {
    std::vector<std::string> arguments;
    std::string lstPath;
  };
  makeFolder(dir.file("named.lst"));  // a folder where the script should be
  const Case cases[] = {
      {{"palace.lst"}, "./palace.lst"},
      {{"tours/palace"}, "tours/palace/palace.lst"},
      {{"My", "Tours/palace.lst"}, "My Tours/palace.lst"},
      {{"named.txt"}, "./named.lst"},
  };
  for (const Case& c : cases) {
    ProgramRun run = runProgram(c.arguments, dir.path());
    EXPECT_EQ(run.status, 1);
    std::string lstPath = nativePath(c.lstPath);
    std::string expected = std::string(kBannerLines) + "List file: " + lstPath + "\n";
    EXPECT_EQ(run.out.substr(0, expected.size()), expected);
    EXPECT_NE(run.out.find("Lst File \"" + lstPath + "\" Not Found!\n"), std::string::npos)
        << run.out;
  }
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"named.lst"}));
}

}  // namespace
}  // namespace tourwright
