// What a check before the writing finds in a scene's tile XML: whether the
// image block copy will find an image element to copy, and the warnings of
// a run and of --check when the scene's image element will be missing.
#ifndef TOURWRIGHT_TOUR_TILE_XML_CHECK_H_
#define TOURWRIGHT_TOUR_TILE_XML_CHECK_H_

#include "script/diagnostics.h"

namespace tourwright {

enum class TileXmlState {
  kUsable,             // a line holds "<image" and not "</image>": a start line is copied
  kMissing,
  kUnreadable,
  kFolder,
  kNoImageBlock,       // no line holds "<image"
  kOneLineImagesOnly,  // every line that holds "<image" holds "</image>" too
};

// Opens it as the writer does and reads its lines up to the first image
// start line that the copy takes.
TileXmlState inspectTileXml(const char* path);

// For the last two states, warns at `line` that the tile XML at `path`
// leaves scene `sceneName` without its image element (the tour XML gets a
// bare closing tag) and returns true; returns false for the others.
bool warnOfMissingImageElement(ScriptDiagnostics* d, long long line, const char* path,
                               const char* sceneName, TileXmlState state);

// The scene check of a run: warnOfMissingImageElement on each named
// scene's tile XML in `directory` (which must outlive the diagnostics).
SceneCheck imageElementCheck(const char* directory);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_TILE_XML_CHECK_H_
