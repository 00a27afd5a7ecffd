#include <GL/glew.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "gui/zr_bulk_lines.h"
#include "opengl_directx/zr_glsl.h"
#include "opengl_directx/zr_opengl_engine.h"
#include "opengl_directx/zr_texture_opengl.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace {

using Pixel = std::vector<uint8_t>;

class GLDrawing : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  }
};

TEST_F(GLDrawing, TheLineBatchDrawsEveryLineInPixels) {
  orvel_test::RenderTarget target(40, 40);
  target.begin();
  updateWaveformScaleFactor(2);
  startDrawingBulkLines(1, 1, 0, 0, 1);
  // 3000 lines (more than one batch): the last one is a horizontal line at y 15.5 points = row 31.
  for (int i = 0; i < 2999; ++i) addBulkLine(0.25f, 0.25f, 0.25f, 0.25f);
  addBulkLine(0, 15.75f, 20, 15.75f);
  finishDrawingBulkLines(nullptr, nullptr);
  target.end();
  EXPECT_EQ(target.pixel(10, 31), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(target.pixel(39, 31), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(target.pixel(10, 29), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(target.pixel(10, 33), (Pixel{0, 0, 0, 0}));
  updateWaveformScaleFactor(1);
}

TEST_F(GLDrawing, ProgramsAreBuiltAgainAfterTheirRelease) {
  auto* t = static_cast<ZRTextureOpenGL*>(ZRTexture::createTextureWithDefaultDevice(false, 1));
  ASSERT_NE(t, nullptr);
  std::vector<uint8_t> white(4 * 4 * 4, 255), grey(4 * 4 * 4, 128);
  ZRTextureOpenGL mask(false, 1);
  ASSERT_TRUE(t->initWithOrRefreshData(white.data(), 4, 4, ZRPixelFormatBGRA));
  ASSERT_TRUE(mask.initWithOrRefreshData(grey.data(), 4, 4, ZRPixelFormatBGRA));
  orvel_test::RenderTarget target(4, 4);
  for (int round = 0; round < 2; ++round) {
    target.begin(0, 0, 0, 1);
    t->drawRectInRectWithMask(0, 0, 4, 4, 0, 0, &mask, 0, 0, nullptr, 0, 0, 1, 1, 0);
    target.end();
    EXPECT_NEAR(target.pixel(1, 1)[0], 128, 2) << round;
    releaseOpenGLRenderResources();
  }
  delete t;
}

TEST_F(GLDrawing, ATextureDeletedWithoutAContextTouchesNoGL) {
  auto* t = new ZRTextureOpenGL(false, 1);
  std::vector<uint8_t> white(4 * 4 * 4, 255);
  ASSERT_TRUE(t->initWithOrRefreshData(white.data(), 4, 4, ZRPixelFormatBGRA));
  orvel_test::releaseGLContext();
  delete t;  // must neither crash nor call into a context that is not there
  orvel_test::restoreGLContext();
  ZRTextureOpenGL again(false, 1);
  EXPECT_TRUE(again.initWithOrRefreshData(white.data(), 4, 4, ZRPixelFormatBGRA));
}

TEST_F(GLDrawing, ProgramsLinkOrFailWithTheirLogLines) {
  const unsigned program = shadersCreateProgram(fragment_shader_lines, vertex_shader_lines);
  EXPECT_NE(program, 0u);
  glDeleteProgram(program);
  // The default vertex shader stands in for a missing one.
  const unsigned withDefault = shadersCreateProgram(pixelShaderMasking, nullptr);
  EXPECT_NE(withDefault, 0u);
  glDeleteProgram(withDefault);
  orvel_test::LogCapture log;
  const char* mismatched =
      "#version 120\nvarying vec3 neverWritten;\nvoid main() { gl_FragColor = vec4(neverWritten, 1.0); }\n";
  const char* badVertex = "#version 120\nvoid main() { gl_Position = nothing; }\n";
  EXPECT_EQ(shadersCreateProgram(mismatched, badVertex), 0u);
  EXPECT_TRUE(log.contains("shaderCompileFromSource(): Unable to compile:"));
}

TEST(VideoEffectNames, TablesOfElevenNames) {
  char name[16] = "x";
  EXPECT_EQ(getVideoEffectsGLSLTotal(), 11);
  EXPECT_EQ(getVideoTransitionsGLSLTotal(), 11);
  getVideoEffectGLSLName(9, name);
  EXPECT_STREQ(name, "B/W");
  getVideoEffectGLSLName(11, name);
  EXPECT_STREQ(name, "");
  getVideoEffectGLSLName(0, name);
  EXPECT_STREQ(name, "None");
  getVideoTransitionGLSLName(8, name);
  EXPECT_STREQ(name, "Pixelate");
  getVideoTransitionGLSLName(-1, name);
  EXPECT_STREQ(name, "");
  getVideoTransitionGLSLName(10, nullptr);  // ignored
}

}  // namespace
