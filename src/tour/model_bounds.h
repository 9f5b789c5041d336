// Counts of the tour model as the writers walk them. The parser keeps every
// count within its list's capacity; the writers clamp all the same, so a
// model built any other way can never make them read past a table.
#ifndef TOURWRIGHT_TOUR_MODEL_BOUNDS_H_
#define TOURWRIGHT_TOUR_MODEL_BOUNDS_H_

namespace tourwright {

// `count` limited to 0..capacity.
inline int boundedCount(int count, int capacity) {
  if (count < 0) return 0;
  return count < capacity ? count : capacity;
}

}  // namespace tourwright

#endif  // TOURWRIGHT_TOUR_MODEL_BOUNDS_H_
