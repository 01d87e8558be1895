#include "tools/capture/interrupt.hpp"

namespace capture {

namespace {

// The one piece of state a signal handler may touch.
volatile std::sig_atomic_t g_interrupted = 0;

void on_signal(int) { g_interrupted = 1; }

}  // namespace

void interrupt_install(InterruptGuard& guard) {
  g_interrupted = 0;
  struct sigaction action{};
  action.sa_handler = on_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: a blocked write returns, and the loop sees the flag
  sigaction(SIGINT, &action, &guard.previous_int);
  sigaction(SIGTERM, &action, &guard.previous_term);
  struct sigaction ignore{};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGPIPE, &ignore, &guard.previous_pipe);
}

void interrupt_restore(const InterruptGuard& guard) {
  sigaction(SIGINT, &guard.previous_int, nullptr);
  sigaction(SIGTERM, &guard.previous_term, nullptr);
  sigaction(SIGPIPE, &guard.previous_pipe, nullptr);
}

bool interrupted() { return g_interrupted != 0; }

}  // namespace capture
