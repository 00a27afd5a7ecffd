#pragma once
// ZRNodeVUMeter: the skin control of the element tag "vumeter" (element type 11): a bar meter for levels in
// dB on its own non-linear scale, with attack and release ballistics and a held peak, or a plain fraction
// meter (CPU, battery). The lit part is the node's normal picture; the unlit meter is the picture under it.
//
// The meter's scale has one entry per point of its length, sized from the skin (at most kMaxLength
// points). Meters of any length, down to none, give defined values: the table's steps never divide by a
// zero count.
//
// Threads: the GUI tick feeds it and controller scripts read it on the render thread, which draws it; a
// skin load reconfigures it on the main thread. The table and the levels sit behind the meter's own lock.

#include <memory>
#include <mutex>
#include <vector>

#include "gui/zr_draw_node.h"

class ZRHighPrecisionTimeCounter;

class ZRNodeVUMeter : public ZRDrawNode {
 public:
  static constexpr int kMaxLength = 16384;

  ZRNodeVUMeter(ZRNodeManager* manager, float scale, int id, int deck);
  ~ZRNodeVUMeter() override;

  // Base attributes, then reversed, peakdisabled, granularity (at least 1), offsetbegin and offsetend (at
  // least 0); the scale is rebuilt and the peak shown again unless disabled.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;

  // A new level in dB with ballistics, timed by the meter's stopwatch; the level now shown, in dB.
  float setValueDB(float dB);
  // The same with the time since the previous update given (seconds).
  float setValueDBAfter(float dB, double seconds);
  // Shows fraction x length directly, without ballistics, and hides the peak.
  void setValue(float fraction);
  // The level the last setValueDB returned (-90 before the first).
  float getValueDB() const;
  // Rebuilds the length and the scale from the node size and the offsets.
  void cache_dBLevels();

  int getLength() const;
  // The scale's value of a point of the meter (0 outside it).
  float getLevelAt(int point) const;
  float getCurrentPixel() const;
  float getPeakPixel() const;
  float getTargetPixel() const;

 private:
  void rebuild();  // lock held

  mutable std::mutex lock_;
  int length_ = 0;
  int offsetBegin_ = 0, offsetEnd_ = 0;
  bool peakShown_ = true;
  bool peakDisabled_ = false;
  bool reversed_ = false;
  float granularity_ = 1;
  std::vector<float> levels_;
  float lastDB_ = -90;
  float target_ = 0, current_ = 0, peak_ = 0;
  float peakHold_ = -1;
  std::unique_ptr<ZRHighPrecisionTimeCounter> stopwatch_;
};
