#include "tests/support/session.hpp"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

extern char** environ;

namespace support {

namespace {

void sleep_s(double s) { std::this_thread::sleep_for(std::chrono::duration<double>(s)); }

// The environment for a child: ours, with `changes` applied.
std::vector<std::string> environment_with(const std::vector<std::string>& changes) {
  std::vector<std::string> result;
  for (char** e = environ; *e != nullptr; ++e) result.emplace_back(*e);
  for (const std::string& change : changes) {
    const std::string name = change.substr(0, change.find('=') + 1);
    for (size_t i = 0; i < result.size();) {
      if (result[i].compare(0, name.size(), name) == 0) {
        result.erase(result.begin() + static_cast<long>(i));
      } else {
        ++i;
      }
    }
    if (change.size() > name.size()) result.push_back(change);
  }
  return result;
}

int open_output(const std::string& path) {
  return open(path.empty() ? "/dev/null" : path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
}

}  // namespace

double now_s() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

bool child_start(Child& child, const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& out_path, const std::string& err_path, int keep_fd, std::string* why) {
  const std::vector<std::string> environment = environment_with(env);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);

  const int out = open_output(out_path);
  const int err = open_output(err_path);
  if (out < 0 || err < 0) {
    *why = "cannot open the output files of " + argv[0] + ": " + std::strerror(errno);
    return false;
  }
  int report[2];  // the child writes errno here if exec fails
  if (pipe2(report, O_CLOEXEC) != 0) {
    *why = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);  // its own group, so stopping it reaches what it starts
    prctl(PR_SET_PDEATHSIG, SIGKILL);  // and it goes if the test program dies
    dup2(out, 1);
    dup2(err, 2);
    const int in = open("/dev/null", O_RDONLY);
    dup2(in, 0);
    if (keep_fd >= 0) fcntl(keep_fd, F_SETFD, 0);
    execvpe(args[0], args.data(), envp.data());
    const int e = errno;
    (void)!write(report[1], &e, sizeof e);
    _exit(127);
  }
  close(out);
  close(err);
  close(report[1]);
  if (pid < 0) {
    close(report[0]);
    *why = std::string("fork: ") + std::strerror(errno);
    return false;
  }
  int e = 0;
  const ssize_t n = read(report[0], &e, sizeof e);
  close(report[0]);
  child.pid = pid;
  child.ended = false;
  if (n == static_cast<ssize_t>(sizeof e)) {
    child_wait(child, 5.0);
    *why = "cannot run " + argv[0] + ": " + std::strerror(e) + " (is its package installed? see scripts/packages.txt)";
    return false;
  }
  return true;
}

bool child_wait(Child& child, double timeout_s) {
  if (child.pid <= 0 || child.ended) return true;
  const double end = now_s() + timeout_s;
  for (;;) {
    const pid_t r = waitpid(child.pid, &child.status, WNOHANG);
    if (r == child.pid) {
      child.ended = true;
      return true;
    }
    if (now_s() >= end) return false;
    sleep_s(0.01);
  }
}

Child::~Child() { child_stop(*this, SIGKILL, 1.0); }

void child_stop(Child& child, int signal, double grace_s) {
  if (child.pid <= 0 || child.ended) return;
  kill(child.pid, signal);
  if (!child_wait(child, grace_s)) {
    kill(-child.pid, SIGKILL);
    kill(child.pid, SIGKILL);
    child_wait(child, 10.0);
  }
}

std::string temp_dir(const char* prefix) {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr && *base != '\0' ? base : "/tmp") + "/" + prefix + "-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) == nullptr) return "";
  return std::string(buffer.data());
}

std::string file_read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// ---- X server -------------------------------------------------------------------

