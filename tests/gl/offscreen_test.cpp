// The headless context: what it offers, its framebuffer, the readback order and
// failing with a message instead of a crash.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gl/offscreen.hpp"
#include "tests/gl/gl_test_context.hpp"

namespace {

TEST(Offscreen, GivesACompatibilityContextOf43OrLater) {
  gl::OffscreenContext* ctx = gltest::test_context();
  ASSERT_NE(ctx, nullptr);
  GLint major = 0, minor = 0, profile = 0;
  glGetIntegerv(0x821B, &major);  // GL_MAJOR_VERSION
  glGetIntegerv(0x821C, &minor);  // GL_MINOR_VERSION
  glGetIntegerv(0x9126, &profile);  // GL_CONTEXT_PROFILE_MASK
  EXPECT_GE(major * 10 + minor, 43) << ctx->renderer;
  EXPECT_NE(profile & 0x2, 0) << "compatibility profile bit";
  EXPECT_NE(std::string(ctx->renderer).find("OpenGL"), std::string::npos);
}

TEST(Offscreen, DefaultsTo1920x1080WithTheViewportOverAllOfIt) {
  gl::OffscreenContext* ctx = gltest::test_context();
  ASSERT_NE(ctx, nullptr);
  EXPECT_EQ(ctx->width, 1920);
  EXPECT_EQ(ctx->height, 1080);
  GLint viewport[4] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(viewport[0], 0);
  EXPECT_EQ(viewport[1], 0);
  EXPECT_EQ(viewport[2], 1920);
  EXPECT_EQ(viewport[3], 1080);
}

// A context of another size: the top row (GL's last) comes back first.
TEST(Offscreen, ReadsBackTopRowFirstAtTheSizeAsked) {
  gl::OffscreenContext ctx;
  ASSERT_EQ(gl::offscreen_open(ctx, 48, 27), 1) << ctx.error;
  EXPECT_EQ(ctx.width, 48);
  EXPECT_EQ(ctx.height, 27);
  glDisable(GL_SCISSOR_TEST);
  glClearColor(0.0f, 0.0f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 26, 48, 1);  // GL's top row
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glScissor(5, 0, 1, 1);  // one pixel of the bottom row
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  std::vector<uint8_t> rgba(48 * 27 * 4);
  gl::offscreen_read_rgba(ctx, rgba.data());
  gl::offscreen_close(ctx);
  auto at = [&](int x, int row_from_top) { return &rgba[(row_from_top * 48 + x) * 4]; };
  for (int x = 0; x < 48; ++x) {
    EXPECT_EQ(at(x, 0)[0], 255);
    EXPECT_EQ(at(x, 0)[2], 0);
  }
  EXPECT_EQ(at(5, 26)[1], 255);
  EXPECT_EQ(at(4, 26)[2], 255);
  EXPECT_EQ(at(20, 13)[2], 255);
  EXPECT_EQ(at(20, 13)[0], 0);
}

TEST(Offscreen, ABadSizeFailsWithAMessage) {
  const int sizes[][2] = {{0, 1080}, {1920, 0}, {-1, 5}, {20000, 10}};
  for (const auto& s : sizes) {
    SCOPED_TRACE(std::to_string(s[0]) + "x" + std::to_string(s[1]));
    gl::OffscreenContext ctx;
    EXPECT_EQ(gl::offscreen_open(ctx, s[0], s[1]), 0);
    EXPECT_NE(std::string(ctx.error).find("size"), std::string::npos) << ctx.error;
    EXPECT_EQ(ctx.context, nullptr);
    gl::offscreen_close(ctx);  // harmless after a failure
  }
}

TEST(Offscreen, ClosingTwiceIsHarmless) {
  gl::OffscreenContext ctx;
  ASSERT_EQ(gl::offscreen_open(ctx, 16, 16), 1) << ctx.error;
  gl::offscreen_close(ctx);
  EXPECT_EQ(ctx.context, nullptr);
  EXPECT_EQ(ctx.display, nullptr);
  gl::offscreen_close(ctx);
}

}  // namespace
