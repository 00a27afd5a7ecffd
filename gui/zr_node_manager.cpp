#include "gui/zr_node_manager.h"

#include <wx/app.h>
#include <wx/thread.h>
#include <wx/toplevel.h>

#include <cmath>
#include <functional>

#include "common/action_vocabulary.h"
#include "common/zr_logging.h"
#include "common/zr_saturate.h"
#include "common/zr_texture.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_bulk_lines.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_draw_owner.h"

ZRNodeManager::ZRNodeManager(ZRNodeManagerWindow* window, ZRNodeClassFactory* classes)
    : window_(window),
      classes_(classes != nullptr ? classes : &ownClasses_),
      alive_(std::make_shared<int>(0)) {
  initZRGraphicsSystem();
  initializeAllNodes();
}

ZRNodeManager::~ZRNodeManager() {
  if (rootNode != nullptr) rootNode->removeAllChildren(true);
  sendMouseLeaveEventsToAllOverControls(false, false, -1, -1, 0, ZRButtonNone, -1, 0);
  resetInputState();
  deleteAllNodes();
  deinitZRGraphicsSystem();
}

void ZRNodeManager::initializeAllNodes() {
  nodes.assign(kNodeCount, nullptr);
  nodesUnderMouse.clear();
  rootNode = classes_->createRootNode(this, uiScale, onDoubleClickRootNode);
  hintNode = classes_->createHintNode(this, uiScale);
  int made = 0;
  for (int index = 1; index < CACTION_COUNT - 1; ++index) {
    const int type = GetActionType(index);
    const bool global = GetActionGlobal(index) != 0;
    for (int deck = global ? -1 : 0; deck <= (global ? -1 : 1); ++deck) {
      const int slot = index + CACTION_NODE_STRIDE * (deck + 1);
      nodes[slot] = createNodeType(type, index, deck, nullptr, false);
      if (nodes[slot] != nullptr) {
        ++made;
      } else if (global) {
        ZRLOG("global control NOT created - id %d '%s'", index, GetActionName(index));
      } else {
        ZRLOG("deck control NOT created - id %d '%s' (idx %d)", index, GetActionName(index), slot);
      }
    }
  }
  ZRLOG("%d/%d nodes were created", made, kNodeCount);
}

void ZRNodeManager::deleteAllNodes() {
  destroyAllExtraNodes();
  destroyAllExtraNodes();
  for (ZRDrawNode*& node : nodes) {
    delete node;
    node = nullptr;
  }
  delete hintNode;
  hintNode = nullptr;
  delete rootNode;
  rootNode = nullptr;
}

void ZRNodeManager::resetInputState() {
  nodesUnderMouse.clear();
  capturedNode = nullptr;
  dropTargetNode = nullptr;
  kbFocusNode = nullptr;
  learnFocusedNode.store(nullptr);
}

ZRDrawNode* ZRNodeManager::createNodeType(int type, int id, int deck, ZRDrawNode* parent, bool isExtra) {
  ZRDrawNode* node = classes_->createNode(type, this, uiScale, id, deck);
  if (node == nullptr) return nullptr;
  node->isExtraNode = isExtra;
  node->elementType = type;
  if (parent != nullptr) node->reparent(parent);
  return node;
}

ZRDrawNode* ZRNodeManager::getNode(const char* action, int deck) const {
  if (action == nullptr) return nullptr;
  if (deck < -1) return getExtraNode(ZRString(action), -1);
  if (deck > 1) return nullptr;
  const int index = GetActionIndex(action);
  if (index <= 0) return nullptr;
  return getNodeAt(index + CACTION_NODE_STRIDE * (deck + 1));
}

ZRDrawNode* ZRNodeManager::getNodeAt(int slot) const {
  return slot >= 0 && slot < static_cast<int>(nodes.size()) ? nodes[slot] : nullptr;
}

ZRDrawNode* ZRNodeManager::getExtraNode(const ZRString& extraName, int id) const {
  for (ZRDrawNode* node : extraNodes) {
    if (id < 0 ? node->extraName == extraName : node->id == id) return node;
  }
  return nullptr;
}

void ZRNodeManager::destroyAllExtraNodes() {
  for (ZRDrawNode* node : retiredExtraNodes) delete node;
  retiredExtraNodes.clear();
  for (ZRDrawNode* node : extraNodes) {
    node->reparent(nullptr);
    node->removeAllChildren(true);
    node->show(false, false);
  }
  // A skin load started from a handler of one of these nodes returns into that handler: the nodes stay
  // alive, out of the tree, until the next load.
  retiredExtraNodes.swap(extraNodes);
  lastExtraId = -1;
}

void ZRNodeManager::setScale(float scale) {
  uiScale = scale;
  if (rootNode != nullptr) rootNode->setScale(scale, false);
  for (ZRDrawNode* node : nodes) {
    if (node != nullptr) node->setScale(scale, false);
  }
  if (hintNode != nullptr) hintNode->setScale(scale, false);
}

