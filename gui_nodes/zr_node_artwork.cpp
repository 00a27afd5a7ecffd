#include "gui_nodes/zr_node_artwork.h"

#include <algorithm>
#include <cmath>

#include "common/zr_texture.h"
#include "gui/zr_image_raw_data.h"
#include "tags/zr_tag.h"

ZRNodeArtwork::ZRNodeArtwork() = default;
ZRNodeArtwork::~ZRNodeArtwork() = default;

void ZRNodeArtwork::wantedSize(float width, float height, float scale, int& pixelWidth, int& pixelHeight) {
  const int g = std::max(1, 4 * static_cast<int>(lrintf(scale)));
  auto side = [&](float points) {
    const int v = static_cast<int>(std::max(64.0f * scale, points * scale));
    return g + v - (v % g);
  };
  pixelWidth = side(std::min(width, 16384.0f));
  pixelHeight = side(std::min(height, 16384.0f));
}

void ZRNodeArtwork::set(const ZRString& path, const ZRString& key, float width, float height, float scale) {
  int wantedW = 0, wantedH = 0;
  wantedSize(width, height, scale, wantedW, wantedH);
  unsigned char* pixels = nullptr;
  bool alpha = false;
  int w = 0, h = 0;
  ZRTag tag;
  const bool opened = tag.open(path);
  if (opened) {
    char* data = nullptr;
    int size = 0;
    if (tag.getPictureData(&data, &size) && data != nullptr) {
      int bytes = 0;
      if (!getImageRawData(data, size, false, false, pixels, alpha, w, h, bytes, wantedW, wantedH,
                           ZRTexture::isReverseRBNeededForDefaultDevice())) {
        pixels = nullptr;
      }
      delete[] data;
    }
    tag.close();
  }
  std::lock_guard guard(lock_);
  pixels_.reset(pixels);
  hasArtwork_ = pixels != nullptr;
  if (!hasArtwork_) return;
  pixelWidth_ = w;
  pixelHeight_ = h;
  alpha_ = alpha;
  path_ = path;
  key_ = key;
}

void ZRNodeArtwork::refreshSize(float width, float height, float scale) {
  ZRString path, key;
  {
    std::lock_guard guard(lock_);
    if (!hasArtwork_) return;
    path = path_;
    key = key_;
  }
  set(path, key, width, height, scale);
}

void ZRNodeArtwork::clear() {
  std::lock_guard guard(lock_);
  hasArtwork_ = false;
  pixels_.reset();
  path_ = ZRString();
  key_ = ZRString();
}

void ZRNodeArtwork::destroyTexture() {
  std::lock_guard guard(lock_);
  texture_.reset();
  pixels_.reset();
  hasArtwork_ = false;
}

ZRTexture* ZRNodeArtwork::prepare(float scale) {
  std::lock_guard guard(lock_);
  if (!hasArtwork_) {
    texture_.reset();
    return nullptr;
  }
  if (pixels_) {
    if (!texture_) texture_.reset(ZRTexture::createTextureWithDefaultDevice(true, scale));
    if (texture_) {
      texture_->initWithOrRefreshData(pixels_.get(), pixelWidth_, pixelHeight_,
                                      alpha_ ? ZRPixelFormatBGRA : ZRPixelFormatBGR);
    }
    pixels_.reset();
  }
  return texture_.get();
}

bool ZRNodeArtwork::hasArtwork() const {
  std::lock_guard guard(lock_);
  return hasArtwork_;
}

ZRString ZRNodeArtwork::getPath() const {
  std::lock_guard guard(lock_);
  return path_;
}

void ZRNodeArtwork::getPixelSize(int& width, int& height) const {
  std::lock_guard guard(lock_);
  width = pixelWidth_;
  height = pixelHeight_;
}
