// A property of whole runs: whatever the script, a tour whose tile XML
// files hold image elements of several lines each (one or more of them,
// with any attributes, amid other elements) is well-formed XML, unless a
// warning said that it would not be. Seeded mutations of the example tour
// and generated tile XML files; xmllint judges the result.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::ProgramRun;
using testing_support::TempDir;
using testing_support::fileExists;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::sourceDir;
using testing_support::writeFile;

using Random = std::mt19937;

size_t below(Random* random, size_t n) { return n == 0 ? 0 : (*random)() % n; }

template <size_t N>
const char* pick(Random* random, const char* const (&choices)[N]) {
  return choices[below(random, N)];
}

std::string attributes(Random* random) {
  static const char* const kAttributes[] = {
      " type=\"CUBE\"", " if=\"!webvr\"", " multires=\"true\"",
      " tilesize=\"512\"", " stereo=\"false\" ", " devices=\"html5\""};
  std::string text;
  for (const char* attribute : kAttributes) {
    if (below(random, 3) == 0) text += attribute;
  }
  return text;
}

std::string tileXml(Random* random, const std::string& name) {
  static const char* const kOthers[] = {
      "\t<preview url=\"@.tiles/preview.jpg\" />\n", "\t<view hlookat=\"0\" />\n",
      "\t<action name=\"a\">trace(1);</action>\n", "\t<plugin name=\"p\"\n\t\turl=\"p.js\" />\n",
      "<!-- made by a tiling tool -->\n", "\t<style name=\"s\" />\n"};
  static const char* const kInside[] = {
      "\t\t<cube url=\"@.tiles/mobile_%s.jpg\" />\n",
      "\t\t<level tiledimagewidth=\"1024\" tiledimageheight=\"1024\">\n\t\t\t<cube "
      "url=\"@.tiles/%s/l1/%v/l1_%s_%v_%h.jpg\" />\n\t\t</level>\n",
      "\t\t<level tiledimagewidth=\"3584\" tiledimageheight=\"3584\"> <cube url=\"@.jpg\" /> "
      "</level>\n"};
  std::string text = "<krpano version=\"1.19\">\n";
  for (size_t elements = 1 + below(random, 3); elements > 0; --elements) {
    for (size_t n = below(random, 3); n > 0; --n) text += pick(random, kOthers);
    text += "\t<image" + attributes(random) + ">\n";
    for (size_t n = below(random, 3); n > 0; --n) text += pick(random, kInside);
    text += "\t</image>\n";
  }
  for (size_t n = below(random, 2); n > 0; --n) text += pick(random, kOthers);
  text += "</krpano>\n";
  for (size_t at; (at = text.find('@')) != std::string::npos;) text.replace(at, 1, name);
  return text;
}

std::string mutated(Random* random, const std::string& script) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = script.find('\n', start)) != std::string::npos; start = end + 1) {
    lines.push_back(script.substr(start, end - start));
  }
  static const char* const kPieces[] = {"\"", "<", "&", "&amp;", "&#60;", "&#", "&#x41;", "'",
                                        "U+003C", "\xB0", "\xB0\xA1", ">", "\x01", ";", " "};
  for (size_t n = 1 + below(random, 5); n > 0; --n) {
    std::string& line = lines[below(random, lines.size())];
    switch (below(random, 4)) {
      case 0: line.insert(below(random, line.size() + 1), pick(random, kPieces)); break;
      case 1:
        if (!line.empty()) line[below(random, line.size())] = static_cast<char>((*random)());
        break;
      case 2: line = line.substr(0, below(random, line.size() + 1)); break;
      default: line += pick(random, kPieces); break;
    }
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}

TEST(WellFormedTourTest, TourXmlIsWellFormedUnlessAWarningSaysSo) {
  const std::string example = readFile(sourceDir() + "/examples/palace/palace.lst");
  const char* const kWarnings[] = {"ends its XML attribute early", "XML does not allow",
                                   "begins no character or entity reference", "will not load"};
  Random random(20261210);
  int linted = 0;
  int wellFormedCount = 0;
  for (int round = 0; round < 150; ++round) {
    TempDir dir;
    std::string script = mutated(&random, example);
    writeFile(dir.file("palace.lst"), script);
    writeFile(dir.file("hall.xml"), tileXml(&random, "hall"));
    writeFile(dir.file("court.xml"), tileXml(&random, "court"));
    ProgramRun run = runProgram({"palace.lst"}, dir.path());
    if (!fileExists(dir.file("palace.xml"))) continue;  // a scene renamed: no tile XML
    bool warned = false;
    for (const char* warning : kWarnings) {
      warned = warned || run.err.find(warning) != std::string::npos;
    }
    std::string lint = "xmllint --noout " + dir.file("palace.xml") + " 2>/dev/null";
    bool wellFormed = std::system(lint.c_str()) == 0;
    ++linted;
    if (wellFormed) ++wellFormedCount;
    EXPECT_TRUE(wellFormed || warned) << "round " << round << ":\n" << script << run.err;
  }
  // Most mutations leave a tour to convert, and most tours stay well-formed.
  EXPECT_GT(linted, 100);
  EXPECT_GT(wellFormedCount, linted / 2);
}

}  // namespace
}  // namespace tourwright
