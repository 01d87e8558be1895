#include "host/backend_support.hpp"

#include <atomic>

namespace host {

namespace {

constexpr int kThreadSlots = 4;
ThreadStart thread_starts[kThreadSlots];
std::atomic<int> thread_slots_used{0};

}  // namespace

ThreadStart* thread_slot_take(void (*routine)(void*), void* argument) {
  const int slot = thread_slots_used.fetch_add(1);
  if (slot >= kThreadSlots) return nullptr;
  thread_starts[slot] = ThreadStart{routine, argument};
  return &thread_starts[slot];
}

}  // namespace host
