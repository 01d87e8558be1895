// Start-up order, the main loop and exit.
#include "host/intro.hpp"

namespace host {

void intro_bind(IntroHost& host, IntroWindow& window, AudioOut& audio, synth::SynthWorkspace& workspace,
                synth::SoundBuffer& buffer, const char* shader_source) {
  host.window = &window;
  host.audio = &audio;
  host.shader_source = shader_source;
  host.sound.job = SynthJob{&workspace, &buffer};
}

int intro_start(IntroHost& host) {
  if (!window_init(*host.window)) {
    window_end(*host.window);  // releases whatever part was made
    message_box("window_init()!", "error");
    return 0;
  }
  if (!intro_init(host)) {
    window_end(*host.window);
    message_box("intro_init()!", "error");
    return 0;
  }
  host.title_window = host.window;
  sound_start(host.sound, *host.audio);
  host.quit = 0;
  return 1;
}

int intro_pass(IntroHost& host) {
  // Every pending event goes before the next frame, so a seek never lands
  // in the middle of one.
  InputEvent event{};
  while (window_poll(*host.window, event)) {
    switch (event.kind) {
      case InputKind::kQuit:
        host.quit = 1;
        break;
      case InputKind::kSeek:
        sound_seek(host.sound, event.direction);
        break;
      case InputKind::kResize:
        glViewport(0, 0, event.width, event.height);
        break;
    }
  }
  intro_frame(host);
  window_swap(*host.window);
  sleep_ms(1);
  return !(window_escape_down(*host.window) || host.quit);
}

void intro_stop(IntroHost& host) {
  sound_stop(host.sound);
  window_end(*host.window);
}

int intro_main(IntroHost& host) {
  if (!intro_start(host)) return 0;
  while (intro_pass(host)) {
  }
  intro_stop(host);
  return 0;
}

}  // namespace host
