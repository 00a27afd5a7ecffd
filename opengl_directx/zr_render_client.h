#pragma once
// What the render thread needs of the main window (which lives above this layer and implements it).
//
// Threads: every call is made on the render thread, with a GL context current.

class ZRNodeManager;

class ZRRenderClient {
 public:
  virtual ~ZRRenderClient() = default;

  // Asked before every frame of either canvas: false draws the frame. Once the main window has asked the
  // render thread to stop, the first call frees the skin's GPU resources (this thread owns the context) and
  // answers true, as does every later call. device and context are handed to new textures.
  virtual bool testIfRenderingSystemNeedsToExit(void* device, void* context) = 0;
  // The GUI tick before each skin frame, with the seconds the frame covers.
  virtual void runGuiTick(float seconds) = 0;
  // The skin drawn into the skin canvas (null: nothing to draw).
  virtual ZRNodeManager* getRenderNodeManager() = 0;
  // Last call before the render thread destroys its contexts: frees every GPU resource of the skin still
  // held (also when the stop request never came or came late).
  virtual void releaseRenderResources() = 0;
};
