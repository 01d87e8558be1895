// Chain compilation, the sequencer and the render loop.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "tests/synth/synth_harness.hpp"

namespace synth {
namespace {

using testing::TestSong;

// ---- Compiling chains ---------------------------------------------------------------------

struct Compiled {
  bool ok;
  ChainProgram program;
  const char* error;
  std::ptrdiff_t parameters_taken;
};

Compiled compile(std::vector<uint8_t> commands, std::vector<uint8_t> params) {
  commands.push_back(kEndOfChain);
  params.push_back(0);
  Compiled c{};
  Cursors cursors{commands.data(), params.data()};
  c.ok = chain_compile(song::kDelayLengths.data(), cursors, c.program, &c.error);
  c.parameters_taken = cursors.parameter - params.data();
  return c;
}

TEST(ChainCompile, AnEmptyChainRunsNothingAndTakesNoParameters) {
  const Compiled c = compile({}, {});
  ASSERT_TRUE(c.ok);
  EXPECT_EQ(c.program.units, 0);
  EXPECT_EQ(c.program.end_depth, 0);
  EXPECT_EQ(c.parameters_taken, 0);
}

TEST(ChainCompile, PanAndSkipTakeAPositionButNoBytes) {
  // Envelope, Envelope, Arithmetic, Pan at 3, Envelope at 4: the last
  // Envelope owns units[4] and reads the bytes right after position 2's.
  const Compiled c = compile({kEnvelope, kEnvelope, kArithmetic, kPan, kEnvelope, kSkip, kArithmetic, kOutput},
                             {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, kAddPop, 11, 12, 13, 14, 15, kAddPop, 64, 0});
  ASSERT_TRUE(c.ok) << c.error;
  EXPECT_EQ(c.program.units, 8);
  EXPECT_EQ(c.program.count, 7);  // Skip does nothing at run time
  EXPECT_EQ(c.parameters_taken, 19);
  const UnitOp* env = nullptr;
  for (int i = 0; i < c.program.count; ++i)
    if (c.program.ops[i].position == 4) env = &c.program.ops[i];
  ASSERT_NE(env, nullptr);
  EXPECT_EQ(env->opcode, kEnvelope);
  EXPECT_EQ(env->raw[0], 11);
  EXPECT_EQ(env->param[4], 15 / 128.0);
  EXPECT_EQ(env->depth, 2);  // below it: the sum, then Pan's pair
}

TEST(ChainCompile, TracksDepthAndDelayLines) {
  const Compiled c = compile({kAccumulate, kDelay, kArithmetic, kDelay, kOscillator, kArithmetic, kOutput},
                             {8, 40, 128, 125, 64, 0, 8, kSwap, 40, 128, 125, 64, 8, 8, 64, 64, 0, 64, 64, 128,
                              kNoise, kAddPop, 64, 0});
  ASSERT_TRUE(c.ok) << c.error;
  EXPECT_EQ(c.program.max_depth, 3);
  EXPECT_EQ(c.program.line_count, 16);
  EXPECT_EQ(c.program.end_depth, 0);
  EXPECT_EQ(c.program.ops[3].line_offset, 8);
  EXPECT_EQ(c.program.ops[3].lengths[0], 1140);
}

TEST(ChainCompile, RejectsChainsTheInterpreterCannotRun) {
  const struct {
    const char* what;
    std::vector<uint8_t> commands, params;
  } cases[] = {
      {"opcode 12", {12}, {}},
      {"stack underflow", {kFilter}, {32, 128, 1}},
      {"Output of one value", {kEnvelope, kOutput}, {0, 0, 0, 0, 0, 64, 0}},
      {"operation 9", {kEnvelope, kArithmetic}, {0, 0, 0, 0, 0, 9}},
      {"operation 0", {kEnvelope, kArithmetic}, {0, 0, 0, 0, 0, 0}},
      {"Accumulate 3", {kAccumulate}, {3}},
      {"no waveform", {kOscillator}, {64, 64, 0, 64, 64, 128, kLfo}},
      {"two waveforms", {kOscillator}, {64, 64, 0, 64, 64, 128, kSine | kPulse}},
      {"no lines", {kEnvelope, kDelay}, {0, 0, 0, 0, 0, 64, 64, 64, 64, 0, 0}},
      {"beyond the lengths", {kEnvelope, kDelay}, {0, 0, 0, 0, 0, 64, 64, 64, 64, 20, 3}},
      {"nine values", {kAccumulate, kAccumulate, kAccumulate, kAccumulate, kPan}, {0, 0, 0, 0}},
      {"33 units", std::vector<uint8_t>(33, kSkip), {}},
  };
  for (const auto& k : cases) {
    const Compiled c = compile(k.commands, k.params);
    EXPECT_FALSE(c.ok) << k.what;
    EXPECT_NE(c.error, nullptr) << k.what;
  }
  // A song with such a chain is refused as a whole.
  TestSong bad({{kFilter}, {}, {}, {}, {}, {}, {}, {}, {}}, {{1, 2, 3}, {}, {}, {}, {}, {}, {}, {}, {}});
  auto ws = std::make_unique<SynthWorkspace>();
  const char* error = nullptr;
  EXPECT_FALSE(synth_reset(*ws, bad.song, &error));
  EXPECT_NE(error, nullptr);
}

// ---- Sequencer ----------------------------------------------------------------------------

// A song whose instrument 0 is a plain envelope (attack, decay and release
// bytes given) into its output; the others are silent.
struct SequencerSong : TestSong {
  explicit SequencerSong(uint8_t release = 64)
      : TestSong({{kEnvelope, kPan, kOutput}, {}, {}, {}, {}, {}, {}, {}, {kAccumulate, kOutput}},
                 {{0, 64, 96, release, 128, 128, 0}, {}, {}, {}, {}, {}, {}, {}, {0, 64, 0}}) {}
};

TEST(Sequencer, NotesAlternateVoicesAndEveryEventReleases) {
  SequencerSong s;
  uint8_t* p = s.patterns[1];
  const uint8_t rows[16] = {40, 1, 41, 0, 42, 1, 200, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  std::memcpy(p, rows, 16);
  s.lists[0][0] = 1;
  auto ws = std::make_unique<SynthWorkspace>();
  ASSERT_TRUE(synth_reset(*ws, s.song));
  VoiceState* v = ws->voices;

  note_trigger(*ws, 0, 0);  // 40 on voice 0
  EXPECT_EQ(v[0].note, 40);
  EXPECT_EQ(v[0].release_count, 0);
  EXPECT_EQ(v[1].release_count, 1);
  EXPECT_EQ(ws->voice_toggle[0], 1);

  v[0].units[3].word[2] = 7.0f;
  v[0].main_out[0] = 0.5f;
  note_trigger(*ws, 0, 1);  // hold: nothing changes
  EXPECT_EQ(v[0].release_count, 0);
  EXPECT_EQ(v[1].release_count, 1);
  EXPECT_EQ(ws->voice_toggle[0], 1);

  note_trigger(*ws, 0, 2);  // 41 on voice 1, voice 0 released
  EXPECT_EQ(v[1].note, 41);
  EXPECT_EQ(v[1].release_count, 0);
  EXPECT_EQ(v[0].release_count, 1);
  EXPECT_EQ(v[0].note, 40);

  note_trigger(*ws, 0, 3);  // release both
  EXPECT_EQ(v[0].release_count, 2);
  EXPECT_EQ(v[1].release_count, 1);

  note_trigger(*ws, 0, 4);  // 42 on voice 0 again: cleared, its tail cut off
  EXPECT_EQ(v[0].note, 42);
  EXPECT_EQ(v[0].release_count, 0);
  EXPECT_EQ(v[0].units[3].word[2], 0.0f);
  EXPECT_EQ(v[0].main_out[0], 0.5f);  // output pairs are left for the next run to overwrite
  EXPECT_EQ(v[1].release_count, 2);

  note_trigger(*ws, 0, 6);  // 200 reads as a negative byte: a release, no note
  EXPECT_EQ(v[0].release_count, 1);
  EXPECT_EQ(v[0].note, 42);
  EXPECT_EQ(ws->voice_toggle[0], 1);
}

TEST(Sequencer, ReleaseCountsKeepClimbingPastAByte) {
  SequencerSong s;  // every pattern silent: sixteen releases a slot
  auto ws = std::make_unique<SynthWorkspace>();
  ASSERT_TRUE(synth_reset(*ws, s.song));
  for (int t = 0; t < 300; ++t) note_trigger(*ws, 3, t);
  EXPECT_EQ(ws->voices[6].release_count, 300);
  EXPECT_EQ(ws->voices[7].release_count, 300);
}

TEST(RenderLoop, FinishedVoicesLoseTheirNoteAfterEveryRun) {
  SequencerSong s(0);  // release byte 0: finished in the releasing frame
  s.patterns[1][0] = 50;
  s.patterns[1][1] = 0;
  s.lists[0][0] = 1;
  auto ws = std::make_unique<SynthWorkspace>();
  auto sound = std::make_unique<SoundBuffer>();
  ASSERT_TRUE(synth_reset(*ws, s.song));
  synth_render_frames(*ws, *sound, kFramesPerTick);
  EXPECT_EQ(ws->voices[0].note, 50);
  EXPECT_EQ(ws->master.note, 8);
  synth_render_frames(*ws, *sound, 1);  // tick 1's release
  EXPECT_EQ(stage_get(ws->voices[0].units[0]), Finished);
  EXPECT_EQ(ws->voices[0].note, 0);
  ws->voices[0].note = 33;
  synth_render_frames(*ws, *sound, 1);
  EXPECT_EQ(ws->voices[0].note, 0);
}

TEST(RenderLoop, OutputFollowsTheNoteFromItsFirstFrame) {
  SequencerSong s;
  s.patterns[1][2] = 60;
  s.lists[0][0] = 1;
  auto ws = std::make_unique<SynthWorkspace>();
  auto sound = std::make_unique<SoundBuffer>();
  ASSERT_TRUE(synth_reset(*ws, s.song));
  synth_render_frames(*ws, *sound, 3 * kFramesPerTick);
  EXPECT_EQ(sound->frames_written.load(), 3u * kFramesPerTick);
  // Silent until the note at tick 2; then the envelope (attack byte 0 gives
  // 1.0) through Pan (0.5), Output (1.0) and the master (0.5).
  EXPECT_EQ(sound->samples[2 * (2 * kFramesPerTick - 1)], 0.0f);
  EXPECT_EQ(sound->samples[2 * 2 * kFramesPerTick], 0.25f);
  EXPECT_EQ(sound->samples[2 * 2 * kFramesPerTick + 1], 0.25f);
}

TEST(RenderLoop, ClampKeepsEveryValueInRangeAndTurnsNaNIntoOne) {
  const struct {
    float in, out;
  } cases[] = {{1.5f, 1.0f}, {-3.0f, -1.0f}, {0.25f, 0.25f}, {1.0f, 1.0f}, {-1.0f, -1.0f},
               {std::numeric_limits<float>::infinity(), 1.0f}, {-std::numeric_limits<float>::infinity(), -1.0f},
               {std::numeric_limits<float>::quiet_NaN(), 1.0f}};
  for (const auto& k : cases) EXPECT_EQ(clamp_sample(k.in), k.out) << k.in;
  EXPECT_TRUE(std::signbit(clamp_sample(-0.0f)));
}

TEST(RenderLoop, DelayCursorStartsOverEveryFrame) {
  auto ws = std::make_unique<SynthWorkspace>();
  auto sound = std::make_unique<SoundBuffer>();
  ASSERT_TRUE(synth_reset(*ws, song_default()));
  for (int n = 0; n < 3; ++n) {
    synth_render_frames(*ws, *sound, 1);
    EXPECT_EQ(ws->delay_cursor - ws->delay_lines, 52);
  }
}

// The whole song through the song's built-in runners and through the generic
// interpreter: the same bits, every value in [-1, 1], every frame written.
TEST(RenderLoop, WholeSongIsTheSameBitsEitherWayAndInRange) {
  Song generic = song_default();
  generic.fixed_programs = nullptr;
  generic.fixed_runs = nullptr;

  auto ws = std::make_unique<SynthWorkspace>();
  auto fixed_sound = std::make_unique<SoundBuffer>();
  auto generic_sound = std::make_unique<SoundBuffer>();
  ASSERT_TRUE(synth_reset(*ws, song_default()));
  ASSERT_TRUE(ws->fixed);
  synth_render(*ws, *fixed_sound);
  ASSERT_TRUE(synth_reset(*ws, generic));
  ASSERT_FALSE(ws->fixed);
  synth_render(*ws, *generic_sound);

  EXPECT_EQ(fixed_sound->frames_written.load(), static_cast<uint32_t>(kSongFrames));
  EXPECT_EQ(std::memcmp(fixed_sound->samples, generic_sound->samples, sizeof fixed_sound->samples), 0);
  double energy = 0;
  long outside = 0;
  for (float x : fixed_sound->samples) {
    if (!(x >= -1.0f && x <= 1.0f)) ++outside;
    energy += double(x) * x;
  }
  EXPECT_EQ(outside, 0);
  EXPECT_GT(energy / kSoundBufferValues, 1e-4);  // it is music, not silence
  // Rendering more does nothing once the song is complete.
  synth_render_frames(*ws, *generic_sound, 100);
  EXPECT_EQ(generic_sound->frames_written.load(), static_cast<uint32_t>(kSongFrames));
}

}  // namespace
}  // namespace synth
