// progress.hpp - one line of progress on a terminal: done of total, rate, time left.
//
// The line is redrawn in place on stderr at most a few times a second, and only
// when stderr is a terminal: logs and pipes stay quiet.
//
// What it is for: the capture commands' frame loops.
// What it is not for: anything that must appear in a log (messages go through
// fprintf as usual).
#pragma once

#include <chrono>
#include <cstdint>

namespace capture {

struct Progress {
  const char* what = "";  // "video", "sheet": the line's first word
  const char* unit = "";  // "frames"
  int64_t total = 0;
  bool shown = false;     // stderr is a terminal
  std::chrono::steady_clock::time_point start{};
  std::chrono::steady_clock::time_point last_drawn{};
  bool drawn = false;
};

// Starts the clock; `shown` follows whether stderr is a terminal.
Progress progress_start(const char* what, const char* unit, int64_t total);

// Reports `done` of the total (redraws the line if it is due, or if done == total).
void progress_update(Progress& progress, int64_t done);

// Ends the line (a newline after it, if one was drawn).
void progress_end(Progress& progress);

// Seconds since progress_start.
double progress_seconds(const Progress& progress);

}  // namespace capture
