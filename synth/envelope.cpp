// envelope.cpp - the Envelope unit: attack, decay, sustain, release in
// straight ramps whose steps are powers of two of the parameters.
#include "synth/units.hpp"

namespace synth {

void unit_envelope(UnitContext& c) {
  params_decode(c, 5);
  const float* p = c.decoded;
  const float sustain = p[2];
  const float gain = p[4];
  UnitState& u = c.state;

  int32_t stage = stage_get(u);
  if (c.voice.release_count != 0) stage = Release;

  // The step of a ramping stage is 2^(-24 p), p the stage's own parameter:
  // Attack reads attack, Decay reads decay, Release reads release.
  double level = u.word[1];
  switch (stage) {
    case Attack: {
      const double next = level + power_of_two_memo(c.memo, -static_cast<double>(kRateExponent) * p[Attack]);
      if (next >= 1.0) {
        level = 1.0;
        stage = Decay;
      } else {
        level = next;
      }
      break;
    }
    case Decay: {
      const double next = level - power_of_two_memo(c.memo, -static_cast<double>(kRateExponent) * p[Decay]);
      if (next <= sustain) {
        level = sustain;
        stage = Sustain;
      } else {
        level = next;
      }
      break;
    }
    case Release: {
      const double next = level - power_of_two_memo(c.memo, -static_cast<double>(kRateExponent) * p[Release]);
      if (next <= 0.0) {
        level = 0.0;
        stage = Finished;
      } else {
        level = next;
      }
      break;
    }
    default:  // Sustain, Finished: held
      break;
  }
  stage_set(u, stage);
  u.word[1] = static_cast<float>(level);
  c.stack.push(level * (static_cast<double>(gain) + u.word[2]));
}

}  // namespace synth
