#include "gui/zr_draw_node.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "common/zr_saturate.h"
#include "common/zr_texture.h"
#include "common/zr_time_counter.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_draw_owner.h"
#include "gui/zr_key_names.h"
#include "gui/zr_node_manager.h"

ZRDrawNode::ZRDrawNode(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck,
                       int actionCode)
    : manager(manager), actionCode(actionCode), id(id), deck(deck), scale(scale) {
  kbKey.fill(-1);
  kbModifiers.fill(0);
  writeName();
  if (parent != nullptr) parent->addChild(this);
}

ZRDrawNode::~ZRDrawNode() {
  for (ZRDrawNode* child : children) {
    if (child->parent == this) child->parent = nullptr;
  }
  children.clear();
  // A node deleted while still in its parent's list would leave a dangling entry there.
  if (parent != nullptr) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
}

void ZRDrawNode::writeName() {
  name = "d" + std::to_string(deck) + "__" + std::to_string(id);
}

// ---- virtual operations
// ------------------------------------------------------------------------------------

void ZRDrawNode::setScale(float newScale, bool applyToChildren) {
  scale = newScale;
  if (texture) texture->setScale(newScale);
  if (!applyToChildren) return;
  for (ZRDrawNode* child : children) child->setScale(newScale, false);
}

void ZRDrawNode::reparent(ZRDrawNode* newParent) {
  if (newParent != nullptr && newParent->isSelfOrAncestor(this)) {
    ZRLOG("error: skin node '%s' cannot be placed inside '%s' (it would contain itself)", name.c_str(),
          newParent->name.c_str());
    return;
  }
  if (parent != nullptr) {
    auto& siblings = parent->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
  }
  parent = nullptr;
  if (newParent != nullptr) newParent->addChild(this);
}

void ZRDrawNode::refreshCoordinates(ZRParameterList* a) {
  if (a == nullptr) return;
  zOrder = a->getInt("zorder", 0);
  skinHidden = a->getBool("hidden", false) ? 1 : 0;
  skinDisabled = a->getBool("disabled", false) ? 1 : 0;

  width = static_cast<float>(a->getInt("width", -1));
  height = static_cast<float>(a->getInt("height", -1));
  x = static_cast<float>(a->getInt("posx", -1));
  y = static_cast<float>(a->getInt("posy", -1));
  const int size = a->getInt("size", -1);
  if (size > 0) width = height = static_cast<float>(size);
  isRelative = a->getBool("isrelative", false);

  float* const states[] = {&upx,  &upy,      &overx,    &overy,    &downx,    &downy, &selx,
                           &sely, &overselx, &oversely, &downselx, &downsely, &maskx, &masky};
  const char* const stateNames[] = {"upx",  "upy",      "overx",    "overy",    "downx",    "downy", "selx",
                                    "sely", "overselx", "oversely", "downselx", "downsely", "maskx", "masky"};
  for (size_t i = 0; i < std::size(states); ++i)
    *states[i] = static_cast<float>(a->getInt(stateNames[i], -1));

  intrinsicWidth = width;
  intrinsicHeight = height;

  if (manager != nullptr && manager->useConstraints) {
    stackAxis = a->getStackAxis("stack_axis", ZRAxisNone);
    if (stackAxis != ZRAxisNone) {
      stackDistribution = a->getStackDistribution("stack_distribution", ZRDistributionFill);
      stackAlignment = a->getStackAlignment("stack_alignment", ZRAlignmentFill);
      stackSpacing = a->getFloat("stack_spacing", 0);
    }
    priorityContentHuggingH = a->getInt("pCHh", getDefaultPriorityContentHuggingH());
    priorityContentHuggingV = a->getInt("pCHv", getDefaultPriorityContentHuggingV());
    priorityCompressionResistanceH = a->getInt("pCRh", getDefaultPriorityCompressionResistanceH());
    priorityCompressionResistanceV = a->getInt("pCRv", getDefaultPriorityCompressionResistanceV());
  }

  // Missing state pictures fall back to the up picture (and the selected ones to the selected picture).
  auto fallback = [](float& value, float from) {
    if (value == -1) value = from;
  };
  fallback(upx, x);
  fallback(upy, y);
  fallback(overx, upx);
  fallback(overy, upy);
  fallback(downx, overx);
  fallback(downy, overy);
  fallback(selx, upx);
  fallback(sely, upy);
  fallback(overselx, selx);
  fallback(oversely, sely);
  fallback(downselx, overselx);
  fallback(downsely, oversely);

  // An empty or absent hint keeps the text the bindings set.
  const ZRString hint = a->getStr("hint", ZRString());
  if (!hint.empty()) setHintText(hint);

  for (int b = 0; b < 3; ++b) {
    buttonDown[b] = 0;
    pressX[b] = pressY[b] = -1;
  }
  dragStarted = false;
  mouseInside = 0;

  enable(!skinDisabled, false);
  show(!skinHidden, false);
}

