// envelope.cpp - the Envelope unit: attack, decay, sustain, release in
// straight ramps whose steps are powers of two of the parameters.
#include "synth/units.hpp"

namespace synth {

void unit_envelope(UnitContext& c) {
  const UnitOp& op = c.op;
  const double sustain = op.param[2];
  const double gain = op.param[4];
  UnitState& u = c.state;

  int32_t stage = stage_get(u);
  if (c.voice.release_count != 0) stage = Release;

  // One stage change at most per sample; the sample that reaches a limit
  // already outputs the limit. c.step[stage] is 2^(-24 p) of the stage's own
  // parameter (attack, decay or release).
  double level = u.word[1];
  switch (stage) {
    case Attack: {
      const double next = level + c.step[Attack];
      if (next >= 1.0) {
        level = 1.0;
        stage = Decay;
      } else {
        level = next;
      }
      break;
    }
    case Decay: {
      const double next = level - c.step[Decay];
      if (next <= sustain) {
        level = sustain;
        stage = Sustain;
      } else {
        level = next;
      }
      break;
    }
    case Release: {
      const double next = level - c.step[Release];
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
  c.top[1] = level * (gain + u.word[2]);
}

}  // namespace synth
