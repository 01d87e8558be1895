// units.hpp - the unit interpreter and the unit routines.
//
// A chain is a run of opcode bytes closed by 0; its units' parameter bytes
// stand in the same order in the parameter stream. Unit k of a chain owns
// units[k] of the voice it runs over, and units pass double-precision values
// to each other on a small SignalStack (a stereo pair is held with its left
// value on top).
//
// The byte streams are read once, by chain_compile (chain_compile.hpp), into
// a ChainProgram per chain; chain_run then runs a program over one voice per
// frame. The result is exactly what decoding the bytes anew at every run
// would give.
//
// Tests drive single units through the same UnitContext.
#pragma once

#include <bit>
#include <cstdint>

#include "synth/chain_compile.hpp"
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
  DelayLine* lines;       // Delay: its first line; the DC blocker lies in the record after its last
  const double* step;     // Envelope: its ramp steps by stage (op.step once prepared)
};

// Runs one frame of a compiled chain over `voice`, taking its delay lines
// from ws.delay_cursor onward and advancing the cursor past them. Returns the
// number of values the chain leaves on the stack (0 for every chain of a
// well-formed song); `stack`, if given, receives them.
int chain_run(SynthWorkspace& ws, const ChainProgram& program, VoiceState& voice, Pow2Memo* memo_row,
              double* stack = nullptr);

// 2^x in double precision.
double power_of_two(double x);

// Runs the unit of c.op, whatever its kind.
void unit_dispatch(UnitContext& c);

// Runs the unit whose opcode is known when the program is built.
template <uint8_t Opcode>
inline void unit_run(UnitContext& c);

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

template <uint8_t Opcode>
inline void unit_run(UnitContext& c) {
  if constexpr (Opcode == kEnvelope) unit_envelope(c);
  else if constexpr (Opcode == kOscillator) unit_oscillator(c);
  else if constexpr (Opcode == kFilter) unit_filter(c);
  else if constexpr (Opcode == kDistortion) unit_distortion(c);
  else if constexpr (Opcode == kDelay) unit_delay(c);
  else if constexpr (Opcode == kArithmetic) unit_arithmetic(c);
  else if constexpr (Opcode == kStore) unit_store(c);
  else if constexpr (Opcode == kPan) unit_pan(c);
  else if constexpr (Opcode == kOutput) unit_output(c);
  else if constexpr (Opcode == kAccumulate) unit_accumulate(c);
}

}  // namespace synth
