// Helpers shared by the tests: scratch folders, whole-file reads and writes,
// and runs of the built executable with its output captured.
#ifndef TOURWRIGHT_TEST_SUPPORT_H_
#define TOURWRIGHT_TEST_SUPPORT_H_

#include <cstdio>
#include <string>
#include <vector>

namespace tourwright {
namespace testing_support {

// A fresh folder under the system's temporary directory, removed with its
// contents when the object goes.
class TempDir {
 public:
  TempDir();
  explicit TempDir(const std::string& base);  // the same under `base`
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  // `name` inside the folder, joined with the platform's separator.
  std::string file(const std::string& name) const;

 private:
  std::string path_;
};

void writeFile(const std::string& path, const std::string& bytes);
std::string readFile(const std::string& path);
// A text file that the program wrote, read as text the platform's way: on
// Windows each CR LF comes back as LF; elsewhere the bytes as they are.
std::string readTextFile(const std::string& path);
// A path written with '/' as the program forms it: with the platform's
// separator ('\' on Windows).
std::string nativePath(std::string path);
bool fileExists(const std::string& path);
// The names in a folder, sorted.
std::vector<std::string> listFolder(const std::string& path);
// Creates a folder (private to the user on POSIX); false when it fails.
bool makeFolder(const std::string& path);

// Whether a folder's permissions can stop its owner from writing in it:
// not for the superuser, and not on Windows, where a folder's read-only
// attribute does not stop files from being created in it.
bool folderPermissionsBind();
void setFolderWritable(const std::string& path, bool writable);

// A link at `path` to a device on which every write fails for lack of
// space (/dev/full), for the write-error paths; canLinkToFullDevice() is
// false where there is no such device (Windows).
bool canLinkToFullDevice();
bool linkToFullDevice(const std::string& path);
// Lets the files this process writes grow to `bytes` at most, so that a
// write past it fails as on a full disk; a negative value lifts the limit.
// False where there is no such limit (Windows).
bool limitFileSize(long long bytes);

// A link at `path` to a regular file that opens but fails every read
// (/proc/self/mem, unmapped at its start), for the read-error paths;
// canLinkToUnreadableFile() is false where there is no such file.
bool canLinkToUnreadableFile();
bool linkToUnreadableFile(const std::string& path);

// Standard error of --check without what it says of the files the tour
// needs (tested on their own): the script's findings and their count, as
// a run prints them.
std::string scriptFindings(const std::string& err);

// Every file of the site the viewer page and the tour XML name, empty,
// under `root` (the viewer script, the include files, the style images and
// the video plugin).
void writeSiteFiles(const std::string& root);

struct ProgramRun {
  int status = -1;
  std::string out;  // standard output
  std::string err;  // standard error
};

// Runs the built tourwright executable with `arguments` (each passed as one
// argument) in the working folder `cwd`. The output is read as text, the
// platform's way: on Windows each CR LF of the console comes back as LF.
ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& cwd = ".");

// The same run started in the background: the test goes on while it runs.
class BackgroundRun {
 public:
  BackgroundRun(const std::vector<std::string>& arguments, const std::string& cwd);
  ~BackgroundRun();  // waits for the end
  BackgroundRun(const BackgroundRun&) = delete;
  BackgroundRun& operator=(const BackgroundRun&) = delete;
  // What the program has written to standard error so far.
  std::string errSoFar() const;
  ProgramRun wait();

 private:
  TempDir capture_;
  void* running_ = nullptr;  // the pipe (POSIX) or process (Windows)
  ProgramRun result_;
};

// Everything `fn` writes to consoleOut() (a temporary file stands in).
template <typename Fn>
std::string captureConsole(Fn fn);

std::string readStream(FILE* stream);
FILE* beginConsoleCapture();
std::string endConsoleCapture(FILE* stream);

template <typename Fn>
std::string captureConsole(Fn fn) {
  FILE* stream = beginConsoleCapture();
  fn();
  return endConsoleCapture(stream);
}

// The source tree, for the example tour and test data.
std::string sourceDir();

}  // namespace testing_support
}  // namespace tourwright

#endif  // TOURWRIGHT_TEST_SUPPORT_H_
