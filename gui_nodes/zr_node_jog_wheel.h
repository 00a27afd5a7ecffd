#pragma once
// ZRNodeJogWheel: the skin control of the element tag "wheel" (element type 16; one per deck): a turning
// platter drawn from the skin image, optionally with the loaded track's cover in its centre, that turns a
// circular drag of the mouse into a scratch movement in frames at 44100 Hz. The GUI tick sets the platter
// angle from the deck position every frame.
//
// Threads: updatePos, setArtworkImage, clearArtworkImage and drawing run on the render thread; input runs
// on the main thread. The angles and rpm are atomics; the cover is held by ZRNodeArtwork under its lock.

#include <atomic>

#include "gui/zr_draw_node.h"
#include "gui_nodes/zr_node_artwork.h"

class ZRNodeJogWheel : public ZRArtworkNode {
 public:
  // Action slots of ZRActionCallback shape: left press and release, called with -1.
  enum Slot : int { SlotPress = 0, SlotRelease, SlotCount };

  ZRNodeJogWheel(ZRNodeManager* manager, float scale, int id, int deck);

  // Pointer moves while the left button holds the wheel: (frames moved, x, y, button, actionCode, deck,
  // node); a clockwise drag gives positive frames.
  void setMoveSlot(ZRPointerActionCallback fn) { moveSlot_ = fn; }

  // Base attributes, then positions, transparentwheelx/y, defimgx/y, showartwork, spinartwork, clipartwork,
  // clipartworksize; a node with artwork decodes it again at the new size.
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // The platter angle for a play position in seconds; 33 stands for 33 1/3 rpm. Keeps rpm for drags.
  void updatePos(double seconds, int rpm);

  // Degrees; controller scripts read it as the deck's jog wheel angle.
  std::atomic<double> angle{0};

 private:
  // Seconds of audio for d degrees of turn at the kept rpm.
  double secondsForDegrees(double degrees) const;

  std::atomic<double> pointerAngle_{0};
  std::atomic<int> rpm_{33};
  int positions_ = -1;
  float wheelX_ = 0, wheelY_ = 0;
  float defaultImageX_ = -1, defaultImageY_ = -1;
  bool showArtwork_ = false, spinArtwork_ = false, clipArtwork_ = false;
  float clipArtworkSize_ = 1;
  bool maskDirty_ = true;
  ZRPointerActionCallback moveSlot_ = nullptr;
};