bool XServer::start(int width, int height, std::string* why) {
  dir_ = temp_dir("intro-xvfb");
  int ready[2];
  if (pipe2(ready, O_CLOEXEC) != 0) {
    *why = std::string("pipe: ") + std::strerror(errno);
    return false;
  }
  // -displayfd: the server picks a free display number and writes it there
  // once it accepts connections.
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  if (!child_start(child_,
                   {"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0", screen, "-nolisten", "tcp",
                    "-noreset"},
                   {}, "", dir_ + "/xvfb.log", ready[1], why)) {
    close(ready[0]);
    close(ready[1]);
    return false;
  }
  close(ready[1]);
  std::string number;
  pollfd p{ready[0], POLLIN, 0};
  const double end = now_s() + 30.0;
  while (number.find('\n') == std::string::npos && now_s() < end) {
    if (poll(&p, 1, 100) > 0) {
      char c[16];
      const ssize_t n = read(ready[0], c, sizeof c);
      if (n <= 0) break;
      number.append(c, static_cast<size_t>(n));
    }
  }
  close(ready[0]);
  if (number.find('\n') == std::string::npos) {
    *why = "Xvfb did not start within 30 s: " + file_read(dir_ + "/xvfb.log");
    child_stop(child_, SIGTERM, 5.0);
    return false;
  }
  display_ = std::to_string(std::atoi(number.c_str()));
  display_.insert(0, 1, ':');
  return true;
}

XServer::~XServer() {
  child_stop(child_, SIGTERM, 5.0);
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

// ---- Sound server -----------------------------------------------------------------

bool SoundServer::start(std::string* why) {
  dir_ = temp_dir("intro-pulse");
  address_ = "unix:" + dir_ + "/native";
  // A private server: its own folder for runtime files and configuration, no
  // default script (so no hardware, no session bus), anonymous access on its
  // own socket, one null sink in the piece's format. --system=false lets root
  // run it as a per-user server. It runs at a raised priority where it may,
  // as a desktop's sound server does, so that a loaded machine starves it less.
  const std::vector<std::string> env = {"HOME=" + dir_, "XDG_RUNTIME_DIR=" + dir_, "XDG_CONFIG_HOME=" + dir_,
                                        "PULSE_RUNTIME_PATH=" + dir_, "PULSE_STATE_PATH=" + dir_,
                                        "DBUS_SESSION_BUS_ADDRESS=", "DISPLAY="};
  if (!child_start(child_,
                   {"pulseaudio", "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
                    "--use-pid-file=false", "--realtime=false", "--high-priority=true", "--disable-shm=true",
                    "--log-target=stderr", "--load=module-native-protocol-unix socket=" + dir_ + "/native auth-anonymous=1",
                    "--load=module-null-sink sink_name=intro format=float32le rate=44100 channels=2"},
                   env, "", dir_ + "/pulse.log", -1, why)) {
    return false;
  }
  const double end = now_s() + 30.0;
  while (now_s() < end) {
    Child probe;
    std::string ignored;
    if (child_start(probe, {"pactl", "--server=" + address_, "info"}, {}, "", "", -1, &ignored) &&
        child_wait(probe, 10.0) && WIFEXITED(probe.status) && WEXITSTATUS(probe.status) == 0) {
      return true;
    }
    child_stop(probe, SIGKILL, 1.0);
    if (child_wait(child_, 0.0)) break;  // the server has ended
    sleep_s(0.1);
  }
  *why = "PulseAudio did not start within 30 s: " + file_read(dir_ + "/pulse.log");
  child_stop(child_, SIGTERM, 5.0);
  return false;
}

SoundServer::~SoundServer() {
  child_stop(child_, SIGTERM, 5.0);
  std::error_code ignored;
  if (!dir_.empty()) std::filesystem::remove_all(dir_, ignored);
}

// ---- Recorder ---------------------------------------------------------------------

// The recorder keeps the server's default, generous buffer: a recorder that
// is not scheduled in time on a loaded machine would otherwise lose samples.
bool Recorder::start(const SoundServer& server, std::string* why) {
  path_ = server.dir() + "/monitor.f32";
  started_s_ = now_s();
  return child_start(child_,
                     {"parec", "--server=" + server.address(), "--device=intro.monitor", "--format=float32le",
                      "--rate=44100", "--channels=2", "--raw"},
                     {}, path_, server.dir() + "/parec.log", -1, why);
}

std::vector<float> Recorder::stop() {
  child_stop(child_, SIGINT, 5.0);
  const std::string bytes = file_read(path_);
  std::vector<float> samples(bytes.size() / sizeof(float));
  std::memcpy(samples.data(), bytes.data(), samples.size() * sizeof(float));
  return samples;
}

Recorder::~Recorder() { child_stop(child_, SIGINT, 5.0); }

}  // namespace support
