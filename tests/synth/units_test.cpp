// The unit routines, one behaviour at a time, on stacks and states we set up.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "tests/synth/synth_harness.hpp"

namespace synth {
namespace {

using testing::UnitHarness;
using testing::unit_compile;

// ---- Parameter decoding ------------------------------------------------------------

TEST(ParamsDecode, BytesDecodeToEighthsOfSixteenthsExactly) {
  const struct {
    uint8_t byte;
    float value;
  } cases[] = {{0, 0.0f}, {1, 0.0078125f}, {64, 0.5f}, {128, 1.0f}, {255, 1.9921875f}};
  for (const auto& k : cases) {
    const uint8_t bytes[] = {k.byte};
    Cursors cursors{nullptr, bytes};
    float decoded[1];
    EXPECT_EQ(params_decode(cursors, 1, decoded), k.byte);
    EXPECT_EQ(decoded[0], k.value) << int(k.byte);
    EXPECT_EQ(cursors.parameter, bytes + 1);
  }
}

TEST(ParamsDecode, LastRawIsTheFinalByteAndAllAreTaken) {
  const uint8_t bytes[] = {104, 108, 99};
  Cursors cursors{nullptr, bytes};
  float decoded[2];
  EXPECT_EQ(params_decode(cursors, 2, decoded), 108);
  EXPECT_EQ(decoded[0], 104 / 128.0f);
  EXPECT_EQ(decoded[1], 108 / 128.0f);
  EXPECT_EQ(cursors.parameter, bytes + 2);
}

// ---- Envelope ---------------------------------------------------------------------------

struct EnvelopeRun {
  UnitHarness h;
  UnitOp op;
  explicit EnvelopeRun(std::initializer_list<uint8_t> bytes) : op(unit_compile(kEnvelope, bytes)) {}
  double step() {
    h.set_stack({});
    h.run(op);
    return h.stack[1];
  }
  int32_t stage() const { return stage_get(h.voice.units[0]); }
  float level() const { return h.voice.units[0].word[1]; }
};

TEST(Envelope, AttackByteZeroOutputsGainAtOnceAndMovesToDecay) {
  EnvelopeRun e({0, 64, 96, 64, 96});
  EXPECT_EQ(e.step(), 0.75);
  EXPECT_EQ(e.stage(), Decay);
  EXPECT_EQ(e.level(), 1.0f);
  // The decay starts with the next sample: 1 - 2^-12.
  EXPECT_EQ(e.step(), (1.0 - 1.0 / 4096) * 0.75);
}

TEST(Envelope, RampsMoveByPowersOfTwoOfTheParameter) {
  EnvelopeRun e({32, 64, 96, 64, 128});  // attack step 1/64
  for (int n = 1; n <= 63; ++n) {
    EXPECT_EQ(e.step(), n / 64.0);
    EXPECT_EQ(e.stage(), Attack);
  }
  // The 64th step lands exactly on 1: that sample is already in Decay.
  EXPECT_EQ(e.step(), 1.0);
  EXPECT_EQ(e.stage(), Decay);
}

TEST(Envelope, SustainZeroFallsToZeroAndHoldsWithoutFinishing) {
  EnvelopeRun e({0, 0, 0, 64, 128});  // decay step 1: reaches 0 at once
  e.step();
  EXPECT_EQ(e.step(), 0.0);
  EXPECT_EQ(e.stage(), Sustain);
  for (int n = 0; n < 10; ++n) e.step();
  EXPECT_EQ(e.stage(), Sustain);
  // Released: 0 minus a step is clamped to 0 and it finishes at once.
  e.h.voice.release_count = 1;
  EXPECT_EQ(e.step(), 0.0);
  EXPECT_EQ(e.stage(), Finished);
}

TEST(Envelope, ReleaseByteZeroFinishesInTheReleasingSample) {
  EnvelopeRun e({0, 64, 96, 0, 128});
  e.step();
  e.h.voice.release_count = 1;
  EXPECT_EQ(e.step(), 0.0);
  EXPECT_EQ(e.stage(), Finished);
  // Every later sample goes through Release again and ends Finished at 0.
  EXPECT_EQ(e.step(), 0.0);
  EXPECT_EQ(e.stage(), Finished);
}

TEST(Envelope, ReleaseDuringAttackStartsFromTheLevelReached) {
  EnvelopeRun e({32, 64, 96, 32, 128});
  for (int n = 0; n < 10; ++n) e.step();
  ASSERT_EQ(e.level(), 10 / 64.0f);
  e.h.voice.release_count = 3;  // any nonzero count releases
  EXPECT_EQ(e.step(), 9 / 64.0);
  EXPECT_EQ(e.stage(), Release);
}

TEST(Envelope, GainModulationAddsToTheGainFromTheNextRun) {
  EnvelopeRun e({0, 64, 128, 64, 64});  // sustain 1: level stays 1
  EXPECT_EQ(e.step(), 0.5);
  e.h.voice.units[0].word[2] = 0.25f;   // what a Store writes
  EXPECT_EQ(e.step(), 0.75);
  EXPECT_EQ(e.step(), 0.75);
}

// ---- Oscillator -------------------------------------------------------------------------

struct OscillatorRun {
  UnitHarness h;
  UnitOp op;
  explicit OscillatorRun(std::initializer_list<uint8_t> bytes) : op(unit_compile(kOscillator, bytes)) {}
  double step() {
    h.set_stack({});
    h.run(op);
    return h.stack[1];
  }
  float phase() const { return h.voice.units[0].word[0]; }
};

TEST(Oscillator, PitchFollowsNoteTransposeAndDetune) {
  const struct {
    uint8_t transpose, detune, flags;
    int note;
    double hz;
  } cases[] = {
      {64, 64, kSine, 69, 220.0},
      {64, 64, kSine, 81, 440.0},
      {76, 64, kSine, 69, 440.0},                                  // one octave up
      {64, 68, kSine, 69, 220.0 * std::exp2(1.0 / (16 * 12))},     // +1/16 semitone
      {64, 60, kSine, 69, 220.0 * std::exp2(-1.0 / (16 * 12))},    // -1/16 semitone
      {64, 64, kSine | kLfo, 69, 2.0},                             // the note does not count
      {52, 64, kGate | kLfo, 0, 1.0},                              // 16 gate steps a second
  };
  for (const auto& k : cases) {
    OscillatorRun o({k.transpose, k.detune, 0, 64, 64, 128, k.flags});
    o.h.voice.note = k.note;
    o.step();
    EXPECT_NEAR(o.phase() * 44100.0, k.hz, k.hz * 2e-4) << int(k.transpose) << " " << int(k.detune);
  }
}

TEST(Oscillator, StoreIntoTransposeInputRaisesByThirtyTwoSemitones) {
  OscillatorRun plain({64, 64, 0, 64, 64, 128, kSine});
  OscillatorRun raised({64, 64, 0, 64, 64, 128, kSine});
  plain.h.voice.note = raised.h.voice.note = 40;
  raised.h.voice.units[0].word[1] = 0.25f;
  plain.step();
  raised.step();
  EXPECT_NEAR(raised.phase() / plain.phase(), std::exp2(32.0 / 12.0), 1e-4);
}

TEST(Oscillator, PhaseAdvancesBeforeTheWaveformIsFormed) {
  OscillatorRun o({64, 64, 0, 128, 64, 128, kTrisaw});  // rising saw 2 phi - 1
  o.h.voice.note = 81;
  const double first = o.step();
  const double inc = std::exp2(81 * double(kTwelfth)) * double(kPitchBase);
  EXPECT_EQ(first, 2.0 * std::fmod(inc + 1.0, 1.0) - 1.0);
}

TEST(Oscillator, WaveformsAtChosenPhases) {
  const struct {
    uint8_t color, flags;
    float phase_before;  // the phase advances by about 0.00927 at note 81 before use
    double expect;
  } cases[] = {
      {0, kTrisaw, 0.25f, 1.0 - 2.0 * 0.25},   // falling saw 1 - 2 phi
      {128, kTrisaw, 0.25f, 2.0 * 0.25 - 1.0}, // rising saw
      {64, kTrisaw, 0.75f, 2.0 * (1 - 0.75) / 0.5 - 1.0},
      {64, kPulse, 0.25f, 1.0},
      {64, kPulse, 0.75f, -1.0},
  };
  for (const auto& k : cases) {
    OscillatorRun o({64, 64, 0, k.color, 64, 128, k.flags});
    o.h.voice.note = 0;
    o.h.voice.units[0].word[0] = k.phase_before;
    const double w = o.step();
    const double phi = o.phase();
    const double m = k.color / 128.0;
    double expect = 0;
    if (k.flags == kPulse) expect = phi <= m ? 1.0 : -1.0;
    else expect = 2.0 * (phi <= m ? phi / m : (1 - phi) / (1 - m)) - 1.0;
    EXPECT_NEAR(w, expect, 1e-6);
    EXPECT_NEAR(w, k.expect, 0.002);
  }
}

TEST(Oscillator, SineIsTheLibrarySineOfTwoPiPhase) {
  OscillatorRun o({64, 64, 0, 64, 64, 96, kSine});
  o.h.voice.note = 57;
  for (int n = 0; n < 100; ++n) {
    const double w = o.step();
    // Recompute from the stored phase: equal unless the phase's rounding to
    // float32 moved it; the sine is taken of the unrounded phase.
    EXPECT_NEAR(w, std::sin(2 * 3.14159265358979323846 * o.phase()) * 0.75, 1e-6);
  }
}

TEST(Oscillator, GateRisesByTheSmootherAndReadsStepZeroNearPhaseOne) {
  OscillatorRun all({52, 64, 0xFF, 0xFF, 64, 128, kGate | kLfo});
  double g = 0;
  for (int n = 1; n <= 200; ++n) {
    g = all.step();
    EXPECT_NEAR(g, 1.0 - std::pow(255.0 / 256.0, n), 1e-6);
  }
  OscillatorRun none({52, 64, 0, 0, 64, 128, kGate | kLfo});
  for (int n = 0; n < 50; ++n) EXPECT_EQ(none.step(), 0.0);

  // Only bit 0 set: just below phase 1 rounds to step 16, which is step 0.
  OscillatorRun wrap({52, 64, 0x01, 0x00, 64, 128, kGate | kLfo});
  wrap.h.voice.units[0].word[0] = 0.99f;
  EXPECT_GT(wrap.step(), 0.0);
  OscillatorRun last({52, 64, 0x00, 0x80, 64, 128, kGate | kLfo});  // only bit 15
  last.h.voice.units[0].word[0] = 0.99f;
  EXPECT_EQ(last.step(), 0.0);
}

TEST(Oscillator, NoiseDrawsTheSharedSequenceInOrderWhateverThePitch) {
  UnitHarness h;
  const UnitOp low = unit_compile(kOscillator, {64, 64, 0, 64, 64, 128, kNoise});
  const UnitOp high = unit_compile(kOscillator, {100, 90, 0, 64, 64, 128, kNoise});
  const double expect[] = {-7.4538e-06, -0.119314, 0.146877, -0.944473};
  for (int n = 0; n < 4; ++n) {
    h.set_stack({});
    h.run(n % 2 ? high : low, n % 2);
    EXPECT_NEAR(h.stack[1], expect[n], 1e-6) << n;
  }
  EXPECT_EQ(h.ws->noise_state, 16007u * 16007u * 16007u * 16007u);
}

TEST(Oscillator, NeutralShapeLeavesTheWaveformAndOtherShapesBendIt) {
  OscillatorRun neutral({64, 64, 0, 128, 64, 128, kTrisaw});
  OscillatorRun bent({64, 64, 0, 128, 96, 128, kTrisaw});
  neutral.h.voice.note = bent.h.voice.note = 60;
  for (int n = 0; n < 20; ++n) {
    const double a = neutral.step(), b = bent.step();
    EXPECT_NEAR(a, 2.0 * neutral.phase() - 1.0, 1e-6);  // the plain rising saw
    EXPECT_EQ(b, waveshape(a, 0.75));                   // the same, bent
    if (n > 2) {
      EXPECT_NE(a, b);
    }
  }
}

// ---- waveshape and Distortion -------------------------------------------------------

TEST(Waveshape, KeepsZeroAndOneAndBendsByDrive) {
  const struct {
    uint8_t drive;
    double x, y;
  } cases[] = {
      {64, 0.3, 0.3}, {64, -0.9, -0.9}, {64, 1.7, 1.7},
      {96, 0.5, 0.75}, {96, 1.0, 1.0}, {96, -0.5, -0.75},
      {32, 0.5, 0.25}, {32, 1.0, 1.0},
      {0, 0.5, 0.0}, {0, -0.25, 0.0}, {0, 0.999, 0.0},  // at |x| = 1 the denominator is 0
  };
  for (const auto& k : cases) {
    UnitHarness h;
    h.set_stack({k.x});
    h.run(unit_compile(kDistortion, {k.drive}));
    EXPECT_NEAR(h.top(), k.y, 1e-15) << int(k.drive) << " " << k.x;
  }
}

TEST(Waveshape, NeutralDriveIsTheIdentityBitForBit) {
  for (double x : {0.1, -0.0, 1e-310, -0.7777777, 123.0}) {
    EXPECT_EQ(std::signbit(waveshape(x, 0.5)), std::signbit(x));
    EXPECT_EQ(waveshape(x, 0.5), x);
  }
  EXPECT_TRUE(std::isnan(waveshape(std::numeric_limits<double>::infinity(), 0.5)));
}

// ---- Filter ---------------------------------------------------------------------------

TEST(Filter, FirstSampleAfterANoteAndTheUpdateOrder) {
  UnitHarness h;
  const UnitOp op = unit_compile(kFilter, {32, 128, kLowpass | kHighpass});
  h.set_stack({0.5});
  h.run(op);
  const float* w = h.voice.units[0].word;
  EXPECT_EQ(w[0], 0.0f);               // low from the old band
  EXPECT_EQ(w[1], 0.5f);               // high = x
  EXPECT_EQ(w[2], 0.0625f * 0.5f);     // band = f x
  EXPECT_EQ(w[3], 0.0625f);
  EXPECT_EQ(h.top(), 0.5);
  // Mode 3 is low + high = x - damping * (previous band).
  h.set_stack({0.25});
  h.run(op);
  EXPECT_NEAR(h.top(), 0.25 - 1.0 * (0.0625 * 0.5), 1e-7);
}

TEST(Filter, ModeSelectsOutputs) {
  for (uint8_t mode : {0, 1, 2, 3, 4}) {
    UnitHarness h;
    const UnitOp op = unit_compile(kFilter, {64, 128, mode});
    double r = 0;
    for (int n = 0; n < 5; ++n) {
      h.set_stack({0.8});
      h.run(op);
      r = h.top();
    }
    const float* w = h.voice.units[0].word;
    double expect = 0;
    if (mode & 1) expect += w[0];
    if (mode & 2) expect += w[1];
    EXPECT_EQ(r, expect) << int(mode);
  }
}

TEST(Filter, ConstantInputSettlesThroughLowAndVanishesThroughHigh) {
  UnitHarness lp, hp;
  const UnitOp lo = unit_compile(kFilter, {128, 128, kLowpass});
  const UnitOp hi = unit_compile(kFilter, {128, 128, kHighpass});
  for (int n = 0; n < 2000; ++n) {
    lp.set_stack({1.0});
    lp.run(lo);
    hp.set_stack({1.0});
    hp.run(hi);
  }
  EXPECT_NEAR(lp.top(), 1.0, 1e-6);
  EXPECT_NEAR(hp.top(), 0.0, 1e-6);
}

TEST(Filter, NegatedFrequencyModulationFreezesLowAndBand) {
  UnitHarness h;
  const UnitOp op = unit_compile(kFilter, {80, 128, kHighpass});
  for (int n = 0; n < 10; ++n) {
    h.set_stack({0.6});
    h.run(op);
  }
  float* w = h.voice.units[0].word;
  w[4] = -80 / 128.0f;
  const float low = w[0], band = w[2];
  h.set_stack({-0.3});
  h.run(op);
  EXPECT_EQ(w[0], low);
  EXPECT_EQ(w[2], band);
  EXPECT_EQ(w[3], 0.0f);
  EXPECT_EQ(h.top(), static_cast<float>(-0.3 - double(low) - double(band)));
}

// ---- Delay ------------------------------------------------------------------------------

TEST(Delay, DelaysByExactlyItsLengthThenBlocksDC) {
  UnitHarness h;
  const UnitOp op = unit_compile(kDelay, {128, 0, 0, 0, 19, 1});  // 512 samples, no dry, no feedback
  double dc_in = 0, dc_out = 0;
  for (int n = 0; n < 1500; ++n) {
    const double x = std::sin(n * 0.05) + 0.5;
    h.set_stack({x});
    h.run(op);
    const double delayed = n >= 512 ? static_cast<float>(std::sin((n - 512) * 0.05) + 0.5) : 0.0;
    const double expect = delayed - dc_in + double(kPole) * dc_out;
    dc_in = static_cast<float>(delayed);
    dc_out = static_cast<float>(expect);
    ASSERT_EQ(h.top(), expect) << n;
  }
  // The blocker's state lies in the record after the line.
  EXPECT_EQ(h.ws->delay_lines[1].dc_in, static_cast<float>(dc_in));
  EXPECT_EQ(h.ws->delay_lines[0].position, 1500 % 512);
}

TEST(Delay, ImpulseReturnsEveryLengthScaledByFeedback) {
  UnitHarness h;
  const UnitOp op = unit_compile(kDelay, {64, 0, 64, 0, 19, 1});  // send 0.5, feedback 0.5, no damping
  const DelayLine& line = h.ws->delay_lines[0];
  for (int n = 0; n < 512 * 4; ++n) {
    h.set_stack({n == 0 ? 1.0 : 0.0});
    h.run(op);
  }
  // After k returns the line holds send^2 * feedback^k at the impulse's place.
  // Written at frames 0, 512, 1024 and 1536: 0.25, then half of it three times.
  EXPECT_EQ(line.samples[0], 0.25f * 0.5f * 0.5f * 0.5f);
  EXPECT_EQ(line.samples[1], 0.0f);
}

TEST(Delay, ConstantDryInputDecaysByThePole) {
  UnitHarness h;
  const UnitOp op = unit_compile(kDelay, {0, 128, 0, 0, 19, 1});
  h.set_stack({1.0});
  h.run(op);
  EXPECT_EQ(h.top(), 1.0);
  double expect = 1.0;
  for (int n = 0; n < 100; ++n) {
    h.set_stack({1.0});
    h.run(op);
    expect = static_cast<float>(expect) * double(kPole);  // the stored output, times the pole
    EXPECT_EQ(h.top(), expect);
  }
}

TEST(Delay, SecondUnitSharesTheRecordHoldingTheFirstOnesBlocker) {
  // Two one-line delays back to back in one chain, against the same two run
  // with their records apart: the outputs agree.
  testing::TestSong together({{kEnvelope, kDelay, kDelay, kPan, kOutput}, {}, {}, {}, {}, {}, {}, {}, {}},
                             {{0, 0, 128, 0, 128, 96, 64, 64, 32, 21, 1, 80, 100, 50, 0, 17, 1, 128, 0},
                              {}, {}, {}, {}, {}, {}, {}, {}});
  auto ws = std::make_unique<SynthWorkspace>();
  ASSERT_TRUE(synth_reset(*ws, together.song));
  const ChainProgram& chain = ws->chains[0];
  ASSERT_EQ(chain.line_count, 2);
  // The second unit's line is record 1, the first unit's blocker is in record 1 too.
  UnitHarness a, b;
  const UnitOp first = unit_compile(kDelay, {96, 64, 64, 32, 21, 1});
  const UnitOp second = unit_compile(kDelay, {80, 100, 50, 0, 17, 1});
  for (int n = 0; n < 30000; ++n) {
    ws->delay_cursor = ws->delay_lines;
    chain_run(*ws, chain, ws->voices[0], ws->pow2_memo[0]);
    a.set_stack({1.0});
    a.run(first);
    b.set_stack({a.top()});
    b.run(second);
    ASSERT_EQ(ws->voices[0].main_out[0], static_cast<float>(b.top() * 0.5)) << n;
  }
}

// ---- Arithmetic, Store, Pan, Output, Accumulate ----------------------------------

TEST(Arithmetic, OperationsRearrangeTheTopOfTheStack) {
  const struct {
    uint8_t op;
    std::vector<double> before, after;  // bottom to top
  } cases[] = {
      {kAddPop, {9, 3, 4}, {9, 7}},
      {kMulPop, {3, 4}, {12}},
      {kDup, {1, 5}, {1, 5, 5}},
      {kSwap, {1, 2, 3}, {1, 3, 2}},
      {kAdd, {4, 3}, {4, 7}},
      {kMul, {4, 3}, {4, 12}},
      {kAddPair, {20, 10, 2, 1}, {22, 11}},
  };
  for (const auto& k : cases) {
    UnitHarness h;
    h.set_stack({});
    for (double v : k.before) h.stack[++h.depth] = v;
    h.run(unit_compile(kArithmetic, {k.op}), 0, static_cast<int>(k.after.size()));
    for (std::size_t i = 0; i < k.after.size(); ++i) EXPECT_EQ(h.stack[i + 1], k.after[i]) << int(k.op) << " at " << i;
  }
  // Swap twice restores the order.
  UnitHarness h;
  h.set_stack({1, 2});
  const UnitOp swap = unit_compile(kArithmetic, {kSwap});
  h.run(swap);
  h.run(swap);
  EXPECT_EQ(h.stack[1], 1);
  EXPECT_EQ(h.stack[2], 2);
}

TEST(Store, WritesTheScaledTopIntoAnyWordAndKeepsTheTop) {
  const struct {
    uint8_t amount, target;
    int unit, word;
    double factor;
  } cases[] = {
      {128, 108, 13, 4, 1.0}, {64, 2, 0, 2, 0.0}, {0, 49, 6, 1, -1.0}, {255, 255, 31, 7, 2.984375},
  };
  for (const auto& k : cases) {
    UnitHarness h;
    h.voice.units[k.unit].word[k.word] = 9.0f;
    h.set_stack({0.5, 0.375});
    h.run(unit_compile(kStore, {k.amount, k.target}));
    EXPECT_EQ(h.voice.units[k.unit].word[k.word], static_cast<float>(0.375 * k.factor)) << int(k.target);
    EXPECT_EQ(h.top(), 0.375);
  }
}

TEST(PanOutputAccumulate, PairsFlowFromVoicesToTheMaster) {
  UnitHarness h;
  h.set_stack({0.8});
  h.run(unit_compile(kPan, {}), 0, 2);
  EXPECT_EQ(h.stack[1], 0.4);
  EXPECT_EQ(h.stack[2], 0.4);

  h.set_stack({-0.5, 0.5});  // right below, left on top
  h.run(unit_compile(kOutput, {64, 0}), 0, 0);
  EXPECT_EQ(h.voice.main_out[0], 0.25f);
  EXPECT_EQ(h.voice.main_out[1], -0.25f);
  EXPECT_EQ(h.voice.aux_out[0], 0.0f);

  // Accumulate: the selected pair of all sixteen voices, in voice order; the master never.
  for (int v = 0; v < kVoices; ++v) {
    h.ws->voices[v].aux_out[0] = static_cast<float>(v);
    h.ws->voices[v].aux_out[1] = -1.0f;
  }
  h.ws->master.aux_out[0] = 1000.0f;
  h.set_stack({});
  h.run(unit_compile(kAccumulate, {8}), 0, 2);
  EXPECT_EQ(h.stack[2], 120.0);  // left on top
  EXPECT_EQ(h.stack[1], -16.0);
  UnitHarness silent;
  silent.set_stack({});
  silent.run(unit_compile(kAccumulate, {8}), 0, 2);
  EXPECT_EQ(silent.stack[1], 0.0);
  EXPECT_EQ(silent.stack[2], 0.0);
}

}  // namespace
}  // namespace synth