void ZRDrawNode::show(int state, bool applyToChildren) {
  shown = state;
  if (!applyToChildren) return;
  for (ZRDrawNode* child : children) child->show(state, false);
}

void ZRDrawNode::enable(int state, bool applyToChildren) {
  enabled = state;
  if (!applyToChildren) return;
  for (ZRDrawNode* child : children) child->enable(state, false);
}

void ZRDrawNode::render(double dt, float atX, float atY) {
  contentInvalid = false;
  if (!shown) return;
  for (ZRDrawNode* child : children) {
    float cx = child->x, cy = child->y;
    if (child->isRelative) {
      cx += atX;
      cy += atY;
    }
    ZRDrawOwnerScope owner(child);
    child->render(dt, cx, cy);
  }
}

void ZRDrawNode::destroyTexture() {
  texture.reset();
  contentInvalid = true;
}

void ZRDrawNode::createDrawContext(int w, int h) {
  if (w < 0) w = saturatedInt(width);
  if (h < 0) h = saturatedInt(height);
  if (drawContext && drawContextWidth == w && drawContextHeight == h && drawContext->getScale() == scale)
    return;
  drawContext = std::make_unique<ZRDrawContext>(w, h, scale);
  drawContextWidth = w;
  drawContextHeight = h;
}

void ZRDrawNode::updateTextureFromDrawContext() {
  if (!drawContext) return;
  if (!texture) texture.reset(ZRTexture::createTextureWithDefaultDevice(true, scale));
  if (!texture) return;
  texture->initWithOrRefreshData(drawContext->getDataAlwaysInRGBA(false), drawContext->getPixelWidth(),
                                 drawContext->getPixelHeight(), ZRPixelFormatBGRA);
}

bool ZRDrawNode::executeAction(int, int, float, float, int, int, int, int, int, int, wchar_t, int) {
  return false;
}

bool ZRDrawNode::dropCallback(ZRDragDropPayload, float, float, bool) {
  return false;
}

bool ZRDrawNode::internalDropCallback(ZRDragDropPayload payload, float px, float py, bool testOnly) {
  if (dropCallbackUser != nullptr) return dropCallbackUser(this, std::move(payload), px, py, testOnly);
  return dropCallback(std::move(payload), px, py, testOnly);
}

void ZRDrawNode::changeSize(float w, float h) {
  if (w > 0) width = w;
  if (h > 0) height = h;
}

// ---- tree -----------------------------------------------------------------------------------------------

void ZRDrawNode::addChild(ZRDrawNode* child) {
  if (child == nullptr) return;
  if (isSelfOrAncestor(child)) {
    ZRLOG("error: skin node '%s' cannot be placed inside '%s' (it would contain itself)", child->name.c_str(),
          name.c_str());
    return;
  }
  child->parent = this;
  children.push_back(child);
}

void ZRDrawNode::removeAllChildren(bool detach) {
  if (detach) {
    for (ZRDrawNode* child : children) child->parent = nullptr;
  }
  children.clear();
}

void ZRDrawNode::sortByZOrder() {
  std::stable_sort(children.begin(), children.end(),
                   [](const ZRDrawNode* a, const ZRDrawNode* b) { return a->zOrder < b->zOrder; });
}

bool ZRDrawNode::isSelfOrAncestor(const ZRDrawNode* node) const {
  for (const ZRDrawNode* n = this; n != nullptr; n = n->parent) {
    if (n == node) return true;
  }
  return false;
}

void ZRDrawNode::setExtraName(const ZRString& text) {
  extraName = text;
  writeName();
}

bool ZRDrawNode::getIsShownAndTestParentsToo() const {
  return !getIsNodeOrAnyOfItsParentsHidden();
}

bool ZRDrawNode::getIsNodeOrAnyOfItsParentsHidden() const {
  for (const ZRDrawNode* n = this; n != nullptr; n = n->parent) {
    if (!n->shown) return true;
  }
  return false;
}

