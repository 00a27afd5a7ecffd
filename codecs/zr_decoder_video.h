#pragma once
// ZRDecoderVideo: the first decoder of every master codec whose id is 49 or lower (decks and preview
// players). It opens a video file (given as the request's second path) or a CDG karaoke graphics file,
// delivers the sound through a ZRFFMpegAudio like any audio decoder (a CDG's sound comes from the .mp3
// or .wav of the same name; a video without usable audio opens silent), and keeps the picture stream
// open so that a video renderer can pull pictures that match the audio position.
//
// Renderer hand-shake: open sets bit kStateOpened of the state word, close sets kStateClosing; the
// attached renderer, on its render thread, stops its playback on kStateClosing and starts it on
// kStateOpened, clearing the word each time (acknowledgeState). While a renderer is attached and not
// detached, an open waits for a pending hand-over to be acknowledged and a deck decoder's close (ids 0
// and 1) waits for the acknowledgement of its own close; every such wait is bounded (kRendererWaitMs).
// Without an attached renderer (headless, or before video mixing exists) nothing waits and close
// clears the word itself. GetNextFrame and the closing of the picture reader exclude each other, so a
// renderer never reads a closed reader even when an acknowledgement comes late.
//
// A registry by id (0..127) lets renderers find the decoder of a deck; several decoders may carry one
// id, the slot naming the one constructed last.

#include <atomic>
#include <cstdint>
#include <mutex>

#include "codecs/zr_codec_base.h"
#include "codecs/zr_ffmpeg_audio.h"
#include "codecs/zr_ffmpeg_video.h"

class ZRMemoryIStream;

class ZRDecoderVideo : public ZRCodecBase {
 public:
  static constexpr uint32_t kStateOpened = 0x80;
  static constexpr uint32_t kStateClosing = 0x100;
  static constexpr int kRegistrySize = 128;
  // The longest an open or close waits for the renderer's acknowledgement.
  static constexpr int kRendererWaitMs = 2000;

  using SeekCallback = void (*)(void* user, float seconds, int flag);

  explicit ZRDecoderVideo(int id);
  ~ZRDecoderVideo() override;

  // Without a stream, a path is accepted when it ends with "cdg" (any case) or a second path names
  // the pictures; other requests are declined silently for the next decoder. With a stream the stream
  // is the picture source. A video without audio opens silent with request->format {44100, 2, 16,
  // 16, 0, duration x 44100}.
  bool open(OpenStruct* request) override;
  // Silent: frames x 4 zero bytes and frames; else the audio reader's samples.
  int getSamples(char* dst, int frames, int pos) override;
  // The sound's exact length once read to its end; a silent video's is its pictures' length at once.
  int64_t getDecodedLength() override;
  int putSamples(const char* src, int frames) override;
  bool getNeedEndianConversion() override { return false; }
  float getSeconds() override;
  void close() override;
  const char* getCodecName() override { return "ffmpeg-video"; }
  // callback(user, frame / audio rate in seconds, flag) when a seek callback is set.
  void announceSeekToSample(int frame, bool flag) override;
  bool canOpenStream() override { return true; }

  // The registered decoder of id, or null (id outside 0..127 or an empty slot).
  static ZRDecoderVideo* getCodecById(int id);

  void SetTargetFrameSize(int width, int height, int bytesPerPixel);
  // The callback runs on the thread that announces the seek: a deck's audio thread. It must neither
  // block, allocate nor log; set it while no track plays.
  void SetOnAnnounceSeekToSampleCallBack(SeekCallback callback, void* user);
  // 44100 when silent or the audio is closed, else the audio's rate.
  int GetSampleRate();
  double GetFrameRate();
  int GetFrameWidth();
  int GetFrameHeight();
  double GetFirstFramePts();
  bool IsCDG();
  // The picture matching audio frame samplePos (-1: the next one) into dst; false when not open.
  bool GetNextFrame(void* dst, double* pts, int samplePos);

  // ---- the renderer's side ----
  // A renderer takes this decoder (its constructor); from now on open and close wait for it.
  void attachRenderer();
  // The renderer is gone (its destructor): nobody waits for it any more.
  void setRendererDetached();
  uint32_t getState() const { return state_.load(std::memory_order_acquire); }
  // Clears the state word after the renderer acted on it; returns what it held.
  uint32_t acknowledgeState() { return state_.exchange(0, std::memory_order_acq_rel); }
  bool isOpen() const { return opened_.load(std::memory_order_acquire); }
  bool isSilent() const { return silent_; }

 private:
  bool rendererWaits() const;
  // Sleeps in 10 ms steps while the state word is not 0 and a renderer waits; false on time-out.
  bool waitForAcknowledgement(const char* what);

  std::atomic<uint32_t> state_{0};
  std::atomic<bool> rendererAttached_{false};
  std::atomic<bool> rendererDetached_{false};
  std::atomic<bool> opened_{false};
  bool silent_ = false;
  ZRFFMpegAudio audio_;
  ZRFFMpegVideo video_;
  std::mutex pictureLock_;
  std::atomic<void*> seekUser_{nullptr};
  std::atomic<SeekCallback> seekCallback_{nullptr};
  ZRMemoryIStream* duplicatedStream_ = nullptr;
};

// Makes the picture decoder for a master codec (installed as the master codec's video decoder factory).
ZRCodecBase* makeVideoDecoder(int id);
