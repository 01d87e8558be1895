#include "tests/support/x11_client.hpp"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdio>
#include <cstring>

namespace support {

namespace {

int note_error(Display*, XErrorEvent*) { return 0; }

Display* as_display(void* d) { return static_cast<Display*>(d); }

std::string window_title(Display* d, Window w) {
  const Atom utf8 = XInternAtom(d, "UTF8_STRING", False);
  const Atom net_name = XInternAtom(d, "_NET_WM_NAME", False);
  Atom type = 0;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string result;
  if (XGetWindowProperty(d, w, net_name, 0, 4096, False, utf8, &type, &format, &count, &after, &data) == Success &&
      data != nullptr && type == utf8) {
    result.assign(reinterpret_cast<char*>(data), count);
  } else {
    char* name = nullptr;
    if (XFetchName(d, w, &name) && name != nullptr) {
      result = name;
      XFree(name);
    }
  }
  if (data != nullptr) XFree(data);
  return result;
}

}  // namespace

bool XClient::open(const std::string& display, std::string* why) {
  XSetErrorHandler(note_error);
  display_ = XOpenDisplay(display.c_str());
  if (display_ == nullptr) {
    *why = "cannot open X display " + display;
    return false;
  }
  int event = 0, error = 0, major = 0, minor = 0;
  if (!XTestQueryExtension(as_display(display_), &event, &error, &major, &minor)) {
    *why = "the X server has no XTEST extension";
    return false;
  }
  return true;
}

XClient::~XClient() {
  if (display_ != nullptr) XCloseDisplay(as_display(display_));
}

unsigned long XClient::window_named(const std::string& name) {
  Display* d = as_display(display_);
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  unsigned long found = 0;
  if (!XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count)) return 0;
  for (unsigned int i = 0; i < count && found == 0; ++i) {
    XClassHint hint{};
    if (XGetClassHint(d, children[i], &hint)) {
      if ((hint.res_name != nullptr && name == hint.res_name) || (hint.res_class != nullptr && name == hint.res_class)) {
        found = children[i];
      }
      if (hint.res_name != nullptr) XFree(hint.res_name);
      if (hint.res_class != nullptr) XFree(hint.res_class);
    }
    if (found == 0 && window_title(d, children[i]) == name) found = children[i];
  }
  if (children != nullptr) XFree(children);
  return found;
}

std::string XClient::title(unsigned long window) { return window_title(as_display(display_), window); }

bool XClient::exists(unsigned long window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(as_display(display_), window, &attributes) != 0;
}

void XClient::focus(unsigned long window) {
  Display* d = as_display(display_);
  XSetInputFocus(d, window, RevertToParent, CurrentTime);
  XSync(d, False);
}

bool XClient::key(const char* keysym_name, bool shift) {
  Display* d = as_display(display_);
  const KeyCode code = XKeysymToKeycode(d, XStringToKeysym(keysym_name));
  if (code == 0) return false;
  const KeyCode shift_code = XKeysymToKeycode(d, XK_Shift_L);
  if (shift) XTestFakeKeyEvent(d, shift_code, True, 0);
  XTestFakeKeyEvent(d, code, True, 0);
  XTestFakeKeyEvent(d, code, False, 0);
  if (shift) XTestFakeKeyEvent(d, shift_code, False, 0);
  XSync(d, False);
  return true;
}

void XClient::resize(unsigned long window, int width, int height) {
  Display* d = as_display(display_);
  XResizeWindow(d, window, static_cast<unsigned>(width), static_cast<unsigned>(height));
  XSync(d, False);
}

void XClient::close(unsigned long window) {
  Display* d = as_display(display_);
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, window, False, NoEventMask, &event);
  XSync(d, False);
}

Picture XClient::grab(unsigned long window) {
  Display* d = as_display(display_);
  Picture picture;
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(d, window, &attributes)) return picture;
  XImage* image = XGetImage(d, window, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (image == nullptr) return picture;
  picture.width = attributes.width;
  picture.height = attributes.height;
  picture.rgb.resize(static_cast<size_t>(picture.width) * picture.height * 3);
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const unsigned long pixel = XGetPixel(image, x, y);
      uint8_t* out = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
      out[0] = static_cast<uint8_t>((pixel & image->red_mask) >> __builtin_ctzl(image->red_mask));
      out[1] = static_cast<uint8_t>((pixel & image->green_mask) >> __builtin_ctzl(image->green_mask));
      out[2] = static_cast<uint8_t>((pixel & image->blue_mask) >> __builtin_ctzl(image->blue_mask));
    }
  }
  XDestroyImage(image);
  return picture;
}

double picture_lit_fraction(const Picture& picture, int y0, int y1) {
  size_t lit = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const uint8_t* px = &picture.rgb[(static_cast<size_t>(y) * picture.width + x) * 3];
      lit += (px[0] | px[1] | px[2]) != 0 ? 1 : 0;
    }
  }
  return static_cast<double>(lit) / (static_cast<double>(y1 - y0) * picture.width);
}

void picture_write_ppm(const Picture& picture, const std::string& path) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return;
  std::fprintf(f, "P6\n%d %d\n255\n", picture.width, picture.height);
  std::fwrite(picture.rgb.data(), 1, picture.rgb.size(), f);
  std::fclose(f);
}

}  // namespace support
