// The piece on Windows as a viewer runs it: build-win64/intro.exe under Wine,
// in a real X server (Xvfb, GL on Mesa's software rasterizer through Wine's
// WGL) with a real sound server (PulseAudio, null sink) behind Wine's
// wave-out, watched and driven through X like a person at the keyboard would.
//
// Software GL takes seconds for a 1920x1080 frame where a shot is on, so the
// checks work from the few frames there are. Each title change seen is a
// sample of the clock: Wine sends a new title to the X server when the
// program next looks for messages, that is right before the next frame reads
// the clock. So the frame after a title seen at wall time w read its clock at
// about w, and the clock minus that wall time stays the same from frame to
// frame until a seek moves it.
//
// Two things of Wine's shape what the test with a sound device can check.
// Its wave-out counts as played what it has handed to the sound server, so
// the clock runs about a tenth of a second ahead of what is heard, and each
// seek (taken from that count) lands that much further on. And while a shot
// is drawn, the 2-core machine starves Wine's audio thread, so the device's
// clock falls behind the wall clock there. So that test seeks before the
// first frame and checks where the clock lands and that the sound server then
// receives the song from there; the test without a device, on the exact
// stand-in clock, checks where each seek lands from the end of the
// soundtrack, where frames are cheap and the clock stands still, and that the
// clock then runs with the wall clock.
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "synth/synth.hpp"
#include "tests/support/session.hpp"
#include "tests/support/wine.hpp"
#include "tests/support/x11_client.hpp"

// Last: Xlib's macros (None, Bool, Status) must not reach the headers above.
#include <X11/Xlib.h>

namespace {

using support::now_s;

constexpr int kScreenWidth = 2560;  // larger than the window, so all of it can be read back
constexpr int kScreenHeight = 1440;
constexpr int kRate = 44100;
constexpr double kEnd = 107.99;          // the title's time once the soundtrack has played out
constexpr double kSeekSlack = 0.4;       // a seek's landing: the clock runs on between seek and frame
constexpr double kClockTolerance = 0.3;  // the clock against the wall clock between two frames
constexpr double kWineLead = 0.15;       // at most what Wine's wave-out counts as played before it is heard

const std::regex kTitleLine(R"(TIME: (\d+\.\d\d)   FRAME: (\d+)   FPS: (\d+\.\d\d|inf) / (\d+\.\d\d|inf))");

bool file_exists(const std::string& path) {
  struct stat s{};
  return stat(path.c_str(), &s) == 0;
}

// One title line seen: when, and what it said.
struct Seen {
  double wall;
  double time;
  int frame;
};

// Where a top-level window lies on the screen, and its size.
struct Geometry {
  int x = 0, y = 0, width = 0, height = 0;
};

Geometry window_geometry(const std::string& display, unsigned long window) {
  Geometry g;
  Display* d = XOpenDisplay(display.c_str());
  if (d == nullptr) return g;
  XWindowAttributes a{};
  if (XGetWindowAttributes(d, window, &a)) {
    Window child = 0;
    XTranslateCoordinates(d, window, DefaultRootWindow(d), 0, 0, &g.x, &g.y, &child);
    g.width = a.width;
    g.height = a.height;
  }
  XCloseDisplay(d);
  return g;
}

// Waits until the window is mapped (Wine names it before it maps it, and a
// window that is not mapped cannot take the keyboard focus).
bool window_wait_viewable(const std::string& display, unsigned long window, double timeout_s) {
  Display* d = XOpenDisplay(display.c_str());
  if (d == nullptr) return false;
  bool viewable = false;
  const double end = now_s() + timeout_s;
  while (!viewable && now_s() < end) {
    XWindowAttributes a{};
    viewable = XGetWindowAttributes(d, window, &a) && a.map_state == IsViewable;
    if (!viewable) usleep(5000);
  }
  XCloseDisplay(d);
  return viewable;
}

// A Windows program under Wine, and what its window's title has shown.
class WineRun {
 public:
  ~WineRun() { support::child_stop(child_, SIGKILL, 1.0); }

