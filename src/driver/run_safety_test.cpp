// Whole runs held at a known point (TOURWRIGHT_TEST_PAUSE_AT, see
// system_files.h) while the test does what an editor, a second run, a
// signal or another user would do there. POSIX only: the hold is a FIFO.
#ifndef _WIN32

#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <thread>
#include <vector>

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::fileExists;
using testing_support::listFolder;
using testing_support::makeFolder;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

const char kTile[] = "<krpano>\n\t<image type=\"CUBE\">\n\t</image>\n</krpano>\n";
const char kScene[] = "#SCENE\nhall 0 0 $Hall\n";
const char kUtf8Scene[] = "\xEF\xBB\xBF#SCENE\nhall 0 0 $Hall\n";
constexpr uid_t kNobody = 65534;

// A run of the program in `dir`, paused at `point` (none when empty).
struct HeldRun {
  pid_t pid = -1;
  std::string out, err;  // files with its standard output and error
};

struct RunOptions {
  bool asNobody = false;
  int ignored = 0;  // a signal ignored when the run starts, as under nohup
  std::string program = TOURWRIGHT_EXE;
};

// The FIFO of the hold, beside the tour folder.
std::string pausePipe(const TempDir& dir) {
  return dir.path() + "/../" + dir.path().substr(dir.path().rfind('/') + 1) + ".pause";
}

