#include "opengl_directx/zr_texture_opengl.h"

#include <GL/glew.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <new>

#include "common/zr_logging.h"
#include "opengl_directx/zr_frame_journal.h"
#include "opengl_directx/zr_gl_2d.h"
#include "opengl_directx/zr_gl_extensions.h"
#include "opengl_directx/zr_glsl.h"

namespace {

std::atomic<bool> basicTexturesOnly{false};
// Content generations are unique across textures, so a texture deleted and another made at its address
// never look alike to a frame recording.
std::atomic<unsigned long long> lastGeneration{0};

// The masking programs and their sampler locations, shared by every texture of the shared contexts.
struct MaskingPrograms {
  GLuint one = 0;
  bool oneTried = false;
  GLint textureSourceLocation1 = -1, textureMask1Location1 = -1;
  GLuint two = 0;
  bool twoTried = false;
  GLint textureSourceLocation2 = -1, textureMask1Location2 = -1, textureMask2Location2 = -1;
};
MaskingPrograms masking;

GLuint programMasking1() {
  if (!masking.oneTried) {
    masking.oneTried = true;
    masking.one = shadersCreateProgram(pixelShaderMasking, vertexShaderMasking);
    if (masking.one != 0) {
      masking.textureSourceLocation1 = glGetUniformLocation(masking.one, "texture");
      masking.textureMask1Location1 = glGetUniformLocation(masking.one, "textureMask");
    }
  }
  return masking.one;
}

GLuint programMasking2() {
  if (!masking.twoTried) {
    masking.twoTried = true;
    masking.two = shadersCreateProgram(pixelShaderMasking2, vertexShaderMasking2);
    if (masking.two != 0) {
      masking.textureSourceLocation2 = glGetUniformLocation(masking.two, "texture");
      masking.textureMask1Location2 = glGetUniformLocation(masking.two, "textureMask");
      masking.textureMask2Location2 = glGetUniformLocation(masking.two, "textureMask2");
    }
  }
  return masking.two;
}

struct FormatInfo {
  GLenum upload = 0;
  GLint internal = 0;
};

FormatInfo formatInfo(ZRPixelFormat format) {
  switch (format) {
    case ZRPixelFormatBGRA:
      return {GL_BGRA, GL_RGBA8};
    case ZRPixelFormatBGR:
      return {GL_BGR, GL_RGB8};
    case ZRPixelFormatRed:
      return {GL_RED, GL_RED};
  }
  return {};
}

// The aspect of the video output, as a single-precision value like the rest of its geometry.
constexpr double kVideoAspect = static_cast<double>(16.0f / 9.0f);

// Half the width and height of the full-frame quad: at depth 2 a 45-degree view shows +-0.8284
// vertically, so this quad fills a 16:9 view.
constexpr float kFullHalfWidth = 1.4737778f;
constexpr float kFullHalfHeight = 0.829f;

}  // namespace

ZRTextureOpenGL::ZRTextureOpenGL(bool dynamic, float scale) : ZRTexture(dynamic, scale) {
  // Decided now when GL is already set up; otherwise at the first allocation, never from flags GLEW has
  // not filled in yet.
  if (getOpenGLCapabilities() != nullptr) decideCapabilities();
}

ZRTextureOpenGL::~ZRTextureOpenGL() {
  if (!hasCurrentOpenGLContext() || getOpenGLCapabilities() == nullptr) return;
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
  deinitTexture();
  if (program_ != 0) glDeleteProgram(program_);
}

ZRTexture* ZRTextureOpenGL::create(bool dynamic, float scale, ZRRenderEngineType, void*, void*) {
  return new (std::nothrow) ZRTextureOpenGL(dynamic, scale);
}

void ZRTextureOpenGL::setBasicTexturesOnly(bool basic) {
  basicTexturesOnly.store(basic);
}

