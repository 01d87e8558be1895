// The work of one frame: clock, picture, title.
#include "host/intro.hpp"

namespace host {

void intro_frame(IntroHost& host) {
  const int32_t position = sound_position(host.sound);
  host.title.time_seconds = title_seconds(position);
  gl::scene_draw(gl_proc, position);
  title_update(host.title, host.title.time_seconds);
  if (host.title_window != nullptr) window_title_set(*host.title_window, host.title.text);
}

}  // namespace host
