#include "gl/offscreen.hpp"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace gl {

namespace {

// Values of GL 3.0+ queries, not all in every <GL/gl.h>.
constexpr GLenum kMajorVersion = 0x821B;
constexpr GLenum kMinorVersion = 0x821C;
constexpr GLenum kContextProfileMask = 0x9126;
constexpr GLint kCompatibilityProfileBit = 0x2;

template <typename Fn>
Fn egl_function(const char* name) {
  return reinterpret_cast<Fn>(eglGetProcAddress(name));
}

bool has_word(const char* list, const char* word) {
  if (list == nullptr) return false;
  const size_t n = std::strlen(word);
  for (const char* p = list; (p = std::strstr(p, word)) != nullptr; p += n) {
    const bool starts = p == list || p[-1] == ' ';
    const bool ends = p[n] == '\0' || p[n] == ' ';
    if (starts && ends) return true;
  }
  return false;
}

int fail(OffscreenContext& ctx, const char* what) {
  std::snprintf(ctx.error, sizeof ctx.error, "headless GL context: %s (EGL error 0x%04x)", what,
                static_cast<unsigned>(eglGetError()));
  offscreen_close(ctx);
  return 0;
}

}  // namespace

int offscreen_open(OffscreenContext& ctx, int width, int height) {
  ctx = OffscreenContext{};
  if (width <= 0 || height <= 0 || width > 16384 || height > 16384) {
    std::snprintf(ctx.error, sizeof ctx.error, "headless GL context: bad framebuffer size %dx%d", width, height);
    return 0;
  }
  const char* client_extensions = eglQueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
  if (!has_word(client_extensions, "EGL_MESA_platform_surfaceless")) {
    std::snprintf(ctx.error, sizeof ctx.error,
                  "headless GL context: EGL offers no surfaceless platform (EGL_MESA_platform_surfaceless); "
                  "is Mesa's EGL (libegl-mesa0) installed?");
    return 0;
  }
  ctx.display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
  if (ctx.display == EGL_NO_DISPLAY) return fail(ctx, "no surfaceless display");
  EGLint major = 0, minor = 0;
  if (!eglInitialize(ctx.display, &major, &minor)) {
    ctx.display = nullptr;  // nothing to terminate
    return fail(ctx, "cannot initialise the surfaceless display");
  }
  if (!eglBindAPI(EGL_OPENGL_API)) return fail(ctx, "desktop OpenGL is not offered");

  const char* display_extensions = eglQueryString(ctx.display, EGL_EXTENSIONS);
  if (!has_word(display_extensions, "EGL_KHR_surfaceless_context"))
    return fail(ctx, "contexts without a surface are not supported");
  EGLConfig config = EGL_NO_CONFIG_KHR;
  if (!has_word(display_extensions, "EGL_KHR_no_config_context")) {
    const EGLint wanted[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLint count = 0;
    if (!eglChooseConfig(ctx.display, wanted, &config, 1, &count) || count < 1)
      return fail(ctx, "no configuration renders desktop OpenGL");
  }
  const EGLint attributes[] = {
      EGL_CONTEXT_MAJOR_VERSION, 4, EGL_CONTEXT_MINOR_VERSION, 3, EGL_CONTEXT_OPENGL_PROFILE_MASK,
      EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
  ctx.context = eglCreateContext(ctx.display, config, EGL_NO_CONTEXT, attributes);
  if (ctx.context == EGL_NO_CONTEXT) {
    ctx.context = nullptr;
    return fail(ctx, "no OpenGL 4.3 compatibility-profile context");
  }
  if (!eglMakeCurrent(ctx.display, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx.context))
    return fail(ctx, "cannot make the context current");

  GLint gl_major = 0, gl_minor = 0, profile = 0;
  glGetIntegerv(kMajorVersion, &gl_major);
  glGetIntegerv(kMinorVersion, &gl_minor);
  glGetIntegerv(kContextProfileMask, &profile);
  std::snprintf(ctx.renderer, sizeof ctx.renderer, "%s, OpenGL %s",
                reinterpret_cast<const char*>(glGetString(GL_RENDERER)),
                reinterpret_cast<const char*>(glGetString(GL_VERSION)));
  if (gl_major * 10 + gl_minor < 43 || (profile & kCompatibilityProfileBit) == 0) {
    std::snprintf(ctx.error, sizeof ctx.error, "headless GL context: got %s, need 4.3 or later, compatibility profile",
                  ctx.renderer);
    offscreen_close(ctx);
    return 0;
  }

  const auto gen_framebuffers = egl_function<PFNGLGENFRAMEBUFFERSPROC>("glGenFramebuffers");
  const auto bind_framebuffer = egl_function<PFNGLBINDFRAMEBUFFERPROC>("glBindFramebuffer");
  const auto gen_renderbuffers = egl_function<PFNGLGENRENDERBUFFERSPROC>("glGenRenderbuffers");
  const auto bind_renderbuffer = egl_function<PFNGLBINDRENDERBUFFERPROC>("glBindRenderbuffer");
  const auto renderbuffer_storage = egl_function<PFNGLRENDERBUFFERSTORAGEPROC>("glRenderbufferStorage");
  const auto attach = egl_function<PFNGLFRAMEBUFFERRENDERBUFFERPROC>("glFramebufferRenderbuffer");
  const auto check = egl_function<PFNGLCHECKFRAMEBUFFERSTATUSPROC>("glCheckFramebufferStatus");
  if (!gen_framebuffers || !bind_framebuffer || !gen_renderbuffers || !bind_renderbuffer || !renderbuffer_storage ||
      !attach || !check)
    return fail(ctx, "framebuffer objects are missing");
  gen_renderbuffers(1, &ctx.colour_buffer);
  bind_renderbuffer(GL_RENDERBUFFER, ctx.colour_buffer);
  renderbuffer_storage(GL_RENDERBUFFER, GL_RGBA8, width, height);
  gen_framebuffers(1, &ctx.framebuffer);
  bind_framebuffer(GL_FRAMEBUFFER, ctx.framebuffer);
  attach(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, ctx.colour_buffer);
  if (check(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
    std::snprintf(ctx.error, sizeof ctx.error, "headless GL context: a %dx%d RGBA8 framebuffer is not complete",
                  width, height);
    offscreen_close(ctx);
    return 0;
  }
  ctx.width = width;
  ctx.height = height;
  glViewport(0, 0, width, height);
  return 1;
}

void offscreen_close(OffscreenContext& ctx) {
  if (ctx.context != nullptr && eglGetCurrentContext() == ctx.context) {
    if (ctx.framebuffer != 0) {
      const auto delete_framebuffers = egl_function<PFNGLDELETEFRAMEBUFFERSPROC>("glDeleteFramebuffers");
      if (delete_framebuffers) delete_framebuffers(1, &ctx.framebuffer);
    }
    if (ctx.colour_buffer != 0) {
      const auto delete_renderbuffers = egl_function<PFNGLDELETERENDERBUFFERSPROC>("glDeleteRenderbuffers");
      if (delete_renderbuffers) delete_renderbuffers(1, &ctx.colour_buffer);
    }
  }
  if (ctx.display != nullptr) {
    if (eglGetCurrentContext() == ctx.context)
      eglMakeCurrent(ctx.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (ctx.context != nullptr) eglDestroyContext(ctx.display, ctx.context);
    // The display is not terminated: there is one per process, shared by every
    // context opened on it, and terminating it would pull the others down too.
  }
  ctx.display = nullptr;
  ctx.context = nullptr;
  ctx.framebuffer = 0;
  ctx.colour_buffer = 0;
  ctx.width = 0;
  ctx.height = 0;
}

void* offscreen_get_proc(const char* name) { return reinterpret_cast<void*>(eglGetProcAddress(name)); }

void offscreen_read_rgba(const OffscreenContext& ctx, uint8_t* rgba) {
  const size_t row = static_cast<size_t>(ctx.width) * 4;
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, ctx.width, ctx.height, GL_RGBA, GL_UNSIGNED_BYTE, rgba);
  // GL returns the bottom row first; turn it over in place.
  std::vector<uint8_t> swap(row);
  for (int y = 0; y < ctx.height / 2; ++y) {
    uint8_t* top = rgba + row * y;
    uint8_t* bottom = rgba + row * (ctx.height - 1 - y);
    std::memcpy(swap.data(), top, row);
    std::memcpy(top, bottom, row);
    std::memcpy(bottom, swap.data(), row);
  }
}

}  // namespace gl
