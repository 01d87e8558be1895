#include "host/title.hpp"

#include <cstdio>

namespace host {

float title_seconds(int32_t sample_position) {
  const float frames = static_cast<float>(static_cast<double>(static_cast<uint32_t>(sample_position)));
  return frames / 44100.0f;
}

void title_update(TitleState& state, float t) {
  const float step = t - state.last_time;
  if (step > 0.0f) {  // false for 0, for a step back after a seek, and for NaN
    state.fps_now = 1.0f / step;
    state.fps_smooth = 0.9f * state.fps_now + 0.1f * state.fps_smooth;
  }
  state.frame_count += 1;
  // At t = 0 the average is an infinity and prints as "inf".
  const float average = static_cast<float>(state.frame_count) / t;
  std::snprintf(state.text, sizeof state.text, "TIME: %.2f   FRAME: %i   FPS: %.2f / %.2f", static_cast<double>(t),
                state.frame_count, static_cast<double>(state.fps_smooth), static_cast<double>(average));
  state.last_time = t;
}

}  // namespace host