void ZRTextureOpenGL::releaseSharedPrograms() {
  if (hasCurrentOpenGLContext() && getOpenGLCapabilities() != nullptr) {
    if (masking.one != 0) glDeleteProgram(masking.one);
    if (masking.two != 0) glDeleteProgram(masking.two);
  }
  masking = MaskingPrograms();
}

bool ZRTextureOpenGL::decideCapabilities() {
  if (capabilities_ >= 0) return true;
  if (!initOpenGLExtensions()) return false;
  const ZRGLCapabilities* caps = getOpenGLCapabilities();
  capabilities_ = !basicTexturesOnly.load() && caps->pixelBufferObjects && caps->nonPowerOfTwo ? 1 : 0;
  return true;
}

void ZRTextureOpenGL::noteNewContent() {
  generation_ = lastGeneration.fetch_add(1, std::memory_order_relaxed) + 1;
}

void ZRTextureOpenGL::deinitTexture() {
  noteNewContent();
  if (texture_ != 0) glDeleteTextures(1, &texture_);
  if (pixelBuffer_ != 0) glDeleteBuffers(1, &pixelBuffer_);
  texture_ = 0;
  pixelBuffer_ = 0;
  allocatedWidth_ = -1;
  allocatedHeight_ = -1;
}

bool ZRTextureOpenGL::initWithOrRefreshData(const void* data, int width, int height, ZRPixelFormat format,
                                            bool) {
  const int b = getBytesPerPixel(format);
  if (b < 0 || width <= 0 || height <= 0) {
    ZRLOG("error: texture upload of %dx%d pixels in format %d refused", width, height,
          static_cast<int>(format));
    return false;
  }
  if (!decideCapabilities()) return false;
  const FormatInfo info = formatInfo(format);
  const GLenum usage = dynamic_ ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW;
  const size_t bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * static_cast<size_t>(b);

  if (texture_ == 0 || width != dataWidth_ || height != dataHeight_ || format != format_) {
    deinitTexture();
    dataWidth_ = width;
    dataHeight_ = height;
    format_ = format;
    int allocW = width, allocH = height;
    if (capabilities_ != 1) {
      allocW = allocH = static_cast<int>(nextPow2(static_cast<unsigned>(std::max(width, height))));
    }
    const int maxSize = getOpenGLCapabilities()->maxTextureSize;
    if (allocW > maxSize || allocH > maxSize) {
      ZRLOG("error: a texture of %dx%d pixels is larger than this OpenGL allows (%d)", allocW, allocH,
            maxSize);
      dataWidth_ = dataHeight_ = -1;
      return false;
    }
    while (glGetError() != GL_NO_ERROR) {
    }
    if (capabilities_ == 1) {
      glGenBuffers(1, &pixelBuffer_);
      glBindBuffer(GL_PIXEL_UNPACK_BUFFER, pixelBuffer_);
      glBufferData(GL_PIXEL_UNPACK_BUFFER, static_cast<GLsizeiptr>(bytes), nullptr, usage);
      glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
    }
    glGenTextures(1, &texture_);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexImage2D(GL_TEXTURE_2D, 0, info.internal, allocW, allocH, 0, info.upload, GL_UNSIGNED_BYTE, nullptr);
    if (glGetError() != GL_NO_ERROR) {
      ZRLOG("error: no texture memory for %dx%d pixels", allocW, allocH);
      deinitTexture();
      dataWidth_ = dataHeight_ = -1;
      return false;
    }
    allocatedWidth_ = allocW;
    allocatedHeight_ = allocH;
    noteNewContent();
  }
  if (texture_ == 0) return false;
  if (data == nullptr) return true;

  // Rows are packed: three- and one-byte rows need not start on four-byte boundaries.
  GLint alignment = 4;
  glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
  if (capabilities_ == 1) {
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, pixelBuffer_);
    glBufferData(GL_PIXEL_UNPACK_BUFFER, static_cast<GLsizeiptr>(bytes), data, usage);
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, info.upload, GL_UNSIGNED_BYTE, nullptr);
    glBindBuffer(GL_PIXEL_UNPACK_BUFFER, 0);
  } else {
    glBindTexture(GL_TEXTURE_2D, texture_);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, width, height, info.upload, GL_UNSIGNED_BYTE, data);
  }
  glPixelStorei(GL_UNPACK_ALIGNMENT, alignment);
  noteNewContent();
  return true;
}

