#pragma once
// A texture engine for tests without a GL context: textures that keep their last upload and record every
// draw into one shared log, installed as the process's default engine while a RecordingTextures object
// lives. Tests read what was made, uploaded and drawn where.

#include <cstdint>
#include <mutex>
#include <vector>

#include "common/zr_texture.h"

namespace orvel_test {

class RecordingTexture;

struct TextureDraw {
  const RecordingTexture* texture;
  float srcX, srcY, srcW, srcH;
  float dstX, dstY, dstW, dstH;  // dstW/H -1 for drawRect (the source's size)
  float alpha;
};

struct TextureLog {
  std::mutex lock;
  int made = 0;
  int deleted = 0;
  int uploads = 0;
  std::vector<TextureDraw> draws;

  void clearDraws() {
    std::lock_guard<std::mutex> g(lock);
    draws.clear();
  }
  std::vector<TextureDraw> drawsCopy() {
    std::lock_guard<std::mutex> g(lock);
    return draws;
  }
};

inline TextureLog& textureLog() {
  static TextureLog log;
  return log;
}

class RecordingTexture : public ZRTexture {
 public:
  RecordingTexture(bool dynamic, float scale) : ZRTexture(dynamic, scale) {
    std::lock_guard<std::mutex> g(textureLog().lock);
    ++textureLog().made;
  }
  ~RecordingTexture() override {
    std::lock_guard<std::mutex> g(textureLog().lock);
    ++textureLog().deleted;
  }
  bool initDrawToTexture(int, int, ZRPixelFormat) override { return false; }
  bool initWithOrRefreshData(const void* data, int width, int height, ZRPixelFormat format, bool) override {
    if (width <= 0 || height <= 0) return false;
    dataWidth_ = width;
    dataHeight_ = height;
    format_ = format;
    const int bpp = getBytesPerPixel(format);
    if (data != nullptr && bpp > 0) {
      const auto* p = static_cast<const uint8_t*>(data);
      pixels.assign(p, p + static_cast<size_t>(width) * height * bpp);
    }
    std::lock_guard<std::mutex> g(textureLog().lock);
    ++textureLog().uploads;
    return true;
  }
  void drawFull(float, float, float, float, float, float, bool, bool) override {}
  void drawRect(float sx, float sy, float w, float h, float dx, float dy, int, float, float, float,
                float alpha, bool) override {
    record({this, sx, sy, w, h, dx, dy, -1, -1, alpha});
  }
  void drawRectInRect(float sx, float sy, float sw, float sh, float dx, float dy, float dw, float dh, int,
                      bool, bool) override {
    record({this, sx, sy, sw, sh, dx, dy, dw, dh, 1});
  }
  void drawRectInRectWithMask(float sx, float sy, float w, float h, float dx, float dy, ZRTexture*, float,
                              float, ZRTexture*, float, float, float, float, float) override {
    record({this, sx, sy, w, h, dx, dy, -1, -1, 1});
  }
  void drawToTexture(bool) override {}
  bool getContentToBuffer(void*, int, int) override { return false; }
  bool applyPixelShader(const char*, const char*) override { return false; }

  // B, G, R, A of the last upload at pixel (x, y) (format 1 only).
  const uint8_t* pixel(int x, int y) const {
    return pixels.data() + (static_cast<size_t>(y) * dataWidth_ + x) * 4;
  }
  std::vector<uint8_t> pixels;

  static ZRTexture* create(bool dynamic, float scale, ZRRenderEngineType, void*, void*) {
    return new RecordingTexture(dynamic, scale);
  }

 private:
  static void record(const TextureDraw& d) {
    std::lock_guard<std::mutex> g(textureLog().lock);
    textureLog().draws.push_back(d);
  }
};

// Installs the recording engine as the default while it lives, and resets the log.
class RecordingTextures {
 public:
  RecordingTextures() {
    previous_ = ZRTexture::defaultRenderEngine.load();
    ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, &RecordingTexture::create);
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineRGBA);
    std::lock_guard<std::mutex> g(textureLog().lock);
    textureLog().made = textureLog().deleted = textureLog().uploads = 0;
    textureLog().draws.clear();
  }
  ~RecordingTextures() {
    ZRTexture::setDefaultRenderDevice(previous_);
    ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, nullptr);
  }
  RecordingTextures(const RecordingTextures&) = delete;
  RecordingTextures& operator=(const RecordingTextures&) = delete;

 private:
  ZRRenderEngineType previous_;
};

}  // namespace orvel_test
