// intro.hpp - the piece: start-up, the main loop, the shader program, the frame.
//
// intro_main brings the piece up in a fixed order - the window and its GL
// context, the shader program, the title display, the soundtrack - then runs
// the main loop on the calling thread until the user quits, and takes the
// window down. A failed start-up step shows a warning box naming it
// ("window_init()!", "intro_init()!", caption "error") after the window is
// gone, starts no sound, and still ends with exit code 0.
//
// Each pass of the loop first handles every pending input event (quit, seek,
// resize), then draws a frame, presents it and sleeps 1 ms; it leaves after a
// frame once a quit was asked for or Escape is down. A quit therefore shows
// one more frame, never more.
//
// What it is for: the host logic, written once over platform.hpp. The records
// it works on are passed in; the backend's entry owns them (static storage) and
// calls intro_main.
// What it is not for: anything a platform does (see platform.hpp), drawing
// details (gl/scene_program.hpp) or the synthesizer (synth/).
#pragma once

#include <cstdint>

#include "gl/gl_entries.hpp"
#include "gl/scene_program.hpp"
#include "host/platform.hpp"
#include "host/sound.hpp"
#include "host/title.hpp"

namespace host {

// All state of the main thread, plus what the entry binds to it.
struct IntroHost {
  IntroWindow* window;        // the backend's window record
  AudioOut* audio;            // the backend's audio record
  const char* shader_source;  // the fragment program text (shader::kSceneSource)
  gl::GlEntries entries;      // the eight entry points checked at start-up
  gl::SceneProgram program;   // the program, its link status and logs
  IntroWindow* title_window;  // where the title goes; set once start-up has a window
  TitleState title;
  SoundState sound;           // sound.job names the synthesizer's workspace and buffer
  int quit;                   // a quit event was taken in this pass
};

// What an entry does first: binds its static records to the host (the
// backend's window and audio records, the synthesizer's workspace and the
// SoundBuffer it fills, and the fragment program text).
void intro_bind(IntroHost& host, IntroWindow& window, AudioOut& audio, synth::SynthWorkspace& workspace,
                synth::SoundBuffer& buffer, const char* shader_source);

// Checks the eight GL entry points and creates the program from
// host.shader_source, leaving it current. Returns 0 when an entry point is
// missing. A program that fails to link is not a failure: its log is shown in
// a "ProgramInfo" box, then the second log in a "ShaderInfo" box, and 1 is
// returned; frames are drawn all the same.
int intro_init(IntroHost& host);

// One frame: reads the sample position, hands it to the program as uniform 0
// (`v`), clears to black and draws one rectangle over the viewport, then
// rewrites the title.
void intro_frame(IntroHost& host);

// Start-up. Returns 1 when the piece is running (sound started), or 0 after a
// failed step, its box shown and the window released.
int intro_start(IntroHost& host);

// One pass of the main loop: pending events, a frame, a swap, a 1 ms sleep.
// Returns 1 to go on, 0 when the loop ends.
int intro_pass(IntroHost& host);

// Exit: stops the sound and releases the window.
void intro_stop(IntroHost& host);

// The whole run: start-up, loop, exit. Always returns 0, the process's exit code.
int intro_main(IntroHost& host);

}  // namespace host
