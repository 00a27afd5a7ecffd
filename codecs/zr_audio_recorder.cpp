#include "codecs/zr_audio_recorder.h"

#include <chrono>
#include <thread>

#include "codecs/zr_decoder_aiff.h"
#include "codecs/zr_decoder_wav.h"
#include "codecs/zr_encoder_lame.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "common/zr_spsc_byte_ring.h"
#include "common/zr_thread.h"
#include "dsp/sample_formats.h"

namespace {

constexpr int kRecordingRate = 44100;
constexpr int kRecordingBits = 16;
constexpr ZRThreadPriority kRecordingPriority = 1;
// Frames moved out of the queue per copy.
constexpr int kDrainChunkFrames = 4410;
// A putSamples call converts and copies one second at most: close says so in the log when one takes
// longer than this, and goes on waiting for it.
constexpr auto kProducerWaitWarning = std::chrono::seconds(2);

}  // namespace

ZRAudioRecorder::ZRAudioRecorder(int asynchronous, int mono)
    : wav_(std::make_unique<ZRDecoderWav>(kPcmWriterId)),
      aiff_(std::make_unique<ZRDecoderAiff>(kPcmWriterId)),
      lame_(std::make_unique<ZREncoderLame>(kLameWriterId)),
      mono_(mono ? 1 : 0),
      channels_(mono ? 1 : 2),
      asynchronous_(asynchronous ? 1 : 0),
      sampleBuffer_(std::make_unique<short[]>(kMaxValuesPerCall)),
      writeBuffer_(std::make_unique<short[]>(kMaxValuesPerCall)) {
  lame_->setBitrate(128);
  lame_->setIsVBR(1);
  if (asynchronous_) queue_ = std::make_unique<ZRSpscByteRing>(kQueueBytes);
}

ZRAudioRecorder::~ZRAudioRecorder() {
  close();
}

int ZRAudioRecorder::typeForName(const ZRString& path, bool lameLoaded) {
  const std::string name = path.utf8();
  const char* n = name.c_str();
  if (FileHasExtension(n, "wav")) return kTypeWav;
  if (FileHasExtension(n, "aif") || FileHasExtension(n, "aiff")) return kTypeAiff;
  if (FileHasExtension(n, "ogg")) return kTypeOgg;
  if (lameLoaded && FileHasExtension(n, "mp3")) return kTypeMp3;
  return kTypeNone;
}

short ZRAudioRecorder::floatToSample(float x) {
  float v = x * kScale;
  // Written so that a NaN ends as 0 rather than as an undefined conversion.
  if (!(v > -32768.0f)) v = v < 0.0f ? -32768.0f : 0.0f;
  if (v > 32767.0f) v = 32767.0f;
  return static_cast<short>(v);
}

bool ZRAudioRecorder::open(const ZRString& path) {
  if (recording_.load(std::memory_order_acquire)) return false;
  const int type = typeForName(path, lame_->isOk());
  ZRCodecBase* writer = nullptr;
  switch (type) {
    case kTypeWav:
      writer = wav_.get();
      break;
    case kTypeAiff:
      writer = aiff_.get();
      break;
    case kTypeMp3:
      writer = lame_.get();
      break;
    default:
      break;
  }
  if (!writer) return false;

  format_ = TDSPAudioFormat{kRecordingRate, channels_, kRecordingBits, kRecordingBits, 0, 0};
  if (queue_) queue_->clear();
  failed_.store(false, std::memory_order_release);
  framesWritten_.store(0, std::memory_order_relaxed);
  fileName_ = path;

  ZRCodecBase::OpenStruct request;
  request.path = path;
  request.writeMode = true;
  request.format = format_;
  if (!writer->open(&request)) return false;
  type_ = type;
  writer_ = writer;
  recording_.store(true, std::memory_order_seq_cst);
  if (asynchronous_) {
    thread_ = std::make_unique<ZRThread>(
        [this](void*) {
          drainQueue();
          return true;
        },
        nullptr, kRecordingPriority, kDrainIntervalMs, "recording");
  }
  return true;
}

