#include "gui_nodes/zr_node_video.h"

#include "common/zr_texture.h"
#include "gui_nodes/zr_node_back_solid.h"

ZRNodeVideo::ZRNodeVideo(ZRNodeManager* manager, float scale, int id, int deck)
    : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {
  setActionSlotCount(SlotCount);
}

void ZRNodeVideo::setTexture(const std::shared_ptr<ZRTexture>& texture, bool flip) {
  std::lock_guard guard(lock_);
  texture_ = texture;
  flip_ = flip;
}

std::shared_ptr<ZRTexture> ZRNodeVideo::getTexture() const {
  std::lock_guard guard(lock_);
  return texture_.lock();
}

bool ZRNodeVideo::executeAction(int code, int, float x, float y, int button, int, int, int, int, int, wchar_t,
                                int) {
  return plainRectangleInput(*this, moveSlot_, code, x, y, button);
}

void ZRNodeVideo::render(double dt, float x, float y) {
  if (shown) {
    std::shared_ptr<ZRTexture> picture;
    bool flip;
    {
      std::lock_guard guard(lock_);
      picture = texture_.lock();
      flip = flip_;
    }
    if (picture && picture->getWidth() > 0 && picture->getHeight() > 0) {
      const float s = picture->getScale() > 0 ? picture->getScale() : 1;
      picture->drawRectInRect(0, 0, static_cast<float>(picture->getWidth()) / s,
                              static_cast<float>(picture->getHeight()) / s, x, y, width, height, 1, false,
                              flip);
    }
  }
  ZRDrawNode::render(dt, x, y);
}
