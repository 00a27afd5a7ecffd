#include "opengl_directx/zr_texture_opengl.h"

#include <GL/glew.h>
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "gl_test_context.h"
#include "gui/zr_draw_context.h"
#include "opengl_directx/zr_gl_extensions.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace {

using orvel_test::RenderTarget;
using Pixel = std::vector<uint8_t>;

class TextureGL : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
    ZRTextureOpenGL::setBasicTexturesOnly(false);
  }
  void TearDown() override { ZRTextureOpenGL::setBasicTexturesOnly(false); }

  static std::unique_ptr<ZRTextureOpenGL> texture(float scale = 1.0f, bool dynamic = false) {
    return std::unique_ptr<ZRTextureOpenGL>(static_cast<ZRTextureOpenGL*>(
        ZRTexture::createTexture(dynamic, scale, ZRRenderEngineOpenGL, nullptr, nullptr)));
  }
  // width x height pixels of 4 bytes, all (b, g, r, a).
  static std::vector<uint8_t> bgra(int width, int height, uint8_t b, uint8_t g, uint8_t r, uint8_t a) {
    std::vector<uint8_t> v;
    for (int i = 0; i < width * height; ++i) v.insert(v.end(), {b, g, r, a});
    return v;
  }
};

struct FormatRow {
  const char* name;
  ZRPixelFormat format;
  std::vector<uint8_t> pixel;  // one pixel in the format's byte order
  Pixel drawn;                 // what it draws as: R, G, B, A
};

// Test names and messages show the row's name, not its bytes.
void PrintTo(const FormatRow& row, std::ostream* out) {
  *out << row.name;
}

class TextureFormats : public TextureGL, public ::testing::WithParamInterface<FormatRow> {};

TEST_P(TextureFormats, UploadsDrawWithTheRightColours) {
  const FormatRow& row = GetParam();
  // An odd width: rows of three- and one-byte pixels are not four-byte aligned.
  const int w = 5, h = 3;
  std::vector<uint8_t> data;
  for (int i = 0; i < w * h; ++i) data.insert(data.end(), row.pixel.begin(), row.pixel.end());
  auto t = texture();
  ASSERT_TRUE(t->initWithOrRefreshData(data.data(), w, h, row.format));
  EXPECT_EQ(t->getWidth(), w);
  RenderTarget target(8, 8);
  target.begin();
  t->drawRect(0, 0, w, h, 1, 1, 1, 1, 1, 0, 1);
  target.end();
  EXPECT_EQ(target.pixel(1, 1), row.drawn);
  EXPECT_EQ(target.pixel(5, 3), row.drawn);
  EXPECT_EQ(target.pixel(6, 1), (Pixel{0, 0, 0, 0}));
}

INSTANTIATE_TEST_SUITE_P(
    Formats, TextureFormats,
    ::testing::Values(FormatRow{"bgra", ZRPixelFormatBGRA, {30, 20, 10, 255}, {10, 20, 30, 255}},
                      FormatRow{"bgr", ZRPixelFormatBGR, {30, 20, 10}, {10, 20, 30, 255}},
                      FormatRow{"red", ZRPixelFormatRed, {200}, {200, 0, 0, 255}}),
    [](const ::testing::TestParamInfo<FormatRow>& info) { return std::string(info.param.name); });

TEST_F(TextureGL, ADrawingContextUploadsInItsOwnColours) {
  ZRDrawContext dc(10, 6, 1.0f);
  dc.setFillColor(1, 0.5f, 0, 1);
  dc.drawFilledRect(-1, -1, 5, 7, 0);
  dc.fill();
  dc.setFillColor(0, 0, 1, 1);
  dc.drawFilledRect(4.5f, -1, 11, 7, 0);
  dc.fill();
  auto t = texture();
  ASSERT_TRUE(t->initWithOrRefreshData(dc.getDataAlwaysInRGBA(false), dc.getPixelWidth(), dc.getPixelHeight(),
                                       ZRPixelFormatBGRA));
  RenderTarget target(16, 16);
  target.begin();
  t->drawRect(0, 0, 10, 6, 0, 0, 1, 1, 1, 0, 1);
  target.end();
  EXPECT_EQ(target.pixel(2, 2), (Pixel{255, 128, 0, 255}));  // orange on the left, the first row on top
  EXPECT_EQ(target.pixel(8, 5), (Pixel{0, 0, 255, 255}));
}

