// Test helpers of the script checks: a script run in a fresh folder, and the
// standard error expected of it.
#ifndef TOURWRIGHT_SCRIPT_DIAGNOSTICS_TEST_HELPERS_H_
#define TOURWRIGHT_SCRIPT_DIAGNOSTICS_TEST_HELPERS_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/files.h"
#include "test_support.h"

namespace tourwright {
namespace diagnostics_test {

using testing_support::ProgramRun;
using testing_support::readFile;
using testing_support::readStream;
using testing_support::runProgram;
using testing_support::scriptFindings;
using testing_support::sourceDir;
using testing_support::TempDir;
using testing_support::writeFile;

// The script path as the program names it when run as `tourwright t.lst`
// inside the script's folder.
inline const std::string kPath = std::string(".") + kPathSeparator + "t.lst";

inline std::string lines(const std::vector<std::string>& texts) {
  std::string joined;
  for (const std::string& text : texts) joined += text + "\n";
  return joined;
}

// The expected standard error: each finding as "<line>: warning: ..." (or
// ": warning: ..." for the whole script), then the count.
inline std::string warnings(const std::vector<std::string>& findings) {
  if (findings.empty()) return "";
  std::string text;
  for (const std::string& finding : findings) text += kPath + ":" + finding + "\n";
  size_t count = findings.size();
  return text + kPath + ": " + std::to_string(count) + (count == 1 ? " warning\n" : " warnings\n");
}

inline ProgramRun runScript(const std::string& bytes, const std::vector<std::string>& extraFiles = {}) {
  TempDir dir;
  writeFile(dir.file("t.lst"), bytes);
  for (const std::string& name : extraFiles) {
    writeFile(dir.file(name), readFile(sourceDir() + "/examples/palace/hall.xml"));
  }
  return runProgram({"t.lst"}, dir.path());
}

struct Case {
  const char* name;
  std::string script;
  std::vector<std::string> findings;
};

inline void expectFindings(const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    EXPECT_EQ(runScript(c.script).err, warnings(c.findings)) << c.name;
  }
}

inline const std::string kHall = "#SCENE\nhall 0 0 $Hall\n";  // lines 1 and 2

inline std::string repeated(const std::string& line, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += line + "\n";
  return text;
}

}  // namespace diagnostics_test
}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_DIAGNOSTICS_TEST_HELPERS_H_
