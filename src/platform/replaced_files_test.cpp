#include "platform/replaced_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/file_identity.h"
#include "platform/files.h"
#include "test_support.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>
#endif

namespace tourwright {
namespace {

using testing_support::fileExists;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(ReplacedFilesTest, TellsOutputScratchNamesFromOthers) {
  for (unsigned attempt = 0; attempt < 3; ++attempt) {
    EXPECT_TRUE(isOutputScratchName(outputScratchName(attempt).c_str()));
  }
  const struct {
    const char* name;
    bool scratch;
  } cases[] = {
      {"tw0123abcz.part", true},   {"tw0123abc.part", false},   {"tw0123abcde.part", false},
      {"tw0123ABCD.part", false},  {"tw0123abcd.parts", false}, {"xw0123abcd.part", false},
      {"tw0123-bcd.part", false},  {"palace.part", false},      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(isOutputScratchName(c.name), c.scratch) << c.name;
}

#ifndef _WIN32

// A file's mtime set `seconds` before now.
void age(const std::string& path, int seconds) {
  struct timespec times[2];
  clock_gettime(CLOCK_REALTIME, &times[0]);
  times[0].tv_sec -= seconds;
  times[1] = times[0];
  utimensat(AT_FDCWD, path.c_str(), times, 0);
}

// Only what an ended run left goes: a scratch file written before the run,
// that no one holds, under the outputs' scratch names.
TEST(ReplacedFilesTest, RemovesOnlyTheScratchFilesThatEndedRunsLeft) {
  TempDir dir;
  const struct {
    const char* name;
    int ageSeconds;  // -1: written after the run began
    bool held;       // a live run's
    bool removed;
  } cases[] = {
      {"tw00000001.part", 60, false, true},  {"tw00000002.part", 1, false, true},
      {"tw00000003.part", -1, false, false}, {"tw00000004.part", 60, true, false},
      {"tw0000005.part", 60, false, false},  {"palace.part", 60, false, false},
      {"t.xml", 60, false, false},
  };
  std::vector<int> held;
  for (const auto& c : cases) {
    writeFile(dir.file(c.name), "left");
    if (c.ageSeconds >= 0) age(dir.file(c.name), c.ageSeconds);
  }
  long long runStart = fileClockNow();
  for (const auto& c : cases) {
    if (c.ageSeconds < 0) age(dir.file(c.name), -5);  // ahead of the run's start
    if (!c.held) continue;
    held.push_back(open(dir.file(c.name).c_str(), O_RDONLY | O_CLOEXEC));
    ASSERT_EQ(flock(held.back(), LOCK_EX), 0);
  }
  ASSERT_EQ(mkdir(dir.file("tw00000009.part").c_str(), 0700), 0);  // a folder stays

  std::vector<std::string> removed = removeLeftOutputScratch(dir.path(), runStart);
  std::vector<std::string> expected;
  for (const auto& c : cases) {
    EXPECT_EQ(fileExists(dir.file(c.name)), !c.removed) << c.name;
    if (c.removed) expected.push_back(dir.file(c.name));
  }
  std::sort(removed.begin(), removed.end());
  EXPECT_EQ(removed, expected);
  EXPECT_TRUE(fileExists(dir.file("tw00000009.part")));
  for (int fd : held) close(fd);
}

// The POSIX ACL of a replaced output (what setfacl -m u:1234:rw gives) is
// the new file's too; a file system without ACLs skips the test.
TEST(ReplacedFilesTest, AReplacedOutputKeepsItsAcl) {
  TempDir dir;
  const std::string target = dir.file("t.xml");
  writeFile(target, "earlier");
  chmod(target.c_str(), 0640);
  // The kernel's form: version 2, then (tag, permissions, id) entries in
  // order: the owner rw, user 1234 rw, the group r, the mask rw, others none.
  const unsigned char acl[] = {
      2, 0, 0, 0,                                  //
      0x01, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF,       // ACL_USER_OBJ
      0x02, 0, 6, 0, 0xD2, 0x04, 0, 0,             // ACL_USER 1234
      0x04, 0, 4, 0, 0xFF, 0xFF, 0xFF, 0xFF,       // ACL_GROUP_OBJ
      0x10, 0, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF,       // ACL_MASK
      0x20, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,       // ACL_OTHER
  };
  if (setxattr(target.c_str(), "system.posix_acl_access", acl, sizeof acl, 0) != 0) {
    GTEST_SKIP() << "no POSIX ACLs on " << dir.path();
  }
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  const mode_t mode = info.st_mode & 07777;
  char before[256];
  ssize_t beforeSize = getxattr(target.c_str(), "system.posix_acl_access", before, sizeof before);
  ASSERT_GT(beforeSize, 0);

  OutputFile output;
  ASSERT_TRUE(beginOutput(&output, target.c_str(), FileMode::kBinary));
  std::fputs("new", output.stream);
  ASSERT_TRUE(finishOutput(&output));
  EXPECT_EQ(readFile(target), "new");
  char after[256];
  ssize_t afterSize = getxattr(target.c_str(), "system.posix_acl_access", after, sizeof after);
  ASSERT_EQ(afterSize, beforeSize);
  EXPECT_EQ(std::string(after, static_cast<size_t>(afterSize)),
            std::string(before, static_cast<size_t>(beforeSize)));
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 07777, mode);
}

#endif  // !_WIN32

}  // namespace
}  // namespace tourwright
