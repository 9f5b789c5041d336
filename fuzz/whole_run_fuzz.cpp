// A whole conversion in a scratch folder from a fuzzed script beside two
// fixed tile XML files: the script is never changed, no scratch file
// survives a completed run, and the tour XML is valid UTF-8.
#include <cstdint>
#include <string>

#include "driver/run.h"
#include "encoding/code_point.h"
#include "fuzz_support.h"

using namespace tourwright;
using namespace tourwright::fuzzing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quietConsole();
  const std::string folder = scratchFolder();
  static bool tiles = false;
  if (!tiles) {
    const char tile[] = "<krpano>\n\t<image type=\"CUBE\">\n\t\t<cube url=\"a\" />\n\t</image>\n</krpano>\n";
    for (const char* name : {"/hall.xml", "/court.xml", "/a.xml"}) {
      writeWholeFile(folder + name, tile, sizeof tile - 1);
    }
    tiles = true;
  }
  const std::string script = folder + "/t.lst";
  writeWholeFile(script, data, size);
  const char* argv[] = {"tourwright", script.c_str()};
  int status = runTourwright(2, argv);
  FUZZ_CHECK(readWholeFile(script) == std::string(reinterpret_cast<const char*>(data), size),
             "the script changed");
  FUZZ_CHECK(!exists(folder + "/t.asc"), "scratch copy left behind");
  if (status == 0) {
    FUZZ_CHECK(!exists(folder + "/t.tmp"), "internal tour XML left behind");
    std::string xml = readWholeFile(folder + "/t.xml");
    FUZZ_CHECK(xml.compare(0, 3, "\xEF\xBB\xBF") == 0, "no byte-order mark");
    FUZZ_CHECK(isValidUtf8(xml.data(), xml.size()), "tour XML is not valid UTF-8");
  }
  std::remove((folder + "/t.tmp").c_str());
  std::remove((folder + "/t.xml").c_str());
  std::remove((folder + "/t.htm").c_str());
  return 0;
}
