// frame_render.hpp - drawing the piece's frames into memory, at full size or
// point-sampled smaller.
//
// The scene program measures every pixel against a 1920x1080 drawable through
// gl_FragCoord. A smaller picture of the same frame is therefore not a smaller
// viewport (that would show the lower-left corner of the frame): the renderer
// draws into a small framebuffer and compiles the program with one line added
// after its version line, a define that maps each small pixel's gl_FragCoord to
// the centre of the full-size pixel at the same place. Each output pixel is then
// exactly the full frame's pixel there (point sampling), at a fraction of the
// cost. At scale 1 the program text is used as it is.
//
// What it is for: still, sheet and video, which all draw through it, so that a
// frame at a given scale is the same picture in all three.
// What it is not for: the piece's window (the host draws there itself), or
// filtering: a small picture is sampled, not averaged, so fine detail aliases.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "gl/gl_entries.hpp"
#include "gl/offscreen.hpp"
#include "gl/scene_program.hpp"

namespace capture {

inline constexpr int kFullWidth = 1920;
inline constexpr int kFullHeight = 1080;

struct FrameSize {
  int width;
  int height;
};

// The picture size at `scale` (0 < scale <= 1): 1920x1080 times the scale,
// rounded to even numbers (video encoders want them) and at least 2x2.
FrameSize frame_size(double scale);

// The program text that draws a frame of `size`: the scene text itself at
// 1920x1080, otherwise with the gl_FragCoord mapping added after its first line
// (and a #line so compiler messages keep the scene file's line numbers).
std::string frame_source(FrameSize size);

struct FrameRenderer {
  gl::OffscreenContext context;
  gl::GlEntries entries;
  gl::SceneProgram program;
  FrameSize size{0, 0};
};

// Opens a headless context with a framebuffer of `size` and makes the program.
// Returns false after printing why (no GL context, missing entry points, or the
// program failed to compile), with nothing left open.
bool frame_renderer_open(FrameRenderer& renderer, FrameSize size);

// Draws the frame at `sample` and copies it into `rgba` (width * height * 4
// bytes, top row first, alpha 255), waiting for the drawing to finish.
void frame_render(FrameRenderer& renderer, int32_t sample, uint8_t* rgba);

void frame_renderer_close(FrameRenderer& renderer);

}  // namespace capture
