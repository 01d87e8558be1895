// Feeding the audio device from the growing buffer, and the played count.
#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "host/sdl/stream_fill.hpp"

namespace {

constexpr uint64_t kMs = 1000000u;

// A source of `frames` frames whose every sample is nonzero: frame f holds
// (f + 1, -(f + 1)). Frames at or beyond `ready` are "not yet published".
struct Source {
  explicit Source(uint32_t frames, uint32_t ready) : samples(2 * frames), published(ready) {
    for (uint32_t f = 0; f < frames; ++f) {
      samples[2 * f] = static_cast<float>(f + 1);
      samples[2 * f + 1] = -static_cast<float>(f + 1);
    }
    source = host::AudioSource{samples.data(), frames, &published};
  }
  std::vector<float> samples;
  std::atomic<uint32_t> published;
  host::AudioSource source;
};

struct FillCase {
  const char* name;
  uint32_t frames, ready, start, block;
  uint32_t handed;  // frames of the source handed (the return value)
  uint32_t copied;  // of them, frames with their samples; the rest of the block is silence
};

class StreamFill : public ::testing::TestWithParam<FillCase> {};

TEST_P(StreamFill, HandsPublishedFramesAndSilenceForTheRest) {
  const FillCase& c = GetParam();
  Source s(c.frames, c.ready);
  host::StreamCursor cursor{};
  host::stream_restart(cursor, c.start, 0);
  std::vector<float> out(2 * c.block, 99.0f);
  EXPECT_EQ(host::stream_fill(s.source, cursor, out.data(), c.block, 5 * kMs), c.handed);
  EXPECT_EQ(cursor.handed, c.handed);
  for (uint32_t i = 0; i < c.block; ++i) {
    const float expected = i < c.copied ? static_cast<float>(c.start + i + 1) : 0.0f;
    ASSERT_EQ(out[2 * i], expected) << "frame " << i;
    ASSERT_EQ(out[2 * i + 1], -expected) << "frame " << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Fill, StreamFill,
    ::testing::Values(FillCase{"AllWritten", 100, 100, 10, 16, 16, 16},
                      FillCase{"WriterBehindInTheBlock", 100, 20, 10, 16, 16, 10},
                      FillCase{"WriterBehindTheStart", 100, 5, 10, 16, 16, 0},
                      FillCase{"NothingWrittenYet", 100, 0, 0, 16, 16, 0},
                      FillCase{"TheEndIsNotCounted", 100, 100, 90, 16, 10, 10},
                      FillCase{"AtTheEnd", 100, 100, 100, 16, 0, 0}),
    [](const ::testing::TestParamInfo<FillCase>& info) { return std::string(info.param.name); });

TEST(StreamFill, FollowsTheWriterBlockByBlock) {
  Source s(64, 0);
  host::StreamCursor cursor{};
  host::stream_restart(cursor, 0, 0);
  std::vector<float> out(2 * 8);
  s.published = 12;  // the second block is half written when it is asked for
  host::stream_fill(s.source, cursor, out.data(), 8, 0);
  host::stream_fill(s.source, cursor, out.data(), 8, 0);
  EXPECT_EQ(out[2 * 3], 12.0f);
  EXPECT_EQ(out[2 * 4], 0.0f);
  s.published = 64;  // a frame once skipped stays skipped: playback moves on
  host::stream_fill(s.source, cursor, out.data(), 8, 0);
  EXPECT_EQ(out[0], 17.0f);
  EXPECT_EQ(cursor.handed, 24u);
}

TEST(StreamPlayed, RunsInRealTimeBetweenBlocksAndNeverAheadOfTheDevice) {
  Source s(1000000, 1000000);
  host::StreamCursor cursor{};
  std::vector<float> out(2 * 1024);
  host::stream_restart(cursor, 500, 0);
  EXPECT_EQ(host::stream_played(cursor, 50 * kMs), 0u);  // nothing handed yet
  host::stream_fill(s.source, cursor, out.data(), 1024, 10 * kMs);
  EXPECT_EQ(host::stream_played(cursor, 10 * kMs), 0u);
  EXPECT_EQ(host::stream_played(cursor, 20 * kMs), 441u);
  EXPECT_EQ(host::stream_played(cursor, 40 * kMs), 1024u);  // capped by what was handed
  host::stream_fill(s.source, cursor, out.data(), 1024, 33 * kMs);
  EXPECT_EQ(host::stream_played(cursor, 33 * kMs), 1024u);
  EXPECT_EQ(host::stream_played(cursor, 43 * kMs), 1024u + 441u);
  // A restart counts from 0 again.
  host::stream_restart(cursor, 44100, 50 * kMs);
  EXPECT_EQ(host::stream_played(cursor, 60 * kMs), 0u);
}

TEST(StreamPlayed, NeverGoesBackWhileBlocksComeEarlyOrLate) {
  Source s(1000000, 1000000);
  host::StreamCursor cursor{};
  std::vector<float> out(2 * 512);
  host::stream_restart(cursor, 0, 0);
  const uint64_t block_times[] = {0, 1, 2, 15, 40, 41, 80, 82, 150, 151, 152, 200};  // ms
  uint32_t last = 0;
  uint64_t now = 0;
  for (uint64_t t : block_times) {
    for (; now < t * kMs; now += kMs / 2) {
      const uint32_t played = host::stream_played(cursor, now);
      ASSERT_GE(played, last) << "at " << now;
      ASSERT_LE(played, cursor.handed);
      last = played;
    }
    host::stream_fill(s.source, cursor, out.data(), 512, t * kMs);
  }
}

TEST(StreamPlayed, StopsAtTheLengthPlayedWhenTheSourceEnds) {
  Source s(3000, 3000);
  host::StreamCursor cursor{};
  std::vector<float> out(2 * 1024);
  host::stream_restart(cursor, 1000, 0);
  for (int i = 0; i < 4; ++i) host::stream_fill(s.source, cursor, out.data(), 1024, i * 23 * kMs);
  EXPECT_EQ(cursor.handed, 2000u);
  EXPECT_EQ(host::stream_played(cursor, 10000 * kMs), 2000u);
}

}  // namespace
