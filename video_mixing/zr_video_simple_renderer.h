#pragma once
// ZRVideoSimpleRenderer: the player of a video overlay item. It plays a video file muted and on its own
// clock (not a deck's), normally in an endless loop, and draws it where the item says.
//
// A worker thread ("videoSimpleRenderer", every 80 ms) opens the file with a decoder of its own
// (ZRDecoderVideo, id -1, the video's own picture size, 4 bytes per pixel) and decodes up to half a
// second ahead of the play position into blocks of a frame pool, at most kMaxFramesPerPass frames per
// pass and never more than kMaxQueuedFrames waiting. Frame times run on across loops (loop count x
// length + the frame's time - the first frame's time), so the render thread never sees time go back.
// The render thread advances the play position by each output frame's time step, shows the newest
// frame that is due (frames already late are skipped, so a clip faster than the output does not pile
// up) and draws the texture at the item's placement.
//
// Looping: a play time beyond the file's length loops; a file whose length is unknown (0 or less) never
// loops, it plays once. A non-looping player whose play position leaves the decoded frames by more than
// 3 s seeks there.
//
// Frame records carry their block, the pool the block came from and the frame's own size: a pool
// replaced for a larger video lives on until its last block is back, and every upload uses the size of
// the frame it uploads.
//
// Threads: construction and destruction on the thread that makes and discards the item, once the render
// thread no longer calls the player; openFile, playPause, setSizePos, updateFromRenderThread, the
// texture and freeAll/resetAllGraphicsResourcesInUse on the render thread (a GL
// context current); the worker decodes. The pending open request is guarded by a lock; flags, times and
// the play position shared with the worker are atomics. Decoded frames go to the render thread and
// shown or dropped ones come back through two lock-free queues; only the worker gives blocks back to a
// pool (the destructor does after the worker has stopped). The destructor never waits without bound and
// never deletes a texture: when the render thread has not released it within 100 ms it is retired to the
// overlays' list, which the render thread empties at its next overlay frame (retireOverlayTexture).

#include <atomic>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>

#include "common/zr_lock_free_queue.h"
#include "video_mixing/zr_overlay_item.h"

class ZRDecoderVideo;
class ZRMemoryPoolUntyped;
class ZRTexture;
class ZRThread;

class ZRVideoSimpleRenderer : public ZROverlayItemPlayer {
 public:
  static constexpr int kDefaultBlockBytes = 1280 * 720 * 4;
  static constexpr int kBlockAlignment = 64;
  static constexpr int kWorkerIntervalMs = 80;
  static constexpr double kDecodeAheadSeconds = 0.5;
  static constexpr double kSeekDistanceSeconds = 3.0;
  static constexpr int kMaxFramesPerPass = 48;
  static constexpr int kMaxQueuedFrames = 96;
  static constexpr int kReleaseWaitSteps = 10;
  static constexpr int kReleaseWaitStepMs = 10;
  // The frame rate assumed when a file reports none.
  static constexpr double kFallbackFrameRate = 25.0;
  static constexpr int kSampleRate = 44100;

  // One decoded frame: a block of its pool holding width x height x 4 bytes.
  struct Frame {
    void* block = nullptr;
    std::shared_ptr<ZRMemoryPoolUntyped> pool;
    int width = 0;
    int height = 0;
    double time = 0;
    int loop = 0;
    unsigned generation = 0;
  };

  // How a requested play time plays a file of the given length (seconds; negative play time: the
  // length).
  struct Plan {
    double playEnd;
    bool looping;
  };
  static Plan planPlayback(double playTime, double length);
  // 1 / rate, or 1 / kFallbackFrameRate for a rate that is not a positive number.
  static double frameDurationFor(double rate);

  explicit ZRVideoSimpleRenderer(int id);
  ~ZRVideoSimpleRenderer() override;
  ZRVideoSimpleRenderer(const ZRVideoSimpleRenderer&) = delete;
  ZRVideoSimpleRenderer& operator=(const ZRVideoSimpleRenderer&) = delete;

  // Makes overlay video items play through this player (the item player factory).
  static void install();

  // Asks the worker to open path at its next pass (a pending request is replaced); true. playTime:
  // seconds to play (negative: the file's length); autoplay starts playing once open; still keeps the
  // play position at 0 (only the first frame shows).
  bool openFile(const std::string& path, double playTime, bool autoplay, bool still) override;
  // Open, opening, or failed to open the last file asked for: an item asks a player that could not open
  // its file to play (which does nothing) instead of trying the file again at every frame.
  bool isOpenOrPending() const override {
    return isOpen() || isOpenRequested() || openFailed_.load(std::memory_order_acquire);
  }
  // Starts or pauses the play position, only while a file is open.
  void playPause(bool play) override;
  // The placement in the output's draw coordinates: x and y -1..1, width and height fractions of the
  // output, rotation in degrees. An unplaced player covers the whole output.
  void setSizePos(float x, float y, float width, float height, float rotation, float opacity) override;
  // Render thread: the size of the frame shown; 0 x 0 before one.
  void pictureSize(int& width, int& height) const override;

