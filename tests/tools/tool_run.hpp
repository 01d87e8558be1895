// tool_run.hpp - running a command line and collecting its exit code and output.
#pragma once

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

namespace capture::testing {

struct ToolResult {
  int exit_code;
  std::string output;  // stdout and stderr together
};

inline ToolResult tool_run(const std::string& command) {
  ToolResult r{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (!pipe) return r;
  std::array<char, 4096> buf;
  size_t n;
  while ((n = fread(buf.data(), 1, buf.size(), pipe)) > 0) r.output.append(buf.data(), n);
  const int status = pclose(pipe);
  r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

}  // namespace capture::testing
