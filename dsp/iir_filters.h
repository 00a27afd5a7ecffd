#pragma once
// Recursive filters at a fixed rate of 44100 Hz:
// - Biquad: one second-order section with the audio-EQ cookbook formulas;
// - CIIRFilter: the stereo 24 dB/octave cut-off filter (two cascaded biquads
//   per channel) and, separately, the six-pole Chebyshev band filter of the
//   first-generation tempo detector;
// - CIIRFilterBessel: the fixed crossover of the three-band equaliser.
// None of them allocates or locks while filtering; each belongs to one owner
// and is used on that owner's thread.

constexpr int kBiquadLowPass = 1;
constexpr int kBiquadHighPass = 2;
constexpr int kBiquadBandPassPeakQ = 3;
constexpr int kBiquadBandPass = 4;  // 0 dB peak
constexpr int kBiquadNotch = 5;
constexpr int kBiquadAllPass = 6;
constexpr int kBiquadPeaking = 7;
constexpr int kBiquadLowShelf = 8;
constexpr int kBiquadHighShelf = 9;

class Biquad {
 public:
  // State 0; a 0 dB band-pass at 1700 Hz, Q 1.
  Biquad();

  // Cookbook coefficients (not normalised by a0) for types 1..9 (constants
  // above); another type leaves the coefficients as they were. The state is
  // kept.
  void calcCoeffs(float freqHz, float gainDb, float q, int type);

  // Filters count samples in place from buffer[offset], stepping by stride
  // (offset 0 or 1 with stride 2 filters one channel of interleaved stereo).
  void process(float* buffer, int count, int offset, int stride);

  // Interleaved stereo frames through left1 then left2 (left channel) and
  // right1 then right2 (right channel) in one pass: the same as four process
  // calls.
  static void processStereoCascade(Biquad& left1, Biquad& left2, Biquad& right1, Biquad& right2,
                                   float* samples, int frames);

  void resetState();

  float a0, a1, a2, b0, b1, b2;
  float x1, x2, y1, y2;
};

class CIIRFilter {
 public:
  // Largest mono block of process_BPM_Filter.
  static constexpr int kMaxBpmBlock = 8824;

  CIIRFilter();
  CIIRFilter(const CIIRFilter&) = delete;
  CIIRFilter& operator=(const CIIRFilter&) = delete;

  // Stores the corner (Hz; -1 bypasses the cut-off filter), the direction
  // (non-zero low-pass) and q (cut-off: biquad Q; Chebyshev: ripple in
  // percent, 0..29). Takes effect at the next block.
  void change_frequency(float freqHz, int lowPass, float q);

  // Stereo cut-off filter in place. count is four times the number of stereo
  // frames (frames = count / 4). On leaving bypass the biquads start from
  // cleared state; frequency changes otherwise keep the state.
  void process_CutOff_Filter(float buffer[][2], int count);

  // Clears the biquad state and the Chebyshev input history.
  void clear();
  // Clears all Chebyshev state, the previous block's outputs included, so the
  // next block starts as on a fresh filter (a new track in the detector).
  void clearBpmFilterState();

  // Six-pole Chebyshev filter over one mono block in place (at most
  // kMaxBpmBlock values; more are left unfiltered). A constant block is left
  // as it is and does not advance the state. Output is scaled by 1/6.
  void process_BPM_Filter(float* block, int count);

  // One two-pole section: out[n] = c0 in[n] + c1 in[n-1] + c2 in[n-2] +
  // d1 out[n-1] + d2 out[n-2], continuing from the previous block through
  // h1/h2 (last inputs) and out[count-1]/out[count-2] (last outputs, which
  // blocks of equal length keep continuous). count >= 2.
  static void FilterProcess2Poles(const float* in, float* out, int count, float c0, float c1, float c2,
                                  float d1, float d2, float* h1, float* h2);

  float getFrequency() const { return frequency; }
  int isLowPass() const { return lowPass; }
  float getQ() const { return q; }

 private:
  struct Section {
    float A0, A1, A2, B1, B2;
  };
  void computeChebyshev();

  Section sections[3];
  int dirty;
  int lowPass;
  float frequency;
  float q;
  float history1[3];
  float history2[3];
  float inputCopy[kMaxBpmBlock];
  float sectionOut[3][kMaxBpmBlock];
  Biquad biquads[4];
};

class CIIRFilterBessel {
 public:
  enum { kLowPass = 0, kBandPass = 1, kHighPass = 2 };

  // A band's cascade: second-order sections v = u + p1 v1 - p2 v2,
  // out = v + z1 v1 + v2, the first section's input scaled by gain.
  struct Section {
    double p1, p2, z1;
  };
  struct Design {
    double gain;
    int sections;
    Section s[4];
  };
  // The design of band 0..2 (null for another band).
  static const Design* design(int band);

  explicit CIIRFilterBessel(int band);

  // count floats of interleaved stereo from src into dst, left and right
  // filtered independently; src is not changed (src == dst is allowed). A
  // band outside 0..2 writes nothing.
  void process(const float* src, float* dst, int count);

  void reset();

 private:
  int band;
  double state[2][8];
};
