#include "opengl_directx/zr_frame_journal.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "gui/zr_draw_owner.h"
#include "opengl_directx/zr_gl_bulk_line_renderer.h"

namespace {

thread_local ZRFrameJournal* recordingJournal = nullptr;
thread_local int pauseDepth = 0;

// Where a quad lands: draw2D translates to the destination's centre, rotates, scales and draws the
// stretched source around it.
ZRFrameRect quadBounds(const ZRTextureOpenGL::Quad& q, float k) {
  const bool masked = q.mask1 != nullptr;
  const float w = (masked || q.dw < 0 ? q.sw : q.dw) * k, h = (masked || q.dh < 0 ? q.sh : q.dh) * k;
  const float halfW = q.sw * k / 2, halfH = q.sh * k / 2;
  const float radians = q.rotation * static_cast<float>(M_PI) / 180.0f;
  const float c = std::cos(radians), s = std::sin(radians);
  const float cx = q.dx * k + halfW, cy = q.dy * k + halfH;
  ZRFrameRect r{INFINITY, INFINITY, -INFINITY, -INFINITY};
  const float xs[4] = {0, w, w, 0}, ys[4] = {0, 0, h, h};
  for (int i = 0; i < 4; ++i) {
    const float px = (xs[i] - halfW) * q.scaleX, py = (ys[i] - halfH) * q.scaleY;
    const float x = cx + px * c - py * s, y = cy + px * s + py * c;
    r.x0 = std::min(r.x0, x);
    r.y0 = std::min(r.y0, y);
    r.x1 = std::max(r.x1, x);
    r.y1 = std::max(r.y1, y);
  }
  if (!std::isfinite(r.x0) || !std::isfinite(r.y0) || !std::isfinite(r.x1) || !std::isfinite(r.y1)) {
    // A broken geometry could land anywhere.
    return {-1e9f, -1e9f, 1e9f, 1e9f};
  }
  return r;
}

bool sameQuad(const ZRTextureOpenGL::Quad& a, const ZRTextureOpenGL::Quad& b) {
  return a.sx == b.sx && a.sy == b.sy && a.sw == b.sw && a.sh == b.sh && a.dx == b.dx && a.dy == b.dy &&
         a.dw == b.dw && a.dh == b.dh && a.mask1 == b.mask1 && a.m1x == b.m1x && a.m1y == b.m1y &&
         a.mask2 == b.mask2 && a.m2x == b.m2x && a.m2y == b.m2y && a.scaleX == b.scaleX &&
         a.scaleY == b.scaleY && a.rotation == b.rotation && a.flipV == b.flipV;
}

// Adds r to the list and merges overlapping rectangles; past kMaxDamage, the pair whose union grows the
// least is merged.
void addDamage(std::vector<ZRFrameRect>& list, ZRFrameRect r) {
  if (r.empty()) return;
  bool merged = true;
  while (merged) {
    merged = false;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].intersects(r)) {
        r.unite(list[i]);
        list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
        merged = true;
        break;
      }
    }
  }
  list.push_back(r);
  while (list.size() > ZRFrameJournal::kMaxDamage) {
    size_t bestA = 0, bestB = 1;
    float bestGrowth = INFINITY;
    for (size_t a = 0; a < list.size(); ++a) {
      for (size_t b = a + 1; b < list.size(); ++b) {
        ZRFrameRect u = list[a];
        u.unite(list[b]);
        const float growth = u.area() - list[a].area() - list[b].area();
        if (growth < bestGrowth) {
          bestGrowth = growth;
          bestA = a;
          bestB = b;
        }
      }
    }
    ZRFrameRect u = list[bestA];
    u.unite(list[bestB]);
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(bestB));
    list.erase(list.begin() + static_cast<std::ptrdiff_t>(bestA));
    addDamage(list, u);
  }
}

// Each owner's entries, in the order the owners first drew.
struct OwnerIndex {
  std::vector<const void*> order;
  std::unordered_map<const void*, std::vector<size_t>> entries;

  explicit OwnerIndex(const std::vector<ZRFrameJournal::Entry>& list) {
    entries.reserve(list.size());
    for (size_t i = 0; i < list.size(); ++i) {
      auto [it, added] = entries.try_emplace(list[i].owner);
      if (added) order.push_back(list[i].owner);
      it->second.push_back(i);
    }
  }
};

}  // namespace

void ZRFrameRect::unite(const ZRFrameRect& other) {
  if (other.empty()) return;
  if (empty()) {
    *this = other;
    return;
  }
  x0 = std::min(x0, other.x0);
  y0 = std::min(y0, other.y0);
  x1 = std::max(x1, other.x1);
  y1 = std::max(y1, other.y1);
}

ZRFrameJournal* ZRFrameJournal::recording() {
  return pauseDepth == 0 ? recordingJournal : nullptr;
}

void ZRFrameJournal::pauseRecording(bool pause) {
  if (pause) {
    ++pauseDepth;
  } else if (pauseDepth > 0) {
    --pauseDepth;
  }
}

void ZRFrameJournal::startRecording() {
  entries_.clear();
  pool_.clear();
  blend_ = 0;
  blendAlpha_ = 1;
  recordingJournal = this;
}

void ZRFrameJournal::stopRecording() {
  if (recordingJournal == this) recordingJournal = nullptr;
}

