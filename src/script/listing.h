// The scene listing: the whole tour model printed scene by scene, so the
// author sees what the parser understood.
#ifndef TOURWRIGHT_SCRIPT_LISTING_H_
#define TOURWRIGHT_SCRIPT_LISTING_H_

#include <cstdio>

#include "script/tour_model.h"

namespace tourwright {

void writeSceneListing(const Tour* tour, FILE* out);
// The listing on the console (consoleOut()).
void printSceneListing(const Tour* tour);

}  // namespace tourwright

#endif  // TOURWRIGHT_SCRIPT_LISTING_H_
