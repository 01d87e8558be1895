// The Windows backend: window class and window, pixel format and WGL context,
// the window procedure, the message queue and the Escape poll.
#include "gl/gl_api.hpp"
#include "host/win32/win32_platform.hpp"

namespace host {

namespace {

// The requested pixel format: double-buffered RGBA, 32 colour bits with 8 of
// alpha, 32 depth bits, no stencil, accumulation or auxiliary buffers.
const PIXELFORMATDESCRIPTOR pixel_format = {
    40,                                                           // nSize
    1,                                                            // nVersion
    PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER,   // dwFlags (0x25)
    PFD_TYPE_RGBA,                                                // iPixelType
    32,                                                           // cColorBits
    0, 0, 0, 0, 0, 0,                                             // red, green, blue bits and shifts
    8,                                                            // cAlphaBits
    0,                                                            // cAlphaShift
    0, 0, 0, 0, 0,                                                // accumulation bits
    32,                                                           // cDepthBits
    0,                                                            // cStencilBits
    0,                                                            // cAuxBuffers
    PFD_MAIN_PLANE,                                               // iLayerType
    0, 0, 0, 0,                                                   // bReserved and the three masks
};
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

constexpr DWORD kClassStyle = CS_VREDRAW | CS_HREDRAW | CS_OWNDC;
static_assert(kClassStyle == 0x23);
constexpr DWORD kWindowedStyle = WS_POPUP | WS_VISIBLE | WS_OVERLAPPEDWINDOW;
static_assert(kWindowedStyle == 0x90CF0000);
constexpr DWORD kFullscreenStyle = WS_POPUP | WS_VISIBLE;
constexpr DWORD kFullscreenExStyle = WS_EX_APPWINDOW;

// The display mode of the fullscreen path: 1920x1080 at 32 bits per pixel.
constexpr DWORD kDisplayModeSize = 156;
static_assert(sizeof(DEVMODEA) == kDisplayModeSize);

// A test build makes the last step of window_init fail, so that the failure
// path (everything made is released, then the box) can be watched end to end.
#ifdef INTRO_TEST_WINDOW_INIT_FAILS
constexpr bool kForcedFailure = true;
#else
constexpr bool kForcedFailure = false;
#endif

// The record window_proc notes seeks in. The system calls the procedure with
// the window handle alone, so the one record is remembered here by window_init.
IntroWindow* proc_window = nullptr;

void pending_put(IntroWindow& window, const InputEvent& event) {
  if (window.pending_count == IntroWindow::kPendingSize) return;  // cannot happen within one dispatch
  window.pending[(window.pending_first + window.pending_count) % IntroWindow::kPendingSize] = event;
  window.pending_count += 1;
}

int pending_take(IntroWindow& window, InputEvent& event) {
  if (window.pending_count == 0) return 0;
  event = window.pending[window.pending_first];
  window.pending_first = (window.pending_first + 1) % IntroWindow::kPendingSize;
  window.pending_count -= 1;
  return 1;
}

void seek_noted(int direction) {
  if (proc_window != nullptr) pending_put(*proc_window, InputEvent{InputKind::kSeek, direction, 0, 0});
}

}  // namespace

LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM w_param, LPARAM l_param) {
  // The whole wParam is compared: a system command with other low bits set
  // is not one of these two.
  if (message == WM_SYSCOMMAND && (w_param == SC_SCREENSAVE || w_param == SC_MONITORPOWER)) return 0;

  // A close request does not reach DefWindowProcA, so the window stays until
  // the main loop has ended and window_end destroys it.
  if (message == WM_CLOSE || message == WM_DESTROY || (message == WM_KEYDOWN && w_param == VK_ESCAPE)) {
    PostQuitMessage(0);
    return 0;
  }

  // The first WM_SIZE arrives inside CreateWindowExA, before there is a GL
  // context; the call then does nothing and the context's own initial
  // viewport (the client area) applies.
  if (message == WM_SIZE) {
    glViewport(0, 0, static_cast<GLsizei>(l_param & 0xFFFF), static_cast<GLsizei>(l_param >> 16));
  }

  // Key and character messages are told apart by nothing but their code, so
  // typing '%' (37) seeks back and '\'' (39) forward, like the arrows.
  if (message == WM_KEYDOWN || message == WM_CHAR) {
    if (w_param == 27) {
      PostQuitMessage(0);
      return 0;
    }
    if (w_param == 37) seek_noted(-1);
    if (w_param == 39) seek_noted(+1);
  }

  return DefWindowProcA(hwnd, message, w_param, l_param);
}