TEST_F(TextureGL, StorageIsExactWithCapabilitiesAndAPowerOfTwoSquareWithout) {
  std::vector<uint8_t> data = bgra(300, 200, 0, 0, 255, 255);
  for (bool basic : {false, true}) {
    SCOPED_TRACE(basic ? "basic" : "capable");
    ZRTextureOpenGL::setBasicTexturesOnly(basic);
    auto t = texture();
    ASSERT_TRUE(t->initWithOrRefreshData(data.data(), 300, 200, ZRPixelFormatBGRA));
    EXPECT_EQ(t->usesCapabilities(), !basic);
    EXPECT_EQ(t->getAllocatedWidth(), basic ? 512 : 300);
    EXPECT_EQ(t->getAllocatedHeight(), basic ? 512 : 200);
    RenderTarget target(320, 220);
    target.begin();
    t->drawRect(0, 0, 300, 200, 10, 10, 1, 1, 1, 0, 1);
    target.end();
    EXPECT_EQ(target.pixel(10, 10), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(target.pixel(309, 209), (Pixel{255, 0, 0, 255}));
    EXPECT_EQ(target.pixel(310, 209), (Pixel{0, 0, 0, 0}));
    EXPECT_EQ(target.pixel(309, 210), (Pixel{0, 0, 0, 0}));
  }
}

TEST_F(TextureGL, RefreshingKeepsTheStorageAndAnotherFormatReallocates) {
  auto t = texture(1.0f, true);
  std::vector<uint8_t> red = bgra(4, 4, 0, 0, 255, 255), green = bgra(4, 4, 0, 255, 0, 255);
  ASSERT_TRUE(t->initWithOrRefreshData(red.data(), 4, 4, ZRPixelFormatBGRA));
  const unsigned name = t->getTextureName();
  ASSERT_TRUE(t->initWithOrRefreshData(green.data(), 4, 4, ZRPixelFormatBGRA));
  EXPECT_EQ(t->getTextureName(), name);
  RenderTarget target(4, 4);
  target.begin();
  t->drawRect(0, 0, 4, 4, 0, 0, 1, 1, 1, 0, 1);
  target.end();
  EXPECT_EQ(target.pixel(2, 2), (Pixel{0, 255, 0, 255}));

  std::vector<uint8_t> blue(4 * 4 * 3);
  for (size_t i = 0; i < blue.size(); i += 3) blue[i] = 255;
  ASSERT_TRUE(t->initWithOrRefreshData(blue.data(), 4, 4, ZRPixelFormatBGR));
  glBindTexture(GL_TEXTURE_2D, t->getTextureName());
  GLint internal = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &internal);
  EXPECT_EQ(internal, GL_RGB8);
  // Null data allocates only.
  EXPECT_TRUE(t->initWithOrRefreshData(nullptr, 6, 2, ZRPixelFormatBGRA));
  EXPECT_EQ(t->getWidth(), 6);
  EXPECT_NE(t->getTextureName(), 0u);
}

TEST_F(TextureGL, TexturesLargerThanTheGLAllowsAreRefused) {
  const int max = getOpenGLCapabilities()->maxTextureSize;
  ASSERT_GT(max, 0);
  orvel_test::LogCapture log;
  auto t = texture();
  std::vector<uint8_t> small = bgra(2, 2, 255, 255, 255, 255);
  ASSERT_TRUE(t->initWithOrRefreshData(small.data(), 2, 2, ZRPixelFormatBGRA));
  std::vector<uint8_t> row(static_cast<size_t>(max + 1) * 4, 255);
  EXPECT_FALSE(t->initWithOrRefreshData(row.data(), max + 1, 1, ZRPixelFormatBGRA));
  EXPECT_TRUE(log.contains("is larger than this OpenGL allows"));
  EXPECT_EQ(t->getTextureName(), 0u);
  EXPECT_EQ(t->getWidth(), -1);
  // Nothing is drawn from a texture that holds nothing.
  RenderTarget target(4, 4);
  target.begin();
  t->drawRect(0, 0, 2, 2, 0, 0, 1, 1, 1, 0, 1);
  target.end();
  EXPECT_EQ(target.pixel(0, 0), (Pixel{0, 0, 0, 0}));
  // Bad sizes and formats are refused before anything is allocated.
  EXPECT_FALSE(t->initWithOrRefreshData(small.data(), 0, 2, ZRPixelFormatBGRA));
  EXPECT_FALSE(t->initWithOrRefreshData(small.data(), 2, 2, static_cast<ZRPixelFormat>(7)));
}

