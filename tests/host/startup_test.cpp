// The host logic over a scripted platform: start-up order and its failures,
// the link boxes, the main loop's ending, frames, seeks, resizes, and playing
// on without an audio device.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gl/gl_entries.hpp"
#include "host/intro.hpp"
#include "tests/gl/gl_test_context.hpp"
#include "tests/host/fake_platform.hpp"

namespace {

using Log = std::vector<std::string>;
using host::InputEvent;
using host::InputKind;

constexpr uint64_t kSecondNs = 1000000000u;

synth::SoundBuffer sound_buffer;   // never written here: the synthesizer thread is not run
synth::SynthWorkspace workspace;

InputEvent quit() { return InputEvent{InputKind::kQuit, 0, 0, 0}; }
InputEvent seek(int direction) { return InputEvent{InputKind::kSeek, direction, 0, 0}; }
InputEvent resize(int width, int height) { return InputEvent{InputKind::kResize, 0, width, height}; }

class Host : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    // Frames clear and draw through the real GL of a headless context.
    ASSERT_NE(gltest::test_context(), nullptr);
    intro.window = &window;
    intro.audio = &audio;
    intro.shader_source = "the scene text";
    intro.sound.job = host::SynthJob{&workspace, &sound_buffer};
  }

  fake::World& w = fake::world();
  host::IntroWindow window{};
  host::AudioOut audio{};
  host::IntroHost intro{};
};

TEST_F(Host, AFailedWindowShowsItsBoxAfterReleasingAndStartsNothing) {
  w.window_init_result = 0;
  EXPECT_EQ(host::intro_main(intro), 0);
  EXPECT_EQ(w.log, (Log{"window_init", "window_end", "box error: window_init()!"}));
}

class MissingEntry : public Host, public ::testing::WithParamInterface<int> {};

TEST_P(MissingEntry, FailsIntroInitWithItsBoxAndNoSound) {
  w.missing_entry = gl::gl_entry_names[GetParam()];
  EXPECT_EQ(host::intro_main(intro), 0);
  // No program is made, no thread, no sound, no frame.
  EXPECT_EQ(w.log, (Log{"window_init", "window_end", "box error: intro_init()!"}));
}

INSTANTIATE_TEST_SUITE_P(EachOfTheEight, MissingEntry, ::testing::Range(0, gl::kEntryCount),
                         [](const ::testing::TestParamInfo<int>& info) {
                           return std::string(gl::gl_entry_names[info.param]);
                         });

TEST_F(Host, StartsInOrderWithoutBoxesWhenTheProgramLinks) {
  ASSERT_EQ(host::intro_start(intro), 1);
  EXPECT_EQ(w.log, (Log{"window_init", "gl create", "gl use 7", "thread",
                        "audio_open " + std::to_string(synth::kSongFrames), "audio_play 0"}));
  EXPECT_EQ(w.created_from, "the scene text");
  // The thread renders the song into the piece's buffer with its workspace.
  EXPECT_EQ(w.thread_routine, &host::synth_thread);
  EXPECT_EQ(w.thread_argument, &intro.sound.job);
  EXPECT_EQ(intro.title_window, &window);
}

TEST_F(Host, ALinkFailureShowsBothLogsThenRunsOn) {
  w.link_status = 0;
  w.program_log = "0:12(3): error: syntax error, unexpected '}'";
  w.shader_log = "";
  w.events = {quit()};
  EXPECT_EQ(host::intro_main(intro), 0);
  EXPECT_EQ(w.log, (Log{"window_init", "gl create", "gl use 7",
                        "box ProgramInfo: 0:12(3): error: syntax error, unexpected '}'", "box ShaderInfo: ", "thread",
                        "audio_open " + std::to_string(synth::kSongFrames), "audio_play 0", "uniform 0",
                        "title TIME: 0.00   FRAME: 1   FPS: 0.00 / inf", "swap", "sleep 1", "audio_stop",
                        "window_end"}));
}

struct Ending {
  const char* name;
  int quit_during_frame;   // a quit event arrives while this frame is shown (0: before the first)
  int escape_after_frame;  // Escape is down after this frame (-1: never)
  int frames;              // frames drawn in all
};

class LoopEnding : public Host, public ::testing::WithParamInterface<Ending> {};

