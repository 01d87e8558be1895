// The SDL2 backend: window, GL context, input, title, message box.
#include <cstdio>
#include <cstring>

#include "gl/gl_api.hpp"
#include "host/sdl/sdl_platform.hpp"

namespace host {

namespace {

// GL 3.0 and later queries (values from the GL registry).
constexpr GLenum kMajorVersion = 0x821B;      // GL_MAJOR_VERSION
constexpr GLenum kMinorVersion = 0x821C;      // GL_MINOR_VERSION
constexpr GLenum kContextProfileMask = 0x9126;  // GL_CONTEXT_PROFILE_MASK
constexpr GLint kCoreProfileBit = 0x1;        // GL_CONTEXT_CORE_PROFILE_BIT

// A compatibility context of version 4.3 or later: the fixed-function
// rectangle and GLSL 4.30 are both needed.
int context_serves() {
  GLint major = 0, minor = 0, profile = 0;
  glGetIntegerv(kMajorVersion, &major);
  glGetIntegerv(kMinorVersion, &minor);
  glGetIntegerv(kContextProfileMask, &profile);
  while (glGetError() != GL_NO_ERROR) {
  }
  if (major < 4 || (major == 4 && minor < 3)) return 0;
  return (profile & kCoreProfileBit) ? 0 : 1;
}

// Notes an Escape press as it arrives, so that the poll after a frame sees a
// press that was already released again (a short tap during a slow frame).
int SDLCALL escape_watch(void* user, SDL_Event* event) {
  if (event->type == SDL_KEYDOWN && event->key.keysym.sym == SDLK_ESCAPE) {
    static_cast<IntroWindow*>(user)->escape_pressed = 1;
  }
  return 1;
}

// '%' and '\'' seek back and forward, typed or held.
int text_event(IntroWindow& window, InputEvent& event) {
  while (window.text[window.text_next] != '\0') {
    const char c = window.text[window.text_next++];
    if (c == '%' || c == '\'') {
      event = InputEvent{InputKind::kSeek, c == '%' ? -1 : +1, 0, 0};
      return 1;
    }
  }
  return 0;
}

}  // namespace

int window_init(IntroWindow& window) {
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
  window.video = 1;
  // Without a display SDL may settle for a driver that shows nothing; the
  // piece is a window for a person to watch, so that is no window at all.
  const char* driver = SDL_GetCurrentVideoDriver();
  if (driver == nullptr || std::strcmp(driver, "offscreen") == 0 || std::strcmp(driver, "dummy") == 0) return 0;

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 4);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);

  window.window = SDL_CreateWindow("Intro", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kDrawableWidth,
                                   kDrawableHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE | SDL_WINDOW_SHOWN);
  if (window.window == nullptr) return 0;
  window.context = SDL_GL_CreateContext(window.window);
  if (window.context == nullptr) return 0;
  if (SDL_GL_MakeCurrent(window.window, window.context) != 0) return 0;
  if (!context_serves()) return 0;

  // A window manager may have given us another size than asked for.
  int width = 0, height = 0;
  SDL_GL_GetDrawableSize(window.window, &width, &height);
  glViewport(0, 0, width, height);

  SDL_AddEventWatch(escape_watch, &window);
  SDL_StartTextInput();
  return 1;
}

void window_end(IntroWindow& window) {
  if (window.context != nullptr) {
    SDL_GL_MakeCurrent(window.window, nullptr);
    SDL_GL_DeleteContext(window.context);
  }
  if (window.window != nullptr) SDL_DestroyWindow(window.window);
  if (window.video) {
    SDL_DelEventWatch(escape_watch, &window);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
}

int window_poll(IntroWindow& window, InputEvent& event) {
  if (text_event(window, event)) return 1;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    switch (e.type) {
      case SDL_QUIT:
        event = InputEvent{InputKind::kQuit, 0, 0, 0};
        return 1;
      case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
          event = InputEvent{InputKind::kQuit, 0, 0, 0};
          return 1;
        }
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
          event = InputEvent{InputKind::kResize, 0, 0, 0};
          SDL_GL_GetDrawableSize(window.window, &event.width, &event.height);
          return 1;
        }
        break;
      case SDL_KEYDOWN:
        if (e.key.keysym.sym == SDLK_ESCAPE) {
          event = InputEvent{InputKind::kQuit, 0, 0, 0};
          return 1;
        }
        if (e.key.keysym.sym == SDLK_LEFT || e.key.keysym.sym == SDLK_RIGHT) {
          event = InputEvent{InputKind::kSeek, e.key.keysym.sym == SDLK_LEFT ? -1 : +1, 0, 0};
          return 1;
        }
        break;
      case SDL_TEXTINPUT:
        std::strncpy(window.text, e.text.text, sizeof window.text - 1);
        window.text[sizeof window.text - 1] = '\0';
        window.text_next = 0;
        if (text_event(window, event)) return 1;
        break;
      default:
        break;
    }
  }
  return 0;
}

int window_escape_down(IntroWindow& window) {
  SDL_PumpEvents();  // brings the key state up to now; the events stay queued
  const int held = SDL_GetKeyboardState(nullptr)[SDL_SCANCODE_ESCAPE] != 0;
  const int pressed = window.escape_pressed;
  window.escape_pressed = 0;
  return held || pressed;
}

void window_swap(IntroWindow& window) { SDL_GL_SwapWindow(window.window); }

void window_title_set(IntroWindow& window, const char* text) {
  SDL_SetWindowTitle(window.window, text);
  // Send it now: otherwise the new title waits in the connection's buffer
  // until the frame is presented, which on a slow GL is seconds later.
  // Pumping flushes the connection; the events it reads wait for the next poll.
  SDL_PumpEvents();
}

void* gl_proc(const char* name) { return SDL_GL_GetProcAddress(name); }

void message_box(const char* text, const char* caption) {
  std::fprintf(stderr, "%s: %s\n", caption, text);
  std::fflush(stderr);
  SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_WARNING, caption, text, nullptr);
}

}  // namespace host