HeldRun startRun(const TempDir& dir, const std::vector<std::string>& arguments,
                 const std::string& point, const RunOptions& options = RunOptions()) {
  HeldRun run;
  static int count = 0;
  std::string tag = std::to_string(++count);
  run.out = "/tmp/tw-held-" + std::to_string(getpid()) + "-" + tag + ".out";
  run.err = run.out.substr(0, run.out.size() - 4) + ".err";
  std::string pipe = pausePipe(dir);
  if (!point.empty() && mkfifo(pipe.c_str(), 0666) == 0) chmod(pipe.c_str(), 0666);
  run.pid = fork();
  if (run.pid == 0) {
    if (chdir(dir.path().c_str()) != 0) _exit(127);
    if (!point.empty()) {
      setenv("TOURWRIGHT_TEST_PAUSE_AT", point.c_str(), 1);
      setenv("TOURWRIGHT_TEST_PAUSE", pipe.c_str(), 1);
    }
    int out = open(run.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    int err = open(run.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    dup2(out, 1);
    dup2(err, 2);
    close(out);
    close(err);
    if (options.asNobody &&
        (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
      _exit(126);
    }
    if (options.ignored != 0) signal(options.ignored, SIG_IGN);
    std::vector<char*> argv{const_cast<char*>(options.program.c_str())};
    for (const std::string& argument : arguments) argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    execv(options.program.c_str(), argv.data());
    _exit(127);
  }
  return run;
}

// Waits (at most a minute) until the run stands at its point; the run goes
// on when the returned descriptor is closed. -1 when it never got there.
int waitUntilHeld(const TempDir& dir, const HeldRun& run) {
  for (int i = 0; i < 6000; ++i) {
    int fd = open(pausePipe(dir).c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd >= 0) return fd;
    siginfo_t ended{};
    waitid(P_PID, static_cast<id_t>(run.pid), &ended, WEXITED | WNOHANG | WNOWAIT);
    if (ended.si_pid == run.pid) return -1;  // it ended without getting there
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  return -1;
}

void release(const TempDir& dir, int held) {
  close(held);
  unlink(pausePipe(dir).c_str());
}

// The exit status, or 128 + the signal that ended the run, as a shell tells.
int finish(HeldRun* run, std::string* out = nullptr) {
  int status = 0;
  waitpid(run->pid, &status, 0);
  if (out != nullptr) *out = readFile(run->out) + readFile(run->err);
  unlink(run->out.c_str());
  unlink(run->err.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

TEST(RunSafetyTest, SignalsRemoveTheRunsScratchFilesAndKeepTheOutputs) {
  struct Case {
    int signal;
    const char* point;
    const char* script;
    const char* scratch;  // a scratch file that stands there
    bool ignored;         // ignored when the run began: the run goes on
  };
  const Case cases[] = {
      {SIGINT, "outputs", kScene, "t.tmp", false},
      {SIGTERM, "outputs", kScene, ".part", false},
      {SIGHUP, "parsed", kUtf8Scene, "t.asc", false},
      {SIGHUP, "outputs", kScene, "t.tmp", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.signal);
    TempDir dir;
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("t.lst"), c.script);
    writeFile(dir.file("t.xml"), "earlier tour");
    writeFile(dir.file("t.htm"), "earlier page");
    HeldRun run = startRun(dir, {"t.lst"}, c.point, RunOptions{false, c.ignored ? c.signal : 0});
    int held = waitUntilHeld(dir, run);
    ASSERT_GE(held, 0);
    std::string names;
    for (const std::string& name : listFolder(dir.path())) names += name + " ";
    EXPECT_NE(names.find(c.scratch), std::string::npos) << names;
    kill(run.pid, c.signal);
    release(dir, held);  // a signal that ends the run is taken before it goes on
    EXPECT_EQ(finish(&run), c.ignored ? 0 : 128 + c.signal);
    EXPECT_EQ(listFolder(dir.path()),
              (std::vector<std::string>{"hall.xml", "t.htm", "t.lst", "t.xml"}));
    EXPECT_EQ(readFile(dir.file("t.xml")) == "earlier tour", !c.ignored);
    EXPECT_EQ(readFile(dir.file("t.htm")) == "earlier page", !c.ignored);
  }
}

// An editor saves by writing a new script and renaming it over the old
// one while a run is about to put its outputs in place: a second run still
// waits for the first, which would fail if the lock went before the outputs.
TEST(RunSafetyTest, ASecondRunWaitsAcrossASaveByRename) {
  TempDir dir;
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("t.lst"), kScene);
  HeldRun first = startRun(dir, {"t.lst"}, "outputs");
  int held = waitUntilHeld(dir, first);
  ASSERT_GE(held, 0);
  writeFile(dir.file("saved.lst"), "#SCENE\nhall 0 0 $Saved\n");
  ASSERT_EQ(std::rename(dir.file("saved.lst").c_str(), dir.file("t.lst").c_str()), 0);
  HeldRun second = startRun(dir, {"t.lst"}, "");
  const std::string waiting = "Another run is converting ./t.lst; waiting for it to end.\n";
  for (int i = 0; i < 6000 && readFile(second.err) != waiting; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  EXPECT_EQ(readFile(second.err), waiting);
  EXPECT_FALSE(fileExists(dir.file("t.xml")));
  release(dir, held);
  EXPECT_EQ(finish(&first), 0);
  EXPECT_EQ(finish(&second), 0);
  EXPECT_NE(readFile(dir.file("t.xml")).find("title=\"Saved\""), std::string::npos);
}

// A script rewritten in place while it is read would give a tour of two
// versions mixed.
TEST(RunSafetyTest, AScriptRewrittenWhileReadFailsTheRun) {
  const std::string longLine = "#CROSSLINK\nhall 1 2 arrow $" + std::string(200000, 'c') + "\n";
  const std::string other = "#SCENE\nhall 0 0 $Other\n" + longLine;
  struct Case {
    const char* name;
    const char* point;
    std::string script;
    std::string rewritten;
  };
  const Case cases[] = {
      {"a long line read back", "read-back", kScene + longLine, other},
      {"short lines", "parsed", kScene, other},
      {"a UTF-8 script", "copied", kUtf8Scene, other},
      {"the same size", "parsed", kScene, "#SCENE\nhall 0 0 $Hbll\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("t.lst"), c.script);
    // An hour old: the rewrite has another write time however coarse the clock.
    const timespec anHourAgo[2] = {{time(nullptr) - 3600, 0}, {time(nullptr) - 3600, 0}};
    ASSERT_EQ(utimensat(AT_FDCWD, dir.file("t.lst").c_str(), anHourAgo, 0), 0);
    HeldRun run = startRun(dir, {"t.lst"}, c.point);
    int held = waitUntilHeld(dir, run);
    ASSERT_GE(held, 0);
    writeFile(dir.file("t.lst"), c.rewritten);  // in place
    release(dir, held);
    std::string out;
    EXPECT_EQ(finish(&run, &out), 1);
    EXPECT_NE(out.find("Lst File \"./t.lst\" Changed While It Was Read!\n"), std::string::npos)
        << out.substr(0, 2000);
    EXPECT_EQ(listFolder(dir.path()), (std::vector<std::string>{"hall.xml", "t.lst"}));
  }
}

// The page goes into place after the tour XML, so that a tour XML that
// cannot replace the earlier one leaves the earlier page too.
TEST(RunSafetyTest, APageStaysWhenItsTourXmlCannotGoInPlace) {
  TempDir dir;
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("t.lst"), kScene);
  writeFile(dir.file("t.htm"), "earlier page");
  HeldRun run = startRun(dir, {"t.lst"}, "outputs");
  int held = waitUntilHeld(dir, run);
  ASSERT_GE(held, 0);
  ASSERT_TRUE(makeFolder(dir.file("t.xml")));  // a folder with a file, which no rename replaces
  writeFile(dir.file("t.xml/x"), "x");
  release(dir, held);
  std::string out;
  EXPECT_EQ(finish(&run, &out), 1) << out;
  EXPECT_EQ(readFile(dir.file("t.htm")), "earlier page");
}

// A tour folder for a run as another user: as nobody when the test runs as
// the superuser (who may write anything), else as the test's user. Nobody
// may be unable to enter the work tree or TMPDIR (a clone in a private
// `mktemp -d` folder, say), so the folder and a copy of the program go
// under /tmp, open to all. `whyNot` says what stops such a run, if anything.
struct OthersRun {
  TempDir programFolder{"/tmp"};
  TempDir dir{"/tmp"};
  RunOptions options;
  std::string whyNot;

  explicit OthersRun(mode_t folderMode) {
    if (dir.path().empty() || programFolder.path().empty()) {
      whyNot = "no folder can be made in /tmp";
      return;
    }
    chmod(dir.path().c_str(), folderMode);
    if (geteuid() != 0) return;
    options.asNobody = true;
    options.program = programFolder.file("tourwright");
    writeFile(options.program, readFile(TOURWRIGHT_EXE));
    chmod(options.program.c_str(), 0755);
    chmod(programFolder.path().c_str(), 0755);
    pid_t child = fork();
    if (child == 0) {
      bool reaches = setgroups(0, nullptr) == 0 && setgid(kNobody) == 0 && setuid(kNobody) == 0 &&
                     access(options.program.c_str(), X_OK) == 0 &&
                     access(dir.path().c_str(), W_OK | X_OK) == 0;
      _exit(reaches ? 0 : 1);
    }
    int status = 1;
    waitpid(child, &status, 0);
    if (status != 0) whyNot = "nobody cannot reach " + dir.path() + " or run a program there";
  }
};

// What another user could plant at the scratch names is neither followed
// nor reused, and the scratch files are the run's user's alone.
TEST(RunSafetyTest, PlantedScratchNamesAreNeitherFollowedNorReused) {
  OthersRun other(0777);
  if (!other.whyNot.empty()) GTEST_SKIP() << other.whyNot;
  const TempDir& dir = other.dir;
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("t.lst"), kUtf8Scene);
  writeFile(dir.file("victim"), "victim");
  chmod(dir.file("victim").c_str(), 0666);  // writable by the run, were it followed
  ASSERT_EQ(link(dir.file("victim").c_str(), dir.file("t.asc").c_str()), 0);
  ASSERT_EQ(symlink("victim", dir.file("t.tmp").c_str()), 0);
  struct stat victim;
  ASSERT_EQ(stat(dir.file("victim").c_str(), &victim), 0);

  HeldRun run = startRun(dir, {"t.lst"}, "outputs", other.options);
  int held = waitUntilHeld(dir, run);
  ASSERT_GE(held, 0) << "the run did not reach its outputs";
  struct stat scratch;
  ASSERT_EQ(lstat(dir.file("t.tmp").c_str(), &scratch), 0);
  EXPECT_TRUE(S_ISREG(scratch.st_mode));
  EXPECT_EQ(scratch.st_mode & 0777, 0600u);
  EXPECT_NE(scratch.st_ino, victim.st_ino);
  release(dir, held);
  std::string out;
  EXPECT_EQ(finish(&run, &out), 0) << out;
  EXPECT_EQ(readFile(dir.file("victim")), "victim");
  EXPECT_FALSE(fileExists(dir.file("t.asc")));
  EXPECT_FALSE(fileExists(dir.file("t.tmp")));
}

// In a folder where all may write but each removes only their own (as
// /tmp), another user's file at a scratch name can be neither removed nor
// replaced: the run says so, and the file stays as it was.
TEST(RunSafetyTest, AnotherUsersFileAtAScratchNameStaysAsItWas) {
  if (geteuid() != 0) GTEST_SKIP() << "only the superuser can plant another user's file";
  OthersRun other(01777);
  if (!other.whyNot.empty()) GTEST_SKIP() << other.whyNot;
  const TempDir& dir = other.dir;
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("t.lst"), kScene);
  writeFile(dir.file("t.tmp"), "planted");
  chmod(dir.file("t.tmp").c_str(), 0666);
  HeldRun run = startRun(dir, {"t.lst"}, "", other.options);
  std::string out;
  EXPECT_EQ(finish(&run, &out), 1) << out;
  EXPECT_NE(out.find("Tmp File ./t.tmp Creation Error!\n"), std::string::npos) << out;
  EXPECT_EQ(readFile(dir.file("t.tmp")), "planted");
  EXPECT_FALSE(fileExists(dir.file("t.xml")));
}

// From the tour XML's move into place on, a signal no longer ends the run:
// it puts the page in place too and ends as it would have. Before it, the
// outputs stay as they were.
TEST(RunSafetyTest, ASignalOnceTheTourXmlIsInPlaceLetsTheRunFinish) {
  const struct {
    const char* point;
    int signal;
    int status;
    bool replaced;
  } cases[] = {
      {"outputs", SIGINT, 128 + SIGINT, false},
      {"placed", SIGINT, 0, true},
      {"placed", SIGTERM, 0, true},
      {"placed", SIGHUP, 0, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.point) + " " + std::to_string(c.signal));
    TempDir dir;
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("t.lst"), kScene);
    writeFile(dir.file("t.xml"), "earlier tour");
    writeFile(dir.file("t.htm"), "earlier page");
    HeldRun run = startRun(dir, {"t.lst"}, c.point);
    int held = waitUntilHeld(dir, run);
    ASSERT_GE(held, 0);
    kill(run.pid, c.signal);
    release(dir, held);
    std::string out;
    EXPECT_EQ(finish(&run, &out), c.status) << out;
    EXPECT_EQ(listFolder(dir.path()),
              (std::vector<std::string>{"hall.xml", "t.htm", "t.lst", "t.xml"}));
    EXPECT_EQ(readFile(dir.file("t.xml")) != "earlier tour", c.replaced);
    EXPECT_EQ(readFile(dir.file("t.htm")) != "earlier page", c.replaced);
    EXPECT_EQ(out.find("./t.xml has been Created.\n") != std::string::npos, c.replaced);
  }
}

// The scratch file of an output that a run killed outright left behind is
// removed by the next run of a tour in that folder, which names it; one
// that a live run holds stays.
TEST(RunSafetyTest, ARunRemovesTheScratchFilesThatKilledRunsLeft) {
  TempDir dir;
  writeFile(dir.file("hall.xml"), kTile);
  writeFile(dir.file("t.lst"), kScene);
  writeFile(dir.file("u.lst"), kScene);
  HeldRun killed = startRun(dir, {"t.lst"}, "outputs");
  int held = waitUntilHeld(dir, killed);
  ASSERT_GE(held, 0);
  std::vector<std::string> left;
  for (const std::string& name : listFolder(dir.path())) {
    if (name.size() == 15 && name.compare(name.size() - 5, 5, ".part") == 0) left.push_back(name);
  }
  ASSERT_EQ(left.size(), 2u);
  kill(killed.pid, SIGKILL);
  EXPECT_EQ(finish(&killed), 128 + SIGKILL);
  release(dir, held);
  writeFile(dir.file("twlivelive.part"), "a live run's");  // another folder's run, through a link
  int live = open(dir.file("twlivelive.part").c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(flock(live, LOCK_EX), 0);
  std::this_thread::sleep_for(std::chrono::milliseconds(20));  // older than the next run

  HeldRun next = startRun(dir, {"u.lst"}, "");
  std::string out;
  EXPECT_EQ(finish(&next, &out), 0) << out;
  EXPECT_NE(out.find("Removed the scratch files of an ended run: ./" + left[0] + ", ./" + left[1] +
                     "\n"),
            std::string::npos)
      << out;
  EXPECT_EQ(listFolder(dir.path()),
            (std::vector<std::string>{"hall.xml", "t.lst", "t.tmp", "twlivelive.part", "u.htm",
                                      "u.lst", "u.xml"}));
  close(live);
}

// --check copies a UTF-8 script into a temporary file that has a name for
// a moment; a signal then removes it too.
TEST(RunSafetyTest, ASignalEndingACheckLeavesNoTemporaryFile) {
  for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    TempDir dir;
    TempDir temporary;
    writeFile(dir.file("hall.xml"), kTile);
    writeFile(dir.file("t.lst"), kUtf8Scene);
    setenv("TMPDIR", temporary.path().c_str(), 1);
    HeldRun run = startRun(dir, {"--check", "t.lst"}, "temporary");
    unsetenv("TMPDIR");
    int held = waitUntilHeld(dir, run);
    ASSERT_GE(held, 0);
    EXPECT_EQ(listFolder(temporary.path()).size(), 1u);
    kill(run.pid, signal);
    EXPECT_EQ(finish(&run), 128 + signal);
    release(dir, held);
    EXPECT_EQ(listFolder(temporary.path()), std::vector<std::string>{});
  }
}

}  // namespace
}  // namespace tourwright

#endif  // _WIN32
