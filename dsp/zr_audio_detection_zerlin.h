#pragma once
// The first-generation tempo detector. It listens to the kick-drum band only
// (about 132..215 Hz), one value per display point; at the end it cleans the
// signal into an onset curve, finds the tempo by multi-lag autocorrelation
// over whole BPMs, refines the beat period, and follows the beats forwards and
// backwards from the strongest onset, marking each and re-measuring the tempo
// as it goes. No steady mode.

#include "dsp/iir_filters.h"
#include "dsp/zr_audio_detection.h"

class ZRAudioDetectionZerlin : public ZRAudioDetection {
 public:
  explicit ZRAudioDetectionZerlin(bool smoothRms);

  void resetForBpmSuggested() override {}
  float getAverageBPM() override { return averageBpm; }
  float getBPM(int) override { return averageBpm; }

  float ProcessBpm(int count, float* onsets, int seconds, int suggestedBpm, float* marks);
  // Follows beats between from and to starting at the strongest onset,
  // recursing into stretches the beat following lost.
  void MarkBeatOffsets(const float* onsets, int count, float bpm, float from, float to, float& bpmOut,
                       float* marks);
  double GetBeatOffsetEstimation(const float* onsets, int count, float bpm, float start, int end, float peak,
                                 bool mark, float& bpmOut, int& stopOut, float* marks);
  double GetBeatOffsetEstimationReverse(const float* onsets, int count, float bpm, float start, int end,
                                        float peak, bool mark, float& bpmOut, int& stopOut, float* marks);

 protected:
  void resetInternal() override;
  void processInternal(const float* mono, int frames, float* onsetOut) override;
  int detectAudioFeaturesInternal(float* onsets, int count, int suggestedBpm, float* marks) override;

 private:
  // After a beat walk of more than 20 beats: its tempo from the last beat period goes to bpmOut and into
  // the average of the walks.
  void recordWalkTempo(int beats, float period, float& bpmOut);

  CIIRFilter lowPassFilter;
  CIIRFilter highPassFilter;
  double smoothingKernel[66];
  double beatTempoSum;
  int beatTempoCount;
  float averageBpm;
  int recursionDepth;
};
