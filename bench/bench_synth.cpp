// Renders the whole song and reports frames per second and the real-time
// factor (seconds of sound per second of computation).
#include <benchmark/benchmark.h>

#include <memory>

#include "synth/synth.hpp"

namespace {

void BM_SongRender(benchmark::State& state) {
  auto ws = std::make_unique<synth::SynthWorkspace>();
  auto sound = std::make_unique<synth::SoundBuffer>();
  for (auto _ : state) {
    synth::synth_reset(*ws, synth::song_default());
    sound->frames_written.store(0);
    synth::synth_render(*ws, *sound);
    benchmark::DoNotOptimize(sound->samples[0]);
  }
  const double frames = static_cast<double>(state.iterations()) * synth::kSongFrames;
  state.counters["frames_per_s"] = benchmark::Counter(frames, benchmark::Counter::kIsRate);
  state.counters["realtime_x"] = benchmark::Counter(frames / synth::kSampleRate, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_SongRender)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
