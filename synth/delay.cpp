// delay.cpp - the Delay unit: a bank of feedback comb filters, each with a
// one-pole low-pass in its feedback path, summed with a share of the dry
// input and passed through a DC blocker.
//
// Lines are not kept in the unit's state: each run takes the next records
// from the workspace's delay cursor, which goes back to the first record at
// every frame, so every Delay unit of every voice meets the same records in
// every frame. The DC blocker keeps its state in the record after the unit's
// last line (whose position and damping state belong to the next unit's first
// line).
#include "synth/units.hpp"

namespace synth {

void unit_delay(UnitContext& c) {
  const double* p = c.op.param;
  const double send = p[0], dry = p[1], feedback = p[2], damping = p[3];
  const int line_count = c.op.raw[5];
  const uint16_t* lengths = c.op.lengths;

  const double x = c.top[0];
  const double in = x * send * send;
  double acc = x * dry;
  DelayLine* line = c.lines;
  for (int j = 0; j < line_count; ++j, ++line) {
    float& sample = line->samples[line->position];
    const double y = sample;  // written exactly L samples ago
    acc += y;
    const double damped = (1.0 - damping) * y + damping * line->damp_state;
    line->damp_state = static_cast<float>(damped);
    sample = static_cast<float>(in + feedback * damped);
    if (++line->position >= lengths[j]) line->position = 0;
  }

  // DC blocker: y[n] = x[n] - x[n-1] + pole * y[n-1].
  const double out = acc - line->dc_in + static_cast<double>(kPole) * line->dc_out;
  line->dc_in = static_cast<float>(acc);
  line->dc_out = static_cast<float>(out);
  c.top[0] = out;
}

}  // namespace synth
