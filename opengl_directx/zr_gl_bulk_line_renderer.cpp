#include "opengl_directx/zr_gl_bulk_line_renderer.h"

#include <GL/glew.h>

#include "opengl_directx/zr_frame_journal.h"
#include "opengl_directx/zr_gl_extensions.h"
#include "opengl_directx/zr_glsl.h"

void ZRGLBulkLineRenderer::drawLines(const float* xy, int vertexCount, float width, const float rgba[4]) {
  if (xy == nullptr || vertexCount < 2) return;
  if (ZRFrameJournal* journal = ZRFrameJournal::recording()) {
    journal->addLines(this, xy, vertexCount, width, rgba);
    return;
  }
  drawLinesNow(xy, vertexCount, width, rgba);
}

void ZRGLBulkLineRenderer::drawLinesNow(const float* xy, int vertexCount, float width, const float rgba[4]) {
  if (xy == nullptr || vertexCount < 2 || !initOpenGLExtensions()) return;
  if (!tried_) {
    tried_ = true;
    linesProgram_ = shadersCreateProgram(fragment_shader_lines, vertex_shader_lines);
  }
  glColor4f(rgba[0], rgba[1], rgba[2], rgba[3]);
  glLineWidth(width);
  glUseProgram(linesProgram_);
  glEnableClientState(GL_VERTEX_ARRAY);
  glVertexPointer(2, GL_FLOAT, 0, xy);
  glDrawArrays(GL_LINES, 0, vertexCount);
  glDisableClientState(GL_VERTEX_ARRAY);
  glUseProgram(0);
}

void ZRGLBulkLineRenderer::releaseProgram() {
  if (linesProgram_ != 0 && hasCurrentOpenGLContext() && getOpenGLCapabilities() != nullptr) {
    glDeleteProgram(linesProgram_);
  }
  linesProgram_ = 0;
  tried_ = false;
}
