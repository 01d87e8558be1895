#include "tests/shader/shader_probe.hpp"

#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "gl/gl_entries.hpp"
#include "gl/offscreen.hpp"
#include "shader/scene_shader.hpp"
#include "tests/gl/gl_test_context.hpp"

namespace shadertest {

namespace {

constexpr char kProbeHeader[] = R"(
#undef main
layout(std430, binding = 0) buffer ProbeResults { float probeResult[]; };
layout(location = 1) uniform ivec4 probeRegion;  // x, y, width, slots per pixel
void probeStore(int slot, float value) {
    ivec2 pixel = ivec2(gl_FragCoord.xy) - probeRegion.xy;
    probeResult[(pixel.y * probeRegion.z + pixel.x) * probeRegion.w + slot] = value;
}
void probeStore3(int slot, vec3 value) {
    probeStore(slot, value.x);
    probeStore(slot + 1, value.y);
    probeStore(slot + 2, value.z);
}
)";

template <typename Fn>
Fn fn(const char* name) {
  return reinterpret_cast<Fn>(gltest::entry(name));
}

}  // namespace

std::string probe_source(const std::string& probe) {
  const std::string scene = shader::kSceneSource;
  const size_t first_line_end = scene.find('\n') + 1;
  return scene.substr(0, first_line_end) + "#define main sceneMain\n" + scene.substr(first_line_end) + kProbeHeader +
         probe;
}

ShaderProbe::ShaderProbe(const std::string& probe, int slots) : slots_(slots) {
  if (gltest::test_context() == nullptr) {
    log_ = "no GL context";
    return;
  }
  gl::GlEntries entries;
  const std::string text = probe_source(probe);
  if (!gl::scene_program_init(gl::offscreen_get_proc, entries, text.c_str(), program_)) {
    log_ = "GL entry points missing";
    return;
  }
  gltest::drain_errors();  // the shader-log query on a program name is an error on a conforming GL
  ok_ = program_.linked != 0;
  log_ = program_.program_log;
  if (!ok_) return;
  fn<PFNGLGENBUFFERSPROC>("glGenBuffers")(1, &buffer_);
}

ShaderProbe::~ShaderProbe() {
  if (gltest::test_context() == nullptr) return;
  if (buffer_ != 0) fn<PFNGLDELETEBUFFERSPROC>("glDeleteBuffers")(1, &buffer_);
  if (program_.program != 0) fn<PFNGLDELETEPROGRAMPROC>("glDeleteProgram")(program_.program);
}

std::vector<float> ShaderProbe::run(int32_t v, int x, int y, int width, int height) {
  const size_t count = static_cast<size_t>(width) * height * slots_;
  std::vector<float> values(count, std::numeric_limits<float>::quiet_NaN());
  if (!ok_) {
    ADD_FAILURE() << "probe did not link: " << log_;
    return values;
  }
  const auto bind_buffer = fn<PFNGLBINDBUFFERPROC>("glBindBuffer");
  const auto buffer_data = fn<PFNGLBUFFERDATAPROC>("glBufferData");
  const auto bind_base = fn<PFNGLBINDBUFFERBASEPROC>("glBindBufferBase");
  const auto get_sub_data = fn<PFNGLGETBUFFERSUBDATAPROC>("glGetBufferSubData");
  const auto barrier = fn<PFNGLMEMORYBARRIERPROC>("glMemoryBarrier");
  const auto use = fn<PFNGLUSEPROGRAMPROC>("glUseProgram");
  const auto uniform4i = fn<PFNGLUNIFORM4IPROC>("glUniform4i");

  bind_buffer(GL_SHADER_STORAGE_BUFFER, buffer_);
  buffer_data(GL_SHADER_STORAGE_BUFFER, count * sizeof(float), values.data(), GL_DYNAMIC_READ);
  bind_base(GL_SHADER_STORAGE_BUFFER, 0, buffer_);
  use(program_.program);
  uniform4i(1, x, y, width, slots_);
  glEnable(GL_SCISSOR_TEST);
  glScissor(x, y, width, height);
  gl::scene_draw(gl::offscreen_get_proc, v);
  glDisable(GL_SCISSOR_TEST);
  barrier(GL_BUFFER_UPDATE_BARRIER_BIT);
  get_sub_data(GL_SHADER_STORAGE_BUFFER, 0, count * sizeof(float), values.data());
  const unsigned error = gltest::drain_errors();
  EXPECT_EQ(error, 0u) << "GL error while probing";
  return values;
}

}  // namespace shadertest
