#include "opengl_directx/zr_skin_redraw.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_set>

#include "common/zr_logging.h"
#include "opengl_directx/zr_gl_extensions.h"

namespace {

// Filtering reaches a pixel past a quad's edge, and rounding to whole pixels another.
constexpr int kPixelMargin = 2;

}  // namespace

void ZRSkinRedraw::beginFrame() {
  current_.startRecording();
}

ZRSkinRedraw::PixelRect ZRSkinRedraw::toPixels(const ZRFrameRect& r) const {
  const double* p = projection_;
  auto window = [&](double x, double y, double& wx, double& wy) {
    const double cx = p[0] * x + p[4] * y + p[12], cy = p[1] * x + p[5] * y + p[13];
    const double cw = p[3] * x + p[7] * y + p[15];
    const double nx = cw != 0 ? cx / cw : cx, ny = cw != 0 ? cy / cw : cy;
    wx = viewport_[0] + (nx + 1) * viewport_[2] / 2;
    wy = viewport_[1] + (ny + 1) * viewport_[3] / 2;
  };
  double ax = 0, ay = 0, bx = 0, by = 0;
  window(r.x0, r.y0, ax, ay);
  window(r.x1, r.y1, bx, by);
  const double left = std::clamp(std::floor(std::min(ax, bx)) - kPixelMargin, 0.0, double(viewport_[2]));
  const double right = std::clamp(std::ceil(std::max(ax, bx)) + kPixelMargin, 0.0, double(viewport_[2]));
  const double bottom = std::clamp(std::floor(std::min(ay, by)) - kPixelMargin, 0.0, double(viewport_[3]));
  const double top = std::clamp(std::ceil(std::max(ay, by)) + kPixelMargin, 0.0, double(viewport_[3]));
  return {static_cast<int>(left), static_cast<int>(bottom), static_cast<int>(right - left),
          static_cast<int>(top - bottom)};
}

bool ZRSkinRedraw::ensureTarget(int width, int height, bool& remade) {
  remade = false;
  if (targetFailed_) return false;
  if (framebuffer_ != 0 && width == pictureWidth_ && height == pictureHeight_) return true;
  const ZRGLCapabilities* caps = getOpenGLCapabilities();
  if (caps == nullptr || !caps->framebuffers || width <= 0 || height <= 0) return false;
  release();
  GLint previousTexture = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previousTexture);
  glGenTextures(1, &picture_);
  glBindTexture(GL_TEXTURE_2D, picture_);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previousTexture));
  glGenFramebuffers(1, &framebuffer_);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, picture_, 0);
  const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  if (!complete) {
    ZRLOG("error: the skin canvas cannot keep its picture; every changed frame is drawn whole");
    release();
    targetFailed_ = true;
    return false;
  }
  pictureWidth_ = width;
  pictureHeight_ = height;
  remade = true;
  return true;
}

bool ZRSkinRedraw::finishFrame(bool windowDamaged) {
  current_.stopRecording();
  ++passes_;
  GLint viewport[4] = {0, 0, 0, 0};
  GLdouble projection[16] = {};
  glGetIntegerv(GL_VIEWPORT, viewport);
  glGetDoublev(GL_PROJECTION_MATRIX, projection);
  bool whole = windowDamaged || !haveShown_ || std::memcmp(viewport, viewport_, sizeof(viewport_)) != 0 ||
               std::memcmp(projection, projection_, sizeof(projection_)) != 0;
  std::memcpy(viewport_, viewport, sizeof(viewport_));
  std::memcpy(projection_, projection, sizeof(projection_));
  bool remade = false;
  const bool kept = ensureTarget(viewport[2], viewport[3], remade);
  // Without a kept picture the back buffer is all there is, and it is undefined after a swap.
  whole = whole || remade || !kept;

  ZRSkinFrameReport report;
  report.pass = passes_;
  const ZRFrameJournal::Difference difference = ZRFrameJournal::compare(shown_, current_);
  whole = whole || difference.whole;
  if (!whole && difference.damage.empty()) {
    shown_.swap(current_);
    publish(std::move(report));
    return false;
  }

  std::vector<PixelRect> rects;
  if (whole) {
    rects.push_back({viewport[0], viewport[1], viewport[2], viewport[3]});
    report.changed = current_.owners();
  } else {
    for (const ZRFrameRect& r : difference.damage) {
      const PixelRect p = toPixels(r);
      if (p.w > 0 && p.h > 0) rects.push_back(p);
    }
    report.changed = difference.changedOwners;
  }
  report.whole = whole;
  report.rectangles = static_cast<int>(rects.size());

  const std::vector<ZRFrameJournal::Entry>& entries = current_.entries();
  std::vector<PixelRect> entryPixels;
  if (!whole) {
    entryPixels.reserve(entries.size());
    for (const ZRFrameJournal::Entry& e : entries) entryPixels.push_back(toPixels(e.bounds));
  }
  std::unordered_set<const void*> drawnOwners;
  // The frame goes where drawing went before (the window's back buffer, or a caller's own target).
  GLint destination = 0;
  glGetIntegerv(GL_DRAW_FRAMEBUFFER_BINDING, &destination);
  if (kept) glBindFramebuffer(GL_FRAMEBUFFER, framebuffer_);
  glEnable(GL_SCISSOR_TEST);
  for (const PixelRect& r : rects) {
    glScissor(r.x, r.y, r.w, r.h);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    for (size_t i = 0; i < entries.size(); ++i) {
      if (!whole) {
        const PixelRect& e = entryPixels[i];
        if (e.x >= r.x + r.w || r.x >= e.x + e.w || e.y >= r.y + r.h || r.y >= e.y + e.h) continue;
      }
      current_.replay(i);
      if (drawnOwners.insert(entries[i].owner).second) report.drawn.push_back(entries[i].owner);
    }
  }
  glDisable(GL_SCISSOR_TEST);
  if (kept) {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, static_cast<GLuint>(destination));
    glBlitFramebuffer(0, 0, pictureWidth_, pictureHeight_, viewport[0], viewport[1],
                      viewport[0] + pictureWidth_, viewport[1] + pictureHeight_, GL_COLOR_BUFFER_BIT,
                      GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, static_cast<GLuint>(destination));
  }
  shown_.swap(current_);
  haveShown_ = true;
  report.presented = true;
  publish(std::move(report));
  return true;
}

void ZRSkinRedraw::release() {
  if (hasCurrentOpenGLContext() && getOpenGLCapabilities() != nullptr) {
    if (framebuffer_ != 0) glDeleteFramebuffers(1, &framebuffer_);
    if (picture_ != 0) glDeleteTextures(1, &picture_);
  }
  framebuffer_ = 0;
  picture_ = 0;
  pictureWidth_ = pictureHeight_ = 0;
  haveShown_ = false;
}

void ZRSkinRedraw::publish(ZRSkinFrameReport report) {
  std::lock_guard<std::mutex> guard(reportLock_);
  if (report.presented) lastPresented_ = report;
  lastPass_ = std::move(report);
}

ZRSkinFrameReport ZRSkinRedraw::lastPass() const {
  std::lock_guard<std::mutex> guard(reportLock_);
  return lastPass_;
}

ZRSkinFrameReport ZRSkinRedraw::lastPresented() const {
  std::lock_guard<std::mutex> guard(reportLock_);
  return lastPresented_;
}
