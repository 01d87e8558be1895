// The piece as a viewer runs it: build/intro in a real X server (Xvfb, GL on
// Mesa's software rasterizer) with a real sound server (PulseAudio, null sink),
// watched and driven through X like a person at the keyboard would.
//
// Software GL takes seconds for a 1920x1080 frame where a shot is on (and
// much less where nothing is drawn, before 3 s), so the checks
// work from the few frames there are: the title of a frame is set right after
// the clock is read for it, so each title change seen is a sample of the
// clock at a known wall-clock moment.
#include <sys/wait.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "synth/synth.hpp"
#include "tests/support/session.hpp"
#include "tests/support/x11_client.hpp"

namespace {

using support::now_s;

constexpr double kClockTolerance = 0.25;  // seconds between the piece's clock and the wall clock

// One title line seen, and when.
struct Seen {
  double wall;
  double time;
  int frame;
  double offset() const { return time - wall; }
};

const std::regex kTitleLine(R"(TIME: (\d+\.\d\d)   FRAME: (\d+)   FPS: (\d+\.\d\d|inf|nan) / (\d+\.\d\d|inf|nan))");

// The piece, running, and what its title has shown.
class Piece {
 public:
  bool launch(const std::string& display, std::vector<std::string> env, std::string* why) {
    dir_ = support::temp_dir("intro-e2e");
    env.push_back("DISPLAY=" + display);
    env.push_back("WAYLAND_DISPLAY=");
    env.push_back("HOME=" + dir_);
    env.push_back("XDG_RUNTIME_DIR=" + dir_);
    if (!x_.open(display, why)) return false;
    launched_ = now_s();
    return support::child_start(child_, {INTRO_PATH}, env, dir_ + "/stdout", dir_ + "/stderr", -1, why);
  }

  // Its folder (output, screenshot) stays for a look when the test failed.
  ~Piece() {
    support::child_stop(child_, SIGKILL, 1.0);
    std::error_code ignored;
    if (!dir_.empty() && !::testing::Test::HasFailure()) std::filesystem::remove_all(dir_, ignored);
  }

  // Waits for the window to appear; returns its first title ("" on timeout).
  std::string window(double timeout_s) {
    const double end = now_s() + timeout_s;
    while (now_s() < end && !support::child_wait(child_, 0.0)) {
      window_ = x_.window_named("intro");
      if (window_ != 0 && !x_.title(window_).empty()) return x_.title(window_);
      support::child_wait(child_, 0.005);
      usleep_s(0.005);
    }
    return "";
  }

  // Watches the title every 5 ms until done() or the timeout or the end of
  // the program; returns done()'s last answer.
  bool watch(const std::function<bool()>& done, double timeout_s) {
    const double end = now_s() + timeout_s;
    for (;;) {
      sample();
      if (done()) return true;
      if (now_s() >= end || support::child_wait(child_, 0.0)) return false;
      usleep_s(0.005);
    }
  }

  // The program takes the keyboard focus a moment after the server gives it,
  // when it next reads its events: wait for two frames and half a second.
  void settle() {
    sample();
    const int frame = seen_.empty() ? 0 : seen_.back().frame;
    const double until = now_s() + 0.5;
    watch([&] { return now_s() >= until && !seen_.empty() && seen_.back().frame >= frame + 2; }, 60.0);
  }

  void sample() {
    if (window_ == 0 || child_.ended) return;
    const std::string text = x_.title(window_);
    if (text == last_text_) return;
    last_text_ = text;
    std::smatch m;
    if (!std::regex_match(text, m, kTitleLine)) {
      if (text != "Intro" && !text.empty()) bad_titles_.push_back(text);
      return;
    }
    seen_.push_back(Seen{now_s(), std::stod(m[1].str()), std::stoi(m[2].str())});
  }

  const std::vector<Seen>& seen() const { return seen_; }
  const Seen& last() const { return seen_.back(); }
  const std::vector<std::string>& bad_titles() const { return bad_titles_; }
  support::XClient& x() { return x_; }
  unsigned long window_id() const { return window_; }
  support::Child& child() { return child_; }
  std::string err() const { return support::file_read(dir_ + "/stderr"); }
  const std::string& dir() const { return dir_; }

