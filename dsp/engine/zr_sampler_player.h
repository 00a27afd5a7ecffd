#pragma once
// ZRSamplerPlayer: one slot of the sampler. A short sound (at most 30 s) decoded whole into memory, played
// once or looped at a variable speed, optionally tempo-matched and beat-aligned to the deck that leads the
// mix, through its own cut-off filter; a slot can also record the master output into a file for re-use as a
// sample. The application makes eight slots and registers each as a mixer channel (sampler bus and master).
// Every slot made by create() is in a process-wide registry, through which the master recording callback
// feeds the slots that record.
//
// Threads and hand-overs:
// - user-interface side: loading, closing, play control, speed, looping, sync, filter settings and
//   recording control. Loading, closing and recording control hold the slot's own lock (one of them at a
//   time).
// - audio thread: BeforeGetSamples, GetSamples (with the beat alignment) and audioRecCallback. It never
//   allocates, locks or waits.
// - The sample memory and the recorder are handed to the audio thread through ZRAudioHandOver: a new
//   sample is installed whole (frames and length together), and the old one, or a recorder, is freed only
//   after the audio thread has let go of it.
// - The play position belongs to the audio thread. The user side asks for a position (a seek) and the
//   audio thread takes it at its next buffer; getters report an asked position until then.
// - The play state is one word: a count of the user side's play and stop commands, whether the last one
//   returns to the start, the playing bit, and two filter requests: clear the filter's state (raised by
//   every stop) and take new filter settings (raised by setCutoffFilter after it published them). A
//   request stays raised until the audio thread takes it, at the start of a buffer, in the same atomic
//   step as the command, so a command, its restart, the clearing of a stop before it and a filter change
//   are always taken together (a stop, a change and a play that fall within one buffer never carry the
//   old filter's state into the new coefficients). The audio thread ends a one-shot only by compare and
//   swap on the command it started the buffer with, so a play pressed meanwhile is never lost.
// - The filter's state and coefficients belong to the audio thread; it also clears the state when the
//   slot sounds again after a silent buffer (a one-shot's end), so no old state meets a new filter.
// - The registry changes under its own lock on the user side; a slot leaves it in its destructor, after
//   which the destructor waits for the recording callback to let go of it.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "codecs/zr_codec_base.h"
#include "common/zr_audio_hand_over.h"
#include "common/zr_published_value.h"
#include "common/zr_string.h"
#include "dsp/engine/zr_audio_signal_source.h"

class CIIRFilter;
class CSoundSource;
class ZRAudioRecorder;
class ZRMasterCodec;

class ZRSamplerPlayer : public ZRAudioSignalSource {
 public:
  static constexpr int kMaxSlots = 64;
  // 30 s at 44100 Hz.
  static constexpr int kMaxFrames = 1323000;
  static constexpr int kCodecId = 50;
  // The deck's phase is taken this far (22 ms) ahead when a slot aligns its beat to it.
  static constexpr double kSyncLeadFrames = 970.2;

  // The deck a slot with auto sync follows when it starts: the application installs GetMasterDeck (tests
  // install their own). Called on the user-interface side.
  using MasterDeckFunction = CSoundSource* (*)();
  static void setMasterDeckFunction(MasterDeckFunction function);

  // The registry: slots made by create(), in the order made (a destroyed slot leaves a gap that the next
  // create() fills). totalSamplers counts the slots in it.
  static std::atomic<ZRSamplerPlayer*> samplers[kMaxSlots];
  static std::atomic<int> totalSamplers;
  // Null when 64 slots exist; otherwise a new slot, entered in the registry.
  static ZRSamplerPlayer* create(int id);
  // Audio thread: hands the master (before the limiter) to every registered slot that records.
  static void audioRecCallback(float* master, int frames, int channels);