  bool start(support::WinePrefix& prefix, const std::string& exe, const std::string& display,
             const std::vector<std::string>& env, std::string* why) {
    if (!file_exists(exe)) {
      *why = exe + " is missing: build it with scripts/build-windows.sh (./test does)";
      return false;
    }
    dir_ = support::temp_dir("intro-wine");
    display_ = display;
    if (!x_.open(display, why)) return false;
    return prefix.start(child_, exe, display, env, dir_ + "/stdout", dir_ + "/stderr", why);
  }

  // Waits for a top-level window with this title; 0 on timeout or if the program ended.
  unsigned long window_titled(const std::string& title, double timeout_s) {
    const double end = now_s() + timeout_s;
    while (now_s() < end && !ended()) {
      const unsigned long w = x_.window_named(title);
      if (w != 0) return w;
      support::child_wait(child_, 0.005);
    }
    return 0;
  }

  void watch_window(unsigned long window) { window_ = window; }

  // Samples the title every few milliseconds until done(), the timeout or
  // the end of the program; returns done()'s last answer.
  bool watch(const std::function<bool()>& done, double timeout_s) {
    const double end = now_s() + timeout_s;
    for (;;) {
      sample();
      if (done()) return true;
      if (now_s() >= end || ended()) return false;
      support::child_wait(child_, 0.005);
    }
  }

  // Watches until a frame newer than the last one seen; returns whether one came.
  bool next_frame(double timeout_s) {
    const size_t count = seen_.size();
    return watch([&] { return seen_.size() > count; }, timeout_s);
  }

  void sample() {
    if (window_ == 0 || child_.ended) return;
    const std::string text = x_.title(window_);
    if (text == last_text_) return;
    last_text_ = text;
    titles_.push_back(text);
    std::smatch m;
    if (!std::regex_match(text, m, kTitleLine)) {
      if (text != "Intro" && !text.empty()) bad_titles_.push_back(text);
      return;
    }
    seen_.push_back(Seen{now_s(), std::stod(m[1].str()), std::stoi(m[2].str())});
  }

  bool ended() { return support::child_wait(child_, 0.0); }

  // The exit code, or -1 while running or after a signal.
  int exit_code() {
    if (!ended() || !WIFEXITED(child_.status)) return -1;
    return WEXITSTATUS(child_.status);
  }

  // How the program ended, for failure messages.
  std::string how_ended() {
    if (!ended()) return "still running";
    if (WIFSIGNALED(child_.status)) return "ended by signal " + std::to_string(WTERMSIG(child_.status));
    return "exit code " + std::to_string(WEXITSTATUS(child_.status));
  }

  // The frames seen so far, for failure messages.
  std::string history() const {
    std::string text;
    char line[96];
    for (const Seen& s : seen_) {
      std::snprintf(line, sizeof line, "\n  at %7.2f s: TIME %6.2f FRAME %d", s.wall - seen_.front().wall, s.time,
                    s.frame);
      text += line;
    }
    return text;
  }

  const std::vector<Seen>& seen() const { return seen_; }
  const Seen& last() const { return seen_.back(); }

  // The clock minus the wall time at which frame i (in seen order) read it,
  // which is about when the title before it came; frame 0 has none.
  double offset(size_t i) const { return seen_[i].time - seen_[i - 1].wall; }
  const std::vector<std::string>& titles() const { return titles_; }
  const std::vector<std::string>& bad_titles() const { return bad_titles_; }
  support::XClient& x() { return x_; }
  const std::string& display() const { return display_; }
  support::Child& child() { return child_; }
  std::string err() const { return support::file_read(dir_ + "/stderr"); }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_;
  std::string display_;
  support::XClient x_;
  support::Child child_;
  unsigned long window_ = 0;
  std::string last_text_;
  std::vector<std::string> titles_;
  std::vector<Seen> seen_;
  std::vector<std::string> bad_titles_;
};

// The services one test runs among: an X server, the Wine prefix (locked for
// this test) and, if asked for, a sound server.
struct Services {
  support::XServer x;
  support::WinePrefix prefix;
  support::SoundServer sound;

