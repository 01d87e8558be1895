// intro-capture sheet and still --scale, run as a user runs them: the sheet's
// layout, each tile the frame from the middle of its segment, the labels, and
// bad input.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/tools/capture_files.hpp"
#include "tests/tools/tool_run.hpp"
#include "tools/capture/frame_render.hpp"
#include "tools/capture/timeline.hpp"

namespace capture {
namespace {

using testing::ScratchDir;
using testing::tool_run;

const std::string kTool = INTRO_CAPTURE;

std::vector<uint8_t> draw_rgb(FrameSize size, int32_t sample) {
  std::vector<uint8_t> rgba(static_cast<size_t>(size.width) * size.height * 4);
  FrameRenderer renderer;
  EXPECT_TRUE(frame_renderer_open(renderer, size));
  frame_render(renderer, sample, rgba.data());
  frame_renderer_close(renderer);
  std::vector<uint8_t> rgb;
  for (size_t i = 0; i < rgba.size(); i += 4) rgb.insert(rgb.end(), {rgba[i], rgba[i + 1], rgba[i + 2]});
  return rgb;
}

// At scale 1/16 the tiles are 120x68 with 2-pixel gaps; 23 of the 26 segments
// show a picture, so 4 columns make 6 rows.
TEST(SheetCommand, OneLabelledFramePerSegmentWithAPicture) {
  ScratchDir dir("sheet");
  const std::string out = dir.file("sheet.png");
  const auto r = tool_run(kTool + " sheet --scale 0.0625 " + out);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  EXPECT_EQ(dir.files(), std::vector<std::string>{"sheet.png"});
  const testing::RgbImage sheet = testing::png_read(out);
  constexpr int kTileW = 120, kTileH = 68, kGap = 2, kColumns = 4;
  ASSERT_EQ(sheet.width, kColumns * kTileW + (kColumns + 1) * kGap);
  ASSERT_EQ(sheet.height, 6 * kTileH + 7 * kGap);

  std::vector<Segment> segments;
  ASSERT_TRUE(timeline_read(segments));
  std::vector<Segment> shown;
  for (const Segment& s : segments)
    if (s.shot >= 0) shown.push_back(s);
  ASSERT_EQ(shown.size(), 23u);

  // The label sits on the bottom letterbox band; above it the tile is the frame,
  // bit for bit.
  constexpr int kPictureRows = 50;
  for (size_t i = 0; i < shown.size(); ++i) {
    SCOPED_TRACE("tile " + std::to_string(i) + ", segment " + std::to_string(shown[i].index));
    const int x0 = kGap + static_cast<int>(i) % kColumns * (kTileW + kGap);
    const int y0 = kGap + static_cast<int>(i) / kColumns * (kTileH + kGap);
    const std::vector<uint8_t> frame = draw_rgb({kTileW, kTileH}, timeline_middle_sample(shown[i]));
    size_t differing = 0, lit = 0;
    for (int y = 0; y < kPictureRows; ++y)
      for (int x = 0; x < kTileW; ++x)
        for (int c = 0; c < 3; ++c) {
          const uint8_t a = sheet.rgb[(static_cast<size_t>(y0 + y) * sheet.width + x0 + x) * 3 + c];
          differing += a != frame[(static_cast<size_t>(y) * kTileW + x) * 3 + c];
          lit += a > 0;
        }
    EXPECT_EQ(differing, 0u);
    EXPECT_GT(lit, static_cast<size_t>(kTileW * 20)) << "the tile shows a picture";
    size_t light = 0;  // label text: near white, where the frame has only black
    for (int y = kPictureRows; y < kTileH; ++y)
      for (int x = 0; x < kTileW; ++x) {
        const uint8_t* p = &sheet.rgb[(static_cast<size_t>(y0 + y) * sheet.width + x0 + x) * 3];
        light += p[0] > 150 && p[1] > 150 && p[2] > 150;
      }
    EXPECT_GT(light, 20u) << "a label";
  }
  // The 24th place stays background.
  const int x_empty = kGap + 3 * (kTileW + kGap) + kTileW / 2, y_empty = kGap + 5 * (kTileH + kGap) + kTileH / 2;
  const uint8_t* empty = &sheet.rgb[(static_cast<size_t>(y_empty) * sheet.width + x_empty) * 3];
  EXPECT_EQ(empty[0], empty[1]);
  EXPECT_EQ(empty[1], empty[2]);
  EXPECT_GT(empty[0], 20);
}

TEST(SheetCommand, ColumnsChangeTheLayout) {
  ScratchDir dir("sheet-columns");
  const std::string out = dir.file("sheet.png");
  const auto r = tool_run(kTool + " sheet --scale 0.02 --columns 23 " + out);
  ASSERT_EQ(r.exit_code, 0) << r.output;
  const testing::RgbImage sheet = testing::png_read(out);
  const FrameSize tile = frame_size(0.02);  // 38x22
  EXPECT_EQ(sheet.width, 23 * tile.width + 24 * 2);
  EXPECT_EQ(sheet.height, tile.height + 2 * 2);
}

TEST(StillCommand, ScaleGivesThePointSampledFrame) {
  ScratchDir dir("still-scale");
  const std::string out = dir.file("s.png");
  const auto r = tool_run(kTool + " still --sample 2677500 --scale 0.125 " + out);  // 60.71 s, in the tunnel
  ASSERT_EQ(r.exit_code, 0) << r.output;
  const testing::RgbImage still = testing::png_read(out);
  ASSERT_EQ(still.width, 240);
  ASSERT_EQ(still.height, 136);
  EXPECT_EQ(still.rgb, draw_rgb({240, 136}, 2677500));
}

TEST(CaptureCommands, BadInputIsAUsageErrorAndWritesNothing) {
  ScratchDir dir("sheet-usage");
  const std::string out = dir.file("x.png");
  const struct {
    std::string args;
    const char* says;
  } cases[] = {
      {"sheet", "give one output file"},
      {"sheet " + out + " " + out, "give one output file"},
      {"sheet --scale 0 " + out, "--scale"},
      {"sheet --scale 2 " + out, "--scale"},
      {"sheet --columns 0 " + out, "--columns"},
      {"sheet --columns 65 " + out, "--columns"},
      {"sheet --columns 2.5 " + out, "--columns"},
      {"sheet --at 30 " + out, "unknown option '--at'"},
      {"still --at 30 --scale 0 " + out, "--scale"},
      {"still --at 30 --scale 1.5 " + out, "--scale"},
      {"still --at 30 --scale x " + out, "--scale"},
      {"still --at 30 --sample 1323000 " + out, "with --at or with --sample"},
      {"still --scale 0.5 " + out, "with --at or with --sample"},
  };
  for (const auto& c : cases) {
    const auto r = tool_run(kTool + " " + c.args);
    EXPECT_EQ(r.exit_code, 2) << c.args << ": " << r.output;
    EXPECT_NE(r.output.find(c.says), std::string::npos) << c.args << ": " << r.output;
    EXPECT_TRUE(dir.files().empty()) << c.args;
  }
  const auto r = tool_run(kTool + " sheet " + dir.file("missing/x.png"));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.output.find("missing/x.png"), std::string::npos) << r.output;
}

}  // namespace
}  // namespace capture
