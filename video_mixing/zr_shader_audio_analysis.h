#pragma once
// ZRShaderAudioAnalysis: turns the master output's sound into the 512 x 2 audio picture that the
// audio-reactive shaders read: row 0 (bytes 0..511) the smoothed spectrum of bins 0..511 on a -72..-24 dB
// scale, row 1 (bytes 512..1023) the waveform of the first 512 mono samples of the block, 0..255 each
// (128 is silence).
//
// The audio thread appends whole device buffers (interleaved stereo float at 44100 Hz) with putSamples;
// the "audioShader" thread takes them in blocks of 2048 frames (no overlap), windows them (Blackman),
// transforms them and appends one picture per block to the picture ring; the render thread takes the
// newest picture with takeLatestImage. When a side falls behind, whole buffers or pictures are dropped at
// the full ring, never half of one.
//
// Threads: putSamples is real-time safe (a lock-free single-producer ring; nothing is allocated, locked or
// logged): one audio thread at a time. analysePending runs on the analysis thread (or, while it is not
// running, on a test's thread). takeLatestImage is for one consumer thread (the render thread). start and
// stop may be called from any thread: a lock orders them, and stop waits for the analysis pass in
// progress.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "common/zr_spsc_byte_ring.h"
#include "dsp/audio_fft.h"

class ZRThread;

class ZRShaderAudioAnalysis {
 public:
  static constexpr int kFftSize = 2048;
  static constexpr int kImageWidth = 512;
  static constexpr int kImageBytes = 1024;
  // A quarter of a second of stereo float at 44100 Hz.
  static constexpr int kAudioRingBytes = 88200;
  // Three pictures.
  static constexpr int kImageRingBytes = 3 * kImageBytes;
  // (1 - overlap 0.64) x 2048 frames at 44100 Hz, in whole milliseconds.
  static constexpr int kIntervalMs = 16;

  ZRShaderAudioAnalysis();
  ~ZRShaderAudioAnalysis();
  ZRShaderAudioAnalysis(const ZRShaderAudioAnalysis&) = delete;
  ZRShaderAudioAnalysis& operator=(const ZRShaderAudioAnalysis&) = delete;

  // Audio thread: while processing, appends frames x 2 floats as one block; dropped when the ring has no
  // room for all of it (or when not processing).
  void putSamples(const float* interleavedStereo, int frames);

  // Starts processing (nothing when it already runs): the waiting audio is dropped, the smoothing starts
  // from silence, and with withThread the "audioShader" thread analyses every 16 ms.
  void start(bool withThread = true);
  // Stops processing and ends the thread (the pass in progress is finished first).
  void stop();
  bool isProcessing() const { return processing_.load(std::memory_order_acquire); }

  // One analysis pass: every complete block waiting becomes a picture. Returns whether processing is on
  // (the thread ends when it is not).
  bool analysePending();

  // The newest waiting picture into image (1024 bytes), dropping the older ones; false when none waits.
  bool takeLatestImage(unsigned char* image);

 private:
  void analyseBlock();

  std::mutex startStopLock_;
  std::atomic<bool> processing_{false};
  std::unique_ptr<ZRThread> thread_;
  ZRSpscByteRing audioRing_{kAudioRingBytes};
  ZRSpscByteRing imageRing_{kImageRingBytes};
  ZRAppleAccelerateFFT fft_;
  std::vector<float> window_;
  std::vector<float> block_;  // 2048 interleaved stereo frames
  std::vector<float> mono_;
  std::vector<float> re_, im_;
  std::vector<float> smoothed_;  // 1025 bins
  unsigned char image_[kImageBytes] = {};
};
