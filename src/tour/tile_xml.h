// A scene's tile XML, "<directory>/<scene name>.xml": where it is, and the
// copy of its image block into the internal tour XML (which is Korean code
// page text: a UTF-8 file's text is converted on the way). What a check
// finds in it: tour/tile_xml_check.h.
#ifndef TOURWRIGHT_TOUR_TILE_XML_H_
#define TOURWRIGHT_TOUR_TILE_XML_H_

#include <cstdio>
#include <string>

namespace tourwright {

// "<directory>/<name>.xml", the file the writer copies the image block from;
// when no such file exists, the one under the UTF-8 form of the name, if
// that exists.
std::string tileXmlPath(const char* directory, const char* sceneName);

// Copies the lines of the image block of `tile` (opened with
// openForReading) to `out`, each line holding "<image" after one extra tab,
// and the closing row before the start line of a second element; the
// caller writes the last closing row. Returns false when the tile XML
// could not be read to its end.
bool copyImageBlock(FILE* tile, FILE* out);

// The closing row of an image block: "\t\t</image>" and a blank line.
void writeImageBlockEnd(FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_TILE_XML_H_
