// commands.hpp - the subcommands of intro-capture.
//
// intro-capture renders the piece offline: its soundtrack to a WAV file (and,
// as the tool grows, stills, a contact sheet and video). Each subcommand is a
// function from its own arguments (argv after the subcommand name) to an exit
// code: 0 success, 1 a failure to do the work (unwritable output, missing
// tool), 2 bad usage. Errors are reported on stderr naming what failed.
#pragma once

#include <string>
#include <vector>

namespace capture {

using Args = std::vector<std::string>;

struct Command {
  const char* name;
  const char* synopsis;  // one usage line, after "intro-capture "
  const char* summary;   // what it does, one sentence
  int (*run)(const Args& args);
};

// Every subcommand, in the order --help lists them.
const std::vector<Command>& commands();

// Dispatches argv (program name first) to a subcommand; returns the exit code.
int capture_main(int argc, char** argv);

int command_audio(const Args& args);
int command_levels(const Args& args);
int command_still(const Args& args);
int command_video(const Args& args);
int command_sheet(const Args& args);

}  // namespace capture
