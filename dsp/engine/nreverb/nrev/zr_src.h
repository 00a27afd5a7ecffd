#pragma once
// Up/down converter for running the reverb engine at a multiple of the sample rate. Factor 1 copies.
// Converter kinds: 101 zero-stuffing with a biquad low-pass, 100 zero-stuffing with a one-pole low-pass,
// 3 sample repetition, any other kind one of libsamplerate's converter types.

#include "dsp/engine/nreverb/nrev/zr_filters.h"

struct SRC_STATE_tag;

class ZR_src {
 public:
  static constexpr long kRepeat = 3;
  static constexpr long kOnePole = 100;
  static constexpr long kBiquad = 101;

  ZR_src();
  virtual ~ZR_src();
  ZR_src(const ZR_src&) = delete;
  ZR_src& operator=(const ZR_src&) = delete;

  // Configuration time. Refuses a factor that libsamplerate does not accept as a ratio (writes
  // "libsamplerate: Sample rate change out of valid range:F" and returns false). Otherwise stores factor and
  // kind, releases any converter state and prepares the kind's filters or libsamplerate converters (measuring
  // their latency), then mutes. Returns false when libsamplerate cannot create its converters.
  bool setSRCFactor(long factor, long converterKind);
  long getSRCFactor() const { return factor_; }
  long getConverterKind() const { return converterKind_; }

  // n input frames per channel into n x factor output frames; returns the frames produced.
  long usrc(const float* inL, const float* inR, float* outL, float* outR, long n);
  // n x factor input frames per channel into n output frames; returns the frames produced.
  long dsrc(const float* inL, const float* inR, float* outL, float* outR, long n);

  // 0 at factor 1 and for kinds 3, 100 and 101; otherwise the measured latency in frames.
  long getLatency() const { return latency_; }

  // Clears the filters and resets the libsamplerate converters.
  void mute();

 private:
  enum Role { kUpLeft = 0, kUpRight = 1, kDownLeft = 2, kDownRight = 3 };

  void releaseStates();
  bool haveStates() const;
  void measureLatency();

  long factor_ = 1;
  long converterKind_ = kBiquad;
  long latency_ = 0;
  SRC_STATE_tag* states_[4] = {nullptr, nullptr, nullptr, nullptr};
  ZR_iir_1st onePole_[4];
  ZR_biquad biquad_[4];
  float bandwidth_ = 1.0f;
};
