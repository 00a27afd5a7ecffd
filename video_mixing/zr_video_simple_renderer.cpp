#include "video_mixing/zr_video_simple_renderer.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <limits>
#include <thread>
#include <vector>

#include "codecs/zr_decoder_video.h"
#include "common/zr_logging.h"
#include "common/zr_memory_pool.h"
#include "common/zr_texture.h"
#include "common/zr_thread.h"

namespace {

// Frame times and play positions are sums of steps: a frame counts as due a hair before its time.
constexpr double kTimeEpsilon = 1e-6;

}  // namespace

// ---- planning ---------------------------------------------------------------------------------------

ZRVideoSimpleRenderer::Plan ZRVideoSimpleRenderer::planPlayback(double playTime, double length) {
  if (!(length > 0)) {
    // Without a length there is no end to loop at: the file plays once, at most for playTime.
    return {playTime >= 0 ? playTime : std::numeric_limits<double>::infinity(), false};
  }
  const double end = playTime < 0 ? length : playTime;
  return {end, end > length};
}

double ZRVideoSimpleRenderer::frameDurationFor(double rate) {
  if (!(rate > 0) || !std::isfinite(rate)) return 1.0 / kFallbackFrameRate;
  return 1.0 / rate;
}

void ZRVideoSimpleRenderer::install() {
  setOverlayItemPlayerFactory([]() -> ZROverlayItemPlayer* { return new ZRVideoSimpleRenderer(-1); });
}

// ---- life -------------------------------------------------------------------------------------------

ZRVideoSimpleRenderer::ZRVideoSimpleRenderer(int id)
    : id_(id),
      decoder_(std::make_unique<ZRDecoderVideo>(-1)),
      pool_(std::make_shared<ZRMemoryPoolUntyped>(kDefaultBlockBytes, kBlockAlignment, 0, false)) {
  decoder_->SetTargetFrameSize(-1, -1, 4);
  worker_ = std::make_unique<ZRThread>(&ZRVideoSimpleRenderer::simpleRendererWorkerTimerThreadFunction, this,
                                       0, kWorkerIntervalMs, "videoSimpleRenderer");
}

ZRVideoSimpleRenderer::~ZRVideoSimpleRenderer() {
  if (!destroying_.exchange(true)) {
    for (int i = 0; i < kReleaseWaitSteps && !released_.load(std::memory_order_acquire); ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(kReleaseWaitStepMs));
    }
  }
  // Only the render thread may delete the texture: one it has not let go of waits for it there.
  retireOverlayTexture(texture_.release());

  // Every decoding pass ends at the next frame once stop is asked; deleting the thread waits for it.
  stopRequested_.store(true, std::memory_order_release);
  worker_.reset();
  decoder_->close();

  if (pending_ != nullptr) giveBack(pending_);
  if (shown_ != nullptr) giveBack(shown_);
  pending_ = shown_ = nullptr;
  clearAllExistingFrames();
  destroyAllDeletedFrames();
}

int ZRVideoSimpleRenderer::getPoolBlockSize() const {
  std::lock_guard<std::mutex> g(poolLock_);
  return pool_ ? pool_->getBlockSize() : 0;
}

// ---- requests (render thread) -----------------------------------------------------------------------

bool ZRVideoSimpleRenderer::openFile(const std::string& path, double playTime, bool autoplay, bool still) {
  {
    std::lock_guard<std::mutex> g(requestLock_);
    request_.path = path;
    request_.playTime = playTime;
    request_.autoplay = autoplay;
    request_.still = still;
    openRequested_.store(true, std::memory_order_release);
    openFailed_.store(false, std::memory_order_release);
  }
  if (worker_) worker_->wakeUpNow();
  return true;
}

void ZRVideoSimpleRenderer::playPause(bool play) {
  if (open_.load(std::memory_order_acquire)) playing_.store(play, std::memory_order_release);
}

void ZRVideoSimpleRenderer::pictureSize(int& width, int& height) const {
  width = shown_ != nullptr ? shown_->width : 0;
  height = shown_ != nullptr ? shown_->height : 0;
}

void ZRVideoSimpleRenderer::setSizePos(float x, float y, float width, float height, float rotation,
                                       float opacity) {
  x_ = x;
  y_ = y;
  width_ = width;
  height_ = height;
  rotation_ = rotation;
  opacity_ = opacity;
  placed_ = true;
}

