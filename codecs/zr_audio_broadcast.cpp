#include "codecs/zr_audio_broadcast.h"

#include "common/zr_logging.h"
#include "common/zr_ring_buffer.h"
#include "common/zr_thread.h"

ZRAudioBroadcast::ZRAudioBroadcast() = default;

ZRAudioBroadcast::~ZRAudioBroadcast() {
  if (opened_.load(std::memory_order_acquire)) stopRequested_.store(true, std::memory_order_release);
  thread_.reset();
  sampleQueue_.reset();
  workBuffer1_.reset();
  workBuffer2_.reset();
}

bool ZRAudioBroadcast::isOpened() {
  if (!opened_.load(std::memory_order_acquire)) return false;
  if (connection_) return connection_->isConnected();
  return true;
}

int ZRAudioBroadcast::putSamples(const float* samples, int frames) {
  if (!opened_.load(std::memory_order_acquire)) return 0;
  if (sampleQueue_ && samples && frames > 0) {
    sampleQueue_->putBlock(samples, frames * queuedChannels_ * static_cast<int>(sizeof(float)));
  }
  return 1;
}

float ZRAudioBroadcast::getSeconds() {
  return opened_.load(std::memory_order_acquire) ? static_cast<float>(seconds_) : 0.0f;
}

void ZRAudioBroadcast::write(unsigned char* header, unsigned char* data, int headerLength, int dataLength) {
  if (!opened_.load(std::memory_order_acquire) || !connection_) return;
  if (headerLength > 0 && header) {
    if (!connection_->send(header, headerLength)) {
      ZRLOG("DEBUG: Send error: %s", connection_->lastError());
      if (errorCount_ < kMaxHeaderErrors) ++errorCount_;
    }
  }
  if (dataLength > 0 && data && !connection_->send(data, dataLength)) {
    ZRLOG("DEBUG: Send error: %s", connection_->lastError());
  }
  const int queued = connection_->queueLength();
  if (queued > 0) ZRLOG("DEBUG: queue length: %d", queued);
}
