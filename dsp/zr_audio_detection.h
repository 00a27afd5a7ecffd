#pragma once
// ZRAudioDetection: the analyser of one track. Its user decodes the track in
// blocks of at most one second (44100 frames) and hands each to process();
// the block is mixed to mono and passed to the concrete tempo detector
// (per-block onset data), to the loudness analysis and, when asked, to the key
// detector. One detectAudioFeatures() call after the last block finishes all
// three: auto-gain in dB, key text, BPM, and the beat grid written as marks
// into the caller's display array (one value per display point, 441 per
// second).
//
// Beat-mark convention: a beat is shown in a display array by adding
// markValue (55) to the value at its display point, or accentMarkValue (65)
// at the accented beat of a group. Display values stay far below 50, so any
// value of at least the smaller mark value less 0.001 is a marked beat.
//
// An analyser has no lock: one thread uses it at a time. Nothing allocates
// per block; buffers are made by the constructor.

#include <vector>

#include "dsp/perceptual_gain.h"

class KeyDetector;

class ZRAudioDetection {
 public:
  static constexpr int kMaxBlockFrames = 44100;
  static constexpr int kKeyNameSize = 64;

  // The second-generation detector, or the first generation when asked (which
  // has no steady mode). The caller owns the result.
  static ZRAudioDetection* create(bool smoothRms, bool firstGeneration, bool gridSuitableForAlwaysInSync);

  virtual ~ZRAudioDetection();
  ZRAudioDetection(const ZRAudioDetection&) = delete;
  ZRAudioDetection& operator=(const ZRAudioDetection&) = delete;

  virtual void resetForBpmSuggested() {}
  // Starts the analysis of a track of totalFrames frames; keyFrames 0 turns
  // key detection off, a negative value means the whole track.
  virtual void resetAndStartProcessing(int totalFrames, int keyFrames);
  // One block (frames <= 44100; a longer block is ignored entirely; channels
  // 1..8, others give silence). onsetOut receives the block's onset values
  // (null skips the tempo detector); keyFlag feeds the key detector.
  virtual void process(const float* interleaved, int frames, int channels, float* onsetOut, int keyFlag);
  virtual void process(const short* interleaved, int frames, int channels, float* onsetOut, int keyFlag);

  virtual void setMarkValues(float mark, float accentMark);
  // Removes each kind of mark at most once from every value.
  virtual void clearMarkedBeats(float* values, int count);
  virtual void markBeatsPositions(float* values, int count, const std::vector<int>& beats, int accentBeat,
                                  int groupSize);
  // Marks the beats in [from, to); the accent position counts from the first
  // beat of the whole vector, so marking interval by interval equals marking
  // at once. accentBeat -1 never accents; groupSize below 1 is taken as 1.
  virtual void markBeatsPositionsForInterval(float* values, int count, int from, int to,
                                             const std::vector<int>& beats, int accentBeat, int groupSize);
  // Appends the indices of marked values to out (not cleared); returns how
  // many were appended.
  virtual int getMarkedBeatsPositions(const float* values, int count, std::vector<int>& out);

  // Finishes the analysis (once, after the last block): onsets/count as
  // filled by process(), suggestedBpm the track's rounded suggested BPM or
  // -1 (-2 and -3 choose the low and high ranges), marks the display array
  // that receives the beat marks. Non-zero on success.
  virtual int detectAudioFeatures(float* onsets, int count, int suggestedBpm, float* marks);

  virtual float getAutoGain() { return autoGain; }
  // The last detectAudioFeatures measured a gain: audio was fed since the
  // analysis started and no earlier call had taken the measurement.
  bool hasAutoGain() const { return gainComputed; }
  // Copies the key text (64 bytes with its zero); nothing for a null out.
  virtual void getPitchKeyName(char* out);
  virtual float getAverageBPM() = 0;
  virtual float getTestBPM() { return -1; }
  virtual float getBPM(int unused) = 0;
  virtual bool isBeatGridSuitableForAlwaysInSync() { return false; }

  // RMS envelope of a mono buffer, one value per whole 100 samples.
  virtual void processForRMS(const float* mono, int count, float* out);

  float getMarkValue() const { return markValue; }
  float getAccentMarkValue() const { return accentMarkValue; }
  int getTotalFrames() const { return totalFrames; }

 protected:
  explicit ZRAudioDetection(bool smoothRms);

  virtual void processForOtherAudioFeatures(float* mono, int frames, int keyFlag);
  virtual void resetInternal() = 0;
  virtual void processInternal(const float* mono, int frames, float* onsetOut) = 0;
  virtual int detectAudioFeaturesInternal(float* onsets, int count, int suggestedBpm, float* marks) = 0;

  float markValue;
  float accentMarkValue;
  float* monoBuffer;
  float* workBuffer;
  bool smoothRms;
  float rmsState;
  int audioProcessed;
  float autoGain;
  bool gainEnabled;
  bool gainFinished;
  bool gainComputed = false;
  PerceptualGain gainAnalysis;
  char keyName[kKeyNameSize];
  int keyEnabled;
  int keyFinished;
  KeyDetector* keyDetector;
  int totalFrames;
  int keyFrames;

 private:
  void afterMix(int frames, float* onsetOut, int keyFlag);
};
