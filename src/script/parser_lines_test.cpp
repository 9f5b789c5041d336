// The parser on long lines: fields cut to their capacity, lines past the
// read-ahead block read back whole, and a stream that fails part way.
#include "script/parser.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "script/parser_test_helpers.h"
#include "test_support.h"

namespace tourwright {
namespace {

using namespace parser_test;  // NOLINT: the helpers of these tests
using testing_support::parseScriptBytes;
using namespace std::string_literals;

TEST(ParserTest, ReadsLinesWholeAndCutsFieldsToTheirCapacity) {
  const std::string w300(300, 'w');
  const std::string big(5000, 'c');
  runModelCases({
      {"a 5,000-byte caption", "#SCENE\n#CROSSLINK\na 1 2 s $" + big + " b 3 4 s $Fake\n",
       [](const Tour& t) {
         ASSERT_EQ(t.scenes[0].crossLinkCount, 1);
         EXPECT_EQ(std::string(t.scenes[0].crossLinks[0].caption), std::string(127, 'c'));
       }},
      {"long words in a link", "#SCENE\n#CROSSLINK\n" + w300 + " 1 2 " + w300 + " 7 $C\n",
       [](const Tour& t) {
         const CrossLink& link = t.scenes[0].crossLinks[0];
         EXPECT_EQ(std::strlen(link.target), 127u);
         EXPECT_EQ(std::strlen(link.style), 127u);
         EXPECT_EQ(link.ath, 1);
         EXPECT_EQ(link.lookat, 7);
       }},
      {"long words in a reference", "#SCENE\n#REFERENCE\n" + w300 + " 1 2 " + w300 + " 1.5 $R\n",
       [](const Tour& t) {
         const Reference& reference = t.scenes[0].references[0];
         EXPECT_EQ(std::strlen(reference.target), 255u);
         EXPECT_EQ(std::strlen(reference.icon), 255u);
         EXPECT_EQ(reference.scale, 1.5f);
       }},
      {"long words elsewhere",
       "#SCENE\n" + w300 + " 1 2 $H\n#STILL\n" + w300 + " 1 2 0.5 $S\n#VIDEO\n" + w300 +
           " 1 2 3 $V\n#GALLERY\n*" + w300 + " 5 6 $G\n" + w300 + " 1 0.5 " + w300 + w300 + " $O\n",
       [](const Tour& t) {
         const Scene& s = t.scenes[0];
         EXPECT_EQ(std::strlen(s.name), 127u);
         EXPECT_EQ(s.vlookat, 2);
         EXPECT_EQ(std::strlen(s.stills[0].photo), 127u);
         EXPECT_EQ(s.stills[0].scale, 0.5f);
         EXPECT_EQ(std::strlen(s.videos[0].video), 127u);
         EXPECT_EQ(s.videos[0].kind, 3);
         EXPECT_EQ(std::string(s.galleries[0].folder), std::string(127, 'w'));
         EXPECT_EQ(s.galleries[0].atv, 6);
         EXPECT_EQ(std::strlen(t.galleryObjects[0].file), 127u);
         EXPECT_EQ(std::strlen(t.galleryObjects[0].explanation), 511u);
         EXPECT_STREQ(t.galleryObjects[0].caption, "O");
       }},
      {"a two-byte character across the cut",
       "#SCENE\nh 0 0 $" + std::string(126, 'a') + "\xB0\xA1\n#STILL\np 1 2 1 0 0 0 0 $" +
           std::string(125, 'a') + "\xB0\xA1\n",
       [](const Tour& t) {
         EXPECT_EQ(std::string(t.scenes[0].title), std::string(126, 'a'));
         EXPECT_EQ(std::string(t.scenes[0].stills[0].caption), std::string(125, 'a') + "\xB0\xA1");
       }},
      {"a reference across the cut",
       "#SCENE\nh 0 0 $" + std::string(124, 'a') + "&#44032;\n#STILL\np 1 2 1 0 0 0 0 $" +
           std::string(119, 'a') + "&#44032;\n",
       [](const Tour& t) {
         EXPECT_EQ(std::string(t.scenes[0].title), std::string(124, 'a'));
         EXPECT_EQ(std::string(t.scenes[0].stills[0].caption), std::string(119, 'a') + "&#44032;");
       }},
      {"a NUL byte ends the line's text",
       "#SCENE\nhall 90 0 $Main\0 hall\n#CROSSLINK\nc 1 2\0 $X\n"s,
       [](const Tour& t) {
         EXPECT_STREQ(t.scenes[0].title, "Main");
         EXPECT_EQ(t.scenes[0].crossLinkCount, 0);
       }},
      {"short lines", "#SCENE\nx $\nab $c\n",
       [](const Tour& t) {
         EXPECT_STREQ(t.scenes[0].name, "ab");  // "x $" is skipped, 4 bytes with its line feed
         EXPECT_STREQ(t.scenes[0].title, "c");
       }},
      {"a last line without line feed counts as if it had one", "#SCENE\na $b",
       [](const Tour& t) { EXPECT_STREQ(t.scenes[0].title, "b"); }},
      {"a last short line without line feed", "#SCENE\na $",
       [](const Tour& t) { EXPECT_STREQ(t.scenes[0].name, ""); }},
  });
}

// A line longer than the reader's block is read back from the file as it
// is scanned; the model is the one the whole line in memory gives.
TEST(ParserTest, LinesPastTheReadAheadReadAsWholeLines) {
  const std::string wide(150000, ' ');
  const std::string scripts[] = {
      "#SCENE\nhall" + wide + "90\t" + wide + "-5 $" + wide + "Hall\r\n",
      "#SCENE\nh 0 0 $H\n#STILL\nlamp 1 2 0." + std::string(140000, '0') +
          "5e140000 1 2 3 4 $L\n",
      "#SCENE\nh 0 0 $H\n#CROSSLINK\nh 1 2 arrow 3 " + std::string(140000, 'x') + "$C" +
          std::string(140000, '&') + "\n",
      "#SCENE\nh 0 0 $H\n#GALLERY\n*" + std::string(150000, 'w') + " 1 2 $G\no 1 1 $" +
          std::string(70000, '\xB0') + "&#" + std::string(70000, '1') + "\n",
      "#SCENE\nh 0 0 $H\n#REFERENCE\nr 1 2 i 0.5 " + std::string(140000, 'x') + "\0$R\n" +
          "r 1 2 i 0.5 $" + std::string(70000, 'U') + "U+AC00",
  };
  for (const std::string& script : scripts) {
    auto fromFile = parseScriptBytes(script);
    auto inMemory = std::make_unique<Tour>();
    clearTour(inMemory.get());
    ScriptParse parse;
    startScriptParse(&parse, inMemory.get());
    for (size_t start = 0; start < script.size();) {
      size_t feed = std::min(script.find('\n', start), script.size());
      std::string line = script.substr(start, feed - start);
      if (!line.empty() && line.back() == '\r') line.pop_back();
      parseLine(&parse, line);
      start = feed + 1;
    }
    finishScriptParse(&parse);
    // The model's records have no padding: equal bytes are equal models.
    EXPECT_EQ(std::memcmp(fromFile.get(), inMemory.get(), sizeof(Tour)), 0)
        << script.substr(0, 40);
  }
}

// A stream on a folder opens on Linux but every read of it fails.
TEST(ParserTest, TellsOfAStreamItCouldNotReadToItsEnd) {
  testing_support::TempDir dir;
  FILE* folder = std::fopen(dir.path().c_str(), "rb");
  if (folder == nullptr) GTEST_SKIP() << "a folder does not open as a stream here";
  auto tour = std::make_unique<Tour>();
  EXPECT_FALSE(parseSceneScript(folder, tour.get()));
  std::fclose(folder);
}

}  // namespace
}  // namespace tourwright
