#include "test_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "driver/platform.h"

namespace tourwright {
namespace testing_support {

namespace {

void removeTree(const std::string& path) {
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string child = path + "/" + name;
      struct stat info;
      if (lstat(child.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        chmod(child.c_str(), 0700);
        removeTree(child);
      } else {
        unlink(child.c_str());
      }
    }
    closedir(dir);
  }
  rmdir(path.c_str());
}

std::string shellQuote(const std::string& text) {
  std::string quoted = "'";
  for (char c : text) {
    if (c == '\'') quoted += "'\\''";
    else quoted += c;
  }
  return quoted + "'";
}

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base && *base ? base : "/tmp") + "/tourwright-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
}

TempDir::~TempDir() {
  if (!path_.empty()) {
    chmod(path_.c_str(), 0700);
    removeTree(path_);
  }
}

void writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool fileExists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

std::vector<std::string> listFolder(const std::string& path) {
  std::vector<std::string> names;
  if (DIR* dir = opendir(path.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name != "." && name != "..") names.push_back(name);
    }
    closedir(dir);
  }
  std::sort(names.begin(), names.end());
  return names;
}

ProgramRun runProgram(const std::vector<std::string>& arguments, const std::string& cwd) {
  TempDir capture;
  std::string command = "cd " + shellQuote(cwd) + " && " + shellQuote(TOURWRIGHT_EXE);
  for (const std::string& argument : arguments) command += " " + shellQuote(argument);
  command += " >" + shellQuote(capture.file("out")) + " 2>" + shellQuote(capture.file("err")) +
             " </dev/null";
  int raw = std::system(command.c_str());
  ProgramRun run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  run.out = readFile(capture.file("out"));
  run.err = readFile(capture.file("err"));
  return run;
}

std::string readStream(FILE* stream) {
  std::string text;
  std::fflush(stream);
  std::rewind(stream);
  char buffer[4096];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, stream)) > 0) text.append(buffer, n);
  return text;
}

FILE* beginConsoleCapture() {
  FILE* stream = std::tmpfile();
  setConsoleOut(stream);
  return stream;
}

std::string endConsoleCapture(FILE* stream) {
  setConsoleOut(nullptr);
  std::string text = readStream(stream);
  std::fclose(stream);
  return text;
}

std::string sourceDir() { return TOURWRIGHT_SOURCE_DIR; }

}  // namespace testing_support
}  // namespace tourwright
