// The author's tools end to end: the help, the version and a misused
// command line; --check and --graph on clean and faulty tours, with the
// tour folder compared before and after.
#include "driver/author_tools.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

#include "platform/files.h"
#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::canLinkToUnreadableFile;
using testing_support::linkToUnreadableFile;
using testing_support::makeFolder;
using testing_support::nativePath;
using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::runProgram;
using testing_support::scriptFindings;
using testing_support::sourceDir;
using testing_support::TempDir;
using testing_support::writeFile;
using testing_support::writeSiteFiles;

// Every name in the folder with its bytes ("<folder>" for a folder).
std::map<std::string, std::string> snapshot(const std::string& folder) {
  std::map<std::string, std::string> files;
  for (const std::string& name : testing_support::listFolder(folder)) {
    std::string path = folder + "/" + name;
    files[name] = isDirectory(path.c_str()) ? "<folder>" : readFile(path);
  }
  return files;
}

const char kTile[] = "<krpano>\n\t<image type=\"CUBE\">\n\t</image>\n</krpano>\n";

TEST(AuthorToolsTest, HelpVersionAndMisusedCommandLines) {
  ProgramRun help = runProgram({"--help"});
  EXPECT_EQ(help.status, 0);
  EXPECT_EQ(help.err, "");
  for (const char* form : {"tourwright SCRIPT\n", "tourwright --check [--site DIR] SCRIPT\n",
                           "tourwright --graph SCRIPT\n", "tourwright --version\n", "-h, --help",
                           "Exit status: 0"}) {
    EXPECT_NE(help.out.find(form), std::string::npos) << form;
  }
  EXPECT_EQ(runProgram({"-h"}).out, help.out);

  ProgramRun version = runProgram({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.substr(0, 26), "tourwright 3.2\nbuilt with ");
  EXPECT_EQ(version.out.find('\n'), 14u);

  ProgramRun unknown = runProgram({"--bogus", "x.lst"});
  EXPECT_EQ(unknown.status, 2);
  EXPECT_EQ(unknown.out, "");
  EXPECT_EQ(unknown.err.substr(0, unknown.err.find('\n') + 1),
            "tourwright: unknown option \"--bogus\"\n");
  EXPECT_NE(unknown.err.find("Usage: tourwright SCRIPT\n"), std::string::npos);

  TempDir dir;
  ProgramRun odd = runProgram({"--", "--odd.lst"}, dir.path());
  EXPECT_NE(odd.out.find("Lst File \"" + nativePath("./--odd.lst") + "\" Not Found!"),
            std::string::npos);
}

// A copy of the folder `from` (its files and folders, all the way down).
void copyFolder(const std::string& from, const std::string& to) {
  makeFolder(to);
  for (const std::string& name : testing_support::listFolder(from)) {
    std::string path = from + "/" + name;
    if (isDirectory(path.c_str())) {
      copyFolder(path, to + "/" + name);
    } else {
      writeFile(to + "/" + name, readFile(path));
    }
  }
}

// A web site with the example tour and every file it needs: the site's
// own under VR/, the tour in tours/palace, the tour its out link opens in
// tours/west.
struct ExampleSite {
  TempDir root;
  std::string tour = root.file("tours") + "/palace";
  ExampleSite() {
    writeSiteFiles(root.path());
    makeFolder(root.file("tours"));
    copyFolder(sourceDir() + "/examples/palace", tour);
    makeFolder(root.file("tours") + "/west");
    writeFile(root.file("tours") + "/west/west.xml", "<krpano/>\n");
  }
};

TEST(AuthorToolsTest, CheckOfCleanToursFindsNothingAndWritesNothing) {
  ExampleSite site;
  TempDir utf8;
  writeFile(utf8.file("t.lst"), "\xEF\xBB\xBF#SCENE\r\nhall 0 0 $\xED\x99\x80\r\n#CROSSLINK\r\n"
                                "HALL 1 2 arrow $\xF0\x9F\x98\x80 back\r\n");
  writeFile(utf8.file("hall.xml"), kTile);
  makeFolder(utf8.file("hall.tiles"));
  writeFile(utf8.file("hall.tiles/preview.jpg"), "");
  writeFile(utf8.file("hall.tiles/mobile_f.jpg"), "");
  // Files named like a run's scratch files stay as they are.
  writeFile(utf8.file("t.asc"), "planted");
  writeFile(utf8.file("t.tmp"), "planted");
  for (const std::string& folder : {site.tour, utf8.path()}) {
    auto before = snapshot(folder);
    bool example = folder == site.tour;
    std::string script = example ? "palace.lst" : "t.lst";
    // The example finds its site root by itself; the other is told.
    std::vector<std::string> arguments = {"--check", script};
    if (!example) arguments.insert(arguments.begin() + 1, {"--site", site.root.path()});
    ProgramRun check = runProgram(arguments, folder);
    EXPECT_EQ(check.status, 0) << check.err;
    EXPECT_EQ(check.out, "");
    EXPECT_EQ(check.err, "");
    ProgramRun graph = runProgram({"--graph", script}, folder);
    EXPECT_EQ(graph.status, 0);
    EXPECT_EQ(graph.out.substr(0, 16), "digraph tour {\n\t");
    EXPECT_EQ(graph.err, "");
    EXPECT_EQ(snapshot(folder), before);
  }
}

// A partial upload: a tile of a level, a photo and an include gone. The
// check names each, per scene and kind, and says when it has no site.
TEST(AuthorToolsTest, CheckNamesEveryMissingFile) {
  ExampleSite site;
  removeFile((site.tour + "/hall.tiles/u/l1/2/l1_u_2_1.jpg").c_str());
  removeFile((site.tour + "/photo/lamp01.jpg").c_str());
  removeFile(site.root.file("VR/xsl3v/include/vr.xml").c_str());
  ProgramRun check = runProgram({"--check", "palace.lst"}, site.tour);
  std::string script = nativePath("./palace.lst");
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.err,
            nativePath("./hall.xml") + ": warning: 1 of 24 tiles missing in hall.tiles "
            "(u/l1/2/l1_u_2_1.jpg)\n" +
            script + ":27: warning: photo \"photo/lamp01.jpg\" is missing\n" +
            script + ": warning: site file \"/VR/xsl3v/include/vr.xml\" is missing under the "
            "site root " + site.root.path() + "\n" +
            script + ": 3 warnings\n");

  removeFile((site.root.file("tours") + "/west/west.xml").c_str());
  writeFile(site.root.file("tours") + "/west/west.lst", "");
  ProgramRun elsewhere = runProgram({"--check", "--site", site.tour, "palace.lst"}, site.tour);
  EXPECT_NE(elsewhere.err.find(script + ":8: warning: out link tour \"../west/west.xml\" is "
                               "missing: not converted yet (../west/west.lst is there)\n"),
            std::string::npos)
      << elsewhere.err;
  EXPECT_NE(elsewhere.err.find("site file \"/VR/xsl3v/krpano.js\" is missing"), std::string::npos);

  TempDir alone;  // no folder above it holds the viewer, and no west tour beside it
  copyFolder(site.tour, alone.file("palace"));
  ProgramRun note = runProgram({"--check", "palace.lst"}, alone.file("palace"));
  EXPECT_EQ(note.err.substr(note.err.find(script + ": note: ")),
            script + ": note: the site's files (the viewer script, its include files, the style "
            "images and the video plugin) were not looked for: no folder above the tour holds "
            "VR/xsl3v/; name the site's root folder with --site DIR\n" +
            script + ": 3 warnings\n");
}

