#include "tools/capture/encoder.hpp"

#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "tools/capture/interrupt.hpp"

extern char** environ;

namespace capture {

std::string program_find(const char* name) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  const std::string list = path;
  size_t from = 0;
  while (from <= list.size()) {
    size_t to = list.find(':', from);
    if (to == std::string::npos) to = list.size();
    const std::string folder = to > from ? list.substr(from, to - from) : ".";
    const std::string candidate = folder + "/" + name;
    struct stat info{};
    if (::stat(candidate.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(candidate.c_str(), X_OK) == 0)
      return candidate;
    from = to + 1;
  }
  return {};
}

bool encoder_start(EncoderProcess& encoder, const std::string& program, const std::vector<std::string>& argv) {
  encoder = EncoderProcess{};
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) {
    std::fprintf(stderr, "intro-capture: cannot make a pipe for %s: %s\n", program.c_str(), std::strerror(errno));
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[0], STDIN_FILENO);  // dup2 clears close-on-exec
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  // Own process group: the terminal's Ctrl-C is ours to handle. Default signal
  // actions: the child must not inherit the ignored SIGPIPE or our handlers.
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  sigaddset(&defaults, SIGINT);
  sigaddset(&defaults, SIGTERM);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK);

  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, program.c_str(), &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(ends[0]);
  if (failed != 0) {
    ::close(ends[1]);
    std::fprintf(stderr, "intro-capture: cannot start %s: %s\n", program.c_str(), std::strerror(failed));
    return false;
  }
  encoder.pid = pid;
  encoder.input = ends[1];
  return true;
}

bool encoder_write(EncoderProcess& encoder, const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(encoder.input, data, size);
    if (n < 0) {
      if (errno == EINTR && !interrupted()) continue;
      return false;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

namespace {

int wait_child(pid_t pid) {
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int encoder_finish(EncoderProcess& encoder) {
  if (encoder.input >= 0) ::close(encoder.input);
  encoder.input = -1;
  const int status = encoder.pid > 0 ? wait_child(encoder.pid) : -1;
  encoder.pid = -1;
  return status;
}

void encoder_kill(EncoderProcess& encoder) {
  if (encoder.input >= 0) ::close(encoder.input);
  encoder.input = -1;
  if (encoder.pid > 0) {
    ::kill(encoder.pid, SIGTERM);
    wait_child(encoder.pid);
  }
  encoder.pid = -1;
}

}  // namespace capture
