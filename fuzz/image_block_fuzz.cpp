// Tile XML bytes through the preview's reading of the image block: any
// bytes give a description whose chosen element is one of the file's, and
// the page model's JSON of it stays valid UTF-8.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "encoding/code_point.h"
#include "tour/image_block.h"
#include "preview/preview_text.h"

using namespace tourwright;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ImageDescription d = describeImageBlock(reinterpret_cast<const char*>(data), size);
  if (d.chosenElement < 0 || d.chosenElement > d.elementCount) std::abort();
  if (d.elementCount > 0 && d.chosenElement == 0) std::abort();
  std::string json;
  for (const std::string& notice : d.notices) appendJsonString(notice, &json);
  for (const TileLevel& level : d.levels) {
    for (const UrlPart& part : level.url) appendJsonString(part.text, &json);
  }
  if (!isValidUtf8(json.data(), json.size())) std::abort();
  return 0;
}
