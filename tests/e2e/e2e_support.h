#pragma once
// The end-to-end test's hands and eyes: a display of its own (Xvfb), programs started and awaited with a
// time bound, real input through xdotool, windows found and measured with xdotool and xwininfo, and
// screenshots through xwd. Every wait here has a deadline.

#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "xwd_image.h"

namespace orvel_e2e {

// A private X server (Xvfb with its own display number, chosen by the server); stopped with the object.
class PrivateDisplay {
 public:
  PrivateDisplay(int width, int height);
  ~PrivateDisplay();
  PrivateDisplay(const PrivateDisplay&) = delete;
  PrivateDisplay& operator=(const PrivateDisplay&) = delete;
  bool ok() const { return !name_.empty(); }
  const std::string& name() const { return name_; }  // ":N"
  int width() const { return width_; }
  int height() const { return height_; }

 private:
  pid_t pid_ = -1;
  std::string name_;
  int width_, height_;
};

// The environment of a program started here: this process's, with these variables set ("" removes one).
using EnvChanges = std::map<std::string, std::string>;

// Starts argv[0] (a path) with its output appended to logPath; -1 when it cannot start.
pid_t startProgram(const std::vector<std::string>& argv, const EnvChanges& env, const std::string& logPath);
// The exit status (as waitpid gives it) once the program ended, or nothing after timeoutMs.
std::optional<int> waitForExit(pid_t pid, int timeoutMs);
// SIGKILL and reaping, for a program that overran its bound.
void killProgram(pid_t pid);
// Runs a program to its end (at most timeoutMs, then killed): its exit code (-1 when it did not end or
// start), its standard output in out.
int runProgram(const std::vector<std::string>& argv, const EnvChanges& env, int timeoutMs, std::string* out);
// The path of a program on PATH, "" when there is none.
std::string findOnPath(const std::string& name);

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
  int centerX() const { return x + width / 2; }
  int centerY() const { return y + height / 2; }
};

// Input and windows on one display, through xdotool and xwininfo.
class Desktop {
 public:
  explicit Desktop(std::string display) : display_(std::move(display)) {}
  // The visible top-level windows whose name matches the regular expression.
  std::vector<unsigned long> findWindows(const std::string& namePattern) const;
  // A window's absolute position and size.
  std::optional<Rect> geometry(unsigned long window) const;
  // The first visible window named namePattern that is at least minWidth x minHeight, waiting at most
  // timeoutMs for it.
  std::optional<unsigned long> waitForWindow(const std::string& namePattern, int minWidth, int minHeight,
                                             int timeoutMs) const;
  void moveWindow(unsigned long window, int x, int y) const;
  void moveTo(int x, int y) const;
  void click(int x, int y) const;
  // Presses at (x0, y0), moves to (x1, y1) in steps, releases.
  void drag(int x0, int y0, int x1, int y1) const;
  // A key by its X name ("Return", "Down", "Tab").
  void key(const std::string& name) const;
  // Types text as key presses.
  void type(const std::string& text) const;
  // The whole screen through xwd; false with the reason in error.
  bool screenshot(const std::string& xwdPath, RgbImage& image, std::string* error) const;

 private:
  bool xdotool(const std::vector<std::string>& args, std::string* out = nullptr) const;
  std::string display_;
};

// Pixels of image inside rect (clipped) bright enough to be text drawn in a light colour on the skin's
// dark ground (every channel above 170).
int brightPixels(const RgbImage& image, const Rect& rect);
// Pixels of image inside rect that are a mid grey (every channel between low and high, the channels
// within 12 of each other): white drawn half transparent over black.
int greyPixels(const RgbImage& image, const Rect& rect, int low, int high);
// The number of different colours inside rect (a blank window has one).
int distinctColours(const RgbImage& image, const Rect& rect);

// The rectangles skin_rects printed: nodes by "action deck", tables' rows, and the browser's way.
struct SkinLayout {
  int optimalWidth = 0, optimalHeight = 0;
  std::map<std::string, Rect> nodes;                      // "crossfader -1", "deck_load 0", ...
  std::map<std::string, std::pair<double, double>> rows;  // table -> (first row's top, row height)
  int browseClickX = -1, browseClickY = -1;
  std::vector<std::string> browseKeys;

  // A node's rectangle; fails the calling test when it is missing.
  Rect node(const std::string& action, int deck) const;
  bool parse(const std::string& text, std::string* error);
};

std::string readText(const std::string& path);
bool writeText(const std::string& path, const std::string& text);
void sleepMs(int ms);

}  // namespace orvel_e2e
