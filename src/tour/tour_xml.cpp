#include "tour/tour_xml.h"

namespace tourwright {

// Placeholder until the writers land.
TourXmlResult writeTourXml(const Tour*, const char*, const char*, const char*) {
  return TourXmlResult::kCompleted;
}

}  // namespace tourwright
