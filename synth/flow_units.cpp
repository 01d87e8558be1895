// flow_units.cpp - the units that shape the flow of values rather than the
// sound: Arithmetic, Store, Pan, Output, Accumulate and Skip.
#include "synth/units.hpp"

namespace synth {

void unit_arithmetic(UnitContext& c) {
  SignalStack& s = c.stack;
  switch (params_decode(c, 1)) {
    case kPop:
      s.pop();
      break;
    case kAddPop: {
      const double w = s.pop();
      s.top() = s.top() + w;
      break;
    }
    case kMulPop: {
      const double w = s.pop();
      s.top() = s.top() * w;
      break;
    }
    case kDup:
      s.push(s.top());
      break;
    case kSwap: {
      const double w = s.top();
      s.top() = s.below(1);
      s.below(1) = w;
      break;
    }
    case kAdd:
      s.top() = s.top() + s.below(1);
      break;
    case kMul:
      s.top() = s.top() * s.below(1);
      break;
    case kAddPair: {
      const double w = s.pop(), x = s.pop();
      s.top() = s.top() + w;            // left onto left
      s.below(1) = s.below(1) + x;      // right onto right
      break;
    }
    default:  // no such operation: leaves the stack alone
      break;
  }
}

void unit_store(UnitContext& c) {
  const uint8_t target = params_decode(c, 2);
  const double amount = c.decoded[0];
  const double value = (amount - 0.5) * 2.0 * c.stack.top();
  c.voice.units[target / 8].word[target % 8] = static_cast<float>(value);
}

void unit_pan(UnitContext& c) {
  const double half = c.stack.top() * kHalf;
  c.stack.top() = half;
  c.stack.push(half);
}

void unit_output(UnitContext& c) {
  params_decode(c, 2);
  const double main_gain = c.decoded[0], aux_gain = c.decoded[1];
  const double left = c.stack.pop(), right = c.stack.pop();
  c.voice.aux_out[0] = static_cast<float>(left * aux_gain);
  c.voice.aux_out[1] = static_cast<float>(right * aux_gain);
  c.voice.main_out[0] = static_cast<float>(left * main_gain);
  c.voice.main_out[1] = static_cast<float>(right * main_gain);
}

void unit_accumulate(UnitContext& c) {
  const uint8_t select = params_decode(c, 1);
  double left = 0.0, right = 0.0;
  for (const VoiceState& v : c.ws.voices) {
    const float* pair = select == 8 ? v.aux_out : v.main_out;
    left += pair[0];
    right += pair[1];
  }
  c.stack.push(right);
  c.stack.push(left);
}

void unit_skip(UnitContext&) {}

}  // namespace synth
