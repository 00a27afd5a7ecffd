#pragma once
// The beat indicators: ZRNodeBeatPos (element tag "beatpos", element type 17), four beat elements of which
// the current beat of the bar is lit; ZRNodeBeatDiff (tag "beatdiff", type 18), a bar growing left or right
// from the centre by the beat phase difference; ZRNodeSequencerPos (tag "seqpos", type 21), a strip of
// cells the user switches on and off (a skin-script element only). Each reveals parts of the skin image.
//
// Threads: the GUI tick writes the values on the render thread, which draws; input comes from the main
// thread. The values and cell states are atomics.

#include <array>
#include <atomic>

#include "gui/zr_draw_node.h"

// What the beat position and the beat difference share: the lit picture (attributes "onx", "ony", default
// the normal picture) and two slots, left press and release, called with -1 (nothing handled while hidden).
class ZRNodeBeatIndicator : public ZRDrawNode {
 public:
  enum Slot : int { SlotPress = 0, SlotRelease, SlotCount };

  ZRNodeBeatIndicator(ZRNodeManager* manager, float scale, int id, int deck);
  void refreshCoordinates(ZRParameterList* attributes) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

 protected:
  float onX_ = 0, onY_ = 0;
};

class ZRNodeBeatPos : public ZRNodeBeatIndicator {
 public:
  using ZRNodeBeatIndicator::ZRNodeBeatIndicator;

  // Indicator attributes, then elementwidth (default a quarter of the longer side, at least 2) and
  // firstelementoffset.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;

  // The lit element, 0 to 3; anything else lights none.
  void updatePos(int beat) { beat_.store(beat); }
  int getBeat() const { return beat_.load(); }

 private:
  float elementWidth_ = 2;
  float firstOffset_ = 0;
  std::atomic<int> beat_{-1};
};

class ZRNodeBeatDiff : public ZRNodeBeatIndicator {
 public:
  using ZRNodeBeatIndicator::ZRNodeBeatIndicator;

  void render(double dt, float x, float y) override;

  // -1..1: the signed share of half the width to light (values beyond are held to it); 0 lights nothing.
  void updatePos(float difference);
  float getDifference() const { return difference_.load(); }

 private:
  std::atomic<float> difference_{0};
};

class ZRNodeSequencerPos : public ZRDrawNode {
 public:
  // The most cells a strip has.
  static constexpr int kMaxCells = 256;
  // Action slots: press (the cell index), release (-1).
  enum Slot : int { SlotPress = 0, SlotRelease, SlotCount };

  ZRNodeSequencerPos(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then celloffset, cellwidth and cellheight (default the node's smaller side),
  // cellcursorx/y, cellselectedx/y (default the cursor picture) and totalcells (1..kMaxCells, default 16).
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  int getTotalCells() const { return totalCells_.load(); }
  bool getCell(int index) const;

 private:
  float cellOffset_ = 0;
  float cellWidth_ = 0, cellHeight_ = 0;
  float cursorX_ = 0, cursorY_ = 0;
  float selectedX_ = 0, selectedY_ = 0;
  std::atomic<int> totalCells_{16};
  bool horizontal_ = true;
  // Nothing in the system moves the cursor; it is drawn when set.
  std::atomic<int> cursorCell_{-1};
  std::array<std::atomic<bool>, kMaxCells> cells_{};
};
