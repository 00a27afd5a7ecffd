#include "video_mixing/zr_ticker_renderer.h"

#include <chrono>
#include <thread>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "video_mixing/zr_overlay_item.h"

namespace {

constexpr int kStopWaitSteps = 10;
constexpr auto kStopWaitStep = std::chrono::milliseconds(10);

}  // namespace

ZRTickerRenderer::ZRTickerRenderer(float y, float height, float gap, double speed)
    : y_(y), height_(height), gap_(gap), speed_(speed) {}

ZRTickerRenderer::~ZRTickerRenderer() {
  if (!stopping_.exchange(true) && !isOverlayRenderThread()) {
    for (int i = 0; i < kStopWaitSteps && !stopAcknowledged_.load(); ++i)
      std::this_thread::sleep_for(kStopWaitStep);
  }
  // Whatever textures are left (the render thread did not come by) are deleted by the render thread.
  for (TTickerItem* item : strip_) {
    retireOverlayTexture(item->texture);
    delete item;
  }
  strip_.clear();
  TTickerItem* item = nullptr;
  while (pending_.try_dequeue(item)) delete item;
  while (released_.try_dequeue(item)) delete item;
}

void ZRTickerRenderer::queueItem(TTickerItem* item) {
  pending_.enqueue(item);
}

ZRTickerRenderer::TTickerItem* ZRTickerRenderer::takeReleasedItem() {
  TTickerItem* item = nullptr;
  return released_.try_dequeue(item) ? item : nullptr;
}

double ZRTickerRenderer::widthOf(const TTickerItem* item, double aspect) const {
  if (item->pictureWidth <= 0 || item->pictureHeight <= 0 || !(aspect > 0)) return 0;
  return static_cast<double>(height_) * (static_cast<double>(item->pictureWidth) / item->pictureHeight) /
         aspect;
}

void ZRTickerRenderer::calculateTickerItemSizeAndPos(TTickerItem* item, double p, double aspect,
                                                     int opengl) const {
  if (item == nullptr) return;
  const double w = widthOf(item, aspect);
  double x = (w * 0.5 + p - 0.5) * 2;
  double y = (static_cast<double>(y_) - 0.5) * 2;
  if (opengl == 0) {
    x *= 2;
    y *= 1.5;
  }
  item->x = static_cast<float>(x);
  item->y = static_cast<float>(y);
  item->w = static_cast<float>(w);
  item->h = height_;
  item->placed = true;
}

void ZRTickerRenderer::updateFromRenderThread(double dt, int opengl, void* device, void* context, float width,
                                              float height, int hold, int hidden) {
  if (stopping_.load()) {
    if (!stopAcknowledged_.load()) {
      resetAllGraphicsResourcesInUse();
      stopAcknowledged_.store(true);
    }
    return;
  }
  const double aspect = height > 0 ? static_cast<double>(width) / height : 0;
  if (hold == 0 && aspect > 0) {
    // An empty strip starts again at the right edge.
    if (strip_.empty()) scroll_ = 1.0;
    double p = scroll_;
    for (size_t i = 0; i < strip_.size();) {
      TTickerItem* item = strip_[i];
      calculateTickerItemSizeAndPos(item, p, aspect, opengl);
      const double step = widthOf(item, aspect) + gap_;
      p += step;
      if (p < 0) {
        scroll_ += step;
        delete item->texture;
        item->texture = nullptr;
        released_.enqueue(item);
        strip_.erase(strip_.begin() + static_cast<long>(i));
        continue;
      }
      ++i;
    }
    while (p < 1 || strip_.empty()) {
      TTickerItem* item = nullptr;
      if (!pending_.try_dequeue(item)) {
        if (!noItemsLogged_) ZRLOG("*** no items available");
        noItemsLogged_ = true;
        break;
      }
      if (item == nullptr) continue;
      noItemsLogged_ = false;
      const double step = widthOf(item, aspect) + gap_;
      // An item without a size, in a strip without a gap, would never move the strip on.
      if (!(step > 0)) {
        released_.enqueue(item);
        continue;
      }
      calculateTickerItemSizeAndPos(item, p, aspect, opengl);
      p += step;
      strip_.push_back(item);
    }
    scroll_ -= speed_ / 100.0 * dt;
  }
  if (hidden != 0) return;
  for (TTickerItem* item : strip_) {
    if (item->texture == nullptr && !item->pixels.empty()) {
      item->texture = ZRTexture::createTexture(
          false, 1.0f, opengl != 0 ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA, device, context);
      if (item->texture != nullptr &&
          !item->texture->initWithOrRefreshData(item->pixels.data(), item->pictureWidth, item->pictureHeight,
                                                item->hasAlpha ? ZRPixelFormatBGRA : ZRPixelFormatBGR)) {
        delete item->texture;
        item->texture = nullptr;
      }
    }
    if (item->texture == nullptr) continue;
    if (item->placed) item->texture->drawFull(item->x, item->y, item->w, item->h, 0, 1, false, false);
  }
}

void ZRTickerRenderer::resetAllGraphicsResourcesInUse() {
  ZRLOG("*** ZRTickerRenderer::resetAllGraphicsResourcesInUse");
  for (TTickerItem* item : strip_) {
    delete item->texture;
    item->texture = nullptr;
  }
}

void ZRTickerRenderer::freeAllGraphicsResourcesInUse() {
  stopping_.store(true);
  stopAcknowledged_.store(true);
  resetAllGraphicsResourcesInUse();
}
