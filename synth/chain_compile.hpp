// chain_compile.hpp - reading a chain's bytes into a ChainProgram.
//
// chain_compile walks a chain's opcodes and parameter bytes (params_decode)
// into one UnitOp a unit, with its parameters decoded, the stack depth it
// works at resolved (every unit kind has a fixed effect on the stack, so the
// depth at each unit is known), and its place among the chain's delay lines.
// A malformed chain is rejected here rather than met at run time.
//
// It is constexpr, so that a song known when the program is built can be
// compiled then too (see instruments.cpp). What needs the C library
// (the Envelope's ramp steps) is filled in by chain_prepare at run time.
#pragma once

#include "synth/synth.hpp"

namespace synth {

// The two read positions while a chain is compiled: the next opcode and the
// next parameter byte.
struct Cursors {
  const uint8_t* command;
  const uint8_t* parameter;
};

// Takes the next n parameter bytes (n from 1 to 7): stores byte / 128 in
// decoded[0..n-1] and yields the last byte raw.
constexpr uint8_t params_decode(Cursors& cursors, int n, float* decoded) {
  const uint8_t* p = cursors.parameter;
  for (int i = 0; i < n; ++i) decoded[i] = static_cast<float>(p[i]) * kParamScale;
  cursors.parameter = p + n;
  return p[n - 1];
}

namespace detail {

// Values a unit takes from the stack and values it leaves there in their place.
struct StackEffect {
  int pops;
  int pushes;
};

constexpr bool stack_effect(const UnitOp& op, StackEffect& e) {
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

constexpr bool fail(const char** error, const char* why) {
  if (error) *error = why;
  return false;
}

}  // namespace detail

// Compiles the chain at cursors.command (its parameters at cursors.parameter)
// and leaves both cursors after it. Returns false, with a reason in *error if
// given, for a chain the interpreter cannot run: an opcode above 11, more than
// 32 units, a stack that would underflow or hold more than kStackSize values,
// an Arithmetic operation outside 1..8, an Accumulate selector other than 0 or
// 8, an Oscillator with no waveform or several, a Delay without lines or
// beyond the delay lengths. `delay_lengths` are the song's.
constexpr bool chain_compile(const uint16_t* delay_lengths, Cursors& cursors, ChainProgram& program, const char** error) {
  program = {};
  const uint8_t* first_parameter = cursors.parameter;
  int depth = 0;
  for (int k = 0;; ++k) {
    const uint8_t opcode = *cursors.command++;
    if (opcode == kEndOfChain) {
      program.units = k;
      program.end_depth = depth;
      program.parameter_bytes = static_cast<int32_t>(cursors.parameter - first_parameter);
      return true;
    }
    if (opcode >= kOpcodeCount) return detail::fail(error, "opcode above 11");
    if (k == kUnitsPerChain) return detail::fail(error, "more than 32 units in a chain");

    UnitOp op{};
    op.opcode = opcode;
    op.position = static_cast<uint8_t>(k);
    op.depth = static_cast<uint8_t>(depth);
    op.line_offset = static_cast<uint8_t>(program.line_count);
    const int n = kParamCount[opcode];
    if (n > 0) {
      float decoded[7];
      params_decode(cursors, n, decoded);
      for (int i = 0; i < n; ++i) {
        op.raw[i] = cursors.parameter[i - n];
        op.param[i] = decoded[i];
      }
    }

    detail::StackEffect e;
    if (!detail::stack_effect(op, e)) return detail::fail(error, "Arithmetic operation outside 1..8");
    if (depth < e.pops) return detail::fail(error, "a unit takes more values than the stack holds");
    depth += e.pushes - e.pops;
    if (depth > kStackSize) return detail::fail(error, "the stack would hold more than 8 values");
    if (depth > program.max_depth) program.max_depth = depth;

    switch (opcode) {
      case kOscillator: {
        const uint8_t wave = op.raw[6] & (kSine | kTrisaw | kPulse | kNoise | kGate);
        if (wave == 0 || (wave & (wave - 1)) != 0) return detail::fail(error, "an Oscillator needs exactly one waveform");
        break;
      }
      case kDelay: {
        const int first = op.raw[4], lines = op.raw[5];
        if (lines == 0) return detail::fail(error, "a Delay without lines");
        if (first + lines > kDelayLengthCount) return detail::fail(error, "a Delay beyond the delay lengths");
        op.lengths = delay_lengths + first;
        for (int j = 0; j < lines; ++j)
          if (op.lengths[j] == 0) return detail::fail(error, "a delay length of 0");
        program.line_count += lines;
        break;
      }
      case kAccumulate:
        if (op.raw[0] != 0 && op.raw[0] != 8) return detail::fail(error, "an Accumulate selector other than 0 or 8");
        break;
      default:
        break;
    }
    // With stack positions resolved, Skip and pop do nothing when they run.
    const bool idle = opcode == kSkip || (opcode == kArithmetic && op.raw[0] == kPop);
    if (!idle) program.ops[program.count++] = op;
  }
}


// Fills in what compiling leaves to run time: the Envelope's ramp steps,
// 2^(-24 p) of its attack, decay and release.
void chain_prepare(ChainProgram& program);

}  // namespace synth
