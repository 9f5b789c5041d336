#include "script/tour_model.h"

#include <cstring>

namespace tourwright {

void clearTour(Tour* tour) { std::memset(tour, 0, sizeof *tour); }

}  // namespace tourwright
