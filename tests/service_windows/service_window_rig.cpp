#include "service_window_rig.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <wx/app.h>
#include <wx/utils.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "support/test_support.h"
#include "support/toolkit_events.h"
#include "wx_test_app.h"

namespace service_windows {

namespace {

Display* display() {
  static Display* d = XOpenDisplay(nullptr);
  return d;
}

unsigned long findIn(Display* d, Window window, const std::string& title, int depth) {
  char* name = nullptr;
  if (XFetchName(d, window, &name) && name != nullptr) {
    const bool same = title == name;
    XFree(name);
    XWindowAttributes attributes;
    if (same && XGetWindowAttributes(d, window, &attributes) && attributes.map_state == IsViewable)
      return window;
  }
  if (depth > 3) return 0;
  Window root = 0, parent = 0;
  Window* children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, window, &root, &parent, &children, &count)) return 0;
  unsigned long found = 0;
  for (unsigned int i = 0; i < count && found == 0; ++i) found = findIn(d, children[i], title, depth + 1);
  if (children != nullptr) XFree(children);
  return found;
}

}  // namespace

const std::string& homeFolder() {
  static orvel_test::TempDir home;
  return home.path();
}

bool ensureToolkit() {
  static const bool running = [] {
    if (std::getenv("DISPLAY") == nullptr) return false;
    // The web view's processes write caches and settings below these: never the user's own.
    const std::string& home = homeFolder();
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CACHE_HOME", (home + "/.cache").c_str(), 1);
    setenv("XDG_DATA_HOME", (home + "/.local/share").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home + "/.config").c_str(), 1);
    // No GPU here: the web view draws without accelerated compositing.
    setenv("WEBKIT_DISABLE_COMPOSITING_MODE", "1", 1);
    return orvel_test::ensureWxApp() && display() != nullptr;
  }();
  return running;
}

bool pumpUntil(const std::function<bool()>& done, int timeoutMs) {
  return orvel_test::pumpToolkitUntil(done, timeoutMs);
}

void pumpFor(int milliseconds) {
  pumpUntil([] { return false; }, milliseconds);
}

unsigned long findWindowByTitle(const std::string& title) {
  Display* d = display();
  XSync(d, False);
  return findIn(d, DefaultRootWindow(d), title, 0);
}

unsigned long screenPixel(int x, int y) {
  return orvel_test::xWindowPixel(display(), DefaultRootWindow(display()), x, y);
}

void clickAt(int x, int y) {
  Display* d = display();
  XTestFakeMotionEvent(d, -1, x, y, CurrentTime);
  XTestFakeButtonEvent(d, 1, True, CurrentTime);
  XTestFakeButtonEvent(d, 1, False, CurrentTime);
  XFlush(d);
}

void requestClose(unsigned long xWindow) {
  Display* d = display();
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = xWindow;
  event.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(XInternAtom(d, "WM_DELETE_WINDOW", False));
  event.xclient.data.l[1] = CurrentTime;
  XSendEvent(d, xWindow, False, NoEventMask, &event);
  XFlush(d);
}

}  // namespace service_windows
