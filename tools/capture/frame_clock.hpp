// frame_clock.hpp - which sample position each frame of a capture shows.
//
// A capture replaces the audio device's clock with its own: frame k of a
// capture at `fps` frames per second that starts at sample `first` shows sample
// position first + floor(k * 44100 / fps). Integer arithmetic throughout, so
// frame 100,000 is as exact as frame 1 and the picture never drifts from the
// sound, whatever the frame rate (30 fps lands on whole samples; 7 fps or
// 144 fps do not, and the floor picks the sample already played).
//
// What it is for: the video command, its tests and anything else that must
// agree with them on what a frame shows.
// What it is not for: the piece itself, whose clock is the device's played count.
#pragma once

#include <cstdint>

#include "synth/synth.hpp"

namespace capture {

// The sample position of frame k.
constexpr int64_t frame_sample(int64_t first, int64_t k, int64_t fps) {
  return first + k * synth::kSampleRate / fps;
}

// How many frames show a sample position in [first, end): the smallest K with
// frame_sample(first, K, fps) >= end, that is ceil((end - first) * fps / 44100).
constexpr int64_t frame_count(int64_t first, int64_t end, int64_t fps) {
  return end <= first ? 0 : ((end - first) * fps + synth::kSampleRate - 1) / synth::kSampleRate;
}

}  // namespace capture
