#include "video_mixing/zr_overlay_item.h"

#include <strings.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <mutex>
#include <thread>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_draw_context.h"
#include "platform/graphics/image_codecs.h"
#include "platform/graphics/image_resample.h"
#include "video_mixing/zr_ticker_renderer.h"

namespace {

// Opaque pictures wider than this are scaled down to it when loaded.
constexpr int kMaxOpaqueWidth = 1024;
// A picture file beyond this is not one we would show.
constexpr long kMaxPictureFileBytes = 256L * 1024 * 1024;

std::atomic<ZROverlayItemPlayerFactory> g_playerFactory{nullptr};
std::atomic<std::thread::id> g_renderThread{};
std::mutex g_retiredLock;
std::vector<ZRTexture*> g_retired;

bool bgrOrder() {
  return ZRTexture::defaultRenderEngine.load() != ZRRenderEngineRGBA;
}

bool readWholeFile(const std::string& path, std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return false;
  bool ok = std::fseek(f, 0, SEEK_END) == 0;
  const long length = ok ? std::ftell(f) : -1;
  ok = ok && length > 0 && length <= kMaxPictureFileBytes && std::fseek(f, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(static_cast<size_t>(length));
    ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
  }
  std::fclose(f);
  return ok;
}

// A multiple of 4 at most n; sizes under 4 stay as they are (rounding them would leave nothing).
int multipleOf4(int n) {
  return n < 4 ? n : n - n % 4;
}

// Straight R, G, B, A pixels (count of them) into the item's layout.
void packFrame(const uint8_t* rgba, size_t count, bool alpha, bool magentaClear, std::vector<uint8_t>& out) {
  const bool bgr = bgrOrder();
  const int bpp = alpha ? 4 : 3;
  out.resize(count * bpp);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* s = rgba + 4 * i;
    uint8_t* d = out.data() + bpp * i;
    if (alpha && magentaClear && s[0] == 255 && s[1] == 0 && s[2] == 255) {
      d[0] = d[1] = d[2] = d[3] = 0;
      continue;
    }
    d[0] = s[bgr ? 2 : 0];
    d[1] = s[1];
    d[2] = s[bgr ? 0 : 2];
    if (alpha) d[3] = s[3];
  }
}

void loadStill(ZROverlayItem* item, DecodedImageFrame& frame, bool forceAlpha) {
  const bool alpha = frame.hasAlpha || forceAlpha;
  int w = frame.width, h = frame.height;
  std::vector<uint8_t> pixels = std::move(frame.rgba);
  std::vector<uint8_t> scaled;
  if (!alpha && w > kMaxOpaqueWidth) {
    const int nh = std::max(1, static_cast<int>(std::lround(static_cast<double>(h) / w * kMaxOpaqueWidth)));
    if (resampleRGBA(pixels.data(), w, h, kMaxOpaqueWidth, nh, scaled)) {
      pixels.swap(scaled);
      w = kMaxOpaqueWidth;
      h = nh;
    }
  }
  const int w4 = multipleOf4(w), h4 = multipleOf4(h);
  if ((w4 != w || h4 != h) && resampleRGBA(pixels.data(), w, h, w4, h4, scaled)) {
    pixels.swap(scaled);
    w = w4;
    h = h4;
  }
  item->frames.resize(1);
  packFrame(pixels.data(), static_cast<size_t>(w) * h, alpha, false, item->frames[0]);
  item->pictureWidth = w;
  item->pictureHeight = h;
  item->hasAlpha = alpha;
}

