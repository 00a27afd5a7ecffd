#pragma once
// ZRTexture: every picture the skin and the video output draw (skin image parts, node contents drawn on
// the CPU, table rows, covers, video frames) lives in a texture behind this interface. The skin engine and
// the controls hold ZRTexture pointers only; the OpenGL implementation (opengl_directx/) registers itself
// at start-up (installOpenGLRenderEngine) and createTexture hands out its textures.
//
// Which render engine the process draws with is set by the render system; lower layers read it too (the
// video reader picks its pixel layout from it, see codecs/zr_ffmpeg_video.h).
//
// Coordinates given to the draw operations are skin points; a texture multiplies them by its UI scale
// (points to pixels). Pixel data are rows of bytes, first row first, no padding between rows.
//
// Threads: a texture is made, filled, drawn and deleted on the render thread with a GL context current
// (or on the main thread before the first frame); nothing here is locked. The statics may be read from any
// thread.

#include <atomic>

enum ZRRenderEngineType {
  ZRRenderEngineNone = 0,    // no render system started yet
  ZRRenderEngineOpenGL = 1,  // the engine the system runs with; takes BGRA pictures
  ZRRenderEngineRGBA = 2,    // an engine whose textures take RGBA (or BGR24) pictures
};

// Pixel layouts of uploads.
enum ZRPixelFormat : int {
  ZRPixelFormatBGRA = 1,  // four bytes per pixel: B, G, R, A
  ZRPixelFormatBGR = 2,   // three bytes per pixel: B, G, R
  ZRPixelFormatRed = 3,   // one byte per pixel
};

// Inputs of a pixel shader written for the shader-sharing service's conventions.
struct TShaderToy {
  float resolution[3] = {0, 0, 0};
  float time = 0;
  float timeDelta = 0;
  float frameRate = 0;
  float sampleRate = 0;
  int frame = 0;
};

class ZRTexture {
 public:
  // Makes a texture of the engine; registered by the engine's implementation.
  using Factory = ZRTexture* (*)(bool dynamic, float scale, ZRRenderEngineType engine, void* device,
                                 void* context);

  virtual ~ZRTexture();
  ZRTexture(const ZRTexture&) = delete;
  ZRTexture& operator=(const ZRTexture&) = delete;

  // ---- process-wide -------------------------------------------------------------------------------

  // A new texture of the engine (the caller owns it), or null with the log line "error creating texture:
  // please set the rendering engine first" when no implementation of that engine is registered.
  static ZRTexture* createTexture(bool dynamic, float scale, ZRRenderEngineType engine, void* device,
                                  void* context);
  // createTexture with the process-wide defaults below.
  static ZRTexture* createTextureWithDefaultDevice(bool dynamic, float scale);
  // Sets the engine and two opaque pointers handed to new textures (the OpenGL engine reads neither).
  static void setDefaultRenderDevice(ZRRenderEngineType engine, void* device = nullptr,
                                     void* context = nullptr);
  // Installs (or with null removes) the implementation of an engine.
  static void registerTextureFactory(ZRRenderEngineType engine, Factory factory);

  // Uploads take B, G, R(, A) order: code that decodes pictures in R, G, B order asks this and swaps red
  // and blue when true. True for OpenGL; with no engine set it logs "error: please set the rendering
  // engine first" and still answers true; false for the RGBA engine.
  static bool isReverseRBNeededForDefaultDevice();
  // 4, 3 or 1 for the formats above; -1 for any other value.
  static int getBytesPerPixel(int format);
  // The smallest power of two that is at least n (n itself when it is one; 1 for 0).
  static unsigned nextPow2(unsigned n);

  static inline std::atomic<ZRRenderEngineType> defaultRenderEngine{ZRRenderEngineNone};
  static inline std::atomic<void*> defaultRenderDevice{nullptr};
  static inline std::atomic<void*> defaultRenderDeviceContext{nullptr};

  // ---- one texture ----------------------------------------------------------------------------------

  // Prepares the texture as a render target of width x height pixels. False when the engine cannot
  // render into textures or the target is incomplete.
  virtual bool initDrawToTexture(int width, int height, ZRPixelFormat format) = 0;
  // Allocates as needed and uploads data (width x height pixels in format); null data allocates only
  // (content undefined until the next upload). The storage is kept while size and format stay the same.
  // False, and the texture holds nothing, for a size the engine cannot hold or a failed allocation.
  virtual bool initWithOrRefreshData(const void* data, int width, int height, ZRPixelFormat format,
                                     bool unused = false) = 0;

