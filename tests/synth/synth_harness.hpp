// synth_harness.hpp - small fixtures for driving the synthesizer in tests:
// single units on a stack of our choosing, and whole songs made of a few
// bytes.
#pragma once

#include <array>
#include <cstring>
#include <initializer_list>
#include <memory>
#include <vector>

#include "synth/song.hpp"
#include "synth/units.hpp"

namespace synth::testing {

// Compiles one unit from its opcode and parameter bytes, the way a chain's
// bytes are compiled, with the song's delay lengths.
inline UnitOp unit_compile(uint8_t opcode, std::initializer_list<uint8_t> bytes) {
  // A chain of values to feed the unit (enough Envelopes to satisfy any
  // stack need is not wanted here: compile the unit alone after pushing
  // placeholder values with Accumulate pairs).
  std::vector<uint8_t> commands = {kAccumulate, kAccumulate, opcode, kEndOfChain};
  std::vector<uint8_t> params = {0, 0};
  params.insert(params.end(), bytes.begin(), bytes.end());
  Cursors cursors{commands.data(), params.data()};
  ChainProgram program{};
  const char* error = nullptr;
  if (!chain_compile(song::kDelayLengths.data(), cursors, program, &error)) return UnitOp{};
  chain_prepare(program);
  for (int i = 0; i < program.count; ++i)
    if (program.ops[i].position == 2) return program.ops[i];
  UnitOp idle{};
  idle.opcode = opcode;
  return idle;
}

// One voice in a fresh workspace, and a stack whose values the test sets.
struct UnitHarness {
  std::unique_ptr<SynthWorkspace> ws = std::make_unique<SynthWorkspace>();
  VoiceState& voice;
  double stack[kStackSize + 1] = {};
  int depth = 0;
  Pow2Memo memo{};

  UnitHarness() : voice(ws->voices[0]) { synth_reset(*ws, song_default()); }

  void set_stack(std::initializer_list<double> bottom_to_top) {
    depth = 0;
    for (double v : bottom_to_top) stack[++depth] = v;
  }
  double top() const { return stack[depth]; }

  // Runs the unit once over voice.units[position], with the stack as it
  // stands; adjusts `depth` by the unit's effect.
  void run(const UnitOp& op, int position = 0, int depth_after = -1) {
    UnitContext c{*ws, voice, voice.units[position], op, stack + depth, memo, ws->delay_lines + op.line_offset,
                  op.step};
    unit_dispatch(c);
    if (depth_after >= 0) depth = depth_after;
  }
};

// A song of our own: chains and patterns given as bytes, the song's delay
// lengths, every Pattern silent unless set.
struct TestSong {
  std::vector<uint8_t> commands;
  std::vector<uint8_t> parameters;
  uint8_t patterns[kPatternCount][kRowsPerPattern] = {};
  uint8_t lists[kInstruments][kSlots] = {};
  Song song{};

  // Eight instrument chains and a master chain, each given as opcodes (the
  // closing 0 is added) and parameter bytes.
  TestSong(const std::vector<std::vector<uint8_t>>& chains, const std::vector<std::vector<uint8_t>>& params) {
    for (std::size_t i = 0; i < chains.size(); ++i) {
      commands.insert(commands.end(), chains[i].begin(), chains[i].end());
      commands.push_back(kEndOfChain);
      parameters.insert(parameters.end(), params[i].begin(), params[i].end());
    }
    parameters.push_back(0);  // never read; keeps data() valid for chains without parameters
    song = Song{commands.data(), parameters.data(), patterns, lists, song::kDelayLengths.data(), nullptr, nullptr};
  }
};

}  // namespace synth::testing
