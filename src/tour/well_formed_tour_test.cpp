// A property of whole runs: whatever the script, a tour whose tile XML
// files hold image elements of several lines each (one to three, with any
// attributes, amid other elements) is well-formed XML unless a warning said
// that it would not be. Seeded mutations of the example tour; xmllint judges.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>

#include "test_support.h"

namespace tourwright {
namespace {

using namespace testing_support;

template <size_t N>
std::string pick(std::mt19937* random, const char* const (&choices)[N], size_t most = 1) {
  std::string text;
  for (size_t n = (*random)() % (most + 1); n > 0; --n) text += choices[(*random)() % N];
  return text;
}

std::string tileXml(std::mt19937* random, const std::string& name) {
  static const char* const kOthers[] = {
      "\t<preview url=\"@.tiles/preview.jpg\" />\n", "\t<plugin name=\"p\"\n\t\turl=\"p.js\" />\n",
      "<!-- made by a tiling tool -->\n", "\t<view fov=\"90\"/>\n"};
  static const char* const kAttributes[] = {" type=\"CUBE\"", " if=\"!webvr\"",
                                            " tilesize=\"512\""};
  static const char* const kInside[] = {
      "\t\t<cube url=\"@.tiles/mobile_%s.jpg\" />\n",
      "\t\t<level width=\"1024\">\n\t\t\t<cube url=\"@.tiles/%s/l1/%v/%h.jpg\" />\n\t\t</level>\n",
      "\t\t<level tiledimagewidth=\"3584\"> <cube url=\"@.jpg\" /> </level>\n"};
  std::string text = "<krpano version=\"1.19\">\n";
  for (size_t elements = 1 + (*random)() % 3; elements > 0; --elements) {
    // One attribute of each name at most.
    std::string attributes;
    for (const char* attribute : kAttributes) attributes += (*random)() % 2 ? attribute : "";
    text += pick(random, kOthers, 2) + "\t<image" + attributes + ">\n" + pick(random, kInside, 2) +
            "\t</image>\n";
  }
  text += pick(random, kOthers) + "</krpano>\n";
  for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, name);
  return text;
}

std::string mutated(std::mt19937* random, std::string script) {
  static const char* const kPieces[] = {"\"", "<", "&", "&amp;", "&#60;", "&#", "&#x41;", "'",
                                        "U+003C", "\xB0", "\xB0\xA1", "\x01", "$", " ", "\n"};
  for (size_t n = 1 + (*random)() % 5; n > 0; --n) {
    size_t at = (*random)() % script.size();
    if ((*random)() % 3 == 0) {
      script[at] = static_cast<char>((*random)());
    } else {
      script.insert(at, pick(random, kPieces));
    }
  }
  return script;
}

TEST(WellFormedTourTest, TourXmlIsWellFormedUnlessAWarningSaysSo) {
#ifdef _WIN32
  GTEST_SKIP() << "the writers are the same everywhere; 150 runs under Wine are not needed";
#endif
  const std::string example = readFile(sourceDir() + "/examples/palace/palace.lst");
  const char* const kWarnings[] = {"ends its XML attribute early", "XML does not allow",
                                   "begins no character or entity reference", "will not load"};
  std::mt19937 random(20261210);
  int linted = 0;
  int wellFormed = 0;
  for (int round = 0; round < 150; ++round) {
    TempDir dir;
    std::string script = mutated(&random, example);
    writeFile(dir.file("palace.lst"), script);
    writeFile(dir.file("hall.xml"), tileXml(&random, "hall"));
    writeFile(dir.file("court.xml"), tileXml(&random, "court"));
    ProgramRun run = runProgram({"palace.lst"}, dir.path());
    if (!fileExists(dir.file("palace.xml"))) continue;  // a scene renamed: no tile XML
    bool warned = false;
    for (const char* warning : kWarnings) warned |= run.err.find(warning) != std::string::npos;
    ++linted;
    std::string lint = "xmllint --noout " + dir.file("palace.xml") + " 2>/dev/null";
    bool lints = std::system(lint.c_str()) == 0;
    if (lints) ++wellFormed;
    EXPECT_TRUE(lints || warned) << "round " << round << ":\n" << script << run.err;
  }
  EXPECT_GT(linted, 100);  // most mutations leave a tour to convert...
  EXPECT_GT(wellFormed, linted / 2);  // ...and most of those tours are well-formed
}

}  // namespace
}  // namespace tourwright
