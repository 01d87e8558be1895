#include "tests/support/wine.hpp"

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace support {

namespace {

constexpr const char* kReadyMark = "/intro-prefix-ready";

bool file_exists(const std::string& path) {
  struct stat s{};
  return stat(path.c_str(), &s) == 0;
}

// Runs a Wine tool to its end; returns its wait status, or -1 if it did not end in time.
int tool_run(const std::vector<std::string>& argv, const std::vector<std::string>& env, const std::string& log,
             double timeout_s, std::string* why) {
  Child tool;
  if (!child_start(tool, argv, env, log, log, -1, why)) return -1;
  if (!child_wait(tool, timeout_s)) {
    child_stop(tool, SIGKILL, 1.0);
    *why = argv[0] + " did not end within " + std::to_string(static_cast<int>(timeout_s)) + " s: " + file_read(log);
    return -1;
  }
  return tool.status;
}

}  // namespace

std::vector<std::string> WinePrefix::environment(const std::string& display) const {
  return {
      "WINEPREFIX=" + dir_,
      "WINEDEBUG=-all",
      // No offer to install Wine's .NET and HTML engines: the piece needs neither.
      "WINEDLLOVERRIDES=mscoree,mshtml=",
      "DISPLAY=" + display,
      "WAYLAND_DISPLAY=",
  };
}

bool WinePrefix::open(const std::string& dir, const std::string& display, std::string* why) {
  dir_ = dir;
  const std::string lock_path = dir + ".lock";
  lock_fd_ = ::open(lock_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock_fd_ < 0 || flock(lock_fd_, LOCK_EX) != 0) {
    *why = "cannot lock " + lock_path + ": " + std::strerror(errno);
    return false;
  }
  // Whatever an earlier run left running in the prefix goes first.
  server_stop();
  if (file_exists(dir + kReadyMark)) return true;

  const std::string log = dir + ".log";
  const int status = tool_run({"wineboot", "--init"}, environment(display), log, 300.0, why);
  if (status == -1) return false;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    *why = "wineboot --init failed: " + file_read(log);
    return false;
  }
  server_stop();  // waits until the new prefix is written out
  const int mark = ::open((dir + kReadyMark).c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
  if (mark >= 0) close(mark);
  return true;
}

WinePrefix::~WinePrefix() {
  if (lock_fd_ < 0) return;
  server_stop();
  close(lock_fd_);  // releases the lock
}

void WinePrefix::server_stop() {
  // Ends every process of the prefix and waits for the server to go; a prefix
  // with no server running makes this a quick no-op.
  std::string ignored;
  const std::vector<std::string> env = {"WINEPREFIX=" + dir_, "WINEDEBUG=-all"};
  tool_run({"wineserver", "--kill"}, env, "", 30.0, &ignored);
  tool_run({"wineserver", "--wait"}, env, "", 30.0, &ignored);
}

bool WinePrefix::start(Child& child, const std::string& exe, const std::string& display,
                       const std::vector<std::string>& env, const std::string& out_path, const std::string& err_path,
                       std::string* why) {
  std::vector<std::string> all = environment(display);
  all.insert(all.end(), env.begin(), env.end());
  return child_start(child, {"wine", exe}, all, out_path, err_path, -1, why);
}

}  // namespace support
