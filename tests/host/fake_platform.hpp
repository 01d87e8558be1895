// fake_platform.hpp - a scripted platform for testing the host logic without a window.
//
// Implements host/platform.hpp over one World record: what each call should
// answer is set beforehand, and every call that matters is written into a log
// in order, so tests read the start-up order, boxes, frames and seeks. GL
// entry points looked up by name are fakes that log too; the GL 1.1 base calls
// (clear, rectangle, viewport) go to the real headless context of the test.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "host/platform.hpp"

namespace host {

struct IntroWindow {
  int unused;
};

struct AudioOut {
  int unused;
};

}  // namespace host

namespace fake {

struct World {
  // What the platform answers.
  int window_init_result = 1;
  std::string missing_entry;       // gl_proc answers null for this name
  int link_status = 1;
  std::string program_log;         // what the fake GL writes into the logs
  std::string shader_log;
  int audio_open_result = 1;
  std::string audio_why = "no device here";
  uint64_t now_ns = 0;             // clock_ns
  uint32_t played = 0;             // audio_played
  int escape_after_frame = -1;     // window_escape_down is 1 after this frame
  std::deque<host::InputEvent> events;             // taken by window_poll
  std::function<void(World&, int frame)> on_swap;  // runs at each swap: move time, queue events

  // What happened, in order: "window_init", "window_end", "box error: window_init()!",
  // "gl create", "thread", "audio_open", "audio_play 0", "uniform 123", "title ...",
  // "swap", "sleep", "audio_stop".
  std::vector<std::string> log;
  std::vector<int32_t> uniforms;
  std::vector<std::string> titles;
  std::vector<uint32_t> plays;     // start frames given to audio_play
  std::string created_from;        // the source text handed to glCreateShaderProgramv
  void (*thread_routine)(void*) = nullptr;
  void* thread_argument = nullptr;
  int frames = 0;                  // swaps so far
};

// The one world of the test program; reset() before each test.
World& world();
void reset();

// Index of the first log line equal to `line`, or -1.
int log_index(const std::string& line);
// How many log lines start with `prefix`.
int log_count(const std::string& prefix);

}  // namespace fake
