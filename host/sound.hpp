// sound.hpp - the soundtrack's playback, seeking, and the one clock of the piece.
//
// sound_start starts the synthesizer thread, which fills the SoundBuffer front
// to back, and at once plays the buffer from its first frame, so that sound is
// heard while it is still being made. The sample position - the first frame of
// the current playback plus the frames the device has played since - is the
// clock that drives the picture and the title. sound_seek moves playback one
// second back or forward within the same buffer.
//
// Without a usable audio device the piece plays on, silently: a monotonic clock
// stands in for the device's played count. It starts at 0, runs in real time,
// is moved by seeks like the device would be, and stops at the end of the
// soundtrack. That is said once on stderr.
//
// What it is for: the playback records of the main thread and the arithmetic
// on them. The seek arithmetic and the stand-in clock are plain functions so
// that tests can call them directly.
// What it is not for: the device itself (platform.hpp), or the synthesizer
// (synth/), which it only starts.
#pragma once

#include <cstdint>

#include "host/platform.hpp"
#include "synth/synth.hpp"

namespace host {

inline constexpr int32_t kBufferValues = synth::kSoundBufferValues;  // 9,524,736
inline constexpr int32_t kSeekValues = 2 * synth::kSampleRate;       // one second: 88,200 values

// What the synthesizer thread is handed: its workspace and the buffer it fills.
struct SynthJob {
  synth::SynthWorkspace* workspace;
  synth::SoundBuffer* buffer;
};

// The playback state of the main thread.
struct SoundState {
  SynthJob job;
  AudioOut* audio;             // the stream; unused while `device` is 0
  int device;                  // 1 once the stream opened and plays
  int32_t play_base;           // index, in values, where the current playback started: even, in [0, kBufferValues)
  uint64_t fallback_start_ns;  // without a device: clock_ns() when the current playback started
};

// The thread routine: resets the workspace to the song's start and renders the
// whole song into the buffer (a SynthJob* is its argument).
void synth_thread(void* job);

// The value index at which playback resumes after a seek: play_base plus the
// frames played, plus one second in `direction`, wrapped by the buffer length
// (remainder truncated toward zero) and clamped at 0. Always even.
int32_t seek_index(int32_t play_base, uint32_t played_frames, int direction);

// The stand-in clock's played count: the frames of real time between start_ns
// and now_ns at 44,100 Hz, never more than the rest of the buffer after
// play_base, and 0 if now_ns lies before start_ns.
uint32_t fallback_played(uint64_t start_ns, uint64_t now_ns, int32_t play_base);

// Starts the synthesizer thread on state.job, then plays the buffer from frame 0
// on `audio`, or on the stand-in clock when no device can be opened.
void sound_start(SoundState& state, AudioOut& audio);

// Frames played since the current playback started (device or stand-in).
uint32_t sound_played(SoundState& state);

// The sample position: play_base / 2 + sound_played, the clock of the piece.
int32_t sound_position(SoundState& state);

// Moves playback one second back (-1) or forward (+1) from the position played
// so far, and restarts it there.
void sound_seek(SoundState& state, int direction);

// Stops the sound at exit. The synthesizer thread is left to end with the process.
void sound_stop(SoundState& state);

}  // namespace host