  static void usleep_s(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

 private:
  std::string dir_;
  support::XClient x_;
  support::Child child_;
  unsigned long window_ = 0;
  double launched_ = 0.0;
  std::string last_text_;
  std::vector<Seen> seen_;
  std::vector<std::string> bad_titles_;
};

// Presses `key` and waits for the clock to jump by about `seconds` against the
// wall clock, in one of the next two frames (the press may land while the
// next one is already being made). Returns the jump seen (0 if none came) and
// the wall time between the two frames it was measured over in *span.
double seek_and_measure(Piece& piece, const char* key, int presses, double seconds, double* span,
                        bool shift = false) {
  piece.sample();
  const Seen before = piece.last();
  for (int i = 0; i < presses; ++i) piece.x().key(key, shift);
  double jump = 0.0;
  piece.watch(
      [&] {
        jump = piece.last().offset() - before.offset();
        return std::fabs(jump) > std::fabs(seconds) / 2 || piece.last().frame > before.frame + 2;
      },
      120.0);
  *span = piece.last().wall - before.wall;
  return jump;
}

// A seek's jump: its size, give or take the tolerance, less what a loaded
// machine's stuttering sound may have held the clock back over the span.
void expect_jump(double jump, double seconds, double span) {
  EXPECT_LE(jump, seconds + kClockTolerance);
  EXPECT_GE(jump, seconds - kClockTolerance - 0.1 * span) << "over " << span << " s";
}

// Between any two frames seen one after the other, the clock advanced as the
// wall clock did, plus the seeks shown first by the later one (`seeks`: the
// frame each was first seen in, and its size). The device's clock may fall
// behind where the machine is so loaded that the sound itself stutters, so
// each step may lag by a tenth of its length on top of the tolerance.
void expect_clock_follows_wall(const std::vector<Seen>& seen, const std::vector<std::pair<int, double>>& seeks) {
  for (size_t i = 1; i < seen.size(); ++i) {
    const Seen& a = seen[i - 1];
    const Seen& b = seen[i];
    if (a.time < 0.5) continue;  // the device is still starting
    double expected = 0.0;
    for (const auto& [frame, size] : seeks) expected += (frame > a.frame && frame <= b.frame) ? size : 0.0;
    const double step = b.offset() - a.offset();
    EXPECT_LE(step, expected + kClockTolerance) << "frames " << a.frame << " to " << b.frame;
    EXPECT_GE(step, expected - kClockTolerance - 0.1 * (b.wall - a.wall))
        << "frames " << a.frame << " to " << b.frame << " at TIME " << a.time << " and " << b.time;
  }
}

// The best normalised correlation of the soundtrack's frames [from, from + n)
// with the recording, over recording frame offsets [lo, hi).
double best_correlation(const std::vector<float>& recorded, const std::vector<float>& track, int from, int n, long lo,
                        long hi, long* at) {
  double track_energy = 0.0;
  for (int i = 2 * from; i < 2 * (from + n); ++i) track_energy += double(track[i]) * track[i];
  double best = -1.0;
  lo = std::max(lo, 0L);
  hi = std::min(hi, static_cast<long>(recorded.size() / 2) - n);
  for (long lag = lo; lag < hi; ++lag) {
    const float* r = &recorded[2 * lag];
    const float* t = &track[2 * from];
    double dot = 0.0, energy = 0.0;
    for (int i = 0; i < 2 * n; ++i) {
      dot += double(r[i]) * t[i];
      energy += double(r[i]) * r[i];
    }
    const double c = energy > 0.0 ? dot / std::sqrt(energy * track_energy) : 0.0;
    if (c > best) {
      best = c;
      *at = lag;
    }
  }
  return best;
}

synth::SynthWorkspace workspace;
synth::SoundBuffer track;

TEST(IntroOnXvfb, PlaysTheSoundtrackWithThePictureOnItsClockSeeksAndQuits) {
  std::string why;
  support::SoundServer pulse;
  ASSERT_TRUE(pulse.start(&why)) << why;
  support::XServer xserver;
  ASSERT_TRUE(xserver.start(1920, 1080, &why)) << why;
  support::Recorder recorder;
  ASSERT_TRUE(recorder.start(pulse, &why)) << why;
  Piece piece;
  ASSERT_TRUE(piece.launch(xserver.display(), {"PULSE_SERVER=" + pulse.address()}, &why)) << why;

  // The window is titled "Intro" until the first frame, then shows the TIME line.
  EXPECT_EQ(piece.window(60.0), "Intro") << piece.err();
  ASSERT_NE(piece.window_id(), 0u) << "no window appeared; stderr: " << piece.err();
  ASSERT_TRUE(piece.watch([&] { return !piece.seen().empty(); }, 120.0)) << "no TIME line; stderr: " << piece.err();
  piece.x().focus(piece.window_id());
  piece.settle();

  // Seek forward, back, and eight times forward at once, each measured
  // against the wall clock.
  // The opening second and a half plays unseeked: the recording is checked there.
  ASSERT_TRUE(piece.watch([&] { return piece.last().time >= 1.5; }, 60.0));
  const std::vector<Seen> unseeked = piece.seen();
  std::vector<std::pair<int, double>> seeks;
  double span = 0.0;
  expect_jump(seek_and_measure(piece, "Right", 1, 1.0, &span), 1.0, span);
  seeks.push_back({piece.last().frame, 1.0});
  expect_jump(seek_and_measure(piece, "Left", 1, -1.0, &span), -1.0, span);
  seeks.push_back({piece.last().frame, -1.0});
  // Eight at once: none lost, and they add up without drift.
  expect_jump(seek_and_measure(piece, "Right", 8, 8.0, &span), 8.0, span);
  seeks.push_back({piece.last().frame, 8.0});
  ASSERT_GE(piece.last().time, 9.1) << "the seeks did not reach the shots";

  // Once a frame with a shot on is presented (the next title shows it was),
  // the picture has black letterbox rows and a drawn band between them.
  const int shot_frame = piece.last().frame;
  ASSERT_TRUE(piece.watch([&] { return piece.last().frame > shot_frame; }, 120.0)) << piece.err();
  const support::Picture picture = piece.x().grab(piece.window_id());
  support::picture_write_ppm(picture, piece.dir() + "/shot.ppm");
  ASSERT_EQ(picture.width, 1920);
  ASSERT_EQ(picture.height, 1080);
  EXPECT_EQ(support::picture_lit_fraction(picture, 0, 140), 0.0) << "see " << piece.dir() << "/shot.ppm";
  EXPECT_EQ(support::picture_lit_fraction(picture, 940, 1080), 0.0) << "see " << piece.dir() << "/shot.ppm";
  EXPECT_GT(support::picture_lit_fraction(picture, 140, 940), 0.5) << "see " << piece.dir() << "/shot.ppm";

  // Escape: the program ends with exit code 0 after at most one more frame.
  piece.sample();
  const int frame_at_escape = piece.last().frame;
  piece.x().key("Escape");
  piece.watch([] { return false; }, 120.0);
  ASSERT_TRUE(support::child_wait(piece.child(), 0.0)) << "still running 120 s after Escape";
  ASSERT_TRUE(WIFEXITED(piece.child().status)) << "ended by signal " << WTERMSIG(piece.child().status);
  EXPECT_EQ(WEXITSTATUS(piece.child().status), 0);
  EXPECT_LE(piece.last().frame, frame_at_escape + 1);

  EXPECT_TRUE(piece.bad_titles().empty()) << piece.bad_titles().front();
  expect_clock_follows_wall(piece.seen(), seeks);

  // What the sound server received is the soundtrack: the recording holds the
  // opening of the song, played before the first seek, sample for sample. A
  // loaded machine may break the sound up here and there, so 50 ms matching
  // will do. Each frame seen tells where to look: the
  // position its clock read had just been played at the wall time it was seen.
  const std::vector<float> recorded = recorder.stop();
  ASSERT_TRUE(synth::synth_reset(workspace, synth::song_default()));
  synth::synth_render_frames(workspace, track, 2 * 44100);
  const std::vector<float> opening(track.samples, track.samples + 2 * 2 * 44100);
  double best = -1.0;
  for (size_t i = 1; i < unseeked.size() && best <= 0.99; ++i) {
    const Seen& a = unseeked[i - 1];
    const Seen& b = unseeked[i];
    // Windows of 50 ms between two frames seen; where each lies in the
    // recording follows from the clock, a frame at a time.
    for (double t = std::max(a.time, 0.1); t + 0.05 < b.time && t < 1.9 && best <= 0.99; t += 0.05) {
      const int from = static_cast<int>(std::lround(t * 44100.0));
      const double wall = a.wall + (t - a.time) / (b.time - a.time) * (b.wall - a.wall);
      const long at = std::lround((wall - recorder.started_s()) * 44100.0) - from;
      long lag = 0;
      best = std::max(best, best_correlation(recorded, opening, from, 2205, at - 22050, at + 22050, &lag));
    }
  }
  EXPECT_GT(best, 0.99) << "recorded " << recorded.size() / 2 << " frames; " << unseeked.size() << " frames seen";
}

TEST(IntroOnXvfb, WithoutASoundServerTheClockStillRunsAndClosingQuits) {
  std::string why;
  support::XServer xserver;
  ASSERT_TRUE(xserver.start(1920, 1080, &why)) << why;
  Piece piece;
  // No server at that address, and no other audio system to fall back on.
  ASSERT_TRUE(piece.launch(xserver.display(),
                           {"PULSE_SERVER=unix:/nonexistent/intro-test/native", "SDL_AUDIODRIVER=pulseaudio"}, &why))
      << why;
  ASSERT_NE(piece.window(60.0), "") << piece.err();
  ASSERT_TRUE(piece.watch([&] { return !piece.seen().empty() && piece.last().time >= 0.5; }, 120.0))
      << "the clock did not advance; stderr: " << piece.err();
  piece.x().focus(piece.window_id());
  piece.settle();
  // Before 3 s nothing is drawn and frames are quick: seek back and forward there.
  std::vector<std::pair<int, double>> seeks;
  ASSERT_TRUE(piece.watch([&] { return piece.last().time >= 1.3; }, 30.0));
  double span = 0.0;
  // Typed characters seek too.
  expect_jump(seek_and_measure(piece, "percent", 1, -1.0, &span, true), -1.0, span);
  seeks.push_back({piece.last().frame, -1.0});
  expect_jump(seek_and_measure(piece, "apostrophe", 1, 1.0, &span), 1.0, span);
  seeks.push_back({piece.last().frame, 1.0});
  expect_clock_follows_wall(piece.seen(), seeks);
  // The frames compared above span more than a second of wall time.
  EXPECT_GT(piece.last().wall - piece.seen().front().wall, 1.0);

  // Closing the window ends the program too, with exit code 0.
  piece.x().close(piece.window_id());
  ASSERT_TRUE(support::child_wait(piece.child(), 120.0)) << "still running 120 s after the close request";
  ASSERT_TRUE(WIFEXITED(piece.child().status));
  EXPECT_EQ(WEXITSTATUS(piece.child().status), 0);
  const std::string err = piece.err();
  EXPECT_NE(err.find("no usable audio device"), std::string::npos) << err;
  EXPECT_EQ(err.find("no usable audio device"), err.rfind("no usable audio device")) << "said more than once";
}

TEST(IntroOnXvfb, AContextBelowGl4_3FailsStartUpWithTheWindowInitBox) {
  std::string why;
  support::XServer xserver;
  ASSERT_TRUE(xserver.start(1920, 1080, &why)) << why;
  Piece piece;
  ASSERT_TRUE(piece.launch(xserver.display(),
                           {"MESA_GL_VERSION_OVERRIDE=4.2COMPAT", "PULSE_SERVER=unix:/nonexistent/intro-test/native",
                            "SDL_AUDIODRIVER=pulseaudio"},
                           &why))
      << why;
  // The box comes after the window is gone, and waits for OK.
  unsigned long box = 0;
  const double end = now_s() + 60.0;
  while (box == 0 && now_s() < end && !support::child_wait(piece.child(), 0.0)) {
    box = piece.x().window_named("error");
    Piece::usleep_s(0.01);
  }
  ASSERT_NE(box, 0u) << "no box; stderr: " << piece.err();
  EXPECT_EQ(piece.x().window_named("Intro"), 0u);
  EXPECT_FALSE(support::child_wait(piece.child(), 1.0)) << "the box did not wait";
  piece.x().focus(box);
  piece.x().key("Return");
  ASSERT_TRUE(support::child_wait(piece.child(), 30.0)) << "the box did not close on Return";
  ASSERT_TRUE(WIFEXITED(piece.child().status));
  EXPECT_EQ(WEXITSTATUS(piece.child().status), 0);
  EXPECT_EQ(piece.err(), "error: window_init()!\n");
}

TEST(IntroWithoutDisplay, SaysWindowInitFailedAndExitsWithZero) {
  const std::string dir = support::temp_dir("intro-e2e");
  std::string why;
  support::Child child;
  ASSERT_TRUE(support::child_start(child, {INTRO_PATH}, {"DISPLAY=", "WAYLAND_DISPLAY=", "SDL_VIDEODRIVER="}, "",
                                   dir + "/stderr", -1, &why))
      << why;
  ASSERT_TRUE(support::child_wait(child, 30.0)) << "it runs without a display";
  ASSERT_TRUE(WIFEXITED(child.status));
  EXPECT_EQ(WEXITSTATUS(child.status), 0);
  const std::string err = support::file_read(dir + "/stderr");
  EXPECT_NE(err.find("error: window_init()!\n"), std::string::npos) << err;
  EXPECT_EQ(err.find("audio"), std::string::npos) << "sound was started: " << err;
  std::error_code ignored;
  std::filesystem::remove_all(dir, ignored);
}

}  // namespace
