// interrupt.hpp - stopping long captures cleanly on Ctrl-C or a termination request.
//
// While an InterruptGuard lives, SIGINT and SIGTERM only raise a flag that the
// work loops poll between frames (and between seconds of sound); they then stop,
// end the encoder, and let their PendingOutputs remove the temporary files, so
// an interrupted command leaves nothing behind and exits with kInterruptedExit.
// SIGPIPE is ignored meanwhile, so a write to an encoder that has died fails
// with an error the caller reports instead of killing the tool.
//
// What it is for: the capture commands' long loops, on one thread.
// What it is not for: stopping in the middle of a frame (a frame is one draw
// call; the loop notices the flag when it returns), or nesting guards.
#pragma once

#include <csignal>

namespace capture {

inline constexpr int kInterruptedExit = 130;  // as a shell reports a command ended by Ctrl-C

struct InterruptGuard {
  struct sigaction previous_int;
  struct sigaction previous_term;
  struct sigaction previous_pipe;
};

// Installs the handlers (and clears the flag); interrupt_restore puts the
// previous ones back.
void interrupt_install(InterruptGuard& guard);
void interrupt_restore(const InterruptGuard& guard);

// True once SIGINT or SIGTERM arrived after interrupt_install.
bool interrupted();

}  // namespace capture
