// units.hpp - the unit interpreter and the unit routines.
//
// A chain is a run of opcode bytes closed by 0; its units' parameter bytes
// stand in the same order in the parameter stream. chain_run walks one chain
// over one voice: unit k of the chain owns units[k] of the voice, and units
// pass double-precision values to each other on a small SignalStack (a stereo
// pair is held with its left value on top).
//
// Every unit routine takes a UnitContext, decodes its own parameter bytes
// first (params_decode), and does exactly what its kind does: these are the
// building blocks the song's instruments are made of. Tests drive single
// units through the same context.
#pragma once

#include <bit>
#include <cstdint>

#include "synth/synth.hpp"

namespace synth {

struct SignalStack {
  double value[kStackSize];
  int depth;  // number of values; value[depth - 1] is the top

  void push(double v) { value[depth++] = v; }
  double pop() { return value[--depth]; }
  double& top() { return value[depth - 1]; }
  double& below(int n) { return value[depth - 1 - n]; }  // below(0) is the top
};

// The two read positions of a frame: the next opcode and the next parameter byte.
struct Cursors {
  const uint8_t* command;
  const uint8_t* parameter;
};

// What a unit routine works on.
struct UnitContext {
  SynthWorkspace& ws;
  VoiceState& voice;
  UnitState& state;       // units[k] of the running voice
  SignalStack& stack;
  Cursors& cursors;
  Pow2Memo& memo;         // the unit's memoised power of two
  float* decoded;         // the running unit's decoded parameters (params_decode fills it)
};

// Takes the next n parameter bytes, stores byte / 128 in decoded[0..n-1]
// and yields the last byte raw.
inline uint8_t params_decode(UnitContext& c, int n) {
  const uint8_t* p = c.cursors.parameter;
  for (int i = 0; i < n; ++i) c.decoded[i] = static_cast<float>(p[i]) * kParamScale;
  c.cursors.parameter = p + n;
  return p[n - 1];
}

// The raw bytes params_decode has just consumed: raw_param(c, n, i) is byte i
// of a unit with n parameters.
inline uint8_t raw_param(const UnitContext& c, int n, int i) { return c.cursors.parameter[i - n]; }

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
void unit_skip(UnitContext& c);

// Runs the chain at cursors.command over `voice` with an empty stack; on
// return both cursors stand after the chain. memo_row is the voice's row of
// ws.pow2_memo. The stack is left as the chain left it.
void chain_run(SynthWorkspace& ws, Cursors& cursors, VoiceState& voice, Pow2Memo* memo_row,
               SignalStack& stack);

}  // namespace synth
