#include "tests/gl/gl_test_context.hpp"

#include <EGL/egl.h>
#include <GL/gl.h>
#include <GL/glext.h>
#include <gtest/gtest.h>

namespace gltest {

gl::OffscreenContext* test_context() {
  static gl::OffscreenContext ctx;
  static int state = 0;  // 0 not tried, 1 open, -1 failed
  static std::string reason;
  if (state == 0) {
    state = gl::offscreen_open(ctx, 1920, 1080) ? 1 : -1;
    if (state < 0) reason = ctx.error;
  }
  if (state < 0) {
    ADD_FAILURE() << reason;
    return nullptr;
  }
  // A test may have made another context current; take ours back.
  if (eglGetCurrentContext() != ctx.context) {
    eglMakeCurrent(ctx.display, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx.context);
    reinterpret_cast<PFNGLBINDFRAMEBUFFERPROC>(gl::offscreen_get_proc("glBindFramebuffer"))(GL_FRAMEBUFFER,
                                                                                           ctx.framebuffer);
    glViewport(0, 0, ctx.width, ctx.height);
  }
  return &ctx;
}

void* entry(const char* name) {
  void* p = gl::offscreen_get_proc(name);
  if (p == nullptr) ADD_FAILURE() << "no GL entry point " << name;
  return p;
}

std::vector<uint8_t> read_rect(int x, int y, int width, int height) {
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

unsigned drain_errors() {
  unsigned first = 0;
  for (GLenum e; (e = glGetError()) != GL_NO_ERROR;) {
    if (first == 0) first = e;
  }
  return first;
}

}  // namespace gltest
