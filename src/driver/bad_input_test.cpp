// Whole runs of the program on bad input, one table row per case: what an
// author's editor may save, damaged or foreign files beside the script, and
// outputs that cannot be written. Every row states the exit status, a line
// that standard output must hold, and the files that must (not) be there;
// every row also checks that the script itself was not changed and that a
// completed run leaves a valid UTF-8 tour XML and no scratch file.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "encoding/code_point.h"
#include "platform/files.h"
#include "platform/file_lock.h"
#include "test_support.h"

#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace tourwright {
namespace {

using testing_support::BackgroundRun;
using testing_support::fileExists;
using testing_support::listFolder;
using testing_support::ProgramRun;
using testing_support::nativePath;
using testing_support::readFile;
using testing_support::readTextFile;
using testing_support::runProgram;
using testing_support::TempDir;
using testing_support::writeFile;
using testing_support::folderPermissionsBind;
using testing_support::makeFolder;
using testing_support::setFolderWritable;
using testing_support::canLinkToUnreadableFile;
using testing_support::linkToUnreadableFile;

const char kTile[] =
    "<krpano>\n\t<image type=\"CUBE\">\n\t\t<cube url=\"hall.tiles/%s.jpg\" />\n\t</image>\n"
    "</krpano>\n";
const char kScene[] = "#SCENE\nhall 0 0 $Hall\n";

// A literal with NUL bytes inside, whole.
template <size_t N>
std::string bytes(const char (&text)[N]) {
  return std::string(text, N - 1);
}

std::string repeat(const std::string& text, int times) {
  std::string out;
  for (int i = 0; i < times; ++i) out += text;
  return out;
}

struct BadInputCase {
  const char* name;
  std::string script;
  std::function<void(const TempDir&)> prepare;  // extra files beside the script
  int status;
  std::string expectedOut;                 // a text standard output must hold
  std::vector<std::string> mustExist;      // names in the folder
  std::vector<std::string> mustNotExist;
  std::string xmlMustHold = "";            // a text the tour XML must hold
  std::string outMustNotHold = "\x01";     // a text standard output must not hold
  std::function<void(const TempDir&)> verify = nullptr;  // checks of the row's own
};

#ifndef _WIN32
void plantLink(const TempDir& dir, const char* name, const std::string& target) {
  std::remove(dir.file(name).c_str());
  ASSERT_EQ(symlink(target.c_str(), dir.file(name).c_str()), 0) << name;
}

bool isLink(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Rows with links, pipes and read-only files, where POSIX has them.
void addPosixCases(std::vector<BadInputCase>* cases) {
  const std::vector<std::string> completed = {"t.lst", "t.htm", "t.xml"};
  const std::string utf8Scene = std::string("\xEF\xBB\xBF") + kScene;
  cases->push_back(
      {"links planted at the scratch names", utf8Scene,
       [](const TempDir& d) {
         writeFile(d.file("victim"), "victim");
         plantLink(d, "t.asc", "/dev/null");
         plantLink(d, "t.tmp", d.file("victim"));
       },
       0, "t.xml has been Created.", completed, {"t.asc", "t.tmp"}, "title=\"Hall\"", "\x01",
       [](const TempDir& d) { EXPECT_EQ(readFile(d.file("victim")), "victim"); }});
  cases->push_back(
      {"outputs that are links", kScene,
       [](const TempDir& d) {
         makeFolder(d.file("www"));
         writeFile(d.file("www/t.xml"), "stale");
         plantLink(d, "t.xml", "www/t.xml");
         plantLink(d, "t.htm", d.file("www/page.htm"));  // not there yet
       },
       0, "t.xml has been Created.", completed, {}, "title=\"Hall\"", "\x01",
       [](const TempDir& d) {
         EXPECT_TRUE(isLink(d.file("t.xml")) && isLink(d.file("t.htm")));
         EXPECT_EQ(listFolder(d.file("www")), (std::vector<std::string>{"page.htm", "t.xml"}));
       }});
  cases->push_back({"tour XML that is a link to the script", kScene,
                    [](const TempDir& d) { plantLink(d, "t.xml", "t.lst"); }, 1,
                    "Output File ./t.xml Would Overwrite ./t.lst!", {"t.lst"},
                    {"t.tmp", "t.htm", "t.asc"}});
  cases->push_back({"page that is a hard link to a tile XML", kScene,
                    [](const TempDir& d) { link(d.file("hall.xml").c_str(), d.file("t.htm").c_str()); },
                    1, "Output File ./t.htm Would Overwrite ./hall.xml!", {"t.htm"}, {"t.tmp", "t.xml"},
                    "", "\x01", [](const TempDir& d) { EXPECT_EQ(readFile(d.file("hall.xml")), kTile); }});
  cases->push_back({"tile XML that is a pipe", kScene,
                    [](const TempDir& d) {
                      std::remove(d.file("hall.xml").c_str());
                      mkfifo(d.file("hall.xml").c_str(), 0600);
                    },
                    1, "Xml Source File Open Error: ", {"t.lst", "t.tmp"}, {"t.htm", "t.xml"}});
  if (!folderPermissionsBind()) return;  // the superuser writes anything
  for (const char* name : {"t.xml", "t.htm"}) {
    bool page = name[4] == 'h';
    cases->push_back({page ? "read-only page" : "read-only tour XML", kScene,
                      [name](const TempDir& d) {
                        writeFile(d.file(name), "earlier");
                        chmod(d.file(name).c_str(), 0444);
                      },
                      1, std::string(name) + " Creation Error!", {name}, {"t.tmp"}, "", "\x01",
                      [name](const TempDir& d) {
                        EXPECT_EQ(readFile(d.file(name)), "earlier");
                        chmod(d.file(name).c_str(), 0644);
                      }});
  }
}
#endif

std::vector<BadInputCase> badInputCases() {
  const std::string longWord(10000, 'w');
  const std::string longNumber(10000, '9');
  const std::vector<std::string> completed = {"t.lst", "t.htm", "t.xml"};
  const std::vector<std::string> noScratch = {"t.tmp", "t.asc", "t.xml.part"};
  auto none = [](const TempDir&) {};
  std::vector<BadInputCase> cases = {
      {"empty script", "", none, 0, "Text Encoding of LST file: 0", completed, noScratch},
      {"one byte", "#", none, 0, "Text Encoding of LST file: 0", completed, noScratch},
      {"byte-order mark only", "\xEF\xBB\xBF", none, 0, "Text Encoding of LST file: 1", completed,
       noScratch},
      {"EF BB without BF", std::string("\xEF\xBB") + kScene, none, 0,
       "Text Encoding of LST file: 0", completed, noScratch},
      {"odd-length UTF-16", bytes("\xFF\xFE#\0S\0C\0E\0N\0E\0\n\0h"), none, 0,
       "Text Encoding of LST file: 3", completed, noScratch},
      {"lone surrogates in UTF-16",
       bytes("\xFE\xFF\0#\0S\0C\0E\0N\0E\0\n\0h\0a\0l\0l\0 \0\x30\0 \0\x30\0 \0$\xD8\x3D\0X\0\n"),
       none, 0, "Text Encoding of LST file: 2", completed, noScratch, "title=\"\xEF\xBF\xBDX\""},
      {"invalid UTF-8 everywhere",
       "\xEF\xBB\xBF#SCENE\xFF\nhall 0 0 $ti\xE2\x82tle\xF0\x9F\n#STILL\nv\xFE 1 2 0.5 1 0 0 0 "
       "$c\xED\xA0\x80x\n\x80\xC3\n",
       none, 0, "Text Encoding of LST file: 1", completed, noScratch,
       "title=\"ti\xEF\xBF\xBDtle\xEF\xBF\xBD\""},
      // An overlong line feed would start lines that no editor shows.
      {"overlong UTF-8 line feeds",
       "\xEF\xBB\xBF#SCENE\nhall 0 0 $Main\xC0\x8A#STILL\xC0\x8Avase 1 2 0.5 0 0 0 0 $x\n", none,
       0, "#Scene 1: Main&#65533;#STILL&#65533;vase 1 2 0.5 0 0 0 0 $x hall (0, 0)", completed,
       noScratch, "title=\"Main\xEF\xBF\xBD#STILL\xEF\xBF\xBDvase 1 2 0.5 0 0 0 0 $x\"",
       "Still Image"},
      {"NUL bytes inside lines", bytes("#SCENE\nhall 0 0 $Ha\0ll\n#STILL\nv 1 2\0 3 $x\n"),
       none, 0, "#Scene 1: Ha hall (0, 0)", completed, noScratch, "title=\"Ha\""},
      {"a 1 MB single line", std::string(kScene) + "#CROSSLINK\nhall 1 2 arrow $" +
                                 repeat("\xB0\xA1", 500000) + "\n",
       none, 0, "Cross Link 1: ", completed, noScratch},
      {"10,000-byte words in every field",
       std::string(kScene) + "#CROSSLINK\n" + longWord + " " + longNumber + " -" + longNumber +
           " " + longWord + " " + longNumber + " $" + longWord + "\n#STILL\n" + longWord +
           " 1 2 " + longNumber + " " + longNumber + " 1 2 3 $c\n#REFERENCE\n" + longWord +
           " 1 2 " + longWord + " " + longNumber + " $" + longWord + "\n#GALLERY\n*" + longWord +
           " 1 2 $g\n" + longWord + " 1 1 " + longWord + " $" + longWord + "\n",
       none, 0, "  Cross Link 1: " + std::string(127, 'w') + " " + std::string(127, 'w') +
                    " (2147483647, -2147483648)",
       completed, noScratch, "lookat(2147483647, 0);"},
      {"a 10,000-byte scene name", "#SCENE\n" + longWord + " 0 0 $t\n", none, 1,
       "Xml Source File Open Error: ", {"t.lst", "t.tmp"}, {"t.htm", "t.xml", "t.asc"}},
      {"13 scenes", repeat(kScene, 13), none, 0, "#Scene 12: Hall hall", completed, noScratch,
       "<!-- Scene: 11 -->", "#Scene 13"},
      {"31 galleries", std::string(kScene) + "#GALLERY\n" + repeat("*g 1 2 $G\no 1 1 $O\n", 31),
       none, 0, "  Gallery 30: G g (1, 2) 29-1", completed, noScratch, "Gallery-1-30", "Gallery 31"},
      {"101 gallery objects", std::string(kScene) + "#GALLERY\n*g 1 2 $G\n" + repeat("o 1 1 $O\n", 101),
       none, 0, "  Gallery 1: G g (1, 2) 0-100", completed, noScratch, "GalleryObject-99",
       "Gallery Object 101"},
      {"object lines before any entrance", std::string(kScene) + "#GALLERY\no 1 1 $O\n*g 1 2 $G\n",
       none, 0, "  Gallery 1: G g (1, 2) 0-0", completed, noScratch},
      {"duplicate sections", std::string(kScene) + "#STILL\na 1 1 1 1 1 1 1 $A\n#STILL\nb 2 2 2 0 2 2 2 $B\n",
       none, 0, "  Still Image 1: B b[2] (2, 2) 2 2 2", completed, noScratch},
      {"missing tile XML", "#SCENE\nnosuch 0 0 $t\n", none, 1, "Xml Source File Open Error: ",
       {"t.lst", "t.tmp"}, {"t.htm", "t.xml", "t.asc"}},
      {"empty tile XML", kScene, [](const TempDir& d) { writeFile(d.file("hall.xml"), ""); }, 0,
       "t.htm has been Created.", completed, noScratch},
      {"binary tile XML", kScene,
       [](const TempDir& d) {
         std::string junk;
         for (int i = 0; i < 4096; ++i) junk += static_cast<char>((i * 7919) % 256);
         writeFile(d.file("hall.xml"), "<image\n" + junk + "\n</image>\n");
       },
       0, "t.htm has been Created.", completed, noScratch},
      {"tile XML folder instead of file", kScene,
       [](const TempDir& d) {
         std::remove(d.file("hall.xml").c_str());
         makeFolder(d.file("hall.xml"));
       },
       1, "Xml Source File Open Error: ", {"t.lst", "t.tmp"}, {"t.htm", "t.xml"}},
      {"image block never closed", kScene,
       [](const TempDir& d) { writeFile(d.file("hall.xml"), "<image>\n<level/>\nlast line\n"); }, 0,
       "t.htm has been Created.", completed, noScratch, "\n\t<image>\n<level/>\nlast line\n\t\t</image>"},
      {"asc path cannot be created", "\xEF\xBB\xBF" + std::string(kScene),
       [](const TempDir& d) { makeFolder(d.file("t.asc")); }, 1,
       "Scratch File Creation Error: -2\ntourwright: " + nativePath("./t.asc") + ": ",
       {"t.lst", "t.asc"}, {"t.tmp", "t.htm", "t.xml"}},
      {"tmp path cannot be created", kScene,
       [](const TempDir& d) { makeFolder(d.file("t.tmp")); }, 1,
       "Creation Error!\ntourwright: " + nativePath("./t.tmp") + ": ",
       {"t.lst", "t.tmp"}, {"t.htm", "t.xml"}},
      {"page cannot be created", kScene,
       [](const TempDir& d) { makeFolder(d.file("t.htm")); }, 1, "t.htm",
       {"t.lst"}, {"t.tmp", "t.xml"}},
      // The page is replaced only after the tour XML: a run that fails on
      // either changes neither.
      {"tour XML cannot be created", kScene,
       [](const TempDir& d) {
         makeFolder(d.file("t.xml"));
         writeFile(d.file("t.htm"), "earlier");
       },
       1, "Html File " + nativePath("./t.htm") + " Left As It Was.", {"t.lst", "t.htm"},
       {"t.tmp", "t.xml.part"}, "", "\x01",
       [](const TempDir& d) { EXPECT_EQ(readFile(d.file("t.htm")), "earlier"); }},
      // A tour named like one of its scenes would replace that scene's tile XML.
      {"tour XML that is a tile XML", "#SCENE\nt 0 0 $T\n",
       [](const TempDir& d) { writeFile(d.file("t.xml"), kTile); }, 1,
       "Output File " + nativePath("./t.xml") + " Would Overwrite " + nativePath("./t.xml") + "!",
       {"t.xml"}, {"t.tmp", "t.htm"}, "", "\x01",
       [](const TempDir& d) { EXPECT_EQ(readFile(d.file("t.xml")), kTile); }},
  };
#ifndef _WIN32
  addPosixCases(&cases);
#endif
  return cases;
}

TEST(BadInputTest, EveryRowEndsAsStated) {
  for (const BadInputCase& c : badInputCases()) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("t.lst"), c.script);
    c.prepare(dir);
    ProgramRun run = runProgram({"t.lst"}, dir.path());
    EXPECT_EQ(run.status, c.status) << run.out;
    EXPECT_NE(run.out.find(c.expectedOut), std::string::npos) << run.out.substr(0, 4000);
    EXPECT_EQ(run.out.find(c.outMustNotHold), std::string::npos);
    EXPECT_EQ(readFile(dir.file("t.lst")), c.script) << "the script changed";
    for (const std::string& name : c.mustExist) EXPECT_TRUE(fileExists(dir.file(name))) << name;
    for (const std::string& name : c.mustNotExist) EXPECT_FALSE(fileExists(dir.file(name))) << name;
    for (const std::string& name : listFolder(dir.path())) {
      EXPECT_EQ(name.find(".part"), std::string::npos) << "scratch file left: " << name;
    }
    if (c.verify) c.verify(dir);
    if (run.status == 0) {
      std::string xml = readTextFile(dir.file("t.xml"));
      EXPECT_EQ(xml.substr(0, 3), "\xEF\xBB\xBF");
      EXPECT_TRUE(isValidUtf8(xml.data(), xml.size()));
      EXPECT_NE(xml.find(c.xmlMustHold), std::string::npos) << xml.substr(0, 4000);
    }
  }
}

