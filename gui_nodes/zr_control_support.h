#pragma once
// Small pieces the skin controls share: a text that two threads set and the render thread draws, work a
// control (or an action slot it calls) hands to the main thread, and drawing parts of the skin image.

#include <functional>
#include <memory>
#include <mutex>

#include "common/zr_string.h"
#include "common/zr_value_codecs.h"

class ZRDrawContext;
class ZRDrawNode;
class ZRNodeManager;
class ZRParameterList;
class ZRTexture;

// The class registered for an element type: a control constructed with (manager, scale, id, deck).
template <class Control>
ZRDrawNode* createControl(ZRNodeManager* manager, float scale, int id, int deck) {
  return new Control(manager, scale, id, deck);
}

// How the controls that draw a text read their look from the skin: transparent, backcolor, fontcolor
// (opaque black), fontname ("Arial"), fontsize (12), fontalign and fontstyle (-1, plain).
struct ZRCaptionStyle {
  bool transparent = false;
  ZRColorFloat backColor;
  ZRColorFloat fontColor;
  ZRString fontName{"Arial"};
  float fontSize = 12;
  textAlign fontAlign = textAlignInvalid;
  textStyle fontStyle = textStyleInvalid;

  void read(ZRParameterList& attributes, textAlign defaultAlign);
  // Clears the context, then fills (0, 0, width, height) with the back colour unless transparent.
  void clearBackground(ZRDrawContext& context, float width, float height) const;
};

// MIDI message kinds (the status byte without its channel) as node events carry them.
enum ZRMidiKind : int {
  ZRMidiNoteOff = 128,
  ZRMidiNoteOn = 144,
  ZRMidiControlChange = 176,
  ZRMidiPitchBend = 224
};

// What a MIDI message does to a button-like control: a note on with a velocity presses it, a note off (or a
// note on with velocity 0) releases it, a control change of any value presses and releases it.
enum class ZRMidiButtonGesture { None, Press, Release, PressAndRelease };
ZRMidiButtonGesture midiButtonGesture(int kind, int velocity);

// A caption or label set from the main thread (user actions, setting reactions) and from the render
// thread (the GUI tick, controller scripts), and read by the render thread to draw it. Every access takes
// the holder's own small lock, so neither side ever sees half a text.
class ZRGuardedText {
 public:
  // Stores the text and marks it dirty when it differs from the current one (unit by unit); true when it
  // changed.
  bool set(const ZRString& text);
  ZRString get() const;
  void markDirty();
  // The text, and whether it was dirty (the flag is cleared).
  ZRString take(bool& wasDirty);

 private:
  mutable std::mutex lock_;
  ZRString text_;
  bool dirty_ = true;
};

// Whether the caller runs on the toolkit's main thread. Without a running toolkit application (tools and
// tests that have none) every thread counts as the main thread.
bool isOnMainThread();

// Runs fn on the main thread: at once when called there, else posted to the toolkit's event loop
// (CallAfter). A posted call is dropped when owner has expired by the time it would run, so a node passes
// a token it holds for its whole life. MIDI, controller scripts and the GUI tick run controls (and the
// action slots they call) on the render thread: every toolkit call made from there goes through here.
void runOnMainThread(const std::weak_ptr<void>& owner, std::function<void()> fn);

// A token a node keeps while it lives; work posted with it does not outlive the node.
class ZRLifeToken {
 public:
  std::weak_ptr<void> watch() const { return token_; }

 private:
  std::shared_ptr<int> token_ = std::make_shared<int>(0);
};

// The skin image part (sx, sy) of w x h points drawn at (x, y) at its own size, unless the part's corner is
// the drawing position itself (the skin's background picture already shows it there).
void drawSkinPartUnlessInPlace(ZRDrawNode& node, float sx, float sy, float w, float h, float x, float y);
// The skin image part texture holding skin row maskY (a mask picture) and the row inside that part; null
// when the row lies outside the image or the part has no texture yet.
ZRTexture* skinImagePartAt(ZRDrawNode& node, float maskY, float& rowInPart);
// The node's own texture drawn whole (the picture last uploaded, in points) at (x, y) at its own size;
// nothing without a texture.
void drawNodeTexture(ZRDrawNode& node, float x, float y);
// A coordinate of a pointer slot: node points truncated to an integer.
int pointerCoordinate(float value);
