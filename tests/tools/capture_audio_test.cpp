// intro-capture's command line and its audio command, run as a user runs them.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <unistd.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <sstream>
#include <memory>
#include <vector>

#include "synth/synth.hpp"
#include "tests/tools/tool_run.hpp"
#include "tools/capture/levels.hpp"

namespace capture {
namespace {

namespace fs = std::filesystem;
using testing::tool_run;

const std::string kTool = INTRO_CAPTURE;

struct TempDir {
  fs::path path = fs::temp_directory_path() / ("capture-test-" + std::to_string(::getpid()));
  TempDir() { fs::create_directories(path); }
  ~TempDir() { fs::remove_all(path); }
  std::vector<std::string> files() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path)) names.push_back(e.path().filename().string());
    return names;
  }
};

TEST(CaptureCommandLine, UsageErrorsExitTwoAndHelpExitsZero) {
  const struct {
    std::string args;
    int code;
    const char* says;
  } cases[] = {
      {"", 2, "usage"},
      {"frobnicate", 2, "unknown command 'frobnicate'"},
      {"audio", 2, "usage: intro-capture audio"},
      {"audio a.wav b.wav", 2, "usage: intro-capture audio"},
      {"--help", 0, "audio OUT.wav"},
      {"audio --help", 0, "32-bit float"},
  };
  for (const auto& k : cases) {
    const auto r = tool_run(kTool + " " + k.args);
    EXPECT_EQ(r.exit_code, k.code) << k.args;
    EXPECT_NE(r.output.find(k.says), std::string::npos) << k.args << ": " << r.output;
  }
}

TEST(CaptureAudio, UnwritableOutputNamesThePathAndLeavesNothing) {
  TempDir dir;
  const std::string missing = (dir.path / "no-such-folder" / "song.wav").string();
  auto r = tool_run(kTool + " audio " + missing);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find(missing), std::string::npos) << r.output;
  r = tool_run(kTool + " audio " + dir.path.string());  // a folder, not a file
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(dir.files().empty());
}

TEST(CaptureAudio, WritesTheWholeSoundtrackAsFloatWav) {
  TempDir dir;
  const fs::path out = dir.path / "soundtrack.wav";
  const auto r = tool_run(kTool + " audio " + out.string());
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(dir.files(), std::vector<std::string>{"soundtrack.wav"});  // no temporary left behind

  SF_INFO info{};
  SNDFILE* f = sf_open(out.c_str(), SFM_READ, &info);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(info.frames, synth::kSongFrames);
  EXPECT_EQ(info.channels, 2);
  EXPECT_EQ(info.samplerate, 44100);
  EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);

  // Its first two seconds are what the synthesizer renders, to the bit.
  const int frames = 2 * synth::kSampleRate;
  std::vector<float> from_file(2 * frames);
  ASSERT_EQ(sf_readf_float(f, from_file.data(), frames), frames);
  sf_close(f);
  auto ws = std::make_unique<synth::SynthWorkspace>();
  auto sound = std::make_unique<synth::SoundBuffer>();
  ASSERT_TRUE(synth::synth_reset(*ws, synth::song_default()));
  synth::synth_render_frames(*ws, *sound, frames);
  for (int i = 0; i < 2 * frames; ++i) ASSERT_EQ(from_file[i], sound->samples[i]) << i;
}

}  // namespace
}  // namespace capture

namespace capture {
namespace {

TEST(Levels, CountsWhatTheClampChangedAndMeasuresBothSides) {
  Levels l;
  const struct {
    float before, after;
  } values[] = {{0.5f, 0.5f}, {-2.5f, -1.0f}, {1.0f, 1.0f}, {-0.0f, -0.0f},
                {std::numeric_limits<float>::quiet_NaN(), 1.0f}, {3.0f, 1.0f}};
  for (int i = 0; i < 6; ++i) levels_add(l, i / 2, values[i].before, values[i].after);
  EXPECT_EQ(l.clamped, 3);
  EXPECT_EQ(l.not_finite, 1);
  EXPECT_EQ(l.peak_before, 3.0);
  EXPECT_EQ(l.peak_before_frame, 2);
  EXPECT_EQ(l.peak_after, 1.0);
  EXPECT_DOUBLE_EQ(levels_rms(l), std::sqrt((0.25 + 1 + 1 + 0 + 1 + 1) / 6));
}

TEST(Levels, TheSongPushesIntoTheClampAndIsWrittenWithinIt) {
  const auto r = testing::tool_run(kTool + " levels");
  ASSERT_EQ(r.exit_code, 0) << r.output;
  double peak_before = 0, peak_after = 0;
  long long clamped = -1;
  std::istringstream lines(r.output);
  for (std::string line; std::getline(lines, line);) {
    std::sscanf(line.c_str(), "peak before the clamp %lf", &peak_before);
    std::sscanf(line.c_str(), "peak after the clamp %lf", &peak_after);
    std::sscanf(line.c_str(), "values clamped %lld", &clamped);
  }
  EXPECT_GT(peak_before, 1.0);  // instruments 3 and 7 feed their envelopes into their own gain
  EXPECT_EQ(peak_after, 1.0);
  EXPECT_GT(clamped, 0);
  EXPECT_EQ(testing::tool_run(kTool + " levels extra").exit_code, 2);
}

}  // namespace
}  // namespace capture