// ---- frames -----------------------------------------------------------------------------------------

void ZRVideoSimpleRenderer::giveBack(Frame* frame) {
  if (frame == nullptr) return;
  if (frame->pool) {
    frame->pool->releaseBlock(frame->block);
  } else {
    ZRLOG("*** error: memory pool is not available (1)");
  }
  outstanding_.fetch_sub(1, std::memory_order_acq_rel);
  delete frame;
}

void ZRVideoSimpleRenderer::releaseFrame(Frame* frame) {
  if (frame == nullptr) return;
  queued_.fetch_sub(1, std::memory_order_acq_rel);
  releasedFrames_.enqueue(frame);
}

void ZRVideoSimpleRenderer::clearAllExistingFrames() {
  Frame* frame = nullptr;
  while (decodedFrames_.try_dequeue(frame)) releaseFrame(frame);
}

void ZRVideoSimpleRenderer::destroyAllDeletedFrames() {
  Frame* frame = nullptr;
  while (releasedFrames_.try_dequeue(frame)) giveBack(frame);
}

void* ZRVideoSimpleRenderer::takeBlock(size_t bytes, std::shared_ptr<ZRMemoryPoolUntyped>& pool) {
  {
    std::lock_guard<std::mutex> g(poolLock_);
    if (!pool_ || static_cast<size_t>(pool_->getBlockSize()) < bytes) {
      // Frames still out keep the old pool alive until they come back to it.
      const int blockSize = static_cast<int>(std::max<size_t>(bytes, 64));
      pool_ = std::make_shared<ZRMemoryPoolUntyped>(blockSize, kBlockAlignment, 0, false);
    }
    pool = pool_;
  }
  void* block = pool->getFreeBlock();
  if (block != nullptr) outstanding_.fetch_add(1, std::memory_order_acq_rel);
  return block;
}

int ZRVideoSimpleRenderer::getSeekPositionIfNeeded() {
  if (looping_.load(std::memory_order_acquire)) return -1;
  const double position = playPosition_.load(std::memory_order_acquire);
  const double decoded = lastDecodedTime_.load(std::memory_order_acquire);
  if (std::fabs(position - decoded) <= kSeekDistanceSeconds) return -1;
  generation_.fetch_add(1, std::memory_order_acq_rel);
  clearAllExistingFrames();
  // Not sought again before the first frame from there arrives.
  lastDecodedTime_.store(position, std::memory_order_release);
  const int rate = decoder_->GetSampleRate() > 0 ? decoder_->GetSampleRate() : kSampleRate;
  const int sample = static_cast<int>(std::lround(position * rate));
  ZRLOG("*** seeking to pos=%d samples (%.1fs)", sample, position);
  return sample;
}

// ---- the worker -------------------------------------------------------------------------------------

bool ZRVideoSimpleRenderer::simpleRendererWorkerTimerThreadFunction(void* player) {
  static_cast<ZRVideoSimpleRenderer*>(player)->workerPass();
  return true;
}

void ZRVideoSimpleRenderer::workerPass() {
  if (stopRequested_.load(std::memory_order_acquire)) return;
  if (openRequested_.load(std::memory_order_acquire)) {
    Request request;
    {
      std::lock_guard<std::mutex> g(requestLock_);
      request = request_;
      request_ = Request();
      openRequested_.store(false, std::memory_order_release);
    }
    carryOutOpen(request);
  }
  if (open_.load(std::memory_order_acquire) && !ended_.load(std::memory_order_acquire)) decodeAhead();
  destroyAllDeletedFrames();
}

