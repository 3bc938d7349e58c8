// The row walks of a run: t = first, first + step, first + 2 step, ... while
// t <= last. The step is a cadence from the configuration, which may be as
// large as an int holds, so the next row is formed in 64 bits and the walk
// ends instead of wrapping around to a small row number.
#pragma once

namespace velk::forecast {

// `step` must be at least 1.
template <typename Visit>
void for_each_stepped_row(int first, int last, int step, Visit&& visit) {
  for (long long t = first; t <= last; t += step) visit(static_cast<int>(t));
}

}  // namespace velk::forecast