TEST_F(TextureGL, StretchingFlippingScalingAndTheSkinScale) {
  // 2 x 2: top row red, green; bottom row blue, white.
  const std::vector<uint8_t> data = {0, 0, 255, 255, 0, 255, 0, 255, 255, 0, 0, 255, 255, 255, 255, 255};
  auto t = texture();
  ASSERT_TRUE(t->initWithOrRefreshData(data.data(), 2, 2, ZRPixelFormatBGRA));
  t->setScallingNone(true);
  RenderTarget a(16, 16), b(16, 16);
  // A destination size of (-1, -1) is the source's: the same as drawRect at scale 1.
  a.begin();
  t->drawRect(0, 0, 2, 2, 3, 3, 1, 1, 1, 0, 1);
  a.end();
  b.begin();
  t->drawRectInRect(0, 0, 2, 2, 3, 3, -1, -1, 1, false, false);
  b.end();
  EXPECT_EQ(a.read(), b.read());

  b.begin();
  t->drawRectInRect(0, 0, 2, 2, 0, 0, 8, 8, 1, false, true);  // stretched 4 times, upside down
  b.end();
  EXPECT_EQ(b.pixel(1, 1), (Pixel{0, 0, 255, 255}));
  EXPECT_EQ(b.pixel(6, 6), (Pixel{0, 255, 0, 255}));

  // drawRect scaled 2 times about the centre of the source-sized box at (4, 4): it covers 3 .. 7.
  b.begin();
  t->drawRect(0, 0, 2, 2, 4, 4, 1, 2, 2, 0, 1);
  b.end();
  EXPECT_EQ(b.pixel(3, 3), (Pixel{255, 0, 0, 255}));
  EXPECT_EQ(b.pixel(6, 6), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(b.pixel(2, 2), (Pixel{0, 0, 0, 0}));

  // At skin scale 2 source and destination are in points: one point is two pixels.
  auto retina = texture(2.0f);
  ASSERT_TRUE(retina->initWithOrRefreshData(data.data(), 2, 2, ZRPixelFormatBGRA));
  retina->setScallingNone(true);
  b.begin();
  retina->drawRect(0.5f, 0, 0.5f, 1, 2, 2, 1, 1, 1, 0, 1);  // the right column, one point wide
  b.end();
  EXPECT_EQ(b.pixel(4, 4), (Pixel{0, 255, 0, 255}));
  EXPECT_EQ(b.pixel(4, 5), (Pixel{255, 255, 255, 255}));
  EXPECT_EQ(b.pixel(5, 4), (Pixel{0, 0, 0, 0}));
  EXPECT_EQ(b.pixel(4, 6), (Pixel{0, 0, 0, 0}));
}

TEST_F(TextureGL, BlendModesAndTheStateTheyLeave) {
  auto t = texture();
  std::vector<uint8_t> white = bgra(2, 2, 255, 255, 255, 255);
  ASSERT_TRUE(t->initWithOrRefreshData(white.data(), 2, 2, ZRPixelFormatBGRA));
  RenderTarget target(8, 4);
  target.begin(0, 0, 0, 1);
  t->drawRect(0, 0, 2, 2, 0, 0, 1, 1, 1, 0, 0.5f);
  // Mode 0 keeps the colour and blending the previous draw set: half again.
  t->drawRect(0, 0, 2, 2, 4, 0, 0, 1, 1, 0, 1.0f);
  target.end();
  EXPECT_NEAR(target.pixel(0, 0)[0], 128, 1);
  EXPECT_NEAR(target.pixel(4, 0)[0], 128, 1);
  // Mode 2 (premultiplied): the source counts whole, so white over black stays white at any alpha.
  target.begin(0, 0, 0, 1);
  t->drawRect(0, 0, 2, 2, 0, 0, 2, 1, 1, 0, 0.5f);
  target.end();
  EXPECT_EQ(target.pixel(0, 0)[0], 255);
}

TEST_F(TextureGL, MasksCutTheAlphaByTheirGreyLevel) {
  auto picture = texture(), mask1 = texture(), mask2 = texture();
  std::vector<uint8_t> white = bgra(4, 4, 255, 255, 255, 255);
  std::vector<uint8_t> half = bgra(4, 4, 128, 128, 128, 255);    // grey 0.5
  std::vector<uint8_t> quarter = bgra(4, 4, 255, 255, 255, 64);  // white, but alpha 0.25 limits it
  ASSERT_TRUE(picture->initWithOrRefreshData(white.data(), 4, 4, ZRPixelFormatBGRA));
  ASSERT_TRUE(mask1->initWithOrRefreshData(half.data(), 4, 4, ZRPixelFormatBGRA));
  ASSERT_TRUE(mask2->initWithOrRefreshData(quarter.data(), 4, 4, ZRPixelFormatBGRA));
  RenderTarget target(16, 4);
  target.begin(0, 0, 0, 1);
  picture->drawRectInRectWithMask(0, 0, 4, 4, 0, 0, mask1.get(), 0, 0, nullptr, 0, 0, 1, 1, 0);
  picture->drawRectInRectWithMask(0, 0, 4, 4, 4, 0, mask1.get(), 0, 0, mask2.get(), 0, 0, 1, 1, 0);
  // A second mask without a first is ignored: the picture is drawn whole.
  picture->drawRectInRectWithMask(0, 0, 4, 4, 8, 0, nullptr, 0, 0, mask2.get(), 0, 0, 1, 1, 0);
  target.end();
  EXPECT_NEAR(target.pixel(1, 1)[0], 128, 2);
  EXPECT_NEAR(target.pixel(5, 1)[0], 64, 2);
  EXPECT_EQ(target.pixel(9, 1)[0], 255);
  EXPECT_EQ(target.pixel(13, 1)[0], 0);
}

TEST_F(TextureGL, APixelShaderRendersIntoATexture) {
  auto source = texture(), targetTexture = texture();
  std::vector<uint8_t> red = bgra(8, 8, 0, 0, 255, 255);
  ASSERT_TRUE(source->initWithOrRefreshData(red.data(), 8, 8, ZRPixelFormatBGRA));
  ASSERT_TRUE(targetTexture->initDrawToTexture(64, 36, ZRPixelFormatBGRA));
  // Inverts the picture and mixes in the constant.
  const char* shader = R"(#version 120
uniform sampler2D texture;
uniform float mix_;
void main() {
  vec4 c = texture2D(texture, gl_TexCoord[0].st);
  gl_FragColor = vec4(1.0 - c.r, 1.0 - c.g, mix_, 1.0);
})";
  ASSERT_TRUE(source->applyPixelShader(shader, "main"));
  source->setPixelFloatConstant_Mix(0.5f);
  std::vector<uint8_t> pixels(64 * 36 * 4, 7);
  targetTexture->drawToTexture(true);
  glClear(GL_COLOR_BUFFER_BIT);
  source->drawFull(0, 0, 1, 1, 0, 1, false, true);
  ASSERT_TRUE(targetTexture->getContentToBuffer(pixels.data(), 64, 36));
  targetTexture->drawToTexture(false);
  EXPECT_NE(source->getShaderProgram(), 0u);
  // The quad fills the 16:9 target.
  for (int y : {1, 18, 34}) {
    for (int x : {1, 32, 62}) {
      const uint8_t* p = &pixels[(static_cast<size_t>(y) * 64 + x) * 4];
      EXPECT_EQ((Pixel{p[0], p[1], p[3]}), (Pixel{0, 255, 255})) << x << "," << y;
      EXPECT_NEAR(p[2], 128, 1);
    }
  }
  // A wrong size reads nothing and says so.
  orvel_test::LogCapture log;
  EXPECT_FALSE(targetTexture->getContentToBuffer(pixels.data(), 32, 36));
  EXPECT_EQ(pixels[0] + pixels[100] + pixels[32 * 36 * 4 - 1], 0);
  EXPECT_TRUE(log.contains("failed: glReadPixels size differs from requested size"));
}

