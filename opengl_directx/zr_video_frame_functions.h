#pragma once
// The frame functions the render canvases call for each frame: what a frame contains. The skin canvas's
// frame is the GUI tick and the node tree in the skin's 2D projection; the video output canvas's frame is
// the video output composition, which the video mixing layer above installs (ZRVideoOutputHooks); without
// it the canvas shows black. While the output has nothing to show (no video source) it is drawn only when
// its window lost its picture.
//
// Threads: render thread, with the canvas's GL context current; installVideoOutputHooks before the render
// thread starts or from any thread (the hooks are swapped as one pointer).

class ZRNodeManager;
class ZRRenderClient;

// What the video mixing layer does in each frame. Every member may be null.
struct ZRVideoOutputHooks {
  // Before each output frame, also when the output is not drawn: acknowledges the decoders' opens and
  // closes and uploads the decks' new pictures.
  void (*beforeOutputFrame)(double dt) = nullptr;
  // Draws one output frame of width x height pixels into the current canvas.
  void (*drawOutputFrame)(double dt, int width, int height, int opengl) = nullptr;
  // Before each skin frame: hands the video pictures to the skin's video nodes.
  void (*beforeSkinFrame)(ZRNodeManager* manager) = nullptr;
  // The render thread is about to destroy its contexts (one is current): frees the GPU resources.
  void (*release)() = nullptr;
  // Whether the output has something to show (a deck's picture, or a recording running). Null: always.
  bool (*hasContent)() = nullptr;
};
// hooks must outlive the render thread (a static); null removes them.
void installVideoOutputHooks(const ZRVideoOutputHooks* hooks);
const ZRVideoOutputHooks* getVideoOutputHooks();

// The first step of every output frame (the hooks' beforeOutputFrame); nothing when enabled is 0.
void RenderInitial(double dt, int enabled);
// Frees the video output's GPU resources (the hooks' release); render thread, a context current.
void ReleaseVideoOutput();

enum ZRRenderMode : int {
  ZRRenderModeSkin = 0,
  ZRRenderModeVideoOutput = 1,
};

class ZRSkinRedraw;

// What the canvas knows of its frame.
struct ZRFrameRequest {
  // The window lost its picture (first frame, resize, expose): the whole frame must be drawn.
  bool windowDamaged = true;
  // The skin canvas's memory of its last frame: only what changed is drawn, and an unchanged frame not at
  // all. Null: the skin is drawn whole on every frame.
  ZRSkinRedraw* skin = nullptr;
};

// Draws one frame of mode into the current canvas of width x height pixels. Returns at once (drawing
// nothing) when the client answers that rendering must stop; false then. Otherwise true when there is a
// new frame to present, false when the frame is unchanged (the window keeps its picture). The skin's
// frame runs the GUI tick in any case.
bool RenderMain(double dt, int mode, int width, int height, int opengl, ZRRenderClient* client,
                const ZRFrameRequest& request = {});