// Every frame drawn over the picture so far at its place on the canvas, so that frames which only
// renew a part of the picture show whole; one 4-byte layout for all.
void loadAnimation(ZROverlayItem* item, DecodedImage& image) {
  const int cw = image.width, ch = image.height;
  const size_t count = std::min<size_t>(image.frames.size(), kOverlayMaxFrames);
  if (image.frames.size() > count) {
    ZRLOG("warning: animation '%s' has %d frames, showing the first %d", item->textOrPath,
          static_cast<int>(image.frames.size()), kOverlayMaxFrames);
  }
  bool anyAlpha = false;
  for (size_t i = 0; i < count; ++i) anyAlpha = anyAlpha || image.frames[i].hasAlpha;
  std::vector<uint8_t> canvas(static_cast<size_t>(cw) * ch * 4, 0);
  item->frames.resize(count);
  for (size_t i = 0; i < count; ++i) {
    const DecodedImageFrame& f = image.frames[i];
    const int x0 = std::clamp(f.left, 0, cw), y0 = std::clamp(f.top, 0, ch);
    const int x1 = std::clamp(f.left + f.width, 0, cw), y1 = std::clamp(f.top + f.height, 0, ch);
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        const uint8_t* s = f.rgba.data() + (static_cast<size_t>(y - f.top) * f.width + (x - f.left)) * 4;
        if (f.hasAlpha && s[3] == 0) continue;
        uint8_t* d = canvas.data() + (static_cast<size_t>(y) * cw + x) * 4;
        d[0] = s[0];
        d[1] = s[1];
        d[2] = s[2];
        d[3] = f.hasAlpha ? s[3] : 255;
      }
    }
    packFrame(canvas.data(), static_cast<size_t>(cw) * ch, true, !anyAlpha, item->frames[i]);
  }
  item->pictureWidth = cw;
  item->pictureHeight = ch;
  item->hasAlpha = true;
}

void loadPicture(ZROverlayItem* item, bool forceAlpha) {
  const std::string& path = item->textOrPath;
  const bool gif = path.size() >= 3 && strcasecmp(path.c_str() + path.size() - 3, "gif") == 0;
  std::vector<uint8_t> file;
  DecodedImage image;
  ImageDecodeOptions options;
  options.allFrames = gif;
  if (!readWholeFile(path, file) ||
      decodeImage(file.data(), file.size(), options, image) != ImageDecodeResult::Ok ||
      image.frames.empty()) {
    ZRLOG("- - - [ERROR offline] NOT loaded image '%s'", path);
    return;
  }
  if (gif) {
    loadAnimation(item, image);
  } else {
    loadStill(item, image.frames[0], forceAlpha);
  }
}

bool createTextures(ZROverlayItem* item, bool opengl, void* device, void* context) {
  const ZRPixelFormat format = item->hasAlpha ? ZRPixelFormatBGRA : ZRPixelFormatBGR;
  for (const std::vector<uint8_t>& frame : item->frames) {
    ZRTexture* texture = ZRTexture::createTexture(
        false, 1.0f, opengl ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA, device, context);
    if (texture == nullptr ||
        !texture->initWithOrRefreshData(frame.data(), item->pictureWidth, item->pictureHeight, format)) {
      delete texture;
      for (ZRTexture* made : item->textures) delete made;
      item->textures.clear();
      return false;
    }
    item->textures.push_back(texture);
  }
  return true;
}

}  // namespace

// ---- players --------------------------------------------------------------------------------------------

void setOverlayItemPlayerFactory(ZROverlayItemPlayerFactory factory) {
  g_playerFactory.store(factory);
}

ZROverlayItemPlayer* makeOverlayItemPlayer() {
  ZROverlayItemPlayerFactory factory = g_playerFactory.load();
  return factory != nullptr ? factory() : nullptr;
}

// ---- preparing --------------------------------------------------------------------------------------------

