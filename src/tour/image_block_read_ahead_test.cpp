// The image block copy reads a tile XML once while its lines are ASCII, and
// reads ahead (then back to where it was) only at the first line with a
// byte above 0x7F. These cases put that line far into the file, past the
// line reader's read-ahead block, so a wrong line count on the way back
// shows up as a lost or doubled line.
#include <gtest/gtest.h>

#include <string>

#include "tour/scene_element.h"
#include "tour/tour_test_models.h"

namespace tourwright {
namespace {

using namespace test_models;
using testing_support::TempDir;
using testing_support::captureConsole;
using testing_support::writeFile;

std::string imageBlockFor(const std::string& tile) {
  TempDir dir;
  writeFile(dir.file("hall.xml"), tile);
  auto tour = emptyTour();
  addScene(*tour, "hall");
  std::string text;
  captureConsole([&] {
    text = written([&](FILE* out) { writeSceneElement(tour.get(), 0, dir.path().c_str(), "p", out); });
  });
  const std::string preview = "preview.jpg\" />\n\n";
  size_t start = text.find(preview) + preview.size();
  return text.substr(start, text.find("\t\t<!-- Hotspots for Cross Link -->") - start);
}

// Numbered ASCII lines, about 200 KiB of them.
std::string asciiLines(const char* tag) {
  std::string lines;
  for (int i = 0; i < 4000; ++i) {
    lines += "\t\t<cube url=\"" + std::string(tag) + std::to_string(i) + "/%s_%v_%h.jpg\" />\n";
  }
  return lines;
}

TEST(ImageBlockReadAheadTest, FirstNonAsciiLineFarIntoTheFile) {
  const std::string before = "<krpano>\n" + asciiLines("a");
  const std::string block = asciiLines("b");
  const std::string hangulUtf8 = "\xED\x95\x9C";  // U+D55C
  const std::string hangulKsx = "\xC7\xD1";
  const struct {
    const char* what;
    std::string tile;
    std::string copied;
  } cases[] = {
      {"UTF-8 late in the block is converted",
       before + "\t<image>\n" + block + "<x t=\"" + hangulUtf8 + "\"/>\n" + block + "\t</image>\n",
       "\t\t<image>\n" + block + "<x t=\"" + hangulKsx + "\"/>\n" + block + "\t\t</image>\n\n"},
      {"UTF-8 before the block still decides for the block",
       "<!-- " + hangulUtf8 + " -->\n" + before + "\t<image>\n<x t=\"" + hangulUtf8 + "\"/>\n</image>\n",
       "\t\t<image>\n<x t=\"" + hangulKsx + "\"/>\n\t\t</image>\n\n"},
      {"UTF-8 only after the block leaves the ASCII block alone",
       before + "\t<image>\n" + block + "\t</image>\n" + block + "<!-- " + hangulUtf8 + " -->\n",
       "\t\t<image>\n" + block + "\t\t</image>\n\n"},
      {"an invalid byte far after the first UTF-8 keeps the block raw",
       before + "\t<image>\n<x t=\"" + hangulUtf8 + "\"/>\n" + block + "\t</image>\n" + block +
           "<!-- \xFF -->\n",
       "\t\t<image>\n<x t=\"" + hangulUtf8 + "\"/>\n" + block + "\t\t</image>\n\n"},
      {"CR LF lines before the decision count as one line each",
       "<krpano>\r\n\r\n\t<image>\r\n" + block + "<x t=\"" + hangulUtf8 + "\"/>\r\n\t</image>\r\n",
       "\t\t<image>\n" + block + "<x t=\"" + hangulKsx + "\"/>\n\t\t</image>\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(imageBlockFor(c.tile), c.copied) << c.what;
}

// A line longer than the reader's buffers is read twice (tags, then text):
// its tags may lie at its very end and its UTF-8 across block edges.
TEST(ImageBlockReadAheadTest, LinesLongerThanTheBuffers) {
  const std::string longText(300000, 'x');
  const std::string hangulUtf8 = "\xED\x95\x9C";
  const std::string close = "\t\t</image>\n\n";
  std::string spread;  // Korean text at every offset around block edges
  for (int i = 0; i < 100000; ++i) spread += i % 7 == 0 ? hangulUtf8 : "y";
  std::string spreadKsx;
  for (int i = 0; i < 100000; ++i) spreadKsx += i % 7 == 0 ? "\xC7\xD1" : "y";
  const struct {
    const char* what;
    std::string tile;
    std::string copied;
  } cases[] = {
      {"a long UTF-8 line is converted", "<image>\n" + spread + "\r\n</image>\n",
       "\t<image>\n" + spreadKsx + "\n" + close},
      {"a closing tag at the end of a long line", "<image>\n" + longText + "</image>\n<a/>\n",
       "\t<image>\n" + close},
      {"an opening tag at the end of a long line",
       longText + "<image>\n<a/>\n</image>\n", "\t" + longText + "<image>\n<a/>\n" + close},
      {"a long first line with a signature", "\xEF\xBB\xBF<image>" + spread + "\n</image>\n",
       "\t<image>" + spreadKsx + "\n" + close},
  };
  for (const auto& c : cases) EXPECT_EQ(imageBlockFor(c.tile), c.copied) << c.what;
}

}  // namespace
}  // namespace tourwright
