// offscreen.hpp - a headless GL context for tests and tools (Linux).
//
// EGL on Mesa's surfaceless platform: no display server, no window, no GPU
// needed (Mesa's software rasterizer serves where there is no GPU). It gives a
// desktop OpenGL 4.3-or-later compatibility-profile context, made current
// without a surface, drawing into its own framebuffer object of RGBA8 pixels
// (1920x1080 unless asked otherwise), which stays bound as the draw and read
// framebuffer with a viewport over all of it.
//
// What it is for: rendering the piece's frames where no window can be had
// (tests, stills, video capture, benchmarks), on the calling thread.
// What it is not for: presenting anything, or Windows (the piece's own window
// and context live in the host's platform backends).
#pragma once

#include <cstdint>

namespace gl {

struct OffscreenContext {
  void* display = nullptr;  // EGLDisplay
  void* context = nullptr;  // EGLContext
  unsigned framebuffer = 0;
  unsigned colour_buffer = 0;
  int width = 0;
  int height = 0;
  char error[512] = {};  // why offscreen_open failed, one line
  char renderer[256] = {};  // GL_RENDERER and GL_VERSION of the context, for reports
};

// Opens the context, makes it current on this thread and binds a fresh
// width x height RGBA8 framebuffer with the viewport set to it. Returns 1, or 0
// with a message in `ctx.error` (and nothing left open) when no such context can
// be had.
int offscreen_open(OffscreenContext& ctx, int width = 1920, int height = 1080);

// Releases everything offscreen_open made. Safe on a context that failed to open
// or was already closed.
void offscreen_close(OffscreenContext& ctx);

// GL entry points by name for the current context (eglGetProcAddress); matches
// gl::GetProc.
void* offscreen_get_proc(const char* name);

// Copies the framebuffer into `rgba` (width * height * 4 bytes), top row first,
// waiting for drawing to finish.
void offscreen_read_rgba(const OffscreenContext& ctx, uint8_t* rgba);

}  // namespace gl
