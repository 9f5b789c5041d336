// Tile XML bytes through the scene writer's image-block copy: the scene
// element is always whole (head, the writer's own closing image line, the
// six hotspot groups, the end tag), however the tile file is damaged.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "script/tour_model.h"
#include "tour/scene_element.h"

using namespace tourwright;
using namespace tourwright::fuzzing;

namespace {
Tour gTour;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quietConsole();
  const std::string folder = scratchFolder();
  writeWholeFile(folder + "/tile.xml", data, size);
  clearTour(&gTour);
  gTour.sceneCount = 1;
  std::strcpy(gTour.scenes[0].name, "tile");

  char* output = nullptr;
  size_t outputSize = 0;
  FILE* out = open_memstream(&output, &outputSize);
  SceneResult result = writeSceneElement(&gTour, 0, folder.c_str(), "t", out);
  std::fclose(out);
  FUZZ_CHECK(result == SceneResult::kWritten, "tile file not read");
  std::string text(output, outputSize);
  std::free(output);
  FUZZ_CHECK(text.rfind("\t<!-- Scene: 0 -->\n\n", 0) == 0, "head missing");
  size_t closing = text.rfind("\t\t</image>\n\n");
  FUZZ_CHECK(closing != std::string::npos, "closing image line missing");
  const std::string endTag = "\t</scene>\n\n";
  FUZZ_CHECK(text.size() > endTag.size() &&
                 text.compare(text.size() - endTag.size(), endTag.size(), endTag) == 0,
             "end tag missing");
  FUZZ_CHECK(text.find("<!-- Hotspots for External References -->", closing) != std::string::npos,
             "hotspot groups missing");
  return 0;
}
