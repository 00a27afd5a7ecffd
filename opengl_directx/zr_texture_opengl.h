#pragma once
// ZRTextureOpenGL: the OpenGL implementation of ZRTexture (see common/zr_texture.h for the contract).
//
// Storage: with pixel-buffer objects and non-power-of-two textures (the "capabilities", decided when the
// texture first allocates, after GLEW is set up) the GPU texture is exactly the picture's size and uploads
// go through a pixel buffer refilled per upload (dynamic-draw hint for dynamic textures, static-draw
// otherwise); without them it is a power-of-two square holding the picture in its top-left corner. A
// picture (or its square) larger than GL_MAX_TEXTURE_SIZE is refused with a log line.
//
// Drawing expects the projection the caller set (the skin's 2D projection in pixels, y downwards, or the
// video output's perspective for drawFull) and the model-view matrix mode; each draw leaves the matrices
// as it found them and selects no program afterwards.
//
// Shared by all textures: the masking programs, compiled on first use. releaseSharedPrograms() forgets
// them (call it with a context current before the contexts go away, so new contexts build their own).
//
// Threads: render thread, with a GL context current. A texture deleted when no context is current
// releases nothing on the GPU (the context and its objects are gone or not ours to touch).

#include <vector>

#include "common/zr_texture.h"

class ZRTextureOpenGL : public ZRTexture {
 public:
  // One 2D draw of a part of the texture: what drawRect, drawRectInRect and drawRectInRectWithMask ask.
  struct Quad {
    float sx, sy, sw, sh;  // source part, points
    float dx, dy;          // destination corner, points
    float dw, dh;          // destination size, points (negative: the source's)
    ZRTextureOpenGL* mask1 = nullptr;
    float m1x = 0, m1y = 0;
    ZRTextureOpenGL* mask2 = nullptr;
    float m2x = 0, m2y = 0;
    float scaleX = 1, scaleY = 1, rotation = 0, alpha = 1;
    int blend = 1;
    bool flipV = false;
  };

  ZRTextureOpenGL(bool dynamic, float scale);
  ~ZRTextureOpenGL() override;

  // The factory registered for ZRRenderEngineOpenGL.
  static ZRTexture* create(bool dynamic, float scale, ZRRenderEngineType engine, void* device, void* context);

  bool initDrawToTexture(int width, int height, ZRPixelFormat format) override;
  bool initWithOrRefreshData(const void* data, int width, int height, ZRPixelFormat format,
                             bool unused = false) override;
  void drawFull(float x, float y, float scaleX, float scaleY, float rotation, float alpha, bool flipV,
                bool useShader) override;
  void drawRect(float srcX, float srcY, float width, float height, float dstX, float dstY, int blend,
                float scaleX, float scaleY, float rotation, float alpha, bool unused = false) override;
  void drawRectInRect(float srcX, float srcY, float srcW, float srcH, float dstX, float dstY, float dstW,
                      float dstH, int blend, bool unused, bool flipV) override;
  void drawRectInRectWithMask(float srcX, float srcY, float width, float height, float dstX, float dstY,
                              ZRTexture* mask1, float mask1X, float mask1Y, ZRTexture* mask2, float mask2X,
                              float mask2Y, float scaleX, float scaleY, float rotation) override;
  void drawToTexture(bool begin) override;
  bool getContentToBuffer(void* destination, int width, int height) override;
  bool applyPixelShader(const char* fragmentSource, const char* entryName) override;

  // The GL texture name (0 when none) and the allocated size (-1 while nothing is allocated).
  unsigned getTextureName() const { return texture_; }
  int getAllocatedWidth() const { return allocatedWidth_; }
  int getAllocatedHeight() const { return allocatedHeight_; }
  // Whether this texture uses pixel buffers and exact sizes (decided at its first allocation).
  bool usesCapabilities() const { return capabilities_ == 1; }
  // Changes whenever the pixels may have changed (an upload, a reallocation, drawing into it): two draws
  // of the same texture with the same generation show the same picture. Unique across all textures.
  unsigned long long contentGeneration() const { return generation_; }
  bool scalesNearest() const { return scalingNone_; }
  // Draws the quad now, even while the frame is being recorded (the recording's replay).
  void drawQuadNow(const Quad& q);
  // The pixel shader's program (0 when none compiled).
  unsigned getShaderProgram() const { return program_; }

  // Textures created afterwards use power-of-two squares without pixel buffers, as on a GL that lacks
  // those extensions (for drivers that misbehave with them).
  static void setBasicTexturesOnly(bool basic);
  static void releaseSharedPrograms();

 private:
  bool decideCapabilities();
  void deinitTexture();
  void draw2D(const Quad& q);
  void compilePendingShader();

  void noteNewContent();

  int capabilities_ = -1;  // -1 not decided yet, 0 without, 1 with
  unsigned long long generation_ = 0;
  unsigned pixelBuffer_ = 0;
  unsigned texture_ = 0;
  unsigned framebuffer_ = 0;
  int savedFramebuffer_ = 0;
  int savedViewport_[4] = {0, 0, 0, 0};
  std::vector<char> pendingSource_;
  bool pending_ = false;
  unsigned program_ = 0;
  bool programShaderToy_ = false;
  int locMix_ = -1, locDeltaTime_ = -1, locTotalTime_ = -1, locTexture_ = -1, locTextureMask_ = -1;
  int locResolution_ = -1, locTime_ = -1, locTimeDelta_ = -1, locFrame_ = -1, locFrameRate_ = -1,
      locSampleRate_ = -1;
};
