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
// - main thread: OpenFileName, the transport setters, cues, loops, sync,
//   scratch, bend and search gestures, the getters;
// - render thread (GUI tick): BendAndSearch_TimerFunction, markers, display
//   data; "scratch" thread: ScratchTimerUpdate;
// - "SC-streaming": loading, opening, closing, block filling, analysis input,
//   beat marks handed over by the audio thread, a forced re-analysis;
// - "SC-bpm2": the final analysis of a track without stripe data;
// - "SC-dsp": the look-ahead key lock (switched off) and the audio thread's
//   requests to wake "SC-streaming";
// - audio thread: BeforeGetSamples and GetSamples. It never allocates, never
//   takes a lock and never waits. Every field it shares with another thread
//   is an atomic; hand-overs (block pointers, the load flag, the open state,
//   a seek request) use release/acquire. A seek request is applied at the
//   start of the next buffer. A block that is not decoded plays as silence
//   while time goes on, and the streaming thread is asked to fill it.
//
// Loops belong to the audio thread: every loop operation (and a beat skip,
// which must respect the loop) is queued as a command that the audio thread
// carries out at the start of its next buffer (after a cue return and the
// pending seek, so a loop asked for after a seek starts where the seek
// landed), and the loop state it keeps is published whole after every change
// (GetLoopInfo), so no thread ever sees half of a loop. Commands queued for a track are dropped once another
// track opens. The audio thread reads the beat grid from a bit set kept beside the display arrays; a beat it
// has to add is set there and handed to "SC-streaming", which adds it to the display array.
//
// Events (pendingEvent, a set of bits taken and reset to 0 by the GUI, so
// that events arriving faster than the GUI takes them are all seen): 1 load
// requested, 2 track open, 4 deck empty (failure, unload, streaming-service
// error, empty or too long track), 8 a block decoded, 16 analysing, 32
// analysis finished, 8192 streaming-service download progress.

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
#include "common/zr_published_value.h"
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

// One entry of a deck's marker list (GetTrackMarkers).
struct TTrackMarker {
  ZRString label;  // "In", "Out", "1".."16", ">" or empty
  // How the marker is drawn: the deck writes opaque white and 1; the caller may change them in place.
  float r = 1.0f, g = 1.0f, b = 1.0f, a = 1.0f;
  float position = 0.0f;  // 0..1 of the track length
  int penWidth = 1;
  int kind = 0;  // one of CSoundSource::MarkerKind
};

