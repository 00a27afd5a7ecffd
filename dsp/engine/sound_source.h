#pragma once
// CSoundSource: one deck. A deck decodes its whole track into one-second
// 16-bit blocks from the shared block pool, on its own "SC-streaming" thread
// (the blocks around the play position first, then the rest in order), so
// that the audio thread can jump, loop and play backwards anywhere without
// touching the disk. On the audio thread GetSamples moves a fractional play
// position at a variable speed through those blocks and interpolates; key
// lock joins 3528-frame segments at the best-matching offset.
//
// Threads and hand-overs:
// - main thread: OpenFileName, the transport setters, the getters;
// - "SC-streaming": loading, opening, closing, block filling, analysis input;
// - audio thread: GetSamples. It never allocates, never takes a lock and
//   never waits. Every field it shares with another thread is an atomic;
//   hand-overs (block pointers, the load flag, the open state, a seek
//   request) use release/acquire. A seek request is applied at the start of
//   the next buffer. A block that is not decoded plays as silence while time
//   goes on, and the streaming thread is asked to fill it.
//
// Events (pendingEvent, read and reset to 0 by the GUI): 1 load requested,
// 2 track open, 4 deck empty (failure, unload, streaming-service error, empty
// or too long track), 8 a block decoded, 16 analysing, 32 analysis finished,
// 8192 streaming-service download progress.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "codecs/zr_codec_base.h"
#include "common/zr_critical_section.h"
#include "common/zr_dispatch_queue_base.h"
#include "common/zr_lock_free_queue.h"
#include "common/zr_string.h"
#include "database/zr_database_track.h"
#include "dsp/engine/zr_audio_block_pool.h"
#include "dsp/engine/zr_audio_signal_source.h"

class ZRAudioDetection;
class ZRAudioDisplayProcessing;
class ZRMasterCodec;
class ZRRingBuffer;
class ZRThread;
class ZRTimePitchScaling;

class CSoundSource : public ZRAudioSignalSource {
 public:
  static constexpr int kBlockFrames = 44100;
  static constexpr int kMaxBlocks = 18000;
  // The longest track a deck takes: 18000 blocks less one frame.
  static constexpr int kMaxTrackFrames = 793799999;
  static constexpr int kMaxFramesPerBuffer = 4410;
  static constexpr int kFullOutputLevel = 441;
  static constexpr int kKeyLockSegment = 3528;
  static constexpr int kKeyLockCrossfade = 400;
  // 16-bit samples become floats by this factor (full scale about 0.983).
  static constexpr float kSampleScale = 3e-5f;

  enum Event {
    kEventLoadRequested = 1,
    kEventTrackOpen = 2,
    kEventDeckEmpty = 4,
    kEventBlockDecoded = 8,
    kEventAnalysing = 16,
    kEventAnalysisFinished = 32,
    kEventDownloadProgress = 8192,
  };

  struct TQueueItemPlayEvent {
    int type = 0;  // 0 play, 1 pause, 2 seek, 3 eject
    int from = 0;  // frames
    int to = -1;   // seek target in frames, -1 otherwise
  };

  // Called with 0 pause, 1 play, 2 first play since the track opened
  // (play-state hook), or 1 opened, 0 closed (open/close hook).
  using NotifyHook = void (*)(unsigned long code, CSoundSource* deck);
  using TrackPlayedCallback = std::function<bool(int deckId, ZRString path)>;

  // Starts "SC-streaming" (priority 0, every 157 ms) and "SC-dsp" (priority
  // 5, every 110 ms).
  CSoundSource(int deckId, const ZRString& stripesFolder);
  // Stops the threads, then closes the track.
  ~CSoundSource() override;
  CSoundSource(const CSoundSource&) = delete;
  CSoundSource& operator=(const CSoundSource&) = delete;

