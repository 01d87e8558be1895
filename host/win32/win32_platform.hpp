// win32_platform.hpp - the Windows backend's records (Win32, WGL, wave-out).
//
// Implements all of host/platform.hpp with the plain Win32 calls the piece is
// made of:
//   - the window: a registered class (style 0x23, a dark-brown background
//     brush, no icon or cursor), a visible 1920x1080 client area centred on
//     the primary screen, titled "Intro"; a double-buffered 32-bit RGBA pixel
//     format with 8 alpha and 32 depth bits; the plain context of
//     wglCreateContext, made current. Each handle goes into the record as soon
//     as it is obtained, before it is tested, so window_end releases exactly
//     what exists. The fullscreen path (display mode 1920x1080x32, cursor
//     hidden) is built in but switched off by the fixed `fullscreen` field.
//   - input: window_poll drains the message queue with PeekMessageA, passing
//     every message, WM_QUIT too, through TranslateMessage and
//     DispatchMessageA. window_proc turns close requests and Escape into
//     PostQuitMessage, keeps the viewport on the client area with glViewport,
//     holds off the screen saver and monitor power-down, and notes the seeks
//     (Left/Right keys, '%' and '\'' typed) for window_poll to hand out right
//     after the dispatch that made them. Escape is also polled with
//     GetAsyncKeyState, which sees it whichever window has the focus.
//   - message boxes: MessageBoxA with a warning icon and no owner.
//   - the thread: CreateThread, its handle never kept.
//   - audio: wave-out through the wave mapper, IEEE float, 2 channels,
//     44,100 Hz, with one WAVEHDR over the whole soundtrack; a restart resets
//     the device and submits the rest of the buffer from the new start.
//
// What it does not do: anything the piece does not need - no resizing logic
// beyond the viewport, no high-DPI awareness (the manifest declares none, so a
// scaled display stretches the window), no audio callback or streaming.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <mmreg.h>

#include "host/platform.hpp"

namespace host {

// The window record. The first six fields are the window itself, in this
// order; the rest is the backend's note of what window_proc saw.
struct IntroWindow {
  HINSTANCE instance;    // module handle: set by the entry before window_init
  HDC device_context;    // GetDC of the window
  HGLRC gl_context;      // wglCreateContext
  HWND window;           // CreateWindowExA
  int fullscreen;        // fixed switch, 0: windowed; nothing changes it at run time
  char class_name[4];    // the window-class name, three characters

  // Seeks that window_proc noted during the latest dispatch, oldest first.
  static constexpr int kPendingSize = 8;
  InputEvent pending[kPendingSize];
  int pending_first;
  int pending_count;
};

// The playback record: the device and its one header.
struct AudioOut {
  HWAVEOUT wave_out;     // the device handle, null until waveOutOpen
  WAVEHDR wave_header;   // the one header: the rest of the soundtrack from the current start
  MMTIME play_time;      // queried on every frame; TIME_SAMPLES asked for
  AudioSource source;
  int submitted;         // the header has been written to the device at least once
};

// The window procedure of the class (exposed for the entry and for reading).
LRESULT CALLBACK window_proc(HWND hwnd, UINT message, WPARAM w_param, LPARAM l_param);

}  // namespace host
