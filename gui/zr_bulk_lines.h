#pragma once
// The line batch: the node manager outlines controls (and the learn target) with many short lines each
// frame; they are collected here and drawn in one call. Coordinates are skin points, multiplied by the
// scale factor the node manager sets every frame.
//
// The drawing itself belongs to the render engine: the OpenGL engine installs its renderer
// (installOpenGLRenderEngine in opengl_directx/). A batch is drawn only while the process draws with
// OpenGL and a renderer is installed; otherwise it is discarded.
//
// A batch holds 2048 lines; adding to a full batch draws what it holds first, so a skin with any number
// of outlined controls draws every line.
//
// Threads: render thread only (one batch is built and drawn within one node-manager render); unlocked.

class ZRBulkLineRenderer {
 public:
  virtual ~ZRBulkLineRenderer() = default;
  // Draws vertexCount / 2 separate lines from xy (two floats per vertex, pixels) at the width and colour.
  virtual void drawLines(const float* xy, int vertexCount, float width, const float rgba[4]) = 0;
};

// Installs the renderer (null removes it); not owned.
void setBulkLineRenderer(ZRBulkLineRenderer* renderer);

constexpr int kBulkLineCapacity = 2048;

void updateWaveformScaleFactor(float scale);
// Starts a batch of lines of this width (pixels) and colour; the batch is emptied.
void startDrawingBulkLines(float width, float r, float g, float b, float a);
void addBulkLine(float x1, float y1, float x2, float y2);
// Draws the batch and empties it (in any case). device and context are not read.
void finishDrawingBulkLines(void* device, void* context);
