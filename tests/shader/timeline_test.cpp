// The entry point itself: which shot each pixel shows around every cut, the
// tunnel flag at its two edges, and the white flashes.
//
// Every pixel runs up to 0.04 s ahead of the sample position by a jitter of its
// own, so its time is float(v) / 44100 + jitter. To land a pixel exactly on a
// boundary, the jitters of a block of pixels are read first (the program's own
// pointHash); then, for pixels where some sample position makes the sum equal
// the boundary exactly, that position and its neighbours are drawn through the
// real entry point and the pixel's own time, shot and flag are read back.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "tests/shader/shader_probe.hpp"

namespace {

using shadertest::ShaderProbe;

constexpr int kSecond = 44100;

// The timeline the picture is cut to: segment starts and their shots.
struct Segment {
  float start;
  int shot;
};
constexpr Segment kSegments[] = {
    {3, 12},  {5, -1},  {6, 13},  {7, -1},  {9, 0},     {11, 1},  {16, 2},  {21.85f, 3}, {26, 4},
    {27, 5},  {27.9f, 6}, {32, 7},  {40, 8},  {54, 0},  {54.5f, 10}, {55, 11}, {55.5f, 9}, {66, 4},
    {67, 3},  {74, 14}, {82, 5},  {83, 6},  {90, 4},    {91, 3},  {96, 7},  {106, -1},
};

int expected_shot(float time) {
  int shot = -1;
  for (const Segment& s : kSegments)
    if (s.start <= time) shot = s.shot;
  return shot;
}

float expected_open(float time) { return (time > 55.5f && time < 91.0f) ? 0.0f : 1.0f; }

// A block of pixels in the middle of the frame.
constexpr int kX = 640, kY = 400, kW = 64, kH = 16;

constexpr char kEntryProbe[] = R"(
void main() {
    sceneMain();  // a pixel it discards stores nothing
    probeStore(0, sceneTime);
    probeStore(1, float(shotIndex));
    probeStore(2, openFlag);
    probeStore(3, shotTime);
    probeStore3(4, f.rgb);
}
)";
constexpr int kEntrySlots = 7;

class Timeline : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    entry_ = new ShaderProbe(kEntryProbe, kEntrySlots);
    ShaderProbe jitter("void main() { float h = pointHash(gl_FragCoord.xy); probeStore(0, h); probeStore(1, h * 0.04); }",
                       2);
    ASSERT_TRUE(jitter.ok()) << jitter.log();
    const auto values = jitter.run(30 * kSecond, kX, kY, kW, kH);
    hash_.resize(kW * kH);
    jitter_.resize(kW * kH);
    for (int i = 0; i < kW * kH; ++i) {
      hash_[i] = values[2 * i];
      jitter_[i] = values[2 * i + 1];
    }
  }
  static void TearDownTestSuite() {
    delete entry_;
    entry_ = nullptr;
  }

  // The time the program computes for pixel i at position v: float division and
  // addition, or the same with the jitter product fused into the addition.
  static bool lands_on(int i, int32_t v, float target) {
    const float base = static_cast<float>(v) / 44100.0f;
    return base + jitter_[i] == target || std::fma(hash_[i], 0.04f, base) == target;
  }

  struct Sample {
    float time, shot, open, shot_time, r, g, b;
    bool drawn() const { return !std::isnan(time); }
  };

  static Sample draw(int i, int32_t v) {
    const auto r = entry_->run(v, kX + i % kW, kY + i / kW);
    return {r[0], r[1], r[2], r[3], r[4], r[5], r[6]};
  }

  // Pixel and position pairs whose time is predicted to be exactly `target`.
  static std::vector<std::pair<int, int32_t>> exact_pairs(float target, size_t most) {
    std::vector<std::pair<int, int32_t>> pairs;
    for (int i = 0; i < kW * kH && pairs.size() < most; ++i) {
      const int32_t centre = static_cast<int32_t>(std::lround((target - jitter_[i]) * kSecond));
      for (int32_t v = centre - 2; v <= centre + 2; ++v) {
        if (lands_on(i, v, target)) {
          pairs.emplace_back(i, v);
          break;
        }
      }
    }
    return pairs;
  }

  static inline ShaderProbe* entry_ = nullptr;
  static inline std::vector<float> hash_, jitter_;
};

