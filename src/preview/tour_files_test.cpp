#include "preview/tour_files.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::TempDir;
using testing_support::makeFolder;
using testing_support::writeFile;

TEST(TourFilesTest, OpensRegularFilesInsideTheFolderOnly) {
  TempDir root;
  std::string tour = root.file("tour");
  ASSERT_TRUE(makeFolder(tour));
  ASSERT_TRUE(makeFolder(tour + "/hall.tiles"));
  writeFile(tour + "/hall.tiles/f.jpg", "tile");
  writeFile(tour + "/empty.txt", "");
  writeFile(root.file("secret.txt"), "secret");
  ASSERT_TRUE(makeFolder(root.file("tour2")));  // its name begins with the tour folder's
  writeFile(root.file("tour2/secret.txt"), "secret");
  bool links = false;
#ifndef _WIN32
  links = symlink("../secret.txt", (tour + "/out.txt").c_str()) == 0 &&
          symlink("hall.tiles/f.jpg", (tour + "/in.jpg").c_str()) == 0 &&
          symlink("..", (tour + "/up").c_str()) == 0 &&
          symlink("../tour2/secret.txt", (tour + "/beside.txt").c_str()) == 0 &&
          mkfifo((tour + "/pipe.jpg").c_str(), 0600) == 0;
#endif
  TourFolder folder;
  ASSERT_TRUE(openTourFolder(&folder, tour));
  const struct {
    const char* names;
    long long size;  // -1: not opened
    bool needsLinks;
  } cases[] = {
      {"hall.tiles/f.jpg", 4, false}, {"empty.txt", 0, false},
      {"hall.tiles", -1, false},      {"missing.jpg", -1, false},
      {"in.jpg", 4, true},            {"out.txt", -1, true},
      // A way out of the folder is closed even when it leads back in.
      {"up/secret.txt", -1, true},    {"up/tour/hall.tiles/f.jpg", -1, true},
      {"beside.txt", -1, true},
      {"pipe.jpg", -1, true},  // never waits for a writer
  };
  for (const auto& c : cases) {
    if (c.needsLinks && !links) continue;
    long long size = -1;
    FILE* stream = openTourFile(folder, c.names, &size);
    EXPECT_EQ(stream != nullptr, c.size >= 0) << c.names;
    if (stream != nullptr) {
      EXPECT_EQ(size, c.size) << c.names;
      std::fclose(stream);
    }
  }
  TourFolder missing;
  EXPECT_FALSE(openTourFolder(&missing, root.file("nosuch")));
}

}  // namespace
}  // namespace tourwright