TEST_P(LoopEnding, DrawsAtMostOneMoreFrame) {
  const Ending& e = GetParam();
  if (e.quit_during_frame == 0) w.events.push_back(quit());
  w.escape_after_frame = e.escape_after_frame;
  w.on_swap = [&e](fake::World& world, int frame) {
    if (frame == e.quit_during_frame) world.events.push_back(quit());
    ASSERT_LT(frame, 50) << "the loop did not end";
  };
  EXPECT_EQ(host::intro_main(intro), 0);
  EXPECT_EQ(w.frames, e.frames);
  EXPECT_EQ(fake::log_count("uniform"), e.frames);
  // Exit: the sound stops, then the window goes.
  ASSERT_GE(w.log.size(), 2u);
  EXPECT_EQ(w.log[w.log.size() - 2], "audio_stop");
  EXPECT_EQ(w.log.back(), "window_end");
}

INSTANTIATE_TEST_SUITE_P(Loop, LoopEnding,
                         ::testing::Values(Ending{"QuitBeforeTheFirstFrame", 0, -1, 1},
                                           Ending{"QuitWhileFrameThreeIsShown", 3, -1, 4},
                                           Ending{"EscapeHeldAtStartUp", -1, 0, 1},
                                           Ending{"EscapeDownAfterFrameTwo", -1, 2, 2}),
                         [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

TEST_F(Host, FramesFollowTheDevicesCountAndSeeksBetweenFrames) {
  w.on_swap = [](fake::World& world, int frame) {
    if (frame == 1) {
      world.played = 30000;
      world.events.push_back(seek(+1));  // 30,000 + 44,100
    } else if (frame == 2) {
      world.played = 1000;
      world.events.push_back(seek(-1));  // 74,100 + 1,000 - 44,100
      world.events.push_back(seek(-1));  // below 0: the start
    } else if (frame == 3) {
      world.played = 2205;
      world.events.push_back(quit());
    }
  };
  EXPECT_EQ(host::intro_main(intro), 0);
  EXPECT_EQ(w.plays, (std::vector<uint32_t>{0, 74100, 31000, 0}));
  EXPECT_EQ(w.uniforms, (std::vector<int32_t>{0, 74100, 0, 2205}));
  ASSERT_EQ(w.titles.size(), 4u);
  EXPECT_EQ(w.titles[0], "TIME: 0.00   FRAME: 1   FPS: 0.00 / inf");
  EXPECT_EQ(w.titles[1].substr(0, 24), "TIME: 1.68   FRAME: 2   ");
  EXPECT_EQ(w.titles[2].substr(0, 24), "TIME: 0.00   FRAME: 3   ");
  EXPECT_EQ(w.titles[3].substr(0, 24), "TIME: 0.05   FRAME: 4   ");
  // Every seek went before the frame that followed it.
  const int second_frame = fake::log_index("uniform 74100");
  EXPECT_LT(fake::log_index("audio_play 74100"), second_frame);
  EXPECT_GT(fake::log_index("audio_play 74100"), fake::log_index("swap"));
}

TEST_F(Host, AResizeSetsTheViewportToTheNewDrawable) {
  glViewport(0, 0, 1920, 1080);
  w.events = {resize(1280, 720)};
  w.on_swap = [](fake::World& world, int frame) {
    GLint viewport[4] = {};
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (frame == 1) {
      EXPECT_EQ(viewport[2], 1280);
      EXPECT_EQ(viewport[3], 720);
      world.events.push_back(resize(2560, 1440));
    } else {
      EXPECT_EQ(viewport[2], 2560);
      EXPECT_EQ(viewport[3], 1440);
      world.events.push_back(quit());
    }
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
  };
  EXPECT_EQ(host::intro_main(intro), 0);
  EXPECT_EQ(w.frames, 3);  // the quit asked for while frame 2 was shown draws frame 3
  glViewport(0, 0, 1920, 1080);
}

TEST_F(Host, WithoutAnAudioDeviceThePiecePlaysOnTheSystemClock) {
  w.audio_open_result = 0;
  w.audio_why = "Connection refused";
  w.now_ns = 7 * kSecondNs;
  w.on_swap = [](fake::World& world, int frame) {
    world.now_ns += kSecondNs / 2;
    if (frame == 2) world.events.push_back(seek(+1));
    if (frame == 4) world.events.push_back(quit());
  };
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(host::intro_main(intro), 0);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(said,
            "intro: no usable audio device (Connection refused); playing silently on the system clock\n");
  // Starts at 0, advances in real time (half a second a frame here), and the
  // seek after frame 2 adds one second.
  EXPECT_EQ(w.uniforms, (std::vector<int32_t>{0, 22050, 44100 + 44100 + 0, 88200 + 22050, 88200 + 44100}));
  EXPECT_EQ(fake::log_count("audio_play"), 0);
  EXPECT_EQ(fake::log_count("audio_stop"), 0);
  EXPECT_EQ(w.log.back(), "window_end");
}

}  // namespace
