#pragma once
// ZRPreviewPlayer: plays one file from its start without loading it into memory. Its own "streamingPreview"
// thread decodes a second at a time into a two-second ring, and the audio thread takes from the ring what
// a buffer needs (or plays silence). It pre-listens tracks on the headphones (the application's preview
// channel reaches only the headphone bus) and is each of the two players of the filler zone. It is the
// only source that keeps mix-in and mix-out points. The end of a file is reported to an optional callback
// on the thread that reads the position (GetCurrentPos), never on the audio thread.
//
// Threads and hand-overs:
// - user-interface side (main thread, GUI tick): opening, closing, play state, seeks, positions, mix
//   points. Opening, closing and seeking hold the player's file lock, so an end callback that closes the
//   player on the render thread and an open on the main thread follow one another;
// - "streamingPreview": decode steps, each under the file lock (so the codec is never closed or the
//   position moved under a step);
// - audio thread: GetSamples. It never decodes, locks (beyond the ring's short copy lock) or waits. The
//   open, playing and end-reached flags live in one state word that every side changes by compare and
//   swap, tagged with a count of opens, so the audio thread's "end reached" never lands on a file opened
//   in the meantime. The audio thread advances the position only from the value it started the buffer
//   with, so a seek made meanwhile stands. The ring and the decode buffer live as long as the player.
//   When the ring runs dry the audio thread plays silence without waking the streaming thread (a wake-up
//   takes a lock): the streaming thread's next pass, at most 300 ms later, decodes. Since a pass tops the
//   ring up whenever it holds less than a second, a player that keeps pace never runs dry.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "codecs/zr_codec_base.h"
#include "common/zr_string.h"
#include "dsp/engine/zr_audio_signal_source.h"

class ZRMasterCodec;
class ZRRingBuffer;
class ZRThread;

class ZRPreviewPlayer : public ZRAudioSignalSource {
 public:
  // End event bit of the pending events.
  static constexpr int kEventEnd = 1;
  static constexpr int kDecodeFrames = 44100;
  static constexpr int kRingBytes = 705600;
  // A decode step runs while the ring holds at most this much (just under one second).
  static constexpr int kRefillBelowBytes = 352799;
  static constexpr int kStreamingIntervalMs = 300;

  using EndCallback = void (*)(int events, int tag, int id);

  // The master codec gets id + 40. timerOnly (a clock-driven mode without decoding) is not available:
  // the player streams all the same and says so in the log.
  ZRPreviewPlayer(int id, bool playAfterOpen, bool timerOnly);
  // Stops the streaming thread, then closes the file.
  ~ZRPreviewPlayer() override;
  ZRPreviewPlayer(const ZRPreviewPlayer&) = delete;
  ZRPreviewPlayer& operator=(const ZRPreviewPlayer&) = delete;

  void setEndCallback(EndCallback callback) { endCallback.store(callback); }
  void setTag(int value) { tag.store(value); }
  int getTag() const { return tag.load(); }
  int getId() const { return id; }

  // Opens name and, with play after open, starts it. Opening the file that is open closes it and returns
  // true (pressing preview on the previewed track stops it). False, logged, when the file cannot be opened
  // or has no audio; the player is then closed.
  bool OpenFileName(const ZRString& name);
  void Close();
  // The path of the open file; empty when none is open.
  ZRString GetFileName();

  void SetPlaying(bool on);
  // Open and playing.
  bool GetPlaying() const;
  bool IsOpen() const;

  // --- ZRAudioSignalSource (GetSamples on the audio thread) ---
  void GetSamples(float* buffer, int frames) override;
  // Writes nothing.
  void GetSamplesShort(short* buffer, int frames) override;
  float GetCurrentBPM() override { return 0.0f; }
  // Delivers pending events to the end callback first (on the calling thread), then the position; 0 when
  // nothing is open.
  int GetCurrentPos() override;
  int GetLength() override;
  void BeforeGetSamples(int pass) override;

  void SetMixInPoint(double seconds) override;
  void SetMixOutPoint(double seconds) override;
  void SetMixInPointFrames(int frames) override;
  void SetMixOutPointFrames(int frames) override;
  double GetMixInPoint() override { return mixInSeconds.load(); }
  double GetMixOutPoint() override { return mixOutSeconds.load(); }
  int GetMixInPointFrames() override { return mixInFrames.load(); }
  int GetMixOutPointFrames() override { return mixOutFrames.load(); }

  // The position without delivering events (0 when nothing is open).
  int GetCurrentPosNoCallbacks();
  // Seconds; while playing, plus the time since the last audio buffer, so a display moves smoothly.
  virtual float GetCurrentPosSmoothed();
  // Moves to frames (the ring is emptied and decoding continues from there).
  void SetPosition1(int frames);
  // GetCurrentPos() / length (delivers pending events); 0 when nothing is open.
  double getPosPercent();
  void setPosPercent(double fraction);
  double GetLengthSeconds() const { return lengthSeconds.load(); }

  // Frames decoded so far and frames waiting in the ring (for displays and tests).
  int GetStreamedFrames() const { return streamed.load(); }
  // Whether every frame of the file has gone to the ring: the decoder met the file's end (its length
  // then holds; the container's announcement is an estimate) and the stream reached it.
  bool IsFullyStreamed() const {
    return endKnown.load(std::memory_order_acquire) &&
           streamed.load(std::memory_order_acquire) >= length.load(std::memory_order_acquire);
  }
  int GetBufferedFrames() const;

  // One step of the streaming thread; also callable directly (tests).
  void AsyncStreamingFunction();
  static bool streaming_thread_function(void* player);

 private:
  // The length in frames and seconds (under fileLock).
  void setLength(int frames);
  // The state word: the count of opens above these bits.
  static constexpr uint32_t kOpen = 1;
  static constexpr uint32_t kPlaying = 2;
  static constexpr uint32_t kEndPending = 4;
  static constexpr uint32_t kGenerationStep = 8;

  void closeLocked();
  // Sets and clears bits of the state word (compare and swap); with newGeneration the count of opens
  // moves on. Returns the word it replaced.
  uint32_t changeState(uint32_t set, uint32_t clear, bool newGeneration);
  void deliverEvents();
  void wakeStreaming();

  std::atomic<EndCallback> endCallback{nullptr};
  std::atomic<int64_t> lastBufferNs{0};
  const int id;
  std::atomic<int> tag{-1};
  const bool playAfterOpen;
  std::mutex fileLock;
  ZRString fileName;  // under fileLock
  std::unique_ptr<ZRMasterCodec> codec;
  ZRCodecBase::OpenStruct request;
  std::atomic<uint32_t> state{0};
  std::atomic<int> length{0};
  std::atomic<double> lengthSeconds{0.0};
  std::atomic<int> position{0};
  std::atomic<int> streamed{0};
  std::atomic<bool> endKnown{false};
  std::unique_ptr<float[]> decodeBuffer;
  std::unique_ptr<ZRRingBuffer> ring;
  std::atomic<double> mixInSeconds{0.0};
  std::atomic<double> mixOutSeconds{-1.0};
  std::atomic<int> mixInFrames{0};
  std::atomic<int> mixOutFrames{-1};
  // Last: the thread starts in the constructor's body, once everything it uses exists.
  std::unique_ptr<ZRThread> streamingThread;
};
