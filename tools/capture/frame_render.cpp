#include "tools/capture/frame_render.hpp"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "shader/scene_shader.hpp"

namespace capture {

FrameSize frame_size(double scale) {
  const int width = 2 * static_cast<int>(std::lround(kFullWidth / 2 * scale));
  const int height = 2 * static_cast<int>(std::lround(kFullHeight / 2 * scale));
  return {std::max(2, width), std::max(2, height)};
}

std::string frame_source(FrameSize size) {
  const std::string scene = shader::kSceneSource;
  if (size.width == kFullWidth && size.height == kFullHeight) return scene;
  // Small pixel i (centre i + 0.5) lies in full-size pixel floor((i + 0.5) * 1920 / width),
  // computed in integers so that no scale ever lands a pixel on the wrong side of a
  // boundary. The define's own gl_FragCoord is the built-in: a macro is not expanded
  // inside its own replacement.
  char mapping[320];
  std::snprintf(mapping, sizeof mapping,
                "#define gl_FragCoord vec4(vec2((2 * ivec2(gl_FragCoord.xy) + 1) * ivec2(%d, %d) / ivec2(%d, %d))"
                " + 0.5, gl_FragCoord.zw)\n#line 2\n",
                kFullWidth, kFullHeight, 2 * size.width, 2 * size.height);
  const size_t first_line_end = scene.find('\n') + 1;
  return scene.substr(0, first_line_end) + mapping + scene.substr(first_line_end);
}

bool frame_renderer_open(FrameRenderer& renderer, FrameSize size) {
  renderer = FrameRenderer{};
  if (!gl::offscreen_open(renderer.context, size.width, size.height)) {
    std::fprintf(stderr, "intro-capture: %s\n", renderer.context.error);
    return false;
  }
  const std::string source = frame_source(size);
  if (!gl::scene_program_init(gl::offscreen_get_proc, renderer.entries, source.c_str(), renderer.program)) {
    std::fprintf(stderr, "intro-capture: the GL context lacks the entry points the piece needs (%s)\n",
                 renderer.context.renderer);
    frame_renderer_close(renderer);
    return false;
  }
  if (!renderer.program.linked) {
    std::fprintf(stderr, "intro-capture: the scene program did not compile or link:\n%s\n%s\n",
                 renderer.program.program_log, renderer.program.shader_log);
    frame_renderer_close(renderer);
    return false;
  }
  renderer.size = size;
  return true;
}

void frame_render(FrameRenderer& renderer, int32_t sample, uint8_t* rgba) {
  gl::scene_draw(gl::offscreen_get_proc, sample);
  gl::offscreen_read_rgba(renderer.context, rgba);
}

void frame_renderer_close(FrameRenderer& renderer) {
  gl::offscreen_close(renderer.context);
  renderer.program = gl::SceneProgram{};
  renderer.size = FrameSize{0, 0};
}

}  // namespace capture
