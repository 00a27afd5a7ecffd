#pragma once
// CVinylDecode: a simple timecode decoder working on zero crossings in the time domain, the alternative to
// the timecode demodulator (dsp/timecode_demodulator.h). It expects a left channel carrying a steady tone of
// 1575 Hz at nominal speed (a cycle of 28 samples at 44100 Hz) and a right channel carrying the same tone in
// quadrature, whose half-cycles are switched between a high and a low amplitude to carry position words. The
// left channel's crossings give the speed, the phase relation of the channels the direction, and the right
// channel's half-cycles, classified high or low, give 13-bit positions in units of 4480 frames.
//
// A word on the medium is a sync of four half-cycles (high +, low -, low +, high -) followed by 14 positive
// half-cycles every other one: bits 0..12 of the position (high = 1) and a bit making the count of ones
// even. Backwards the same half-cycles arrive in reverse order.
//
// Audio thread only (one instance per live input); nothing is allocated after construction. The pre-filter
// is an equaliser with its low and high bands at -16 dB that is never started, so it leaves the signal as it
// is.

#include <memory>
#include <vector>

class CEffectEqualizerIIR;

class CVinylDecode {
 public:
  static constexpr int kNominalCycle = 28;
  static constexpr int kMaxSymbols = 400;
  // A symbol: a half-cycle's polarity times 100 (high) or 10 (low).
  static constexpr int kHigh = 100;
  static constexpr int kLow = 10;

  // maxFrames: the longest buffer process takes (its working copy is made here); longer ones are cut to it.
  explicit CVinylDecode(int maxFrames = 4410);
  ~CVinylDecode();
  CVinylDecode(const CVinylDecode&) = delete;
  CVinylDecode& operator=(const CVinylDecode&) = delete;

  // Works in place on interleaved stereo: returns the speed for this buffer (a ratio, negative backwards,
  // 0 for an irregular signal); without signal (below -36 dB) the speed halves with every buffer. Decoded
  // words update the position and the previous position.
  double process(float* buffer, int frames);
  // The symbol stage: classifies the right channel's half-cycles and decodes words. direction +1, -1, or 0
  // (no decoding).
  void ProcessForDecoding(const float* buffer, int frames, int direction);
  void TryToDecodePositionFromHalfFreqs(int direction);

  // The latest decoded word (0..8191), -1 when the latest attempt failed or none was made; the one before.
  int getPosition() const { return position; }
  int getPreviousPosition() const { return previousPosition; }

 private:
  void resetSymbolStage();
  // Moves the mean of the left channel to 0 and doubles both channels.
  static void correctLevel(float* buffer, int frames, float m);

  int position = -1;
  int previousPosition = -1;
  std::unique_ptr<CEffectEqualizerIIR> preFilter;
  double speed = 1.0;
  int nominalCycle = kNominalCycle;
  float bufferPeak = 0.0f;
  int forward = 1;
  int lastCrossing = -1;
  int lastSign = 0;
  float lastSample = 0.0f;
  float halfCyclePeak = 0.0f;
  float referencePeak = 0.0f;
  int symbols[kMaxSymbols] = {};
  int symbolCount = 0;
  int maxFrames;
  std::vector<float> copy;
};
