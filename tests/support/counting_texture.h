#pragma once
// A texture for tests of drawing from several threads without a GL context: it keeps the size of what it
// is given, draws nothing, and counts the drawing calls (from any thread) so a test can see frames ran.

#include <atomic>

#include "common/zr_texture.h"

namespace orvel_test {

class CountingTexture : public ZRTexture {
 public:
  CountingTexture(bool dynamic, float scale) : ZRTexture(dynamic, scale) {}
  bool initDrawToTexture(int, int, ZRPixelFormat) override { return false; }
  bool initWithOrRefreshData(const void*, int width, int height, ZRPixelFormat, bool) override {
    dataWidth_ = width;
    dataHeight_ = height;
    return true;
  }
  void drawFull(float, float, float, float, float, float, bool, bool) override {}
  void drawRect(float, float, float, float, float, float, int, float, float, float, float, bool) override {
    draws.fetch_add(1, std::memory_order_relaxed);
  }
  void drawRectInRect(float, float, float, float, float, float, float, float, int, bool, bool) override {
    draws.fetch_add(1, std::memory_order_relaxed);
  }
  void drawRectInRectWithMask(float, float, float, float, float, float, ZRTexture*, float, float, ZRTexture*,
                              float, float, float, float, float) override {}
  void drawToTexture(bool) override {}
  bool getContentToBuffer(void*, int, int) override { return false; }
  bool applyPixelShader(const char*, const char*) override { return false; }

  // The texture factory's signature.
  static ZRTexture* create(bool dynamic, float scale, ZRRenderEngineType, void*, void*) {
    return new CountingTexture(dynamic, scale);
  }

  // Drawing calls made by every counting texture so far.
  static inline std::atomic<long> draws{0};
};

}  // namespace orvel_test
