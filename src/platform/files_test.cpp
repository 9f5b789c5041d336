#include "platform/files.h"

#include "platform/file_identity.h"
#include "platform/file_lock.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <unistd.h>
#endif

#include <string>

#include "test_support.h"

namespace tourwright {
namespace {

using testing_support::listFolder;
using testing_support::makeFolder;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

// The scratch name is short: a base name of up to 251 bytes still makes a
// tour XML whose name fits in the 255 bytes a file system allows (Windows
// keeps whole paths under 260 bytes).
#ifdef _WIN32
const size_t kLongestBaseName = 100;
#else
const size_t kLongestBaseName = 251;
#endif

TEST(OutputFileTest, ReplacesTheLongestNameWholeKeepingItsPermissions) {
  TempDir dir;
  const std::string target = dir.file(std::string(kLongestBaseName, 'n') + ".xml");
  writeFile(target, "earlier");
#ifndef _WIN32
  chmod(target.c_str(), 0640);
#endif
  OutputFile output;
  ASSERT_TRUE(beginOutput(&output, target.c_str(), FileMode::kBinary));
  EXPECT_EQ(readFile(target), "earlier");  // untouched until complete
  std::fputs("new", output.stream);
  EXPECT_TRUE(finishOutput(&output));
  EXPECT_EQ(readFile(target), "new");
  EXPECT_EQ(listFolder(dir.path()).size(), 1u);
#ifndef _WIN32
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_mode & 0777, 0640u);
#endif
}

TEST(OutputFileTest, AbandonedOutputLeavesTheTargetAsItWas) {
  TempDir dir;
  writeFile(dir.file("t.htm"), "earlier");
  OutputFile output;
  ASSERT_TRUE(beginOutput(&output, dir.file("t.htm").c_str(), FileMode::kText));
  std::fputs("half", output.stream);
  abandonOutput(&output);
  EXPECT_EQ(readFile(dir.file("t.htm")), "earlier");
  EXPECT_EQ(listFolder(dir.path()), std::vector<std::string>{"t.htm"});
}

TEST(FileLockTest, OneHolderAtATime) {
  TempDir dir;
  writeFile(dir.file("t.lst"), "");
  FileLock first, second, missing;
  ASSERT_EQ(tryLockFile(&first, dir.file("t.lst").c_str()), LockResult::kHeld);
  EXPECT_EQ(tryLockFile(&second, dir.file("t.lst").c_str()), LockResult::kBusy);
  EXPECT_EQ(readFile(dir.file("t.lst")), "");  // reading stays free
  unlockFile(&first);
  waitForLock(&second);
  unlockFile(&second);
  EXPECT_EQ(tryLockFile(&missing, dir.file("none.lst").c_str()), LockResult::kNone);
  EXPECT_EQ(tryLockFile(&missing, dir.path().c_str()), LockResult::kNone);
}

#ifndef _WIN32
TEST(SameFileTest, OneFileThroughLinksDotsAndHardLinks) {
  TempDir dir;
  writeFile(dir.file("t.lst"), "script");
  writeFile(dir.file("other"), "script");
  ASSERT_EQ(symlink("t.lst", dir.file("soft").c_str()), 0);
  ASSERT_EQ(link(dir.file("t.lst").c_str(), dir.file("hard").c_str()), 0);
  makeFolder(dir.file("sub"));
  const struct {
    std::string path;
    bool same;
  } cases[] = {
      {dir.file("t.lst"), true},  {dir.file("soft"), true},  {dir.file("hard"), true},
      {dir.file("sub/../t.lst"), true}, {dir.file("other"), false}, {dir.file("missing"), false},
  };
  for (const auto& c : cases) EXPECT_EQ(sameFile(c.path.c_str(), dir.file("t.lst").c_str()), c.same) << c.path;
}

// A replaced output keeps the group of the file it replaces where the
// user may give that group.
TEST(OutputFileTest, KeepsTheGroupOfTheFileItReplaces) {
  TempDir dir;
  const std::string target = dir.file("t.xml");
  writeFile(target, "earlier");
  gid_t group = 65534;
  if (chown(target.c_str(), static_cast<uid_t>(-1), group) != 0) GTEST_SKIP() << "no other group to give";
  OutputFile output;
  ASSERT_TRUE(beginOutput(&output, target.c_str(), FileMode::kBinary));
  EXPECT_TRUE(finishOutput(&output));
  struct stat info;
  ASSERT_EQ(stat(target.c_str(), &info), 0);
  EXPECT_EQ(info.st_gid, group);
}
#endif

}  // namespace
}  // namespace tourwright