void ZRTextureOpenGL::draw2D(const Quad& q) {
  if (texture_ == 0 || !(q.sw > 0) || !(q.sh > 0)) return;
  if (ZRFrameJournal* journal = ZRFrameJournal::recording()) {
    journal->addQuad(this, q);
    return;
  }
  drawQuadNow(q);
}

void ZRTextureOpenGL::drawQuadNow(const Quad& q) {
  if (texture_ == 0 || !(q.sw > 0) || !(q.sh > 0)) return;
  const float k = scale_;
  const float TW = static_cast<float>(allocatedWidth_), TH = static_cast<float>(allocatedHeight_);
  const float s0 = q.sx * k / TW, t0 = q.sy * k / TH, ds = q.sw * k / TW, dt = q.sh * k / TH;

  if (q.blend == 1) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, q.alpha);
  } else if (q.blend == 2) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(1, 1, 1, q.alpha);
  }

  ZRTextureOpenGL* mask1 = q.mask1 != nullptr && q.mask1->texture_ != 0 ? q.mask1 : nullptr;
  ZRTextureOpenGL* mask2 =
      mask1 != nullptr && q.mask2 != nullptr && q.mask2->texture_ != 0 ? q.mask2 : nullptr;
  if (mask2 != nullptr) {
    const GLuint program = programMasking2();
    glUseProgram(program);
    if (program != 0) {
      glUniform1i(masking.textureSourceLocation2, 0);
      glUniform1i(masking.textureMask1Location2, 1);
      glUniform1i(masking.textureMask2Location2, 2);
    }
  } else if (mask1 != nullptr) {
    const GLuint program = programMasking1();
    glUseProgram(program);
    if (program != 0) {
      glUniform1i(masking.textureSourceLocation1, 0);
      glUniform1i(masking.textureMask1Location1, 1);
    }
  } else {
    glUseProgram(0);
  }

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(q.dx * k + q.sw * k / 2, q.dy * k + q.sh * k / 2, 0);
  glRotatef(q.rotation, 0, 0, 1);
  glScalef(q.scaleX, q.scaleY, 1);
  glTranslatef(-q.sw * k / 2, -q.sh * k / 2, 0);

  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture_);
  if (scalingNone_) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);

  if (mask1 != nullptr) {
    ZRTextureOpenGL* masks[2] = {mask1, mask2};
    const float mx[2] = {q.m1x, q.m2x}, my[2] = {q.m1y, q.m2y};
    float ms0[2] = {0, 0}, mt0[2] = {0, 0}, mds[2] = {0, 0}, mdt[2] = {0, 0};
    for (int m = 0; m < 2 && masks[m] != nullptr; ++m) {
      const float mw = static_cast<float>(masks[m]->allocatedWidth_),
                  mh = static_cast<float>(masks[m]->allocatedHeight_);
      ms0[m] = mx[m] * k / mw;
      mt0[m] = my[m] * k / mh;
      mds[m] = q.sw * k / mw;
      mdt[m] = q.sh * k / mh;
      glActiveTexture(GL_TEXTURE1 + m);
      glEnable(GL_TEXTURE_2D);
      glBindTexture(GL_TEXTURE_2D, masks[m]->texture_);
    }
    const float W = q.sw * k, H = q.sh * k;
    const float cx[4] = {0, W, W, 0}, cy[4] = {0, 0, H, H};
    const float fs[4] = {0, 1, 1, 0}, ft[4] = {0, 0, 1, 1};
    glBegin(GL_QUADS);
    for (int c = 0; c < 4; ++c) {
      glMultiTexCoord2f(GL_TEXTURE0, s0 + fs[c] * ds, t0 + ft[c] * dt);
      glMultiTexCoord2f(GL_TEXTURE1, ms0[0] + fs[c] * mds[0], mt0[0] + ft[c] * mdt[0]);
      if (mask2 != nullptr) glMultiTexCoord2f(GL_TEXTURE2, ms0[1] + fs[c] * mds[1], mt0[1] + ft[c] * mdt[1]);
      glVertex2f(cx[c], cy[c]);
    }
    glEnd();
    for (int m = 1; m >= 0; --m) {
      if (masks[m] == nullptr) continue;
      glActiveTexture(GL_TEXTURE1 + m);
      glDisable(GL_TEXTURE_2D);
    }
    glActiveTexture(GL_TEXTURE0);
  } else {
    const float W = (q.dw < 0 ? q.sw : q.dw) * k, H = (q.dh < 0 ? q.sh : q.dh) * k;
    const float top = q.flipV ? t0 + dt : t0, bottom = q.flipV ? t0 : t0 + dt;
    glBegin(GL_QUADS);
    glTexCoord2f(s0, top);
    glVertex2f(0, 0);
    glTexCoord2f(s0 + ds, top);
    glVertex2f(W, 0);
    glTexCoord2f(s0 + ds, bottom);
    glVertex2f(W, H);
    glTexCoord2f(s0, bottom);
    glVertex2f(0, H);
    glEnd();
  }
  if (scalingNone_) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glPopMatrix();
  glUseProgram(0);
}

