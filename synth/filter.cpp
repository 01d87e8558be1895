// filter.cpp - the Filter unit: a two-pole state-variable filter whose mode
// selects the low-pass output, the high-pass output, or their sum.
#include "synth/units.hpp"

namespace synth {

void unit_filter(UnitContext& c) {
  const uint8_t mode = params_decode(c, 3);
  const float frequency = c.decoded[0], damping = c.decoded[1];
  float* w = c.state.word;
  const double x = c.stack.top();

  // The update order (low from the old band, high from the new low, band from
  // the new high) is what makes this a state-variable filter.
  const double f = (static_cast<double>(frequency) + w[4]) * (static_cast<double>(frequency) + w[4]);
  w[3] = static_cast<float>(f);
  const double low = w[0] + f * w[2];
  w[0] = static_cast<float>(low);
  const double high = x - low - static_cast<double>(damping) * w[2];
  w[1] = static_cast<float>(high);
  const double band = w[2] + static_cast<double>(w[3]) * high;
  w[2] = static_cast<float>(band);

  double r = 0.0;
  if (mode & kLowpass) r += w[0];
  if (mode & kHighpass) r += w[1];
  c.stack.top() = r;
}

}  // namespace synth