// ---- drawing
// ------------------------------------------------------------------------------------------------

void ZRNodeManager::render(double dt, const std::function<void()>& whileLocked) {
  TreeLock guard(*this);
  drawTree(dt);
  if (whileLocked) whileLocked();
}

void ZRNodeManager::drawTree(double dt) {
  if (texturesChanged) {
    for (int i = 0; i < kMaxImageParts; ++i) imageTextures[i].reset();
    texturesChanged = false;
    texturesPending = true;
  }
  if (!imageTextures[0]) {
    if (texturesPending && imageCount >= 1) {
      for (int i = 0; i < imageCount; ++i) {
        if (!imageTextures[i])
          imageTextures[i].reset(ZRTexture::createTextureWithDefaultDevice(false, uiScale));
        if (!imageTextures[i]) continue;
        ZRLOG("creating main texture %d/%d (actual image size=%dx%d) alpha=%d", i + 1, imageCount,
              imageWidth[i], imageHeight[i], imageHasAlpha[i] ? 1 : 0);
        imageTextures[i]->initWithOrRefreshData(imagePixels[i].get(), imageWidth[i], imageHeight[i],
                                                imageHasAlpha[i] ? ZRPixelFormatBGRA : ZRPixelFormatBGR);
      }
      texturesPending = false;
    }
    if (!imageTextures[0]) return;
  }
  updateWaveformScaleFactor(uiScale);
  if (rootNode == nullptr) return;
  {
    ZRDrawOwnerScope owner(rootNode);
    rootNode->render(dt, rootNode->x, rootNode->y);
  }

  const bool learning = learnMode.load();
  if (highlightAllControls || learning) {
    ZRDrawOwnerScope owner(this);
    startDrawingBulkLines(uiScale, 0.33f, 0.33f, 1, 1);
    drawOutlines(rootNode, rootNode->x, rootNode->y, highlightAllControls);
    finishDrawingBulkLines(nullptr, nullptr);
    if (ZRDrawNode* target = learnFocusedNode.load()) {
      float ax, ay;
      target->getAbsolutePosition(ax, ay);
      startDrawingBulkLines(uiScale, 1, 0.33f, 0.33f, 1);
      addBulkLine(ax, ay, ax + target->width, ay);
      addBulkLine(ax + target->width, ay, ax + target->width, ay + target->height);
      addBulkLine(ax + target->width, ay + target->height, ax, ay + target->height);
      addBulkLine(ax, ay + target->height, ax, ay);
      finishDrawingBulkLines(nullptr, nullptr);
    }
  }
  float hx, hy;
  hintNode->getAbsolutePosition(hx, hy);
  ZRDrawOwnerScope owner(hintNode);
  hintNode->render(dt, hx, hy);
}

void ZRNodeManager::drawOutlines(ZRDrawNode* node, float atX, float atY, bool all) {
  if (!node->shown) return;
  const bool learnable = node->getCanUseLearn();
  if (!all && !learnable && node->elementType != ELEMENT_group && node != rootNode) return;
  if (all || learnable) {
    addBulkLine(atX, atY, atX + node->width, atY);
    addBulkLine(atX + node->width, atY, atX + node->width, atY + node->height);
    addBulkLine(atX + node->width, atY + node->height, atX, atY + node->height);
    addBulkLine(atX, atY + node->height, atX, atY);
  }
  for (ZRDrawNode* child : node->children) {
    float cx = child->x, cy = child->y;
    if (child->isRelative) {
      cx += atX;
      cy += atY;
    }
    drawOutlines(child, cx, cy, all);
  }
}

ZRTexture* ZRNodeManager::getMainTexture(int row, int& yInPart, bool unscaled) {
  const int part = getTextureIndexForCoordinate(row, yInPart, unscaled);
  return part < 0 ? nullptr : imageTextures[part].get();
}

void ZRNodeManager::destroyMainTextures() {
  for (int i = 0; i < kMaxImageParts; ++i) imageTextures[i].reset();
  texturesPending = imageCount >= 1;
}

void ZRNodeManager::destroyAllGraphicsResources() {
  TreeLock guard(*this);
  // Nodes out of the tree (left by an earlier skin, or never placed) may still hold textures.
  if (rootNode != nullptr) rootNode->destroyAllGraphicsResources();
  for (const std::vector<ZRDrawNode*>* owned : {&nodes, &extraNodes, &retiredExtraNodes}) {
    for (ZRDrawNode* node : *owned) {
      if (node != nullptr) node->destroyTexture();
    }
  }
  if (hintNode != nullptr) hintNode->destroyTexture();
  destroyMainTextures();
}

// ---- skin image ------------------------------------------------------------------------------------------

int ZRNodeManager::getTextureIndexForCoordinate(int row, int& yInPart, bool unscaled) const {
  yInPart = 0;
  if (imageCount < 1) return -1;
  const long long pixelRow = unscaled ? row : std::llround(static_cast<double>(row) * uiScale);
  if (pixelRow < 0 || pixelRow >= imageTotalHeight) return -1;
  int part = 0;
  for (int i = 0; i < imageCount; ++i) {
    if (imageTop[i] <= pixelRow) part = i;
  }
  yInPart = unscaled ? row - imageTop[part] : row - static_cast<int>(imageTop[part] / uiScale);
  return part;
}

