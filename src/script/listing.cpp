#include "script/listing.h"

#include "driver/platform.h"

namespace tourwright {

// Placeholder until the listing lands.
void writeSceneListing(const Tour*, FILE*) {}
void printSceneListing(const Tour* tour) { writeSceneListing(tour, consoleOut()); }

}  // namespace tourwright
