#pragma once
// CLiveInputSource: an audio source fed by a pair of sound-device input channels. The sound output writes the
// routed input channels into its buffer once per device buffer (at 44100 Hz: a device running at another
// rate is converted before it gets here).
//
// Plain mode passes that line or microphone signal on, so a turntable, a CD player or a microphone is mixed
// through a deck's or the microphone's mixer channel. Timecode mode reads a timecode record or CD on the
// input and drives the input's deck with it: the deck takes the record's speed and direction, jumps to the
// record's absolute position when the two drift more than 0.05 s apart (unless relative), and the source
// delivers the deck's audio instead of the timecode. Only an input with a deck takes timecode mode.
//
// The position, tempo and length questions go to the deck the input belongs to (none for the microphone).
//
// Threads: the input buffer is written by the output's input callback and read by the mixer's pull, both on
// the audio thread, so it needs no lock; the timecode decoding runs there too and allocates nothing. Mode,
// relative flag and key-lock calls come from the user interface as single words; the deck is driven only
// through its real-time operations (speed, a pending seek, play).

#include <atomic>
#include <memory>
#include <vector>

#include "dsp/engine/zr_audio_signal_source.h"

class CSoundSource;
class CVinylDecode;
struct MPVT2Handle;

class CLiveInputSource : public ZRAudioSignalSource {
 public:
  static constexpr int kMinimumFrames = 4410;
  // Code words per second of the demodulator's positions (selector 2: the short-word format).
  static constexpr double kCodeWordsPerSecond = 86.1328125;
  static constexpr double kShortCodeWordsPerSecond = 172.265625;
  // Positions at or beyond this are taken this much earlier.
  static constexpr double kWrapSeconds = 760.9;
  // Units of the zero-crossing decoder's positions.
  static constexpr int kZeroCrossingUnitFrames = 4480;

  // deck may be null (the microphone's input and deck slots without a deck); a deck that is not a deck
  // player cannot be driven. The buffer holds max(bufferFrames, 4410) interleaved stereo frames, silent at
  // first. Makes both timecode decoders (the demodulator set to generation 4, cut-off sharpness 1.0,
  // absolute mode) and remembers the deck's key lock.
  CLiveInputSource(ZRAudioSignalSource* deck, int bufferFrames);
  ~CLiveInputSource() override;
  CLiveInputSource(const CLiveInputSource&) = delete;
  CLiveInputSource& operator=(const CLiveInputSource&) = delete;

  // Plain mode: copies the buffer's first frames frames; a longer request than the buffer holds gets silence
  // after it. Timecode mode: decodes the first frames frames (at most the buffer's), drives the deck and
  // writes the deck's audio.
  void GetSamples(float* buffer, int frames) override;
  // Writes nothing.
  void GetSamplesShort(short* buffer, int frames) override;
  float GetCurrentBPM() override;
  int GetCurrentPos() override;
  int GetLength() override;
  void BeforeGetSamples(int pass) override;

  // Remembers the deck's key lock, which leaving timecode mode restores (0 without deck). Called before the
  // deck's channel is switched to this input and when the user changes key lock.
  void UpdateMasterTempoStateFromOriginalSource();
  // Non-zero: timecode control of the deck (its key lock goes off); 0: plain input (the remembered key lock
  // comes back). Refused, with a log line, for an input without a deck player.
  void SetTimeCodeMode(int mode);
  int GetTimeCodeMode() const { return timecodeMode.load(std::memory_order_relaxed); }
  // Non-zero: follow the record's speed only, never jump to its position.
  void SetRelativeMode(int on) { relative.store(on, std::memory_order_relaxed); }
  int GetRelativeMode() const { return relative.load(std::memory_order_relaxed); }
  // 1 or more: the demodulator (2 counts 172.265625 code words per second); 0 or less: the zero-crossing
  // decoder. 1 unless changed.
  void SetDecoderSelector(int selector) { decoderSelector.store(selector, std::memory_order_relaxed); }
  // The speed the deck was last given in timecode mode.
  double GetTimecodeSpeed() const { return lastSpeed.load(std::memory_order_relaxed); }

  // The input buffer the sound output writes (interleaved stereo) and its size in frames.
  float* getInputBuffer() { return inputBuffer.get(); }
  int getInputBufferFrames() const { return bufferFrames; }
  ZRAudioSignalSource* getDeck() const { return deck; }

 private:
  // Audio thread: the speed the demodulator reads in the first n input frames; moves the deck to the
  // position it decodes.
  double demodulate(int n);
  double decodeZeroCrossings(int n);
  // Audio thread: the deck plays, and (unless relative) moves to target when that is inside its track.
  void followPosition(double targetFrames);

  std::atomic<int> decoderSelector{1};
  std::atomic<int> timecodeMode{0};
  int lastPosition = 0;  // audio thread: the zero-crossing decoder's last accepted word
  std::atomic<int> savedKeyLock{0};
  std::atomic<int> relative{0};
  ZRAudioSignalSource* deck;
  CSoundSource* player;
  int bufferFrames;
  std::unique_ptr<float[]> inputBuffer;
  std::unique_ptr<CVinylDecode> zeroCrossing;
  MPVT2Handle* demodulator = nullptr;
  // The demodulator's input and results, made here so the audio thread allocates nothing.
  std::vector<float> left, right;
  std::vector<double> speeds, strengths, positions;
  std::atomic<double> lastSpeed{0.0};
};
