// The tour as a Graphviz digraph (DOT), for the author to see its shape:
// a node per panorama scene (the first, where the tour starts, with a
// double border), per gallery scene and per other tour that a link or a
// video loads; an edge per cross link, labelled with its caption, per
// gallery entrance and per link to another tour. A cross link target that
// names no scene of the tour ends at a node of its own, red and dashed;
// what cannot be reached from the first scene through cross links and
// galleries is grey and dashed. A legend at the foot says what the marks
// that occur mean.
//
// All text is UTF-8, converted as the tour XML converts it; node names are
// made up by the writer (s1, g1_2, t1, x1), so captions and names appear
// only in quoted labels, where '"' and '\' are escaped and control
// characters become U+FFFD: `dot` accepts whatever the script holds.
#ifndef TOURWRIGHT_TOUR_TOUR_GRAPH_H_
#define TOURWRIGHT_TOUR_TOUR_GRAPH_H_

#include <cstdio>

#include "script/tour_model.h"

namespace tourwright {

void writeTourGraph(const Tour* tour, FILE* out);

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_TOUR_GRAPH_H_