TEST(AuthorToolsTest, CheckReportsEveryFindingAndEveryUnusableTileXml) {
  TempDir dir;
  writeFile(dir.file("t.lst"),
            "#SCENE\nhall 0 0 $Hall\n#CROSSLINK\ngarden 1 2 arrow $to the garden\n"
            "#SCENE\ncourt 0 0 $Court\n#SCENE\nyard 0 0 $Yard\n#SCENE\nlost 0 0 $Lost\n"
            "#CROSSLINK\nhall 1 2 arrow\n");
  writeFile(dir.file("hall.xml"), kTile);
  makeFolder(dir.file("court.xml"));
  writeFile(dir.file("yard.xml"), "<krpano>\n</krpano>\n");
  auto before = snapshot(dir.path());
  ProgramRun check = runProgram({"--check", "t.lst"}, dir.path());
  std::string script = nativePath("./t.lst");
  std::string tile = nativePath("./");
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(check.out, "");
  EXPECT_EQ(scriptFindings(check.err),
            script + ":12: warning: cross link line has no \"$\" caption: skipped\n" +
            script + ":4: warning: cross link target \"garden\" names no scene of the tour\n" +
            script + ":6: warning: tile XML \"" + tile + "court.xml\" of scene \"court\" is a "
            "folder: a run stops there\n" +
            script + ":8: warning: tile XML \"" + tile + "yard.xml\" of scene \"yard\" holds no "
            "<image line: the scene's image element is missing, so the tour XML will not load\n" +
            script + ":10: warning: tile XML \"" + tile + "lost.xml\" of scene \"lost\" is "
            "missing: a run stops there\n" +
            script + ": 5 warnings\n");
  EXPECT_EQ(snapshot(dir.path()), before);

  ProgramRun missing = runProgram({"--check", "none.lst"}, dir.path());
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "Lst File \"" + nativePath("./none.lst") + "\" Not Found!\n");
  EXPECT_EQ(runProgram({"--graph", "none.lst"}, dir.path()).status, 1);
  EXPECT_EQ(snapshot(dir.path()), before);

  // A script that fails to read part way is no shorter script.
  if (canLinkToUnreadableFile() && linkToUnreadableFile(dir.file("bad.lst"))) {
    for (const char* mode : {"--check", "--graph"}) {
      ProgramRun unreadable = runProgram({mode, "bad.lst"}, dir.path());
      EXPECT_EQ(unreadable.status, 1) << mode;
      EXPECT_EQ(unreadable.out, "") << mode;
      EXPECT_EQ(unreadable.err, "Lst File \"" + nativePath("./bad.lst") + "\" Read Error!\n")
          << mode;
    }
  }
}

