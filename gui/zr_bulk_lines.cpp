#include "gui/zr_bulk_lines.h"

#include "common/zr_texture.h"

namespace {

ZRBulkLineRenderer* renderer = nullptr;
float vertices[kBulkLineCapacity * 4];
int used = 0;  // floats
float lineWidth = 1;
float color[4] = {1, 1, 1, 1};
float wfScaleFactor = 1;

bool drawing() {
  return renderer != nullptr &&
         ZRTexture::defaultRenderEngine.load(std::memory_order_acquire) == ZRRenderEngineOpenGL;
}

void drawBatch() {
  if (used > 0 && drawing()) renderer->drawLines(vertices, used / 2, lineWidth, color);
  used = 0;
}

}  // namespace

void setBulkLineRenderer(ZRBulkLineRenderer* r) {
  renderer = r;
}

void updateWaveformScaleFactor(float scale) {
  wfScaleFactor = scale;
}

void startDrawingBulkLines(float width, float r, float g, float b, float a) {
  lineWidth = width;
  color[0] = r;
  color[1] = g;
  color[2] = b;
  color[3] = a;
  used = 0;
}

void addBulkLine(float x1, float y1, float x2, float y2) {
  if (!drawing()) return;
  if (used + 4 > kBulkLineCapacity * 4) drawBatch();
  vertices[used++] = x1 * wfScaleFactor;
  vertices[used++] = y1 * wfScaleFactor;
  vertices[used++] = x2 * wfScaleFactor;
  vertices[used++] = y2 * wfScaleFactor;
}

void finishDrawingBulkLines(void*, void*) {
  drawBatch();
}
