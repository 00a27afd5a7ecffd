#pragma once
// ZRNodeRoundedProgress: the skin control of the element tag "rounded_progress" (element type 14; a deck's
// progress): a ring that lights the played share of the track clockwise from twelve o'clock, cut from the
// selected picture of the skin image by a pie the node draws. A click on the ring reports the clicked share
// in thousandths (the shell turns it into a seek).
//
// Threads: updatePos and drawing run on the render thread, input on the main thread; the share is atomic.

#include <atomic>

#include "gui/zr_draw_node.h"

class ZRNodeRoundedProgress : public ZRDrawNode {
 public:
  // Action slots: press (the clicked share, 0..1000) and release (the share of the last press).
  enum Slot : int { SlotPress = 0, SlotRelease, SlotCount };

  ZRNodeRoundedProgress(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then positions, offsetangle, innerradius; the ring is drawn again.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // The played share, 0..1.
  void updatePos(float share);
  // The lit angle for the share now set (degrees, 0..360).
  float litAngle() const;
  float getLastDrawnAngle() const { return lastDrawnAngle_; }

 private:
  int positions_ = -1;
  float innerRadius_ = -1;
  float offsetAngle_ = 0;
  std::atomic<float> progress_{0};
  std::atomic<bool> redraw_{true};
  std::atomic<int> lastPress_{0};
  float lastDrawnAngle_ = -1;
};
