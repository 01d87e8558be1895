// shader_probe.hpp - running the scene program's own functions on the GL.
//
// A probe is the scene text exactly as the piece compiles it, with its entry
// point renamed (a "#define main sceneMain" line after the version line) and a
// probe entry point appended. The probe calls the program's functions, or
// sceneMain itself, and stores float results with probeStore(slot, value) into
// a storage buffer, one row of `slots` values per pixel of the probed region.
// Pixels keep their true window coordinates: the region is cut out of the
// 1920x1080 framebuffer with the scissor test, so gl_FragCoord is what the
// piece would see there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl/scene_program.hpp"

namespace shadertest {

// The full probe text for `probe` (GLSL that defines `void main()`).
std::string probe_source(const std::string& probe);

class ShaderProbe {
 public:
  ShaderProbe(const std::string& probe, int slots);
  ~ShaderProbe();
  ShaderProbe(const ShaderProbe&) = delete;
  ShaderProbe& operator=(const ShaderProbe&) = delete;

  // True when the probe compiled and linked; log() says why not.
  bool ok() const { return ok_; }
  const std::string& log() const { return log_; }

  // Draws the region (window coordinates, origin bottom-left) at sample position
  // `v` and returns width * height * slots values, row by row from the bottom;
  // slots a pixel did not store read as NaN.
  std::vector<float> run(int32_t v, int x, int y, int width = 1, int height = 1);

 private:
  int slots_;
  bool ok_ = false;
  std::string log_;
  gl::SceneProgram program_;
  unsigned buffer_ = 0;
};

}  // namespace shadertest
