// session.hpp - the services an end-to-end test of the piece runs it among.
//
// Each test starts its own: an X server (Xvfb, with GLX on Mesa's software
// rasterizer) on a display number the server picks itself, a PulseAudio sound
// server in a private folder whose only sink is a null sink (float32, stereo,
// 44,100 Hz), a recorder of that sink's monitor, and the program under test.
// Everything is stopped again when its record goes out of scope. Nothing here
// is skipped quietly: a service that cannot start says why, and the test fails
// with that message.
//
// What it is for: tests on this machine, as root or as a normal user.
// What it is not for: the piece itself, or talking to a user's own servers.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace support {

// A child process, its output going to files. One still running when its
// record goes away is killed, with whatever it started.
struct Child {
  Child() = default;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;
  ~Child();
  pid_t pid = -1;
  int status = 0;     // wait status, once it has ended
  bool ended = false;
};

// Starts argv[0] (looked up in PATH) with `env` added to this process's
// environment ("NAME=VALUE" overrides, "NAME=" with nothing after it removes
// NAME), stdout to out_path and stderr to err_path (empty: /dev/null).
// keep_fd, if not -1, stays open in the child. Returns false with *why on failure.
bool child_start(Child& child, const std::vector<std::string>& argv, const std::vector<std::string>& env,
                 const std::string& out_path, const std::string& err_path, int keep_fd, std::string* why);

// Waits up to timeout_s for the child to end. Returns true once it has.
bool child_wait(Child& child, double timeout_s);

// Sends `signal`, waits up to grace_s, then kills it. Safe on a child that ended.
void child_stop(Child& child, int signal, double grace_s);

// A fresh folder under the system's temporary folder.
std::string temp_dir(const char* prefix);

// The whole content of a file ("" if it cannot be read).
std::string file_read(const std::string& path);

// Seconds on a monotonic clock.
double now_s();

class XServer {
 public:
  // Starts Xvfb with one width x height x 24 screen.
  bool start(int width, int height, std::string* why);
  ~XServer();
  const std::string& display() const { return display_; }

 private:
  Child child_;
  std::string dir_;
  std::string display_;
};

class SoundServer {
 public:
  // Starts PulseAudio with one null sink named "intro" and waits until it answers.
  bool start(std::string* why);
  ~SoundServer();
  const std::string& address() const { return address_; }  // for PULSE_SERVER
  const std::string& dir() const { return dir_; }

 private:
  Child child_;
  std::string dir_;
  std::string address_;
};

class Recorder {
 public:
  // Records the null sink's monitor as raw float32 stereo at 44,100 Hz.
  bool start(const SoundServer& server, std::string* why);
  // Ends the recording and returns its interleaved samples.
  std::vector<float> stop();
  ~Recorder();
  double started_s() const { return started_s_; }

 private:
  Child child_;
  std::string path_;
  double started_s_ = 0.0;
};

}  // namespace support
