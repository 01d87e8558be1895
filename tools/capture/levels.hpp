// levels.hpp - level statistics of the soundtrack, before and after the clamp.
//
// The master chain's output can exceed [-1, 1] (some instruments feed their
// envelope back into their own gain); the render loop clamps every value it
// writes. These figures say how loud the mix is and how much the clamp does.
#pragma once

#include <cstdint>

namespace capture {

struct Levels {
  double peak_before = 0;     // largest |value| the master produced (NaN and infinities aside)
  int64_t peak_before_frame = -1;
  double peak_after = 0;      // largest |value| written
  double sum_squares = 0;     // of the values written
  int64_t values = 0;
  int64_t clamped = 0;        // values the clamp changed
  int64_t not_finite = 0;     // NaN or infinite values before the clamp
};

// Adds one value: what the master produced and what was written.
void levels_add(Levels& levels, int64_t frame, float before, float after);

double levels_rms(const Levels& levels);

}  // namespace capture
