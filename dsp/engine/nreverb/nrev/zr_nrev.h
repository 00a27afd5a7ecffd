#pragma once
// Stereo reverberator: per channel six parallel feedback combs feeding a chain of allpasses, with input, DC
// and damping filters. Line lengths are given at a reference rate of 25641 Hz and scaled to the running rate
// (raised to primes by default, so that the echoes of different lines rarely coincide).

#include "dsp/engine/nreverb/nrev/zr_allpass.h"
#include "dsp/engine/nreverb/nrev/zr_comb.h"
#include "dsp/engine/nreverb/nrev/zr_filters.h"
#include "dsp/engine/nreverb/nrev/zr_revbase.h"

class ZR_nrev : public ZR_revbase {
 public:
  static constexpr int kCombs = 6;
  static constexpr int kAllpasses = 9;
  static constexpr long combCo[kCombs] = {1433, 1601, 1867, 2053, 2251, 2399};
  static constexpr long allpassCo[kAllpasses] = {347, 113, 37, 59, 53, 43, 37, 29, 19};
  static constexpr float kReferenceRate = 25641.0f;

  // All lines are allocated here, at 48000 Hz without oversampling until the owner sets its rate.
  ZR_nrev();
  ~ZR_nrev() override;

  void setOSFactor(long factor, long converterKind) override;
  using ZR_revbase::setOSFactor;
  void mute() override;
  void processreplace(float* inL, float* inR, float* outL, float* outR, long n) override;
  void printconfig() override;
  bool growWave(long samples) override;
  void freeWave() override;

  // Allpass gain of all 18 allpasses.
  virtual void setfeedback(float g);
  float getfeedback() const { return feedback_; }
  // Damping of all 12 combs.
  virtual void setdamp(float d);
  float getdamp() const { return damp_; }
  // One pass over m samples of the work buffers.
  virtual void processloop2(long m, ZR_slot& in, ZR_slot& out);
  // Every comb's gain = 10^(-3 x length / x) x k.
  virtual void setcombfeedback(float x, float k);

  // Reverberation time in seconds; an invalid time (zero, negative, not finite) silences the combs' feedback.
  void setroomsize(float seconds);
  float getroomsize() const { return roomSize_; }
  // Low-pass after the first allpasses.
  void setdamp2(float d);
  float getdamp2() const { return damp2_; }
  // Input filter.
  void setdamp3(float d);
  float getdamp3() const { return damp3_; }

  long getCombLength(int channel, int i) const;
  long getAllpassLength(int channel, int i) const;
  float getCombFeedback(int channel, int i) const;
  float getAllpassFeedback(int channel, int i) const;

 protected:
  void setFsFactors(float fs, long factor) override;

 private:
  ZR_slot workExtra_;
  float roomSize_ = 1.0f;
  float feedback_ = 0.7f;
  float damp_ = 0.5f;
  float damp2_ = 0.5f, damp2Complement_ = 0.5f;
  float damp3_ = 0.5f, damp3Complement_ = 0.5f;
  float dcCutHz_ = 8.0f;
  ZR_allpass allpassLeft_[kAllpasses], allpassRight_[kAllpasses];
  ZR_comb combLeft_[kCombs], combRight_[kCombs];
  ZR_dccut dcIn_, dcLeft_, dcRight_;
  float inputState_ = 0.0f, lowLeft_ = 0.0f, lowRight_ = 0.0f;
};
