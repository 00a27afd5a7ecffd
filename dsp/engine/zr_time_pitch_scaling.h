#pragma once
// Time and pitch scaling for a deck's look-ahead key lock: a scaler pulls raw
// track audio through an input callable and writes scaled, interleaved float
// audio into a ring buffer. Two kinds share the interface: RubberBand time
// stretching with pitch shifting, and "vinyl", which only resamples (speed
// and pitch change together, as on a turntable).
//
// A scaler is used by one thread at a time and has no lock of its own. All
// buffers are made at construction; processing allocates nothing.

#include <functional>

class ZRRingBuffer;

enum ZRTimePitchScalingType {
  kZRTimePitchScalingVinyl = 0,
  kZRTimePitchScalingRubberband = 2,
};

// Fills one buffer per channel with exactly frames de-interleaved frames
// (-1..1) and returns the frames written (not looked at by the scalers).
using ZRTimePitchScalingInput = std::function<int(float** channels, int frames)>;

class ZRTimePitchScaling {
 public:
  virtual ~ZRTimePitchScaling() = default;
  // Playback rate: 1.0 the track's own speed, 2.0 twice as fast.
  virtual void setTempo(double tempo) = 0;
  // Frequency ratio: 1.0 the track's own key, 2.0 one octave up.
  virtual void setPitch(double ratio) = 0;
  virtual double getTempo() = 0;
  virtual double getPitch() = 0;
  // Runs steps until the target is met and writes each step's output into
  // ring. overwrite on: until frames frames were produced (dropping the
  // ring's oldest bytes when needed); returns the frames produced.
  // overwrite off: until the ring holds frames x channels x 4 bytes (a fill
  // target); returns the bytes it then holds.
  int processToRingBuffer(const ZRTimePitchScalingInput& input, ZRRingBuffer* ring, int frames,
                          bool overwrite, int& framesDropped, int& framesProduced);
  // Forgets all history (after a jump); tempo and pitch are kept.
  virtual void reset() = 0;
  // Frames of delay the scaler adds.
  virtual int getLatency() = 0;

 protected:
  // One step: pulls input and returns its output (interleaved float frames),
  // possibly none.
  virtual int step(const ZRTimePitchScalingInput& input, const float** out) = 0;
  virtual int channelCount() const = 0;
};

class ZRTimePitchScalingFactory {
 public:
  // Type 2: RubberBand; type 0: vinyl; anything else: null. The last argument
  // is not used.
  static ZRTimePitchScaling* create(ZRTimePitchScalingType type, float sampleRate, int channels,
                                    float unused);
};