TEST_F(TextureGL, BadShadersLeaveNoProgramAndEmptyOnesAreRefused) {
  auto t = texture();
  std::vector<uint8_t> red = bgra(2, 2, 0, 0, 255, 255);
  ASSERT_TRUE(t->initWithOrRefreshData(red.data(), 2, 2, ZRPixelFormatBGRA));
  const char* good = "#version 120\nvoid main() { gl_FragColor = vec4(0.0, 1.0, 0.0, 1.0); }\n";
  ASSERT_TRUE(t->applyPixelShader(good, "main"));
  RenderTarget target(4, 4);
  target.begin();
  t->drawFull(0, 0, 1, 1, 0, 1, false, true);
  target.end();
  const unsigned program = t->getShaderProgram();
  EXPECT_NE(program, 0u);
  EXPECT_FALSE(t->applyPixelShader("", "main"));
  EXPECT_FALSE(t->applyPixelShader(good, nullptr));
  EXPECT_FALSE(t->applyPixelShader(nullptr, "main"));
  target.begin();
  t->drawFull(0, 0, 1, 1, 0, 1, false, true);
  target.end();
  EXPECT_EQ(t->getShaderProgram(), program);

  orvel_test::LogCapture log;
  ASSERT_TRUE(t->applyPixelShader("#version 120\nvoid main() { this is not glsl }\n", "main"));
  target.begin();
  t->drawFull(0, 0, 1, 1, 0, 1, false, true);
  target.end();
  EXPECT_EQ(t->getShaderProgram(), 0u);
  EXPECT_TRUE(log.contains("shaderCompileFromSource(): Unable to compile:"));
}

