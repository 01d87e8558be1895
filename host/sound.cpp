#include "host/sound.hpp"

#include <cstdio>

namespace host {

namespace {

constexpr uint64_t kNanosecondsPerSecond = 1000000000u;

AudioSource source_of(const synth::SoundBuffer& buffer) {
  return AudioSource{buffer.samples, static_cast<uint32_t>(synth::kSongFrames), &buffer.frames_written};
}

// Starts playback at value index `index` (even) on whichever clock is in use.
void play_from(SoundState& state, int32_t index) {
  state.play_base = index;
  if (state.device) {
    audio_play(*state.audio, static_cast<uint32_t>(index / 2));
  } else {
    state.fallback_start_ns = clock_ns();
  }
}

}  // namespace

void synth_thread(void* argument) {
  const SynthJob& job = *static_cast<const SynthJob*>(argument);
  // The song is built into the program, so its chains always compile; if they
  // did not, the buffer would stay silent rather than be rendered wrongly.
  if (!synth::synth_reset(*job.workspace, synth::song_default())) return;
  synth::synth_render(*job.workspace, *job.buffer);
}

int32_t seek_index(int32_t play_base, uint32_t played_frames, int direction) {
  // Every term is even, so the result lies on a frame boundary and the
  // channels never swap. C++ remainders truncate toward zero: a step back
  // from within the first second stays negative and is clamped to the start.
  int32_t index = play_base + 2 * static_cast<int32_t>(played_frames) + direction * kSeekValues;
  index %= kBufferValues;
  if (index < 0) index = 0;
  return index;
}

uint32_t fallback_played(uint64_t start_ns, uint64_t now_ns, int32_t play_base) {
  if (now_ns <= start_ns) return 0;
  const uint64_t rest = static_cast<uint64_t>(kBufferValues - play_base) / 2;
  const uint64_t elapsed = now_ns - start_ns;
  // Whole seconds and the remainder apart, so the product cannot overflow
  // however long the process has been running.
  const uint64_t frames = elapsed / kNanosecondsPerSecond * kAudioRate +
                          elapsed % kNanosecondsPerSecond * kAudioRate / kNanosecondsPerSecond;
  return static_cast<uint32_t>(frames < rest ? frames : rest);
}

void sound_start(SoundState& state, AudioOut& audio) {
  state.audio = &audio;
  state.device = 0;
  thread_start(synth_thread, &state.job);

  char why[256] = {};
  if (audio_open(audio, source_of(*state.job.buffer), why, static_cast<int>(sizeof why))) {
    state.device = 1;
  } else {
    std::fprintf(stderr, "intro: no usable audio device (%s); playing silently on the system clock\n", why);
  }
  play_from(state, 0);
}

uint32_t sound_played(SoundState& state) {
  if (state.device) return audio_played(*state.audio);
  return fallback_played(state.fallback_start_ns, clock_ns(), state.play_base);
}

int32_t sound_position(SoundState& state) {
  return state.play_base / 2 + static_cast<int32_t>(sound_played(state));
}

void sound_seek(SoundState& state, int direction) {
  // The step is taken from the count played up to now, so a seek moves the
  // clock by exactly one second from where it was, and seeks add up.
  const uint32_t played = sound_played(state);
  play_from(state, seek_index(state.play_base, played, direction));
}

void sound_stop(SoundState& state) {
  if (state.device) audio_stop(*state.audio);
}

}  // namespace host