  explicit ZRSamplerPlayer(int id);
  // Leaves the registry, closes the slot, then frees the recorder once the audio thread has let go. The
  // owner takes the slot out of the mix first (the mixer pulls it without asking).
  ~ZRSamplerPlayer() override;
  ZRSamplerPlayer(const ZRSamplerPlayer&) = delete;
  ZRSamplerPlayer& operator=(const ZRSamplerPlayer&) = delete;

  // Loads the file (at most 30 s; a library track with a cue-in and a cue-out that lie inside the file, in
  // order, loads that range; other cues are logged and ignored). The slot stops and empties first; tempo,
  // sync and speed start afresh. False, and the slot empty, for an unreadable, empty or too long file.
  bool Open(const ZRString& path);
  // Copies frames stereo frames; false, and the slot empty, for 0 or fewer or more than 30 s.
  bool Open(const float* samples, int frames);
  // Empties the slot (stopped, no sample; the memory is freed once the audio thread has let go).
  void Close();
  bool IsOpen() const { return openLength.load(std::memory_order_acquire) > 0; }
  // The path of the loaded file; empty for a sample loaded from memory or an empty slot.
  ZRString GetFileName();
  int getId() const { return id; }

  // Play control:
  // - stop: the filter's state is cleared (at the next buffer), an open slot returns to its start, playing
  //   ends;
  // - play on a looping slot: with auto sync the slot first matches the leading deck; it plays on from
  //   where it is;
  // - play on a one-shot slot: it returns to its start, matches the leading deck with auto sync, and plays.
  // An empty slot ignores play.
  // Playback: each output frame is read between floor(position) and the next frame (frame 0 after the
  // last, so a loop joins without a click), then the position moves by the speed. A one-shot stops once
  // the position passes the last frame (the rest of that buffer is silent and the position returns to the
  // start); a loop wraps, keeping the fraction of a frame it had.
  void SetPlaying(int play);
  int GetPlaying() const { return (playState.load(std::memory_order_acquire) & kPlayingBit) != 0 ? 1 : 0; }
  void SetCurrentPos(int frames);
  void SetLooping(int on) { looping.store(on); }
  int GetLooping() const { return looping.load(); }
  void SetAutoSync(int on) { autoSync.store(on); }
  int GetAutoSync() const { return autoSync.load(); }
  // Frames advanced per output frame (1.0 normal); its sign is a direction on top of GetDirection.
  void SetSpeed(double speed) { this->speed.store(speed); }
  double GetSpeed() const { return speed.load(); }
  // The sample's length in beats (0: not set).
  void SetTotalBeats(int beats) { totalBeats.store(beats); }
  int GetTotalBeats() const { return totalBeats.load(); }
  int GetDirection() const { return direction.load(); }
  // The pitch the last tempo match computed, in 1/100 %.
  int GetSyncPitch() const { return syncPitch.load(); }

  // --- ZRAudioSignalSource (the audio operations run on the audio thread) ---
  void GetSamples(float* buffer, int frames) override;
  // Writes nothing.
  void GetSamplesShort(short* buffer, int frames) override;
  // The sample's own tempo: 2646000 x beats / length, 0 without beats or sample. Any thread.
  float GetCurrentBPM() override;
  // Rounded to the nearest frame; 0 when empty. Any thread.
  int GetCurrentPos() override;
  int GetLength() override;
  // Pass 1: a pending beat alignment.
  void BeforeGetSamples(int pass) override;

  // --- Tempo match and beat alignment ---
  // User side: takes the deck's tempo (a difference above 50 % is refused) and asks the audio thread to
  // align the beat at its next buffer; starts play. deck is a CSoundSource (null: nothing).
  void SyncDeckToOtherDeck(void* deck);
  // Audio thread: aligns the slot's beat phase to the sync deck's.
  void TryToSyncToOtherDeck();
  // Audio thread: the beat length and phase at the play position (phase 1 on the beat, falling to 0
  // towards the next beat while playing forward); last is -1. Nothing is written when the slot is empty.
  void GetNearestBeatsInfo(int& position, int& beatLength, float& phase, int& last);
  // Audio thread: jumps by frames (a looping slot wraps; a one-shot stays where it is when the jump
  // would leave the sample).
  void AdvanceDeckPosition(float frames);