void renderTextAndCreateMemoryObject(ZROverlayItem* item, ZRDrawContext** textContext) {
  if (item == nullptr || textContext == nullptr) return;
  item->frames.clear();
  if (*textContext == nullptr) {
    auto* made = new ZRDrawContext(kOverlayTextContextWidth, kOverlayTextContextHeight, 1.0f);
    if (!made->isValid()) {
      delete made;
      return;
    }
    made->setFontColor(1, 1, 1, 1);
    *textContext = made;
  }
  ZRDrawContext& canvas = **textContext;
  canvas.clearToBlack();
  const ZRString text(item->textOrPath);
  const ZRString font(item->font);
  float size = static_cast<float>(item->fontSize);
  float w = 0, h = 0;
  ZRDrawContext::measureText(text, font, size, item->style, w, h);
  if (!(w > 0) || !(h > 0)) return;
  // A text larger than the canvas is drawn smaller, whole, rather than cut.
  const float maxW = static_cast<float>(canvas.getPixelWidth()),
              maxH = static_cast<float>(canvas.getPixelHeight());
  if (w > maxW || h > maxH) {
    size *= std::min(maxW / w, maxH / h) * 0.98f;
    ZRDrawContext::measureText(text, font, size, item->style, w, h);
    if (!(w > 0) || !(h > 0)) return;
  }
  canvas.drawText(0, 0, text, font, size, item->style, textAlignInvalid, 0, 0);
  const int pw = std::clamp(static_cast<int>(std::lround(w)), 1, canvas.getPixelWidth());
  const int ph = std::clamp(static_cast<int>(std::lround(h)), 1, canvas.getPixelHeight());
  std::vector<uint8_t> rgba(static_cast<size_t>(pw) * ph * 4);
  canvas.copySubImageToBufferInRGBA(0, 0, pw, ph, rgba.data(), false);
  // White on black: the grey level is the coverage, which becomes the alpha of the item's colour.
  const uint8_t r = static_cast<uint8_t>(std::lround(std::clamp(item->red, 0.0f, 1.0f) * 255));
  const uint8_t g = static_cast<uint8_t>(std::lround(std::clamp(item->green, 0.0f, 1.0f) * 255));
  const uint8_t b = static_cast<uint8_t>(std::lround(std::clamp(item->blue, 0.0f, 1.0f) * 255));
  const bool bgr = bgrOrder();
  for (size_t i = 0; i < rgba.size(); i += 4) {
    const uint8_t a = static_cast<uint8_t>((rgba[i] + rgba[i + 1] + rgba[i + 2]) / 3);
    rgba[i] = bgr ? b : r;
    rgba[i + 1] = g;
    rgba[i + 2] = bgr ? r : b;
    rgba[i + 3] = a;
  }
  item->frames.push_back(std::move(rgba));
  item->pictureWidth = pw;
  item->pictureHeight = ph;
  item->hasAlpha = true;
  item->currentFrame = 0;
}

void loadOverlayItemDataFromDisk(ZROverlayItem* item, bool, bool forceAlpha, ZRDrawContext** textContext) {
  if (item == nullptr) return;
  if (item->kind == kOverlayItemText) {
    renderTextAndCreateMemoryObject(item, textContext);
  } else if (item->kind == kOverlayItemImage) {
    item->frames.clear();
    loadPicture(item, forceAlpha);
    item->currentFrame = 0;
  }
}

// ---- drawing ----------------------------------------------------------------------------------------------

