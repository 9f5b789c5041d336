// The example tour: clean as it is, and one warning for each mistake put in.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "encoding/transcoder.h"
#include "script/diagnostics_test_helpers.h"
#include "test_support.h"

namespace tourwright {
namespace {

using namespace diagnostics_test;  // NOLINT: the helpers of these tests
using testing_support::readFile;
using testing_support::readStream;
using testing_support::sourceDir;

std::string exampleScript() { return readFile(sourceDir() + "/examples/palace/palace.lst"); }

std::string toUtf8(const std::string& ksx) {
  FILE* stream = std::tmpfile();
  transcodeLine(ksx.data(), ksx.size(), stream);
  std::string text = readStream(stream);
  std::fclose(stream);
  return text;
}

ProgramRun runExample(const std::string& script) {
  return runScript(script, {"hall.xml", "court.xml", "Court.xml"});
}

// Puts `text` in place of the first line that begins with `start` (or
// before it, when `insert` is set).
void editLine(std::string* script, const std::string& start, const std::string& text,
              bool insert = false) {
  size_t at = script->find("\n" + start);
  ASSERT_NE(at, std::string::npos) << start;
  size_t begin = at + 1;
  size_t end = script->find('\n', begin) + 1;
  script->replace(begin, insert ? 0 : end - begin, text);
}

TEST(DiagnosticsTest, ExampleTourHasNoWarnings) {
  const std::string script = exampleScript();
  for (const std::string& bytes : {script, "\xEF\xBB\xBF" + toUtf8(script)}) {
    ProgramRun run = runExample(bytes);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err, "");
  }
}

TEST(DiagnosticsTest, OneWarningForEachMistakeInTheExampleTour) {
  std::string script = exampleScript();
  editLine(&script, "#SCENE", "hall 0 0 $before any section\n", true);
  editLine(&script, "court 200 -5", "court 200 -5 arrow\n");  // no caption
  editLine(&script, "#OUTLINK", "garden 10 0 arrow $no such scene\n", true);
  editLine(&script, "vase01",
           "vase01 45 10 0.5 2 0 0 0 $distorted 2\n"
           "lamp04 250 5 $few fields\n");
  editLine(&script, "drone", "drone 200 10 4 $kind 4\n");
  editLine(&script, "#REFERENCE", "*empty 10 0 $no objects\n", true);
  editLine(&script, "texts/site.kml",
           "texts/site.kml 10 -20 icons/map.png 1.5 $" + std::string(130, 'x') + "\n");
  editLine(&script, "hall 300", "hall 300 0 arrow 0 $it's\n");
  editLine(&script, "hall 330", "hall 330 5 arrow -90 $\"quoted\"\n");
  editLine(&script, "lamp01",
           "lamp01 250 5 0.75 0 0 -10 0 $a < b\n" + repeated("lamp02 250 5 0.75 0 0 -10 0 $L", 29) +
               "lamp03 250 5 0.75 0 0 -10 0 $31st still\n");
  editLine(&script, "#VIDEO\npalace360", "#GALLERY\nbowl09 1 0.5 $no entrance\n", true);
  editLine(&script, "texts/guide.htm", "texts/guide.htm 90 10 icons/network.png 1 $A & B\n");
  script += lines({"#VIDEO", "palace360 270 0 3 $second section",  //
                   "#SCE", "x 1 2 $unknown section",               //
                   "#SCENE",                                       // no header
                   "#SCENE", "hall 0 0 $repeated",                 //
                   "#SCENE", "Court 0 0 $letter case"});
  std::string utf8 = "\xEF\xBB\xBF" + toUtf8(script);
  editLine(&utf8, "bowl01", "bowl01 1 0.8 $\xFF\n");  // not UTF-8

  ProgramRun run = runExample(utf8);
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            warnings({
                "19: warning: 1 invalid UTF-8 sequence replaced",
                "2: warning: record lines before the first section line are ignored",
                "7: warning: cross link line has no \"$\" caption: skipped",
                "13: warning: still image line has 3 of 8 fields; scale, distorted, rx, ry and rz "
                "are 0",
                "24: warning: caption cut to its capacity of 127 bytes",
                "61: warning: still image line ignored: the scene already has 30 still images",
                "63: warning: gallery object line ignored: no gallery entrance line comes before "
                "it in its #GALLERY section",
                "69: warning: second #VIDEO section in scene 2: its records replace those of the "
                "section at line 64",
                "72: warning: record lines in the unknown section #SCE (line 71) are ignored",
                "8: warning: cross link target \"garden\" names no scene of the tour",
                "12: warning: still image distorted is 2, not 0 or 1; it is written as true",
                "16: warning: video kind 4 is not 1, 2 or 3; it is written as a button without an "
                "image",
                "22: warning: gallery \"empty\" is empty: no object line follows its entrance line",
                "28: warning: caption holds a ' that ends its showtext('...') text early",
                "29: warning: caption holds a \" that ends its XML attribute early",
                "31: warning: caption holds a < that XML does not allow in an attribute",
                "67: warning: caption holds an & that begins no character or entity reference",
                "73: warning: scene 3 has no header line: it is listed but gets no scene element",
                "75: warning: scene name \"hall\" repeats scene 1's (line 4); its element is named "
                "\"hall-copy\"",
                "77: warning: scene name \"Court\" differs from scene 2's \"court\" (line 26) only "
                "in letter case; the viewer takes them for one name",
            }));
}

}  // namespace
}  // namespace tourwright