  // --- Loading (main thread) ---
  // Asks for a load; false, and nothing changes, while an earlier request is
  // pending. A path ending in "$" (the unload path "---$") leaves the deck
  // empty. track: the library record of the request, or null to look it up.
  bool OpenFileName(const ZRCodecBase::OpenStruct* request, const TZRDatabaseTrack* track);
  int GetLoadingProgressPercent() const;
  ZRString GetFileName() const;
  ZRString GetArtist();
  ZRString GetTitle();
  bool isStream() const { return isStreamSource.load(std::memory_order_acquire); }
  void setTrackPlayedCallback(TrackPlayedCallback callback, ZRDispatchQueueBase* queue);
  void setTrackPlayedMinimumDuration(float seconds);
  // The play-state hook is called on the audio thread when auto-play starts the deck: it must neither
  // allocate nor block.
  void setPlayStateHook(NotifyHook hook) { playStateHook = hook; }
  void setOpenCloseHook(NotifyHook hook) { openCloseHook = hook; }

  // The single-slot event; the GUI takes it and resets it to 0.
  int getPendingEvent() const { return pendingEvent.load(std::memory_order_acquire); }
  int takePendingEvent() { return pendingEvent.exchange(0, std::memory_order_acq_rel); }
  float getBufferingProgress() const { return bufferingProgress.load(std::memory_order_acquire); }
  ZRString getLoadErrorText();
  void clearLoadErrorText();
  bool isTrackClosed() const { return trackClosed.load(std::memory_order_acquire); }
  void clearTrackClosed() { trackClosed.store(false, std::memory_order_release); }
  bool isTrackReady() const { return trackReady.load(std::memory_order_acquire) != 0; }
  int getBlockCount() const { return blockCount.load(std::memory_order_acquire); }
  bool isBlockDecoded(int index) const;
  int getDeckId() const { return deckId; }
  // A copy of the loaded track's record.
  TZRDatabaseTrack getCurrentTrack();

  // --- Used by the streaming pass (on "SC-streaming") ---
  bool OpenSource();
  bool FillBlock(int index);
  void ClearBlock(int index, int release);
  // Closes the open track; nothing when none is open.
  void CloseSource();

  // --- ZRAudioSignalSource (audio thread) ---
  void GetSamples(float* buffer, int frames) override;
  void GetSamplesShort(short* buffer, int frames) override;
  float GetCurrentBPM() override { return 0.0f; }
  int GetCurrentPos() override;
  int GetLength() override;
  void BeforeGetSamples(int /*pass*/) override {}

  // --- Transport (user-interface side; taken up by the audio thread) ---
  // mode -1 toggles, 0 pauses, 1 plays.
  void PlayPause(int mode);
  void PlayStatusChanged(int on);
  bool IsPlaying() const { return playing.load(std::memory_order_acquire) != 0; }
  // A seek, performed at the start of the next buffer.
  void SetPositionAsync(double frames);
  // Tells the codec (and a streaming service) that the position jumps; does
  // not move the position. Audio thread only: GetSamples calls it when it
  // applies a seek.
  void announceSeek(double frames);
  void SetDirection(int dir);
  int GetDirection() const { return direction.load(std::memory_order_relaxed); }
  // pitch in 1/100 %: speed = direction x (1 + pitch / 10000).
  void SetPitch(int pitch);
  int GetPitch() const { return pitch.load(std::memory_order_relaxed); }
  void SetSpeed(double speed);
  void SetBrake(int on);
  int GetBrake() const { return brake.load(std::memory_order_relaxed); }
  void SetMasterTempo(int on) { masterTempo.store(on, std::memory_order_release); }
  int GetMasterTempo() const { return masterTempo.load(std::memory_order_relaxed); }
  void SetPitchKey(int cents);
  int GetPitchKey() const { return keyShiftCents.load(std::memory_order_relaxed); }
  double GetPitchRatio() const { return pitchRatio.load(std::memory_order_relaxed); }
  double GetNominalSpeed() const { return nominalSpeed.load(std::memory_order_relaxed); }
  double GetCurrentSpeed() const { return currentSpeed.load(std::memory_order_relaxed); }
  double GetPlayPosition() const { return playPosition.load(std::memory_order_relaxed); }
  int GetCurrentPosSmoothed();
  void GetEqGainValues(float& low, float& mid, float& high, float& gain);
  void SetEqGainValues(float low, float mid, float high, float gain);
  // Copies frames stereo frames from frame start (wrapping at the track's
  // length), x 3e-5; frames of blocks not decoded are 0.
  void GetAudioData(float* out, int start, int frames);
  // The key-lock jump (frames) that the next segment boundary applies.
  int GetKeyLockJump() const { return keyLockJumpPublished.load(std::memory_order_relaxed); }