// A failed run never destroys the tour XML and page of an earlier run.
TEST(BadInputTest, EarlierOutputsSurviveAFailedRun) {
  struct Failure {
    const char* name;
    std::function<void(const TempDir&)> breakRun;
  };
  const Failure failures[] = {
      {"missing tile XML", [](const TempDir& d) { std::remove(d.file("hall.xml").c_str()); }},
      {"tmp path unusable", [](const TempDir& d) { makeFolder(d.file("t.tmp")); }},
  };
  for (const Failure& f : failures) {
    SCOPED_TRACE(f.name);
    TempDir dir;
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("t.lst"), kScene);
    writeFile(dir.file("t.xml"), "earlier tour");
    writeFile(dir.file("t.htm"), "earlier page");
    f.breakRun(dir);
    ProgramRun run = runProgram({"t.lst"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(readFile(dir.file("t.xml")), "earlier tour");
    EXPECT_EQ(readFile(dir.file("t.htm")), "earlier page");
  }
}

// A file that fails to read part way is no shorter file: the run stops.
TEST(BadInputTest, ReadErrorsStopTheRun) {
  if (!canLinkToUnreadableFile()) GTEST_SKIP() << "no file here fails to read";
  struct ReadFailure {
    const char* name;
    const char* unreadable;
    std::string expectedOut;
  };
  const ReadFailure failures[] = {
      {"script", "t.lst", "Lst File \"" + nativePath("./t.lst") + "\" Read Error!"},
      {"tile XML", "hall.xml", "Xml Source File Read Error: "},
  };
  for (const ReadFailure& f : failures) {
    SCOPED_TRACE(f.name);
    TempDir dir;
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("t.lst"), kScene);
    writeFile(dir.file("t.xml"), "earlier tour");
    std::remove(dir.file(f.unreadable).c_str());
    ASSERT_TRUE(linkToUnreadableFile(dir.file(f.unreadable)));
    ProgramRun run = runProgram({"t.lst"}, dir.path());
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.out.find(f.expectedOut), std::string::npos) << run.out;
    EXPECT_EQ(readFile(dir.file("t.xml")), "earlier tour");
    for (const char* name : {"t.tmp", "t.asc", "t.htm", "t.xml.part"}) {
      EXPECT_FALSE(fileExists(dir.file(name))) << name;
    }
  }
}

