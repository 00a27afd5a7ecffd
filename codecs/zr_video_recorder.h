#pragma once
// ZRVideoRecorder: the place where a video recording of the mix plugs in. While it records it takes
// the rendered video-output pictures (each stamped with its time) and the master output's samples.
// Nothing in the system starts it, so it stays idle: pictures handed to it are freed at once and the
// time reads 0.
//
// Threads: putVideoFrame on the render thread, putAudioSamples on the audio thread, the rest on the
// owner's side. The frame queue is lock-free; the audio queue carries its own lock.

#include <atomic>
#include <memory>

#include "common/zr_lock_free_queue.h"
#include "common/zr_string.h"
#include "common/zr_time_counter.h"

class ZRRingBuffer;
class ZRThread;

// One picture waiting to be encoded.
struct ZRVideoFrameRecord {
  unsigned char* pixels = nullptr;  // width x height x 4 bytes, made with new[]; owned by the record
  int width = 0;
  int height = 0;
  bool fromOpenGL = false;  // rows bottom-up, as read back from the render target
  double time = 0.0;        // seconds since the first picture
};

class ZRVideoRecorder {
 public:
  static constexpr int kDefaultWidth = 960;
  static constexpr int kDefaultHeight = 540;
  // Pictures smaller than this in either direction are discarded.
  static constexpr int kMinSide = 100;
  // Bytes of the audio queue: one second of stereo floats at 44100 Hz.
  static constexpr int kAudioQueueBytes = 352800;

  ZRVideoRecorder();
  virtual ~ZRVideoRecorder();
  ZRVideoRecorder(const ZRVideoRecorder&) = delete;
  ZRVideoRecorder& operator=(const ZRVideoRecorder&) = delete;

  virtual const char* getCodecName() { return "ffmpeg-video"; }

  // While recording, queues frames frames of stereo floats (all or nothing).
  void putAudioSamples(const float* samples, int frames);
  // Takes over pixels (made with new[]): queued with its time while recording, else deleted. A negative
  // width or height means the default one; a picture under 100 x 100 or a null buffer is discarded.
  void putVideoFrame(unsigned char* pixels, int width, int height, bool fromOpenGL);
  // Ends a recording: stops the writer thread and frees every queued picture and sample.
  void close();
  // Frames written / frames per second.
  float getSeconds();

  bool isRecording() const { return recording_.load(std::memory_order_acquire); }

 protected:
  ZRHighPrecisionTimeCounter clock_;
  ZRString fileName_;
  std::atomic<bool> recording_{false};
  std::atomic<bool> stopRequested_{false};
  std::atomic<int> framesWritten_{0};
  double framesPerSecond_ = 30.0;
  int width_ = kDefaultWidth;
  int height_ = kDefaultHeight;
  int videoBitrate_ = 1000000;
  int audioBitrate_ = 128000;
  ZRLockFreeQueue<ZRVideoFrameRecord*> frameQueue_;
  std::unique_ptr<ZRRingBuffer> audioQueue_;
  std::unique_ptr<ZRThread> thread_;
};
