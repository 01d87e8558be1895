// fixed_chain.hpp - running a chain whose program is known when the program
// is built.
//
// chain_run (units.hpp) reads each unit's kind, stack position and state
// place from the ChainProgram as it goes. For a song whose bytes are known at
// build time, chain_compile can run at build time too, and fixed_chain_run
// expands the resulting program into straight-line code: no dispatch, stack
// positions as constants, so the values between units stay in registers.
// It runs the same unit routines in the same order over the same state, so
// its results are those of chain_run, bit for bit; only the bookkeeping goes.
//
// Instantiate it in the translation unit that holds the song's tables (see
// instruments.cpp) and hand it to the render loop through the Song record.
#pragma once

#include <utility>

#include "synth/units.hpp"

namespace synth {

namespace detail {

template <const ChainProgram& P, std::size_t... I>
[[gnu::always_inline]] inline void fixed_ops(SynthWorkspace& ws, const ChainProgram& live, VoiceState& voice,
                                             Pow2Memo* memo_row, DelayLine* lines, std::index_sequence<I...>) {
  double stack[kStackSize + 1];
  (
      [&] {
        constexpr const UnitOp& op = P.ops[I];
        UnitContext c{ws,  voice, voice.units[op.position], op, stack + op.depth, memo_row[op.position],
                      lines + op.line_offset, live.ops[I].step};
        unit_run<op.opcode>(c);
      }(),
      ...);
}

}  // namespace detail

// One frame of the chain P over `voice`; `live` is the same chain as
// compiled at run time (it holds the Envelope steps), `lines` its first
// delay line.
template <const ChainProgram& P>
[[gnu::flatten]] void fixed_chain_run(SynthWorkspace& ws, const ChainProgram& live, VoiceState& voice,
                                      Pow2Memo* memo_row, DelayLine* lines) {
  detail::fixed_ops<P>(ws, live, voice, memo_row, lines, std::make_index_sequence<P.count>{});
}

}  // namespace synth