int ZRAudioRecorder::putSamples(const float* samples, int frames) {
  // Announce the call before looking at the flag; close clears the flag and then waits for the count,
  // so no block can slip into the queue after close has taken its last samples.
  producersInside_.fetch_add(1, std::memory_order_seq_cst);
  int result = 0;
  const int values = frames * channels_;
  if (recording_.load(std::memory_order_seq_cst) && !failed_.load(std::memory_order_acquire) && samples &&
      frames > 0 && values <= kMaxValuesPerCall) {
    short* out = sampleBuffer_.get();
    for (int i = 0; i < values; ++i) out[i] = floatToSample(samples[i]);
    if (type_ == kTypeAiff) ReverseEndianInplace(reinterpret_cast<char*>(out), values, kRecordingBits);
    if (asynchronous_) {
      // All or nothing: a full queue drops the block.
      queue_->putBlock(out, values * static_cast<int>(sizeof(short)));
    } else {
      writeFrames(out, frames);
    }
    result = failed_.load(std::memory_order_acquire) ? 0 : frames;
  }
  producersInside_.fetch_sub(1, std::memory_order_seq_cst);
  return result;
}

void ZRAudioRecorder::markWriteError() {
  if (!failed_.exchange(true, std::memory_order_acq_rel)) {
    ZRLOG("recording: write error on '%s', the recording is stopped", fileName_);
  }
}

bool ZRAudioRecorder::writeFrames(const short* buffer, int frames) {
  if (failed_.load(std::memory_order_acquire)) return false;
  const int written = writer_->putSamples(reinterpret_cast<const char*>(buffer), frames);
  if (written < frames) {
    markWriteError();
    return false;
  }
  framesWritten_.fetch_add(written, std::memory_order_relaxed);
  return true;
}

bool ZRAudioRecorder::drainQueue() {
  if (!writer_ || !queue_) return true;
  const int frameBytes = channels_ * static_cast<int>(sizeof(short));
  // Only what is queued now: a producer that keeps adding cannot hold the thread here.
  int framesLeft = queue_->getUsed() / frameBytes;
  while (framesLeft > 0) {
    const int n = framesLeft < kDrainChunkFrames ? framesLeft : kDrainChunkFrames;
    if (!queue_->getBlock(writeBuffer_.get(), n * frameBytes)) break;
    framesLeft -= n;
    // After a write error the rest is taken out and dropped so the queue cannot stay full.
    if (failed_.load(std::memory_order_acquire)) continue;
    writeFrames(writeBuffer_.get(), n);
  }
  return !failed_.load(std::memory_order_acquire);
}

void ZRAudioRecorder::close() {
  if (!recording_.load(std::memory_order_acquire)) return;
  recording_.store(false, std::memory_order_seq_cst);
  // The producer's buffers and the queue are finished and freed only once a call in progress has left:
  // there is no deadline after which they would be taken from under it.
  const auto warnAt = std::chrono::steady_clock::now() + kProducerWaitWarning;
  bool warned = false;
  while (producersInside_.load(std::memory_order_seq_cst) != 0) {
    if (!warned && std::chrono::steady_clock::now() >= warnAt) {
      ZRLOG("warning: recording: closing waits for the audio thread to leave putSamples");
      warned = true;
    }
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  if (asynchronous_) {
    // The thread finishes the pass it is in; whatever it has not taken is written here, so the file
    // holds every sample handed over before close.
    thread_.reset();
    while (queue_->getUsed() >= channels_ * static_cast<int>(sizeof(short))) {
      const int before = queue_->getUsed();
      drainQueue();
      if (queue_->getUsed() >= before) break;
    }
  }
  // The writers count only what reached the file, so after a write error the header they patch still
  // matches the file.
  writer_->close();
  writer_ = nullptr;
  type_ = kTypeNone;
}

float ZRAudioRecorder::pcmSeconds() const {
  return static_cast<float>(framesWritten_.load(std::memory_order_relaxed)) /
         static_cast<float>(kRecordingRate);
}

float ZRAudioRecorder::getSeconds() {
  if (!recording_.load(std::memory_order_acquire) || !writer_) return 0.0f;
  // The MP3 encoder keeps its own count in whole blocks; the PCM writers' counters belong to the
  // writer thread, so their time is taken from the recorder's own count of what they accepted.
  if (type_ == kTypeMp3) return lame_->getSeconds();
  return pcmSeconds();
}
