#pragma once
// Overlay layers: everything drawn over the video output apart from the decks and the live picture (the
// user's overlays, the karaoke singers list, the shader when it is drawn on top). A layer is asked once
// per output frame to draw itself; the layers stand in one ordered stack, later layers drawn over earlier
// ones. The output composition creates the stack (owning its layers, with displayOverlayItem as the item
// render callback) and draws it; other modules add their layers to it (getOverlayGraphicsLayers(),
// video_mixing/zr_video_output.h).
//
// Threads: layers are added and removed on the main thread while the render thread draws; the stack's
// read/write lock serialises them (shared while drawing or resetting, exclusive while changing). A layer's
// visible flag is an atomic written from any thread. Textures live on the render thread only.

#include <atomic>
#include <vector>

#include "common/zr_critical_section.h"
#include "video_mixing/zr_overlay_item.h"

class ZROverlayGraphicsLayer {
 public:
  ZROverlayGraphicsLayer(overlayItemRenderCallback callback, void* userData)
      : callback_(std::move(callback)), userData_(userData) {}
  virtual ~ZROverlayGraphicsLayer() = default;
  ZROverlayGraphicsLayer(const ZROverlayGraphicsLayer&) = delete;
  ZROverlayGraphicsLayer& operator=(const ZROverlayGraphicsLayer&) = delete;

  virtual overlayItemRenderCallback getItemRenderCallback() const { return callback_; }
  virtual void setVisible(bool visible) { visible_.exchange(visible); }
  virtual bool getVisible() const { return visible_.load(); }
  // Render thread, once per output frame. time: the frame's time step in seconds; width, height: the
  // output in pixels; hold: draw without making textures or advancing anything; alternate: draw the
  // alternate set of items. device and context are null with OpenGL.
  virtual void updateFromRenderThread(double time, bool opengl, void* device, void* context, float width,
                                      float height, bool hold, bool alternate) = 0;
  // Render thread: drops every texture (made again at the next draw).
  virtual void resetAllGraphicsResourcesInUse() = 0;
  // Whether a frame drawn now would show anything of this layer (the output skips drawing when nothing
  // shows). Any thread. A layer that does not know says so whenever it is visible.
  virtual bool drawsSomething() const { return getVisible(); }
  // Whether the next frame may look different from the last one drawn (something moves, or new items came),
  // so that a still output needs no redraw. Any thread. A layer that does not know says so whenever it is
  // visible.
  virtual bool isChanging() const { return getVisible(); }

 protected:
  overlayItemRenderCallback callback_;
  void* userData_;
  std::atomic<bool> visible_{true};
};

class ZROverlayGraphicsLayers : public ZROverlayGraphicsLayer {
 public:
  // ownsLayers: destroying the stack deletes the layers still in it.
  ZROverlayGraphicsLayers(overlayItemRenderCallback callback, void* userData, bool ownsLayers);
  ~ZROverlayGraphicsLayers() override;

  // Inserts layer right after `after` (drawn over it) when that is in the stack, else at the end (drawn
  // over everything). A layer already in the stack is moved, never held twice. Null is refused.
  void addLayer(ZROverlayGraphicsLayer* layer, ZROverlayGraphicsLayer* after);
  // Takes layer out of the stack; the layer is not deleted.
  void removeLayer(ZROverlayGraphicsLayer* layer);
  bool containsLayer(ZROverlayGraphicsLayer* layer);
  int layerCount();

  // Draws every layer in order (each checks its own visibility); first deletes the textures other threads
  // handed over.
  void updateFromRenderThread(double time, bool opengl, void* device, void* context, float width,
                              float height, bool hold, bool alternate) override;
  void resetAllGraphicsResourcesInUse() override;
  // Whether any layer in the stack draws something.
  bool drawsSomething() const override;
  bool isChanging() const override;

 private:
  std::vector<ZROverlayGraphicsLayer*> layers_;
  mutable ZRCriticalSection lock_;
  bool ownsLayers_;
};
