// The scene script parser: one pass over the script's lines into the tour
// model. It never fails as a whole; lines it cannot use are skipped.
#ifndef TOURWRIGHT_SCRIPT_PARSER_H_
#define TOURWRIGHT_SCRIPT_PARSER_H_

#include <cstdio>

#include "script/tour_model.h"

namespace tourwright {

// Reads `stream` (opened with openForReading) to its end into `tour`,
// which the caller has cleared. The caller closes the stream.
void parseSceneScript(FILE* stream, Tour* tour);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_PARSER_H_
