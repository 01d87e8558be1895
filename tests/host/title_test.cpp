// The title line: its exact text over a run of frames, and the clock's seconds.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "host/title.hpp"

namespace {

struct Step {
  float t;
  const char* text;
};

struct TitleCase {
  const char* name;
  std::vector<Step> steps;
};

class TitleSequence : public ::testing::TestWithParam<TitleCase> {};

TEST_P(TitleSequence, FormatsEveryFrame) {
  host::TitleState state{};
  int frame = 0;
  for (const Step& step : GetParam().steps) {
    host::title_update(state, step.t);
    ++frame;
    EXPECT_EQ(std::string(state.text), step.text) << "frame " << frame;
    EXPECT_EQ(state.frame_count, frame);
    if (std::isnan(step.t)) {
      EXPECT_TRUE(std::isnan(state.last_time));
    } else {
      EXPECT_EQ(state.last_time, step.t);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Title, TitleSequence,
    ::testing::Values(
        TitleCase{"FirstFrameAtZero", {{0.0f, "TIME: 0.00   FRAME: 1   FPS: 0.00 / inf"}}},
        // 0.9 on the newest rate, 0.1 on the history: 0.9 * 2 = 1.80, then
        // 0.9 * 4 + 0.1 * 1.8 = 3.78 (the other way round would give 2.02).
        TitleCase{"EqualBackwardForward",
                  {{0.0f, "TIME: 0.00   FRAME: 1   FPS: 0.00 / inf"},
                   {0.5f, "TIME: 0.50   FRAME: 2   FPS: 1.80 / 4.00"},
                   {0.5f, "TIME: 0.50   FRAME: 3   FPS: 1.80 / 6.00"},    // equal: rates kept
                   {0.25f, "TIME: 0.25   FRAME: 4   FPS: 1.80 / 16.00"},  // backward: kept
                   {0.5f, "TIME: 0.50   FRAME: 5   FPS: 3.78 / 10.00"}}}, // from the earlier time
        // Counted and divided in single precision: 5 / (1120 / 44100) is
        // 196.875 exactly, which float rounds up and double would not reach.
        TitleCase{"SinglePrecisionAverage",
                  {{0.0f, "TIME: 0.00   FRAME: 1   FPS: 0.00 / inf"},
                   {0.0f, "TIME: 0.00   FRAME: 2   FPS: 0.00 / inf"},
                   {0.0f, "TIME: 0.00   FRAME: 3   FPS: 0.00 / inf"},
                   {0.0f, "TIME: 0.00   FRAME: 4   FPS: 0.00 / inf"},
                   {host::title_seconds(1120), "TIME: 0.03   FRAME: 5   FPS: 35.44 / 196.88"}}},
        TitleCase{"NanStepKeepsRates",
                  {{0.5f, "TIME: 0.50   FRAME: 1   FPS: 1.80 / 2.00"},
                   {std::nanf(""), "TIME: nan   FRAME: 2   FPS: 1.80 / nan"}}}),
    [](const ::testing::TestParamInfo<TitleCase>& info) { return std::string(info.param.name); });

TEST(TitleSeconds, IsThePositionOver44100InSinglePrecision) {
  EXPECT_EQ(host::title_seconds(0), 0.0f);
  EXPECT_EQ(host::title_seconds(44100), 1.0f);
  EXPECT_EQ(host::title_seconds(4762368), 4762368.0f / 44100.0f);
  // 16,777,217 is not a float: the count rounds to float before the division.
  EXPECT_EQ(host::title_seconds(16777217), 16777216.0f / 44100.0f);
}

TEST(TitleSeconds, ShowsTheEndOfTheSoundtrackAs107_99) {
  host::TitleState state{};
  host::title_update(state, host::title_seconds(4762368));
  EXPECT_EQ(std::string(state.text).substr(0, 12), "TIME: 107.99");
}

}  // namespace
