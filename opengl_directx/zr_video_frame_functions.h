#pragma once
// The frame functions the render canvases call for each frame: what a frame contains. The skin canvas's
// frame is the GUI tick and the node tree in the skin's 2D projection; the video output canvas's frame is
// the video output composition, which is not built yet (the canvas shows black).
//
// Threads: render thread, with the canvas's GL context current.

class ZRRenderClient;

enum ZRRenderMode : int {
  ZRRenderModeSkin = 0,
  ZRRenderModeVideoOutput = 1,
};

// Draws one frame of mode into the current canvas of width x height pixels. Returns at once (drawing
// nothing) when the client answers that rendering must stop; false then, true when the frame was drawn.
bool RenderMain(double dt, int mode, int width, int height, int opengl, ZRRenderClient* client);
