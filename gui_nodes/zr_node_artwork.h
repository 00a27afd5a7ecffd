#pragma once
// ZRNodeArtwork: the cover picture an image node or a jog wheel shows (ZRArtworkNode is the node side): the
// embedded picture of an audio file, decoded at the node's pixel size, uploaded at the next frame, forgotten
// by clear() and lost by destroyTexture() until the next set().
//
// Threads: set and clear come from the GUI tick (render thread), a skin load decodes again at the new size
// (main thread, under the tree lock), and the render thread uploads and draws. The fields sit behind the
// holder's own lock; decoding runs outside it.

#include <memory>
#include <mutex>

#include "common/zr_string.h"
#include "gui/zr_draw_node.h"

class ZRTexture;

class ZRNodeArtwork {
 public:
  ZRNodeArtwork();
  ~ZRNodeArtwork();
  ZRNodeArtwork(const ZRNodeArtwork&) = delete;
  ZRNodeArtwork& operator=(const ZRNodeArtwork&) = delete;

  // The pixel size a node of width x height points at scale decodes its cover at: each side
  // max(64, side) x scale, raised to the next multiple of 4 x lrintf(scale) strictly above it.
  static void wantedSize(float width, float height, float scale, int& pixelWidth, int& pixelHeight);

  // Decodes the cover of the file at the node's size; the path and key are kept only when a picture came
  // out. A file that cannot be opened, or has no picture, leaves no artwork.
  void set(const ZRString& path, const ZRString& key, float width, float height, float scale);
  // Decodes the kept file again at a new size (after a skin load); nothing without artwork.
  void refreshSize(float width, float height, float scale);
  void clear();
  // Deletes the texture and forgets the artwork until the next set (render thread).
  void destroyTexture();
  // Render thread: uploads waiting pixels (the texture made on first use), or deletes the texture when
  // the artwork was cleared. The texture to draw, null when there is none.
  ZRTexture* prepare(float scale);

  bool hasArtwork() const;
  ZRString getPath() const;
  // The decoded picture's size in pixels (0 without one).
  void getPixelSize(int& width, int& height) const;

 private:
  mutable std::mutex lock_;
  ZRString path_;
  ZRString key_;
  bool hasArtwork_ = false;
  std::unique_ptr<unsigned char[]> pixels_;  // waiting for upload
  int pixelWidth_ = 0, pixelHeight_ = 0;
  bool alpha_ = false;
  std::unique_ptr<ZRTexture> texture_;
};

// A node that can show a cover: the image node and the jog wheel.
class ZRArtworkNode : public ZRDrawNode {
 public:
  ZRArtworkNode(ZRNodeManager* manager, float scale, int id, int deck)
      : ZRDrawNode(manager, nullptr, scale, id, deck, -1) {}

  // The cover of the audio file at path, decoded at the node size; key names it (render thread).
  void setArtworkImage(const ZRString& path, const ZRString& key) {
    artwork_.set(path, key, width, height, scale);
  }
  // Forgets the cover; its texture goes at the next frame.
  void clearArtworkImage() { artwork_.clear(); }
  bool hasArtwork() const { return artwork_.hasArtwork(); }
  // Also loses the cover until the next setArtworkImage.
  void destroyTexture() override {
    artwork_.destroyTexture();
    ZRDrawNode::destroyTexture();
  }

 protected:
  ZRNodeArtwork artwork_;
};
