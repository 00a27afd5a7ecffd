#pragma once
// ZRVideoSourceRenderer: the picture of a deck that plays a video file or a CDG karaoke track. The
// pictures come from the deck's ZRDecoderVideo (found by the deck's number in the decoder registry);
// they follow the deck's audio position wherever it goes (play, jumps, loops, scratching) and never
// move it.
//
// A worker thread ("videoSourceRenderer", every 25 ms) decodes frames a little ahead of the position
// into a ring of frame buffers (look-ahead 0.5 s, 0.15 s for CDG); when the position leaves the decoded
// range it empties the ring and decodes again from there (0.1 s early going forward, 1 s early after a
// jump backwards or an announced CDG seek). The render thread picks, once per output frame, the
// buffered frame nearest to the position (video: within 1 s; CDG: any distance) and uploads it into the
// frame texture when it differs from the one shown.
//
// Hand-shake with the decoder: its state word gets kStateOpened when a video opens and kStateClosing when
// it closes; RenderToTexture starts (with the new frame size) or stops the ring and its thread and clears
// the word. While the word is not 0 the decode thread reads nothing from the decoder.
//
// Threads: construction and destruction where the render system makes and ends the video output (the
// render thread); RenderToTexture, the texture and Start/StopPlayback on the render thread; the decode
// pass on the worker thread. The ring's slot choice and the upload exclude each other (ringLock_): the
// worker marks a slot empty under the lock before writing it and publishes its time under the lock
// after, so the render thread never uploads a slot being written and a reseek never empties a slot
// being uploaded. The decoder's seek announcement (from the thread that seeks the deck) only sets a
// flag that outlives every renderer.

#include <atomic>
#include <memory>
#include <mutex>

class ZRAudioSignalSource;
class ZRDecoderVideo;
class ZRTexture;
class ZRThread;

class ZRVideoSourceRenderer {
 public:
  using TextureCreatedCallback = void (*)(ZRVideoSourceRenderer*);

  static constexpr int kMaxSlots = 256;
  static constexpr double kLookAheadSeconds = 0.5;
  static constexpr double kLookAheadSecondsCDG = 0.15;
  // A video frame farther than this from the position is not shown (CDG shows the nearest at any
  // distance).
  static constexpr double kShowWithinSeconds = 1.0;
  static constexpr int kMaxCatchUpFrames = 64;
  static constexpr int kDecodeIntervalMs = 25;

  // Takes the decoder registered as id (a deck's number); without one logs "ZRVideoSourceRenderer --
  // ERROR -- can not get codec object" and reports width -1. audioSource is the deck the pictures follow
  // (not owned; null: position 0).
  ZRVideoSourceRenderer(int id, int useOpenGL, ZRAudioSignalSource* audioSource,
                        TextureCreatedCallback textureCreated);
  ~ZRVideoSourceRenderer();
  ZRVideoSourceRenderer(const ZRVideoSourceRenderer&) = delete;
  ZRVideoSourceRenderer& operator=(const ZRVideoSourceRenderer&) = delete;

  // Render thread, once per output frame: acknowledges the decoder's open and close, then uploads the
  // frame nearest the deck's position when it is not the one shown. device and context go to a new
  // texture.
  void RenderToTexture(void* device, void* context);
  // Whether the texture changed in the last RenderToTexture.
  bool textureChanged() const { return textureChanged_; }

  int GetPlaying() const { return playing_; }
  // The decoder's frame width; -1 without a decoder or while no video is open.
  int GetVideoWidth() const;
  int getUseOpenGL() const { return useOpenGL_; }
  int getSelfId() const { return id_; }
  // The frame texture (render thread); null before the first upload.
  const std::shared_ptr<ZRTexture>& getTexture() const { return texture_; }
  // The time (seconds) of the frame the texture holds; -1 before one.
  double getLastShownTime() const { return lastShownTime_; }

  void StartPlayback();
  void StopPlayback();

  // position and length of the audio source in seconds (0 and -1 without one).
  void GetVideoSourcePosAndLen(double& position, double& length, int quiet) const;

  // One decode pass (the worker thread's function; public for tests that drive the ring themselves).
  void DVThreadFunction();
  static bool DV_thread_function(void* source);
  // The decoder's seek announcement: marks a pending jump of the source with this id.
  static void ZRVideoSourceRenderer_OnAnnounceSeekToSample(void* seekFlag, float seconds, int flag);

 private:
  struct Slot {
    unsigned char* pixels = nullptr;
    double time = -1;  // seconds; -1: empty or being written
  };

  // Decodes one frame into the next slot with a buffer (samplePos -1 reads on); false when nothing was
  // decoded. Takes the slot out of the ring while it is written.
  bool decodeInto(int samplePos);
  void emptyRingLocked();
  // Smallest and largest valid slot times; false when none is valid.
  bool ringRange(double& lo, double& hi);
  void freeBuffers();
  // The decoder, when the registry still names the one taken at construction.
  ZRDecoderVideo* liveDecoder() const;

  int id_;
  int useOpenGL_;
  ZRAudioSignalSource* audioSource_;
  TextureCreatedCallback textureCreated_;
  ZRDecoderVideo* decoder_ = nullptr;
  std::atomic<bool>* seekAnnounced_;
  int ringSize_;

  // Render thread only.
  std::shared_ptr<ZRTexture> texture_;
  int playing_ = 0;
  double lastShownTime_ = -1;
  bool textureChanged_ = false;
  std::unique_ptr<ZRThread> thread_;

  // Set by StartPlayback before the thread starts, read by both threads afterwards.
  int frameWidth_ = 0;
  int frameHeight_ = 0;

  std::mutex ringLock_;  // slot times, last written slot
  Slot slots_[kMaxSlots];
  int lastWritten_ = -1;
  // Worker thread only (reset by StartPlayback before the thread starts).
  double lastDecodePosition_ = -1;
  bool primed_ = false;
};
