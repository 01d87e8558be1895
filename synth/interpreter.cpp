// interpreter.cpp - running a chain of units over one voice.
#include <cmath>

#include "synth/units.hpp"

namespace synth {

double power_of_two(double x) { return std::exp2(x); }

void chain_run(SynthWorkspace& ws, Cursors& cursors_io, VoiceState& voice, Pow2Memo* memo_row,
               SignalStack& stack_out) {
  // The stack and the cursors are worked on as locals that nothing else can
  // see, so the compiler may keep them in registers across the inlined units.
  SignalStack stack;
  stack.depth = 0;
  Cursors cursors = cursors_io;
  // Decoded parameters of the running unit: scratch that every unit refills
  // before use, kept here rather than in the workspace for the same reason.
  float decoded[16];
  for (int k = 0;; ++k) {
    const uint8_t opcode = *cursors.command++;
    if (opcode == kEndOfChain) break;
    UnitContext c{ws, voice, voice.units[k], stack, cursors, memo_row[k], decoded};
    // A switch rather than calls through kDispatch, so that the compiler can
    // inline the units into this loop.
    switch (opcode) {
      case kEnvelope: unit_envelope(c); break;
      case kOscillator: unit_oscillator(c); break;
      case kFilter: unit_filter(c); break;
      case kDistortion: unit_distortion(c); break;
      case kDelay: unit_delay(c); break;
      case kArithmetic: unit_arithmetic(c); break;
      case kStore: unit_store(c); break;
      case kPan: unit_pan(c); break;
      case kOutput: unit_output(c); break;
      case kAccumulate: unit_accumulate(c); break;
      default: break;  // Skip, and opcodes that do not exist
    }
  }
  cursors_io = cursors;
  stack_out.depth = stack.depth;  // only the live values: usually none
  for (int i = 0; i < stack.depth; ++i) stack_out.value[i] = stack.value[i];
}

}  // namespace synth