void ZRTextureOpenGL::drawRect(float srcX, float srcY, float width, float height, float dstX, float dstY,
                               int blend, float scaleX, float scaleY, float rotation, float alpha, bool) {
  Quad q{srcX, srcY, width, height, dstX, dstY, -1, -1};
  q.blend = blend;
  q.scaleX = scaleX;
  q.scaleY = scaleY;
  q.rotation = rotation;
  q.alpha = alpha;
  draw2D(q);
}

void ZRTextureOpenGL::drawRectInRect(float srcX, float srcY, float srcW, float srcH, float dstX, float dstY,
                                     float dstW, float dstH, int blend, bool, bool flipV) {
  Quad q{srcX, srcY, srcW, srcH, dstX, dstY, dstW, dstH};
  q.blend = blend;
  q.flipV = flipV;
  draw2D(q);
}

void ZRTextureOpenGL::drawRectInRectWithMask(float srcX, float srcY, float width, float height, float dstX,
                                             float dstY, ZRTexture* mask1, float mask1X, float mask1Y,
                                             ZRTexture* mask2, float mask2X, float mask2Y, float scaleX,
                                             float scaleY, float rotation) {
  Quad q{srcX, srcY, width, height, dstX, dstY, -1, -1};
  q.mask1 = dynamic_cast<ZRTextureOpenGL*>(mask1);
  q.m1x = mask1X;
  q.m1y = mask1Y;
  q.mask2 = dynamic_cast<ZRTextureOpenGL*>(mask2);
  q.m2x = mask2X;
  q.m2y = mask2Y;
  q.scaleX = scaleX;
  q.scaleY = scaleY;
  q.rotation = rotation;
  draw2D(q);
}