void ZRDrawNode::getAbsolutePosition(float& outX, float& outY) const {
  outX = x;
  outY = y;
  if (!isRelative) return;
  for (const ZRDrawNode* p = parent; p != nullptr; p = p->parent) {
    outX += p->x;
    outY += p->y;
    if (!p->isRelative) break;
  }
}

float ZRDrawNode::getAbsolutePositionX() const {
  float ax, ay;
  getAbsolutePosition(ax, ay);
  return ax;
}

bool ZRDrawNode::isCoordinateInside(float px, float py) const {
  if (!shown || !enabled || getIsNodeOrAnyOfItsParentsHidden()) return false;
  float ax, ay;
  getAbsolutePosition(ax, ay);
  return ax <= px && px < ax + width && ay <= py && py < ay + height;
}

void ZRDrawNode::destroyTexturesOfSubtree() {
  destroyTexture();
  for (ZRDrawNode* child : children) child->destroyTexturesOfSubtree();
}

void ZRDrawNode::destroyAllGraphicsResources() {
  destroyTexturesOfSubtree();
  if (manager != nullptr) manager->destroyMainTextures();
}

// ---- input ------------------------------------------------------------------------------------------------

bool ZRDrawNode::executeActionInternal(int code, int value, float px, float py, int button, int key,
                                       int modifiers, int midiChannelArg, int midiNumberArg, int midiValue,
                                       wchar_t character, int deckArg) {
  if (manager != nullptr && manager->getLearnMode() && code >= ZRNodeEventPress &&
      code <= ZRNodeEventWheelH && getCanUseLearn()) {
    if (code == ZRNodeEventPress) manager->setLearnFocusedNode(this);
    return true;
  }
  const bool knownButton = button >= 0 && button < 3;
  if (code == ZRNodeEventPress && knownButton) {
    pressX[button] = px;
    pressY[button] = py;
    if (button == ZRButtonLeft && doubleClickTimer) {
      doubleClickTimer->takeNewMeasurement();
      if (doubleClickTimer->count >= 2 &&
          isDoubleClickInterval(doubleClickTimer->last - doubleClickTimer->previous)) {
        code = ZRNodeEventDoubleClick;
      }
    }
  }
  const bool handled = executeAction(code, value, px, py, button, key, modifiers, midiChannelArg,
                                     midiNumberArg, midiValue, character, deckArg);
  if (code == ZRNodeEventRelease && knownButton) {
    pressX[button] = pressY[button] = -1;
    if (button == ZRButtonLeft) dragStarted = false;
  }
  return handled;
}

bool ZRDrawNode::startDrag(ZRDragDropPayload payload) {
  if (manager == nullptr) return false;
  dragStarted = manager->startDrag(std::move(payload));
  return dragStarted;
}

bool ZRDrawNode::canStartDrag(float px, float py) const {
  if (!buttonDown[ZRButtonLeft] || dragStarted) return false;
  return std::fabs(px - pressX[ZRButtonLeft]) > 2 || std::fabs(py - pressY[ZRButtonLeft]) > 2;
}

void ZRDrawNode::setDoubleClickAllowed(bool allowed) {
  doubleClickAllowed = allowed;
  if (allowed && !doubleClickTimer) doubleClickTimer = std::make_unique<ZRHighPrecisionTimeCounter>();
  if (!allowed) doubleClickTimer.reset();
}

// ---- action slots ---------------------------------------------------------------------------------------

bool ZRDrawNode::setActionSlot(int slot, ZRActionCallback fn) {
  if (slot < 0 || slot >= getActionSlotCount()) return false;
  actionSlots[slot] = fn;
  return true;
}

ZRActionCallback ZRDrawNode::getActionSlot(int slot) const {
  return slot >= 0 && slot < getActionSlotCount() ? actionSlots[slot] : nullptr;
}

bool ZRDrawNode::callActionSlot(int slot, int value) {
  ZRActionCallback fn = getActionSlot(slot);
  if (fn == nullptr) return false;
  fn(value, actionCode, deck, this);
  return true;
}

// ---- shortcuts ------------------------------------------------------------------------------------------

void ZRDrawNode::setKBShortcut(int slot, int key, int modifiers) {
  if (slot < 0 || slot >= std::min(totalShortcutsKB, kMaxShortcutsKB)) return;
  kbKey[slot] = key;
  kbModifiers[slot] = modifiers;
  updateShortcutsString();
}

