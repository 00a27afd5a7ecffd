// Input routing of the node manager: mouse events to the topmost node under the pointer with enter and
// leave, capture of the node a left press lands on, keyboard focus, hints, internal drag and drop with
// cursor feedback, and learn mode (applied by the nodes' event entry). Main thread, without the tree lock
// while events are delivered (a handler may load a skin; skinReloaded tells the rest of the routing).

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "common/zr_saturate.h"
#include "gui/zr_node_manager.h"

namespace {

int wheelValue(float wheel) {
  return saturatedInt(std::round(static_cast<double>(wheel) * 10.0));
}

}  // namespace

void ZRNodeManager::deliverMouse(ZRDrawNode* node, int code, int value, float px, float py, int button,
                                 int modifiers) {
  float ax, ay;
  node->getAbsolutePosition(ax, ay);
  node->executeActionInternal(code, value, px - ax, py - ay, button, -1, modifiers, -1, -1, -1, L' ', -1);
}

ZRDrawNode* ZRNodeManager::traverseClick(ZRDrawNode* node, float px, float py) const {
  if (node == nullptr || !node->shown || !node->enabled) return nullptr;
  for (auto it = node->children.rbegin(); it != node->children.rend(); ++it) {
    if (ZRDrawNode* hit = traverseClick(*it, px, py)) return hit;
  }
  if (!node->isCoordinateInside(px, py)) return nullptr;
  if (node->maskx >= 0 && node->masky >= 0) {
    float ax, ay;
    node->getAbsolutePosition(ax, ay);
    const int mx = saturatedInt(std::round(static_cast<double>(node->maskx) + px - ax));
    const int my = saturatedInt(std::round(static_cast<double>(node->masky) + py - ay));
    if (getPixelMask(mx, my) < 128) return nullptr;
  }
  return node;
}

void ZRNodeManager::actionRouteMouse(int type, float px, float py, int button, int windowCaptured,
                                     float wheel, int modifiers) {
  const int value = wheelValue(wheel);
  skinReloaded = false;
  switch (type) {
    case mouseStopDrag:
      stopDragging();
      return;
    case mouseCaptureLost:
      stopDragging();
      capturedNode = nullptr;
      sendMouseLeaveEventsToAllOverControls(false, true, -1, -1, 0, ZRButtonNone, -1, 0);
      return;
    case mouseLeftWindow:
      sendMouseLeaveEventsToAllOverControls(false, false, px, py, 0, button, -1, 0);
      return;
    case mouseEnteredWindow:
      return;
    default:
      break;
  }
  if (rootNode == nullptr || nodes.empty()) return;
  const bool knownButton = button >= 0 && button < 3;

  // A left release ends the capture: the captured node gets it wherever the pointer is, and a running drag
  // drops on the node under the pointer.
  bool releaseDelivered = false;
  if (button == ZRButtonLeft && type == mouseRelease && !windowCaptured && capturedNode != nullptr) {
    ZRDrawNode* captured = capturedNode;
    captured->buttonDown[ZRButtonLeft] = 0;
    deliverMouse(captured, ZRNodeEventRelease, value, px, py, ZRButtonLeft, modifiers);
    capturedNode = nullptr;
    if (dragging) {
      if (ZRDrawNode* target = traverseClick(rootNode, px, py)) {
        float ax, ay;
        target->getAbsolutePosition(ax, ay);
        target->internalDropCallback(dragPayload, px - ax, py - ay, false);
      }
      stopDragging();
    }
    releaseDelivered = true;
  } else if (capturedNode != nullptr) {
    // Everything else goes to the captured node until the capture ends.
    if (knownButton && type == mousePress) capturedNode->buttonDown[button] = 1;
    if (knownButton && type == mouseRelease) capturedNode->buttonDown[button] = 0;
    deliverMouse(capturedNode, type, value, px, py, button, modifiers);
    if (dragging) trackDropTarget(px, py, button);
    return;
  }

  ZRDrawNode* node = traverseClick(rootNode, px, py);
  if (node == nullptr) {
    sendMouseLeaveEventsToAllOverControls(true, false, px, py, value, button, -1, modifiers);
    return;
  }
  // A skin loaded by a handler took the tree apart (and may have deleted the node): the rest of this event
  // belongs to the old tree and is dropped.
  bool enteredNow = false;
  if (!node->mouseInside) {
    nodesUnderMouse.push_back(node);
    node->mouseInside = 1;
    deliverMouse(node, ZRNodeEventEnter, value, px, py, button, modifiers);
    if (skinReloaded) return;
    enteredNow = true;
  }
  node->mouseTouched = 1;
  if (!releaseDelivered) {
    if (knownButton && type == mousePress) node->buttonDown[button] = 1;
    if (knownButton && type == mouseRelease) node->buttonDown[button] = 0;
    deliverMouse(node, type, value, px, py, button, modifiers);
    if (skinReloaded) return;
    if (type == mousePress && node != kbFocusNode && node->canHaveKBFocus()) changeKBFocusToNode(node);
  }
  if (windowCaptured && capturedNode == nullptr) capturedNode = node;
  sendMouseLeaveEventsToAllOverControls(true, false, px, py, value, button, -1, modifiers);
  if (enteredNow && !skinReloaded) showHint(node, px, py);
}

