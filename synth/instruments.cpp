// instruments.cpp - the song's eight instruments and its master chain.
//
// Each chain is written as a table, one unit a row, with its parameter bytes
// in stream order. The command stream (opcodes, each chain closed by 0) and
// the parameter stream (all parameter bytes, back to back) are built from
// these tables at compile time; the static_asserts pin their sizes.
#include <algorithm>
#include <array>
#include <cstddef>

#include "synth/fixed_chain.hpp"
#include "synth/song.hpp"

namespace synth::song {
namespace {

struct Unit {
  uint8_t opcode;
  std::array<uint8_t, 7> bytes;  // the first kParamCount[opcode] are used
};

// Row builders, named for the parameters they take, in stream order.
constexpr Unit envelope(uint8_t attack, uint8_t decay, uint8_t sustain, uint8_t release, uint8_t gain) {
  return {kEnvelope, {attack, decay, sustain, release, gain}};
}
constexpr Unit oscillator(uint8_t transpose, uint8_t detune, uint8_t gate_bits, uint8_t color, uint8_t shape,
                          uint8_t gain, uint8_t flags) {
  return {kOscillator, {transpose, detune, gate_bits, color, shape, gain, flags}};
}
constexpr Unit filter(uint8_t frequency, uint8_t damping, uint8_t mode) { return {kFilter, {frequency, damping, mode}}; }
constexpr Unit distortion(uint8_t drive) { return {kDistortion, {drive}}; }
constexpr Unit delay(uint8_t send, uint8_t dry, uint8_t feedback, uint8_t damping, uint8_t length_index,
                     uint8_t line_count) {
  return {kDelay, {send, dry, feedback, damping, length_index, line_count}};
}
constexpr Unit arithmetic(uint8_t operation) { return {kArithmetic, {operation}}; }
constexpr Unit store(uint8_t amount, uint8_t target) { return {kStore, {amount, target}}; }
constexpr Unit pan() { return {kPan, {}}; }
constexpr Unit output(uint8_t main_gain, uint8_t aux_gain) { return {kOutput, {main_gain, aux_gain}}; }
constexpr Unit accumulate(uint8_t pair_select) { return {kAccumulate, {pair_select}}; }

// Store targets: word w of the unit at chain position p.
constexpr uint8_t target(int position, int word) { return static_cast<uint8_t>(position * 8 + word); }
constexpr int kEnvelopeGainMod = 2;
constexpr int kOscTransposeMod = 1;
constexpr int kOscDetuneMod = 2;
constexpr int kOscColorMod = 5;
constexpr int kFilterFrequencyMod = 4;

// Pair selectors of Accumulate.
constexpr uint8_t kMainPairs = 0;
constexpr uint8_t kAuxPairs = 8;

// Instrument 0: lead pad. Three detuned saws and two sines an octave up,
// low-passed with a filter swept by its own envelope, a small reverberator of
// its own and two echoes (1/3 s left, three ticks right).
constexpr std::array kInstrument0 = {
    envelope(0, 64, 96, 64, 128),                       // 0  amplitude
    envelope(0, 72, 64, 64, 128),                       // 1  filter sweep
    store(104, target(13, kFilterFrequencyMod)),        // 2
    arithmetic(kPop),                                   // 3
    oscillator(64, 68, 85, 0, 64, 128, kTrisaw),        // 4  +1/16 semitone
    oscillator(64, 60, 85, 0, 64, 128, kTrisaw),        // 5  -1/16 semitone
    oscillator(76, 64, 85, 6, 64, 128, kTrisaw),        // 6  an octave up
    oscillator(76, 64, 0, 64, 64, 128, kSine),          // 7
    arithmetic(kAddPop),                                // 8
    oscillator(76, 64, 0, 64, 64, 128, kSine),          // 9
    arithmetic(kAddPop),                                // 10
    arithmetic(kAddPop),                                // 11
    arithmetic(kAddPop),                                // 12
    filter(32, 128, kLowpass),                          // 13
    arithmetic(kMulPop),                                // 14
    delay(64, 128, 64, 64, 8, 8),                       // 15 eight-line reverberator
    pan(),                                              // 16
    delay(48, 128, 32, 64, 16, 1),                      // 17 echo, 16537 samples
    arithmetic(kSwap),                                  // 18
    delay(48, 128, 32, 64, 17, 1),                      // 19 echo, 14700 samples
    output(92, 0),                                      // 20
};

// Instrument 1: pulse chord pad. Three pulses whose width follows an envelope
// and whose detune two slow sine LFOs move, gated by a 1 Hz step pattern,
// with a one-second echo; the left side is 512 samples late.
constexpr std::array kInstrument1 = {
    envelope(74, 64, 80, 80, 128),                      // 0  amplitude
    envelope(0, 88, 64, 88, 128),                       // 1  pulse width
    store(96, target(13, kOscColorMod)),                // 2
    store(96, target(14, kOscColorMod)),                // 3
    store(96, target(15, kOscColorMod)),                // 4
    arithmetic(kPop),                                   // 5
    oscillator(72, 64, 85, 64, 64, 128, kSine | kLfo),  // 6  about 3.17 Hz
    store(56, target(13, kOscDetuneMod)),               // 7
    store(77, target(15, kOscDetuneMod)),               // 8
    arithmetic(kPop),                                   // 9
    oscillator(48, 64, 85, 64, 64, 128, kSine | kLfo),  // 10 about 0.79 Hz
    store(72, target(14, kOscDetuneMod)),               // 11
    arithmetic(kPop),                                   // 12
    oscillator(64, 64, 85, 64, 64, 128, kPulse),        // 13
    oscillator(64, 64, 85, 64, 64, 64, kPulse),         // 14
    oscillator(64, 64, 85, 64, 64, 96, kPulse),         // 15
    arithmetic(kAddPop),                                // 16
    arithmetic(kAddPop),                                // 17
    filter(88, 128, kLowpass),                          // 18
    arithmetic(kMulPop),                                // 19
    oscillator(52, 64, 93, 87, 64, 128, kGate | kLfo),  // 20 gate pattern 0x575D, about 1 Hz
    arithmetic(kMulPop),                                // 21
    delay(64, 128, 64, 64, 18, 1),                      // 22 echo, one second
    pan(),                                              // 23
    delay(128, 0, 0, 0, 19, 1),                         // 24 512 samples, widening
    output(45, 32),                                     // 25
};

// Instrument 2: bell arpeggio. A sine two octaves up with echoes of 1/2 s
// (left) and 1/4 s (right).
constexpr std::array kInstrument2 = {
    envelope(32, 80, 64, 64, 128),                      // 0
    oscillator(88, 64, 85, 64, 64, 128, kSine),         // 1
    arithmetic(kMulPop),                                // 2
    pan(),                                              // 3
    delay(96, 64, 64, 64, 20, 1),                       // 4  echo, 22050 samples
    arithmetic(kSwap),                                  // 5
    delay(96, 64, 96, 64, 21, 1),                       // 6  echo, 11025 samples
    arithmetic(kSwap),                                  // 7
    output(50, 8),                                      // 8
};

// Instrument 3: kick. A sine whose pitch falls from up to 32 semitones above
// along a bent envelope; the amplitude envelope feeds its own output back
// into its gain one frame later.
constexpr std::array kInstrument3 = {
    envelope(0, 45, 96, 73, 128),                       // 0  amplitude
    store(128, target(0, kEnvelopeGainMod)),            // 1  own gain, one frame late
    envelope(0, 70, 0, 0, 128),                         // 2  pitch sweep
    distortion(32),                                     // 3
    store(80, target(6, kOscTransposeMod)),             // 4
    arithmetic(kPop),                                   // 5
    oscillator(45, 64, 85, 64, 66, 128, kSine),         // 6
    arithmetic(kMulPop),                                // 7
    pan(),                                              // 8
    output(128, 0),                                     // 9
};

// Instrument 4: instrument 1 with a slightly faster attack and louder.
constexpr auto kInstrument4 = [] {
  auto chain = kInstrument1;
  chain[0].bytes[0] = 72;   // attack
  chain[25].bytes[0] = 64;  // main gain
  return chain;
}();

// Instrument 5: instrument 2, quieter in the main pair and wetter.
constexpr auto kInstrument5 = [] {
  auto chain = kInstrument2;
  chain[8].bytes = {36, 14};  // main gain, aux gain
  return chain;
}();

// Instrument 6: hi-hat. Short noise burst, high-passed.
constexpr std::array kInstrument6 = {
    envelope(0, 64, 0, 0, 128),                         // 0
    oscillator(64, 64, 85, 64, 64, 128, kNoise),        // 1
    arithmetic(kMulPop),                                // 2
    filter(128, 128, kHighpass),                        // 3
    pan(),                                              // 4
    output(64, 0),                                      // 5
};

// Instrument 7: backbeat. Low-passed noise under an envelope that feeds
// itself back into its gain.
constexpr std::array kInstrument7 = {
    envelope(0, 76, 0, 0, 32),                          // 0
    store(128, target(0, kEnvelopeGainMod)),            // 1  own gain, one frame late
    oscillator(64, 64, 85, 64, 64, 128, kNoise),        // 2
    arithmetic(kMulPop),                                // 3
    filter(80, 128, kLowpass),                          // 4
    pan(),                                              // 5
    output(32, 17),                                     // 6
};

// Master chain: the voices' aux pairs through a reverberator of eight lines
// per side (the right side's lines 24 samples longer), the main pairs added
// on, halved.
constexpr std::array kMasterChain = {
    accumulate(kAuxPairs),                              // 0
    delay(40, 128, 125, 64, 0, 8),                      // 1  left reverberator
    arithmetic(kSwap),                                  // 2
    delay(40, 128, 125, 64, 8, 8),                      // 3  right reverberator
    arithmetic(kSwap),                                  // 4
    accumulate(kMainPairs),                             // 5
    arithmetic(kAddPair),                               // 6
    output(64, 0),                                      // 7
};

// ---- The streams, built from the tables ----------------------------------------

template <std::size_t N>
constexpr std::size_t parameter_bytes(const std::array<Unit, N>& chain) {
  std::size_t n = 0;
  for (const Unit& u : chain) n += kParamCount[u.opcode];
  return n;
}

struct Streams {
  std::array<uint8_t, kCommandBytes> commands{};
  std::array<uint8_t, kParameterBytes> parameters{};
  std::size_t command_size = 0;
  std::size_t parameter_size = 0;

