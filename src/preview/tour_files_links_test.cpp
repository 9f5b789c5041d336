// Links in a served folder, on both of the POSIX roads (openat2, and the
// walk component by component), and a link swapped while files are
// opened through it.
#ifndef _WIN32
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "preview/tour_files.h"
#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::makeFolder;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

struct LinkedTour {
  TempDir root;
  std::string tour = root.file("tour");
  LinkedTour() {
    makeFolder(tour);
    makeFolder(tour + "/hall.tiles");
    writeFile(tour + "/hall.tiles/f.jpg", "tile");
    writeFile(root.file("secret.txt"), "secret");
  }
  bool link(const std::string& target, const std::string& name) {
    return symlink(target.c_str(), (tour + "/" + name).c_str()) == 0;
  }
};

std::string contentOf(const TourFolder& folder, const std::string& names) {
  long long size = 0;
  FILE* stream = openTourFile(folder, names, &size);
  if (stream == nullptr) return "(none)";
  std::string text(static_cast<size_t>(size), '\0');
  text.resize(std::fread(&text[0], 1, text.size(), stream));
  std::fclose(stream);
  return text;
}

TEST(TourFilesLinksTest, FollowsLinksThatStayInsideOnEitherRoad) {
  LinkedTour t;
  char resolved[4096];
  ASSERT_NE(realpath(t.tour.c_str(), resolved), nullptr);
  std::string inside = resolved;
  // A folder beside whose name begins with the tour's ("tour2"): a link
  // there is not a path inside ("tour" + "2/secret.txt").
  makeFolder(t.root.file("tour2"));
  writeFile(t.root.file("tour2/secret.txt"), "secret");
  makeFolder(t.tour + "/2");
  writeFile(t.tour + "/2/secret.txt", "inside");
  ASSERT_TRUE(t.link(inside + "2/secret.txt", "beside.txt") &&
              t.link("hall.tiles", "tiles") && t.link("tiles/f.jpg", "chain.jpg") &&
              t.link(inside + "/hall.tiles/f.jpg", "absolute.jpg") &&
              t.link(inside + "/../secret.txt", "absolute-out.txt") &&
              t.link(t.root.file("secret.txt"), "outside.txt") &&
              t.link("hall.tiles/../hall.tiles/f.jpg", "around.jpg") &&
              t.link("loop.jpg", "loop.jpg") && t.link("/proc/self/root/etc/passwd", "magic.txt"));
  const struct {
    const char* names;
    const char* content;
  } cases[] = {
      {"tiles/f.jpg", "tile"},         {"chain.jpg", "tile"},
      {"absolute.jpg", "tile"},        {"around.jpg", "tile"},
      {"absolute-out.txt", "(none)"},  {"outside.txt", "(none)"},
      {"loop.jpg", "(none)"},          {"magic.txt", "(none)"},
      {"tiles", "(none)"},             {"beside.txt", "(none)"},
  };
  for (bool byComponents : {false, true}) {
    TourFolder folder;
    ASSERT_TRUE(openTourFolder(&folder, t.tour));
    folder.byComponents = byComponents;
    for (const auto& c : cases) {
      EXPECT_EQ(contentOf(folder, c.names), c.content) << c.names << (byComponents ? " by components" : "");
    }
    closeTourFolder(&folder);
  }
}

TEST(TourFilesLinksTest, ALinkSwappedWhileFilesAreOpenedNeverLeadsOut) {
  LinkedTour t;
  // Two links made once; the swapper renames one or the other over
  // "swap.jpg", each rename atomic.
  ASSERT_TRUE(t.link("hall.tiles/f.jpg", "in.link") && t.link("../secret.txt", "out.link"));
  std::atomic<bool> done{false};
  std::thread swapper([&] {
    for (int i = 0; !done; ++i) {
      std::string from = t.tour + (i % 2 ? "/in.link" : "/out.link");
      symlink(i % 2 ? "hall.tiles/f.jpg" : "../secret.txt", from.c_str());
      rename(from.c_str(), (t.tour + "/swap.jpg").c_str());
    }
  });
  int served = 0;
  for (bool byComponents : {false, true}) {
    TourFolder folder;
    ASSERT_TRUE(openTourFolder(&folder, t.tour));
    folder.byComponents = byComponents;
    for (int i = 0; i < 3000; ++i) {
      std::string content = contentOf(folder, "swap.jpg");
      ASSERT_NE(content, "secret") << "after " << i << (byComponents ? " by components" : "");
      served += content == "tile" ? 1 : 0;
    }
    closeTourFolder(&folder);
  }
  done = true;
  swapper.join();
  EXPECT_GT(served, 0);  // the swap did happen while files were opened
}

}  // namespace
}  // namespace tourwright

#endif  // !_WIN32
