#pragma once
// ZRNodeSliderKnob: the skin control of the element tag "slider" (element type 2): an integer position in
// a range, shown as a linear slider (horizontal when the node is wider than high) or, with "isknob", as a
// rotary knob. Mouse gestures, MIDI messages, keyboard shortcuts and controller-script moves change the
// position and call the action slots; the GUI tick and the user actions write engine values back through
// SetPos without notification. A slider can show a whole-track data row and the deck's track markers
// behind its cursor, and can act as a set of button slots (button emulation).
//
// The value (what the slots receive and GetPos returns) is min + max - internal position when reversed,
// else the internal position; the cursor is placed by the internal position.
//
// Threads: mouse events run on the main thread; MIDI, controller-script moves, the GUI tick's setters and
// drawing run on the render thread. The position, range and cursor geometry sit behind the node's own
// lock (slots are called outside it, on the thread of the event); the data row and the markers are copied
// in under their lock, so the caller's arrays may change or go away right after the call.

#include <mutex>
#include <vector>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"

struct TTrackMarker;
class ZRDrawContext;
class ZRTexture;

class ZRNodeSliderKnob : public ZRDrawNode {
 public:
  // Action slots, in this order. Change, value and released get the value; the button slots get -1.
  enum Slot : int {
    SlotChange = 0,  // every position change, notified or not
    SlotValue,       // user gestures, MIDI, shortcuts, resets, restores and SetPos with notification
    SlotReleased,    // left release (not in button emulation)
    SlotButtonPress,
    SlotButtonRelease,
    SlotButtonRightPress,
    SlotButtonRightRelease,
    SlotButtonDoubleClick,
    SlotCount
  };

  // One marker as the slider keeps it (a copy of the deck's list).
  struct Marker {
    ZRString label;
    float r = 1, g = 1, b = 1, a = 1;
    float position = 0;  // 0..1 along the track
    int penWidth = 1;
    int kind = 0;
  };

  // Two keyboard shortcut slots (the first steps down, the second up), one MIDI slot, learnable, double
  // clicks detected.
  ZRNodeSliderKnob(ZRNodeManager* manager, float scale, int id, int deck);
  ~ZRNodeSliderKnob() override;

  // Base attributes, then the slider's (datacolor, cursor size and pictures, reversed, the fill modes,
  // isknob) and, for a knob, the knob's (rotation, radius, cursorsize, useline, linewidth, cursor colours,
  // progress mask, innerradius); the value is applied again (kept) and everything is drawn again.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  // Also frees the knob's progress mask and the marker strip.
  void destroyTexture() override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // Clamps the value into the range. A knob always takes it; a slider only while the user does not hold it
  // with a mouse button (unless it emulates buttons or a double-click reset runs). Calls change, and with
  // notify value.
  void SetPos(int value, bool notify);
  int GetPos() const;
  void SetMin(int min);
  void SetMax(int max);
  // Both bounds at once, the position clamped into them (one change slot call, no notification).
  void setRange(int min, int max) { setBounds(min, max); }
  void setMinMaxPos(int min, int max, int value, bool notify);
  int getMin() const;
  int getMax() const;
  void setResetOnDoubleClick(bool enabled, int value);
  void setEmulateButton(bool on);
  // Copies count values of a whole-track data row (drawn behind the cursor) with its scale.
  void updateData(const float* values, int count, float scale);
  // Copies the markers (label, colour, position, pen width, kind); null or count <= 0 clears them.
  void updateMarkersDisplayData(const TTrackMarker* markers, int count);
  // The slider positioning step: places the cursor for an internal position and calls change (and with
  // notify value). With max = min the position is max and nothing is called.
  void FSetPosition(int internalPosition, bool notify);

  bool isKnob() const { return knob_; }
  bool isHorizontal() const { return horizontal_; }
  // The cursor's offset along the track (pixels from the left, or from the top for a vertical slider).
  int getCursorOffset() const;
  // The knob's angle in degrees, 0..rotation.
  double getAngle() const;
  int getMarkerCount() const;

 private:
  // The position state, read and written under lock_.
  struct State {
    int min = 0, max = 100, internal = 0;
    bool symmetric = false;
    int cursorOffset = 0;
    int grabOffset = 0;
    double angle = 0;
    double angleAtPress = 0;
    float knobPressX = 0, knobPressY = 0;
  };

  // Both bounds, keeping the internal position inside them; applied through SetPos without notification.
  void setBounds(int min, int max);
  int valueOf(const State& s) const { return reversed_ ? s.min + s.max - s.internal : s.internal; }
  int trackLength() const;
  int cursorLength() const;
  // The internal position for a cursor offset (lock held).
  int internalForOffset(const State& s, int offset) const;
  // The slider's mouse step: moves the cursor under the pointer and calls change and value.
  void mouseMoveTo(float coordinate, bool press);
  void knobMoveTo(float x, float y);
  void notify(int value, bool withValueSlot);
  void midiEvent(int kind, int data);
  void shortcut(int key);
  bool isHeld() const { return buttonDown[ZRButtonLeft] || buttonDown[ZRButtonRight]; }
  void renderSlider(float x, float y, const State& s);
  void renderKnob(float x, float y, const State& s);
  void renderMarkers(float x, float y);
  bool centredFill(const State& s) const;

  mutable std::mutex lock_;
  State state_;
  bool reversed_ = false;
  bool knob_ = false;
  bool horizontal_ = true;
  bool selForceSymmetric_ = false;
  bool selForceNotSymmetric_ = false;
  bool emulateButton_ = false;
  bool resetOnDoubleClick_ = true;
  int resetValue_ = 0;
  bool resetRunning_ = false;
  int savedValue_ = 0;

  int cursorWidth_ = -1, cursorHeight_ = -1;
  int cursorUpX_ = -1, cursorUpY_ = -1, cursorOverX_ = -1, cursorOverY_ = -1;

  float rotation_ = 270;
  float radius_ = -1;
  int knobCursorSize_ = -1;
  bool useLine_ = false;
  float lineWidth_ = 1;
  ZRColorFloat cursorColor_;
  ZRColorFloat focusedCursorColor_;
  float progressMaskX_ = -1, progressMaskY_ = -1;
  float innerRadius_ = -1;
  double lastDrawnAngle_ = -1;  // render thread; -1 forces a redraw
  bool redrawKnob_ = true;      // set by events that change the pointer's colour

  mutable std::mutex dataLock_;
  std::vector<float> data_;
  float dataScale_ = 1;
  bool dataDirty_ = false;
  ZRColorFloat dataColor_;
  std::vector<Marker> markers_;
  bool markersDirty_ = false;

  std::unique_ptr<ZRDrawContext> maskContext_;
  std::unique_ptr<ZRTexture> maskTexture_;
  std::unique_ptr<ZRDrawContext> markerContext_;
  std::unique_ptr<ZRTexture> markerTexture_;
};