void displayOverlayItem(ZROverlayItem* item, ZROverlayPage* page, void*, double time, bool opengl,
                        void* device, void* context, float width, float height, bool hold, bool alternate) {
  if (item == nullptr) return;
  bool hidden = alternate;
  if (item->showMode == kOverlayShowAlternate) hidden = !hidden;
  if (item->showMode == kOverlayShowAlways) hidden = false;

  if (item->kind == kOverlayItemText || item->kind == kOverlayItemImage) {
    if (item->textures.empty() && !hold && !item->frames.empty())
      createTextures(item, opengl, device, context);
    item->currentFrame = item->textures.empty() ? 0 : item->currentFrame % item->textureCount();
    if (item->textures.empty()) return;
  }
  if (item->kind == kOverlayItemVideo && (item->pictureWidth <= 0 || item->pictureHeight <= 0) &&
      item->videoPlayer != nullptr) {
    item->videoPlayer->pictureSize(item->pictureWidth, item->pictureHeight);
  }

  const ZROverlayPage none;
  const ZROverlayPage& p = page != nullptr ? *page : none;
  const double X = p.x + item->posx * p.scaleX;
  const double Y = p.y + item->posy * p.scaleY;
  double W = item->width * p.scaleX;
  double H = item->height * p.scaleY;
  if (item->keepAspect && item->pictureWidth > 0 && item->pictureHeight > 0 && width > 0 && height > 0) {
    const double a = static_cast<double>(item->pictureWidth) / item->pictureHeight;
    const double o = static_cast<double>(width) / height;
    if (item->byHeight) {
      W = a * H / o;
    } else {
      H = o * W / a;
    }
  }
  const double fx = opengl ? 2.0 : 4.0, fy = opengl ? 2.0 : 3.0;
  const auto x = static_cast<float>((X - 0.5) * fx);
  const auto y = static_cast<float>((Y - 0.5) * fy);
  const auto rotation = static_cast<float>(item->rotation);
  const auto opacity = static_cast<float>(item->opacity * p.opacity);

  // The motion applies from the next frame on.
  if (!hold && item->duration > 0) {
    const double f = time / (item->duration / 1000.0);
    double* values[kAnimCount] = {&item->posx,   &item->posy,    &item->width,
                                  &item->height, &item->opacity, &item->rotation};
    for (int i = 0; i < kAnimCount; ++i) {
      if (item->animate[i]) *values[i] += (item->animationEnd[i] - item->animationStart[i]) * f;
    }
  }

  switch (item->kind) {
    case kOverlayItemNone:
    case kOverlayItemNothing:
      break;
    case kOverlayItemText:
    case kOverlayItemImage:
      if (!hidden) {
        item->textures[item->currentFrame]->drawFull(x, y, static_cast<float>(W), static_cast<float>(H),
                                                     rotation, opacity, false, false);
      }
      if (!hold) item->currentFrame = (item->currentFrame + 1) % item->textureCount();
      break;
    case kOverlayItemVideo:
      if (item->videoPlayer == nullptr) break;
      if (item->videoPlayer->isOpenOrPending()) {
        item->videoPlayer->playPause(true);
      } else {
        item->videoPlayer->openFile(item->textOrPath, item->duration / 1000.0, true, false);
      }
      item->videoPlayer->setSizePos(x, y, static_cast<float>(W), static_cast<float>(H), rotation, opacity);
      item->videoPlayer->updateFromRenderThread(time, opengl, device, context, width, height, hold, hidden);
      break;
    case kOverlayItemTicker:
      if (item->ticker != nullptr) {
        item->ticker->updateFromRenderThread(time, opengl ? 1 : 0, device, context, width, height,
                                             hold ? 1 : 0, hidden ? 1 : 0);
      }
      break;
    default:
      ZRLOG("unknown item type");
      break;
  }
}

// ---- freeing ----------------------------------------------------------------------------------------------

void freeOverlayItem(ZROverlayItem& item, bool freeGraphics, bool freeData) {
  if (freeGraphics) {
    if (item.releaseCallback) item.releaseCallback(&item, 1);
    if (item.videoPlayer != nullptr) item.videoPlayer->freeAllGraphicsResourcesInUse();
    if (item.ticker != nullptr) item.ticker->freeAllGraphicsResourcesInUse();
    for (ZRTexture* texture : item.textures) retireOverlayTexture(texture);
    item.textures.clear();
  }
  if (freeData) {
    if (item.releaseCallback) item.releaseCallback(&item, 2);
    delete item.videoPlayer;
    item.videoPlayer = nullptr;
    delete item.ticker;
    item.ticker = nullptr;
    item.frames.clear();
    item.frames.shrink_to_fit();
  }
}

void freeOverlayItem(ZROverlayItem** item, bool, bool freeGraphics, bool freeData, bool deleteItem) {
  if (item == nullptr || *item == nullptr) return;
  freeOverlayItem(**item, freeGraphics, freeData);
  if (deleteItem) {
    // Whatever graphics are left go to the render thread rather than leak with the item.
    for (ZRTexture* texture : (*item)->textures) retireOverlayTexture(texture);
    (*item)->textures.clear();
    delete *item;
    *item = nullptr;
  }
}

// ---- textures and the render thread ---------------------------------------------------------------

void markOverlayRenderThread() {
  g_renderThread.store(std::this_thread::get_id());
}

bool isOverlayRenderThread() {
  return g_renderThread.load() == std::this_thread::get_id();
}

void retireOverlayTexture(ZRTexture* texture) {
  if (texture == nullptr) return;
  if (isOverlayRenderThread()) {
    delete texture;
    return;
  }
  std::lock_guard<std::mutex> guard(g_retiredLock);
  g_retired.push_back(texture);
}

void deleteRetiredOverlayTextures() {
  std::vector<ZRTexture*> retired;
  {
    std::lock_guard<std::mutex> guard(g_retiredLock);
    if (g_retired.empty()) return;
    retired.swap(g_retired);
  }
  for (ZRTexture* texture : retired) delete texture;
}