// The rule every drawn pixel must follow, whatever its time.
void expect_follows_the_timeline(const char* where, float time, float shot, float open, float shot_time) {
  SCOPED_TRACE(where);
  EXPECT_EQ(shot, static_cast<float>(expected_shot(time))) << "time " << time;
  EXPECT_EQ(open, expected_open(time)) << "time " << time;
  EXPECT_GE(shot_time, 0.0f);
}

TEST_F(Timeline, TheLastSegmentBegunDecidesTheShotAtEveryCut) {
  ASSERT_TRUE(entry_->ok()) << entry_->log();
  for (size_t s = 0; s < std::size(kSegments); ++s) {
    const Segment& segment = kSegments[s];
    const int before = s == 0 ? -1 : kSegments[s - 1].shot;
    SCOPED_TRACE("cut at " + std::to_string(segment.start) + " s");
    const auto pairs = exact_pairs(segment.start, 3);
    ASSERT_FALSE(pairs.empty()) << "no pixel lands exactly on the cut";
    int exact_seen = 0;
    for (const auto& [i, v] : pairs) {
      const Sample at = draw(i, v), below = draw(i, v - 1), above = draw(i, v + 1);
      // At the cut: the new segment's shot, with its clock at zero.
      if (segment.shot == -1) {
        EXPECT_FALSE(at.drawn()) << "a no-shot segment draws nothing";
        EXPECT_FALSE(above.drawn());
      } else {
        ASSERT_TRUE(at.drawn());
        EXPECT_EQ(at.time, segment.start) << "pixel " << i << " at " << v;
        exact_seen += at.time == segment.start;
        EXPECT_EQ(at.shot, segment.shot);
        EXPECT_EQ(at.shot_time, 0.0f);
        expect_follows_the_timeline("at the cut", at.time, at.shot, at.open, at.shot_time);
        ASSERT_TRUE(above.drawn());
        expect_follows_the_timeline("after the cut", above.time, above.shot, above.open, above.shot_time);
      }
      // One sample earlier: still the segment before.
      if (before == -1) {
        EXPECT_FALSE(below.drawn());
      } else {
        ASSERT_TRUE(below.drawn());
        EXPECT_LT(below.time, segment.start);
        EXPECT_EQ(below.shot, before);
        expect_follows_the_timeline("before the cut", below.time, below.shot, below.open, below.shot_time);
      }
    }
    if (segment.shot != -1) {
      EXPECT_GT(exact_seen, 0);
    }
  }
}

// Over a whole block of pixels straddling each cut, drawn pixels follow the
// timeline and pixels whose time falls in a no-shot segment are not drawn: the
// cut dissolves across the block over 0.04 s.
TEST_F(Timeline, EveryCutIsANoiseDissolve) {
  ASSERT_TRUE(entry_->ok()) << entry_->log();
  for (const Segment& segment : kSegments) {
    SCOPED_TRACE("cut at " + std::to_string(segment.start) + " s");
    const int32_t v = static_cast<int32_t>(std::lround((segment.start - 0.02f) * kSecond));
    const auto r = entry_->run(v, kX, kY, kW, kH);
    int drawn_before = 0, drawn_after = 0, hidden = 0;
    for (int i = 0; i < kW * kH; ++i) {
      const float* p = &r[i * kEntrySlots];
      const float predicted = static_cast<float>(v) / 44100.0f + jitter_[i];
      if (std::isnan(p[0])) {
        if (std::fabs(predicted - segment.start) > 1e-5f) {
          EXPECT_EQ(expected_shot(predicted), -1) << predicted;
        }
        ++hidden;
        continue;
      }
      EXPECT_NEAR(p[0], predicted, 1e-5f);
      expect_follows_the_timeline("block", p[0], p[1], p[2], p[3]);
      (p[0] < segment.start ? drawn_before : drawn_after) += 1;
    }
    const int before = expected_shot(segment.start - 0.03f), after = segment.shot;
    // Both sides of the cut are represented in the block.
    EXPECT_GT(before == -1 ? hidden : drawn_before, 100);
    EXPECT_GT(after == -1 ? hidden : drawn_after, 100);
  }
}