  // Render thread, once per output frame: creates the texture, shows the frame due, advances the play
  // position by dt and draws. hold: nothing advances, created or uploaded (drawing only); hidden:
  // everything advances but nothing is uploaded or drawn.
  void updateFromRenderThread(double dt, bool opengl, void* device, void* context, float width, float height,
                              bool hold, bool hidden) override;
  // Render thread: deletes the texture; the player draws nothing afterwards.
  void freeAllGraphicsResourcesInUse() override;
  // Render thread: deletes the texture, made again at the next update.
  void resetAllGraphicsResourcesInUse();

  // Moves every decoded frame not yet shown to the released queue (worker).
  void clearAllExistingFrames();
  // Gives every released frame's block back to its pool (worker).
  void destroyAllDeletedFrames();
  // The sample position (44100 Hz) to seek to, or -1: only a non-looping player whose play position is
  // more than 3 s from the decoded frames seeks; the decoded frames are released then.
  int getSeekPositionIfNeeded();
  // The worker's function: one pass; always true.
  static bool simpleRendererWorkerTimerThreadFunction(void* player);

  // ---- what the item and the tests read ----
  bool isOpen() const { return open_.load(std::memory_order_acquire); }
  bool isOpenRequested() const { return openRequested_.load(std::memory_order_acquire); }
  bool isPlaying() const { return playing_.load(std::memory_order_acquire); }
  bool isLooping() const { return looping_.load(std::memory_order_acquire); }
  bool isEnded() const { return ended_.load(std::memory_order_acquire); }
  double getLength() const { return length_.load(std::memory_order_acquire); }
  double getPlayEnd() const { return playEnd_.load(std::memory_order_acquire); }
  double getFrameDuration() const { return frameDuration_.load(std::memory_order_acquire); }
  int getLoopCount() const { return loopCount_.load(std::memory_order_acquire); }
  double getPlayPosition() const { return playPosition_.load(std::memory_order_acquire); }
  // Render thread: the time of the frame in the texture (-1 before one) and the texture (null before the
  // first update).
  double getShownTime() const { return shownTime_; }
  ZRTexture* getTexture() const { return texture_.get(); }
  // Frames decoded and not yet given up: waiting, or the one on screen.
  int getQueuedFrameCount() const { return queued_.load(std::memory_order_acquire); }
  // Frames taken from a pool and not yet given back.
  int getFramesOutstanding() const { return outstanding_.load(std::memory_order_acquire); }
  // The block size of the pool new frames come from.
  int getPoolBlockSize() const;

 private:
  struct Request {
    std::string path;
    double playTime = -1;
    bool autoplay = false;
    bool still = false;
  };

  void workerPass();
  void carryOutOpen(const Request& request);
  void decodeAhead();
  // A free block of at least bytes bytes, from a pool replaced when it is too small; null when none.
  void* takeBlock(size_t bytes, std::shared_ptr<ZRMemoryPoolUntyped>& pool);
  void giveBack(Frame* frame);
  void releaseFrame(Frame* frame);
  void deleteTexture();
  void draw();
  // Takes the newest due frame of the current generation into shown_; true when it changed.
  bool takeDueFrame(double position);

  const int id_;
  std::unique_ptr<ZRDecoderVideo> decoder_;
  std::unique_ptr<ZRThread> worker_;

  std::mutex requestLock_;
  Request request_;
  std::atomic<bool> openRequested_{false};
  std::atomic<bool> openFailed_{false};

  std::atomic<bool> open_{false};
  std::atomic<bool> playing_{false};
  std::atomic<bool> looping_{false};
  std::atomic<bool> ended_{false};
  std::atomic<double> length_{0};
  std::atomic<double> playEnd_{0};
  std::atomic<double> frameDuration_{1.0 / kFallbackFrameRate};
  std::atomic<double> fixedPosition_{-1};
  std::atomic<double> playPosition_{0};
  std::atomic<double> lastDecodedTime_{-1};
  std::atomic<int> loopCount_{0};
  // Raised by every open and seek: frames of an older generation are never shown.
  std::atomic<unsigned> generation_{0};
  std::atomic<int> queued_{0};
  std::atomic<int> outstanding_{0};

  // Worker only (and the destructor after the worker has stopped).
  std::shared_ptr<ZRMemoryPoolUntyped> pool_;
  mutable std::mutex poolLock_;  // pool_ against getPoolBlockSize
  double firstFrameTime_ = 0;
  bool firstFrameSeen_ = false;
  double lastRawTime_ = -1;

  ZRLockFreeQueue<Frame*> decodedFrames_;
  ZRLockFreeQueue<Frame*> releasedFrames_;

  // Render thread only.
  std::unique_ptr<ZRTexture> texture_;
  Frame* pending_ = nullptr;     // taken from the decoded queue, not yet due
  Frame* shown_ = nullptr;       // the frame in the texture, kept to fill a texture made again
  bool textureCurrent_ = false;  // the texture holds shown_
  double shownTime_ = -1;

  bool placed_ = false;
  float x_ = 0, y_ = 0, width_ = 1, height_ = 1, rotation_ = 0, opacity_ = 1;

  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> destroying_{false};
  std::atomic<bool> released_{false};
};
