#include "codecs/zr_video_recorder.h"

#include "codecs/zr_ffmpeg_lib.h"
#include "common/zr_ring_buffer.h"
#include "common/zr_thread.h"

namespace {
// Time the writer thread gets to finish its pass before it is stopped.
constexpr int kStopGraceMs = 120;
}  // namespace

ZRVideoRecorder::ZRVideoRecorder() : audioQueue_(std::make_unique<ZRRingBuffer>(kAudioQueueBytes, true)) {
  initFFmpegLib();
}

ZRVideoRecorder::~ZRVideoRecorder() {
  close();
  audioQueue_.reset();
  deinitFFmpegLib();
}

void ZRVideoRecorder::putAudioSamples(const float* samples, int frames) {
  if (!recording_.load(std::memory_order_acquire) || !samples || frames <= 0) return;
  audioQueue_->putBlock(samples, frames * 2 * static_cast<int>(sizeof(float)));
}

void ZRVideoRecorder::putVideoFrame(unsigned char* pixels, int width, int height, bool fromOpenGL) {
  if (width < 0) width = width_;
  if (height < 0) height = height_;
  if (!pixels || width < kMinSide || height < kMinSide || !recording_.load(std::memory_order_acquire)) {
    delete[] pixels;
    return;
  }
  clock_.takeNewMeasurement();
  auto* record = new ZRVideoFrameRecord;
  record->pixels = pixels;
  record->width = width;
  record->height = height;
  record->fromOpenGL = fromOpenGL;
  record->time = clock_.count <= 1 ? 0.0 : static_cast<double>(clock_.last - clock_.first) / 1000.0;
  if (!frameQueue_.enqueue(record)) {
    delete[] record->pixels;
    delete record;
  }
}

void ZRVideoRecorder::close() {
  if (!recording_.load(std::memory_order_acquire)) return;
  recording_.store(false, std::memory_order_release);
  stopRequested_.store(true, std::memory_order_release);
  if (thread_) {
    ZRThread::sleep_ms(kStopGraceMs);
    thread_.reset();
  }
  framesWritten_.store(0, std::memory_order_relaxed);
  audioQueue_->clear();
  ZRVideoFrameRecord* record = nullptr;
  while (frameQueue_.try_dequeue(record)) {
    delete[] record->pixels;
    delete record;
  }
}

float ZRVideoRecorder::getSeconds() {
  return static_cast<float>(static_cast<double>(framesWritten_.load(std::memory_order_relaxed)) /
                            framesPerSecond_);
}