// The tunnel flag is 0 strictly between 55.5 s and 91 s: a pixel exactly at
// either edge is on the open road.
TEST_F(Timeline, TunnelFlagAtItsExactEdges) {
  ASSERT_TRUE(entry_->ok()) << entry_->log();
  struct Edge {
    float time, before, at, after;
  };
  for (const Edge& e : {Edge{55.5f, 1, 1, 0}, Edge{91.0f, 0, 1, 1}}) {
    SCOPED_TRACE(e.time);
    const auto pairs = exact_pairs(e.time, 4);
    ASSERT_FALSE(pairs.empty());
    int exact = 0;
    for (const auto& [i, v] : pairs) {
      const Sample below = draw(i, v - 1), at = draw(i, v), above = draw(i, v + 1);
      ASSERT_TRUE(below.drawn() && at.drawn() && above.drawn());
      if (at.time != e.time) continue;
      ++exact;
      EXPECT_EQ(below.open, e.before);
      EXPECT_EQ(at.open, e.at);
      EXPECT_EQ(above.open, e.after);
    }
    EXPECT_GT(exact, 0);
  }
}

// The white flashes that open and close the tunnel: each adds pulse(10 (t - start))
// to every channel before the vignette, peaking at 1 a tenth of a second in. Over a
// block of pixels swept through the flash, the colour the program writes, taken
// back to linear and divided by the vignette, follows that curve on top of a dim
// scene, and its brightest moment is 55.6 s (91.1 s).
TEST_F(Timeline, WhiteFlashesPeakATenthOfASecondAfterTheTunnelEdges) {
  ASSERT_TRUE(entry_->ok()) << entry_->log();
  const auto pulse = [](double u) { return u * std::exp(1.0 - u); };
  for (const double start : {55.5, 91.0}) {
    SCOPED_TRACE(start);
    constexpr int kBins = 40;  // 0.01 s each, from start - 0.04 s
    double sum[kBins] = {}, count[kBins] = {};
    for (int k = 0; k <= kBins; ++k) {
      const int32_t v = static_cast<int32_t>(std::lround((start - 0.04 + k * 0.01) * kSecond));
      const auto r = entry_->run(v, kX, kY, kW, kH);
      for (int i = 0; i < kW * kH; ++i) {
        const float* p = &r[i * kEntrySlots];
        ASSERT_FALSE(std::isnan(p[0]));
        const double u = (kX + i % kW + 0.5) / 1920.0, w = (kY + i / kW + 0.5) / 1080.0;
        const double vignette = std::sqrt(15.0 * u * (1.0 - u) * w * (1.0 - w));
        double least = 1e9;  // the flash lifts every channel, so the dimmest one shows it best
        for (int c = 4; c < 7; ++c) least = std::min(least, std::pow(static_cast<double>(p[c]), 1.0 / 0.4545) / vignette);
        const double flash = pulse(std::max(0.0, 10.0 * (p[0] - start)));
        EXPECT_GT(least - flash, -0.15) << "time " << p[0];
        EXPECT_LT(least - flash, 0.5) << "time " << p[0];
        const int bin = static_cast<int>(std::floor((p[0] - start + 0.04) / 0.01));
        if (bin >= 0 && bin < kBins) {
          sum[bin] += least;
          count[bin] += 1;
        }
      }
    }
    int brightest = 0;
    for (int b = 0; b < kBins; ++b) {
      ASSERT_GT(count[b], 0) << "bin " << b;
      const double centre = start - 0.04 + (b + 0.5) * 0.01;
      const double mean = sum[b] / count[b];
      if (mean > sum[brightest] / count[brightest]) brightest = b;
      if (centre < start) {
        EXPECT_LT(mean, 0.3) << "no flash before " << start;
      } else {
        EXPECT_NEAR(mean, pulse(10.0 * (centre - start)), 0.08) << "at " << centre;
      }
    }
    EXPECT_NEAR(start - 0.04 + (brightest + 0.5) * 0.01, start + 0.1, 0.0051);
  }
}

}  // namespace
