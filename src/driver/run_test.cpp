#include "driver/run.h"

#include <gtest/gtest.h>

namespace tourwright {
namespace {

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
      {"tours\\palace\\\\", "tours/palace", "palace", "tours/palace/palace.lst"},
      {"tours/.hidden", "tours/.hidden", ".hidden", "tours/.hidden/.hidden.lst"},
      {"a.b.lst", ".", "a.b", "./a.b.lst"},
      {"/palace.lst", "", "palace", "/palace.lst"},
  };
  for (const PathCase& c : cases) {
    RunPaths paths = derivePaths(c.argument);
    EXPECT_EQ(paths.directory, c.directory) << c.argument;
    EXPECT_EQ(paths.baseName, c.baseName) << c.argument;
    EXPECT_EQ(paths.lstPath, c.lstPath) << c.argument;
  }
}

TEST(DerivePathsTest, FormsAllFivePathsFromDirectoryAndBaseName) {
  RunPaths paths = derivePaths("/t/hall.lst");
  EXPECT_EQ(paths.ascPath, "/t/hall.asc");
  EXPECT_EQ(paths.tmpPath, "/t/hall.tmp");
  EXPECT_EQ(paths.htmPath, "/t/hall.htm");
  EXPECT_EQ(paths.xmlPath, "/t/hall.xml");
}

TEST(DerivePathsTest, LongPathsAreNotLimited) {
  std::string folder(600, 'f');
  RunPaths paths = derivePaths("/x/" + folder + "/tour.lst");
  EXPECT_EQ(paths.lstPath, "/x/" + folder + "/tour.lst");
}

}  // namespace
}  // namespace tourwright