  template <std::size_t N>
  constexpr void append(const std::array<Unit, N>& chain) {
    for (const Unit& u : chain) {
      commands[command_size++] = u.opcode;
      for (int i = 0; i < kParamCount[u.opcode]; ++i) parameters[parameter_size++] = u.bytes[i];
    }
    commands[command_size++] = kEndOfChain;
  }
};

constexpr Streams kStreams = [] {
  Streams s;
  s.append(kInstrument0);
  s.append(kInstrument1);
  s.append(kInstrument2);
  s.append(kInstrument3);
  s.append(kInstrument4);
  s.append(kInstrument5);
  s.append(kInstrument6);
  s.append(kInstrument7);
  s.append(kMasterChain);
  return s;
}();

static_assert(kStreams.command_size == kCommandBytes);
static_assert(kStreams.parameter_size == kParameterBytes);
static_assert(kInstrument0.size() == 21 && parameter_bytes(kInstrument0) == 77);
static_assert(kInstrument1.size() == 26 && parameter_bytes(kInstrument1) == 88);
static_assert(kInstrument2.size() == 9 && parameter_bytes(kInstrument2) == 29);
static_assert(kInstrument3.size() == 10 && parameter_bytes(kInstrument3) == 26);
static_assert(kInstrument6.size() == 6 && parameter_bytes(kInstrument6) == 18);
static_assert(kInstrument7.size() == 7 && parameter_bytes(kInstrument7) == 20);
static_assert(kMasterChain.size() == 8 && parameter_bytes(kMasterChain) == 19);

}  // namespace

const std::array<uint8_t, kCommandBytes> kCommandStream = kStreams.commands;
const std::array<uint8_t, kParameterBytes> kParameterStream = kStreams.parameters;

// The chains compiled now, while the program is built, and a runner for each
// with its program built into the code.
constexpr std::array<ChainProgram, kChains> kPrograms = [] {
  std::array<ChainProgram, kChains> programs{};
  Cursors cursors{kStreams.commands.data(), kStreams.parameters.data()};
  for (ChainProgram& p : programs)
    if (!chain_compile(kDelayLengths.data(), cursors, p, nullptr)) throw "a chain of the song does not compile";
  return programs;
}();

constexpr ChainProgram kProgram0 = kPrograms[0], kProgram1 = kPrograms[1], kProgram2 = kPrograms[2],
                       kProgram3 = kPrograms[3], kProgram4 = kPrograms[4], kProgram5 = kPrograms[5],
                       kProgram6 = kPrograms[6], kProgram7 = kPrograms[7], kProgramMaster = kPrograms[8];

constexpr FixedChainRun kFixedRuns[kChains] = {
    fixed_chain_run<kProgram0>, fixed_chain_run<kProgram1>, fixed_chain_run<kProgram2>,
    fixed_chain_run<kProgram3>, fixed_chain_run<kProgram4>, fixed_chain_run<kProgram5>,
    fixed_chain_run<kProgram6>, fixed_chain_run<kProgram7>, fixed_chain_run<kProgramMaster>,
};

}  // namespace synth::song

namespace synth {

const Song& song_default() {
  static const Song song = {
      song::kCommandStream.data(), song::kParameterStream.data(), song::kPatterns,
      song::kPatternLists,         song::kDelayLengths.data(),      song::kPrograms.data(),
      song::kFixedRuns,
  };
  return song;
}

}  // namespace synth