  // --- Filter (taken up by the audio thread at its next buffer) ---
  // frequencyHz 0 or less: no filtering. The frequency is held below 20 kHz and a Q of 0 or less (or not
  // a number) is taken as 0.707, so the filter stays stable.
  void setCutoffFilter(bool lowPass, float frequencyHz, float q);

  // --- Recording of the master ---
  // start: makes the recorder on first use and opens it on path (WAV, AIFF or MP3 by the extension);
  // its result. Stop: closes the recording (nothing without one) and returns true.
  bool startStopRecordingFromAudioRecCallback(bool start, const ZRString& path);
  float getRecordingTime();
  ZRString getRecordingFilename();
  bool isRecording();

 private:
  struct Sample {
    std::unique_ptr<float[]> frames;  // length stereo frames, interleaved
    int length = 0;
  };
  struct FilterSettings {
    bool lowPass = false;
    float frequency = -1.0f;
    float q = 0.707f;
  };

  // Installs (or with null removes) the sample; the previous one is freed once the audio thread has let
  // go. Under controlLock.
  void installSample(std::unique_ptr<Sample> next, const ZRString& name);
  // Reads the file through the codec into a new sample; null when it cannot. Under controlLock.
  std::unique_ptr<Sample> decodeFile(const ZRString& path);
  // Whether a tempo match to deck is possible; then pitch (1/100 %).
  bool tempoMatch(CSoundSource* deck, int& pitch);
  // A new play command: the playing bit as given, with or without a return to the start.
  void setPlayState(bool playing, bool restart);
  void askPosition(double frames);
  // The beat length at the sample's tempo (22050 without one).
  int beatLength();

  // Audio thread.
  // Takes a new play command's restart, the filter requests and a seek; returns the play state it went
  // by (without the filter requests).
  uint32_t takeRequests(const Sample* sample);
  void render(const Sample& sample, float* buffer, int frames, uint32_t startState);

  static MasterDeckFunction masterDeck();

  const int id;
  std::mutex controlLock;
  std::unique_ptr<ZRMasterCodec> codec;  // open only while a file is being loaded; under controlLock
  ZRString fileName;                     // under controlLock
  ZRAudioHandOver<Sample> sample;
  // The length of the installed sample as the user side sees it (0: empty).
  std::atomic<int> openLength{0};
  static constexpr uint32_t kPlayingBit = 1;
  static constexpr uint32_t kRestart = 2;
  static constexpr uint32_t kClearFilter = 4;
  static constexpr uint32_t kFilterChange = 8;
  static constexpr uint32_t kFilterRequests = kClearFilter | kFilterChange;
  static constexpr int kCommandShift = 4;
  // A new slot takes its first filter settings (no filtering) at its first buffer.
  std::atomic<uint32_t> playState{kFilterChange};
  // The last play command the audio thread has taken.
  std::atomic<uint32_t> appliedCommand{0};
  std::atomic<int> looping{0};
  std::atomic<int> autoSync{0};
  std::atomic<int> totalBeats{0};
  std::atomic<double> speed{1.0};
  std::atomic<int> direction{1};
  std::atomic<int> syncPitch{0};
  std::atomic<int> syncPending{0};
  std::atomic<CSoundSource*> syncDeck{nullptr};
  // Written by the audio thread; the user side asks for a new one through positionRequest (-1: none).
  std::atomic<double> position{0.0};
  std::atomic<double> positionRequest{-1.0};
  // The speed applied to the last frame (audio thread).
  double step = 1.0;

  std::unique_ptr<CIIRFilter> filter;  // state: audio thread
  ZRPublishedValue<FilterSettings> filterSettings;
  // Whether the last buffer sounded (audio thread).
  bool soundedLastBuffer = false;

  ZRAudioHandOver<ZRAudioRecorder> recorder;
};
