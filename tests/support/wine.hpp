// wine.hpp - running the piece's Windows programs under Wine in a test.
//
// A Wine prefix (Wine's own C: drive and registry) is made once in a folder
// of the build and reused by every later run: making one takes half a minute,
// starting a program in a ready one a few seconds. One test at a time uses a
// prefix: open() takes a lock on it (waiting while another test holds it), and
// the record's end stops everything Wine runs in it (its wineserver and the
// programs under it) and releases the lock, so the next test starts Wine
// afresh on its own X display.
//
// What it is for: end-to-end tests of build-win64/intro.exe on this machine.
// What it is not for: 32-bit programs (no 32-bit Wine here), or a user's own
// Wine set-up (~/.wine is never touched).
#pragma once

#include <string>
#include <vector>

#include "tests/support/session.hpp"

namespace support {

class WinePrefix {
 public:
  // Locks the prefix in `dir`, making it first if it is not ready yet (with
  // `display` as Wine's X display). Returns false with *why on failure.
  bool open(const std::string& dir, const std::string& display, std::string* why);
  ~WinePrefix();

  // Starts the Windows program `exe` under Wine on `display`, with `env`
  // added to the environment (as child_start takes it), its standard output
  // and error to out_path and err_path. The child's exit status is the
  // program's exit code.
  bool start(Child& child, const std::string& exe, const std::string& display, const std::vector<std::string>& env,
             const std::string& out_path, const std::string& err_path, std::string* why);

 private:
  std::vector<std::string> environment(const std::string& display) const;
  void server_stop();

  std::string dir_;
  int lock_fd_ = -1;
};

}  // namespace support
