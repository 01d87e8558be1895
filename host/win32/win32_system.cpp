// The Windows backend: message boxes, the thread, sleeping and the clock.
#include "host/backend_support.hpp"
#include "host/win32/win32_platform.hpp"

namespace host {

namespace {

// CreateThread calls a routine of its own signature (and, on 32-bit x86, its
// own calling convention): the piece's routine and its argument wait in a slot.
DWORD WINAPI thread_entry(LPVOID slot) {
  thread_slot_run(slot);
  return 0;
}

}  // namespace

void message_box(const char* text, const char* caption) {
  // A quit already asked for (the window's WM_DESTROY posts one when
  // window_end destroys it) would end the box's own message loop at once, and
  // the box would vanish unread. Hold the quit back while the box is up, then
  // ask for it again, so the main loop still sees it.
  MSG quit;
  const BOOL quit_pending = PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
  MessageBoxA(nullptr, text, caption, MB_ICONEXCLAMATION);
  if (quit_pending) PostQuitMessage(static_cast<int>(quit.wParam));
}

int thread_start(void (*routine)(void*), void* argument) {
  ThreadStart* slot = thread_slot_take(routine, argument);
  if (slot == nullptr) return 0;
  // Runs at once; the handle is not kept: the thread is never waited for,
  // closed or stopped, and ends with its routine or with the process.
  return CreateThread(nullptr, 0, thread_entry, slot, 0, nullptr) != nullptr ? 1 : 0;
}

void sleep_ms(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

uint64_t clock_ns() {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  return ticks_to_ns(static_cast<uint64_t>(counter.QuadPart), static_cast<uint64_t>(frequency.QuadPart));
}

}  // namespace host
