// backend_support.hpp - small pieces every platform backend needs alike.
//
// What it is for: the parts of a backend that are not about its platform:
// handing a thread routine and its argument to a platform thread entry that
// takes one pointer, and turning a tick counter into nanoseconds.
// What it is not for: anything a platform call does (each backend makes its
// own thread and reads its own counter).
#pragma once

#include <cstdint>

namespace host {

// A thread's routine and argument, waiting for the new thread to pick them up.
struct ThreadStart {
  void (*routine)(void*);
  void* argument;
};

// Takes a free slot for routine(argument), or null when all are taken. The
// piece starts one thread; a few slots leave room without any allocation.
ThreadStart* thread_slot_take(void (*routine)(void*), void* argument);

// Runs the routine of a slot that thread_slot_take handed out: what a
// backend's thread entry calls with its one pointer.
inline void thread_slot_run(void* slot) {
  const ThreadStart& start = *static_cast<const ThreadStart*>(slot);
  start.routine(start.argument);
}

// Nanoseconds of `ticks` counted at `rate` per second, without overflow
// however long the counter has run.
inline uint64_t ticks_to_ns(uint64_t ticks, uint64_t rate) {
  return ticks / rate * 1000000000u + ticks % rate * 1000000000u / rate;
}

}  // namespace host
