// sdl_platform.hpp - the SDL2 backend's records (Linux and other Unix systems).
//
// Implements all of host/platform.hpp on SDL2:
//   - a resizable window titled "Intro" with a 1920x1080 drawable (logical
//     pixels: no high-DPI drawable is asked for), and a GL compatibility
//     context asked for as version 4.3 and read back: a lower version or a
//     core profile fails window_init. The swap interval is left as the driver
//     has it. SDL keeps the screen saver off while the window is up.
//   - input: Escape and the window's close request quit; Left and Right seek,
//     and so do the typed characters '%' and '\'' (a seek per auto-repeat);
//     a size change reports the new drawable. Escape is also polled after
//     every frame, counting a press since the last poll.
//   - message boxes: SDL's modal box, and the same line on stderr, so a
//     failure is seen also where no box can be shown (no display at all).
//   - the thread: an SDL thread, detached.
//   - audio: the default output device through SDL, 2-channel float32 at
//     44,100 Hz, fed by a callback from the source (see stream_fill.hpp);
//     a restart takes effect at the device's next block.
//
// What it does not do: keep Escape working while another program has the
// keyboard focus (SDL sees only its own window's keys), full-screen mode.
// GL entry points come from SDL_GL_GetProcAddress; on GLX that answers for
// every name, so the start-up check of the eight entry points rests on the
// version check made here.
#pragma once

#include <SDL.h>

#include "host/platform.hpp"
#include "host/sdl/stream_fill.hpp"

namespace host {

struct IntroWindow {
  int video;               // the video subsystem was started
  SDL_Window* window;
  SDL_GLContext context;
  int escape_pressed;      // an Escape key-down arrived since the last poll
  char text[32];           // typed characters not yet turned into events
  int text_next;           // the next of them
};

struct AudioOut {
  int subsystem;           // the audio subsystem was started
  SDL_AudioDeviceID device;
  AudioSource source;
  StreamCursor cursor;     // shared with the callback: touched under the device lock only
};

}  // namespace host
