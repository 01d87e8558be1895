// title.hpp - the window title line: playback time, frames drawn, frame rates.
//
// Every frame rewrites the title as
//   "TIME: %.2f   FRAME: %i   FPS: %.2f / %.2f"
// with the playback time in seconds, the frames drawn so far (this one
// included), a smoothed rate and the average rate. Both rates count frames per
// second of playback time, not of wall-clock time: the step between two frames
// is the advance of the sample clock. All arithmetic is single precision.
//
// What it is for: the title state of the main thread and its update, as plain
// functions over a plain record, so that tests read the exact text.
// What it is not for: writing the title to a window (intro_frame does that
// through the platform) or measuring wall-clock speed.
#pragma once

#include <cstdint>

namespace host {

inline constexpr int kTitleSize = 1024;

struct TitleState {
  float time_seconds;  // playback time of the current frame
  int frame_count;     // frames drawn so far; never reset, not even by a seek
  float last_time;     // time_seconds of the previous frame
  float fps_now;       // 1 / step of the last frame whose step was positive
  float fps_smooth;    // the smoothed rate shown in the title
  char text[kTitleSize];
};

// Playback seconds of a sample position: the position as an unsigned 32-bit
// count, rounded to float, divided by 44100 in single precision.
float title_seconds(int32_t sample_position);

// Counts one frame at playback time t and formats state.text. The rates move
// only when t advanced since the previous frame (not for an equal or earlier
// time, nor NaN); the smoothed rate weighs the newest rate by 0.9. The first
// frame, at t = 0, reads "TIME: 0.00   FRAME: 1   FPS: 0.00 / inf".
void title_update(TitleState& state, float t);

}  // namespace host
