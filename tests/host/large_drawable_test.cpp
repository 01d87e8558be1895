// A drawable larger than the 1920x1080 the picture is made for: the viewport
// follows the drawable, and everything outside the picture is black.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "gl/offscreen.hpp"
#include "gl/scene_program.hpp"
#include "shader/scene_shader.hpp"

namespace {

constexpr int kWidth = 2048;
constexpr int kHeight = 1200;

TEST(LargeDrawable, ShowsBlackBeyondThePictureAndThePictureWithin) {
  gl::OffscreenContext ctx;
  ASSERT_EQ(gl::offscreen_open(ctx, kWidth, kHeight), 1) << ctx.error;
  gl::GlEntries entries;
  gl::SceneProgram program;
  ASSERT_EQ(gl::scene_program_init(gl::offscreen_get_proc, entries, shader::kSceneSource, program), 1);
  ASSERT_EQ(program.linked, 1) << program.program_log;

  // What the host does on a resize, then a frame at 10 s (a shot is on).
  // Only a strip across the right edge of the picture is drawn, to keep the
  // software rasterizer's work small; the strip spans every row.
  // The buffer starts out magenta, a colour the picture never has, so any
  // pixel the frame leaves alone shows.
  glClearColor(1.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glViewport(0, 0, kWidth, kHeight);
  glEnable(GL_SCISSOR_TEST);
  glScissor(1880, 0, kWidth - 1880, kHeight);
  gl::scene_draw(gl::offscreen_get_proc, 10 * 44100);
  glDisable(GL_SCISSOR_TEST);

  std::vector<uint8_t> rgba(static_cast<size_t>(kWidth) * kHeight * 4);
  gl::offscreen_read_rgba(ctx, rgba.data());  // top row first
  auto lit = [&](int x, int gl_row) {
    const uint8_t* p = &rgba[(static_cast<size_t>(kHeight - 1 - gl_row) * kWidth + x) * 4];
    return (p[0] | p[1] | p[2]) != 0;
  };
  int lit_beyond = 0, lit_within = 0, within = 0;
  for (int row = 0; row < kHeight; ++row) {
    for (int x = 1880; x < kWidth; ++x) {
      const bool in_picture = x < 1920 && row >= 140 && row < 940;  // the band of the 1920x1080 picture
      if (x >= 1920 || row >= 1080) lit_beyond += lit(x, row) ? 1 : 0;
      if (in_picture) {
        ++within;
        lit_within += lit(x, row) ? 1 : 0;
      }
    }
  }
  EXPECT_EQ(lit_beyond, 0);
  EXPECT_GT(lit_within, within / 2) << "the picture's edge is not drawn";
  gl::offscreen_close(ctx);
}

}  // namespace
