#include "tour/scene_element.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "tour/tour_test_models.h"

namespace tourwright {
namespace {

using namespace test_models;
using testing_support::TempDir;
using testing_support::fileExists;
using testing_support::captureConsole;
using testing_support::writeFile;
using testing_support::makeFolder;

struct SceneRun {
  SceneResult result;
  std::string text;
  std::string console;
};

SceneRun writeScene(const Tour& tour, int sceneIndex, const std::string& directory) {
  SceneRun run;
  run.console = captureConsole([&] {
    run.text = written([&](FILE* out) {
      run.result = writeSceneElement(&tour, sceneIndex, directory.c_str(), "palace", out);
    });
  });
  return run;
}

// The scene element of a scene "hall" whose tile XML holds `tile`, cut down
// to what follows the preview line up to the hotspots.
std::string imageBlockFor(const std::string& tile) {
  TempDir dir;
  writeFile(dir.file("hall.xml"), tile);
  auto tour = emptyTour();
  addScene(*tour, "hall");
  std::string text = writeScene(*tour, 0, dir.path()).text;
  const std::string preview = "preview.jpg\" />\n\n";
  size_t start = text.find(preview) + preview.size();
  return text.substr(start, text.find("\t\t<!-- Hotspots for Cross Link -->") - start);
}

TEST(SceneElementTest, HeadImageBlockHotspotsAndEndTag) {
  TempDir dir;
  writeFile(dir.file("court.xml"), tileXml("court"));
  auto tour = emptyTour();
  addScene(*tour, "hall");
  addScene(*tour, "gate");
  addScene(*tour, "court", "East \"court\" & <garden>", -90, 15);
  SceneRun run = writeScene(*tour, 2, dir.path());
  EXPECT_EQ(run.result, SceneResult::kWritten);
  EXPECT_EQ(run.console, "");
  EXPECT_EQ(run.text, tabs(R"--(\t<!-- Scene: 2 -->

\t<scene name="court"  title="East "court" & <garden>" onstart="setcaption();" thumburl="court.tiles/mobile_f.jpg">

\t\t<view fovtype="HFOV" fov="120" hlookat="-90" vlookat="15" MAXpixelzoom="1.0" fovMAX="150" limitview="auto" />
\t\t<preview url="court.tiles/preview.jpg" />

)--") + imageBlock("court") + tabs(R"--(\t\t<!-- Hotspots for Cross Link -->


\t\t<!-- Hotspots for Out Link -->


\t\t<!-- Hotspots for Still Images -->


\t\t<!-- Hotspots for Video Links -->


\t\t<!-- Hotspots for Galleries -->


\t\t<!-- Hotspots for External References -->


\t</scene>

)--"));
}

// Lines enough to fill more than one read-ahead block of the line reader.
std::string manyLines(const std::string& line) {
  std::string lines;
  while (lines.size() < 100000) lines += line;
  return lines;
}

TEST(SceneElementTest, ImageBlockCopyRule) {
  const std::string nul(1, '\0');
  const std::string longLine = std::string(300, ' ') + "<image x=\"1\">" + std::string(1000, 'y');
  const struct {
    const char* what;
    std::string tile;
    std::string block;
  } cases[] = {
      {"the viewer's own layout", tileXml("hall"), imageBlock("hall")},
      {"no image element", "<krpano>\n</krpano>\n", "\t\t</image>\n\n"},
      {"never closed: copied to the end", "<krpano>\n\t<image a=\"1\">\n\t\t<cube/>\n</krpano>\n",
       "\t\t<image a=\"1\">\n\t\t<cube/>\n</krpano>\n\t\t</image>\n\n"},
      {"one-line element: only the tab", "<krpano>\n<image url=\"x\"></image>\n</krpano>\n",
       "\t\t\t</image>\n\n"},
      // Each element copied is closed once: a later start line gets the
      // closing row of the one before it.
      {"copying resumes at a second image line",
       "<image a>\nA\n</image>\nB\n<image b>\nC\n</image>\nD\n",
       "\t<image a>\nA\n\t\t</image>\n\n\t<image b>\nC\n\t\t</image>\n\n"},
      {"a one-line second element: its tab only", "<image a>\nA\n</image>\n<image b><c/></image>\n",
       "\t<image a>\nA\n\t\t\t</image>\n\n"},
      {"a one-line element, then one of several lines", "<image a></image>\n<image b>\nC\n</image>\n",
       "\t\t<image b>\nC\n\t\t</image>\n\n"},
      {"a start line inside the copied lines", "<image a>\n<image b>\nC\n</image>\n",
       "\t<image a>\n\t<image b>\nC\n\t\t</image>\n\n"},
      {"a second start line longer than a read-ahead block",
       "<image a>\nA\n</image>\n" + longLine + std::string(200000, 'z') + "\n</image>\n",
       "\t<image a>\nA\n\t\t</image>\n\n\t" + longLine + std::string(200000, 'z') +
           "\n\t\t</image>\n\n"},
      {"a longer tag name switches on too", "<imagemap>\nX\n</imagemap>\n",
       "\t<imagemap>\nX\n</imagemap>\n\t\t</image>\n\n"},
      {"CR LF lines read as LF",
       "<krpano>\r\n\t<image t=\"CUBE\">\r\n\t\t<cube url=\"%s\" />\r\n\t</image>\r\n</krpano>\r\n",
       "\t\t<image t=\"CUBE\">\n\t\t<cube url=\"%s\" />\n\t\t</image>\n\n"},
      {"long lines are read whole", longLine + "\n" + std::string(400, ' ') + "</image>\nZ\n",
       "\t" + longLine + "\n\t\t</image>\n\n"},
      // An unclosed block is copied as it stands: the closing row follows a
      // last line that has no line feed on that line.
      {"a last line without line feed is not ended", "<krpano>\n<image>\n<cube url=\"a.jpg\"/>",
       "\t<image>\n<cube url=\"a.jpg\"/>\t\t</image>\n\n"},
      {"an image line without line feed", "<krpano>\n<image>", "\t<image>\t\t</image>\n\n"},
      {"bytes copied as they are", "<image>\nA" + nul + "B%d\xB0\n</image>\n",
       "\t<image>\nA" + nul + "B%d\xB0\n\t\t</image>\n\n"},
      {"an empty file", "", "\t\t</image>\n\n"},
      {"tags and look-alikes amid many plain lines",
       manyLines("<im a/>\n") + "<image>\n" + manyLines("<cube m=\"</im\"/>\n") + "</image>\n" +
           manyLines("x\n") + "<image b>\nlast",
       "\t<image>\n" + manyLines("<cube m=\"</im\"/>\n") +
           "\t\t</image>\n\n\t<image b>\nlast\t\t</image>\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(imageBlockFor(c.tile), c.block) << c.what;
}

// Tile files written by the viewer's tools are UTF-8; the internal text is
// the Korean code page.
TEST(SceneElementTest, Utf8TileTextIsConvertedToTheCodePage) {
  const struct {
    const char* what;
    std::string tile;
    std::string block;
  } cases[] = {
      {"Hangul in UTF-8", "<image>\n<cube url=\"\xED\x95\x9C\xEC\x98\xA5.tiles/x.jpg\"/>\n</image>\n",
       "\t<image>\n<cube url=\"\xC7\xD1\xBF\xC1.tiles/x.jpg\"/>\n\t\t</image>\n\n"},
      {"outside the code page: a reference", "<image>\n\xF0\x9F\x98\x80\n</image>\n",
       "\t<image>\n&#128512;\n\t\t</image>\n\n"},
      {"UTF-8 signature dropped", "\xEF\xBB\xBF<image a=\"\xED\x95\x9C\">\n</image>\n",
       "\t<image a=\"\xC7\xD1\">\n\t\t</image>\n\n"},
      {"Korean code page copied byte for byte", "<image>\n<cube url=\"\xC7\xD1\xBF\xC1\"/>\n</image>\n",
       "\t<image>\n<cube url=\"\xC7\xD1\xBF\xC1\"/>\n\t\t</image>\n\n"},
      {"code page Hangul that is also valid UTF-8 copied byte for byte",
       "<image>\n<cube url=\"\xC8\xB2\xC8\xA3.tiles\"/>\n</image>\n",
       "\t<image>\n<cube url=\"\xC8\xB2\xC8\xA3.tiles\"/>\n\t\t</image>\n\n"},
      {"two-byte UTF-8 that is no Korean code converted", "<image>\n\xC9\xA1\n</image>\n",
       "\t<image>\n&#00609;\n\t\t</image>\n\n"},
      {"one invalid byte anywhere keeps the copy raw",
       "<image>\n\xED\x95\x9C\n</image>\n<!-- \xFF -->\n", "\t<image>\n\xED\x95\x9C\n\t\t</image>\n\n"},
      {"UTF-8 text after more than a read-ahead block of ASCII lines",
       "<image>\n" + manyLines("<cube/>\n") + "\xED\x95\x9C\n" + manyLines("<c/>\n") + "</image>\n",
       "\t<image>\n" + manyLines("<cube/>\n") + "\xC7\xD1\n" + manyLines("<c/>\n") +
           "\t\t</image>\n\n"},
      {"an invalid byte more than a block after the first UTF-8 text",
       "<image>\n\xED\x95\x9C\n" + manyLines("<c/>\n") + "\xFF\n</image>\n",
       "\t<image>\n\xED\x95\x9C\n" + manyLines("<c/>\n") + "\xFF\n\t\t</image>\n\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(imageBlockFor(c.tile), c.block) << c.what;
}

TEST(SceneElementTest, RepeatedNamesGetCopyElementNamesButShareTheirTiles) {
  TempDir dir;
  const std::string longName(127, 'n');
  writeFile(dir.file("hall.xml"), tileXml("hall"));
  writeFile(dir.file("court.xml"), tileXml("court"));
  writeFile(dir.file(longName + ".xml"), tileXml(longName));
  auto tour = emptyTour();
  for (const char* name : {"hall", "court", "hall", "hall", "court", "HALL"}) addScene(*tour, name);
  addScene(*tour, longName.c_str());
  addScene(*tour, longName.c_str());
  // Where file names ignore case (Windows), HALL.xml is hall.xml.
  const bool namesIgnoreCase = fileExists(dir.file("HALL.xml"));
  if (!namesIgnoreCase) writeFile(dir.file("HALL.xml"), tileXml("HALL"));

  const char* expected[] = {
      "<scene name=\"hall\"  title=\"\" onstart=\"setcaption();\" thumburl=\"hall.tiles/mobile_f.jpg\">",
      "<scene name=\"court\"  title=\"\" onstart=\"setcaption();\" thumburl=\"court.tiles/mobile_f.jpg\">",
      "<scene name=\"hall-copy\"  title=\"\" onstart=\"setcaption();\" thumburl=\"hall.tiles/mobile_f.jpg\">",
      "<scene name=\"hall-copy\"  title=\"\" onstart=\"setcaption();\" thumburl=\"hall.tiles/mobile_f.jpg\">",
      "<scene name=\"court-copy\"  title=\"\" onstart=\"setcaption();\" thumburl=\"court.tiles/mobile_f.jpg\">",
      "<scene name=\"HALL\"  title=\"\" onstart=\"setcaption();\" thumburl=\"HALL.tiles/mobile_f.jpg\">",
  };
  for (int i = 0; i < 6; ++i) {
    SceneRun run = writeScene(*tour, i, dir.path());
    EXPECT_NE(run.text.find(std::string("\n\t") + expected[i] + "\n"), std::string::npos) << i;
    std::string name = tour->scenes[i].name;
    std::string tile = namesIgnoreCase && name == "HALL" ? "hall" : name;
    EXPECT_NE(run.text.find(imageBlock(tile)), std::string::npos) << i;
  }
  EXPECT_NE(writeScene(*tour, 6, dir.path()).text.find("<scene name=\"" + longName + "\" "),
            std::string::npos);
  EXPECT_NE(writeScene(*tour, 7, dir.path()).text.find("<scene name=\"" + longName + "-copy\" "),
            std::string::npos);
}

// The file is made through the platform unit, which names it in Unicode
// on Windows too.
void writeTile(const std::string& path, const std::string& text) {
  FILE* file = createScratchFile(path.c_str(), FileMode::kBinary);
  ASSERT_NE(file, nullptr) << path;
  std::fwrite(text.data(), 1, text.size(), file);
  std::fclose(file);
}

// A scene name is code page text; the tile XML of a Korean scene is stored
// under the UTF-8 form of the name, tried after the name as it stands.
TEST(SceneElementTest, KoreanSceneNameFindsTheTileXmlUnderItsUtf8Name) {
  const char kCodePageName[] = "\xB5\xBF\xB1\xC3";
  const char kUtf8Name[] = "\xEB\x8F\x99\xEA\xB6\x81";
  TempDir dir;
  auto tour = emptyTour();
  addScene(*tour, kCodePageName);
  SceneRun missing = writeScene(*tour, 0, dir.path());
  EXPECT_EQ(missing.result, SceneResult::kTileXmlMissing);
  EXPECT_EQ(missing.console, "\nXml Source File Open Error: " +
                                 joinPath(dir.path(), kCodePageName, ".xml") + "\n");

  writeTile(joinPath(dir.path(), kUtf8Name, ".xml"), tileXml("unicode"));
  SceneRun found = writeScene(*tour, 0, dir.path());
  EXPECT_EQ(found.result, SceneResult::kWritten);
  EXPECT_NE(found.text.find(imageBlock("unicode")), std::string::npos);
#ifndef _WIN32
  writeTile(joinPath(dir.path(), kCodePageName, ".xml"), tileXml("codepage"));
  EXPECT_NE(writeScene(*tour, 0, dir.path()).text.find(imageBlock("codepage")), std::string::npos);
#endif
}

TEST(SceneElementTest, MissingTileXmlWritesNothingAndSaysWhichFile) {
  TempDir dir;
  makeFolder(dir.file("folder.xml"));
  auto tour = emptyTour();
  addScene(*tour, "nowhere");
  addScene(*tour, "folder");
  for (int i = 0; i < 2; ++i) {
    SceneRun run = writeScene(*tour, i, dir.path());
    EXPECT_EQ(run.result, SceneResult::kTileXmlMissing);
    EXPECT_EQ(run.text, "");
    std::string path = joinPath(dir.path(), tour->scenes[i].name, ".xml");
    EXPECT_EQ(run.console, "\nXml Source File Open Error: " + path + "\n");
  }
}

}  // namespace
}  // namespace tourwright
