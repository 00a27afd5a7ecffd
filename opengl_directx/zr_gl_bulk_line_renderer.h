#pragma once
// The OpenGL renderer of the line batch (gui/zr_bulk_lines.h): one draw call of separate lines from a
// client-side array, through a small GLSL program built on first use. Render thread, context current.

#include "gui/zr_bulk_lines.h"

class ZRGLBulkLineRenderer : public ZRBulkLineRenderer {
 public:
  void drawLines(const float* xy, int vertexCount, float width, const float rgba[4]) override;
  // Forgets the program (deleted when a context is current); the next batch builds it again.
  void releaseProgram();

 private:
  unsigned linesProgram_ = 0;
  bool tried_ = false;
};
