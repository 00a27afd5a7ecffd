#pragma once
// For toolkit tests: run the toolkit's events until a condition holds (bounded), find a dialog's control,
// click the middle of a window with real input, and read a pixel of an X window as the X server shows it.

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <wx/app.h>
#include <wx/uiaction.h>
#include <wx/utils.h>
#include <wx/window.h>

#include <chrono>
#include <functional>
#include <thread>

namespace orvel_test {

// Runs the toolkit's events until done() or timeoutMs passed; done()'s last answer.
inline bool pumpToolkitUntil(const std::function<bool()>& done, int timeoutMs) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return done();
    wxTheApp->ProcessPendingEvents();
    wxYield();
    wxTheApp->ProcessIdle();
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

// The control of dialog with that id and type; null when there is none.
template <typename T>
T* findControl(wxWindow* dialog, int id) {
  return dialog != nullptr ? dynamic_cast<T*>(dialog->FindWindow(id)) : nullptr;
}

// A real click in the middle of window (the pointer moves there first and the toolkit sees it arrive).
inline void clickMiddle(wxWindow* window) {
  wxUIActionSimulator input;
  input.MouseMove(window->GetScreenRect().GetPosition() + window->GetScreenRect().GetSize() / 2);
  pumpToolkitUntil([] { return false; }, 20);
  input.MouseClick();
}

// The colour (0xRRGGBB) of pixel (x, y) of xWindow; ~0 when it cannot be read.
inline unsigned long xWindowPixel(Display* display, unsigned long xWindow, int x, int y) {
  XImage* image = XGetImage(display, xWindow, x, y, 1, 1, AllPlanes, ZPixmap);
  if (image == nullptr) return ~0ul;
  const unsigned long pixel = XGetPixel(image, 0, 0);
  auto channel = [&](unsigned long mask) {
    if (mask == 0) return 0ul;
    int shift = 0;
    while (((mask >> shift) & 1ul) == 0) ++shift;
    return ((pixel & mask) >> shift) * 255ul / (mask >> shift);
  };
  const unsigned long colour =
      channel(image->red_mask) << 16 | channel(image->green_mask) << 8 | channel(image->blue_mask);
  XDestroyImage(image);
  return colour;
}

}  // namespace orvel_test