TEST(TextureFactory, WithoutAnEngineThereIsNoTexture) {
  orvel_test::LogCapture log;
  EXPECT_EQ(ZRTexture::createTexture(false, 1, ZRRenderEngineNone, nullptr, nullptr), nullptr);
  EXPECT_TRUE(log.contains("error creating texture: please set the rendering engine first"));
  EXPECT_EQ(ZRTexture::getBytesPerPixel(1), 4);
  EXPECT_EQ(ZRTexture::getBytesPerPixel(2), 3);
  EXPECT_EQ(ZRTexture::getBytesPerPixel(3), 1);
  EXPECT_EQ(ZRTexture::getBytesPerPixel(0), -1);
  EXPECT_EQ(ZRTexture::nextPow2(300), 512u);
  EXPECT_EQ(ZRTexture::nextPow2(512), 512u);
  EXPECT_EQ(ZRTexture::nextPow2(1), 1u);
}

// Runs in a process of its own (one per test): GLEW is not set up yet when the texture is made.
TEST(TextureBeforeSetUp, CapabilitiesAreDecidedOnlyOnceGLIsSetUp) {
  if (getOpenGLCapabilities() != nullptr) GTEST_SKIP() << "OpenGL was set up by an earlier test";
  ZRTextureOpenGL early(false, 1.0f);
  orvel_test::LogCapture log;
  std::vector<uint8_t> data(4 * 4 * 4, 255);
  // No context current yet: the upload fails cleanly instead of calling into GL.
  EXPECT_FALSE(early.initWithOrRefreshData(data.data(), 4, 4, ZRPixelFormatBGRA));
  EXPECT_TRUE(log.contains("error: OpenGL set-up needs a current context"));
  if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
  EXPECT_TRUE(early.initWithOrRefreshData(data.data(), 4, 4, ZRPixelFormatBGRA));
  EXPECT_TRUE(early.usesCapabilities());
}

}  // namespace
