#pragma once
// The deck waveform displays.
//
// ZRNodeSoundDisplay (element tag "sounddisplay", element type 12; actions "sd_deck" and "sd_deck_alt", one
// each per deck): the scrolling deck waveform, a window of the loaded track around the play position drawn
// from the deck's display data in three frequency layers (full band, low band, high band), with the cue
// marker, loop brackets and play cursor, a zoom, and an end-of-track warning that flashes the waveform
// colour during the last 30 seconds. Horizontal or vertical by its shape. Dragging on it scratches the deck
// (the pointer slots).
//
// ZRNodeWaveform (element tag "waveform", element type 23; action "deck_waveform"): a whole-track overview
// drawn from a peak array in one colour. Nothing hands it data in this system, so it shows only its children.
//
// Slots (0-based): 0 press, 1 release, 2 right press, 3 right release (action slots, value -1); the pointer
// slots drag move, drag start and MIDI are set with setPointerSlot.
//
// Threads: render runs on the render thread and reads the deck's display data only while it holds the
// deck's display lock (the deck's decoding thread writes the arrays under it). Input runs on the main
// thread. setZoom and setCSoundSource are plain stores the render thread reads (atomics).

#include <atomic>
#include <memory>
#include <vector>

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_waveform_drawing.h"

class CSoundSource;

// One frame of a deck's display data, read under the deck's display lock. Positions and lengths in frames.
struct ZRDeckDisplayFrame {
  const float* full = nullptr;  // one value per 100 frames; null without a track
  const float* low = nullptr;   // may be absent
  const float* high = nullptr;  // may be absent
  int points = 0;               // values in each array
  float gain = 1;
  int position = 0;
  int length = 0;
  int cue = 0;
  bool looping = false;
  bool loopStartPending = false;
  int loopIn = 0;
  int loopOut = 0;
  double speed = 1;  // absolute playback speed (the one before a pitch bend while bending)
};

// Where a display reads its deck from: the deck player itself (setCSoundSource) or, in tests, a source of
// their own.
class ZRDeckDisplaySource {
 public:
  virtual ~ZRDeckDisplaySource() = default;
  // Takes the display lock and fills the frame; endRead releases it.
  virtual void beginRead(ZRDeckDisplayFrame& frame) = 0;
  virtual void endRead() = 0;
};

class ZRNodeSoundDisplay : public ZRDrawNode {
 public:
  static constexpr int kSlotPress = 0;
  static constexpr int kSlotRelease = 1;
  static constexpr int kSlotRightPress = 2;
  static constexpr int kSlotRightRelease = 3;
  enum PointerSlot : int { kPointerDragMove = 0, kPointerDragStart = 1, kPointerMidi = 2 };
  // The end-of-track warning starts at this many display points left (about 30 s) and flips every 0.33 s.
  static constexpr int kWarningPoints = 13229;
  static constexpr float kFlashPeriod = 0.33f;

  ZRNodeSoundDisplay(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck,
                     int actionCode);
  ~ZRNodeSoundDisplay() override;

  void refreshCoordinates(ZRParameterList* attributes) override;
  // The constraint layout sizes the display after the skin did (under the tree lock): the layers follow.
  void changeSize(float width, float height) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;
  // Every drop is accepted; the deck loader installed as the user drop handler decides.
  bool dropCallback(ZRDragDropPayload payload, float x, float y, bool testOnly) override;

  // The deck to show from the next frame on (null: nothing).
  void setCSoundSource(CSoundSource* deck);
  // A display source of the caller's (tests); it replaces the deck. Not owned.
  void setDisplaySource(ZRDeckDisplaySource* source);
  void setZoom(int zoom);
  int getZoom() const { return zoom_.load(); }
  void setPointerSlot(int slot, ZRPointerActionCallback fn);

  // State for the GUI tick (the markers of the position slider use these colours) and tests.
  ZRColorFloat dataColor, loopColor, cueColor, cursorColor, dataFlashColor, dataColor1, dataColor2,
      dataColor3;
  bool isVertical() const { return layers_[0].vertical; }
  int getCursorColumn() const { return layers_[0].cursorColumn; }
  int getDrawMode() const { return drawMode_; }
  bool isFlashing() const { return flashTimer_ >= 0; }
  ZRWaveformColor getLayerColor(int layer) const { return layers_[layer].dataColor; }
  int getRedrawCount() const { return redraws_; }
  // Which layers the last redraw drew (bit per layer).
  int getLastDrawnLayers() const { return lastDrawnLayers_; }

 private:
  void updateFlash(int rawLength, int lengthPoints, int positionPoints, float dt);
  // Shape, size and cursor column of every layer from the node's current size (the skin gives a size
  // that the layout may replace).
  void updateLayerGeometry();

  std::vector<std::unique_ptr<ZRDeckDisplaySource>> deckSources_;  // one per deck ever shown (main thread)
  std::atomic<ZRDeckDisplaySource*> source_{nullptr};
  std::atomic<int> zoom_{3};
  ZRPointerActionCallback pointerSlots_[3] = {nullptr, nullptr, nullptr};
  ZRWaveformPrivateData layers_[3];
  int drawMode_ = -1;
  int skinCursor_ = -1;  // the skin's "cursorpos" (-1: a third of the display)
  int redraw_ = 1;
  int unchangedFrames_ = 0;
  int lastPosition_ = -1, lastLength_ = -1, lastCue_ = -1;
  float flashTimer_ = -1;
  bool flashPhase_ = false;
  int redraws_ = 0;
  int lastDrawnLayers_ = 0;
};

class ZRNodeWaveform : public ZRDrawNode {
 public:
  ZRNodeWaveform(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck, int actionCode);

  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;
  void setMoveSlot(ZRPointerActionCallback fn) { moveSlot_ = fn; }

  ZRColorFloat dataColor;

 private:
  ZRPointerActionCallback moveSlot_ = nullptr;
  bool dirty_ = true;
  const float* peaks_ = nullptr;  // not owned; nothing sets it in this system
  int peakCount_ = 0;
  float gain_ = 1;
};

// Registers the sound display (element type 12) and the overview (element type 23).
void registerWaveformDisplayClasses();
