#pragma once
// The OpenGL renderer of the line batch (gui/zr_bulk_lines.h): one draw call of separate lines from a
// client-side array, through a small GLSL program built on first use. Render thread, context current.

#include "gui/zr_bulk_lines.h"

class ZRGLBulkLineRenderer : public ZRBulkLineRenderer {
 public:
  // Recorded instead while a frame is being recorded (opengl_directx/zr_frame_journal.h).
  void drawLines(const float* xy, int vertexCount, float width, const float rgba[4]) override;
  // Draws now, even while a frame is being recorded (the recording's replay).
  void drawLinesNow(const float* xy, int vertexCount, float width, const float rgba[4]);
  // Forgets the program (deleted when a context is current); the next batch builds it again.
  void releaseProgram();

 private:
  unsigned linesProgram_ = 0;
  bool tried_ = false;
};
