#pragma once
// What the service windows' tests share: the toolkit started once with HOME (and the XDG folders the
// web view writes to) in a temporary folder, an event pump with a bound, and the X server seen from a
// connection of the test's own - a top-level window found by its title, a pixel of the screen, a real
// click (XTest) and the close request a window manager sends when the user clicks a close box.

#include <functional>
#include <string>

namespace service_windows {

// True when the toolkit runs (false: no display).
bool ensureToolkit();
// The temporary home of this test program.
const std::string& homeFolder();
// Runs the toolkit's events until done() or timeoutMs passed; done()'s last answer.
bool pumpUntil(const std::function<bool()>& done, int timeoutMs);
void pumpFor(int milliseconds);

// The top-level X window whose name is title; 0 when none is mapped.
unsigned long findWindowByTitle(const std::string& title);
// The colour (0xRRGGBB) of screen pixel (x, y); ~0 when it cannot be read.
unsigned long screenPixel(int x, int y);
// Moves the pointer to screen (x, y) and clicks the left button.
void clickAt(int x, int y);
// Asks xWindow to close as a window manager does (WM_DELETE_WINDOW).
void requestClose(unsigned long xWindow);

}  // namespace service_windows
