// The SDL2 backend: the thread, sleeping and the clock.
#include "host/backend_support.hpp"
#include "host/sdl/sdl_platform.hpp"

namespace host {

namespace {

// SDL threads take one pointer: the routine and its argument wait in a slot.
int SDLCALL thread_entry(void* slot) {
  thread_slot_run(slot);
  return 0;
}

}  // namespace

int thread_start(void (*routine)(void*), void* argument) {
  ThreadStart* slot = thread_slot_take(routine, argument);
  if (slot == nullptr) return 0;
  SDL_Thread* thread = SDL_CreateThread(thread_entry, "synth", slot);
  if (thread == nullptr) return 0;
  SDL_DetachThread(thread);
  return 1;
}

void sleep_ms(int milliseconds) { SDL_Delay(static_cast<Uint32>(milliseconds)); }

uint64_t clock_ns() {
  return ticks_to_ns(SDL_GetPerformanceCounter(), SDL_GetPerformanceFrequency());
}

}  // namespace host
