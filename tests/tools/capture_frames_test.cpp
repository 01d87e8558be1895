// What each frame of a capture shows, drawn in this process: the frame clock,
// the picture sizes, small pictures against the full frame pixel for pixel, and
// the timeline as the scene program reports it.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "shader/scene_shader.hpp"
#include "synth/synth.hpp"
#include "tools/capture/frame_clock.hpp"
#include "tools/capture/frame_render.hpp"
#include "tools/capture/timeline.hpp"

namespace capture {
namespace {

TEST(FrameClock, FrameKShowsTheFloorOfKTimes44100OverFps) {
  const struct {
    int64_t first, k, fps, sample;
  } cases[] = {
      {0, 0, 60, 0},
      {0, 1, 60, 735},
      {0, 60, 60, 44100},
      {0, 1, 7, 6300},             // 7 divides 44,100
      {0, 1, 144, 306},            // 306.25
      {0, 3, 144, 918},            // 918.75: the floor, not the nearest
      {0, 4, 144, 1225},           // lands exactly again
      {0, 1, 1000, 44},            // 44.1
      {0, 999, 1000, 44055},       // 44055.9
      {0, 1, 23, 1917},            // 1917.39
      {0, 2, 23, 3834},            // 3834.78
      {1323000, 7, 24, 1335862},   // 12862.5 past the start
      {0, 6479, 60, 4762065},      // the last frame of the whole piece at 60 fps
      {0, 13000, 120, 4777500},    // arithmetic does not overflow far past the end
  };
  for (const auto& c : cases) {
    SCOPED_TRACE("first " + std::to_string(c.first) + ", k " + std::to_string(c.k) + ", fps " + std::to_string(c.fps));
    EXPECT_EQ(frame_sample(c.first, c.k, c.fps), c.sample);
  }
}

// A float clock that adds 1/fps per frame drifts; the integer clock must agree
// with the exact rational position at every frame, for rates that do not divide
// 44,100 too.
TEST(FrameClock, NoDriftOverTheWholePiece) {
  for (int64_t fps : {1, 7, 23, 24, 25, 29, 30, 48, 59, 60, 120, 144, 1000}) {
    SCOPED_TRACE("fps " + std::to_string(fps));
    const int64_t frames = frame_count(0, synth::kSongFrames, fps);
    int64_t previous = -1;
    for (int64_t k = 0; k < frames; ++k) {
      const int64_t s = frame_sample(0, k, fps);
      // s <= k * 44100 / fps < s + 1, checked without division.
      ASSERT_LE(s * fps, k * synth::kSampleRate);
      ASSERT_GT((s + 1) * fps, k * synth::kSampleRate);
      ASSERT_GT(s, previous);
      previous = s;
    }
    EXPECT_LT(frame_sample(0, frames - 1, fps), synth::kSongFrames);  // the last frame is inside the piece
    EXPECT_GE(frame_sample(0, frames, fps), synth::kSongFrames);      // and one more would not be
  }
}

TEST(FrameClock, FrameCountCoversTheRangeExactly) {
  const struct {
    int64_t first, end, fps, frames;
  } cases[] = {
      {0, synth::kSongFrames, 60, 6480},      // 107.99 s
      {0, synth::kSongFrames, 30, 3240},
      {1323000, 1345050, 30, 15},             // half a second
      {1323000, 1345050, 24, 12},
      {1323000, 1345050, 7, 4},               // 3.5 frames: the fourth starts inside
      {1323000, 1323001, 60, 1},              // one sample still shows one frame
      {100, 100, 60, 0},
      {200, 100, 60, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.first) + ".." + std::to_string(c.end) + " at " + std::to_string(c.fps));
    EXPECT_EQ(frame_count(c.first, c.end, c.fps), c.frames);
  }
}

TEST(FrameRender, SizesAreEvenAndFollowTheScale) {
  const struct {
    double scale;
    int width, height;
  } cases[] = {
      {1.0, 1920, 1080}, {0.5, 960, 540}, {0.25, 480, 270}, {0.125, 240, 136},
      {0.3, 576, 324},   {0.999, 1918, 1078}, {0.001, 2, 2}, {1e-9, 2, 2},
  };
  for (const auto& c : cases) {
    const FrameSize size = frame_size(c.scale);
    EXPECT_EQ(size.width, c.width) << c.scale;
    EXPECT_EQ(size.height, c.height) << c.scale;
  }
}

TEST(FrameRender, OnlySmallPicturesChangeTheProgramText) {
  const std::string scene = shader::kSceneSource;
  EXPECT_EQ(frame_source({1920, 1080}), scene);
  const std::string small = frame_source({480, 270});
  const size_t version_end = scene.find('\n') + 1;
  ASSERT_EQ(small.compare(0, version_end, scene, 0, version_end), 0) << "the version line stays first";
  const std::string added = small.substr(version_end, small.size() - scene.size());
  EXPECT_EQ(added.rfind("#define gl_FragCoord ", 0), 0u) << added;
  EXPECT_NE(added.find("ivec2(960, 540)"), std::string::npos) << added;
  EXPECT_EQ(small.substr(version_end + added.size()), scene.substr(version_end)) << "the rest is the scene, untouched";
}

struct Frame {
  FrameSize size;
  std::vector<uint8_t> rgba;  // top row first
};

Frame draw(FrameSize size, int32_t sample) {
  Frame frame{size, std::vector<uint8_t>(static_cast<size_t>(size.width) * size.height * 4)};
  FrameRenderer renderer;
  EXPECT_TRUE(frame_renderer_open(renderer, size));
  if (renderer.size.width == size.width) frame_render(renderer, sample, frame.rgba.data());
  frame_renderer_close(renderer);
  return frame;
}

// Each small pixel must be the full frame's pixel that contains its centre, to
// the bit: the program sees the same gl_FragCoord there. Scales whose factor is
// not a power of two (0.3: 3.33 full pixels per small one) included.
TEST(FrameRender, SmallPicturesArePointSamplesOfTheFullFrame) {
  const int32_t sample = 36 * synth::kSampleRate;  // the aerial view: fine terrain detail everywhere
  const Frame full = draw({1920, 1080}, sample);
  size_t lit = 0;
  for (size_t i = 0; i < full.rgba.size(); i += 4) lit += full.rgba[i] + full.rgba[i + 1] + full.rgba[i + 2] > 0;
  ASSERT_GT(lit, 1920u * 700u) << "the full frame shows a picture";
  for (double scale : {0.25, 0.3, 0.125}) {
    SCOPED_TRACE("scale " + std::to_string(scale));
    const Frame small = draw(frame_size(scale), sample);
    const int w = small.size.width, h = small.size.height;
    size_t differing = 0;
    for (int row = 0; row < h; ++row) {
      // GL counts rows from the bottom; the buffers hold the top row first.
      const int y = h - 1 - row;
      const int full_row = 1079 - (2 * y + 1) * 1080 / (2 * h);
      for (int x = 0; x < w; ++x) {
        const int full_x = (2 * x + 1) * 1920 / (2 * w);
        const uint8_t* a = &small.rgba[(static_cast<size_t>(row) * w + x) * 4];
        const uint8_t* b = &full.rgba[(static_cast<size_t>(full_row) * 1920 + full_x) * 4];
        differing += a[0] != b[0] || a[1] != b[1] || a[2] != b[2] || a[3] != b[3];
      }
    }
    EXPECT_EQ(differing, 0u) << "of " << w * h;
  }
}

// The table the sheet is cut by, read back from the program: the values the
// picture is cut to (see the shader's own timeline tests for how each pixel
// follows them).
TEST(TimelineProbe, ReadsTheTableFromTheSceneProgram) {
  const struct {
    float start;
    int shot;
  } expected[] = {
      {3, 12},     {5, -1},   {6, 13},   {7, -1},  {9, 0},   {11, 1},  {16, 2},    {21.85f, 3}, {26, 4},
      {27, 5},     {27.9f, 6}, {32, 7},  {40, 8},  {54, 0},  {54.5f, 10}, {55, 11}, {55.5f, 9}, {66, 4},
      {67, 3},     {74, 14},  {82, 5},   {83, 6},  {90, 4},  {91, 3},  {96, 7},    {106, -1},
  };
  std::vector<Segment> segments;
  ASSERT_TRUE(timeline_read(segments));
  ASSERT_EQ(segments.size(), std::size(expected));
  for (size_t i = 0; i < segments.size(); ++i) {
    SCOPED_TRACE("segment " + std::to_string(i));
    EXPECT_EQ(segments[i].index, static_cast<int>(i));
    EXPECT_EQ(segments[i].start, static_cast<double>(expected[i].start));  // the float, bit for bit
    EXPECT_EQ(segments[i].shot, expected[i].shot);
    const double end = i + 1 < segments.size() ? static_cast<double>(expected[i + 1].start)
                                               : static_cast<double>(synth::kSongFrames) / synth::kSampleRate;
    EXPECT_EQ(segments[i].end, end);
  }
  EXPECT_EQ(timeline_middle_sample(segments[0]), 4 * synth::kSampleRate);
  EXPECT_EQ(timeline_middle_sample(segments[7]), 1055092);  // (21.85f + 26) / 2 s = 23.9249998 s
  EXPECT_EQ(timeline_middle_sample(segments[24]), 101 * synth::kSampleRate);
}

}  // namespace
}  // namespace capture
