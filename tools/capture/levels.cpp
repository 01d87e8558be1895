#include "tools/capture/levels.hpp"

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "synth/synth.hpp"
#include "tools/capture/commands.hpp"

namespace capture {

void levels_add(Levels& levels, int64_t frame, float before, float after) {
  if (!std::isfinite(before)) {
    ++levels.not_finite;
  } else if (std::fabs(before) > levels.peak_before) {
    levels.peak_before = std::fabs(before);
    levels.peak_before_frame = frame;
  }
  levels.peak_after = std::fmax(levels.peak_after, std::fabs(after));
  levels.sum_squares += double(after) * after;
  ++levels.values;
  // Bit for bit: a NaN the clamp turned into 1 counts, a -0 it kept does not.
  if (std::memcmp(&before, &after, sizeof before) != 0) ++levels.clamped;
}

double levels_rms(const Levels& levels) {
  return levels.values ? std::sqrt(levels.sum_squares / double(levels.values)) : 0.0;
}

int command_levels(const Args& args) {
  if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) {
    std::printf(
        "usage: intro-capture levels\n\n"
        "Renders the whole soundtrack and prints its levels: the peak the master chain\n"
        "produced before the clamp to [-1, 1], the peak and RMS level written, and how\n"
        "many values the clamp changed. Writes no file.\n");
    return 0;
  }
  if (!args.empty()) {
    std::fprintf(stderr, "usage: intro-capture levels\n");
    return 2;
  }
  auto ws = std::make_unique<synth::SynthWorkspace>();
  auto sound = std::make_unique<synth::SoundBuffer>();
  synth::synth_reset(*ws, synth::song_default());
  const bool progress = isatty(STDERR_FILENO);
  Levels levels;
  for (int64_t f = 0; f < synth::kSongFrames; ++f) {
    synth::synth_render_frames(*ws, *sound, 1);
    for (int c = 0; c < 2; ++c) levels_add(levels, f, ws->master.main_out[c], sound->samples[2 * f + c]);
    if (progress && f % synth::kSampleRate == 0)
      std::fprintf(stderr, "\rlevels: %6.2f of %.2f s", f / 44100.0, synth::kSongFrames / 44100.0);
  }
  if (progress) std::fprintf(stderr, "\n");
  const auto db = [](double x) { return 20.0 * std::log10(x); };
  std::printf("peak before the clamp  %.6f (%+.2f dBFS) at %.3f s\n", levels.peak_before, db(levels.peak_before),
              levels.peak_before_frame / 44100.0);
  std::printf("peak after the clamp   %.6f\n", levels.peak_after);
  std::printf("RMS                    %.6f (%+.2f dBFS)\n", levels_rms(levels), db(levels_rms(levels)));
  std::printf("values clamped         %lld of %lld (%.2f%%)\n", static_cast<long long>(levels.clamped),
              static_cast<long long>(levels.values), 100.0 * levels.clamped / levels.values);
  std::printf("NaN or infinite        %lld\n", static_cast<long long>(levels.not_finite));
  return 0;
}

}  // namespace capture
