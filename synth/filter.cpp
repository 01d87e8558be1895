// filter.cpp - the Filter unit: a two-pole state-variable filter whose mode
// selects the low-pass output, the high-pass output, or their sum.
#include "synth/units.hpp"

namespace synth {

void unit_filter(UnitContext& c) {
  const uint8_t mode = c.op.raw[2];
  const double frequency = c.op.param[0], damping = c.op.param[1];
  float* w = c.state.word;
  const double x = c.top[0];

  // The update order (low from the old band, high from the new low, band from
  // the new high) is what makes this a state-variable filter.
  const double f = (frequency + w[4]) * (frequency + w[4]);
  w[3] = static_cast<float>(f);
  const double low = w[0] + f * w[2];
  w[0] = static_cast<float>(low);
  const double high = x - low - damping * w[2];
  w[1] = static_cast<float>(high);
  const double band = w[2] + static_cast<double>(w[3]) * high;
  w[2] = static_cast<float>(band);

  double r = 0.0;
  if (mode & kLowpass) r += w[0];
  if (mode & kHighpass) r += w[1];
  c.top[0] = r;
}

}  // namespace synth
