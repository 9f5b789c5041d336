// A whole conversion in a scratch folder from a fuzzed script beside two
// fixed tile XML files: the script is never changed, no scratch file
// survives a completed run, and the tour XML is valid UTF-8. Before each
// run, links and folders may stand at the scratch and output names, as a
// tour archive from someone else may carry them: a link at a scratch name
// never leads a write elsewhere, and an output that is a link stays one.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <string>

#include "driver/run.h"
#include "encoding/code_point.h"
#include "fuzz_support.h"

using namespace tourwright;
using namespace tourwright::fuzzing;

namespace {

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
  static bool tiles = false;
  if (!tiles) {
    const char tile[] = "<krpano>\n\t<image type=\"CUBE\">\n\t\t<cube url=\"a\" />\n\t</image>\n</krpano>\n";
    for (const char* name : {"/hall.xml", "/court.xml", "/a.xml"}) {
      writeWholeFile(folder + name, tile, sizeof tile - 1);
    }
    mkdir((folder + "/www").c_str(), 0700);
    writeWholeFile(folder + "/victim", kVictim, sizeof kVictim - 1);
    tiles = true;
  }
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ data[i]) * 16777619u;
  for (int i = 0; i < 4; ++i) plant(folder, i, plantedAt(hash, i));

  const std::string script = folder + "/t.lst";
  writeWholeFile(script, data, size);
  const char* argv[] = {"tourwright", script.c_str()};
  int status = runTourwright(2, argv);
  FUZZ_CHECK(readWholeFile(script) == std::string(reinterpret_cast<const char*>(data), size),
             "the script changed");
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