  // --- Analysis (display data and stripe) ---
  void StartUseDisplayData();
  void StopUseDisplayData();
  int getDisplayPointCount() const { return displayPointCount; }
  bool isStripeLoaded() const { return stripeLoaded; }

 private:
  // Streaming pass and its parts.
  bool UnSyncThreadProc_DISK();
  void reportTrackPlayed();
  void drainPlayEvents();
  void handleLoadRequest();
  void fillAroundPosition();
  bool fillLoop(int from, int to);
  void sendServiceEvent(int type, int fromFrames, int toFrames);
  // From any thread but the audio thread (may allocate).
  void queuePlayEvent(int type, int from, int to);
  // From the audio thread: never allocates; an event finding the queue full is counted and dropped.
  void queuePlayEventFromAudio(int type, int from, int to);
  void wakeStreaming();

  // Look-ahead key lock ("SC-dsp"), kept reset and switched off.
  bool UnSyncThreadProc_DSP();
  void resetKeyLockState();

  // Audio thread.
  void renderVariableSpeed(float* buffer, int frames);
  bool neighbourhoodDecoded(double position, double speed, int frames) const;
  void readFrame(long frame, float& left, float& right) const;
  void readFrameWrapped(long frame, int length, float& left, float& right) const;
  void readJumpFrame(long frame, int length, float& left, float& right) const;
  int levelFor(double speed, bool withTimecode) const;
  void planKeyLockJump(double position, double speed, int length);
  double AutoCorrelationInternal(int a, int n, int lag) const;
  void applyNominalSpeed();
  // PlayPause and PlayStatusChanged for either side; audioThread picks the non-allocating event path.
  void setPlaying(int mode, bool audioThread);
  void reportPlayStatus(int on, bool audioThread);

  // Analysis hooks of the decoding path.
  void prepareAnalysis();
  bool loadDetailsFromDatabase();
  void analyseBlock(int index, const ZRAudioBlock* block);
  void finishDecoding();
  bool UnSyncThreadProc_BPM();
  void saveDetailsToDatabase();
  void releaseAnalysis();

  // --- Loading and decoding ---
  TrackPlayedCallback trackPlayedCallback;
  ZRDispatchQueueBase* trackPlayedQueue = nullptr;
  std::atomic<float> trackPlayedMinimumDuration{20.0f};
  NotifyHook playStateHook = nullptr;
  NotifyHook openCloseHook = nullptr;
  std::atomic<int> pendingEvent{0};
  std::atomic<bool> loopStateChanged{false};
  std::atomic<float> bufferingProgress{0.0f};
  std::mutex loadErrorLock;  // never taken on the audio thread
  ZRString loadErrorText;
  std::atomic<bool> trackRecordValid{false};
  std::mutex detailsLock;  // the records, between "SC-streaming" and the main thread
  TZRDatabaseTrack currentSong_Details;
  TZRDatabaseTrack desiredSong_Details;
  std::atomic<float> autoPlayTimer{-1.0f};
  std::unique_ptr<std::atomic<uint8_t>[]> blockState;
  int deckId;
  ZRString stripesFolder;
  std::atomic<bool> trackClosed{false};
  ZRThread* streamingThread = nullptr;
  ZRThread* analysisThread = nullptr;
  ZRThread* dspThread = nullptr;
  std::atomic<int> diskBusy{0};
  std::atomic<uint8_t> loadFlag{0};
  std::atomic<int> stopping{0};
  ZRMasterCodec* codec = nullptr;
  ZRCodecBase::OpenStruct openRequest;
  std::atomic<bool> requestHasStream{false};
  bool autoPlayRequested = false;
  float keyShiftRequested = 0.0f;
  ZRString lastStreamPath;
  std::atomic<bool> isStreamSource{false};
  std::unique_ptr<std::atomic<ZRAudioBlock*>[]> blocks;
  std::atomic<int> opened{0};
  std::atomic<int> blockCount{0};
  std::atomic<int> trackReady{1};
  std::atomic<int> lengthFrames{0};
  ZRLockFreeQueue<TQueueItemPlayEvent> playEvents;
  // The audio thread's own producer, made here so that its events never allocate.
  ZRLockFreeQueue<TQueueItemPlayEvent>::Producer audioPlayEvents{playEvents};
  // Events the audio thread dropped; the streaming pass reports them.
  std::atomic<int> droppedPlayEvents{0};
  std::atomic<int> sourceKind{0};
  std::atomic<int64_t> playedFrames{0};
  bool trackPlayedReported = false;
  // The audio thread is inside GetSamples; closing waits for it to leave
  // before the blocks go back to the pool.
  std::atomic<int> audioInside{0};
  // The audio thread found a block missing; "SC-dsp" passes the wake-up on,
  // since waking a thread takes a lock the audio thread must not take.
  std::atomic<bool> streamingWakeRequested{false};