  bool start(bool with_sound, std::string* why) {
    if (!x.start(kScreenWidth, kScreenHeight, why)) return false;
    if (!prefix.open(WINE_PREFIX_DIR, x.display(), why)) return false;
    return !with_sound || sound.start(why);
  }
};

// A key and whether Shift is held for it.
struct Key {
  const char* name;
  bool shift;
};

// Sends the piece to the end at once, lets it play out, then seeks back
// (`back`) and, once played out again, forward (`forward`), checking where
// each lands. Expects the window titled "Intro", its first frame not yet drawn.
void seeks_from_the_end(WineRun& run, unsigned long window, Key back, Key forward) {
  // 106 seeks forward before the first frame: they add up, each from the
  // position the one before left, and land in the last two seconds.
  EXPECT_TRUE(window_wait_viewable(run.display(), window, 60.0));
  run.x().focus(window);
  for (int i = 0; i < 106; ++i) run.x().key("Right");
  EXPECT_TRUE(run.watch([&] { return !run.seen().empty(); }, 120.0)) << "no TIME line; stderr: " << run.err();
  if (run.seen().empty()) return;
  EXPECT_GE(run.seen().front().time, 106.0) << run.history();
  EXPECT_LE(run.seen().front().time, 106.0 + kSeekSlack) << run.history();

  // Played out: the clock stays at the end, frame after frame.
  const auto played_out = [&] {
    const size_t n = run.seen().size();
    return n >= 2 && run.seen()[n - 1].time == kEnd && run.seen()[n - 2].time == kEnd;
  };
  EXPECT_TRUE(run.watch(played_out, 120.0)) << run.history();
  for (size_t i = 1; i < run.seen().size(); ++i) {
    EXPECT_GE(run.seen()[i].time, run.seen()[i - 1].time) << "the clock went back" << run.history();
  }

  // Back from the end replays the last second.
  run.x().key(back.name, back.shift);
  EXPECT_TRUE(run.watch([&] { return run.last().time < kEnd - 0.5; }, 120.0)) << run.history();
  EXPECT_GE(run.last().time, kEnd - 1.0) << run.history();
  EXPECT_LE(run.last().time, kEnd - 1.0 + kSeekSlack) << run.history();

  // Forward from the end wraps round to one second in.
  EXPECT_TRUE(run.watch(played_out, 120.0)) << run.history();
  run.x().key(forward.name, forward.shift);
  EXPECT_TRUE(run.watch([&] { return run.last().time < 100.0; }, 120.0)) << run.history();
  EXPECT_GE(run.last().time, 1.0) << run.history();
  EXPECT_LE(run.last().time, 1.0 + kSeekSlack) << run.history();

  // From there the clock runs with the wall clock: the clock minus the wall
  // time at which a frame read it stays the same from this frame to the next.
  EXPECT_TRUE(run.next_frame(120.0)) << run.history();
  const size_t n = run.seen().size();
  EXPECT_NEAR(run.offset(n - 1), run.offset(n - 2), kClockTolerance) << run.history();
}

// Whether the recording holds, sample for sample and starting somewhere in
// its frames [lo, hi), one of the 10 ms pieces of the soundtrack that follow
// one another from frame `from` for `seconds`. Pieces are looked for one by
// one because the sound server plays silence wherever Wine's audio thread
// missed its turn on this busy machine, which cuts the sound into runs of a
// few tens of milliseconds. A piece whose every sample is found (wave-out and
// the null sink pass float samples through unchanged) cannot have come from
// anywhere else in the song.
bool song_heard(const std::vector<float>& recorded, const synth::SoundBuffer& track, long from, double seconds,
                long lo, long hi) {
  constexpr long kPiece = kRate / 100;
  lo = std::max(lo, 0L);
  hi = std::min(hi, static_cast<long>(recorded.size() / 2) - kPiece);
  for (long start = from; start < from + std::lround(seconds * kRate); start += kPiece) {
    const float* t = &track.samples[2 * start];
    float loudest = 0.0f;
    for (long i = 0; i < 2 * kPiece; ++i) loudest = std::max(loudest, std::fabs(t[i]));
    if (loudest < 1e-3f) continue;  // near silence matches silence anywhere: no evidence
    for (long lag = lo; lag < hi; ++lag) {
      const float* r = &recorded[2 * lag];
      long i = 0;
      while (i < 2 * kPiece && r[i] == t[i]) ++i;
      if (i == 2 * kPiece) return true;
    }
  }
  return false;
}

synth::SynthWorkspace workspace;
synth::SoundBuffer track;

TEST(IntroExeUnderWine, OpensItsWindowPlaysTheSoundtrackOnItsClockSeeksAndQuitsOnEscape) {
  std::string why;
  Services services;
  ASSERT_TRUE(services.start(true, &why)) << why;
  support::Recorder recorder;
  ASSERT_TRUE(recorder.start(services.sound, &why)) << why;
  WineRun run;
  ASSERT_TRUE(run.start(services.prefix, INTRO_EXE, services.x.display(),
                        {"PULSE_SERVER=" + services.sound.address()}, &why))
      << why;

  // The window comes up titled "Intro".
  const unsigned long window = run.window_titled("Intro", 120.0);
  ASSERT_NE(window, 0u) << "no window titled Intro; stderr: " << run.err();
  run.watch_window(window);

  // Eight Rights and a Left before the first frame: on the device, each seek
  // goes from the count played so far (Wine's lead included), so the clock
  // lands seven seconds in, plus up to ten leads. A Left taken for a Right
  // would land at nine seconds and more, a lost one at eight plus nine leads.
  ASSERT_TRUE(window_wait_viewable(run.display(), window, 60.0));
  run.x().focus(window);
  const double keys_sent = now_s();
  for (int i = 0; i < 8; ++i) run.x().key("Right");
  run.x().key("Left");
  ASSERT_TRUE(run.watch([&] { return !run.seen().empty(); }, 120.0)) << "no TIME line; stderr: " << run.err();
  const Seen landed = run.last();
  EXPECT_EQ(run.titles().front(), "Intro");
  EXPECT_GE(landed.time, 7.0) << run.history();
  EXPECT_LE(landed.time, 7.0 + 9 * kWineLead) << run.history();

  // The client area is 1920x1080 and centred across the screen (the caption
  // above it moves it down a little).
  const Geometry g = window_geometry(run.display(), window);
  EXPECT_EQ(g.width, 1920);
  EXPECT_EQ(g.height, 1080);
  EXPECT_EQ(g.x, (kScreenWidth - 1920) / 2);
  EXPECT_GE(g.y, (kScreenHeight - 1080) / 2);
  EXPECT_LE(g.y, (kScreenHeight - 1080) / 2 + 40);

  // The time runs on from there.
  ASSERT_TRUE(run.next_frame(120.0)) << run.history();
  EXPECT_GT(run.last().time, landed.time) << run.history();

  // From 3 s a shot is on: the window shows black letterbox rows and the
  // drawn band between them, once the frame is presented.
  ASSERT_TRUE(run.watch([&] { return run.last().time >= 3.0; }, 120.0)) << run.history();
  support::Picture picture;
  const double end = now_s() + 120.0;
  while (now_s() < end && !run.ended()) {
    picture = run.x().grab(window);
    if (picture.width == 1920 && picture.height == 1080 && support::picture_lit_fraction(picture, 140, 940) > 0.5) break;
    run.watch([] { return false; }, 0.3);
  }
  support::picture_write_ppm(picture, run.dir() + "/shot.ppm");
  ASSERT_EQ(picture.width, 1920);
  ASSERT_EQ(picture.height, 1080);
  EXPECT_GT(support::picture_lit_fraction(picture, 140, 940), 0.5) << "see " << run.dir() << "/shot.ppm";
  EXPECT_EQ(support::picture_lit_fraction(picture, 0, 140), 0.0) << "see " << run.dir() << "/shot.ppm";
  EXPECT_EQ(support::picture_lit_fraction(picture, 940, 1080), 0.0) << "see " << run.dir() << "/shot.ppm";

  // Escape ends the program with exit code 0: the frame being drawn when the
  // key came, and at most one more.
  run.sample();
  const int frame_at_escape = run.last().frame;
  run.x().key("Escape");
  run.watch([] { return false; }, 120.0);
  ASSERT_TRUE(run.ended()) << "still running 120 s after Escape";
  EXPECT_EQ(run.exit_code(), 0) << run.how_ended() << "; stderr: " << run.err();
  EXPECT_LE(run.last().frame, frame_at_escape + 2) << run.history();

  // What the sound server received is the soundtrack from where the clock
  // landed on: some of the four seconds of song after it, within six and a
  // half seconds of the keys. (Right after the seeks the synthesizer has not
  // got that far yet, and that part plays as silence.) Played from the start,
  // that part of the song would have come eight seconds or more after them.
  const std::vector<float> recorded = recorder.stop();
  ASSERT_FALSE(recorded.empty()) << "the recorder of the null sink's monitor recorded nothing";
  ASSERT_TRUE(synth::synth_reset(workspace, synth::song_default()));
  const long from = std::lround(landed.time * kRate);
  synth::synth_render_frames(workspace, track, static_cast<uint32_t>(from + 5 * kRate));
  const long lo = std::lround((keys_sent - 0.5 - recorder.started_s()) * kRate);
  const long hi = std::lround((keys_sent + 6.5 - recorder.started_s()) * kRate);
  EXPECT_TRUE(song_heard(recorded, track, from, 4.0, lo, hi))
      << "none of the song from TIME " << landed.time << " on is in the " << recorded.size() / 2
      << " frames recorded";
}

TEST(IntroExeUnderWine, WithoutAnAudioDeviceTheClockStillRunsAndTypedCharactersSeek) {
  std::string why;
  Services services;
  ASSERT_TRUE(services.start(false, &why)) << why;
  WineRun run;
  // No sound server at that address and no sound card: waveOutOpen fails.
  ASSERT_TRUE(run.start(services.prefix, INTRO_EXE, services.x.display(),
                        {"PULSE_SERVER=unix:/nonexistent/intro-test/native"}, &why))
      << why;
  const unsigned long window = run.window_titled("Intro", 120.0);
  ASSERT_NE(window, 0u) << "no window titled Intro; stderr: " << run.err();
  run.watch_window(window);

  // The stand-in clock plays out and seeks like the device: '%' typed seeks
  // back and '\'' forward, like the arrow keys.
  seeks_from_the_end(run, window, Key{"percent", true}, Key{"apostrophe", false});
  ASSERT_FALSE(HasFailure());

  run.x().key("Escape");
  run.watch([] { return false; }, 120.0);
  ASSERT_TRUE(run.ended()) << "still running 120 s after Escape";
  EXPECT_EQ(run.exit_code(), 0) << run.how_ended() << "; stderr: " << run.err();
  const std::string err = run.err();
  EXPECT_NE(err.find("no usable audio device"), std::string::npos) << err;
}

TEST(IntroExeUnderWine, AFailedWindowInitShowsItsBoxAfterTheWindowIsGoneAndExitsWithZero) {
  std::string why;
  Services services;
  ASSERT_TRUE(services.start(false, &why)) << why;
  WineRun run;
  // This build's window_init fails at its last step, with everything made.
  ASSERT_TRUE(run.start(services.prefix, INTRO_WINDOW_FAILS_EXE, services.x.display(), {}, &why)) << why;

  // The box comes after the window is gone (its WM_DESTROY asked to quit,
  // which must not close the box), and waits for OK.
  const unsigned long box = run.window_titled("error", 120.0);
  ASSERT_NE(box, 0u) << "no box; exit code " << run.exit_code() << "; stderr: " << run.err();
  EXPECT_EQ(run.x().window_named("Intro"), 0u);
  EXPECT_FALSE(support::child_wait(run.child(), 2.0)) << "the box did not wait";
  EXPECT_TRUE(run.x().exists(box));
  run.x().focus(box);
  run.x().key("Return");
  ASSERT_TRUE(support::child_wait(run.child(), 60.0)) << "the box did not close on Return";
  EXPECT_EQ(run.exit_code(), 0) << run.how_ended() << "; stderr: " << run.err();
}

}  // namespace