void ZRVideoSimpleRenderer::carryOutOpen(const Request& request) {
  open_.store(false, std::memory_order_release);
  playing_.store(false, std::memory_order_release);
  generation_.fetch_add(1, std::memory_order_acq_rel);
  clearAllExistingFrames();
  destroyAllDeletedFrames();
  decoder_->close();

  ZRCodecBase::OpenStruct openRequest;
  openRequest.path = ZRString(request.path.c_str());
  openRequest.secondPath = openRequest.path;
  openRequest.format = TDSPAudioFormat{kSampleRate, 2, 16, 16, 0, 0};
  if (request.path.empty() || !decoder_->open(&openRequest)) {
    ZRLOG("*** error: ZRVideoSimpleRenderer can not open video file '%s'", request.path.c_str());
    openFailed_.store(true, std::memory_order_release);
    return;
  }
  const int rate = openRequest.format.sampleRate > 0 ? openRequest.format.sampleRate : kSampleRate;
  const double length = static_cast<double>(openRequest.format.totalFrames) / rate;
  const Plan plan = planPlayback(request.playTime, length);
  loopCount_.store(0, std::memory_order_release);
  playPosition_.store(0, std::memory_order_release);
  fixedPosition_.store(request.still ? 0 : -1, std::memory_order_release);
  lastDecodedTime_.store(-1, std::memory_order_release);
  firstFrameSeen_ = false;
  firstFrameTime_ = 0;
  lastRawTime_ = -1;
  ended_.store(false, std::memory_order_release);
  length_.store(length, std::memory_order_release);
  playEnd_.store(plan.playEnd, std::memory_order_release);
  looping_.store(plan.looping, std::memory_order_release);
  frameDuration_.store(frameDurationFor(decoder_->GetFrameRate()), std::memory_order_release);
  open_.store(true, std::memory_order_release);
  playing_.store(request.autoplay, std::memory_order_release);
}

void ZRVideoSimpleRenderer::decodeAhead() {
  auto interrupted = [this] {
    return stopRequested_.load(std::memory_order_acquire) || openRequested_.load(std::memory_order_acquire);
  };
  auto wanted = [this] {
    const double ahead = std::min(playPosition_.load(std::memory_order_acquire) + kDecodeAheadSeconds,
                                  playEnd_.load(std::memory_order_acquire));
    return ahead >
           lastDecodedTime_.load(std::memory_order_acquire) + frameDuration_.load(std::memory_order_acquire);
  };
  int seek = getSeekPositionIfNeeded();
  for (int n = 0; n < kMaxFramesPerPass && (seek != -1 || wanted()); ++n) {
    if (interrupted() || ended_.load(std::memory_order_acquire)) return;
    if (queued_.load(std::memory_order_acquire) >= kMaxQueuedFrames) return;
    const int width = decoder_->GetFrameWidth();
    const int height = decoder_->GetFrameHeight();
    if (width <= 0 || height <= 0) {
      ZRLOG("*** error: ZRVideoSimpleRenderer: no picture size (%dx%d)", width, height);
      ended_.store(true, std::memory_order_release);
      return;
    }
    auto* frame = new Frame;
    frame->width = width;
    frame->height = height;
    frame->block = takeBlock(static_cast<size_t>(width) * static_cast<size_t>(height) * 4, frame->pool);
    if (frame->block == nullptr) {
      delete frame;
      ZRLOG("*** CRITICAL ERROR -- can not allocate memory for the video frames(2) !!!");
      return;
    }
    double rawTime = 0;
    bool delivered = decoder_->GetNextFrame(frame->block, &rawTime, seek);
    const bool loops = looping_.load(std::memory_order_acquire);
    if (delivered && !loops && firstFrameSeen_ && seek == -1 &&
        rawTime - firstFrameTime_ < lastRawTime_ - kTimeEpsilon) {
      // The decoder started the file over by itself: a player that does not loop has reached the end.
      delivered = false;
    }
    if (!delivered && loops) {
      delivered = decoder_->GetNextFrame(frame->block, &rawTime, 0);
      if (delivered) {
        loopCount_.fetch_add(1, std::memory_order_acq_rel);
      } else {
        ZRLOG("*** ERROR -- can not read rewinded frame !!!");
        giveBack(frame);
        return;
      }
    }
    if (!delivered) {
      // The end of a file that does not loop: it stops after the last frame decoded.
      ended_.store(true, std::memory_order_release);
      const double last = lastDecodedTime_.load(std::memory_order_acquire);
      if (!(playEnd_.load(std::memory_order_acquire) <= last)) {
        playEnd_.store(std::max(0.0, last) + frameDuration_.load(std::memory_order_acquire),
                       std::memory_order_release);
      }
      giveBack(frame);
      return;
    }
    if (!firstFrameSeen_) {
      firstFrameSeen_ = true;
      firstFrameTime_ = rawTime;
    }
    lastRawTime_ = rawTime - firstFrameTime_;
    frame->loop = loopCount_.load(std::memory_order_acquire);
    frame->time = frame->loop * length_.load(std::memory_order_acquire) + rawTime - firstFrameTime_;
    frame->generation = generation_.load(std::memory_order_acquire);
    lastDecodedTime_.store(frame->time, std::memory_order_release);
    const double step = frameDuration_.load(std::memory_order_acquire);
    const bool late = frame->time + step <= playPosition_.load(std::memory_order_acquire) &&
                      frame->time + step < playEnd_.load(std::memory_order_acquire);
    if (late) {
      // Its successor is due already: the render thread would only pass it over.
      giveBack(frame);
    } else {
      queued_.fetch_add(1, std::memory_order_acq_rel);
      decodedFrames_.enqueue(frame);
    }

    seek = getSeekPositionIfNeeded();
    destroyAllDeletedFrames();
  }
}

