#include "fuzz_support.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "platform/files.h"

namespace tourwright {
namespace fuzzing {

namespace {

std::string gFolder;

// The folder, its files and the files of its folders.
void removeTree(const std::string& folder, int depth) {
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) {
      std::string name = entry->d_name;
      if (name == "." || name == "..") continue;
      std::string path = folder + "/" + name;
      if (unlink(path.c_str()) != 0 && depth > 0) removeTree(path, depth - 1);
    }
    closedir(dir);
  }
  rmdir(folder.c_str());
}

void removeFolder() { removeTree(gFolder, 1); }

}  // namespace

const std::string& scratchFolder() {
  if (gFolder.empty()) {
    // Memory-backed when the system has it: the targets write files per run.
    char shared[] = "/dev/shm/tourwright-fuzz-XXXXXX";
    char pattern[] = "/tmp/tourwright-fuzz-XXXXXX";
    char* made = mkdtemp(shared);
    if (made == nullptr) made = mkdtemp(pattern);
    if (made == nullptr) fail("mkdtemp");
    gFolder = made;
    std::atexit(removeFolder);
    return gFolder;
  }
  return gFolder;
}

void writeWholeFile(const std::string& path, const void* data, size_t size) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool exists(const std::string& path) {
  struct stat info;
  return stat(path.c_str(), &info) == 0;
}

void quietConsole() {
  static FILE* sink = std::fopen("/dev/null", "w");
  setConsoleOut(sink);
}

void fail(const char* property, const std::string& detail) {
  std::fprintf(stderr, "property failed: %s %s\n", property, detail.c_str());
  std::abort();
}

}  // namespace fuzzing
}  // namespace tourwright
