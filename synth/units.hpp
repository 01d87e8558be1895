// units.hpp - the unit interpreter and the unit routines.
//
// A chain is a run of opcode bytes closed by 0; its units' parameter bytes
// stand in the same order in the parameter stream. Unit k of a chain owns
// units[k] of the voice it runs over, and units pass double-precision values
// to each other on a small SignalStack (a stereo pair is held with its left
// value on top).
//
// The byte streams are read once: chain_compile walks a chain's opcodes and
// parameter bytes (params_decode) into a ChainProgram, one UnitOp a unit,
// with its parameters decoded, the values that follow from them alone
// precomputed, and the stack position it works at resolved (every unit kind
// has a fixed effect on the stack, so the depth at each unit is known). A
// malformed chain is rejected there, not met at run time. chain_run then runs
// a program over one voice per frame; the result is exactly what decoding the
// bytes anew at every run would give.
//
// Tests drive single units through the same UnitContext.
#pragma once

#include <bit>
#include <cstdint>

#include "synth/synth.hpp"

namespace synth {

// The stack as a unit sees it: `top` points at the value on top (top[-1] is
// the one below it); a unit that pushes writes top[1].
struct UnitContext {
  SynthWorkspace& ws;
  VoiceState& voice;
  UnitState& state;       // units[k] of the running voice
  const UnitOp& op;       // the unit's decoded parameters
  double* top;
  Pow2Memo& memo;         // the unit's memoised power of two
};

// The two read positions while a chain is compiled: the next opcode and the
// next parameter byte.
struct Cursors {
  const uint8_t* command;
  const uint8_t* parameter;
};

// Takes the next n parameter bytes (n from 1 to 7): stores byte / 128 in
// decoded[0..n-1] and yields the last byte raw.
inline uint8_t params_decode(Cursors& cursors, int n, float* decoded) {
  const uint8_t* p = cursors.parameter;
  for (int i = 0; i < n; ++i) decoded[i] = static_cast<float>(p[i]) * kParamScale;
  cursors.parameter = p + n;
  return p[n - 1];
}

// Compiles the chain at cursors.command (its parameters at cursors.parameter)
// and leaves both cursors after it. Returns false, with a reason in `error`,
// for a chain the interpreter cannot run: an opcode above 11, more than 32
// units, a stack that would underflow or hold more than kStackSize values, an
// Arithmetic operation outside 1..8, an Accumulate selector other than 0 or 8,
// an Oscillator with no waveform or several, a Delay without lines or beyond
// the delay lengths. `song` supplies the delay lengths.
bool chain_compile(const Song& song, Cursors& cursors, ChainProgram& program, const char** error);

// Runs one frame of a compiled chain over `voice`. Returns the number of
// values the chain leaves on the stack (0 for every chain of a well-formed
// song); `stack`, if given, receives them.
int chain_run(SynthWorkspace& ws, const ChainProgram& program, VoiceState& voice, Pow2Memo* memo_row,
              double* stack = nullptr);

// 2^x in double precision.
double power_of_two(double x);

// power_of_two through the unit's memo: the same result, computed only when
// the argument changes.
inline double power_of_two_memo(Pow2Memo& m, double x) {
  if (m.y != 0.0 && m.x == x) return m.y;
  m.x = x;
  m.y = power_of_two(x);
  return m.y;
}

// The rational transfer curve shared by the Distortion unit and every
// Oscillator: keeps 0 and +-1, saturates for drive d above 0.5, expands below.
double waveshape(double x, double d);

inline int32_t stage_get(const UnitState& u) { return std::bit_cast<int32_t>(u.word[0]); }
inline void stage_set(UnitState& u, int32_t s) { u.word[0] = std::bit_cast<float>(s); }

void unit_envelope(UnitContext& c);
void unit_oscillator(UnitContext& c);
void unit_filter(UnitContext& c);
void unit_distortion(UnitContext& c);
void unit_delay(UnitContext& c);
void unit_arithmetic(UnitContext& c);
void unit_store(UnitContext& c);
void unit_pan(UnitContext& c);
void unit_output(UnitContext& c);
void unit_accumulate(UnitContext& c);

}  // namespace synth
