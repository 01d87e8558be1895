// The SDL2 backend: the thread, sleeping and the clock.
#include <atomic>

#include "host/sdl/sdl_platform.hpp"

namespace host {

namespace {

// SDL threads take one argument, so the routine and its argument wait here
// for the new thread to pick them up. The piece starts one thread; a few
// slots leave room without any allocation.
struct ThreadStart {
  void (*routine)(void*);
  void* argument;
};
constexpr int kThreadSlots = 4;
ThreadStart thread_starts[kThreadSlots];
std::atomic<int> thread_slots_used{0};

int SDLCALL thread_entry(void* slot) {
  const ThreadStart& start = *static_cast<const ThreadStart*>(slot);
  start.routine(start.argument);
  return 0;
}

}  // namespace

int thread_start(void (*routine)(void*), void* argument) {
  const int slot = thread_slots_used.fetch_add(1);
  if (slot >= kThreadSlots) return 0;
  thread_starts[slot] = ThreadStart{routine, argument};
  SDL_Thread* thread = SDL_CreateThread(thread_entry, "synth", &thread_starts[slot]);
  if (thread == nullptr) return 0;
  SDL_DetachThread(thread);
  return 1;
}

void sleep_ms(int milliseconds) { SDL_Delay(static_cast<Uint32>(milliseconds)); }

uint64_t clock_ns() {
  const uint64_t counter = SDL_GetPerformanceCounter();
  const uint64_t frequency = SDL_GetPerformanceFrequency();
  return counter / frequency * 1000000000u + counter % frequency * 1000000000u / frequency;
}

}  // namespace host
