// oscillator.cpp - the Oscillator unit, the synthesizer's only sound source:
// sine, triangle-to-saw, pulse, a smoothed 16-step gate pattern or noise,
// shaped by waveshape and scaled by a gain.
#include <bit>
#include <cmath>

#include "synth/units.hpp"

namespace synth {

namespace {

constexpr double kTwoPi = 2.0 * 3.14159265358979323846;

// The shared noise generator: a multiplicative congruential step per draw.
double noise_draw(uint32_t& state) {
  state *= kNoiseMultiplier;
  return static_cast<double>(static_cast<int32_t>(state)) / static_cast<double>(kNoiseDivisor);
}

// fmod(s, 1.0), exactly, without the library call: s less its integer part,
// which is exact in double precision, keeping fmod's sign of zero and its
// NaN for infinities.
double remainder_of_one(double s) {
  const double whole = std::fabs(s) < 0x1p52 ? static_cast<double>(static_cast<int64_t>(s)) : s;
  return std::copysign(s - whole, s);
}

}  // namespace

void unit_oscillator(UnitContext& c) {
  const double* p = c.op.param;
  const double transpose = p[0], detune = p[1], color = p[3], shape = p[4], gain = p[5];
  const uint8_t flags = c.op.raw[6];
  UnitState& u = c.state;

  // Pitch in semitones: transpose is (b0 - 64) semitones, detune (b1 - 64) / 64.
  double pitch = (transpose - kHalf + u.word[1]) / kParamScale +
                 2.0 * (detune - kHalf) + u.word[2];
  if (!(flags & kLfo)) pitch += c.voice.note;
  const double base = (flags & kLfo) ? kLfoBase : kPitchBase;
  const double increment = power_of_two_memo(c.memo, pitch * kTwelfth) * base;

  // The phase advances before the waveform is formed.
  const double phase = remainder_of_one(u.word[0] + increment + 1.0);
  u.word[0] = static_cast<float>(phase);
  const double m = color + u.word[5];

  double w;
  if (flags & kSine) {
    // Oscillators that run in step (the same parameters, started together)
    // ask for the same sine one after the other: keep the last one.
    // Compared bit for bit, so that -0 and +0 stay apart.
    const uint64_t angle = std::bit_cast<uint64_t>(kTwoPi * phase);
    SineMemo& m = c.ws.sine_memo;
    if (m.angle_bits != angle) {
      m.angle_bits = angle;
      m.value = std::sin(std::bit_cast<double>(angle));
    }
    w = m.value;
  } else if (flags & kTrisaw) {
    const double v = phase <= m ? phase / m : (1.0 - phase) / (1.0 - m);
    w = 2.0 * v - 1.0;
  } else if (flags & kPulse) {
    w = phase <= m ? 1.0 : -1.0;
  } else if (flags & kGate) {
    // Step k covers phases (k - 0.5)/16 .. (k + 0.5)/16; the last half step wraps to 0.
    const int step = static_cast<int>(std::nearbyint(kGateSteps * phase)) & 15;
    const unsigned pattern = c.op.raw[2] | (c.op.raw[3] << 8);
    const double target = (pattern >> step) & 1u ? 1.0 : 0.0;
    const double g = target + (u.word[5] - target) * kPole;
    u.word[5] = static_cast<float>(g);
    w = g;
  } else if (flags & kNoise) {
    w = noise_draw(c.ws.noise_state);
  } else {
    w = 0.0;  // no waveform bit: not a valid oscillator; stays silent
  }
  c.top[1] = waveshape(w, shape) * gain;
}

}  // namespace synth
