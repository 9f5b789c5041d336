// A scene's tile XML, "<directory>/<scene name>.xml": where it is, what a
// check finds in it, and the copy of its image block into the internal
// tour XML (which is Korean code page text: a UTF-8 file's text is
// converted on the way).
#ifndef TOURWRIGHT_TOUR_TILE_XML_H_
#define TOURWRIGHT_TOUR_TILE_XML_H_

#include <cstdio>
#include <string>

namespace tourwright {

// "<directory>/<name>.xml", the file the writer copies the image block from;
// when no such file exists, the one under the UTF-8 form of the name, if
// that exists.
std::string tileXmlPath(const char* directory, const char* sceneName);

// What a check before a run finds of a scene's tile XML: what the writer
// will copy from, or why it cannot.
enum class TileXmlState { kUsable, kMissing, kUnreadable, kFolder, kNoImageBlock };

// Opens it as the writer does and looks for a line holding "<image".
TileXmlState inspectTileXml(const char* path);

// Copies the lines of the image block of `tile` (opened with
// openForReading) to `out`, the line holding "<image" after one extra tab;
// the caller writes the closing row. Returns false when the tile XML could
// not be read to its end.
bool copyImageBlock(FILE* tile, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_TILE_XML_H_
