// x11_client.hpp - watching and driving a program's window as a user would.
//
// A second X client on the test's display: it finds a top-level window by its
// class or title, reads its title, gives it the keyboard focus, types keys
// through the XTEST extension (real key events, as from a keyboard), and reads
// back what the window shows. X errors (a window closing while we look at it)
// are noted, never fatal.
//
// What it is for: end-to-end tests under Xvfb.
// What it is not for: anything with a window manager's decorations in mind.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace support {

struct Picture {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // top row first, 3 bytes a pixel
};

class XClient {
 public:
  bool open(const std::string& display, std::string* why);
  ~XClient();

  // The first top-level window whose class (instance or class name) or title
  // equals `name`; 0 if there is none.
  unsigned long window_named(const std::string& name);
  // Its title ("" once it is gone).
  std::string title(unsigned long window);
  // Whether it still exists.
  bool exists(unsigned long window);
  void focus(unsigned long window);
  // Presses and releases the key with this X keysym name ("Right", "Escape",
  // "apostrophe", ...), with Shift held if `shift`.
  bool key(const char* keysym_name, bool shift = false);
  void resize(unsigned long window, int width, int height);
  // Asks the window to close, as a window manager's close button does
  // (WM_DELETE_WINDOW).
  void close(unsigned long window);
  // What the window shows now.
  Picture grab(unsigned long window);

 private:
  void* display_ = nullptr;  // Display*
};

// Writes a picture as a binary PPM (for a person to look at after a failure).
void picture_write_ppm(const Picture& picture, const std::string& path);

// The fraction of pixels in rows [y0, y1) that are not pure black.
double picture_lit_fraction(const Picture& picture, int y0, int y1);

}  // namespace support