// Outputs that would replace an input are a run's finding, so the check's.
TEST(AuthorToolsTest, CheckFindsOutputsThatWouldReplaceInputs) {
  TempDir dir;
  writeFile(dir.file("t.lst"), "#SCENE\nt 0 0 $T\n");
  writeFile(dir.file("t.xml"), kTile);  // the tour is named like its scene
  ProgramRun check = runProgram({"--check", "t.lst"}, dir.path());
  EXPECT_EQ(check.status, 1);
  EXPECT_NE(check.err.find(":2: warning: tile XML \"" + nativePath("./t.xml") + "\" of scene \"t\" "
                           "is the output \"" + nativePath("./t.xml") + "\": a run stops there\n"),
            std::string::npos)
      << check.err;
#ifndef _WIN32
  TempDir linked;
  writeFile(linked.file("t.lst"), "#SCENE\nhall 0 0 $H\n");
  writeFile(linked.file("hall.xml"), kTile);
  ASSERT_EQ(symlink("t.lst", linked.file("t.htm").c_str()), 0);
  check = runProgram({"--check", "t.lst"}, linked.path());
  EXPECT_EQ(check.status, 1);
  EXPECT_EQ(scriptFindings(check.err), "Output File ./t.htm Would Overwrite ./t.lst!\n");
#endif
}

#ifndef _WIN32
// The tools make a scratch file only for a script with a byte-order mark;
// when they cannot, the second line names the path and the reason.
TEST(AuthorToolsTest, ScratchOnlyWhenNeededAndFailuresSayWhy) {
  TempDir dir;
  writeFile(dir.file("a.lst"), "#SCENE\nhall 0 0 $H\n");
  writeFile(dir.file("u.lst"), "\xEF\xBB\xBF#SCENE\nhall 0 0 $H\n");
  writeFile(dir.file("hall.xml"), kTile);
  makeFolder(dir.file("hall.tiles"));
  writeFile(dir.file("hall.tiles/preview.jpg"), "");
  writeFile(dir.file("hall.tiles/mobile_f.jpg"), "");
  TempDir site;
  writeSiteFiles(site.path());
  const char* previous = std::getenv("TMPDIR");
  std::string kept = previous != nullptr ? previous : "";
  TempDir scratch;
  struct Case {
    std::string tmpdir;
    const char* script;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {"/no/such/dir", "a.lst", 0, ""},
      {"/no/such/dir", "u.lst", 1,
       "Scratch File Creation Error: -2\n"
       "tourwright: /no/such/dir/twXXXXXX: No such file or directory\n"},
      {scratch.path(), "u.lst", 0, ""},
  };
  for (const Case& c : cases) {
    for (const char* mode : {"--check", "--graph"}) {
      SCOPED_TRACE(std::string(mode) + " " + c.script + " " + c.tmpdir);
      setenv("TMPDIR", c.tmpdir.c_str(), 1);
      std::vector<std::string> arguments = {mode, c.script};
      if (mode[2] == 'c') arguments = {mode, "--site", site.path(), c.script};
      ProgramRun run = runProgram(arguments, dir.path());
      if (previous != nullptr) setenv("TMPDIR", kept.c_str(), 1); else unsetenv("TMPDIR");
      EXPECT_EQ(run.status, c.status);
      EXPECT_EQ(run.err, c.err);
    }
  }
  EXPECT_EQ(testing_support::listFolder(scratch.path()), std::vector<std::string>{});
}
#endif

}  // namespace
}  // namespace tourwright
