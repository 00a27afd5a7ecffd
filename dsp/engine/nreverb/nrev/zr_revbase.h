#pragma once
// Base of the reverb engine: sample rate and oversampling, the pre-delay lines, the wet/dry/width output mix,
// the converter and the two-channel work buffers. A subclass supplies the reverberation itself
// (processreplace) and the line lengths for a rate (setFsFactors).
//
// Threading: configuration (rates, factors, pre-delay, reserve) allocates and writes diagnostics; it belongs
// to the owner's configuration side. The plain gain setters only write single floats.

#include "dsp/engine/nreverb/nrev/zr_delay.h"
#include "dsp/engine/nreverb/nrev/zr_slot.h"
#include "dsp/engine/nreverb/nrev/zr_src.h"

class ZR_revbase {
 public:
  ZR_revbase();
  virtual ~ZR_revbase();
  ZR_revbase(const ZR_revbase&) = delete;
  ZR_revbase& operator=(const ZR_revbase&) = delete;

  // Ignored unless fs > 0; recomputes the line lengths (and mutes when muteOnChange is set).
  virtual void setSampleRate(float fs);
  virtual float getSampleRate() const { return sampleRate_; }
  // Ignored for factor <= 0; sets the converter and recomputes the line lengths at the converter's factor.
  virtual void setOSFactor(long factor, long converterKind);
  virtual void setOSFactor(long factor);
  virtual long getOSFactor() const { return converter_.getSRCFactor(); }
  virtual void setRSFactor(float factor);
  virtual float getRSFactor() const { return rsFactor_; }
  // n >= 0 delays the wet part by n samples (at the oversampled rate), n < 0 the dry part by -n; the other
  // side passes undelayed.
  virtual void setInitialDelay(long n);
  virtual long getInitialDelay() const { return initialDelay_; }
  virtual void setPreDelay(float ms);
  virtual float getPreDelay() const { return preDelayMs_; }
  virtual long getLatency() const { return converter_.getLatency(); }
  // Empties the work buffers, the pre-delays and the converter.
  virtual void mute();
  // Input and output may be the same arrays; n frames per channel.
  virtual void processreplace(float* inL, float* inR, float* outL, float* outR, long n) = 0;
  virtual void setwet(float dB);
  virtual float getwet() const { return wetDb_; }
  virtual void setwetr(float ratio);
  virtual float getwetr() const { return wet_; }
  virtual void setdry(float dB);
  virtual float getdry() const { return dryDb_; }
  virtual void setdryr(float ratio);
  virtual float getdryr() const { return dry_; }
  virtual void setwidth(float width);
  virtual float getwidth() const { return width_; }
  virtual void setPrimeMode(bool on) { primeMode_ = on; }
  virtual bool getPrimeMode() const { return primeMode_; }
  virtual void setMuteOnChange(bool on) { muteOnChange_ = on; }
  virtual bool getMuteOnChange() const { return muteOnChange_; }
  virtual void printconfig();
  // Makes the work buffers hold at least samples values per channel (allocates; false on failure, with the
  // work buffers freed).
  virtual bool growWave(long samples);
  virtual void freeWave();

  // Keeps the work buffers sized for blocks of up to frames frames at every later factor, and the pre-delay
  // lines able to take up to maxPreDelayMs without allocating, so processing and pre-delay changes never
  // allocate. Returns false when the work buffers cannot be allocated.
  bool reserve(long frames, float maxPreDelayMs);

  float getWet1() const { return wet1_; }
  float getWet2() const { return wet2_; }
  long getWetDelayLength() const { return wetDelayLeft_.getsize(); }
  long getDryDelayLength() const { return dryDelayLeft_.getsize(); }

 protected:
  virtual void update_wet();
  // Base step: reapplies the pre-delay at the new rate and keeps the reserved work buffers.
  virtual void setFsFactors(float fs, long factor);
  // Integer part of n x factor (single precision), at least 1.
  virtual long f_(long n, float factor) const;
  // f_(n, factor), raised to the next prime when primeMode is set.
  virtual long p_(long n, float factor) const;

  ZR_delay dryDelayLeft_, dryDelayRight_, wetDelayLeft_, wetDelayRight_;
  float sampleRate_ = 48000.0f;
  float rsFactor_ = 1.0f;
  float wetDb_ = 0.0f, wet_ = 1.0f, wet1_ = 1.0f, wet2_ = 0.0f;
  float dryDb_ = 0.0f, dry_ = 1.0f;
  float width_ = 1.0f;
  ZR_src converter_;
  ZR_slot workIn_, workOut_;
  float preDelayMs_ = 0.0f;
  long initialDelay_ = 0;
  bool primeMode_ = true;
  bool muteOnChange_ = false;
  long reservedFrames_ = 0;
  float reservedPreDelayMs_ = 0.0f;

 private:
  void reservePreDelay();
};
