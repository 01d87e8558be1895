// encoder.hpp - an encoder program fed through a pipe on its standard input.
//
// The capture tool encodes video with the ffmpeg program: it starts it with the
// raw frames' format on its command line, writes the frames into its standard
// input, closes the pipe and waits. The child runs in a process group of its
// own, so a Ctrl-C at the terminal reaches only the tool, which then decides to
// stop it (encoder_kill) and removes what it was writing.
//
// What it is for: one child process at a time, driven from one thread.
// What it is not for: reading the child's output (its messages go straight to
// our stderr), or shell command lines (arguments are passed as they are).
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace capture {

// The full path of an executable `name` on $PATH, or "" if there is none.
std::string program_find(const char* name);

struct EncoderProcess {
  pid_t pid = -1;
  int input = -1;  // write end of the child's standard input
};

// Starts `program` with `argv` (argv[0] included) reading from a fresh pipe.
// Returns false after printing why.
bool encoder_start(EncoderProcess& encoder, const std::string& program, const std::vector<std::string>& argv);

// Writes all of `data`. Returns false if the child has gone (its pipe broke)
// or an interrupt arrived while the write was blocked.
bool encoder_write(EncoderProcess& encoder, const uint8_t* data, size_t size);

// Closes the pipe (end of input) and waits for the child. Returns its exit
// status, or 128 + the signal that ended it.
int encoder_finish(EncoderProcess& encoder);

// Stops the child at once (SIGTERM after closing its input) and waits for it.
void encoder_kill(EncoderProcess& encoder);

}  // namespace capture
