// flow_units.cpp - the units that shape the flow of values rather than the
// sound: Arithmetic, Store, Pan, Output and Accumulate. (Skip does nothing
// but take its place in the chain; the interpreter passes over it.)
#include "synth/units.hpp"

namespace synth {

// `top` points at the top value; w is the top, x the value below it, y and z
// below that.
void unit_arithmetic(UnitContext& c) {
  double* t = c.top;
  switch (c.op.raw[0]) {
    case kPop:  // w removed
      break;
    case kAddPop:  // x + w
      t[-1] = t[-1] + t[0];
      break;
    case kMulPop:  // x * w
      t[-1] = t[-1] * t[0];
      break;
    case kDup:  // w, w
      t[1] = t[0];
      break;
    case kSwap: {  // x, w
      const double w = t[0];
      t[0] = t[-1];
      t[-1] = w;
      break;
    }
    case kAdd:  // w + x, x
      t[0] = t[0] + t[-1];
      break;
    case kMul:  // w * x, x
      t[0] = t[0] * t[-1];
      break;
    case kAddPair:  // the pair on top (left w, right x) onto the pair below (left y, right z)
      t[-2] = t[-2] + t[0];
      t[-3] = t[-3] + t[-1];
      break;
    default:  // rejected when the chain is compiled
      break;
  }
}

void unit_store(UnitContext& c) {
  const double amount = c.op.param[0];
  const uint8_t target = c.op.raw[1];
  c.voice.units[target / 8].word[target % 8] = static_cast<float>((amount - 0.5) * 2.0 * c.top[0]);
}

void unit_pan(UnitContext& c) {
  const double half = c.top[0] * kHalf;
  c.top[0] = half;
  c.top[1] = half;
}

void unit_output(UnitContext& c) {
  const double main_gain = c.op.param[0], aux_gain = c.op.param[1];
  const double left = c.top[0], right = c.top[-1];
  c.voice.aux_out[0] = static_cast<float>(left * aux_gain);
  c.voice.aux_out[1] = static_cast<float>(right * aux_gain);
  c.voice.main_out[0] = static_cast<float>(left * main_gain);
  c.voice.main_out[1] = static_cast<float>(right * main_gain);
}

// Sums the selected pair of every instrument voice (never the master), in
// voice order, and pushes the right sum and then the left sum.
void unit_accumulate(UnitContext& c) {
  const bool aux = c.op.raw[0] == 8;
  double left = 0.0, right = 0.0;
  for (const VoiceState& v : c.ws.voices) {
    const float* pair = aux ? v.aux_out : v.main_out;
    left += pair[0];
    right += pair[1];
  }
  c.top[1] = right;
  c.top[2] = left;
}

}  // namespace synth