const unsigned char* ZRNodeManager::getImagePartPixels(int part, int& w, int& h, int& bytesPerPixel) const {
  if (part < 0 || part >= imageCount || !imagePixels[part]) return nullptr;
  w = imageWidth[part];
  h = imageHeight[part];
  bytesPerPixel = imageHasAlpha[part] ? 4 : 3;
  return imagePixels[part].get();
}

int ZRNodeManager::getPixelMask(int px, int py) const {
  if (px < 0 || py < 0) return 0;
  const long long column = std::llround(static_cast<double>(px) * uiScale);
  int yInPart = 0;
  const int part = getTextureIndexForCoordinate(saturatedInt(std::round(static_cast<double>(py) * uiScale)),
                                                yInPart, true);
  if (part < 0 || !imagePixels[part] || column >= imageWidth[part]) return 0;
  const int bytes = imageHasAlpha[part] ? 4 : 3;
  const unsigned char* p =
      imagePixels[part].get() + (static_cast<size_t>(yInPart) * imageWidth[part] + column) * bytes;
  if (bytes == 4 && p[3] != 255) return p[3];
  return (p[0] + p[1] + p[2]) / 3;
}

// ---- window
// ------------------------------------------------------------------------------------------------

void ZRNodeManager::setNewWindowSize(int width, int height) {
  if (useConstraints) {
    if (rootNode == nullptr) return;
    {
      TreeLock guard(*this);
      rootNode->changeSize(static_cast<float>(width), static_cast<float>(height));
      layout.layout(rootNode, false, false);
    }
    ZRLOG("re-layout done - rootNode w=%.1f, h=%.1f", static_cast<double>(rootNode->width),
          static_cast<double>(rootNode->height));
    return;
  }
  if (width <= 0 || height <= 0) return;
  mouseScaleX = static_cast<float>(skinWidth) / static_cast<float>(width);
  mouseScaleY = static_cast<float>(skinHeight) / static_cast<float>(height);
  ZRLOG("new w=%d, h=%d, currentRatioWidth/Height=%f/%f", width, height, static_cast<double>(mouseScaleX),
        static_cast<double>(mouseScaleY));
}

void ZRNodeManager::getOptimalWindowSize(int& width, int& height) const {
  width = rootNode != nullptr ? saturatedInt(std::ceil(rootNode->width)) : 0;
  height = rootNode != nullptr ? saturatedInt(std::ceil(rootNode->height)) : 0;
}

void ZRNodeManager::onMainThread(void (*fn)(ZRNodeManager&, int), int argument) {
  if (wxTheApp == nullptr || wxIsMainThread()) {
    fn(*this, argument);
    return;
  }
  std::weak_ptr<int> alive = alive_;
  wxTheApp->CallAfter([this, alive, fn, argument] {
    if (alive.lock()) fn(*this, argument);
  });
}

void ZRNodeManager::toggleFullScreenMode() {
  onMainThread(
      [](ZRNodeManager& m, int) {
        ZRNodeManagerWindow* w = m.window_;
        if (w == nullptr) return;
        if (w->isMaximized()) ZRLOG("IsMaximized");
        if (w->isFullScreen()) {
          ZRLOG("IsFullScreen");
          w->noteLeavingFullScreen();
          w->showFullScreen(false, wxFULLSCREEN_ALL);
        } else {
          ZRLOG("NOT IsFullScreen");
          w->showFullScreen(true, wxFULLSCREEN_ALL);
        }
      },
      0);
}

void ZRNodeManager::changeCursor(int kind) {
  if (cursor.exchange(kind) == kind) return;
  if (window_ == nullptr) return;
  onMainThread(
      [](ZRNodeManager& m, int k) {
        if (m.window_ != nullptr) m.window_->setSkinCursor(k);
      },
      kind);
}

// ---- skin-script slots ------------------------------------------------------------------------------------

void onDoubleClickRootNode(int, int, int y, int, int, int, ZRDrawNode* node) {
  if (node == nullptr || node->manager == nullptr || y >= 50) return;
  node->manager->toggleFullScreenMode();
}

void FScriptOnMouseDown(int, int, int, ZRDrawNode* node) {
  if (node != nullptr) callSkinCallbackFunction(node->extraName.utf8() + "_onmousedown", -1, -1, -1);
}

void FScriptOnMouseUp(int, int, int, ZRDrawNode* node) {
  if (node != nullptr) callSkinCallbackFunction(node->extraName.utf8() + "_onmouseup", -1, -1, -1);
}

void FScriptOnCellClick(int value, int, int deck, ZRDrawNode* node) {
  if (node != nullptr) callSkinCallbackFunction(node->extraName.utf8() + "_oncellclick", deck, value, -1);
}
