// interpreter.cpp - running a chain of units over one voice.
#include <cmath>

#include "synth/units.hpp"

namespace synth {

double power_of_two(double x) { return std::exp2(x); }

namespace {

using UnitRoutine = void (*)(UnitContext&);

// Indexed by opcode. Opcode 0 closes a chain and is never dispatched.
constexpr UnitRoutine kDispatch[kOpcodeCount] = {
    nullptr,         unit_envelope,   unit_oscillator, unit_filter,
    unit_distortion, unit_delay,      unit_arithmetic, unit_store,
    unit_pan,        unit_output,     unit_accumulate, unit_skip,
};

}  // namespace

void chain_run(SynthWorkspace& ws, Cursors& cursors, VoiceState& voice, Pow2Memo* memo_row, SignalStack& stack) {
  stack.depth = 0;
  for (int k = 0;; ++k) {
    const uint8_t opcode = *cursors.command++;
    if (opcode == kEndOfChain) return;
    UnitContext c{ws, voice, voice.units[k], stack, cursors, memo_row[k]};
    kDispatch[opcode](c);
  }
}

}  // namespace synth
