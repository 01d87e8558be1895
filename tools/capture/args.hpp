// args.hpp - reading intro-capture's command-line arguments.
//
// Numbers are whole strings or nothing: "30s", "", "nan", "inf" and values that
// do not fit are refused, never read as a prefix or clipped. Options take their
// value as the next argument ("--fps 30", "--from -1" reads "-1" as the value);
// any other argument that starts with "-" is an unknown option, the rest are
// positional.
//
// What it is for: the small shared vocabulary of the subcommands (times in
// seconds, sample positions, the picture scale, frames per second).
// What it is not for: deciding what a command does with the values (each
// command also keeps its own usage text).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/capture/commands.hpp"

namespace capture {

// Prints "intro-capture: why" (when there is a why) and the command's usage
// line on stderr; returns 2, the exit code of bad usage.
int usage_fail(const char* usage, const std::string& why);

// A finite decimal number, the whole string.
bool parse_number(const std::string& text, double& value);

// A decimal integer with an optional sign, the whole string, within long long.
bool parse_integer(const std::string& text, long long& value);

// One option a command accepts and where its value goes.
struct OptionSlot {
  const char* name;    // "--fps"
  std::string* value;  // the text after it
  bool* seen;          // set when given
};

// Splits args into the listed options and the positional arguments. Returns an
// empty string, or what was wrong (an unknown option, a missing value, an
// option given twice), for the command to print with its usage.
std::string args_split(const Args& args, const std::vector<OptionSlot>& options,
                       std::vector<std::string>& positionals);

// The picture scale: a number in (0, 1]. Returns an empty string or the reason.
std::string scale_parse(const std::string& text, double& scale);

// A time within the soundtrack in seconds, rounded to the nearest sample
// position; `allow_end` admits the position one past the last sample (the end
// of a range). Returns an empty string or the reason, naming `option`.
std::string seconds_to_sample(const std::string& option, const std::string& text, bool allow_end,
                              int32_t& sample);

}  // namespace capture
