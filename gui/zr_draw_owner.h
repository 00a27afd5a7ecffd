#pragma once
// The draw owner: which part of the skin (a node, or the node manager for what it draws itself) the
// render thread is drawing right now. Whatever records a frame's drawing (the render loop keeps the last
// frame to redraw only what changed) reads it to tell which node each draw belongs to.
//
// The node base sets it around each child it renders, the node manager around the root, its outlines and
// the hint bubble; a node that draws its children itself leaves their drawing attributed to it.
//
// Threads: one owner per thread (the render thread is the only one that draws); no locks.

// The owner of the draws made now on this thread (null outside any node).
const void* currentDrawOwner();

// Makes owner the current draw owner while it lives, then restores the previous one.
class ZRDrawOwnerScope {
 public:
  explicit ZRDrawOwnerScope(const void* owner);
  ~ZRDrawOwnerScope();
  ZRDrawOwnerScope(const ZRDrawOwnerScope&) = delete;
  ZRDrawOwnerScope& operator=(const ZRDrawOwnerScope&) = delete;

 private:
  const void* previous_;
};
