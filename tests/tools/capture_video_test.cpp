// intro-capture video, run as a user runs it, checked with the real ffmpeg and
// ffprobe: frame count and durations, a decoded frame against the still of its
// sample position, the sound against the synthesizer, bad input, a missing or
// failing encoder, and interrupts.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "synth/synth.hpp"
#include "tests/tools/capture_files.hpp"
#include "tests/tools/tool_run.hpp"
#include "tools/capture/frame_clock.hpp"
#include "tools/capture/frame_render.hpp"

extern char** environ;

namespace capture {
namespace {

using testing::ScratchDir;
using testing::tool_run;

const std::string kTool = INTRO_CAPTURE;

// Half a second from 30 s at 24 fps (44,100 / 24 = 1837.5 samples a frame, not
// whole) and an eighth of the size: 12 frames of 240x136.
constexpr int kFps = 24;
constexpr int32_t kFirst = 30 * synth::kSampleRate;
constexpr int32_t kEnd = kFirst + synth::kSampleRate / 2;
constexpr double kScale = 0.125;

// One short capture shared by the tests that look at it (made once: frames cost).
class ShortCapture : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = new ScratchDir("video");
    video_ = dir_->file("short.mp4");
    const auto r = tool_run(kTool + " video --fps 24 --scale 0.125 --from 30 --to 30.5 " + video_);
    ASSERT_EQ(r.exit_code, 0) << r.output;
    ASSERT_EQ(dir_->files(), std::vector<std::string>{"short.mp4"}) << "no temporary files left beside it";
  }
  static void TearDownTestSuite() {
    delete dir_;
    dir_ = nullptr;
  }
  static ScratchDir* dir_;
  static std::string video_;
};
ScratchDir* ShortCapture::dir_ = nullptr;
std::string ShortCapture::video_;

TEST_F(ShortCapture, ProbesAsH264AndAacOfTheRightLength) {
  ASSERT_FALSE(HasFatalFailure());
  const int64_t frames = frame_count(kFirst, kEnd, kFps);
  ASSERT_EQ(frames, 12);
  EXPECT_EQ(testing::probe_value(video_, "v:0", "codec_name"), "h264");
  EXPECT_EQ(testing::probe_value(video_, "v:0", "width"), "240");
  EXPECT_EQ(testing::probe_value(video_, "v:0", "height"), "136");
  EXPECT_EQ(testing::probe_value(video_, "v:0", "r_frame_rate"), "24/1");
  EXPECT_EQ(testing::probe_value(video_, "v:0", "nb_read_frames"), "12");
  EXPECT_NEAR(std::stod(testing::probe_value(video_, "v:0", "duration")), 0.5, 1e-6);
  EXPECT_EQ(testing::probe_value(video_, "a:0", "codec_name"), "aac");
  EXPECT_EQ(testing::probe_value(video_, "a:0", "sample_rate"), "44100");
  EXPECT_EQ(testing::probe_value(video_, "a:0", "channels"), "2");
  // The encoder's priming and padding are trimmed by the file's edit list.
  EXPECT_NEAR(std::stod(testing::probe_value(video_, "a:0", "duration")), 0.5, 0.001);
  EXPECT_NEAR(std::stod(testing::probe_value(video_, "", "duration")), 0.5, 0.001);
}

struct Rgb {
  int width, height;
  std::vector<uint8_t> rgb;
};

Rgb still_at(int32_t sample) {
  const FrameSize size = frame_size(kScale);
  std::vector<uint8_t> rgba(static_cast<size_t>(size.width) * size.height * 4);
  FrameRenderer renderer;
  EXPECT_TRUE(frame_renderer_open(renderer, size));
  frame_render(renderer, sample, rgba.data());
  frame_renderer_close(renderer);
  Rgb out{size.width, size.height, {}};
  for (size_t i = 0; i < rgba.size(); i += 4) out.rgb.insert(out.rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
  return out;
}

// Mean absolute difference of 6x6 block averages: the codec's error within a
// block averages out, a different picture does not.
double block_difference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int width, int height) {
  constexpr int kBlock = 6;
  double total = 0;
  int blocks = 0;
  for (int by = 0; by + kBlock <= height; by += kBlock) {
    for (int bx = 0; bx + kBlock <= width; bx += kBlock) {
      for (int c = 0; c < 3; ++c) {
        double sa = 0, sb = 0;
        for (int y = by; y < by + kBlock; ++y)
          for (int x = bx; x < bx + kBlock; ++x) {
            sa += a[(static_cast<size_t>(y) * width + x) * 3 + c];
            sb += b[(static_cast<size_t>(y) * width + x) * 3 + c];
          }
        total += std::fabs(sa - sb) / (kBlock * kBlock);
        ++blocks;
      }
    }
  }
  return total / blocks;
}