  // While set, enlarged draws sample the nearest pixel instead of interpolating.
  void setScallingNone(bool none) { scalingNone_ = none; }
  // Whether pixel shaders get the TShaderToy inputs (decided when the next shader is compiled).
  void setShaderToySupport(bool on) { shaderToySupport_ = on; }
  // A second picture for drawFull (its shader reads it as "textureMask"); not owned. The flag is kept
  // for the caller and has no effect.
  void setOtherTexture(ZRTexture* other, bool flag) {
    otherTexture_ = other;
    otherTextureFlag_ = flag;
  }

  // Full-frame quad of the video output (a 45-degree perspective view at depth 2): position, scale,
  // rotation in degrees, alpha; flipV puts the first row at the bottom; useShader draws through the
  // texture's pixel shader.
  virtual void drawFull(float x, float y, float scaleX, float scaleY, float rotation, float alpha, bool flipV,
                        bool useShader) = 0;
  // Draws the part (srcX, srcY, width, height) of the texture at (dstX, dstY) at its own size, scaled by
  // scaleX/scaleY and rotated (degrees) about its centre. blend: 1 alpha blending with the given alpha,
  // 2 premultiplied blending, other values leave blending and colour as the previous draw left them.
  virtual void drawRect(float srcX, float srcY, float width, float height, float dstX, float dstY, int blend,
                        float scaleX, float scaleY, float rotation, float alpha, bool unused = false) = 0;
  // The part stretched to (dstW, dstH) (a negative size takes the source's), scale 1, no rotation, alpha 1.
  virtual void drawRectInRect(float srcX, float srcY, float srcW, float srcH, float dstX, float dstY,
                              float dstW, float dstH, int blend, bool unused, bool flipV) = 0;
  // The part cut by one or two masks (their parts start at mask1X/Y and mask2X/Y): each mask's grey level,
  // limited by its alpha, multiplies the texture's alpha (the smaller of two). A second mask without a
  // first is ignored. Blend 1, alpha 1.
  virtual void drawRectInRectWithMask(float srcX, float srcY, float width, float height, float dstX,
                                      float dstY, ZRTexture* mask1, float mask1X, float mask1Y,
                                      ZRTexture* mask2, float mask2X, float mask2Y, float scaleX,
                                      float scaleY, float rotation) = 0;
  // Starts (true) or ends (false) drawing into the texture (after initDrawToTexture).
  virtual void drawToTexture(bool begin) = 0;
  // Reads width x height RGBA pixels of what is being drawn into (rows bottom first, as GL reads them).
  // False, and the destination zero-filled, when the size is not the texture's allocated size.
  virtual bool getContentToBuffer(void* destination, int width, int height) = 0;
  // Hands over a fragment shader source, compiled at the next drawFull on the render thread; the entry
  // name must be given but GLSL always starts at main. False (the previous shader stays) when either is
  // null or the source is empty.
  virtual bool applyPixelShader(const char* fragmentSource, const char* entryName) = 0;

  void setPixelFloatConstant_Mix(float mix) { mix_ = mix; }
  void setPixelFloatConstant_Time(float delta, float total) {
    deltaTime_ = delta;
    totalTime_ = total;
  }
  void setPixelShaderToy(const TShaderToy& values) { shaderToy_ = values; }

  // The size of the last uploaded picture (-1 before one).
  int getWidth() const { return dataWidth_; }
  int getHeight() const { return dataHeight_; }
  float getScale() const { return scale_; }
  // Points to pixels from the next draw on (the UI scale changed).
  void setScale(float scale) { scale_ = scale; }

 protected:
  ZRTexture(bool dynamic, float scale) : dynamic_(dynamic), scale_(scale) {}

  bool dynamic_;
  bool scalingNone_ = false;
  int dataWidth_ = -1;
  int dataHeight_ = -1;
  int allocatedWidth_ = -1;
  int allocatedHeight_ = -1;
  float scale_;
  ZRPixelFormat format_ = ZRPixelFormatBGRA;
  ZRTexture* otherTexture_ = nullptr;
  bool otherTextureFlag_ = false;
  ZRRenderEngineType engine_ = ZRRenderEngineNone;
  void* device_ = nullptr;
  void* deviceContext_ = nullptr;
  float mix_ = 0;
  float deltaTime_ = 0;
  float totalTime_ = 0;
  bool shaderToySupport_ = false;
  TShaderToy shaderToy_;
};
