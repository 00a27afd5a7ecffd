#pragma once
// A horizontal ticker: a strip of pictures that scrolls from right to left across the video output. It is
// reached through an overlay item of kind 3, whose drawing calls updateFromRenderThread; nothing in the
// program creates a ticker yet, so the producing side is only the queue below.
//
// Geometry in output units: y is the strip's centre (0 bottom .. 1 top), height the items' height as a
// fraction of the output height, gap the space after each item and scroll the left edge of the first item
// as fractions of the output width; speed is in percent of the output width per second.
//
// Threads: a producer queues items (queueItem) and takes back the ones that scrolled out
// (takeReleasedItem); the strip, the positions and the textures belong to the render thread. The
// destructor (any thread) asks the render thread to drop the textures and waits for it at most 100 ms;
// textures it still finds go to the render thread (retireOverlayTexture), never deleted elsewhere.

#include <atomic>
#include <cstdint>
#include <vector>

#include "common/zr_lock_free_queue.h"

class ZRTexture;

class ZRTickerRenderer {
 public:
  struct TTickerItem {
    ZRTexture* texture = nullptr;  // owned; made on the render thread
    int pictureWidth = 0, pictureHeight = 0;
    std::vector<uint8_t> pixels;  // 4 bytes per pixel with alpha, else 3, as overlay item frames
    bool hasAlpha = false;
    bool placed = false;
    float x = 0, y = 0, w = 0, h = 0;  // the drawFull rectangle
  };

  ZRTickerRenderer(float y, float height, float gap, double speed);
  ~ZRTickerRenderer();
  ZRTickerRenderer(const ZRTickerRenderer&) = delete;
  ZRTickerRenderer& operator=(const ZRTickerRenderer&) = delete;

  // Producer side: an item to enter the strip (owned from here on; null is skipped), and the items that
  // left it (texture already gone; the caller owns them again).
  void queueItem(TTickerItem* item);
  TTickerItem* takeReleasedItem();

  // Render thread, once per output frame (dt in seconds; width, height the output in pixels).
  void updateFromRenderThread(double dt, int opengl, void* device, void* context, float width, float height,
                              int hold, int hidden);
  // Places item with its left edge at p; aspect is the output's width / height.
  void calculateTickerItemSizeAndPos(TTickerItem* item, double p, double aspect, int opengl) const;
  void resetAllGraphicsResourcesInUse();
  void freeAllGraphicsResourcesInUse();

  double getScroll() const { return scroll_; }
  int stripSize() const { return static_cast<int>(strip_.size()); }

 private:
  double widthOf(const TTickerItem* item, double aspect) const;

  ZRLockFreeQueue<TTickerItem*> pending_;
  ZRLockFreeQueue<TTickerItem*> released_;
  std::vector<TTickerItem*> strip_;  // render thread
  float y_, height_, gap_;
  double speed_;
  double scroll_ = 1.0;
  bool noItemsLogged_ = false;  // render thread: "no items" is said once until items come again
  std::atomic<bool> stopping_{false};
  std::atomic<bool> stopAcknowledged_{false};
};
