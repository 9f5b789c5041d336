// One panorama scene element, with the image block copied from the scene's
// tile XML.
//
// The tile XML is not parsed. Lines are read whole, whatever their length,
// and two substring tests pick the block: a line holding "<image" switches
// copying on (and is written after one extra tab), a line holding "</image>"
// switches it off and is never copied; the writer's own "</image>" line
// closes the block once the file has been read. So a one-line image element
// copies nothing, and an unclosed one copies to the end of the file.
//
// Tile files written by the viewer's tools are UTF-8, and a Korean scene name
// puts UTF-8 bytes into the block. The internal tour XML is Korean code page
// text, so such a file (valid UTF-8 holding non-ASCII bytes) has its copied
// lines converted; an ASCII or Korean code page file is copied byte for
// byte. Deciding needs one pass over the file before the copy.
#include "tour/scene_element.h"

#include <cstring>
#include <string>

#include "driver/platform.h"
#include "encoding/code_point.h"
#include "encoding/unicode_to_ksx.h"
#include "tour/emitter.h"
#include "tour/scene_hotspots.h"

namespace tourwright {

namespace {

bool containsText(const char* line, size_t length, const char* text) {
  size_t textLength = std::strlen(text);
  if (textLength > length) return false;
  for (size_t i = 0; i + textLength <= length; ++i) {
    if (line[i] == text[0] && std::memcmp(line + i, text, textLength) == 0) return true;
  }
  return false;
}

// True when the tile file is UTF-8 with at least one non-ASCII character.
bool holdsUtf8Text(LineReader* reader) {
  bool nonAscii = false;
  const char* line;
  size_t length;
  while (readLine(reader, &line, &length)) {
    if (!isValidUtf8(line, length)) return false;
    for (size_t i = 0; i < length && !nonAscii; ++i) {
      if (static_cast<unsigned char>(line[i]) >= 0x80) nonAscii = true;
    }
  }
  return nonAscii;
}

// Writes a line of valid UTF-8 as Korean code page text: ASCII as it is,
// every other character as its code or a numeric character reference.
void writeUtf8AsKsx(FILE* out, const char* line, size_t length) {
  const unsigned char* bytes = reinterpret_cast<const unsigned char*>(line);
  size_t i = 0;
  while (i < length) {
    if (bytes[i] < 0x80) {
      std::fputc(bytes[i], out);
      ++i;
      continue;
    }
    int codePoint = 0;
    int used = decodeUtf8(bytes + i, length - i, &codePoint);
    if (used == 0) {  // cannot happen after the first pass; copy the byte
      std::fputc(bytes[i], out);
      ++i;
      continue;
    }
    std::fputs(unicodeToKsx(codePoint), out);
    i += static_cast<size_t>(used);
  }
}

const char kUtf8Signature[] = "\xEF\xBB\xBF";

void copyImageBlock(FILE* tile, FILE* out) {
  LineReader reader;
  openLineReader(&reader, tile);
  bool convert = holdsUtf8Text(&reader);
  std::rewind(tile);
  openLineReader(&reader, tile);

  bool copying = false;
  bool copiedLineEnded = true;
  bool firstLine = true;
  const char* line;
  size_t length;
  while (readLine(&reader, &line, &length)) {
    if (convert && firstLine && length >= 3 && std::memcmp(line, kUtf8Signature, 3) == 0) {
      line += 3;  // the file's signature is no text of the block
      length -= 3;
    }
    firstLine = false;
    if (containsText(line, length, "<image")) {
      copying = true;
      std::fputc('\t', out);
    }
    if (containsText(line, length, "</image>")) copying = false;
    if (!copying) continue;
    if (convert) {
      writeUtf8AsKsx(out, line, length);
    } else {
      std::fwrite(line, 1, length, out);
    }
    copiedLineEnded = length > 0 && line[length - 1] == '\n';
  }
  // An unclosed block whose last line has no line feed: end that line, so
  // the closing row stands on a line of its own.
  if (copying && !copiedLineEnded) std::fputc('\n', out);
  closeLineReader(&reader);
}

// The element name gets "-copy" when an earlier scene has the same name; the
// comparison uses the names as the script gives them, so every repeat after
// the first is "<name>-copy". The name is never cut.
const char* elementNameSuffix(const Tour* tour, int sceneIndex) {
  const char* name = tour->scenes[sceneIndex].name;
  for (int earlier = 0; earlier < sceneIndex; ++earlier) {
    if (std::strcmp(tour->scenes[earlier].name, name) == 0) return "-copy";
  }
  return "";
}

}  // namespace

SceneResult writeSceneElement(const Tour* tour, int sceneIndex, const char* directory,
                              const char* baseName, FILE* out) {
  const Scene& scene = tour->scenes[sceneIndex];
  std::string tilePath = joinPath(directory, scene.name, ".xml");
  FILE* tile = openForReading(tilePath.c_str());
  if (tile == nullptr) {
    std::fprintf(consoleOut(), "\nXml Source File Open Error: %s\n", tilePath.c_str());
    return SceneResult::kTileXmlMissing;
  }

  emitRow(out, 1, 1, "<!-- Scene: %d -->", sceneIndex);
  emitRow(out, 1, 1,
          "<scene name=\"%s%s\"  title=\"%s\" onstart=\"setcaption();\" "
          "thumburl=\"%s.tiles/mobile_f.jpg\">",
          scene.name, elementNameSuffix(tour, sceneIndex), scene.title, scene.name);
  emitRow(out, 2, 0,
          "<view fovtype=\"HFOV\" fov=\"120\" hlookat=\"%d\" vlookat=\"%d\" MAXpixelzoom=\"1.0\" "
          "fovMAX=\"150\" limitview=\"auto\" />",
          scene.hlookat, scene.vlookat);
  emitRow(out, 2, 1, "<preview url=\"%s.tiles/preview.jpg\" />", scene.name);

  copyImageBlock(tile, out);
  emitRow(out, 2, 1, "</image>");
  std::fclose(tile);

  writeSceneHotspots(tour, sceneIndex, baseName, out);
  emitRow(out, 1, 1, "</scene>");
  return SceneResult::kWritten;
}

}  // namespace tourwright
