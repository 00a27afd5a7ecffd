#include "gui/zr_draw_owner.h"

namespace {

thread_local const void* drawOwner = nullptr;

}  // namespace

const void* currentDrawOwner() {
  return drawOwner;
}

ZRDrawOwnerScope::ZRDrawOwnerScope(const void* owner) : previous_(drawOwner) {
  drawOwner = owner;
}

ZRDrawOwnerScope::~ZRDrawOwnerScope() {
  drawOwner = previous_;
}
