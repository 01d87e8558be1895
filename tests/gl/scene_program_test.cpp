// Creating the scene program the way the piece does, and drawing one frame.
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gl/scene_program.hpp"
#include "shader/scene_shader.hpp"
#include "tests/gl/gl_test_context.hpp"

namespace {

constexpr int32_t kSecond = 44100;

template <typename Fn>
Fn fn(const char* name) {
  return reinterpret_cast<Fn>(gltest::entry(name));
}

gl::SceneProgram make(const char* source) {
  gl::GlEntries entries;
  gl::SceneProgram program;
  EXPECT_EQ(gl::scene_program_init(gl::offscreen_get_proc, entries, source, program), 1);
  gltest::drain_errors();  // the shader-log query on a program name is an error on a conforming GL
  return program;
}

GLint current_program() {
  GLint current = -1;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  return current;
}

// Fills a window rectangle with a colour the program never draws, so that
// anything left of it afterwards shows the draw did not touch the pixel.
void paint(int x, int y, int width, int height) {
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, width, height);
  glClearColor(1.0f, 0.0f, 1.0f, 0.0f);
  glClear(GL_COLOR_BUFFER_BIT);
}

TEST(SceneProgram, TheSceneTextStartsWithItsVersionLine) {
  EXPECT_EQ(std::strncmp(shader::kSceneSource, "#version 430\n", 13), 0);
  EXPECT_GT(std::strlen(shader::kSceneSource), 1000u);
}

TEST(SceneProgram, CompilesAndLinksWithEmptyLogsAndIsCurrent) {
  ASSERT_NE(gltest::test_context(), nullptr);
  const gl::SceneProgram program = make(shader::kSceneSource);
  EXPECT_NE(program.program, 0u);
  EXPECT_EQ(program.linked, 1);
  EXPECT_STREQ(program.program_log, "") << program.program_log;
  EXPECT_STREQ(program.shader_log, "");
  EXPECT_EQ(current_program(), static_cast<GLint>(program.program));

  // `v` is the only active uniform, at location 0 where the host writes it.
  GLint uniforms = 0;
  fn<PFNGLGETPROGRAMIVPROC>("glGetProgramiv")(program.program, GL_ACTIVE_UNIFORMS, &uniforms);
  EXPECT_EQ(uniforms, 1);
  EXPECT_EQ(fn<PFNGLGETUNIFORMLOCATIONPROC>("glGetUniformLocation")(program.program, "v"), 0);
  fn<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program.program);
}

TEST(SceneProgram, ABrokenTextFailsWithItsMessagesInTheProgramLog) {
  ASSERT_NE(gltest::test_context(), nullptr);
  struct Case {
    const char* what;
    const char* source;
  };
  const Case cases[] = {
      {"syntax error", "#version 430\nout vec4 f;\nvoid main() { f = vec4(1.0) }\n"},
      {"undeclared name", "#version 430\nout vec4 f;\nvoid main() { f = colour; }\n"},
      {"no entry point", "#version 430\nout vec4 f;\nvoid mainly() { f = vec4(1.0); }\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const gl::SceneProgram program = make(c.source);
    EXPECT_EQ(program.linked, 0);
    EXPECT_GT(std::strlen(program.program_log), 0u);
    EXPECT_NE(std::string(program.program_log).find("error"), std::string::npos) << program.program_log;
    EXPECT_STREQ(program.shader_log, "");
    if (program.program != 0) fn<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program.program);
  }
}

// A stand-in program that shows the uniform at location 0 as bytes of colour
// proves the draw sets `v` and covers the viewport, corner to corner.
TEST(SceneDraw, SetsLocationZeroAndCoversTheViewport) {
  gl::OffscreenContext* ctx = gltest::test_context();
  ASSERT_NE(ctx, nullptr);
  const gl::SceneProgram program = make(
      "#version 430\n"
      "layout(location = 0) uniform int v;\n"
      "out vec4 f;\n"
      "void main() { f = vec4(float(v & 255), float((v >> 8) & 255), float((v >> 16) & 255), 255.0) / 255.0; }\n");
  ASSERT_EQ(program.linked, 1) << program.program_log;
  const int32_t positions[] = {0, 132300, 4762367, 0x00a1b2c3};
  for (int32_t v : positions) {
    SCOPED_TRACE(v);
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0.5f, 0.5f, 0.5f, 0.5f);
    glClear(GL_COLOR_BUFFER_BIT);
    gl::scene_draw(gl::offscreen_get_proc, v);
    const int corners[][2] = {{0, 0}, {ctx->width - 1, 0}, {0, ctx->height - 1}, {ctx->width - 1, ctx->height - 1}};
    for (const auto& c : corners) {
      const auto px = gltest::read_rect(c[0], c[1], 1, 1);
      EXPECT_EQ(px[0], v & 255);
      EXPECT_EQ(px[1], (v >> 8) & 255);
      EXPECT_EQ(px[2], (v >> 16) & 255);
      EXPECT_EQ(px[3], 255);
    }
  }
  fn<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program.program);
}

