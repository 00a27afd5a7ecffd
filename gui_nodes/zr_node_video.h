#pragma once
// ZRNodeVideo: the skin control of the element tag "video" (element type 19; a deck's video picture and
// the video output preview): draws the texture the renderer hands it every frame, stretched into the node.
//
// The node does not own the texture and keeps only a weak reference to it: a texture its owner has freed
// (a deck that closed its video) is simply not drawn, never read after it is gone.
//
// Threads: setTexture and drawing run on the render thread; input on the main thread.

#include <memory>
#include <mutex>

#include "gui/zr_draw_node.h"

class ZRTexture;

class ZRNodeVideo : public ZRDrawNode {
 public:
  // Action slots of ZRActionCallback shape, called with -1.
  enum Slot : int { SlotPress = 0, SlotRelease, SlotRightPress, SlotRightRelease, SlotCount };

  ZRNodeVideo(ZRNodeManager* manager, float scale, int id, int deck);

  void setMoveSlot(ZRPointerActionCallback fn) { moveSlot_ = fn; }

  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // The picture to draw (null: none) and whether to draw it upside down.
  void setTexture(const std::shared_ptr<ZRTexture>& texture, bool flip);
  // The picture while its owner keeps it; null otherwise.
  std::shared_ptr<ZRTexture> getTexture() const;

 private:
  mutable std::mutex lock_;
  std::weak_ptr<ZRTexture> texture_;
  bool flip_ = false;
  ZRPointerActionCallback moveSlot_ = nullptr;
};
