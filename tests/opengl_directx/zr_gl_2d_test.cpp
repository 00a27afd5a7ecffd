// The skin's 2D projection: one unit per pixel from the top-left corner (times the UI scale), the
// bottom-left variant, and everything it changed restored afterwards.

#include "opengl_directx/zr_gl_2d.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "gl_test_context.h"
#include "support/display_required.h"

namespace {

using orvel_test::RenderTarget;

void quad(float x, float y, float w, float h) {
  glDisable(GL_TEXTURE_2D);
  glDisable(GL_BLEND);
  glColor4f(1, 0, 0, 1);
  glBegin(GL_QUADS);
  glVertex2f(x, y);
  glVertex2f(x + w, y);
  glVertex2f(x + w, y + h);
  glVertex2f(x, y + h);
  glEnd();
}

class Projection2D : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  }
  // Draws a 10 x 10 quad at (5, 5) inside the projection and returns the picture.
  std::vector<uint8_t> draw(int topLeft, int width, int height, float scale) {
    RenderTarget target(64, 64);
    target.begin();
    glEnable2D(topLeft, width, height, scale);
    quad(5, 5, 10, 10);
    glDisable2D();
    target.end();
    return target.read();
  }
  static bool red(const std::vector<uint8_t>& picture, int x, int y) {
    return picture[(y * 64 + x) * 4] > 200;
  }
};

TEST_F(Projection2D, TopLeftOriginOneUnitPerPixelTimesTheScale) {
  const auto plain = draw(1, 64, 64, 1);
  EXPECT_TRUE(red(plain, 6, 6));
  EXPECT_TRUE(red(plain, 14, 14));
  EXPECT_FALSE(red(plain, 16, 16));
  // At scale 2 the area is 128 x 128 units over the 64-pixel target: the quad halves.
  const auto doubled = draw(1, 64, 64, 2);
  EXPECT_TRUE(red(doubled, 3, 3));
  EXPECT_FALSE(red(doubled, 8, 8));
  // Without a size the viewport is the area.
  EXPECT_TRUE(red(draw(1, 0, 0, 1), 14, 14));
}

TEST_F(Projection2D, BottomLeftOriginAndTheStateComesBack) {
  const auto picture = draw(0, 64, 64, 1);
  EXPECT_TRUE(red(picture, 6, 64 - 7));
  EXPECT_FALSE(red(picture, 6, 6));

  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0, 3, 0, 3, -1, 1);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(1, 2, 0);
  glEnable(GL_DEPTH_TEST);
  std::array<double, 16> projection{}, modelView{};
  glGetDoublev(GL_PROJECTION_MATRIX, projection.data());
  glGetDoublev(GL_MODELVIEW_MATRIX, modelView.data());
  glEnable2D(1, 64, 64, 1);
  EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
  glDisable2D();
  std::array<double, 16> projectionAfter{}, modelViewAfter{};
  glGetDoublev(GL_PROJECTION_MATRIX, projectionAfter.data());
  glGetDoublev(GL_MODELVIEW_MATRIX, modelViewAfter.data());
  EXPECT_EQ(projection, projectionAfter);
  EXPECT_EQ(modelView, modelViewAfter);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
  glDisable(GL_DEPTH_TEST);
  glLoadIdentity();
}

}  // namespace
