// intro-capture still: argument checking, exit codes, and the PNG it writes.
#include <png.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/tools/capture_files.hpp"
#include "tools/capture/commands.hpp"

namespace {

namespace fs = std::filesystem;
using capture::testing::png_read;
using capture::testing::RgbImage;

int run_capture(std::vector<std::string> args) {
  args.insert(args.begin(), "intro-capture");
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  return capture::capture_main(static_cast<int>(argv.size()), argv.data());
}

class StillCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = fs::temp_directory_path() / ("still_test_" + std::to_string(::getpid()));
    fs::remove_all(folder_);
    fs::create_directories(folder_);
  }
  void TearDown() override { fs::remove_all(folder_); }
  std::string path(const char* name) const { return (folder_ / name).string(); }
  size_t files_left() const { return static_cast<size_t>(std::distance(fs::directory_iterator(folder_), {})); }
  fs::path folder_;
};

TEST_F(StillCommand, BadArgumentsAreUsageErrorsAndWriteNothing) {
  const std::string out = path("frame.png");
  const std::vector<std::vector<std::string>> cases = {
      {"still"},
      {"still", out},
      {"still", "--at", "30"},
      {"still", "--frame", "3", out},
      {"still", "--at", "30", out, "extra"},
      {"still", "--at", "-1", out},
      {"still", "--at", "-0.01", out},
      {"still", "--at", "abc", out},
      {"still", "--at", "30s", out},
      {"still", "--at", "", out},
      {"still", "--at", "nan", out},
      {"still", "--at", "inf", out},
      {"still", "--at", "1e300", out},
      {"still", "--at", "108", out},
      {"still", "--at", "107.9902", out},  // rounds to sample 4,762,368, one past the last
      {"still", "--sample", "4762368", out},
      {"still", "--sample", "-5", out},
      {"still", "--sample", "1.5", out},
      {"still", "--sample", "12abc", out},
      {"still", "--sample", "99999999999999999999", out},
      {"still", "--sample", "", out},
  };
  for (const auto& args : cases) {
    std::string shown;
    for (const auto& a : args) shown += "'" + a + "' ";
    SCOPED_TRACE(shown);
    EXPECT_EQ(run_capture(args), 2);
    EXPECT_EQ(files_left(), 0u);
  }
}

TEST_F(StillCommand, AnUnwritablePathFailsAtOnce) {
  EXPECT_EQ(run_capture({"still", "--at", "30", path("missing/frame.png")}), 1);
  EXPECT_EQ(run_capture({"still", "--at", "30", folder_.string()}), 1);
  EXPECT_EQ(files_left(), 0u);
}

// The last sample of the soundtrack has no shot: a complete, opaque black frame
// (and a cheap one to draw).
TEST_F(StillCommand, TheLastSampleIsAllowedAndBlack) {
  const std::string out = path("last.png");
  ASSERT_EQ(run_capture({"still", "--sample", "4762367", out}), 0);
  const RgbImage image = png_read(out);
  ASSERT_EQ(image.width, 1920);
  ASSERT_EQ(image.height, 1080);
  size_t lit = 0;
  for (uint8_t c : image.rgb) lit += c != 0;
  EXPECT_EQ(lit, 0u);
  EXPECT_EQ(files_left(), 1u) << "no temporary file left beside it";
}

// A frame of the piece: black letterbox rows, a drawn band; seconds round to the
// same sample position.
TEST_F(StillCommand, ThirtySecondsIsAFrameWithItsLetterbox) {
  const std::string by_time = path("30s.png"), by_sample = path("1323000.png");
  ASSERT_EQ(run_capture({"still", "--at", "30", by_time}), 0);
  ASSERT_EQ(run_capture({"still", "--sample", "1323000", by_sample}), 0);
  const RgbImage a = png_read(by_time), b = png_read(by_sample);
  ASSERT_EQ(a.width, 1920);
  ASSERT_EQ(a.height, 1080);
  EXPECT_EQ(a.rgb, b.rgb);
  // Rows from the top: 0-139 and 940-1079 are letterbox; 140-939 the band.
  size_t lit_letterbox = 0, lit_band = 0;
  for (int row = 0; row < 1080; ++row) {
    for (int x = 0; x < 1920; ++x) {
      const uint8_t* p = &a.rgb[(static_cast<size_t>(row) * a.width + x) * 3];
      const bool lit = p[0] + p[1] + p[2] > 0;
      if (row < 140 || row >= 940)
        lit_letterbox += lit;
      else
        lit_band += lit;
    }
  }
  EXPECT_EQ(lit_letterbox, 0u);
  EXPECT_GT(lit_band, 1920u * 800u * 9 / 10);
  EXPECT_EQ(files_left(), 2u);
}

// Where no GL context can be had (here: EGL finds no driver at all), the command
// says so and fails; it does not crash and leaves no file.
TEST_F(StillCommand, NoGlContextIsAClearFailure) {
  const std::string out = path("frame.png");
  const std::string command = "__EGL_VENDOR_LIBRARY_FILENAMES=/nonexistent/vendor.json '" INTRO_CAPTURE_PATH
                              "' still --at 30 '" + out + "' 2>&1";
  std::FILE* pipe = ::popen(command.c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string output;
  char buffer[256];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  const int status = ::pclose(pipe);
  ASSERT_TRUE(WIFEXITED(status)) << output;
  EXPECT_EQ(WEXITSTATUS(status), 1) << output;
  EXPECT_NE(output.find("headless GL context"), std::string::npos) << output;
  EXPECT_EQ(files_left(), 0u);
}

}  // namespace
