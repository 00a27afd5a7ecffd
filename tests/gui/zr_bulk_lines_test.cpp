#include "gui/zr_bulk_lines.h"

#include <gtest/gtest.h>

#include <vector>

#include "common/zr_texture.h"

namespace {

struct Recorder : ZRBulkLineRenderer {
  std::vector<int> calls;  // vertex counts
  std::vector<float> vertices;
  float width = 0;
  float colour[4] = {0, 0, 0, 0};
  void drawLines(const float* xy, int vertexCount, float w, const float rgba[4]) override {
    calls.push_back(vertexCount);
    vertices.insert(vertices.end(), xy, xy + 2 * vertexCount);
    width = w;
    for (int i = 0; i < 4; ++i) colour[i] = rgba[i];
  }
};

class BulkLines : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    setBulkLineRenderer(&recorder);
    updateWaveformScaleFactor(1);
  }
  void TearDown() override { setBulkLineRenderer(nullptr); }
  Recorder recorder;
};

TEST_F(BulkLines, AFullBatchIsDrawnBeforeMoreLinesAreAdded) {
  updateWaveformScaleFactor(2);
  startDrawingBulkLines(1.5f, 0.1f, 0.2f, 0.3f, 0.4f);
  for (int i = 0; i < 5000; ++i) addBulkLine(static_cast<float>(i), 1, static_cast<float>(i), 2);
  finishDrawingBulkLines(nullptr, nullptr);
  EXPECT_EQ(recorder.calls, (std::vector<int>{4096, 4096, 1808}));
  ASSERT_EQ(recorder.vertices.size(), 20000u);
  // Every line, in order, in pixels.
  EXPECT_EQ(recorder.vertices[4 * 4999], 9998.0f);
  EXPECT_EQ(recorder.vertices[4 * 4999 + 3], 4.0f);
  EXPECT_EQ(recorder.width, 1.5f);
  EXPECT_EQ(recorder.colour[3], 0.4f);
  // The batch is empty afterwards.
  finishDrawingBulkLines(nullptr, nullptr);
  EXPECT_EQ(recorder.calls.size(), 3u);
}

TEST_F(BulkLines, WithoutOpenGLTheBatchIsDiscarded) {
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineRGBA);
  startDrawingBulkLines(1, 1, 1, 1, 1);
  addBulkLine(0, 0, 1, 1);
  finishDrawingBulkLines(nullptr, nullptr);
  EXPECT_TRUE(recorder.calls.empty());
  ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
  startDrawingBulkLines(1, 1, 1, 1, 1);  // a new batch starts empty
  finishDrawingBulkLines(nullptr, nullptr);
  EXPECT_TRUE(recorder.calls.empty());
}

}  // namespace