// A second run of a tour waits for the first, saying so once, and writes
// nothing meanwhile; the test holds the lock in the first run's place.
TEST(BadInputTest, TwoRunsOfOneTourTakeTurns) {
  TempDir dir;
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("t.lst"), kScene);
  FileLock first;
  ASSERT_EQ(tryLockTour(&first, dir.path().c_str(), dir.file("t.lst").c_str()), LockResult::kHeld);
  BackgroundRun second({"t.lst"}, dir.path());
  const std::string waiting = "Another run is converting " + nativePath("./t.lst") +
                              "; waiting for it to end.\n";
  for (int i = 0; i < 6000 && second.errSoFar().find(waiting) == std::string::npos; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"hall.xml", "t.lst"}));
  unlockFile(&first);
  ProgramRun run = second.wait();
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, waiting);
  EXPECT_TRUE(fileExists(dir.file("t.xml")));
  FileLock after;  // and the run let go of it
  EXPECT_EQ(tryLockTour(&after, dir.path().c_str(), dir.file("t.lst").c_str()), LockResult::kHeld);
  unlockFile(&after);
}

#ifndef _WIN32
// A pipe would be read by the encoding check and then waited on for ever.
TEST(BadInputTest, ScriptThatIsAPipeIsNotFound) {
  TempDir dir;
  ASSERT_EQ(mkfifo(dir.file("t.lst").c_str(), 0600), 0);
  ProgramRun run = runProgram({"t.lst"}, dir.path());
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.out.find("Lst File \"./t.lst\" Not Found!"), std::string::npos);
  EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"t.lst"});
}
#endif

TEST(BadInputTest, MissingOrReadOnlyOutputFolder) {
  TempDir dir;
  ProgramRun missing = runProgram({"no/such/folder/t.lst"}, dir.path());
  EXPECT_EQ(missing.status, 1);
  EXPECT_NE(missing.out.find("Lst File \"" + nativePath("no/such/folder/t.lst") + "\" Not Found!"),
            std::string::npos);

  if (!folderPermissionsBind()) GTEST_SKIP() << "folder permissions do not bind here";
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("t.lst"), kScene);
  setFolderWritable(dir.path(), false);
  ProgramRun readOnly = runProgram({"t.lst"}, dir.path());
  setFolderWritable(dir.path(), true);
  EXPECT_EQ(readOnly.status, 1);
  EXPECT_FALSE(fileExists(dir.file("t.xml")));
}

}  // namespace
}  // namespace tourwright