// A deck's loop state as the audio thread last published it. Frames at
// 44100 Hz; start and end both inside the loop (the end is the last frame
// played).
struct TLoopInfo {
  bool active = false;
  bool inMarked = false;  // a loop-in point waits for the second press
  bool changePending = false;
  bool exitPending = false;
  int start = 0, end = 0, length = 0;
  // The loop that takes over at the next allowed moment (equal to the active
  // loop when nothing is pending).
  int nextStart = 0, nextEnd = 0, nextLength = 0;
  // The last loop left, for ReLoop (lastLength -1: none).
  int lastStart = 0, lastEnd = 0, lastLength = -1;
  int slipFrames = 0;  // frames playback would have moved on while looping
  int wraps = 0;       // wraps since the loop (or its last change) started
};

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
  // Cue slots: 0..15 hot cues, 16 the mix-in cue, 17 the mix-out cue.
  static constexpr int kHotCueCount = 16;
  static constexpr int kMixInCue = 16;
  static constexpr int kMixOutCue = 17;
  static constexpr int kCueSlots = 18;
  static constexpr int kSavedLoops = 8;
  static constexpr int kMaxMarkers = 32;
  // Tempos read from files (the library, stripe data) are held to this range
  // before any beat arithmetic uses them.
  static constexpr float kMinTempoBpm = 40.0f;
  static constexpr float kMaxTempoBpm = 300.0f;
  // The look-ahead buffer: 16 s of output frames.
  static constexpr int kLookAheadFrames = 705600;

  enum MarkerKind {
    kMarkerMixIn = 1,
    kMarkerMixOut = 2,
    kMarkerHotCue = 4,
    kMarkerCurrentCue = 8,
    kMarkerSavedLoopStart = 16,
    kMarkerSavedLoopEnd = 32,
    kMarkerLoopStart = 64,
    kMarkerLoopEnd = 128,
  };

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

  // The events raised since the last take (bits); the GUI takes them and resets them to 0.
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
  // Closes the open track; nothing when none is open. Its blocks go back to
  // the pool only after the audio thread has left a buffer it began on them.
  void CloseSource();

  // --- ZRAudioSignalSource (audio thread) ---
  void GetSamples(float* buffer, int frames) override;
  void GetSamplesShort(short* buffer, int frames) override;
  // The track's analysed tempo (pitch not applied) once the analysis is done,
  // the deck is ready and the block at the play position is decoded; else 0.
  // Any thread.
  float GetCurrentBPM() override;
  int GetCurrentPos() override;
  int GetLength() override;
  // Pass 0: the nearest-beat information; pass 1: a pending beat sync.
  void BeforeGetSamples(int pass) override;

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
  // In timecode mode the pitch follows the speed.
  int GetPitch() const;
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
  // The look-ahead key lock (time-stretching ahead of the play position on
  // "SC-dsp") is built but not used by the application; this switch turns it
  // on for diagnostics and tests.
  void setLookAheadKeyLockEnabled(bool on) { lookAheadKeyLockEnabled.store(on ? 1 : 0); }

  // --- Analysis (display data and stripe) ---
  // Hold the display lock while reading the display arrays, the gain and
  // the point count; the deck takes it to allocate or free them and for the
  // few changes it makes once decoding is over (a beat added to fill a gap,
  // the marks removed for a forced re-analysis).
  void StartUseDisplayData();
  void StopUseDisplayData();
  int getDisplayPointCount() const { return displayPointCount; }
  const float* getDisplayArrayA() const { return displayArrayA; }
  const float* getDisplayArrayB() const { return displayArrayB; }
  const float* getDisplayArrayC() const { return displayArrayC; }
  float getDisplayGain() const { return displayGain.load(std::memory_order_relaxed); }
  bool isStripeLoaded() const { return stripeLoaded.load(std::memory_order_acquire); }
  bool isAnalysisDone() const { return analysisDone.load(std::memory_order_acquire); }
  // Analysis settings (any thread); the detector follows a change of the
  // steady mode at the next open.
  void setSteadyBpmDetectionMode(bool on);
  void setDetectMusicalKey(bool on) { detectMusicalKey.store(on); }
  void setAutoCueEnabled(bool on) { autoCueEnabled.store(on); }
  void setAutoCueDetectParams(bool useArrayA, float thresholdIn, float thresholdOut);
  bool getSteadyBpmDetectionMode() const { return steadyBpmDetection.load(); }
  bool getDetectMusicalKey() const { return detectMusicalKey.load(); }
  bool getAutoCueEnabled() const { return autoCueEnabled.load(); }
  void getAutoCueDetectParams(bool& useArrayA, float& thresholdIn, float& thresholdOut) const {
    useArrayA = autoCueUseArrayA.load();
    thresholdIn = autoCueThresholdIn.load();
    thresholdOut = autoCueThresholdOut.load();
  }
  bool getIsBeatGridSuitableForAlwaysInSync() const { return gridSuitable.load(); }
  // Places the mix-in and mix-out cues from the display data of a track of
  // at least 60 s whose analysis is done or whose stripe was read (a cue the
  // user placed is kept). On "SC-streaming" or "SC-bpm2".
  void calculateAutoCueInOutPoints(bool useArrayA, float thresholdIn, float thresholdOut);

  // --- Cues (user-interface side) ---
  // Frames of a slot (-1 = the current cue); 0 without a track or for a slot
  // outside -1..17.
  int getCuePos(int cue);
  // Sets a slot (-1 = the current cue; others outside 0..17 are ignored).
  void setCuePos(int frames, int cue);
  void SetCueAtCurrentPos();
  void ClearCurrentCue();
  int GetCurrentCue() const { return currentCue.load(); }
  void SetCurrentCue(int cue);
  // "#RRGGBB" of a slot (-1 = current) into out (8 bytes).
  void getCueColor(int cue, char out[8]);
  // The mix-in cue when it lies in the first half of the track, else 0.
  int GetMixInCue();
  // The mix-out cue when it lies in the second half and before the end, else
  // the track length.
  int GetMixOutCue();
  // The CUE button: returns to the cue, or on a paused deck at the cue
  // starts a preview that releasing the button ends.
  void CUE();
  void CUEClick() { CUE(); }
  void CUEUnClick();
  // Plays from the current cue.
  void CUEplay();
  // Stops and goes to the start of the track.
  void BackToTop();
  bool GetCanSetCuePointNow() const;

  // --- Loops (user-interface side; carried out by the audio thread at its
  // next buffer) ---
  // 0 normal, 1 slip (a fixed loop plays as an instant loop and leaving a
  // loop jumps to where playback would have been).
  void setLoopMode(int mode) { loopMode.store(mode); }
  int getLoopMode() const { return loopMode.load(); }
  int GetCurrentLoopSize();
  int GetLoopSizeIn64Divisions();
  TLoopInfo GetLoopInfo() const;
  // The GUI's refresh flag for the loop buttons (taken and reset).
  bool takeLoopStateChanged() { return loopStateChanged.exchange(false); }
  void DoLoopInEnd();
  // A loop of sixtyfourths / 64 beats from the play position (from the beat
  // behind it with fromBeat, for a beat or more); the same size again exits.
  void DoLoopFixed(int sixtyfourths, bool fromBeat);
  // A loop of sixtyfourths / 64 beats ending at the play position.
  void DoInstantLoopFixed(int sixtyfourths);
  void ResizeLoop(int deltaFrames);
  void MoveLoop(int deltaFrames);
  void ReLoop();
  void ExitLoop(int immediate);
  void SaveOrRecallLoopNo(int slot);
  void SetLoopNo(int slot, int start, int end);
  int GetLoopNoStart(int slot) const;
  int GetLoopNoEnd(int slot) const;

  // --- Performance pads (slip; carried out by the audio thread at its next buffer, in order with the
  // loop commands) ---
  // While a pad is held the track runs on unheard from where the first pad was pressed, and letting go
  // lands where it would have been.
  // Starts the slip (when none runs), leaves any loop at once and jumps to frames.
  void SlipJump(int frames);
  // Starts the slip (when none runs), leaves any loop at once, jumps to frames (-1: stays) and loops
  // sixtyfourths / 64 beats from there.
  void SlipLoop(int frames, int sixtyfourths);
  // Leaves any loop at once and goes on where the track would have been; nothing without a slip.
  void SlipEnd();
  // The unheard track runs at the deck's speed divided by ratio (a pitch pad speeds the deck up without
  // moving the track on faster); 1 unless set, ratios at or below 0 are ignored.
  void SetSlipSpeedRatio(double ratio);
  // Whether a slip runs, as of the audio thread's last buffer.
  bool IsSlipping() const { return slipPublished.load(std::memory_order_acquire); }

  // --- Markers (one thread, the GUI's) ---
  void GetTrackMarkers(TTrackMarker** out, int& count);
  static void insertionSort_Markers(TTrackMarker* list, int count);

  // --- Beats, sync and tempo ---
  // 2646000 / BPM, or 22050 without a BPM; 0 while loading or not ready.
  float GetCurrentBeatSize();
  // Frames in 1/64 beats (a power of two when powerOfTwo, or for a beat or
  // less); 0 for frames <= 0, without a beat length or below 1/64 beat.
  int ConvertSamplesTo64BeatDivisions(int frames, bool powerOfTwo);
  void GetNearestBeatsInfo(int& position, int& beatLength, float& phase, int& beatInBar) const;
  // The first beat mark from back frames before the position up to forward
  // frames after it (forward -1: back), else the position. Any thread.
  int getNearestBeatSample(int back, int forward);
  // Moves the play position by delta frames (kept inside an active loop).
  // Audio thread only (it writes the position directly).
  void AdvanceDeckPosition(float delta);
  // Takes the other deck's tempo and, once the speed has settled, its beat
  // phase; starts play. False, and nothing changes, when loading, not ready,
  // without tempos, or when more than 50 % of pitch would be needed.
  bool SyncDeckToOtherDeck(CSoundSource* other);
  // The tempo only (no play start, no phase).
  bool MatchDeckToOtherDeck(CSoundSource* other);
  bool setIsAlwaysInSync(bool on);
  bool getIsAlwaysInSync() const { return alwaysInSync.load(); }
  // Analyses the track again with this tempo as the suggestion (done by
  // "SC-streaming" at its next pass).
  void SetForceLockBPM(float bpm);
  // A forced re-analysis was asked for and "SC-streaming" has not yet started
  // it (isAnalysisDone is false from then until it has finished).
  bool isForcedAnalysisPending() const { return forceLockRequests.load() != forceLockApplied.load(); }
  void SkipBeatPrev();
  void SkipBeatNext();
  void SkipBarPrev();
  void SkipBarNext();
  int GetOriginalKeyIndex();
  int GetCurrentKeyIndex();

  // --- Scratch, bend and search ---
  // Mouse or skin jog wheel (main thread). relative 1: values are frame
  // offsets; 0: pointer coordinates (31 frames per unit).
  void ScratchMouseBegin(int startValue, int relative);
  void ScratchMouseMove(int value);
  void ScratchMouseEnd();
  // Controller jog wheels.
  void ScratchJogWheelMove(int value, int previous, int encoding, int touch, int rate);
  void ScratchJogWheelBegin();
  void ScratchJogWheelHold(int touched);
  void SearchJogWheelMove(int delta, int range);
  // The application's jog-mode action: toggles only while playing and not
  // scratching.
  void ToggleJogScratchMode();
  int GetJogScratchMode() const { return jogScratchMode.load(); }
  void BendDown_Click();
  void BendDown_UnClick();
  void BendUp_Click();
  void BendUp_UnClick();
  void SearchLeft_Click();
  void SearchLeft_UnClick();
  void SearchRight_Click();
  void SearchRight_UnClick();
  void SetTimecodedVinylMode(int on);
  int GetTimecodedVinylMode() const { return timecodeMode.load(); }
  bool IsScratching() const { return scratching.load() != 0; }
  bool IsBending() const { return bendingDown.load() || bendingUp.load(); }
  double GetSpeedBeforeBend() const { return speedBeforeBend.load(); }
  // Every GUI tick (render thread).
  void BendAndSearch_TimerFunction();
  // Every 25 ms on the "scratch" thread (idleLimit 7).
  void ScratchTimerUpdate(int idleLimit);

 private:
  // Streaming pass and its parts.
  bool UnSyncThreadProc_DISK();
  void reportTrackPlayed();
  void drainPlayEvents();
  void handleLoadRequest();
  void fillAroundPosition();
  bool fillLoop(int from, int to);
  // "SC-streaming": the decode found the track's true length (frames): the block table, the length
  // and the display data follow it.
  void adoptTrackLength(int frames);
  // Waits until the audio thread is outside GetSamples (memory it read may then be freed).
  void waitForAudioThreadToLeave();
  void sendServiceEvent(int type, int fromFrames, int toFrames);
  // From any thread but the audio thread (may allocate).
  void queuePlayEvent(int type, int from, int to);
  // From the audio thread: never allocates; an event finding the queue full is counted and dropped.
  void queuePlayEventFromAudio(int type, int from, int to);
  void wakeStreaming();

  // Look-ahead key lock ("SC-dsp"), kept reset and switched off.
  struct LookAheadMeta;
  struct LookAheadBuffer;
  bool UnSyncThreadProc_DSP();
  void resetKeyLockState();
  void closeLookAhead();
  void prepareLookAhead(LookAheadBuffer& b, double position, double speed, double ratio);
  void fillLookAhead(LookAheadBuffer& b);
  bool lookAheadPathWanted() const;
  void renderLookAhead(float* buffer, int frames, bool commit);
  void readLookAhead(const LookAheadMeta& meta, const LookAheadBuffer& b, double position, float& left,
                     float& right, bool& covered) const;

  // Audio thread.
  // The start of a buffer: queued commands, a cue return, cue-set arming and
  // the pending seek.
  void beginBuffer();
  void renderVariableSpeed(float* buffer, int frames);
  void renderVariableSpeedDry(float* buffer, int frames);
  void announceSeekFrom(double from, double to);
  bool neighbourhoodDecoded(double position, double speed, int frames) const;
  void readFrame(long frame, float& left, float& right) const;
  void readFrameWrapped(long frame, int length, float& left, float& right) const;
  void readJumpFrame(long frame, int length, float& left, float& right) const;
  int levelFor(double speed, bool withTimecode) const;
  void planKeyLockJump(double position, double speed, int length);
  // Whether the key lock's correlation of frames [a, a + n) with the frames lag later has all its frames
  // (it counts 0 otherwise).
  bool correlationReady(int a, int n, int lag) const;
  void applyNominalSpeed();
  // PlayPause and PlayStatusChanged for either side; audioThread picks the non-allocating event path.
  void setPlaying(int mode, bool audioThread);
  void reportPlayStatus(int on, bool audioThread);

  // Analysis hooks of the decoding path.
  void prepareAnalysis();
  // The display data of a track whose block count changed while it is decoded.
  void resizeAnalysis(int blocks);
  // The blocks of the stored stripe data of the track being opened (its true length when it was
  // analysed), -1 when it has none.
  int storedStripeBlocks();
  bool loadDetailsFromDatabase();
  void analyseBlock(int index, const ZRAudioBlock* block);
  void finishDecoding();
  bool UnSyncThreadProc_BPM();
  void saveDetailsToDatabase();
  void releaseAnalysis();
  void takeOverCuesAndLoops(const TZRDatabaseTrack& record);
  void placeAutoCues(bool useArrayA, float thresholdIn, float thresholdOut);
  void applyForcedAnalysis();
  void applyHandedOverBeatMark();
  void setBeatBitsFromDisplay(int from, int to);
  bool beatMarkedAt(int point) const;
  int findBeatMark(int from, int to) const;
  int nearestBeatSample(int back, int forward);

  // Cues and loops.
  struct DeckCommand {
    int type = 0;
    int a = 0;
    int b = 0;
    uint32_t generation = 0;
  };
  enum CommandType {
    kCmdLoopInEnd = 1,
    kCmdLoopFixed,
    kCmdInstantLoop,
    kCmdResizeLoop,
    kCmdMoveLoop,
    kCmdReLoop,
    kCmdExitLoop,
    kCmdRecallLoop,
    kCmdLeaveSavedLoop,
    kCmdSkip,
    kCmdSlipJump,
    kCmdSlipLoop,
    kCmdSlipEnd,
  };
  void queueCommand(int type, int a = 0, int b = 0);
  bool readyForCommands() const;
  void runCommands(double& position);
  void runCommand(const DeckCommand& c, double& position);
  void loopInEnd(double position);
  int fixedLoopBeat(int sixtyfourths);
  void loopFixed(int sixtyfourths, bool fromBeat, double position);
  void instantLoop(int sixtyfourths, double position);
  void resizeLoop(int delta, double position);
  void moveLoop(int delta, double position);
  void reLoop();
  void exitLoop(bool immediate);
  void leaveLoop();
  void recallLoop(int start, int end);
  void skipFrames(int delta, double& position);
  // Audio thread: the slip's start (when none runs) and its end.
  void beginSlip(double position);
  void endSlip(double& position);
  bool loopChangeAllowed();
  // Loop housekeeping and wrap for one frame of the reader; readOffset 1
  // when the reader outputs frame floor(position) - 1, 0 when it outputs
  // floor(position). True while a loop is active (the reader then skips its
  // end-of-track check).
  bool loopFrame(double& position, double speed, int readOffset);
  void publishLoop();
  void resetCuesAndLoops(int length);
  void storeSavedLoop(int slot, int start, int end);
  void cueReturn(double& position);
  void endJogScratch();

  // Beats and sync (audio thread).
  void CalculateNearestBeatsInfo();
  void TryToSyncToOtherDeck(bool force);
  bool syncChecks(CSoundSource* other, int& newPitch);
  void skipBeats(int beats);
  int scratchTarget() const;

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
  std::atomic<bool> trackRecordValid{false};  // of desiredSong_Details
  // Of currentSong_Details: taken from trackRecordValid when the track opens,
  // so that the next request (which sets trackRecordValid for its own
  // record) cannot keep the closing track's cues and results from the library.
  std::atomic<bool> currentRecordValid{false};
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
  // "SC-streaming" only: the length was found by decoding to the end (until then lengthFrames is the
  // container's announcement, an estimate that may be wrong either way).
  bool lengthKnown = false;
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
  // Counts the tracks opened; commands carry the count of their track.
  std::atomic<uint32_t> trackGeneration{0};

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
  // Counts position requests, so that the analysis' seek to the mix-in cue can tell whether anyone has
  // moved the deck since its track opened.
  std::atomic<uint32_t> positionRequests{0};
  std::atomic<uint32_t> positionRequestsAtOpen{0};
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
  // What a look-ahead buffer holds: output frames made from the track
  // frames [start, end) at tempo and pitch, fill of them from readBase on
  // (modulo kLookAheadFrames).
  struct LookAheadMeta {
    double start = 0, end = 0;
    int readBase = 0, fill = 0;
    double tempo = 1.0, pitch = 0.0;
  };
  // Written by "SC-dsp", read by the audio thread: frames are written first
  // and then announced by publishing the meta data, and "SC-dsp" writes only
  // frames that the published meta data does not show (or the oldest ones,
  // far behind the play position).
  struct LookAheadBuffer {
    std::unique_ptr<ZRRingBuffer> ring;  // "SC-dsp"
    std::unique_ptr<float[]> frames;     // kLookAheadFrames stereo frames
    LookAheadMeta meta;                  // "SC-dsp"'s working copy
    ZRPublishedValue<LookAheadMeta> published;
    double inputPosition = 0;  // "SC-dsp": the scaler's next input frame
    int discard = 0;           // "SC-dsp": output frames still to drop (the scaler's latency)
  };
  std::atomic<int> lookAheadKeyLockEnabled{0};
  std::unique_ptr<LookAheadBuffer> lookAhead[2];
  // "SC-dsp" and the streaming thread's open and close exclude each other.
  std::mutex lookAheadLock;
  bool lookAheadTrackOpen = false;  // under lookAheadLock
  // Written by "SC-dsp": the buffer the audio thread reads.
  std::atomic<int> lookAheadActive{0};
  // Written by the audio thread: one bit per buffer it is reading or will
  // crossfade from; "SC-dsp" prepares a buffer only while its bit is clear.
  std::atomic<int> lookAheadInUse{0};
  int lookAheadPrevious = -1;  // audio thread: the buffer of its last look-ahead buffer
  int lookAheadLastPath = -1;  // audio thread: 0 variable speed, 1 look-ahead
  std::atomic<bool> lookAheadStarved{false};
  std::atomic<double> lookAheadSpeed{1.0};
  std::unique_ptr<ZRTimePitchScaling> scaler;
  // The outgoing path of a path switch renders here (audio thread).
  std::unique_ptr<float[]> pathSwitchBuffer;

  // --- Analysis ---
  ZRAudioDetection* detector = nullptr;  // "SC-streaming" (and "SC-bpm2" while it runs)
  ZRAudioDisplayProcessing* displayProcessing = nullptr;
  ZRCriticalSection displayLock;
  // Written by the analysis while the render thread and the overview refresh read it.
  std::atomic<float> displayGain{1.0f};
  float* displayArrayA = nullptr;
  float* displayArrayB = nullptr;
  float* displayArrayC = nullptr;
  float* onsetArray = nullptr;
  int displayPointCount = 0;
  // One bit per display point: the beat marks of displayArrayB, which the
  // audio thread reads (it never reads the float arrays). Allocated and freed
  // with the display arrays.
  std::atomic<uint64_t>* beatBits = nullptr;
  int beatBitWords = 0;
  // A beat mark the audio thread added, for "SC-streaming" to put into
  // displayArrayB (-1 none).
  std::atomic<int> pendingBeatMark{-1};
  std::atomic<float> detectedBpm{0.0f};
  std::atomic<bool> analysisDone{false};
  bool analysisStarted = false;
  std::atomic<bool> stripeLoaded{false};
  bool needsAnalysis = true;
  std::vector<int> beatGrid;
  std::vector<uint8_t> analysedBlocks;  // "SC-streaming" only
  float suggestedBpm = -1.0f;
  std::atomic<bool> gridSuitable{false};
  std::atomic<bool> steadyBpmDetection{false};
  std::atomic<bool> recreateDetector{false};
  std::atomic<bool> detectMusicalKey{false};
  std::atomic<bool> autoCueEnabled{true};
  std::atomic<bool> autoCueUseArrayA{false};
  std::atomic<float> autoCueThresholdIn{-10.0f};
  std::atomic<float> autoCueThresholdOut{-12.0f};
  // SetForceLockBPM's requests, counted; "SC-streaming" notes the count it
  // has carried out once the analysis state is reset.
  std::atomic<int> forceLockRequests{0};
  std::atomic<int> forceLockApplied{0};
  std::atomic<float> forceLockBpm{0.0f};

  // --- Cues, loops and markers ---
  TTrackMarker markers[kMaxMarkers];
  std::atomic<int> cues[kCueSlots] = {};
  std::atomic<int> currentCue{0};
  std::atomic<int> cueSetArmed{0};
  std::atomic<int> playSwallow{0};
  // Each saved loop as one word: start in the low, end in the high 32 bits.
  std::atomic<uint64_t> savedLoops[kSavedLoops] = {};
  std::atomic<int> loopMode{0};
  std::atomic<int> loopQuantum{64};
  std::atomic<int> beatFrames{22050};
  ZRLockFreeQueue<DeckCommand> commands;
  TLoopInfo loop;  // audio thread (and the streaming thread while the deck is closed)
  ZRPublishedValue<TLoopInfo> loopPublished;
  bool loopDirty = false;  // audio thread
  // The slip: where the unheard track is (audio thread, and the streaming thread while the deck is
  // closed), and its published state.
  bool slipActive = false;
  double slipPosition = 0.0;
  std::atomic<bool> slipPublished{false};
  std::atomic<double> slipSpeedRatio{1.0};
  // Frames per beat for the buffer being rendered (audio thread).
  double bufferBeatSize = 22050.0;

  // --- Beats and sync ---
  std::atomic<int> syncPending{0};
  std::atomic<CSoundSource*> syncTarget{nullptr};
  std::atomic<bool> alwaysInSync{false};
  std::atomic<int> nearestPosition{0};
  std::atomic<int> nearestBeatLength{22050};
  std::atomic<float> beatPhase{0.0f};
  std::atomic<int> beatInBar{-1};
  // The beat length behind nearestBeatLength, unrounded (for the sync).
  std::atomic<double> nearestBeatLengthExact{22050.0};

  // --- Scratch, bend and search ---
  std::atomic<int> bendingDown{0};
  std::atomic<int> bendingUp{0};
  std::atomic<int> jogScratchMode{0};
  std::atomic<int> nudgeActive{0};
  std::atomic<int> jogTouched{0};
  std::atomic<int> nudgeUpTicks{0};
  std::atomic<int> nudgeDownTicks{0};
  std::atomic<double> speedBeforeBend{1.0};
  std::atomic<int> pitchBeforeBend{0};
  std::atomic<float> bendAmount{0.0f};
  std::atomic<int> bendLimit{0};
  std::atomic<int> searchLeftTicks{-1};
  std::atomic<int> searchRightTicks{-1};
  std::atomic<int> jogSearchSum{0};
  std::atomic<int> playingBeforeScratch{0};
  std::atomic<int> scratchLastValue{0};
  std::atomic<int> scratchStartValue{0};
  std::atomic<int> scratchStartPosition{0};
  std::atomic<int> scratchLastDelta{0};
  std::atomic<int> scratchRelative{0};
  std::atomic<int> scratchOffset{0};
  std::atomic<int> jogScratching{0};
  std::atomic<float> jogTotal{0.0f};
  std::atomic<float> jogLastStep{1.0f};
  std::atomic<int> jogIdleTicks{0};
  std::atomic<int> jogLastDirection{-1};  // 1 backwards, 0 forwards
};
