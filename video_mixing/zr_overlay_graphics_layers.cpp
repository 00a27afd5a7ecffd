#include "video_mixing/zr_overlay_graphics_layers.h"

#include <algorithm>

ZROverlayGraphicsLayers::ZROverlayGraphicsLayers(overlayItemRenderCallback callback, void* userData,
                                                 bool ownsLayers)
    : ZROverlayGraphicsLayer(std::move(callback), userData), ownsLayers_(ownsLayers) {}

ZROverlayGraphicsLayers::~ZROverlayGraphicsLayers() {
  lock_.enterExclusive();
  std::vector<ZROverlayGraphicsLayer*> layers;
  layers.swap(layers_);
  lock_.leaveExclusive();
  if (ownsLayers_) {
    for (ZROverlayGraphicsLayer* layer : layers) delete layer;
  }
  deleteRetiredOverlayTextures();
}

void ZROverlayGraphicsLayers::addLayer(ZROverlayGraphicsLayer* layer, ZROverlayGraphicsLayer* after) {
  if (layer == nullptr || layer == this) return;
  lock_.enterExclusive();
  // Held twice, an owning stack would delete the layer twice.
  layers_.erase(std::remove(layers_.begin(), layers_.end(), layer), layers_.end());
  auto at = after != nullptr ? std::find(layers_.begin(), layers_.end(), after) : layers_.end();
  if (at != layers_.end()) ++at;
  layers_.insert(at, layer);
  lock_.leaveExclusive();
}

void ZROverlayGraphicsLayers::removeLayer(ZROverlayGraphicsLayer* layer) {
  lock_.enterExclusive();
  layers_.erase(std::remove(layers_.begin(), layers_.end(), layer), layers_.end());
  lock_.leaveExclusive();
}

bool ZROverlayGraphicsLayers::containsLayer(ZROverlayGraphicsLayer* layer) {
  lock_.enterShared();
  const bool found = std::find(layers_.begin(), layers_.end(), layer) != layers_.end();
  lock_.leaveShared();
  return found;
}

int ZROverlayGraphicsLayers::layerCount() {
  lock_.enterShared();
  const int count = static_cast<int>(layers_.size());
  lock_.leaveShared();
  return count;
}

void ZROverlayGraphicsLayers::updateFromRenderThread(double time, bool opengl, void* device, void* context,
                                                     float width, float height, bool hold, bool alternate) {
  markOverlayRenderThread();
  deleteRetiredOverlayTextures();
  lock_.enterShared();
  for (ZROverlayGraphicsLayer* layer : layers_) {
    if (layer != nullptr)
      layer->updateFromRenderThread(time, opengl, device, context, width, height, hold, alternate);
  }
  lock_.leaveShared();
}

void ZROverlayGraphicsLayers::resetAllGraphicsResourcesInUse() {
  lock_.enterShared();
  for (ZROverlayGraphicsLayer* layer : layers_) {
    if (layer != nullptr) layer->resetAllGraphicsResourcesInUse();
  }
  lock_.leaveShared();
}

bool ZROverlayGraphicsLayers::drawsSomething() const {
  lock_.enterShared();
  const bool some = std::any_of(layers_.begin(), layers_.end(), [](const ZROverlayGraphicsLayer* layer) {
    return layer != nullptr && layer->drawsSomething();
  });
  lock_.leaveShared();
  return some;
}

bool ZROverlayGraphicsLayers::isChanging() const {
  lock_.enterShared();
  const bool changing = std::any_of(layers_.begin(), layers_.end(), [](const ZROverlayGraphicsLayer* layer) {
    return layer != nullptr && layer->isChanging();
  });
  lock_.leaveShared();
  return changing;
}
