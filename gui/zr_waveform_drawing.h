#pragma once
// Waveform drawing: the scrolling deck waveform (one layer per frequency band, drawn around the play
// position, with cue, loop and play-cursor markers) and the whole-track overview, drawn into drawing
// contexts. The owning nodes fill the display state and call these functions on the render thread while
// holding the deck's display lock (the values are the deck's display arrays, one value per 100 frames).
// Coordinates are skin points of the display; a vertical display runs its time axis downwards.

#include "gui/zr_draw_context.h"

struct ZRWaveformColor {
  float r = 1, g = 1, b = 1, a = 1;
};

// One scrolling display layer; resetWaveformPrivateData gives the values noted.
struct ZRWaveformPrivateData {
  int width = 100;  // display size in points
  int height = 100;
  int x = 0;  // carried for the owner
  int y = 0;
  bool vertical = false;
  float* data = nullptr;        // the layer's display values
  float* secondData = nullptr;  // carried for the owner, not read here
  float* thirdData = nullptr;
  int length = 0;    // values in data
  int position = 0;  // play position in display points; a draw replaces it with the window's aligned start
  float gain = 1.0f;
  double speed = 1.0;  // display points per column per zoom unit (the deck's absolute playback speed)
  int zoom = 3;        // below 2 counts as 1
  int cursorColumn = 1;
  int mode = 0;  // 1 bottom, 2 top, anything else centred
  int cuePosition = 0;
  int loopIn = 0;
  int loopOut = 0;
  int looping = 0;
  int loopStartPending = 0;
  int cursorHidden = 0;
  ZRWaveformColor dataColor;
  ZRWaveformColor cueColor;
  ZRWaveformColor loopColor;
  ZRWaveformColor cursorColor;
  // Results of the last draw, read by the markers.
  double drawnStart = 0;
  int drawnStartInt = 0;
  double drawnRemainder = 0;
  double drawnSpeed = 1.0;
  int lastColumn = 0;
  float previousValue = -1.0f;
  int previousLength = 0;
};

void resetWaveformPrivateData(ZRWaveformPrivateData* d);

// Draws one layer of the scrolling waveform. A speed of 0 or less (or not a number) is drawn as 1.
void updateWaveformDisplay(ZRDrawContext* dc, ZRWaveformPrivateData* d);
// Draws the cue, loop and cursor markers of the last updateWaveformDisplay over it.
void updateWaveformDisplayExtras(ZRDrawContext* dc, ZRWaveformPrivateData* d);
// Clears the context and draws a whole-track overview of count peaks; displays wider than high go to
// updateWholeWaveformDisplayTestMac. Displays shorter than 3 points along the time axis draw nothing.
void updateWholeWaveformDisplay(ZRDrawContext* dc, int width, int height, const float* peaks, int count,
                                float r, float g, float b, float a, float gain);
void updateWholeWaveformDisplayTestMac(ZRDrawContext* dc, int width, int height, const float* peaks,
                                       int count, float r, float g, float b, float a, float gain);

// A line as given, or with x and y exchanged (for a display whose time axis runs downwards).
void DrawDataLineH_Quartz(ZRDrawContext* dc, int x1, int y1, int x2, int y2);
void DrawDataLineV_Quartz(ZRDrawContext* dc, int x1, int y1, int x2, int y2);

// The drawing front that turns a horizontal drawing into a vertical one.
class ZRAdaptiveDrawingContext {
 public:
  ZRAdaptiveDrawingContext(ZRDrawContext* dc, float x, float y, float width, float height, bool vertical)
      : dc_(dc), x_(x), y_(y), width_(width), height_(height), vertical_(vertical) {}
  void setColor(float r, float g, float b, float a);
  void setPenWidth(float width);
  // Adds a line to the context's path, with x and y exchanged in both points when vertical.
  void addBulkLine(float x1, float y1, float x2, float y2);
  // Waveforms are always drawn into drawing contexts.
  bool isUsingDrawContext() const { return true; }
  ZRDrawContext* context() const { return dc_; }

 private:
  ZRDrawContext* dc_;
  float x_, y_, width_, height_;
  bool vertical_;
  ZRWaveformColor color_;
  float penWidth_ = 1;
};