// ---- the render thread ------------------------------------------------------------------------------

void ZRVideoSimpleRenderer::deleteTexture() {
  texture_.reset();
}

void ZRVideoSimpleRenderer::freeAllGraphicsResourcesInUse() {
  destroying_.store(true, std::memory_order_release);
  deleteTexture();
  released_.store(true, std::memory_order_release);
}

void ZRVideoSimpleRenderer::resetAllGraphicsResourcesInUse() {
  deleteTexture();
}

bool ZRVideoSimpleRenderer::takeDueFrame(double position) {
  const unsigned generation = generation_.load(std::memory_order_acquire);
  bool changed = false;
  for (;;) {
    if (pending_ == nullptr && !decodedFrames_.try_dequeue(pending_)) break;
    if (pending_->generation != generation) {
      releaseFrame(pending_);
      pending_ = nullptr;
      continue;
    }
    if (pending_->time > position + kTimeEpsilon) break;
    // Due: it replaces the frame shown, and a due frame passed over on the way is late and dropped.
    if (shown_ != nullptr) releaseFrame(shown_);
    shown_ = pending_;
    pending_ = nullptr;
    changed = true;
  }
  return changed;
}

void ZRVideoSimpleRenderer::updateFromRenderThread(double dt, bool opengl, void* device, void* context, float,
                                                   float, bool hold, bool hidden) {
  if (destroying_.load(std::memory_order_acquire)) {
    if (!released_.load(std::memory_order_acquire)) {
      deleteTexture();
      released_.store(true, std::memory_order_release);
    }
    return;
  }
  if (!hold) {
    if (!texture_) {
      texture_.reset(ZRTexture::createTexture(true, 1.0f, opengl ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA,
                                              device, context));
      if (!texture_) return;
      textureCurrent_ = false;
    }
    if (playing_.load(std::memory_order_acquire)) {
      const double fixed = fixedPosition_.load(std::memory_order_acquire);
      double position = playPosition_.load(std::memory_order_acquire);
      const double next = fixed >= 0 ? fixed : position + dt;
      // The worker resets the position when it opens a file: its value wins over this step.
      if (playPosition_.compare_exchange_strong(position, next, std::memory_order_acq_rel)) position = next;
      // The frame due at the new position: the last frame of a clip shows when the play end is reached.
      if (takeDueFrame(position)) {
        textureCurrent_ = false;
        shownTime_ = shown_->time;
      }
      if (position >= playEnd_.load(std::memory_order_acquire))
        playing_.store(false, std::memory_order_release);
    }
    if (!textureCurrent_ && !hidden && shown_ != nullptr &&
        shown_->generation == generation_.load(std::memory_order_acquire)) {
      textureCurrent_ = true;
      if (!texture_->initWithOrRefreshData(shown_->block, shown_->width, shown_->height, ZRPixelFormatBGRA,
                                           false)) {
        ZRLOG("*** error: initWithOrRefreshData: can not refresh data");
        deleteTexture();
      }
    }
  }
  if (!hidden) draw();
}

void ZRVideoSimpleRenderer::draw() {
  if (!open_.load(std::memory_order_acquire) || !texture_ || texture_->getWidth() <= 0) return;
  if (placed_) {
    texture_->drawFull(x_, y_, width_, height_, rotation_, opacity_, false, false);
  } else {
    texture_->drawFull(0, 0, 1, 1, 0, 1, false, false);
  }
}
