// Seeking: where playback resumes, on the device and on the stand-in clock.
#include <gtest/gtest.h>

#include <string>

#include "host/sound.hpp"
#include "tests/host/fake_platform.hpp"

namespace {

constexpr int32_t kSecond = 44100;                   // frames
constexpr int32_t kEnd = synth::kSongFrames;         // 4,762,368 frames
constexpr int32_t kValues = synth::kSoundBufferValues;

struct SeekCase {
  const char* name;
  int32_t base;      // values
  uint32_t played;   // frames
  int direction;
  int32_t index;     // values
};

class SeekIndex : public ::testing::TestWithParam<SeekCase> {};

TEST_P(SeekIndex, LandsWhereExpected) {
  const SeekCase& c = GetParam();
  EXPECT_EQ(host::seek_index(c.base, c.played, c.direction), c.index);
}

INSTANTIATE_TEST_SUITE_P(
    Seek, SeekIndex,
    ::testing::Values(
        // 107.5 s is frame 4,740,750: one second on overshoots the end by
        // 22,482 frames, 0.51 s from the start.
        SeekCase{"ForwardFrom107_5WrapsTo0_51", 0, 4740750, +1, 2 * 22482},
        SeekCase{"BackWithinFirstSecondRestartsAtZero", 0, 30000, -1, 0},
        SeekCase{"BackAtExactlyOneSecondIsZero", 0, kSecond, -1, 0},
        SeekCase{"ForwardFromTheStart", 0, 0, +1, 2 * kSecond},
        SeekCase{"BackFromTheMiddle", 1000000, 50000, -1, 1000000 + 100000 - 2 * kSecond},
        SeekCase{"ForwardAfterPlayingOutGoesToOneSecond", 2000000, (kValues - 2000000) / 2, +1, 2 * kSecond},
        SeekCase{"BackAfterPlayingOutReplaysTheLastSecond", 2000000, (kValues - 2000000) / 2, -1,
                 kValues - 2 * kSecond},
        SeekCase{"ForwardOntoTheEndWrapsToZero", 0, kEnd - kSecond, +1, 0}),
    [](const ::testing::TestParamInfo<SeekCase>& info) { return std::string(info.param.name); });

TEST(SeekIndex, AlwaysOnAFrameBoundaryWithinTheBuffer) {
  for (int32_t base = 0; base < kValues; base += 2 * 99991) {
    for (uint32_t played = 0; 2 * played + base <= static_cast<uint32_t>(kValues); played += 77777) {
      for (int direction : {-1, +1}) {
        const int32_t index = host::seek_index(base, played, direction);
        ASSERT_EQ(index % 2, 0) << base << " " << played << " " << direction;
        ASSERT_GE(index, 0);
        ASSERT_LT(index, kValues);
      }
    }
  }
}

TEST(FallbackPlayed, CountsRealTimeUpToTheEnd) {
  const uint64_t s = 1000000000u;
  EXPECT_EQ(host::fallback_played(5 * s, 5 * s, 0), 0u);
  EXPECT_EQ(host::fallback_played(5 * s, 4 * s, 0), 0u);  // a clock read before the start
  EXPECT_EQ(host::fallback_played(5 * s, 6 * s, 0), 44100u);
  EXPECT_EQ(host::fallback_played(0, s / 2, 0), 22050u);
  EXPECT_EQ(host::fallback_played(0, 1000000u, 0), 44u);  // 1 ms is 44.1 frames, rounded down
  // Stops at the end of the buffer, wherever playback started.
  EXPECT_EQ(host::fallback_played(0, 200 * s, 0), static_cast<uint32_t>(kEnd));
  EXPECT_EQ(host::fallback_played(0, 200 * s, 2 * 1000), static_cast<uint32_t>(kEnd - 1000));
  // No overflow however long the process has run.
  EXPECT_EQ(host::fallback_played(0, 100000 * s + s / 10, kValues - 2 * 5000), 5000u);
  EXPECT_EQ(host::fallback_played(10000000 * s, 10000000 * s + 3 * s / 2, 0), 66150u);
}

// Seeks on a device: each one is taken from the count played just before it,
// so the clock moves by exactly one second from the last position and any
// number of seeks add up.
TEST(SoundSeek, RepeatedSeeksAddUpWithoutDrift) {
  fake::reset();
  host::AudioOut audio{};
  host::SoundState state{};
  state.audio = &audio;
  state.device = 1;
  int32_t position = 0;
  const uint32_t played_between[] = {0, 1, 441, 12345, 44099, 100000, 7};
  for (int i = 0; i < 70; ++i) {
    fake::world().played = played_between[i % 7];
    position += static_cast<int32_t>(played_between[i % 7]);
    ASSERT_EQ(host::sound_position(state), position);
    const int direction = (i % 3 == 2) ? -1 : +1;
    host::sound_seek(state, direction);
    position += direction * kSecond;
    ASSERT_EQ(host::sound_position(state), position) << "after seek " << i;
    ASSERT_EQ(fake::world().plays.back(), static_cast<uint32_t>(position));
  }
}

TEST(SoundSeek, TheStandInClockIsMovedLikeADevice) {
  fake::reset();
  host::SoundState state{};
  state.device = 0;
  const uint64_t s = 1000000000u;
  fake::world().now_ns = 10 * s;
  state.fallback_start_ns = 10 * s;
  fake::world().now_ns = 12 * s;
  EXPECT_EQ(host::sound_position(state), 2 * kSecond);
  host::sound_seek(state, +1);
  EXPECT_EQ(host::sound_position(state), 3 * kSecond);
  fake::world().now_ns = 12 * s + s / 2;
  EXPECT_EQ(host::sound_position(state), 3 * kSecond + kSecond / 2);
  host::sound_seek(state, -1);
  host::sound_seek(state, -1);
  host::sound_seek(state, -1);
  EXPECT_EQ(host::sound_position(state), kSecond / 2);
  host::sound_seek(state, -1);
  EXPECT_EQ(host::sound_position(state), 0);
  // Played out: the clock stays at the end; forward then goes to one second.
  fake::world().now_ns += 500 * s;
  EXPECT_EQ(host::sound_position(state), kEnd);
  fake::world().now_ns += s;
  EXPECT_EQ(host::sound_position(state), kEnd);
  host::sound_seek(state, +1);
  EXPECT_EQ(host::sound_position(state), kSecond);
  EXPECT_TRUE(fake::world().plays.empty());  // no device was ever asked
}

}  // namespace
