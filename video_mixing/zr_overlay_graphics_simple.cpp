#include "video_mixing/zr_overlay_graphics_simple.h"

#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "database/zr_media_files.h"
#include "gui/zr_draw_context.h"

namespace {

// A video item plays far longer than any file: it loops until the batch is replaced.
constexpr float kVideoPlayTimeMs = 2147483648.0f;
constexpr float kAlignMargin = 0.02f;

}  // namespace

ZROverlayGraphicsSimple::ZROverlayGraphicsSimple(overlayItemRenderCallback callback, void* userData)
    : ZROverlayGraphicsLayer(std::move(callback), userData) {}

ZROverlayGraphicsSimple::~ZROverlayGraphicsSimple() {
  clearItems();
  {
    std::lock_guard<std::mutex> guard(handOverLock_);
    freeAll(handOver_);
  }
  freeAll(current_);
  delete textContext_;
}

void ZROverlayGraphicsSimple::freeAll(std::vector<ZROverlayItem>& items) {
  for (ZROverlayItem& item : items) freeOverlayItem(item, true, true);
  items.clear();
}

bool ZROverlayGraphicsSimple::addItemText(const char* text, float posx, float posy, float width, float height,
                                          int fontSize, const char* font, float red, float green, float blue,
                                          float opacity, float rotation, textStyle style, textAlign align) {
  if (text == nullptr || text[0] == '\0') return false;
  ZROverlayItem item;
  item.kind = kOverlayItemText;
  item.showMode = kOverlayShowNormal;
  item.duration = -1;
  item.keepAspect = true;
  item.byHeight = true;
  item.alignment = align;
  item.posx = posx;
  item.posy = posy;
  item.width = width;
  item.height = height;
  item.opacity = opacity;
  item.rotation = rotation;
  item.red = red;
  item.green = green;
  item.blue = blue;
  item.fontSize = fontSize;
  item.style = style;
  item.font = font != nullptr && font[0] != '\0' ? font : "Arial";
  item.textOrPath = text;
  loadOverlayItemDataFromDisk(&item, false, false, &textContext_);
  pending_.push_back(std::move(item));
  return true;
}

bool ZROverlayGraphicsSimple::addItemImageOrVideo(const char* path, float posx, float posy, float width,
                                                  float height, float opacity, float rotation,
                                                  textAlign align) {
  if (path == nullptr || path[0] == '\0' || !FileExists(path)) return false;
  ZROverlayItem item;
  item.kind = getFileMediaType(ZRString(path)) == kMediaTypeVideo ? kOverlayItemVideo : kOverlayItemImage;
  item.showMode = kOverlayShowNormal;
  item.keepAspect = true;
  item.byHeight = true;
  item.style = textStyleInvalid;
  item.alignment = align;
  item.posx = posx;
  item.posy = posy;
  item.width = width;
  item.height = height;
  item.opacity = opacity;
  item.rotation = rotation;
  item.textOrPath = path;
  if (item.kind == kOverlayItemVideo) {
    item.duration = kVideoPlayTimeMs;
    item.videoPlayer = makeOverlayItemPlayer();
  } else {
    item.duration = -1;
    loadOverlayItemDataFromDisk(&item, false, false, &textContext_);
  }
  pending_.push_back(std::move(item));
  return true;
}

bool ZROverlayGraphicsSimple::commitChanges() {
  std::vector<ZROverlayItem> replaced;
  {
    std::lock_guard<std::mutex> guard(handOverLock_);
    replaced.swap(handOver_);
    handOver_.swap(pending_);
    batchWaiting_.store(true);
  }
  // Never drawn, so it holds no textures: its data can go here.
  freeAll(replaced);
  pending_.clear();
  return true;
}

void ZROverlayGraphicsSimple::clearItems() {
  freeAll(pending_);
}

void ZROverlayGraphicsSimple::updateFromRenderThread(double time, bool opengl, void* device, void* context,
                                                     float width, float height, bool hold, bool alternate) {
  if (batchWaiting_.load()) {
    std::vector<ZROverlayItem> batch;
    {
      std::lock_guard<std::mutex> guard(handOverLock_);
      batch.swap(handOver_);
      batchWaiting_.store(false);
    }
    freeAll(current_);
    current_.swap(batch);
    hasCurrent_.store(!current_.empty());
    bool moves = false;
    for (const ZROverlayItem& item : current_) {
      bool animated = false;
      for (bool a : item.animate) animated = animated || a;
      moves = moves || item.frameCount() > 1 || item.kind == kOverlayItemVideo ||
              item.kind == kOverlayItemTicker || (animated && item.duration > 0);
    }
    currentMoves_.store(moves);
  }
  if (!getVisible() || !callback_) return;
  const float aspect = height > 0 ? width / height : 1.0f;
  for (ZROverlayItem& item : current_) {
    alignOverlayItem(&item, aspect, kAlignMargin);
    callback_(&item, nullptr, userData_, time, opengl, device, context, width, height, hold, alternate);
  }
}

void ZROverlayGraphicsSimple::resetAllGraphicsResourcesInUse() {
  for (ZROverlayItem& item : current_) freeOverlayItem(item, true, false);
}

bool ZROverlayGraphicsSimple::drawsSomething() const {
  return getVisible() && (hasCurrent_.load() || batchWaiting_.load());
}

bool ZROverlayGraphicsSimple::isChanging() const {
  return getVisible() && (batchWaiting_.load() || (hasCurrent_.load() && currentMoves_.load()));
}

void ZROverlayGraphicsSimple::alignOverlayItem(ZROverlayItem* item, float aspect, float margin) {
  if (item == nullptr) return;
  if (!(aspect > 0)) aspect = 1.0f;
  double w = item->width, h = item->height;
  double hm = margin, vm = margin;
  if (item->keepAspect && item->pictureWidth > 0 && item->pictureHeight > 0) {
    const double a = static_cast<double>(item->pictureWidth) / item->pictureHeight;
    if (item->byHeight) {
      w = a * h / aspect;
      hm = margin / aspect;
    } else {
      h = w / a * aspect;
      vm = margin * aspect;
    }
  }
  if (item->alignment < textAlignCenter || item->alignment > textAlignTopLeft) return;
  // Per alignment: the column (0 left, 1 middle, 2 right) and the row (0 bottom, 1 middle, 2 top).
  static constexpr int kPlace[9][2] = {{1, 1}, {1, 2}, {2, 2}, {2, 1}, {2, 0},
                                       {1, 0}, {0, 0}, {0, 1}, {0, 2}};
  const double xs[3] = {hm + w / 2, 0.5, 1 - hm - w / 2};
  const double ys[3] = {vm + h / 2, 0.5, 1 - vm - h / 2};
  item->posx = xs[kPlace[item->alignment][0]];
  item->posy = ys[kPlace[item->alignment][1]];
}
