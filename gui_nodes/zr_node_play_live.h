#pragma once
// ZRNodePlayLive: the skin control of the element tag "playlive" (element type 15; a deck's play button): a
// round play button with a ring of 64 ticks. While the deck plays, half the ring shows a colour trail and
// the ring turns half a revolution per second in whole tick steps; a press lights the pressed picture,
// which fades out over half a second after the release. Learnable, with one keyboard and one MIDI shortcut.
//
// Threads: updateState and drawing run on the render thread; mouse and keyboard shortcuts on the main
// thread, MIDI shortcuts on the render thread. The playing state is atomic; the ring and glow timers are
// the render thread's.

#include <atomic>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"

class ZRNodePlayLive : public ZRDrawNode {
 public:
  // Action slots, each called with -1.
  enum Slot : int {
    SlotPress = 0,
    SlotRelease,
    SlotRightPress,
    SlotRightRelease,
    SlotDoubleClick,
    SlotCount
  };
  static constexpr int kTicks = 64;
  static constexpr int kTrailTicks = 32;
  static constexpr double kTickStep = 360.0 / kTicks;

  ZRNodePlayLive(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then radius, cursorsize, cursorcolor, trailcursorcolor (the trail's 32 colours run from
  // it towards the cursor colour); the ring restarts.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // Whether the deck plays; a change restarts the ring at 0 and redraws it.
  void updateState(bool playing);
  bool isPlaying() const { return playing_.load(); }
  // Render thread, for tests: the ring's angle, the angle it is drawn at, and the pressed picture's alpha.
  double getRingAngle() const { return ringAngle_; }
  double getDrawnRingAngle() const;
  float getGlowAlpha() const;

 private:
  std::atomic<bool> playing_{false};
  std::atomic<bool> redraw_{true};
  double glowTimer_ = -1;
  double ringAngle_ = 0;
  float radius_ = 0;
  float cursorSize_ = 0;
  ZRColorFloat cursorColor_;
  ZRColorFloat trailColor_;
  ZRColorFloat trailColors_[kTrailTicks];
};
