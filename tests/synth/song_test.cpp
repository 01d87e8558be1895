// song_test.cpp - the song's content: what the arrangement plays, the shape
// of the chains, and the sequencer's behaviour over the real song.
//
// The arrangement checks walk the real PatternLists and Patterns, slot by
// slot, and compare what they find with the song's requirements per
// instrument. The chain checks compile the song's streams chain by chain and
// run every chain once with chain_run. Nothing here renders more than one
// frame of sound.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <set>

#include "synth/chain_compile.hpp"
#include "synth/song.hpp"
#include "synth/synth.hpp"
#include "synth/units.hpp"

namespace synth {
namespace {

bool is_note(uint8_t code) { return code >= 2 && code <= 127; }

// ---- The arrangement ------------------------------------------------------------

struct NotesPlayed {
  std::set<int> codes;
  int events = 0;
  int first_tick = -1;
  int last_tick = -1;
};

// Every note event instrument i has over the whole song, read the way the
// sequencer reads it: slot by slot, row by row.
NotesPlayed notes_of(int instrument) {
  NotesPlayed n;
  for (int tick = 0; tick < kTicks; ++tick) {
    const uint8_t pattern = song::kPatternLists[instrument][tick / kRowsPerPattern];
    const uint8_t code = song::kPatterns[pattern][tick % kRowsPerPattern];
    if (!is_note(code)) continue;
    n.codes.insert(code);
    ++n.events;
    if (n.first_tick < 0) n.first_tick = tick;
    n.last_tick = tick;
  }
  return n;
}

struct InstrumentNotes {
  int instrument;
  std::set<int> codes;
  int events;
  int first_tick;
  int last_tick;
};

// What each instrument must play over the song.
const InstrumentNotes kRequiredNotes[] = {
    {0, {29, 36, 38, 39, 41, 43, 45, 50}, 64, 88, 832},
    {1, {36, 60}, 7, 72, 641},
    {2, {36, 39, 41, 45, 48, 51, 52, 53, 55, 57}, 280, 0, 830},
    {3, {57}, 57, 448, 762},
    {4, {62, 64, 65, 67}, 28, 129, 697},
    {5, {62, 63, 64, 65, 67, 69, 72, 74, 75, 77, 81, 84}, 274, 208, 830},
    {6, {60}, 160, 448, 703},
    {7, {60}, 40, 452, 764},
};

TEST(SongArrangement, EachInstrumentPlaysItsCodesCountsAndSpan) {
  for (const InstrumentNotes& want : kRequiredNotes) {
    SCOPED_TRACE(testing::Message() << "instrument " << want.instrument);
    const NotesPlayed got = notes_of(want.instrument);
    EXPECT_EQ(got.codes, want.codes);
    EXPECT_EQ(got.events, want.events);
    EXPECT_EQ(got.first_tick, want.first_tick);
    EXPECT_EQ(got.last_tick, want.last_tick);
  }
}

TEST(SongArrangement, SongOpensWithF41OnTheLowBells) {
  EXPECT_EQ(song::kPatterns[song::kPatternLists[2][0]][0], 41);
}

// Which Patterns each instrument's list names.
std::array<std::set<int>, kPatternCount> users_of_patterns() {
  std::array<std::set<int>, kPatternCount> users;
  for (int i = 0; i < kInstruments; ++i)
    for (int s = 0; s < kSlots; ++s) users[song::kPatternLists[i][s]].insert(i);
  return users;
}

TEST(SongArrangement, EveryPatternButTheSharedOnesServesOneInstrument) {
  const auto users = users_of_patterns();
  for (int p = 0; p < kPatternCount; ++p) {
    if (p <= 2) continue;  // silence, mid-slot entry and hold are shared
    EXPECT_LE(users[p].size(), 1u) << "pattern " << p;
  }
  // The shared ones serve exactly these instruments.
  EXPECT_EQ(users[1], (std::set<int>{0, 1}));
  EXPECT_EQ(users[2], (std::set<int>{0, 1, 4}));
}

TEST(SongArrangement, ComposedPatternsAreAllInUseAndUnusedOnesAreSilent) {
  const auto users = users_of_patterns();
  for (int p = 0; p < kPatternCount; ++p) {
    SCOPED_TRACE(testing::Message() << "pattern " << p);
    if (p < 40) {
      EXPECT_FALSE(users[p].empty());
      continue;
    }
    EXPECT_TRUE(users[p].empty());
    for (int r = 0; r < kRowsPerPattern; ++r) EXPECT_EQ(song::kPatterns[p][r], 0);
  }
}

// Each composed Pattern carries at least one note of its own instrument, so
// that none is a stand-in.
TEST(SongArrangement, EveryComposedPatternPlaysNotes) {
  const int composed[] = {3,  4,  5,  6,  7,  8,  9,  10, 11, 12, 13, 16, 17, 18, 19, 21,
                          22, 23, 24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34, 35, 36};
  for (int p : composed) {
    const uint8_t* rows = song::kPatterns[p];
    EXPECT_TRUE(std::any_of(rows, rows + kRowsPerPattern, is_note)) << "pattern " << p;
  }
}

// The stretches of the song and the instruments that have a Pattern other
// than silence in every slot of each stretch (and in none outside it).
struct Stretch {
  int first_slot, last_slot;
  std::set<int> instruments;
};

const Stretch kArrangement[] = {
    {0, 3, {2}},
    {4, 4, {1}},
    {5, 7, {0, 1}},
    {8, 12, {0, 1, 4}},
    {13, 13, {0, 1, 2, 4, 5}},
    {14, 15, {0, 1, 4}},
    {16, 19, {0, 4}},
    {20, 27, {0, 2, 5}},
    {28, 43, {0, 1, 2, 3, 4, 5, 6, 7}},
    {44, 47, {0, 2, 3, 5, 7}},
    {48, 51, {0, 2, 5}},
    {52, 52, {0}},
    {53, 53, {}},
};

TEST(SongArrangement, InstrumentsEnterAndLeaveByTheStretches) {
  for (const Stretch& st : kArrangement) {
    for (int s = st.first_slot; s <= st.last_slot; ++s) {
      std::set<int> playing;
      for (int i = 0; i < kInstruments; ++i)
        if (song::kPatternLists[i][s] != 0) playing.insert(i);
      EXPECT_EQ(playing, st.instruments) << "slot " << s;
    }
  }
}

// ---- Harmony and rhythm -------------------------------------------------------------

// Pitch classes, C = 0: a note code's pitch class is code mod 12 (code 72 is C).
enum PitchClass { C = 0, D = 2, Eb = 3, E = 4, F = 5, G = 7, A = 9 };

struct Chord {
  const char* name;
  std::set<int> tones;
};
const Chord kF{"F", {F, A, C}};
const Chord kF7{"F7", {F, A, C, Eb}};
const Chord kDm7{"Dm7", {D, F, A, C}};
const Chord kC6{"C", {C, E, G, A}};  // the turnaround's bass may touch the sixth

// The chord of each slot: the opening states the phrase once, a C pedal
// follows, then the phrase F, F(7), Dm7, C repeats to the end.
const Chord& chord_of_slot(int slot) {
  static const Chord* const kOpening[] = {&kF, &kF7, &kDm7, &kC6, &kC6, &kC6, &kC6, &kC6};
  static const Chord* const kPhrase[] = {&kF, &kF7, &kDm7, &kC6};
  return slot < 8 ? *kOpening[slot] : *kPhrase[slot % 4];
}

// Bass, pads and bells start only notes of the slot's chord, so that they
// agree wherever they sound together.
TEST(SongHarmony, PitchedInstrumentsStartOnlyTonesOfTheSlotsChord) {
  for (int i : {0, 1, 2, 4, 5})
    for (int tick = 0; tick < kTicks; ++tick) {
      const int slot = tick / kRowsPerPattern;
      const uint8_t code = song::kPatterns[song::kPatternLists[i][slot]][tick % kRowsPerPattern];
      if (!is_note(code)) continue;
      const Chord& chord = chord_of_slot(slot);
      EXPECT_EQ(chord.tones.count(code % 12), 1u)
          << "instrument " << i << " code " << int(code) << " at tick " << tick << " over " << chord.name;
    }
}

// The kick never lands on the backbeat.
TEST(SongRhythm, KickAndBackbeatNeverStartTogether) {
  for (int tick = 0; tick < kTicks; ++tick) {
    const int slot = tick / kRowsPerPattern, row = tick % kRowsPerPattern;
    const bool kick = is_note(song::kPatterns[song::kPatternLists[3][slot]][row]);
    const bool backbeat = is_note(song::kPatterns[song::kPatternLists[7][slot]][row]);
    EXPECT_FALSE(kick && backbeat) << "tick " << tick;
  }
}

// The given Patterns, which the composed ones are written around.
TEST(SongArrangement, GivenPatternsKeepTheirRows) {
  struct Given {
    int pattern;
    std::array<uint8_t, kRowsPerPattern> rows;
  };
  const Given given[] = {
      {0, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
      {1, {0, 0, 0, 0, 0, 0, 0, 0, 36, 1, 1, 1, 1, 1, 1, 1}},
      {2, {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}},
      {14, {36, 39, 41, 45, 48, 51, 53, 57, 0, 0, 0, 0, 0, 0, 0, 0}},
      {15, {53, 0, 53, 0, 53, 0, 53, 0, 53, 0, 53, 0, 53, 0, 53, 0}},
      {20, {57, 0, 0, 0, 0, 0, 57, 0, 57, 0, 0, 0, 0, 0, 0, 0}},
      {37, {60, 60, 1, 60, 60, 1, 60, 60, 1, 60, 1, 1, 60, 60, 1, 60}},
      {38, {0, 0, 0, 0, 60, 1, 1, 1, 1, 1, 1, 1, 60, 1, 1, 1}},
      {39, {1, 1, 1, 1, 60, 1, 1, 1, 1, 1, 1, 1, 60, 1, 1, 1}},
  };
  for (const Given& g : given)
    for (int r = 0; r < kRowsPerPattern; ++r)
      EXPECT_EQ(song::kPatterns[g.pattern][r], g.rows[r]) << "pattern " << g.pattern << " row " << r;
}

// ---- The chains ----------------------------------------------------------------

struct ChainShape {
  int units;
  int parameter_bytes;
  int delay_lines;  // per run, that is per voice
};

// Instruments 0..7, then the master chain.
const ChainShape kChainShapes[song::kChains] = {
    {21, 77, 10}, {26, 88, 2}, {9, 29, 2}, {10, 26, 0}, {26, 88, 2},
    {9, 29, 2},   {6, 18, 0},  {7, 20, 0}, {8, 19, 16},
};

TEST(SongChains, StreamsHaveTheirSizes) {
  EXPECT_EQ(song::kCommandStream.size(), 131u);
  EXPECT_EQ(song::kParameterStream.size(), 394u);
  EXPECT_EQ(std::count(song::kCommandStream.begin(), song::kCommandStream.end(), kEndOfChain), song::kChains);
  EXPECT_EQ(song::kCommandStream.back(), kEndOfChain);
}

// The streams read chain after chain, each chain taking its own units and
// parameter bytes, the nine together taking both streams to the last byte.
TEST(SongChains, EachChainHasItsUnitsParametersAndStackUse) {
  Cursors cursors{song::kCommandStream.data(), song::kParameterStream.data()};
  int deepest = 0, deepest_chain = -1;
  for (int chain = 0; chain < song::kChains; ++chain) {
    SCOPED_TRACE(testing::Message() << "chain " << chain);
    ChainProgram program{};
    const char* error = nullptr;
    ASSERT_TRUE(chain_compile(song::kDelayLengths.data(), cursors, program, &error)) << error;
    EXPECT_EQ(program.units, kChainShapes[chain].units);
    EXPECT_EQ(program.parameter_bytes, kChainShapes[chain].parameter_bytes);
    EXPECT_EQ(program.line_count, kChainShapes[chain].delay_lines);
    EXPECT_EQ(program.end_depth, 0);
    EXPECT_LE(program.max_depth, 5);
    if (program.max_depth > deepest) deepest = program.max_depth, deepest_chain = chain;
  }
  EXPECT_EQ(cursors.command, song::kCommandStream.data() + song::kCommandBytes);
  EXPECT_EQ(cursors.parameter, song::kParameterStream.data() + song::kParameterBytes);
  // The deepest point, five values, is in instrument 0's chain.
  EXPECT_EQ(deepest, 5);
  EXPECT_EQ(deepest_chain, 0);
}

// chain_run over every voice in frame order, as the render loop runs them:
// every run leaves the stack empty, each takes its chain's delay lines, and
// a frame's runs take 52 lines in all.
TEST(SongChains, ChainRunEmptiesTheStackAndTakesFiftyTwoLinesAFrame) {
  auto ws = std::make_unique<SynthWorkspace>();
  ASSERT_TRUE(synth_reset(*ws, song_default()));
  ws->delay_cursor = ws->delay_lines;
  ws->master.note = kInstruments;
  for (int chain = 0; chain < song::kChains; ++chain) {
    const bool master = chain == kInstruments;
    for (int k = 0; k < (master ? 1 : kVoicesPerInstrument); ++k) {
      SCOPED_TRACE(testing::Message() << "chain " << chain << " voice " << k);
      const int index = master ? kVoices : 2 * chain + k;
      VoiceState& voice = master ? ws->master : ws->voices[index];
      const DelayLine* before = ws->delay_cursor;
      double rest[kStackSize + 1];  // whatever a run would leave behind
      EXPECT_EQ(chain_run(*ws, ws->chains[chain], voice, ws->pow2_memo[index], rest), 0);
      EXPECT_EQ(ws->delay_cursor - before, kChainShapes[chain].delay_lines);
    }
  }
  EXPECT_EQ(ws->delay_cursor - ws->delay_lines, 52);
}

// ---- The first frame --------------------------------------------------------------

struct OneFrame {
  std::unique_ptr<SynthWorkspace> ws = std::make_unique<SynthWorkspace>();
  std::unique_ptr<SoundBuffer> sound = std::make_unique<SoundBuffer>();
  OneFrame() {
    if (synth_reset(*ws, song_default())) synth_render_frames(*ws, *sound, 1);
  }
};

TEST(SongFirstFrame, LowBellsStartF41OnVoiceZeroAndEveryOtherVoiceIsReleased) {
  OneFrame f;
  ASSERT_EQ(f.ws->next_frame, 1u);
  for (int v = 0; v < kVoices; ++v) {
    SCOPED_TRACE(testing::Message() << "voice " << v);
    const VoiceState& voice = f.ws->voices[v];
    if (v == 4) {  // instrument 2, voice 0
      EXPECT_EQ(voice.note, 41);
      EXPECT_EQ(voice.release_count, 0);
      EXPECT_EQ(stage_get(voice.units[0]), Attack);
    } else {
      EXPECT_EQ(voice.release_count, 1);
      EXPECT_EQ(voice.note, 0);
    }
  }
  for (int i = 0; i < kInstruments; ++i) EXPECT_EQ(f.ws->voice_toggle[i], i == 2 ? 1 : 0) << "instrument " << i;
  EXPECT_EQ(f.ws->master.note, kInstruments);
}

// ---- Release counts over the whole song ----------------------------------------------

// Steps the sequencer alone through every tick, as the render loop would at
// the first frame of each tick, and records the highest release_count each
// voice reaches and the tick at which it first gets there.
struct ReleasePeak {
  int count = 0;
  int tick = -1;
};

std::array<ReleasePeak, kVoices> release_peaks() {
  auto ws = std::make_unique<SynthWorkspace>();
  std::array<ReleasePeak, kVoices> peaks{};
  if (!synth_reset(*ws, song_default())) return peaks;
  for (int tick = 0; tick < kTicks; ++tick)
    for (int i = 0; i < kInstruments; ++i) {
      note_trigger(*ws, i, tick);
      for (int v = 2 * i; v < 2 * i + 2; ++v)
        if (ws->voices[v].release_count > peaks[v].count) peaks[v] = {ws->voices[v].release_count, tick};
    }
  return peaks;
}

TEST(SongReleaseCounts, KickSecondVoiceClimbsTo454BeforeItsFirstNote) {
  const auto peaks = release_peaks();
  const auto top = std::max_element(peaks.begin(), peaks.end(),
                                    [](const ReleasePeak& a, const ReleasePeak& b) { return a.count < b.count; });
  // Instrument 3's voice 1 hears 448 silent ticks, the first kick (on voice
  // 0) and five more releases before the second kick, on tick 454, takes it.
  EXPECT_EQ(top - peaks.begin(), 7);
  EXPECT_EQ(top->count, 454);
  EXPECT_EQ(top->tick, 453);
}

TEST(SongReleaseCounts, DrumsOnlyReleaseForTheFirst448Ticks) {
  const auto peaks = release_peaks();
  // Every drum voice passes 255 before its first note; the counter is a
  // count, not a byte.
  for (int v : {6, 7, 12, 13, 14, 15}) {
    EXPECT_GT(peaks[v].count, 255) << "voice " << v;
    EXPECT_GE(peaks[v].tick, 447) << "voice " << v;
  }
  for (int i : {3, 6, 7}) EXPECT_GE(notes_of(i).first_tick, 448) << "instrument " << i;
}

}  // namespace
}  // namespace synth