void ZRNodeManager::trackDropTarget(float px, float py, int button) {
  ZRDrawNode* target = traverseClick(rootNode, px, py);
  if (target == nullptr) {
    if (dropTargetNode != nullptr) {
      ZRDrawNode* old = dropTargetNode;
      dropTargetNode = nullptr;
      old->executeActionInternal(ZRNodeEventDragLeave, 0, 0, 0, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1);
    }
    return;
  }
  float ax, ay;
  target->getAbsolutePosition(ax, ay);
  if (target != dropTargetNode) {
    if (dropTargetNode != nullptr) {
      dropTargetNode->executeActionInternal(ZRNodeEventDragLeave, 0, 0, 0, ZRButtonNone, -1, 0, -1, -1, -1,
                                            L' ', -1);
    }
    dropTargetNode = target;
    target->executeActionInternal(ZRNodeEventDragEnter, 0, px - ax, py - ay, button, -1, 0, -1, -1, -1, L' ',
                                  -1);
  }
  const bool accepted = target->internalDropCallback(dragPayload, px - ax, py - ay, true);
  changeCursor(accepted ? cursorCross : cursorNoEntry);
}

void ZRNodeManager::sendMouseLeaveEventsToAllOverControls(int keepTouched, int releaseLeft, float px,
                                                          float py, int value, int button, int key,
                                                          int modifiers) {
  if (leaveGuard) {
    ZRLOG("error: sendMouseLeaveEventsToAllOverControls > protectReentrant is already TRUE, exiting!");
    return;
  }
  leaveGuard = true;
  // Nodes touched in this event stay (their mark cleared); the others leave, in list order.
  std::vector<ZRDrawNode*> leaving;
  std::vector<ZRDrawNode*> staying;
  for (ZRDrawNode* node : nodesUnderMouse) {
    if (keepTouched && node->mouseTouched) {
      node->mouseTouched = 0;
      staying.push_back(node);
    } else {
      leaving.push_back(node);
    }
  }
  nodesUnderMouse = staying;
  const bool reloadedBefore = skinReloaded;
  // A handler that loaded a skin ends the pass: the load emptied the list, and the remaining nodes may be
  // gone.
  auto reloaded = [&] { return skinReloaded && !reloadedBefore; };
  for (ZRDrawNode* node : leaving) {
    node->mouseTouched = 0;
    node->mouseInside = 0;
    float ax, ay;
    node->getAbsolutePosition(ax, ay);
    const float lx = px < 0 ? 0 : px - ax;
    const float ly = py < 0 ? 0 : py - ay;
    if (node->buttonDown[ZRButtonRight]) {
      node->buttonDown[ZRButtonRight] = 0;
      node->executeActionInternal(ZRNodeEventRelease, value, lx, ly, ZRButtonRight, key, modifiers, -1, -1,
                                  -1, L' ', -1);
      if (reloaded()) break;
    }
    if (releaseLeft && node->buttonDown[ZRButtonLeft]) {
      node->buttonDown[ZRButtonLeft] = 0;
      node->executeActionInternal(ZRNodeEventRelease, value, lx, ly, ZRButtonLeft, key, modifiers, -1, -1, -1,
                                  L' ', -1);
      if (reloaded()) break;
    }
    node->executeActionInternal(ZRNodeEventLeave, value, lx, ly, button, key, modifiers, -1, -1, -1, L' ',
                                -1);
    if (hintNode != nullptr) {
      TreeLock guard(*this);
      hintNode->show(false, false);
    }
    if (reloaded()) break;
  }
  leaveGuard = false;
}

void ZRNodeManager::actionRouteKeyboard(int key, int modifiers) {
  if (kbFocusNode != nullptr && kbFocusNode->executeActionInternal(ZRNodeEventKey, 0, 0, 0, ZRButtonNone, key,
                                                                   modifiers, -1, -1, -1, L' ', -1)) {
    return;
  }
  if (defaultKeyHandler != nullptr) defaultKeyHandler(key, modifiers, nullptr);
}

void ZRNodeManager::changeKBFocusToNode(ZRDrawNode* node) {
  if (node == kbFocusNode) return;
  if (ZRDrawNode* old = kbFocusNode) {
    kbFocusNode = nullptr;
    old->executeActionInternal(ZRNodeEventFocusLost, 0, 0, 0, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  }
  if (node != nullptr && node->canHaveKBFocus()) {
    kbFocusNode = node;
    node->executeActionInternal(ZRNodeEventFocusGained, 0, 0, 0, ZRButtonLeft, -1, 0, -1, -1, -1, L' ', -1);
  }
}

void ZRNodeManager::showHint(ZRDrawNode* node, float px, float py) {
  if ((!showHints && !learnMode.load()) || rootNode == nullptr || hintNode == nullptr) return;
  const ZRString hint = node != nullptr ? node->getHintText() : ZRString();
  TreeLock guard(*this);
  if (hint.empty()) {
    hintNode->show(false, false);
    return;
  }
  ZRString text = hint;
  const ZRString shortcuts = node->getShortcutsText();
  if (!shortcuts.empty()) text += ZRString("\n\n") + shortcuts;
  hintNode->setHint(text);
  hintNode->x = std::max(4.0f, std::min(px, rootNode->width - hintNode->width - 4));
  hintNode->y = std::max(4.0f, std::min(py + 8, rootNode->height - hintNode->height - 4));
  hintNode->show(true, false);
}

bool ZRNodeManager::startDrag(ZRDragDropPayload payload) {
  if (dragging) return false;
  dragging = true;
  dragPayload = std::move(payload);
  dropTargetNode = nullptr;
  changeCursor(cursorNoEntry);
  return true;
}

void ZRNodeManager::stopDragging() {
  if (!dragging) return;
  dragging = false;
  if (ZRDrawNode* target = dropTargetNode) {
    dropTargetNode = nullptr;
    target->executeActionInternal(ZRNodeEventDragLeave, 0, 0, 0, ZRButtonNone, -1, 0, -1, -1, -1, L' ', -1);
  }
  changeCursor(cursorDefault);
}