  // --- Sample output ---
  float lastSampleLeft = 0.0f;  // audio thread only
  float lastSampleRight = 0.0f;
  std::atomic<double> playPosition{0.0};
  std::atomic<double> desiredSpeed{1.0};
  double lastDesiredSpeed = 1.0;  // audio thread only (reset while no track is open)
  std::atomic<double> currentSpeed{1.0};
  double speedStep = 0.0;  // audio thread only
  std::atomic<double> nominalSpeed{1.0};
  std::atomic<int> direction{1};
  std::atomic<int> pitch{0};
  std::atomic<int> brake{0};
  int outputLevel = kFullOutputLevel;  // audio thread only
  std::atomic<int> scratching{0};
  std::atomic<int> stopNow{0};
  std::atomic<float> speedRampActive{0.0f};
  std::atomic<int> timecodeMode{0};
  std::atomic<int> cueReturnRequest{0};
  std::atomic<double> asyncPosition{-1.0};
  std::atomic<int64_t> bufferClockNs{0};
  std::atomic<int> playing{0};
  std::atomic<int> keyShiftCents{0};
  std::atomic<double> pitchRatio{1.0};
  std::atomic<int> masterTempo{0};
  // Overlap key lock (audio thread only).
  int keyLockCounter = 0;
  int keyLockJump = 0;
  int keyLockCorrection = 0;
  int keyLockBestOffset = 0;
  std::atomic<int> keyLockJumpPublished{0};
  std::atomic<int> firstPlayReported{0};

  // Look-ahead key lock: built and reset with every track, never switched on.
  struct LookAheadBuffer {
    std::unique_ptr<ZRRingBuffer> ring;
    std::unique_ptr<float[]> frames;  // 705600 stereo frames
    double start = 0, end = 0;
    int readBase = 0, fill = 0;
    double inputPosition = 0;
    double tempo = 1.0, pitch = 0.0;
  };
  std::atomic<int> lookAheadKeyLockEnabled{0};
  LookAheadBuffer lookAhead[2];
  int lookAheadActive = 0;
  int lookAheadPrevious = -1;
  std::atomic<double> lookAheadSpeed{1.0};
  std::unique_ptr<ZRTimePitchScaling> scaler;

  // --- Analysis ---
  ZRAudioDetection* detector = nullptr;
  ZRAudioDisplayProcessing* displayProcessing = nullptr;
  ZRCriticalSection displayLock;
  float displayGain = 1.0f;
  float* displayArrayA = nullptr;
  float* displayArrayB = nullptr;
  float* displayArrayC = nullptr;
  float* onsetArray = nullptr;
  int displayPointCount = 0;
  std::atomic<float> detectedBpm{0.0f};
  std::atomic<bool> analysisDone{false};
  bool analysisStarted = false;
  bool stripeLoaded = false;
  bool needsAnalysis = true;
  std::vector<int> beatGrid;
  std::vector<uint8_t> analysedBlocks;  // "SC-streaming" only
  float suggestedBpm = -1.0f;
  bool gridSuitable = false;
};
