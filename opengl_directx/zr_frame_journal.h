#pragma once
// ZRFrameJournal: one skin frame's drawing written down instead of drawn. While a journal records, every
// 2D texture draw (ZRTextureOpenGL) and every line batch (ZRGLBulkLineRenderer) of the recording thread
// becomes an entry: what is drawn (the texture, the content generation of it and its masks, the quad, the
// blending in force), which draw owner made it (gui/zr_draw_owner.h) and the rectangle it covers in the
// frame's 2D units. Comparing a frame's journal with the previous one's tells which owners drew
// something different, and where: the render loop redraws only there, and not at all when nothing moved.
//
// Uploads, texture allocation and drawing into textures are made at once while recording: they make the
// pictures the frame draws, and their content generation tells the comparison that a picture changed.
//
// Threads: a journal records on one thread (the render thread) at a time; nothing is locked. Entries hold
// texture pointers that are dereferenced only by replay, which must run before any of them can go (the
// node manager's tree lock is held from recording to replay).

#include <cstddef>
#include <vector>

#include "opengl_directx/zr_texture_opengl.h"

class ZRGLBulkLineRenderer;

// A rectangle in the frame's 2D units (x0 <= x1, y0 <= y1); empty when it has no area.
struct ZRFrameRect {
  float x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  bool empty() const { return !(x1 > x0) || !(y1 > y0); }
  bool intersects(const ZRFrameRect& other) const {
    return x0 < other.x1 && other.x0 < x1 && y0 < other.y1 && other.y0 < y1;
  }
  void unite(const ZRFrameRect& other);
  float area() const { return empty() ? 0 : (x1 - x0) * (y1 - y0); }
};

class ZRFrameJournal {
 public:
  struct Entry {
    const void* owner = nullptr;
    ZRTextureOpenGL* texture = nullptr;  // null: a line batch
    ZRTextureOpenGL::Quad quad{};
    unsigned long long generation[3] = {0, 0, 0};  // the texture's and its two masks'
    float textureScale = 1;
    bool nearest = false;
    int blend = 0;  // the blending in force: 1 or 2 as a draw asked it, 0 when none was asked yet
    float blendAlpha = 1;
    ZRGLBulkLineRenderer* lines = nullptr;
    size_t firstFloat = 0, floatCount = 0;  // the batch's vertices in the journal's pool
    float lineWidth = 1;
    float rgba[4] = {0, 0, 0, 0};
    ZRFrameRect bounds;
  };

  // What changed from one frame to the next.
  struct Difference {
    std::vector<const void*> changedOwners;  // drew something new, different, or no longer drew
    std::vector<ZRFrameRect> damage;  // where the frame must be drawn again (merged, at most kMaxDamage)
    bool whole = false;               // the order of the owners changed: everything is drawn again
    bool any() const { return whole || !damage.empty(); }
  };
  static constexpr size_t kMaxDamage = 8;

  // The journal recording on this thread, or null (none, or recording paused).
  static ZRFrameJournal* recording();
  // Pauses (true) and resumes (false) this thread's recording; nests.
  static void pauseRecording(bool pause);

  // Empties the journal and records this thread's drawing into it until stopRecording.
  void startRecording();
  void stopRecording();

  void addQuad(ZRTextureOpenGL* texture, const ZRTextureOpenGL::Quad& quad);
  void addLines(ZRGLBulkLineRenderer* renderer, const float* xy, int vertexCount, float width,
                const float rgba[4]);

  const std::vector<Entry>& entries() const { return entries_; }
  // Draws entry i now (GL context current, in the projection it was recorded in).
  void replay(size_t i) const;
  // What this frame (newer) changed against previous (the frame shown before).
  static Difference compare(const ZRFrameJournal& previous, const ZRFrameJournal& newer);
  // The owners in the order they first drew.
  std::vector<const void*> owners() const;
  void swap(ZRFrameJournal& other) noexcept;

 private:
  bool sameDrawing(const Entry& a, const ZRFrameJournal& otherJournal, const Entry& b) const;

  std::vector<Entry> entries_;
  std::vector<float> pool_;  // line vertices
  int blend_ = 0;
  float blendAlpha_ = 1;
};
