// The Windows backend: message boxes, the thread, sleeping and the clock.
#include "host/win32/win32_platform.hpp"

namespace host {

namespace {

// CreateThread calls a routine of its own signature (and, on 32-bit x86, its
// own calling convention), so the piece's routine and its argument wait here
// for the new thread to pick them up. The piece starts one thread; a few slots
// leave room without any allocation.
struct ThreadStart {
  void (*routine)(void*);
  void* argument;
};
constexpr int kThreadSlots = 4;
ThreadStart thread_starts[kThreadSlots];
volatile LONG thread_slots_used = 0;

DWORD WINAPI thread_entry(LPVOID slot) {
  const ThreadStart& start = *static_cast<const ThreadStart*>(slot);
  start.routine(start.argument);
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
  const LONG slot = InterlockedIncrement(&thread_slots_used) - 1;
  if (slot >= kThreadSlots) return 0;
  thread_starts[slot] = ThreadStart{routine, argument};
  // Runs at once; the handle is not kept: the thread is never waited for,
  // closed or stopped, and ends with its routine or with the process.
  return CreateThread(nullptr, 0, thread_entry, &thread_starts[slot], 0, nullptr) != nullptr ? 1 : 0;
}

void sleep_ms(int milliseconds) { Sleep(static_cast<DWORD>(milliseconds)); }

uint64_t clock_ns() {
  LARGE_INTEGER counter;
  LARGE_INTEGER frequency;
  QueryPerformanceCounter(&counter);
  QueryPerformanceFrequency(&frequency);
  const uint64_t ticks = static_cast<uint64_t>(counter.QuadPart);
  const uint64_t rate = static_cast<uint64_t>(frequency.QuadPart);
  return ticks / rate * 1000000000u + ticks % rate * 1000000000u / rate;
}

}  // namespace host