void ZRFrameJournal::addQuad(ZRTextureOpenGL* texture, const ZRTextureOpenGL::Quad& quad) {
  if (quad.blend == 1 || quad.blend == 2) {
    blend_ = quad.blend;
    blendAlpha_ = quad.alpha;
  }
  Entry e;
  e.owner = currentDrawOwner();
  e.texture = texture;
  e.quad = quad;
  e.generation[0] = texture->contentGeneration();
  e.generation[1] = quad.mask1 != nullptr ? quad.mask1->contentGeneration() : 0;
  e.generation[2] = quad.mask2 != nullptr ? quad.mask2->contentGeneration() : 0;
  e.textureScale = texture->getScale();
  e.nearest = texture->scalesNearest();
  e.blend = blend_;
  e.blendAlpha = blendAlpha_;
  e.bounds = quadBounds(quad, e.textureScale);
  entries_.push_back(e);
}

void ZRFrameJournal::addLines(ZRGLBulkLineRenderer* renderer, const float* xy, int vertexCount, float width,
                              const float rgba[4]) {
  Entry e;
  e.owner = currentDrawOwner();
  e.lines = renderer;
  e.firstFloat = pool_.size();
  e.floatCount = static_cast<size_t>(vertexCount) * 2;
  e.lineWidth = width;
  std::memcpy(e.rgba, rgba, sizeof(e.rgba));
  pool_.insert(pool_.end(), xy, xy + e.floatCount);
  ZRFrameRect r{INFINITY, INFINITY, -INFINITY, -INFINITY};
  for (size_t i = 0; i + 1 < e.floatCount; i += 2) {
    r.x0 = std::min(r.x0, xy[i]);
    r.x1 = std::max(r.x1, xy[i]);
    r.y0 = std::min(r.y0, xy[i + 1]);
    r.y1 = std::max(r.y1, xy[i + 1]);
  }
  // A line covers half its width on either side (and a pixel of smoothing).
  const float pad = width / 2 + 1;
  e.bounds = {r.x0 - pad, r.y0 - pad, r.x1 + pad, r.y1 + pad};
  entries_.push_back(e);
}

void ZRFrameJournal::replay(size_t i) const {
  const Entry& e = entries_[i];
  if (e.texture != nullptr) {
    ZRTextureOpenGL::Quad q = e.quad;
    // The blending in force when it was recorded, which an earlier draw left behind then.
    q.blend = e.blend;
    q.alpha = e.blendAlpha;
    e.texture->drawQuadNow(q);
  } else if (e.lines != nullptr) {
    e.lines->drawLinesNow(pool_.data() + e.firstFloat, static_cast<int>(e.floatCount / 2), e.lineWidth,
                          e.rgba);
  }
}

bool ZRFrameJournal::sameDrawing(const Entry& a, const ZRFrameJournal& otherJournal, const Entry& b) const {
  if (a.texture != b.texture || a.lines != b.lines) return false;
  if (a.texture != nullptr) {
    return a.generation[0] == b.generation[0] && a.generation[1] == b.generation[1] &&
           a.generation[2] == b.generation[2] && a.textureScale == b.textureScale && a.nearest == b.nearest &&
           a.blend == b.blend && a.blendAlpha == b.blendAlpha && sameQuad(a.quad, b.quad);
  }
  return a.floatCount == b.floatCount && a.lineWidth == b.lineWidth &&
         std::memcmp(a.rgba, b.rgba, sizeof(a.rgba)) == 0 &&
         std::equal(pool_.begin() + static_cast<std::ptrdiff_t>(a.firstFloat),
                    pool_.begin() + static_cast<std::ptrdiff_t>(a.firstFloat + a.floatCount),
                    otherJournal.pool_.begin() + static_cast<std::ptrdiff_t>(b.firstFloat));
}

ZRFrameJournal::Difference ZRFrameJournal::compare(const ZRFrameJournal& previous,
                                                   const ZRFrameJournal& newer) {
  Difference d;
  const OwnerIndex before(previous.entries_), after(newer.entries_);
  std::unordered_map<const void*, bool> changed;
  auto damageOf = [&](const ZRFrameJournal& journal, const std::vector<size_t>& list) {
    for (size_t i : list) addDamage(d.damage, journal.entries_[i].bounds);
  };
  for (const void* owner : after.order) {
    const std::vector<size_t>& now = after.entries.at(owner);
    const auto old = before.entries.find(owner);
    bool same = old != before.entries.end() && old->second.size() == now.size();
    for (size_t i = 0; same && i < now.size(); ++i) {
      same = newer.sameDrawing(newer.entries_[now[i]], previous, previous.entries_[old->second[i]]);
    }
    if (same) continue;
    changed[owner] = true;
    d.changedOwners.push_back(owner);
    damageOf(newer, now);
    if (old != before.entries.end()) damageOf(previous, old->second);
  }
  for (const void* owner : before.order) {
    if (after.entries.count(owner) != 0) continue;
    changed[owner] = true;
    d.changedOwners.push_back(owner);
    damageOf(previous, before.entries.at(owner));
  }
  // Owners that kept their drawing must keep their place among the others, or what covers what changed.
  auto unchangedSequence = [&](const ZRFrameJournal& journal) {
    std::vector<const void*> sequence;
    for (const Entry& e : journal.entries_) {
      if (changed.count(e.owner) == 0) sequence.push_back(e.owner);
    }
    return sequence;
  };
  d.whole = unchangedSequence(previous) != unchangedSequence(newer);
  return d;
}

std::vector<const void*> ZRFrameJournal::owners() const {
  return OwnerIndex(entries_).order;
}

void ZRFrameJournal::swap(ZRFrameJournal& other) noexcept {
  entries_.swap(other.entries_);
  pool_.swap(other.pool_);
  std::swap(blend_, other.blend_);
  std::swap(blendAlpha_, other.blendAlpha_);
}