// Frame 7 shows sample 30 s + floor(7 * 1837.5) = 1,335,862: the decoded frame
// is that still within the codec's error, with no colour cast, and clearly not
// the stills of frames 1 and 11.
TEST_F(ShortCapture, ADecodedFrameIsTheStillOfItsSamplePosition) {
  ASSERT_FALSE(HasFatalFailure());
  const int k = 7;
  const Rgb own = still_at(static_cast<int32_t>(frame_sample(kFirst, k, kFps)));
  ASSERT_EQ(frame_sample(kFirst, k, kFps), 1335862);
  const testing::RgbImage decoded = testing::video_frame(video_, k, own.width, own.height, dir_->file("frame.rgb"));
  ASSERT_EQ(decoded.rgb.size(), own.rgb.size());

  for (int c = 0; c < 3; ++c) {
    double bias = 0;
    for (size_t i = c; i < own.rgb.size(); i += 3) bias += double(decoded.rgb[i]) - own.rgb[i];
    EXPECT_LT(std::fabs(bias / (own.width * own.height)), 2.0) << "channel " << c;
  }
  const double to_own = block_difference(decoded.rgb, own.rgb, own.width, own.height);
  EXPECT_LT(to_own, 1.6);
  for (int other : {k - 6, k + 4}) {
    const Rgb neighbour = still_at(static_cast<int32_t>(frame_sample(kFirst, other, kFps)));
    const double to_other = block_difference(decoded.rgb, neighbour.rgb, own.width, own.height);
    EXPECT_GT(to_other, to_own + 0.8) << "frame " << other;
  }
}

// The sound is the synthesizer's own render of exactly [30 s, 30.5 s): strongly
// correlated at no offset, and at no offset better than at any other within
// 1,000 samples (a shifted range would peak elsewhere). Decoding yields whole
// AAC frames of 1,024 samples; the container's duration (checked above) is what
// trims the padding of the last one.
TEST_F(ShortCapture, TheSoundIsTheSoundtrackOfTheSameRange) {
  ASSERT_FALSE(HasFatalFailure());
  const std::vector<float> decoded = testing::video_sound(video_, dir_->file("sound.f32"));
  const int64_t frames = kEnd - kFirst;
  ASSERT_GE(static_cast<int64_t>(decoded.size()), 2 * frames);
  ASSERT_LT(static_cast<int64_t>(decoded.size()), 2 * (frames + 1024));

  auto ws = std::make_unique<synth::SynthWorkspace>();
  auto sound = std::make_unique<synth::SoundBuffer>();
  ASSERT_TRUE(synth::synth_reset(*ws, synth::song_default()));
  synth::synth_render_frames(*ws, *sound, kEnd);
  const float* reference = sound->samples + 2 * static_cast<int64_t>(kFirst);

  auto correlation = [&](int lag) {
    double ab = 0, aa = 0, bb = 0;
    for (int64_t i = 1000; i < frames - 1000; ++i) {
      for (int c = 0; c < 2; ++c) {
        const double a = decoded[2 * i + c], b = reference[2 * (i + lag) + c];
        ab += a * b;
        aa += a * a;
        bb += b * b;
      }
    }
    return ab / std::sqrt(aa * bb);
  };
  const double at_zero = correlation(0);
  EXPECT_GT(at_zero, 0.98);
  for (int lag : {-1000, -300, -64, -8, -1, 1, 8, 64, 300, 1000}) EXPECT_LT(correlation(lag), at_zero) << lag;
}

// Bad input: exit code 2, a message, and nothing written.
TEST(VideoCommand, BadInputIsAUsageErrorAndWritesNothing) {
  ScratchDir dir("video-usage");
  const std::string out = dir.file("v.mp4");
  const struct {
    std::string args;
    const char* says;
  } cases[] = {
      {"video", "give one output file"},
      {"video " + out + " " + dir.file("w.mp4"), "give one output file"},
      {"video --fps 0 " + out, "--fps"},
      {"video --fps -30 " + out, "--fps"},
      {"video --fps 29.97 " + out, "--fps"},
      {"video --fps abc " + out, "--fps"},
      {"video --fps '' " + out, "--fps"},
      {"video --fps 1001 " + out, "--fps"},
      {"video --fps 99999999999999999999 " + out, "--fps"},
      {"video " + out + " --fps", "--fps needs a value"},
      {"video --fps 30 --fps 60 " + out, "given twice"},
      {"video --scale 0 " + out, "--scale"},
      {"video --scale 1.01 " + out, "--scale"},
      {"video --scale -0.5 " + out, "--scale"},
      {"video --scale nan " + out, "--scale"},
      {"video --scale 1/4 " + out, "--scale"},
      {"video --from 30 --to 30 " + out, "--from must come before --to"},
      {"video --from 31 --to 30 " + out, "--from must come before --to"},
      {"video --from 30 --to 30.00001 " + out, "--from must come before --to"},  // the same sample
      {"video --from -1 " + out, "--from"},
      {"video --from 108 " + out, "past the end"},
      {"video --to 108 " + out, "past the end"},
      {"video --to 1e300 " + out, "past the end"},
      {"video --from inf " + out, "--from"},
      {"video --at 30 " + out, "unknown option '--at'"},
      {"video --frobnicate 1 " + out, "unknown option '--frobnicate'"},
      {"video -o " + out, "unknown option '-o'"},
  };
  for (const auto& c : cases) {
    const auto r = tool_run(kTool + " " + c.args);
    EXPECT_EQ(r.exit_code, 2) << c.args << ": " << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << ": " << r.output;
    EXPECT_NE(r.output.find("usage: intro-capture video"), std::string::npos) << c.args;
    EXPECT_TRUE(dir.files().empty()) << c.args;
  }
  const auto help = tool_run(kTool + " video --help");
  EXPECT_EQ(help.exit_code, 0);
  EXPECT_NE(help.output.find("whole number from 1 to 1000"), std::string::npos) << help.output;
}