// Where the scene program writes nothing, the frame shows opaque black, not what
// the buffer held before.
TEST(SceneDraw, UnwrittenPixelsComeOutOpaqueBlack) {
  ASSERT_NE(gltest::test_context(), nullptr);
  const gl::SceneProgram program = make(shader::kSceneSource);
  ASSERT_EQ(program.linked, 1);
  struct Case {
    const char* what;
    int32_t v;
    int x, y, width, height;
  };
  const Case cases[] = {
      {"no shot yet at 1 s", 1 * kSecond, 900, 500, 64, 64},
      {"no shot at 5.5 s", 5 * kSecond + kSecond / 2, 0, 140, 64, 8},
      {"no shot at 8 s", 8 * kSecond, 1856, 932, 64, 8},
      {"nothing from 106 s", 107 * kSecond, 900, 500, 64, 64},
      {"bottom letterbox at 30 s", 30 * kSecond, 0, 0, 1920, 140},
      {"top letterbox at 30 s", 30 * kSecond, 0, 940, 1920, 140},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    paint(c.x, c.y, c.width, c.height);
    gl::scene_draw(gl::offscreen_get_proc, c.v);
    glDisable(GL_SCISSOR_TEST);
    const auto px = gltest::read_rect(c.x, c.y, c.width, c.height);
    size_t not_black = 0;
    for (size_t i = 0; i < px.size(); i += 4)
      if (px[i] != 0 || px[i + 1] != 0 || px[i + 2] != 0 || px[i + 3] != 255) ++not_black;
    EXPECT_EQ(not_black, 0u) << "first pixel " << int(px[0]) << "," << int(px[1]) << "," << int(px[2]) << "," << int(px[3]);
  }
  fn<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program.program);
}

// Without the clear, the program leaves those pixels exactly as they were: it
// never writes them (the frame of the piece shows the clear colour there).
TEST(SceneDraw, TheProgramLeavesLetterboxAndNoShotPixelsUntouched) {
  ASSERT_NE(gltest::test_context(), nullptr);
  const gl::SceneProgram program = make(shader::kSceneSource);
  ASSERT_EQ(program.linked, 1);
  const auto uniform1i = fn<PFNGLUNIFORM1IPROC>("glUniform1i");
  struct Case {
    const char* what;
    int32_t v;
    int x, y, width, height;
  };
  const Case cases[] = {
      {"before 3 s", 2 * kSecond + kSecond / 2, 600, 300, 32, 32},
      {"5 to 6 s", 5 * kSecond + kSecond / 10, 0, 140, 32, 4},
      {"7 to 9 s", 7 * kSecond + kSecond / 10, 1888, 936, 32, 4},
      {"from 106 s", 106 * kSecond, 944, 524, 32, 32},
      {"row 139 at 30 s", 30 * kSecond, 0, 139, 1920, 1},
      {"row 940 at 70 s", 70 * kSecond, 0, 940, 1920, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    paint(c.x, c.y, c.width, c.height);
    uniform1i(0, c.v);
    glRects(-1, -1, 1, 1);
    glDisable(GL_SCISSOR_TEST);
    const auto px = gltest::read_rect(c.x, c.y, c.width, c.height);
    size_t touched = 0;
    for (size_t i = 0; i < px.size(); i += 4)
      if (px[i] != 255 || px[i + 1] != 0 || px[i + 2] != 255 || px[i + 3] != 0) ++touched;
    EXPECT_EQ(touched, 0u);
  }
  fn<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program.program);
}

// The letterbox band is rows 140 to 939: at 30 s the rows just inside are drawn.
TEST(SceneDraw, TheBandEdgesAreDrawn) {
  ASSERT_NE(gltest::test_context(), nullptr);
  const gl::SceneProgram program = make(shader::kSceneSource);
  ASSERT_EQ(program.linked, 1);
  for (int row : {140, 939}) {
    SCOPED_TRACE(row);
    paint(0, row, 1920, 1);
    gl::scene_draw(gl::offscreen_get_proc, 30 * kSecond);
    glDisable(GL_SCISSOR_TEST);
    const auto px = gltest::read_rect(0, row, 1920, 1);
    size_t painted = 0, lit = 0;
    for (size_t i = 0; i < px.size(); i += 4) {
      if (px[i] == 255 && px[i + 1] == 0 && px[i + 2] == 255) ++painted;
      if (px[i] + px[i + 1] + px[i + 2] > 0) ++lit;
      EXPECT_EQ(px[i + 3], 255);
    }
    EXPECT_EQ(painted, 0u);
    EXPECT_GT(lit, 1000u) << "the row should show the scene, not black";
  }
  fn<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program.program);
}

}  // namespace