int window_init(IntroWindow& window) {
  proc_window = &window;

  WNDCLASSA window_class = {};
  window_class.style = kClassStyle;
  window_class.lpfnWndProc = window_proc;
  window_class.hInstance = window.instance;
  window_class.hbrBackground = CreateSolidBrush(RGB(48, 32, 16));  // never deleted: the class uses it to the end
  window_class.lpszClassName = window.class_name;
  if (RegisterClassA(&window_class) == 0) return 0;

  DWORD ex_style = 0;
  DWORD style = kWindowedStyle;
  if (window.fullscreen) {
    DEVMODEA mode = {};
    mode.dmSize = kDisplayModeSize;
    mode.dmFields = DM_BITSPERPEL | DM_PELSWIDTH | DM_PELSHEIGHT;
    mode.dmBitsPerPel = 32;
    mode.dmPelsWidth = kDrawableWidth;
    mode.dmPelsHeight = kDrawableHeight;
    if (ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) != DISP_CHANGE_SUCCESSFUL) return 0;
    ex_style = kFullscreenExStyle;
    style = kFullscreenStyle;
    while (ShowCursor(FALSE) >= 0) {
    }
  }

  // The outer size for a 1920x1080 client area, without a menu; the extended
  // style is not taken into account.
  RECT rectangle = {0, 0, kDrawableWidth, kDrawableHeight};
  AdjustWindowRect(&rectangle, style, FALSE);
  const int width = rectangle.right - rectangle.left;
  const int height = rectangle.bottom - rectangle.top;
  // Centred on the primary screen; an arithmetic shift halves toward negative
  // infinity, so a window larger than the screen starts at negative coordinates.
  const int x = (GetSystemMetrics(SM_CXSCREEN) - rectangle.right + rectangle.left) >> 1;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - rectangle.bottom + rectangle.top) >> 1;

  // Visible from creation on: no ShowWindow, UpdateWindow or focus call.
  window.window = CreateWindowExA(ex_style, window.class_name, "Intro", style, x, y, width, height, nullptr,
                                  nullptr, window.instance, nullptr);
  if (window.window == nullptr) return 0;

  window.device_context = GetDC(window.window);
  if (window.device_context == nullptr) return 0;

  const int format = ChoosePixelFormat(window.device_context, &pixel_format);
  if (format == 0) return 0;
  if (!SetPixelFormat(window.device_context, format, &pixel_format)) return 0;

  window.gl_context = wglCreateContext(window.device_context);
  if (window.gl_context == nullptr) return 0;

  if (!wglMakeCurrent(window.device_context, window.gl_context) || kForcedFailure) return 0;
  return 1;
}

void window_end(IntroWindow& window) {
  if (window.gl_context != nullptr) {
    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(window.gl_context);
  }
  if (window.device_context != nullptr) ReleaseDC(window.window, window.device_context);
  if (window.window != nullptr) DestroyWindow(window.window);
  // Also when registration failed: unregistering a class that does not exist
  // is harmless.
  UnregisterClassA(window.class_name, window.instance);
  if (window.fullscreen) {
    ChangeDisplaySettingsA(nullptr, 0);  // back to the display mode of the registry
    while (ShowCursor(TRUE) < 0) {
    }
  }
}

int window_poll(IntroWindow& window, InputEvent& event) {
  // Each message is translated and dispatched before the next is taken, and
  // what its dispatch noted is handed out before that, too: a seek happens
  // between the same two messages as if window_proc had made it itself.
  for (;;) {
    if (pending_take(window, event)) return 1;
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return 0;
    if (message.message == WM_QUIT) pending_put(window, InputEvent{InputKind::kQuit, 0, 0, 0});
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

int window_escape_down(IntroWindow&) {
  // Down now, or pressed since the previous query, in any application.
  return GetAsyncKeyState(VK_ESCAPE) != 0;
}

void window_swap(IntroWindow& window) { SwapBuffers(window.device_context); }

void window_title_set(IntroWindow& window, const char* text) { SetWindowTextA(window.window, text); }

void* gl_proc(const char* name) { return reinterpret_cast<void*>(wglGetProcAddress(name)); }

}  // namespace host
