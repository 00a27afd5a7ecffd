#include "common/zr_texture.h"

#include "common/zr_logging.h"

namespace {

// One slot per engine value that can have an implementation.
std::atomic<ZRTexture::Factory> factories[3] = {nullptr, nullptr, nullptr};

}  // namespace

ZRTexture::~ZRTexture() = default;

ZRTexture* ZRTexture::createTexture(bool dynamic, float scale, ZRRenderEngineType engine, void* device,
                                    void* context) {
  Factory factory = nullptr;
  if (engine > ZRRenderEngineNone && engine <= ZRRenderEngineRGBA) {
    factory = factories[engine].load(std::memory_order_acquire);
  }
  ZRTexture* texture = factory != nullptr ? factory(dynamic, scale, engine, device, context) : nullptr;
  if (texture == nullptr) {
    ZRLOG("error creating texture: please set the rendering engine first");
    return nullptr;
  }
  texture->engine_ = engine;
  texture->device_ = device;
  texture->deviceContext_ = context;
  return texture;
}

ZRTexture* ZRTexture::createTextureWithDefaultDevice(bool dynamic, float scale) {
  return createTexture(dynamic, scale, defaultRenderEngine.load(std::memory_order_acquire),
                       defaultRenderDevice.load(std::memory_order_acquire),
                       defaultRenderDeviceContext.load(std::memory_order_acquire));
}

void ZRTexture::setDefaultRenderDevice(ZRRenderEngineType engine, void* device, void* context) {
  defaultRenderDevice.store(device, std::memory_order_release);
  defaultRenderDeviceContext.store(context, std::memory_order_release);
  defaultRenderEngine.store(engine, std::memory_order_release);
}

void ZRTexture::registerTextureFactory(ZRRenderEngineType engine, Factory factory) {
  if (engine > ZRRenderEngineNone && engine <= ZRRenderEngineRGBA) {
    factories[engine].store(factory, std::memory_order_release);
  }
}

bool ZRTexture::isReverseRBNeededForDefaultDevice() {
  switch (defaultRenderEngine.load(std::memory_order_acquire)) {
    case ZRRenderEngineNone:
      ZRLOG("error: please set the rendering engine first");
      return true;
    case ZRRenderEngineRGBA:
      return false;
    default:
      return true;
  }
}

int ZRTexture::getBytesPerPixel(int format) {
  switch (format) {
    case ZRPixelFormatBGRA:
      return 4;
    case ZRPixelFormatBGR:
      return 3;
    case ZRPixelFormatRed:
      return 1;
    default:
      return -1;
  }
}

unsigned ZRTexture::nextPow2(unsigned n) {
  unsigned p = 1;
  while (p < n && p != 0x80000000u) p <<= 1;
  return p < n ? n : p;
}
