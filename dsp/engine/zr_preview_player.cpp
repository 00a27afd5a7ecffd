#include "dsp/engine/zr_preview_player.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>

#include "codecs/zr_master_codec.h"
#include "common/zr_logging.h"
#include "common/zr_ring_buffer.h"
#include "common/zr_thread.h"

namespace {

constexpr int kBytesPerFrame = 2 * sizeof(float);
constexpr ZRThreadPriority kStreamingPriority = 1;

int64_t nowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

ZRPreviewPlayer::ZRPreviewPlayer(int playerId, bool playAfterOpening, bool timerOnly)
    : id(playerId),
      playAfterOpen(playAfterOpening),
      codec(std::make_unique<ZRMasterCodec>(playerId + 40)),
      decodeBuffer(std::make_unique<float[]>(2 * kDecodeFrames)),
      ring(std::make_unique<ZRRingBuffer>(kRingBytes, true)) {
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  if (timerOnly) ZRLOG("ZRPreviewPlayer: the timer-only mode is not available yet; the player streams");
  streamingThread = std::make_unique<ZRThread>(&ZRPreviewPlayer::streaming_thread_function, this,
                                               kStreamingPriority, kStreamingIntervalMs, "streamingPreview");
}

ZRPreviewPlayer::~ZRPreviewPlayer() {
  streamingThread.reset();
  std::lock_guard<std::mutex> lock(fileLock);
  closeLocked();
}

uint32_t ZRPreviewPlayer::changeState(uint32_t set, uint32_t clear, bool newGeneration) {
  uint32_t old = state.load(std::memory_order_acquire);
  for (;;) {
    uint32_t next = (old & ~clear) | set;
    if (newGeneration) next += kGenerationStep;
    if (state.compare_exchange_weak(old, next, std::memory_order_acq_rel, std::memory_order_acquire)) {
      return old;
    }
  }
}

bool ZRPreviewPlayer::OpenFileName(const ZRString& name) {
  std::lock_guard<std::mutex> lock(fileLock);
  if (state.load(std::memory_order_acquire) & kOpen) {
    // Exact: two paths that differ only in case are two files.
    const bool same = fileName == name;
    closeLocked();
    if (same) return true;
  }
  request.path = name;
  request.secondPath = ZRString();
  request.stream = nullptr;
  request.ownsStream = false;
  request.format = TDSPAudioFormat{44100, 2, 32, 32, 0, 0};
  if (!codec->openFileOrStream(&request, 1.0f)) {
    ZRLOG("ZRPreviewPlayer::OpenFileName -- file not opened '%s', selfId=%d, tag=%d", name, id, tag.load());
    return false;
  }
  const int frames = request.format.totalFrames;
  if (frames <= 0) {
    codec->close();
    changeState(0, kEndPending, false);
    ZRLOG("ZRPreviewPlayer::OpenFileName -- file size 0");
    return false;
  }
  length.store(frames);
  lengthSeconds.store(frames / 44100.0);
  ring->clear();
  streamed.store(0);
  endKnown.store(false);
  position.store(0);
  fileName = name;
  // A new count of opens: nothing the audio thread decided about the previous file applies to this one.
  changeState(kOpen | (playAfterOpen ? kPlaying : 0), kEndPending | kPlaying, true);
  wakeStreaming();
  return true;
}

void ZRPreviewPlayer::Close() {
  std::lock_guard<std::mutex> lock(fileLock);
  closeLocked();
}

void ZRPreviewPlayer::closeLocked() {
  if (!(state.load(std::memory_order_acquire) & kOpen)) return;
  changeState(0, kOpen | kPlaying | kEndPending, true);
  codec->close();
  length.store(0);
  lengthSeconds.store(0.0);
  fileName = ZRString();
}

ZRString ZRPreviewPlayer::GetFileName() {
  std::lock_guard<std::mutex> lock(fileLock);
  return fileName;
}

void ZRPreviewPlayer::SetPlaying(bool on) {
  if (on) {
    changeState(kPlaying, 0, false);
  } else {
    changeState(0, kPlaying, false);
  }
}

bool ZRPreviewPlayer::GetPlaying() const {
  const uint32_t s = state.load(std::memory_order_acquire);
  return (s & kOpen) && (s & kPlaying);
}

bool ZRPreviewPlayer::IsOpen() const {
  return (state.load(std::memory_order_acquire) & kOpen) != 0;
}

void ZRPreviewPlayer::GetSamples(float* buffer, int frames) {
  lastBufferNs.store(nowNs(), std::memory_order_relaxed);
  const uint32_t s = state.load(std::memory_order_acquire);
  const int bytes = frames * kBytesPerFrame;
  if (!(s & kOpen) || !(s & kPlaying) || frames <= 0) {
    if (frames > 0) std::memset(buffer, 0, static_cast<size_t>(bytes));
    return;
  }
  const int startPosition = position.load(std::memory_order_acquire);
  // Read before the ring: once everything is decoded, what the ring holds is all there is.
  const bool allDecoded = IsFullyStreamed();
  const int used = ring->getUsed() / kBytesPerFrame * kBytesPerFrame;
  int taken = 0;
  if (used >= bytes) {
    taken = ring->getBlock(buffer, bytes) ? frames : 0;
  } else if (allDecoded && used > 0) {
    // The file's last frames, fewer than a buffer.
    taken = ring->getBlock(buffer, used) ? used / kBytesPerFrame : 0;
  }
  if (taken < frames)
    std::memset(buffer + 2 * taken, 0, static_cast<size_t>(frames - taken) * kBytesPerFrame);
  if (taken > 0) {
    // Only from the value this buffer started with: a seek made meanwhile stands.
    int expected = startPosition;
    position.compare_exchange_strong(expected, startPosition + taken, std::memory_order_acq_rel);
  }
  // Short of a buffer while still decoding: an underrun, silence until the streaming thread's next pass.
  if (taken == frames || !allDecoded) return;
  // The end: only for the file this buffer started with, and only while it still plays.
  uint32_t expected = s;
  state.compare_exchange_strong(expected, (s & ~kPlaying) | kEndPending, std::memory_order_acq_rel);
}

void ZRPreviewPlayer::GetSamplesShort(short*, int) {}

void ZRPreviewPlayer::BeforeGetSamples(int) {}

void ZRPreviewPlayer::deliverEvents() {
  const uint32_t old = changeState(0, kEndPending, false);
  if (!(old & kEndPending)) return;
  if (EndCallback callback = endCallback.load()) callback(kEventEnd, tag.load(), id);
}

int ZRPreviewPlayer::GetCurrentPos() {
  deliverEvents();
  return GetCurrentPosNoCallbacks();
}

int ZRPreviewPlayer::GetCurrentPosNoCallbacks() {
  return IsOpen() ? position.load(std::memory_order_acquire) : 0;
}

int ZRPreviewPlayer::GetLength() {
  return IsOpen() ? length.load(std::memory_order_acquire) : 0;
}

float ZRPreviewPlayer::GetCurrentPosSmoothed() {
  if (!IsOpen()) return static_cast<float>(GetCurrentPos() / 44100.0);
  double seconds = position.load(std::memory_order_acquire) / 44100.0;
  if (GetPlaying()) {
    const int64_t last = lastBufferNs.load(std::memory_order_relaxed);
    if (last > 0) seconds += std::max<int64_t>(0, nowNs() - last) * 1e-9;
  }
  return static_cast<float>(seconds);
}

void ZRPreviewPlayer::SetPosition1(int frames) {
  std::lock_guard<std::mutex> lock(fileLock);
  if (!IsOpen()) return;
  const int target = std::max(0, frames);
  position.store(target, std::memory_order_release);
  streamed.store(target, std::memory_order_release);
  ring->clear();
  wakeStreaming();
}

double ZRPreviewPlayer::getPosPercent() {
  const int pos = GetCurrentPos();
  const int len = GetLength();
  return len > 0 ? static_cast<double>(pos) / len : 0.0;
}

void ZRPreviewPlayer::setPosPercent(double fraction) {
  const double target = fraction * GetLength();
  if (!std::isfinite(target)) return;
  SetPosition1(static_cast<int>(std::clamp(std::lround(target), 0L, static_cast<long>(INT32_MAX))));
}

int ZRPreviewPlayer::GetBufferedFrames() const {
  return ring->getUsed() / kBytesPerFrame;
}

void ZRPreviewPlayer::SetMixInPoint(double seconds) {
  mixInSeconds.store(seconds);
  mixInFrames.store(static_cast<int>(std::lround(seconds * 44100.0)));
}

void ZRPreviewPlayer::SetMixOutPoint(double seconds) {
  mixOutSeconds.store(seconds);
  mixOutFrames.store(static_cast<int>(std::lround(seconds * 44100.0)));
}

void ZRPreviewPlayer::SetMixInPointFrames(int frames) {
  mixInFrames.store(frames);
  mixInSeconds.store(frames / 44100.0);
}

void ZRPreviewPlayer::SetMixOutPointFrames(int frames) {
  mixOutFrames.store(frames);
  mixOutSeconds.store(frames / 44100.0);
}

void ZRPreviewPlayer::wakeStreaming() {
  if (streamingThread) streamingThread->wakeUpNow();
}

void ZRPreviewPlayer::AsyncStreamingFunction() {
  std::lock_guard<std::mutex> lock(fileLock);
  if (!IsOpen() || ring->getUsed() > kRefillBelowBytes) return;
  const int from = streamed.load(std::memory_order_acquire);
  int total = length.load(std::memory_order_acquire);
  // The container's announced length is an estimate (a VBR MP3 without its header is off by a second
  // or more): once the decoder has met the end, its length holds; until then the sound goes on as long
  // as the decoder delivers.
  const int decoded = codec->getDecodedLength();
  if (decoded > 0 && decoded != total) {
    total = std::max(decoded, from);
    setLength(total);
  }
  if (decoded >= 0) endKnown.store(true, std::memory_order_release);
  if (from >= total && decoded >= 0) return;
  const int got = codec->getSamples(decodeBuffer.get(), kDecodeFrames, from);
  if (got < 1) {
    // The decoder stopped delivering: the stream ends here.
    if (from < total) setLength(from);
    endKnown.store(true, std::memory_order_release);
    streamed.store(std::min(from, total), std::memory_order_release);
    return;
  }
  const int frames = codec->getDecodedLength() >= 0 ? std::min(got, std::max(total, from) - from) : got;
  if (from + frames > total) setLength(from + frames);
  ring->putBlock(decodeBuffer.get(), frames * kBytesPerFrame);
  streamed.store(from + frames, std::memory_order_release);
}

void ZRPreviewPlayer::setLength(int frames) {
  length.store(frames, std::memory_order_release);
  lengthSeconds.store(frames / 44100.0);
}

bool ZRPreviewPlayer::streaming_thread_function(void* player) {
  static_cast<ZRPreviewPlayer*>(player)->AsyncStreamingFunction();
  return true;
}