TEST(VideoCommand, AnUnwritablePathOrNoFfmpegFailsAtOnceNamingIt) {
  ScratchDir dir("video-fail");
  const std::string missing_folder = dir.file("missing/v.mp4");
  auto r = tool_run(kTool + " video --scale 0.05 --to 4 " + missing_folder);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find(missing_folder), std::string::npos) << r.output;
  r = tool_run(kTool + " video --scale 0.05 --to 4 " + dir.path.string());
  EXPECT_EQ(r.exit_code, 1) << r.output;
  r = tool_run("PATH=" + dir.path.string() + " " + kTool + " video --scale 0.05 --to 4 " + dir.file("v.mp4"));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("cannot find the ffmpeg program"), std::string::npos) << r.output;
  EXPECT_TRUE(dir.files().empty());
}

// An encoder that fails, or that claims success without writing the file, is a
// failure: exit 1, message, no output and no temporary files.
TEST(VideoCommand, AFailingEncoderIsReportedAndLeavesNothing) {
  const struct {
    const char* name;
    const char* script;
    const char* says;
  } cases[] = {
      {"refuses", "echo 'the encoder refuses' >&2; exit 3", "exit status 3"},
      {"dies", "kill -9 $$", "exit status 137"},
      {"writes-nothing", "cat > /dev/null; exit 0", "cannot write"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir(std::string("video-encoder-") + c.name);
    const testing::fs::path bin = dir.path / "bin";
    testing::fs::create_directories(bin);
    {
      std::ofstream script(bin / "ffmpeg");
      script << "#!/bin/sh\n" << c.script << "\n";
    }
    testing::fs::permissions(bin / "ffmpeg", testing::fs::perms::owner_all);
    const std::string out = dir.file("v.mp4");
    const auto r = tool_run("PATH=" + bin.string() + ":/usr/bin:/bin " + kTool +
                            " video --fps 10 --scale 0.05 --from 3 --to 3.5 " + out);
    EXPECT_EQ(r.exit_code, 1) << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << r.output;
    EXPECT_EQ(dir.files(), std::vector<std::string>{"bin"});
  }
}

// Ctrl-C (SIGINT) or a termination request, while the sound is rendered or while
// frames are being encoded: exit 130, ffmpeg stopped, nothing left.
TEST(VideoCommand, AnInterruptStopsCleanlyAndLeavesNothing) {
  const struct {
    const char* name;
    int signal;
    bool wait_for_encoder;  // signal once ffmpeg has started writing, else at once
  } cases[] = {
      {"sigint-while-encoding", SIGINT, true},
      {"sigterm-while-encoding", SIGTERM, true},
      {"sigint-early", SIGINT, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchDir dir(std::string("video-interrupt-") + c.name);
    const std::string out = dir.file("v.mp4");
    std::vector<std::string> args = {kTool, "video", "--fps", "30", "--scale", "0.05", "--from", "3", "--to", "40",
                                     out};  // 1,110 frames: far more than fit in the half second
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    ASSERT_EQ(posix_spawn(&pid, kTool.c_str(), nullptr, nullptr, argv.data(), environ), 0);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    if (c.wait_for_encoder) {
      const std::string encoding = ".v.mp4.part-" + std::to_string(pid);
      bool started = false;
      while (!started && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (const auto& name : dir.files()) started = started || name == encoding;
      }
      EXPECT_TRUE(started) << "ffmpeg never started writing";
      std::this_thread::sleep_for(std::chrono::milliseconds(500));
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
    }
    ASSERT_EQ(::kill(pid, c.signal), 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
    EXPECT_EQ(WEXITSTATUS(status), 130);
    EXPECT_TRUE(dir.files().empty()) << dir.files().front();
  }
}

}  // namespace
}  // namespace capture
