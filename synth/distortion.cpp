// distortion.cpp - waveshape, the rational transfer curve, and the Distortion
// unit that applies it to the top of the stack.
#include <cmath>

#include "synth/units.hpp"

namespace synth {

double waveshape(double x, double d) {
  // At the neutral drive the curve is the identity for every finite x (k is 0,
  // so it computes x * 1 / 1); only an infinite x gives 0 * inf, not a number.
  // Most oscillators use the neutral drive, so this saves two divisions.
  if (d == static_cast<double>(kHalf)) return std::isinf(x) ? 0.0 * x : x;
  const double s = 2.0 * (d - kHalf);
  const double k = 2.0 * s / (1.0 - s);
  return (x * (k + 1.0)) / (k * std::fabs(x) + 1.0);
}

void unit_distortion(UnitContext& c) {
  c.top[0] = waveshape(c.top[0], c.op.param[0]);
}

}  // namespace synth
