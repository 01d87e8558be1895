// interpreter.cpp - compiling a chain of unit bytes and running it over a voice.
#include <cmath>

#include "synth/units.hpp"

namespace synth {

double power_of_two(double x) { return std::exp2(x); }

namespace {

// Values a unit takes from the stack and values it leaves there in their place.
struct StackEffect {
  int pops;
  int pushes;
};

bool stack_effect(const UnitOp& op, StackEffect& e) {
  switch (op.opcode) {
    case kEnvelope: case kOscillator: e = {0, 1}; return true;
    case kFilter: case kDistortion: case kDelay: case kStore: e = {1, 1}; return true;
    case kPan: e = {1, 2}; return true;
    case kOutput: e = {2, 0}; return true;
    case kAccumulate: e = {0, 2}; return true;
    case kSkip: e = {0, 0}; return true;
    case kArithmetic:
      switch (op.raw[0]) {
        case kPop: e = {1, 0}; return true;
        case kAddPop: case kMulPop: e = {2, 1}; return true;
        case kDup: e = {1, 2}; return true;
        case kSwap: case kAdd: case kMul: e = {2, 2}; return true;
        case kAddPair: e = {4, 2}; return true;
        default: return false;
      }
    default: return false;
  }
}

bool fail(const char** error, const char* why) {
  if (error) *error = why;
  return false;
}

}  // namespace

bool chain_compile(const Song& song, Cursors& cursors, ChainProgram& program, const char** error) {
  program = {};
  const uint8_t* first_parameter = cursors.parameter;
  int depth = 0;
  for (int k = 0;; ++k) {
    const uint8_t opcode = *cursors.command++;
    if (opcode == kEndOfChain) {
      program.count = k;
      program.end_depth = depth;
      program.parameter_bytes = static_cast<int32_t>(cursors.parameter - first_parameter);
      return true;
    }
    if (opcode >= kOpcodeCount) return fail(error, "opcode above 11");
    if (k == kUnitsPerChain) return fail(error, "more than 32 units in a chain");

    UnitOp& op = program.ops[k];
    op.opcode = opcode;
    op.depth = static_cast<uint8_t>(depth);
    const int n = kParamCount[opcode];
    if (n > 0) {
      float decoded[7];
      params_decode(cursors, n, decoded);
      for (int i = 0; i < n; ++i) {
        op.raw[i] = cursors.parameter[i - n];
        op.param[i] = decoded[i];
      }
    }

    StackEffect e;
    if (!stack_effect(op, e)) return fail(error, "Arithmetic operation outside 1..8");
    if (depth < e.pops) return fail(error, "a unit takes more values than the stack holds");
    depth += e.pushes - e.pops;
    if (depth > kStackSize) return fail(error, "the stack would hold more than 8 values");
    if (depth > program.max_depth) program.max_depth = depth;

    switch (opcode) {
      case kEnvelope:
        // The ramp steps depend on the parameters alone: 2^(-24 p).
        for (int stage : {Attack, Decay, Release})
          op.step[stage] = power_of_two(-static_cast<double>(kRateExponent) * op.param[stage]);
        break;
      case kOscillator: {
        const uint8_t wave = op.raw[6] & (kSine | kTrisaw | kPulse | kNoise | kGate);
        if (wave == 0 || (wave & (wave - 1)) != 0) return fail(error, "an Oscillator needs exactly one waveform");
        break;
      }
      case kDelay: {
        const int first = op.raw[4], lines = op.raw[5];
        if (lines == 0) return fail(error, "a Delay without lines");
        if (first + lines > kDelayLengthCount) return fail(error, "a Delay beyond the delay lengths");
        op.lengths = song.delay_lengths + first;
        for (int j = 0; j < lines; ++j)
          if (op.lengths[j] == 0) return fail(error, "a delay length of 0");
        break;
      }
      case kAccumulate:
        if (op.raw[0] != 0 && op.raw[0] != 8) return fail(error, "an Accumulate selector other than 0 or 8");
        break;
      default:
        break;
    }
  }
}

int chain_run(SynthWorkspace& ws, const ChainProgram& program, VoiceState& voice, Pow2Memo* memo_row,
              double* stack_out) {
  // stack[0] lies below the bottom, so that `top` of an empty stack is valid.
  double stack[kStackSize + 1];
  for (int k = 0; k < program.count; ++k) {
    const UnitOp& op = program.ops[k];
    UnitContext c{ws, voice, voice.units[k], op, stack + op.depth, memo_row[k]};
    // A switch rather than a table of routines, so that the compiler can
    // inline the units into this loop.
    switch (op.opcode) {
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
  if (stack_out)
    for (int i = 0; i < program.end_depth; ++i) stack_out[i] = stack[i + 1];
  return program.end_depth;
}

}  // namespace synth
