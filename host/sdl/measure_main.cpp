// intro-measure: the piece, run exactly as build/intro runs it, with figures.
//
//   intro-measure [seconds]
//
// Starts the piece (same records, same start-up, same main loop, same SDL
// backend), lets it play for `seconds` of wall-clock time (20 by default),
// then ends it as Escape would and prints:
//   - frames drawn and frames per second of wall-clock time;
//   - the synthesizer's lead over playback (frames written minus the sample
//     position), sampled every 2 ms on a thread of its own: the smallest lead
//     seen in all and from the first second of playback on, until the whole
//     song is written;
//   - the peak resident memory of the process.
// Needs a display and sound server like the piece itself. Not part of the
// piece: a measuring tool, so it may use threads and the standard library freely.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "host/intro.hpp"
#include "host/sdl/sdl_platform.hpp"
#include "shader/scene_shader.hpp"

namespace {

synth::SoundBuffer sound_buffer;
synth::SynthWorkspace workspace;
host::IntroWindow window;
host::AudioOut audio;
host::IntroHost intro;

long peak_rss_kb() {
  FILE* f = std::fopen("/proc/self/status", "r");
  if (f == nullptr) return -1;
  char line[256];
  long kb = -1;
  while (std::fgets(line, sizeof line, f) != nullptr) {
    if (std::strncmp(line, "VmHWM:", 6) == 0) kb = std::atol(line + 6);
  }
  std::fclose(f);
  return kb;
}

struct Lead {
  std::atomic<bool> stop{false};
  int64_t smallest = INT64_MAX;            // frames
  int64_t smallest_after_first_second = INT64_MAX;
  double smallest_at = 0.0;                // playback seconds where the smallest was seen
  double written_all_at = -1.0;            // wall seconds when the song was complete
  long samples = 0;
};

}  // namespace

int main(int argc, char** argv) {
  SDL_SetMainReady();
  const double seconds = argc > 1 ? std::atof(argv[1]) : 20.0;
  host::intro_bind(intro, window, audio, workspace, sound_buffer, shader::kSceneSource);

  if (!host::intro_start(intro)) {
    std::fprintf(stderr, "intro-measure: the piece did not start\n");
    return 1;
  }
  const auto began = std::chrono::steady_clock::now();
  auto wall = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count(); };

  // No seeks happen here, so the playback records are only read once the
  // piece runs: the sampler may read the clock beside the main loop.
  Lead lead;
  std::thread sampler([&] {
    while (!lead.stop.load()) {
      const int64_t written = sound_buffer.frames_written.load(std::memory_order_acquire);
      const int64_t position = host::sound_position(intro.sound);
      if (written >= synth::kSongFrames) {
        lead.written_all_at = wall();
        break;
      }
      const int64_t ahead = written - position;
      if (ahead < lead.smallest) {
        lead.smallest = ahead;
        lead.smallest_at = position / 44100.0;
      }
      if (position >= 44100 && ahead < lead.smallest_after_first_second) lead.smallest_after_first_second = ahead;
      ++lead.samples;
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
  });

  int frames = 0;
  while (wall() < seconds && host::intro_pass(intro)) ++frames;
  const double elapsed = wall();
  const int32_t position = host::sound_position(intro.sound);
  host::intro_stop(intro);
  lead.stop = true;
  sampler.join();

  std::printf("wall time            %.1f s (playback at %.2f s)\n", elapsed, position / 44100.0);
  std::printf("frames drawn         %d, %.3f per second\n", frames, frames / elapsed);
  std::printf("smallest lead        %.3f s (at %.2f s of playback), %.3f s from the first second on\n",
              lead.smallest / 44100.0, lead.smallest_at, lead.smallest_after_first_second / 44100.0);
  if (lead.written_all_at >= 0.0) {
    std::printf("song written         after %.1f s of wall time\n", lead.written_all_at);
  } else {
    std::printf("song written         not yet: %u of %d frames\n", sound_buffer.frames_written.load(),
                synth::kSongFrames);
  }
  std::printf("peak memory (VmHWM)  %.1f MB\n", peak_rss_kb() / 1024.0);
  SDL_Quit();
  return 0;
}