void ZRTextureOpenGL::compilePendingShader() {
  if (!pending_) return;
  pending_ = false;
  if (program_ != 0) glDeleteProgram(program_);
  program_ = shadersCreateProgram(pendingSource_.data(), nullptr);
  programShaderToy_ = shaderToySupport_;
  locMix_ = locDeltaTime_ = locTotalTime_ = locTexture_ = locTextureMask_ = -1;
  locResolution_ = locTime_ = locTimeDelta_ = locFrame_ = locFrameRate_ = locSampleRate_ = -1;
  if (program_ == 0) return;
  locMix_ = glGetUniformLocation(program_, "mix_");
  locDeltaTime_ = glGetUniformLocation(program_, "deltaTime");
  locTotalTime_ = glGetUniformLocation(program_, "totalTime");
  locTexture_ = glGetUniformLocation(program_, "texture");
  locTextureMask_ = glGetUniformLocation(program_, "textureMask");
  if (programShaderToy_) {
    locResolution_ = glGetUniformLocation(program_, "_uiResolution");
    locTime_ = glGetUniformLocation(program_, "_uiTime");
    locTimeDelta_ = glGetUniformLocation(program_, "_uiTimeDelta");
    locFrame_ = glGetUniformLocation(program_, "_uiFrame");
    locFrameRate_ = glGetUniformLocation(program_, "_uiFrameRate");
    locSampleRate_ = glGetUniformLocation(program_, "_uiSampleRate");
  }
}

void ZRTextureOpenGL::drawFull(float x, float y, float scaleX, float scaleY, float rotation, float alpha,
                               bool flipV, bool useShader) {
  if (texture_ == 0 || dataWidth_ <= 0 || dataHeight_ <= 0) return;
  compilePendingShader();
  auto* other = dynamic_cast<ZRTextureOpenGL*>(otherTexture_);
  if (other != nullptr && other->texture_ == 0) other = nullptr;

  if (useShader) {
    glUseProgram(program_);
    if (program_ != 0) {
      glUniform1f(locMix_, mix_);
      glUniform1f(locDeltaTime_, deltaTime_);
      glUniform1f(locTotalTime_, totalTime_);
      if (programShaderToy_) {
        glUniform3f(locResolution_, shaderToy_.resolution[0], shaderToy_.resolution[1],
                    shaderToy_.resolution[2]);
        glUniform1f(locTime_, shaderToy_.time);
        glUniform1f(locTimeDelta_, shaderToy_.timeDelta);
        glUniform1i(locFrame_, shaderToy_.frame);
        glUniform1f(locFrameRate_, shaderToy_.frameRate);
        glUniform1f(locSampleRate_, shaderToy_.sampleRate);
      }
      glUniform1i(locTexture_, 0);
      if (other != nullptr) glUniform1i(locTextureMask_, 1);
    }
  } else {
    glUseProgram(0);
  }

  const GLint mag = scalingNone_ ? GL_NEAREST : GL_LINEAR;
  glActiveTexture(GL_TEXTURE0);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, texture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
  if (other != nullptr) {
    glActiveTexture(GL_TEXTURE1);
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, other->texture_);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, mag);
    glActiveTexture(GL_TEXTURE0);
  }
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glColor4f(1, 1, 1, alpha);

  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glTranslatef(0, 0, -2);
  glTranslatef(x * kFullHalfWidth, y * kFullHalfHeight, 0);
  glRotatef(rotation, 0, 0, 1);
  glScalef(scaleX, scaleY, 1);

  const float sMax = static_cast<float>(dataWidth_) / allocatedWidth_;
  const float tMax = static_cast<float>(dataHeight_) / allocatedHeight_;
  float oMax = 0, oTMax = 0;
  if (other != nullptr) {
    oMax = static_cast<float>(other->dataWidth_) / other->allocatedWidth_;
    oTMax = static_cast<float>(other->dataHeight_) / other->allocatedHeight_;
  }
  const float f = flipV ? -1.0f : 1.0f;
  const float vx[4] = {-kFullHalfWidth, kFullHalfWidth, kFullHalfWidth, -kFullHalfWidth};
  const float vy[4] = {kFullHalfHeight * f, kFullHalfHeight * f, -kFullHalfHeight * f, -kFullHalfHeight * f};
  const float fs[4] = {0, 1, 1, 0}, ft[4] = {0, 0, 1, 1};
  glBegin(GL_QUADS);
  for (int c = 0; c < 4; ++c) {
    glMultiTexCoord2f(GL_TEXTURE0, fs[c] * sMax, ft[c] * tMax);
    if (other != nullptr) glMultiTexCoord2f(GL_TEXTURE1, fs[c] * oMax, ft[c] * oTMax);
    glVertex2f(vx[c], vy[c]);
  }
  glEnd();
  if (other != nullptr) {
    glActiveTexture(GL_TEXTURE1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glDisable(GL_TEXTURE_2D);
    glActiveTexture(GL_TEXTURE0);
  }
  glPopMatrix();
  glUseProgram(0);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
}

