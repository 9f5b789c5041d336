// A whole conversion in a scratch folder from a fuzzed script beside two
// fixed tile XML files: the script is never changed, no scratch file
// survives a completed run, and the tour XML is valid UTF-8. Before it,
// --check and --graph on the same script write nothing into the folder
// (nor leave anything in the temporary folder), and the graph is valid
// UTF-8 whose quoted strings all close on their line. Before each run,
// links and folders may stand at the scratch and output names, as a tour
// archive from someone else may carry them: a link at a scratch name never
// leads a write elsewhere, and an output that is a link stays one.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>

#include "driver/run.h"
#include "encoding/code_point.h"
#include "fuzz_support.h"

using namespace tourwright;
using namespace tourwright::fuzzing;

namespace {

std::set<std::string> namesIn(const std::string& folder) {
  std::set<std::string> names;
  if (DIR* dir = opendir(folder.c_str())) {
    while (dirent* entry = readdir(dir)) names.insert(entry->d_name);
    closedir(dir);
  }
  return names;
}

// Runs the program with standard output going to `outputPath`.
int runWithOutputTo(const std::string& outputPath, int argc, const char* const* argv) {
  std::fflush(stdout);
  int saved = dup(1);
  int file = open(outputPath.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0600);
  dup2(file, 1);
  close(file);
  int status = runTourwright(argc, argv);
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  return status;
}

// Every quoted string closes on its own line, and the braces balance.
bool quotingBalanced(const std::string& text) {
  bool quoted = false;
  int depth = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (quoted) {
      if (c == '\\') ++i;
      if (c == '"') quoted = false;
      if (c == '\n' || (c == '\\' && i < text.size() && text[i] == '\n')) return false;
    } else if (c == '"') {
      quoted = true;
    } else if (c == '{') {
      ++depth;
    } else if (c == '}') {
      if (--depth < 0) return false;
    }
  }
  return !quoted && depth == 0;
}

enum Planted { kNothing, kLink, kFolder, kLinkToFolder };
const char* const kPlantedNames[] = {"t.asc", "t.tmp", "t.xml", "t.htm"};
const char kVictim[] = "not to be written";

bool isLink(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

// Two bits of the input's hash for each name: the same input plants the
// same things.
Planted plantedAt(uint32_t hash, int index) {
  return static_cast<Planted>((hash >> (2 * index)) & 3);
}

// A scratch name leads to the victim, an output to its own file in www/.
void plant(const std::string& folder, int index, Planted what) {
  const std::string name = kPlantedNames[index];
  const std::string path = folder + "/" + name;
  bool output = index >= 2;
  if (what == kLink) {
    symlink(output ? ("www/" + name).c_str() : (folder + "/victim").c_str(), path.c_str());
  } else if (what == kFolder) {
    mkdir(path.c_str(), 0700);
  } else if (what == kLinkToFolder) {
    symlink("www", path.c_str());
  }
}

void clearAway(const std::string& folder) {
  for (const char* name : kPlantedNames) {
    std::string path = folder + "/" + name;
    if (std::remove(path.c_str()) != 0) rmdir(path.c_str());
    std::remove((folder + "/www/" + name).c_str());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quietConsole();
  const std::string folder = scratchFolder();
  // The tools' temporary files go to a folder of their own, watched; the
  // graph to another.
  static const std::string temporary = folder + "/aside";
  static const std::string graphPath = folder + "/out/graph.dot";
  static bool tiles = false;
  if (!tiles) {
    const char tile[] = "<krpano>\n\t<image type=\"CUBE\">\n\t\t<cube url=\"a\" />\n\t</image>\n</krpano>\n";
    for (const char* name : {"/hall.xml", "/court.xml", "/a.xml"}) {
      writeWholeFile(folder + name, tile, sizeof tile - 1);
    }
    mkdir(temporary.c_str(), 0700);
    mkdir((folder + "/out").c_str(), 0700);
    setenv("TMPDIR", temporary.c_str(), 1);
    mkdir((folder + "/www").c_str(), 0700);
    writeWholeFile(folder + "/victim", kVictim, sizeof kVictim - 1);
    tiles = true;
  }
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  for (int i = 0; i < 4; ++i) plant(folder, i, plantedAt(hash, i));

  const std::string script = folder + "/t.lst";
  writeWholeFile(script, data, size);
  const std::string input(reinterpret_cast<const char*>(data), size);

  const std::set<std::string> before = namesIn(folder);
  const char* checkArgv[] = {"tourwright", "--check", script.c_str()};
  int checked = runWithOutputTo(graphPath, 3, checkArgv);
  FUZZ_CHECK(checked == 0 || checked == 1, "--check exit status");
  FUZZ_CHECK(readWholeFile(graphPath).empty(), "--check wrote to standard output");
  const char* graphArgv[] = {"tourwright", "--graph", script.c_str()};
  FUZZ_CHECK(runWithOutputTo(graphPath, 3, graphArgv) == 0, "--graph failed on a readable script");
  std::string graph = readWholeFile(graphPath);
  FUZZ_CHECK(isValidUtf8(graph.data(), graph.size()), "graph is not valid UTF-8");
  FUZZ_CHECK(quotingBalanced(graph), graph);
  FUZZ_CHECK(namesIn(folder) == before, "--check or --graph wrote into the tour folder");
  FUZZ_CHECK(readWholeFile(script) == input, "the script changed");
  FUZZ_CHECK(namesIn(temporary).size() == 2, "a temporary file left behind");  // "." and ".."

  const char* argv[] = {"tourwright", script.c_str()};
  int status = runTourwright(2, argv);
  FUZZ_CHECK(readWholeFile(script) == input, "the script changed");
  FUZZ_CHECK(readWholeFile(folder + "/victim") == kVictim, "a write followed a planted link");
  if (plantedAt(hash, 0) == kNothing) {
    FUZZ_CHECK(!exists(folder + "/t.asc"), "scratch copy left behind");
  }
  if (status == 0) {
    FUZZ_CHECK(!exists(folder + "/t.tmp"), "internal tour XML left behind");
    std::string xml = readWholeFile(folder + "/t.xml");
    FUZZ_CHECK(xml.compare(0, 3, "\xEF\xBB\xBF") == 0, "no byte-order mark");
    FUZZ_CHECK(isValidUtf8(xml.data(), xml.size()), "tour XML is not valid UTF-8");
    for (int i = 2; i < 4; ++i) {
      if (plantedAt(hash, i) == kLink) {
        FUZZ_CHECK(isLink(folder + "/" + kPlantedNames[i]), "an output link was replaced");
      }
    }
  }
  clearAway(folder);
  return 0;
}
