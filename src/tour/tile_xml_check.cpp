// The copy takes an image element only from a line that holds "<image"
// without "</image>"; a tile XML without such a line gives the scene a bare
// closing tag, which no viewer loads. The check reads lines as the copy
// does (a long line in pieces, its tags joined across them) and stops at
// the first such line, near the top of a usual tile XML.
#include "tour/tile_xml_check.h"

#include <cstdio>
#include <string>

#include "platform/files.h"
#include "platform/line_reader.h"
#include "tour/image_tags.h"
#include "tour/tile_xml.h"

namespace tourwright {

TileXmlState inspectTileXml(const char* path) {
  FILE* tile = openForReading(path);
  if (tile == nullptr) {
    if (isDirectory(path)) return TileXmlState::kFolder;
    return pathExists(path) ? TileXmlState::kUnreadable : TileXmlState::kMissing;
  }
  static LineReader reader;
  openLineReader(&reader, tile);
  TagScan scan = {};
  bool anyOpens = false;
  bool startLine = false;
  const char* piece;
  size_t length;
  bool lineEnds;
  while (!startLine && readLinePiece(&reader, &piece, &length, &lineEnds)) {
    scanTags(&scan, piece, length);
    if (!lineEnds) continue;
    anyOpens = anyOpens || scan.tags.opens;
    startLine = scan.tags.opens && !scan.tags.closes;
    scan = TagScan{};
  }
  // A last line without a line feed.
  anyOpens = anyOpens || scan.tags.opens;
  startLine = startLine || (scan.tags.opens && !scan.tags.closes);
  bool failed = reader.failed || std::ferror(tile) != 0;
  closeLineReader(&reader);
  std::fclose(tile);
  if (failed) return TileXmlState::kUnreadable;
  if (startLine) return TileXmlState::kUsable;
  return anyOpens ? TileXmlState::kOneLineImagesOnly : TileXmlState::kNoImageBlock;
}

bool warnOfMissingImageElement(ScriptDiagnostics* d, long long line, const char* path,
                               const char* sceneName, TileXmlState state) {
  const char* what = nullptr;
  if (state == TileXmlState::kNoImageBlock) {
    what = "holds no <image line";
  } else if (state == TileXmlState::kOneLineImagesOnly) {
    what = "holds each <image element on one line, which is not copied";
  } else {
    return false;
  }
  warn(d, line,
       "tile XML \"%s\" of scene \"%s\" %s: the scene's image element is missing, so the tour "
       "XML will not load",
       path, sceneName, what);
  return true;
}

namespace {

void checkImageElement(const void* context, ScriptDiagnostics* d, const Tour& tour, int scene,
                       long long headerLine) {
  const char* name = tour.scenes[scene].name;
  std::string path = tileXmlPath(static_cast<const char*>(context), name);
  warnOfMissingImageElement(d, headerLine, path.c_str(), name, inspectTileXml(path.c_str()));
}

}  // namespace

SceneCheck imageElementCheck(const char* directory) {
  return SceneCheck{checkImageElement, directory};
}

}  // namespace tourwright
