// interpreter.cpp - compiling a chain of unit bytes and running it over a voice.
#include <cmath>
#include <initializer_list>

#include "synth/units.hpp"

namespace synth {

double power_of_two(double x) { return std::exp2(x); }

void chain_prepare(ChainProgram& program) {
  for (int i = 0; i < program.count; ++i) {
    UnitOp& op = program.ops[i];
    if (op.opcode != kEnvelope) continue;
    for (int stage : {Attack, Decay, Release})
      op.step[stage] = power_of_two(-static_cast<double>(kRateExponent) * op.param[stage]);
  }
}

void unit_dispatch(UnitContext& c) {
  switch (c.op.opcode) {
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
    default: break;  // Skip
  }
}

int chain_run(SynthWorkspace& ws, const ChainProgram& program, VoiceState& voice, Pow2Memo* memo_row,
              double* stack_out) {
  // stack[0] lies below the bottom, so that `top` of an empty stack is valid.
  double stack[kStackSize + 1];
  DelayLine* lines = ws.delay_cursor;
  for (int i = 0; i < program.count; ++i) {
    const UnitOp& op = program.ops[i];
    UnitContext c{ws, voice, voice.units[op.position], op, stack + op.depth, memo_row[op.position],
                  lines + op.line_offset, op.step};
    unit_dispatch(c);
  }
  ws.delay_cursor += program.line_count;
  if (stack_out)
    for (int i = 0; i < program.end_depth; ++i) stack_out[i] = stack[i + 1];
  return program.end_depth;
}

}  // namespace synth
