#include "video_mixing/zr_shader_audio_analysis.h"

#include <algorithm>
#include <cmath>

#include "common/zr_thread.h"
#include "dsp/window_functions.h"

namespace {

constexpr float kOverlap = 0.64f;
// Weights of the old and the new magnitude in the smoothing.
constexpr float kOldWeight = (1.0f - kOverlap / 2.0f) * 0.8f;
constexpr float kNewWeight = 1.0f - kOldWeight;
// Keeps the logarithm of silence finite.
constexpr float kFloor = 1.5849e-13f;
constexpr int kBins = ZRShaderAudioAnalysis::kFftSize / 2 + 1;

unsigned char toByte(float value) {
  return static_cast<unsigned char>(std::min(255.0f, std::max(0.0f, value)));
}

}  // namespace

ZRShaderAudioAnalysis::ZRShaderAudioAnalysis()
    : window_(kFftSize),
      block_(static_cast<size_t>(kFftSize) * 2),
      mono_(kFftSize),
      re_(kBins),
      im_(kBins),
      smoothed_(kBins, 0.0f) {
  fft_.init(kFftSize);
  getWindowFunction(window_.data(), kFftSize, kWindowBlackman);
}

ZRShaderAudioAnalysis::~ZRShaderAudioAnalysis() {
  stop();
}

void ZRShaderAudioAnalysis::putSamples(const float* interleavedStereo, int frames) {
  if (interleavedStereo == nullptr || frames <= 0 || !processing_.load(std::memory_order_acquire)) return;
  if (frames > kAudioRingBytes / 8) return;
  audioRing_.putBlock(interleavedStereo, frames * 8);
}

void ZRShaderAudioAnalysis::start(bool withThread) {
  std::lock_guard guard(startStopLock_);
  if (processing_.load()) return;
  // No consumer runs now: what waits is dropped from the consumer's side.
  audioRing_.getBlock(nullptr, audioRing_.getUsed());
  std::fill(smoothed_.begin(), smoothed_.end(), 0.0f);
  processing_.store(true, std::memory_order_release);
  if (withThread && !thread_) {
    thread_ = std::make_unique<ZRThread>([this](void*) { return analysePending(); }, nullptr, 1, kIntervalMs,
                                         "audioShader");
  }
}

void ZRShaderAudioAnalysis::stop() {
  // The thread is joined under the lock: a start meanwhile must not take the ring's consumer side (and
  // the smoothing) while the old thread may still be in its pass. The pass never takes the lock.
  std::lock_guard guard(startStopLock_);
  processing_.store(false, std::memory_order_release);
  thread_.reset();
}

bool ZRShaderAudioAnalysis::analysePending() {
  const int blockBytes = kFftSize * 8;
  while (processing_.load(std::memory_order_acquire) && audioRing_.getUsed() >= blockBytes) {
    if (!audioRing_.getBlock(block_.data(), blockBytes)) break;
    analyseBlock();
  }
  return processing_.load(std::memory_order_acquire);
}

void ZRShaderAudioAnalysis::analyseBlock() {
  for (int i = 0; i < kFftSize; ++i) mono_[i] = (block_[2 * i] + block_[2 * i + 1]) * 0.5f;
  for (int i = 0; i < kImageWidth; ++i) image_[kImageWidth + i] = toByte((mono_[i] + 1.0f) * 128.0f);
  for (int i = 0; i < kFftSize; ++i) mono_[i] *= window_[i];
  fft_.fft(mono_.data(), re_.data(), im_.data());
  im_[0] = 0.0f;
  for (int k = 0; k < kImageWidth; ++k) {
    const float magnitude = std::sqrt(re_[k] * re_[k] + im_[k] * im_[k]) / kFftSize;
    smoothed_[k] = magnitude * kNewWeight + smoothed_[k] * kOldWeight;
    const float db = 20.0f * std::log10(smoothed_[k] + kFloor);
    image_[k] = toByte((db + 72.0f) * 255.0f / 48.0f);
  }
  imageRing_.putBlock(image_, kImageBytes);
}

bool ZRShaderAudioAnalysis::takeLatestImage(unsigned char* image) {
  bool any = false;
  while (imageRing_.getUsed() >= kImageBytes && imageRing_.getBlock(image, kImageBytes)) any = true;
  return any;
}
