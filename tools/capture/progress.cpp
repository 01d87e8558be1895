#include "tools/capture/progress.hpp"

#include <unistd.h>

#include <cstdio>

namespace capture {

namespace {

using Clock = std::chrono::steady_clock;

// "1:02:03" or "2:03".
void format_duration(double seconds, char* out, size_t size) {
  const long s = seconds < 0 ? 0 : static_cast<long>(seconds + 0.5);
  if (s >= 3600)
    std::snprintf(out, size, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  else
    std::snprintf(out, size, "%ld:%02ld", s / 60, s % 60);
}

}  // namespace

Progress progress_start(const char* what, const char* unit, int64_t total) {
  Progress p;
  p.what = what;
  p.unit = unit;
  p.total = total;
  p.shown = isatty(STDERR_FILENO) != 0;
  p.start = Clock::now();
  return p;
}

double progress_seconds(const Progress& progress) {
  return std::chrono::duration<double>(Clock::now() - progress.start).count();
}

void progress_update(Progress& progress, int64_t done) {
  if (!progress.shown) return;
  const auto now = Clock::now();
  if (progress.drawn && done < progress.total && now - progress.last_drawn < std::chrono::milliseconds(250)) return;
  progress.last_drawn = now;
  progress.drawn = true;
  const double seconds = progress_seconds(progress);
  const double rate = seconds > 0 ? done / seconds : 0;
  char left[32] = "--:--";
  if (done > 0 && rate > 0) format_duration((progress.total - done) / rate, left, sizeof left);
  char spent[32];
  format_duration(seconds, spent, sizeof spent);
  const double percent = progress.total > 0 ? 100.0 * done / progress.total : 100.0;
  std::fprintf(stderr, "\r%s: %lld of %lld %s (%5.1f%%), %.2f per second, %s spent, %s left \x1b[K", progress.what,
               static_cast<long long>(done), static_cast<long long>(progress.total), progress.unit, percent, rate,
               spent, left);
  std::fflush(stderr);
}

void progress_end(Progress& progress) {
  if (progress.shown && progress.drawn) std::fprintf(stderr, "\n");
  progress.drawn = false;
}

}  // namespace capture
