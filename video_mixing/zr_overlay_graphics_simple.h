#pragma once
// The simple overlay layer: a list of overlay items (texts, pictures, videos) built on the main thread
// and handed to the render thread in whole batches. Each item is placed at every frame by its alignment
// (alignOverlayItem): one of nine places with a small margin, or free (its own posx, posy). The user's
// overlays (video_mixing/zr_simple_overlays.h) and the karaoke singers list each draw through one.
//
// Building: addItemText / addItemImageOrVideo append to the pending items (pixel data prepared at once);
// commitChanges hands them over as one batch; the next frame frees the batch it drew and draws the new
// one. A batch the render thread has not taken yet is replaced by a newer one (the older is discarded),
// so committing never waits: not on a render thread that is busy or stopped, and not on itself.
//
// Threads: the pending items belong to the building thread, the current items to the render thread; the
// hand-over slot is guarded by a mutex held only to swap a vector. Destroying the layer frees both; its
// textures go to the render thread (retireOverlayTexture).

#include <atomic>
#include <mutex>
#include <vector>

#include "video_mixing/zr_overlay_graphics_layers.h"

class ZRDrawContext;

class ZROverlayGraphicsSimple : public ZROverlayGraphicsLayer {
 public:
  // The system passes the stack's item render callback (getItemRenderCallback()) and no user data.
  ZROverlayGraphicsSimple(overlayItemRenderCallback callback, void* userData);
  ~ZROverlayGraphicsSimple() override;

  // Appends a pending text item (rendered at once); false for a null or empty text. font: a face name, or
  // null / empty for "Arial".
  bool addItemText(const char* text, float posx, float posy, float width, float height, int fontSize,
                   const char* font, float red, float green, float blue, float opacity, float rotation,
                   textStyle style, textAlign align);
  // Appends a pending picture (decoded at once) or, for a video file, video item; false for a null path
  // or a file that does not exist.
  bool addItemImageOrVideo(const char* path, float posx, float posy, float width, float height, float opacity,
                           float rotation, textAlign align);
  // Hands the pending items to the render thread as one batch (replacing a batch not taken yet); true.
  bool commitChanges();
  // Discards the pending items.
  void clearItems();
  int pendingItemCount() const { return static_cast<int>(pending_.size()); }

  void updateFromRenderThread(double time, bool opengl, void* device, void* context, float width,
                              float height, bool hold, bool alternate) override;
  void resetAllGraphicsResourcesInUse() override;
  bool drawsSomething() const override;
  // A new batch waits, or an item moves by itself (an animation, a video, a ticker, a motion).
  bool isChanging() const override;

  // Places item by its alignment for an output of aspect (width / height), margin as a fraction of the
  // output's height (the same number of pixels on both axes); free placement (-1) keeps posx, posy.
  static void alignOverlayItem(ZROverlayItem* item, float aspect, float margin);

 private:
  static void freeAll(std::vector<ZROverlayItem>& items);

  std::vector<ZROverlayItem> pending_;  // building thread
  std::vector<ZROverlayItem> current_;  // render thread
  std::mutex handOverLock_;
  std::vector<ZROverlayItem> handOver_;  // under handOverLock_
  std::atomic<bool> batchWaiting_{false};
  std::atomic<bool> hasCurrent_{false};
  std::atomic<bool> currentMoves_{false};
  ZRDrawContext* textContext_ = nullptr;  // building thread
};