void ZRDrawNode::getKBShortcut(int slot, int& key, int& modifiers) const {
  if (slot < 0 || slot >= std::min(totalShortcutsKB, kMaxShortcutsKB)) {
    key = modifiers = 0;
    return;
  }
  key = kbKey[slot];
  modifiers = kbModifiers[slot];
}

void ZRDrawNode::setMIDIShortcut(int channel, bool isNote, int number, bool toggle) {
  midiChannel = channel;
  midiIsNote = isNote;
  midiNumber = number;
  midiToggle = toggle;
  updateShortcutsString();
}

void ZRDrawNode::getMIDIShortcut(int& channel, bool& isNote, int& number, bool& toggle) const {
  channel = midiChannel;
  isNote = midiIsNote;
  number = midiNumber;
  toggle = midiToggle;
}

bool ZRDrawNode::runKBShortcut(int value) {
  return executeAction(ZRNodeEventShortcut, 0, -1, -1, ZRButtonNone, value, 0, -1, -1, -1, L' ', -1);
}

void ZRDrawNode::updateShortcutsString() {
  std::string keys;
  for (int slot = 0; slot < std::min(totalShortcutsKB, kMaxShortcutsKB); ++slot) {
    if (kbKey[slot] > 0) keys += kbGetFullName(kbKey[slot], kbModifiers[slot]) + " ";
  }
  std::string midi;
  if (midiNumber >= 0) midi = (midiIsNote ? "MIDI: K" : "MIDI: C") + std::to_string(midiNumber);
  const ZRString text = keys.empty() && midi.empty() ? ZRString() : ZRString("Shortcuts: " + keys + midi);
  std::lock_guard guard(textLock_);
  shortcutsText_ = text;
}

// ---- hint -----------------------------------------------------------------------------------------------

void ZRDrawNode::setHintText(const ZRString& text) {
  std::lock_guard guard(textLock_);
  hintText_ = text;
}

ZRString ZRDrawNode::getHintText() const {
  std::lock_guard guard(textLock_);
  return hintText_;
}

ZRString ZRDrawNode::getShortcutsText() const {
  std::lock_guard guard(textLock_);
  return shortcutsText_;
}

// ---- the skin image -------------------------------------------------------------------------------------

ZRTexture* ZRDrawNode::getMainTexture(int row, int& yInPart, bool unscaled) {
  if (manager == nullptr) {
    ZRLOG("fatal: skin image drawing on node '%s' without a node manager", name.c_str());
    std::abort();
  }
  return manager->getMainTexture(row, yInPart, unscaled);
}

void ZRDrawNode::mainTexture_drawRect(float srcX, float srcY, float w, float h, float dstX, float dstY,
                                      int blend, float scaleX, float scaleY, float rotation, float alpha) {
  int yInPart = 0;
  ZRTexture* part = getMainTexture(saturatedInt(srcY), yInPart, false);
  if (part == nullptr) return;
  part->drawRect(srcX, static_cast<float>(yInPart), w, h, dstX, dstY, blend, scaleX, scaleY, rotation, alpha);
}

void ZRDrawNode::mainTexture_drawRectInRect(float srcX, float srcY, float srcW, float srcH, float dstX,
                                            float dstY, float dstW, float dstH, int blend, bool unused,
                                            bool flipV) {
  int yInPart = 0;
  ZRTexture* part = getMainTexture(saturatedInt(srcY), yInPart, false);
  if (part == nullptr) return;
  part->drawRectInRect(srcX, static_cast<float>(yInPart), srcW, srcH, dstX, dstY, dstW, dstH, blend, unused,
                       flipV);
}

void ZRDrawNode::mainTexture_drawRectInRectWithMask(float srcX, float srcY, float w, float h, float dstX,
                                                    float dstY, ZRTexture* mask1, float mask1X, float mask1Y,
                                                    ZRTexture* mask2, float mask2X, float mask2Y,
                                                    float scaleX, float scaleY, float rotation) {
  int yInPart = 0;
  ZRTexture* part = getMainTexture(saturatedInt(srcY), yInPart, false);
  if (part == nullptr) return;
  part->drawRectInRectWithMask(srcX, static_cast<float>(yInPart), w, h, dstX, dstY, mask1, mask1X, mask1Y,
                               mask2, mask2X, mask2Y, scaleX, scaleY, rotation);
}
