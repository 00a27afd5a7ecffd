#pragma once
// ZRAudioRecorder: records a float sample stream (the master output, a sampler slot) into a 44100 Hz,
// 16-bit file whose kind follows the name's extension: "wav" (WAV), "aif"/"aiff" (AIFF) and, while
// the LAME library is loaded, "mp3". Samples are scaled by 30000, which leaves about 0.77 dB of
// headroom before the 16-bit clamp.
//
// An asynchronous recorder (the one the audio thread feeds) only converts and queues in putSamples: no
// allocation, no file access and no lock (the queue is a single-producer, single-consumer ring). A
// worker thread named "recording" drains the queue into the file every 250 ms. close() waits until a
// putSamples call in progress has left (however long that takes), then writes everything that was
// queued before it began and finishes the file (headers patched, MP3 tag frame written).
// A synchronous recorder writes from putSamples directly.
//
// A write error (disk full, a vanished device) ends the recording: it is logged once, nothing more is
// written, putSamples returns 0 from then on, and close() still finishes the part already written as a
// valid file.
//
// Threads: open, close, getSeconds, getFilename and isFailed from the owner's side (one thread);
// putSamples from one producer thread (the audio thread).

#include <atomic>
#include <memory>

#include "codecs/zr_codec_base.h"
#include "common/zr_string.h"

class ZRDecoderAiff;
class ZRDecoderWav;
class ZREncoderLame;
class ZRSpscByteRing;
class ZRThread;

class ZRAudioRecorder {
 public:
  enum Type { kTypeNone = 0, kTypeWav = 1, kTypeAiff = 2, kTypeMp3 = 3, kTypeOgg = 4 };
  // Ids of the recorder's own writers.
  static constexpr int kPcmWriterId = 100;
  static constexpr int kLameWriterId = 101;
  // Values per putSamples call at most: one second of stereo.
  static constexpr int kMaxValuesPerCall = 88200;
  // Bytes of the asynchronous queue: one second of 16-bit stereo, four times the drain period.
  static constexpr int kQueueBytes = 176400;
  static constexpr int kDrainIntervalMs = 250;
  // Scale of a float sample to 16 bits.
  static constexpr float kScale = 30000.0f;

  // asynchronous: queue and writer thread (the audio thread's way) instead of direct writing.
  // mono: one channel instead of two. Makes the buffers and the three writers (loading LAME).
  ZRAudioRecorder(int asynchronous, int mono);
  ~ZRAudioRecorder();
  ZRAudioRecorder(const ZRAudioRecorder&) = delete;
  ZRAudioRecorder& operator=(const ZRAudioRecorder&) = delete;

  // Starts a recording into path. False when already recording (the running recording goes on), when
  // no writer fits the name ("ogg" never does, "mp3" only with LAME) or when the file cannot be made.
  bool open(const ZRString& path);
  // Takes frames frames of interleaved floats (channels values each, at most kMaxValuesPerCall values).
  // Returns frames, or 0 when not recording or after a write error. When an asynchronous queue has no
  // room for the whole block, the block is dropped (the writer thread is more than a second behind).
  int putSamples(const float* samples, int frames);
  // Ends the recording: every queued sample is written, then the file is finished. Nothing when not
  // recording.
  void close();
  // The time written so far while recording, else 0.
  float getSeconds();
  // The path given to the last open.
  ZRString getFilename() const { return fileName_; }
  bool isRecording() const { return recording_.load(std::memory_order_acquire); }
  // A write of the current recording failed (or the last one, until the next open).
  bool isFailed() const { return failed_.load(std::memory_order_acquire); }
  int getType() const { return type_; }
  int getChannels() const { return channels_; }

  // The 16-bit value of one float sample: x * 30000, clamped to -32768..32767, truncated toward zero.
  static short floatToSample(float x);
  // The recording type a name selects; "mp3" counts only when lameLoaded.
  static int typeForName(const ZRString& path, bool lameLoaded);

 private:
  // Writes every whole frame now queued (the "recording" thread, then close). False on a write error.
  bool drainQueue();
  // Hands frames frames of buffer to the writer; a short write ends the recording.
  bool writeFrames(const short* buffer, int frames);
  void markWriteError();
  // Seconds of 16-bit PCM handed to the WAV or AIFF writer (readable from any thread).
  float pcmSeconds() const;

  int type_ = kTypeNone;
  ZRCodecBase* writer_ = nullptr;
  std::unique_ptr<ZRDecoderWav> wav_;
  std::unique_ptr<ZRDecoderAiff> aiff_;
  std::unique_ptr<ZREncoderLame> lame_;
  TDSPAudioFormat format_;
  ZRString fileName_;
  int mono_;
  int channels_;
  int asynchronous_;
  std::atomic<bool> recording_{false};
  std::atomic<bool> failed_{false};
  // Calls of putSamples in progress; close waits for them before it finishes the file.
  std::atomic<int> producersInside_{0};
  // Frames the WAV or AIFF writer has taken in this recording.
  std::atomic<int> framesWritten_{0};
  std::unique_ptr<short[]> sampleBuffer_;
  std::unique_ptr<short[]> writeBuffer_;
  std::unique_ptr<ZRSpscByteRing> queue_;
  std::unique_ptr<ZRThread> thread_;
};
