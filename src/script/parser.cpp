#include "script/parser.h"

namespace tourwright {

// Placeholder until the parser lands.
void parseSceneScript(FILE*, Tour*) {}

}  // namespace tourwright
