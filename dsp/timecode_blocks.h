#pragma once
// The small signal blocks of the timecode demodulator (timecode_demodulator.h), all for two channels of float
// samples: a stereo delay ring, the shared periodic Hann windows, a fast arc-tangent, a first-order low-shelf
// filter, a cascade of polyphase half-band decimators and a linear-interpolation stereo resampler.
//
// Every block keeps its state between calls, so a stream may be cut into buffers anywhere. Processing never
// allocates; only construction does. An instance is used by one thread at a time.

#include <memory>
#include <vector>

// A stereo ring of fixed length: the input delay of the demodulator and its ring of decoded-rate samples.
class CZinvStereo {
 public:
  explicit CZinvStereo(long len);

  long GetStateLen() const { return len; }
  long GetStateIndex() const { return index; }
  void SetStateIndex(long i) { index = ((i % len) + len) % len; }
  // Copies min(count, len) samples starting offset samples after the oldest one (offset len - k starts at the
  // k-th newest), wrapping; offset must not be negative. Returns the number copied.
  long GetState(float* outL, float* outR, long count, long offset) const;
  // Loads the whole ring (count must equal len: else -1 and nothing changes) and restarts it at 0; result 0.
  long SetState(const float* inL, const float* inR, long count);
  // Zeroes the samples; the write position stays.
  void ClearState();
  // Outputs the oldest value and stores the input in its place, n times: the output is the input delayed by
  // len samples. Input and output may be the same arrays.
  void DelayIt(const float* inL, const float* inR, float* outL, float* outR, long n);
  // Stores n samples the same way, without output.
  void StoreIt(const float* inL, const float* inR, long n);

 private:
  std::vector<float> left, right;
  long len;
  long index = 0;
};

// The periodic Hann window of length N (w[n] = 0.5 (1 - cos(2 pi n / N)), divided by N, not N - 1), computed
// in float as the demodulator has always used it. One table per length (128 and 256), shared by every
// instance and never freed.
class CHanning {
 public:
  explicit CHanning(long n);
  const float* GetWindow() const { return window; }
  long GetWindowLeng() const { return n; }

 private:
  long n;
  const float* window;
};

// A rational arc-tangent approximation with range reduction by 30 degrees (absolute error below 1e-6).
class CMyArcTanApprox {
 public:
  static constexpr double A = 0.999999020228907;
  static constexpr double B = 0.257977658811405;
  static constexpr double C = 0.59120450521312;
  static constexpr double b = 0.5235987755982984;   // pi / 6
  static constexpr double k = 0.5773502691896251;   // tan 30 degrees
  static constexpr double k0 = 0.2679491924311224;  // tan 15 degrees
  static constexpr double halfpi = 1.570796326794895;

  double approx_arctan(double x) const;
};

// First-order low shelf for one channel: gain `gain` at 0 Hz, 1 at half the sample rate, the transition at
// the all-pass coefficient's cut-off. Float arithmetic; a tiny constant keeps the state out of the denormals.
class CBJShelfEQ {
 public:
  // In and out may be the same array.
  void ProcessBuffer(const float* in, float* out, long n);
  // The coefficient for a cut-off in Hz at a sample rate.
  void UpdateTapweight(double cutoff, double sampleRate);
  void SetGain(float g) { gain = g; }
  float GetGain() const { return gain; }
  void SetState(float s) { state = s; }
  float GetState() const { return state; }
  float GetTapweight() const { return tapweight; }
  void SetTapweight(float a) { tapweight = a; }

 private:
  float tapweight = -0.9858529567718506f;  // 100 Hz at 44100 Hz
  float gain = 1.0f;
  float state = 0.0f;
};

// Up to maxStages cascaded decimators by two, each a polyphase pair of two-coefficient all-pass chains, in
// double precision. Left and right run identical, independent chains under one toggle counter.
class CHalfBandDecimatorStereo {
 public:
  // All maxStages stages in use.
  explicit CHalfBandDecimatorStereo(long maxStages);

  // Decimates n input samples per channel by 2^stages; outCount receives the output count. The output may
  // overwrite the input arrays. Denormal outputs become 0. With no stage in use the input is copied.
  void HalfBandDecimate(const float* inL, const float* inR, float* outL, float* outR, long n, long& outCount);
  // The two chain states of one stage (two values per channel each).
  void SetState0(long stage, const double* l, const double* r);
  void SetState1(long stage, const double* l, const double* r);
  void GetState0(long stage, double* l, double* r) const;
  void GetState1(long stage, double* l, double* r) const;
  // The sample a stage holds from its previous input; 0 for a stage out of range.
  double GetZinvL(long stage) const;
  double GetZinvR(long stage) const;
  void SetZinv(long stage, double l, double r);
  // Zeroes every state, held sample and the counter.
  void ClearState();
  long GetCurrNumStages() const { return currNumStages; }
  // Ignored unless 0 <= stages <= maxStages; the states stay as they are.
  void SetCurrNumStages(long stages);
  long GetState0Len() const { return kCoefficients; }
  long GetState1Len() const { return kCoefficients; }
  long GetToggled() const { return toggle; }
  void SetToggled(long t) { toggle = t & mask; }

 private:
  static constexpr int kCoefficients = 2;
  struct Stage {
    double state0Left[kCoefficients] = {}, state0Right[kCoefficients] = {};
    double state1Left[kCoefficients] = {}, state1Right[kCoefficients] = {};
    double heldLeft = 0.0, heldRight = 0.0;
  };
  bool validStage(long stage) const { return stage >= 0 && stage < maxStages; }

  long currNumStages;
  long maxStages;
  long toggle = 0;
  long mask;
  std::vector<Stage> stages;
};

// The base of the stereo resamplers: a resampler that has no integer phase or upsampling factor reports 0.
class CAbstractStereoResampler {
 public:
  virtual ~CAbstractStereoResampler() = default;
  virtual long GetIndex() const { return 0; }
  virtual long SetIndex(long) { return 0; }
  virtual long GetUpsampleFactor() const { return 0; }
};

// Linear-interpolation stereo resampler with an arbitrary step (input samples advanced per output sample).
class CStereoLinTerp : public CAbstractStereoResampler {
 public:
  // On entry inCount is the input available and outCount the output room; on return they hold the input
  // consumed and the output produced. A step below 1 produces more samples than it consumes. Result 0.
  long ResampleBuff(const float* inL, const float* inR, float* outL, float* outR, long& inCount, double step,
                    long& outCount);
  long GetStateLen() const { return 2; }
  // prev and cur of one channel; -1 when len < 2, else 2.
  long GetStateL(float* out, long len) const;
  long GetStateR(float* out, long len) const;
  long SetStateL(const float* in, long len);
  long SetStateR(const float* in, long len);
  void ClearState();
  void SetPhase(double p) { phase = static_cast<float>(p); }
  double GetPhase() const { return phase; }
  // The input samples n outputs at this step advance over: floor(phase + n step).
  long NumSampsRequired(long n, double step) const;

 private:
  float prevLeft = 0.0f, curLeft = 0.0f, prevRight = 0.0f, curRight = 0.0f;
  float phase = 0.0f;
};