bool ZRTextureOpenGL::applyPixelShader(const char* fragmentSource, const char* entryName) {
  if (fragmentSource == nullptr || entryName == nullptr || fragmentSource[0] == '\0') return false;
  const size_t length = std::strlen(fragmentSource);
  if (pendingSource_.size() < length + 1) pendingSource_.resize(length + 1);
  std::memcpy(pendingSource_.data(), fragmentSource, length + 1);
  pending_ = true;
  return true;
}

bool ZRTextureOpenGL::initDrawToTexture(int width, int height, ZRPixelFormat format) {
  if (!decideCapabilities() || capabilities_ != 1 || !getOpenGLCapabilities()->framebuffers) return false;
  const int b = getBytesPerPixel(format);
  if (b < 0 || width <= 0 || height <= 0) return false;
  GLint previousFramebuffer = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &previousFramebuffer);
  std::vector<unsigned char> zeros;
  try {
    zeros.assign(static_cast<size_t>(width) * height * b, 0);
  } catch (const std::bad_alloc&) {
    ZRLOG("error: no memory for a %dx%d render target", width, height);
    return false;
  }
  if (!initWithOrRefreshData(zeros.data(), width, height, format)) return false;
  GLint previousRenderbuffer = 0;
  glGetIntegerv(GL_RENDERBUFFER_BINDING, &previousRenderbuffer);
  if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, texture_, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindRenderbuffer(GL_RENDERBUFFER, static_cast<GLuint>(previousRenderbuffer));
  glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(previousFramebuffer));
  if (!complete) {
    // Drawing into an incomplete target would silently draw nothing.
    ZRLOG("Could not attach texture to framebuffer");
    glDeleteFramebuffers(1, &framebuffer_);
    framebuffer_ = 0;
    return false;
  }
  return true;
}

void ZRTextureOpenGL::drawToTexture(bool begin) {
  if (framebuffer_ == 0) return;
  // Drawing into a texture is drawn at once: it is part of making the texture's picture, not of the frame.
  ZRFrameJournal::pauseRecording(begin);
  if (begin) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glGetIntegerv(GL_FRAMEBUFFER_BINDING, &savedFramebuffer_);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
    glGetIntegerv(GL_VIEWPORT, savedViewport_);
    glViewport(0, 0, dataWidth_, dataHeight_);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glPerspective(45.0, kVideoAspect, 0.1, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDefaultDrawingState();
    glLoadIdentity();
    glTranslatef(0, 0, -2);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glDepthMask(GL_TRUE);
  } else {
    noteNewContent();
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(savedFramebuffer_));
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glViewport(savedViewport_[0], savedViewport_[1], savedViewport_[2], savedViewport_[3]);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glPerspective(45.0, kVideoAspect, 1.0, 100.0);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glDefaultDrawingState();
  }
}

bool ZRTextureOpenGL::getContentToBuffer(void* destination, int width, int height) {
  if (destination == nullptr) return false;
  if (width != allocatedWidth_ || height != allocatedHeight_ || width <= 0 || height <= 0) {
    if (width > 0 && height > 0) std::memset(destination, 0, static_cast<size_t>(width) * height * 4);
    ZRLOG("failed: glReadPixels size differs from requested size");
    return false;
  }
  GLint alignment = 4;
  glGetIntegerv(GL_PACK_ALIGNMENT, &alignment);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, destination);
  glPixelStorei(GL_PACK_ALIGNMENT, alignment);
  return true;
}
