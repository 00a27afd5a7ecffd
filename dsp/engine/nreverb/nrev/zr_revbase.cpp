#include "dsp/engine/nreverb/nrev/zr_revbase.h"

#include <cmath>

#include "dsp/engine/nreverb/nrev/zr_utils.h"

ZR_revbase::ZR_revbase() {
  update_wet();
}

ZR_revbase::~ZR_revbase() = default;

void ZR_revbase::setSampleRate(float fs) {
  if (!(fs > 0.0f)) return;
  sampleRate_ = fs;
  setFsFactors(sampleRate_, getOSFactor());
  if (muteOnChange_) mute();
}

void ZR_revbase::setOSFactor(long factor, long converterKind) {
  if (factor <= 0) return;
  converter_.setSRCFactor(factor, converterKind);
  setFsFactors(sampleRate_, getOSFactor());
  if (muteOnChange_) mute();
}

void ZR_revbase::setOSFactor(long factor) {
  setOSFactor(factor, ZR_src::kBiquad);
}

void ZR_revbase::setRSFactor(float factor) {
  rsFactor_ = factor;
  setFsFactors(sampleRate_, getOSFactor());
}

void ZR_revbase::setInitialDelay(long n) {
  initialDelay_ = n;
  preDelayMs_ = static_cast<float>(n) * 1000.0f / (static_cast<float>(getOSFactor()) * sampleRate_);
  // A side without delay passes through: a line merely left at its old length would keep delaying the sound
  // after the pre-delay returns to 0 or changes sides.
  if (n >= 0) {
    ZR_utils::diag("revbase::setInitialDelay(%ld) delayW(%ld))\n", n, n);
    if (n > 0) {
      wetDelayLeft_.setsize(n);
      wetDelayRight_.setsize(n);
    } else {
      wetDelayLeft_.bypass();
      wetDelayRight_.bypass();
    }
    dryDelayLeft_.bypass();
    dryDelayRight_.bypass();
  } else {
    ZR_utils::diag("revbase::setInitialDelay(%ld) delayD(%ld))\n", n, -n);
    dryDelayLeft_.setsize(-n);
    dryDelayRight_.setsize(-n);
    wetDelayLeft_.bypass();
    wetDelayRight_.bypass();
  }
}

void ZR_revbase::setPreDelay(float ms) {
  preDelayMs_ = ms;
  setInitialDelay(static_cast<long>(static_cast<float>(getOSFactor()) * sampleRate_ * ms / 1000.0f));
}

void ZR_revbase::mute() {
  workIn_.mute();
  workOut_.mute();
  dryDelayLeft_.mute();
  dryDelayRight_.mute();
  wetDelayLeft_.mute();
  wetDelayRight_.mute();
  converter_.mute();
}

void ZR_revbase::setwet(float dB) {
  wetDb_ = dB;
  wet_ = ZR_utils::dB2R(dB);
  update_wet();
}

void ZR_revbase::setwetr(float ratio) {
  wet_ = ratio;
  wetDb_ = ratio == 0.0f ? 1.0f : ZR_utils::R2dB(ratio);
  update_wet();
}

void ZR_revbase::setdry(float dB) {
  dryDb_ = dB;
  dry_ = ZR_utils::dB2R(dB);
}

void ZR_revbase::setdryr(float ratio) {
  dry_ = ratio;
  dryDb_ = ratio == 0.0f ? 1.0f : ZR_utils::R2dB(ratio);
}

void ZR_revbase::setwidth(float width) {
  width_ = width;
  update_wet();
}

void ZR_revbase::update_wet() {
  wet1_ = wet_ * (width_ / 2.0f + 0.5f);
  wet2_ = wet_ * (1.0f - width_) / 2.0f;
}

void ZR_revbase::printconfig() {
  ZR_utils::diag("*** revbase config ***\n");
  ZR_utils::diag("Fs = %f[Hz] X %ld\n", static_cast<double>(sampleRate_), getOSFactor());
  ZR_utils::diag("Wet %f Dry %f Width %f\n", static_cast<double>(wetDb_), static_cast<double>(dryDb_),
                 static_cast<double>(width_));
}

bool ZR_revbase::growWave(long samples) {
  if (workIn_.getsize() >= samples && workOut_.getsize() >= samples) return true;
  freeWave();
  if (!workIn_.alloc(samples, 2) || !workOut_.alloc(samples, 2)) {
    ZR_utils::diag("revbase::growWave(%ld): bad_alloc", samples);
    freeWave();
    return false;
  }
  return true;
}

void ZR_revbase::freeWave() {
  workIn_.free();
  workOut_.free();
}

bool ZR_revbase::reserve(long frames, float maxPreDelayMs) {
  reservedFrames_ = frames;
  reservedPreDelayMs_ = maxPreDelayMs;
  reservePreDelay();
  return growWave(reservedFrames_ * getOSFactor());
}

void ZR_revbase::reservePreDelay() {
  const long n =
      static_cast<long>(static_cast<float>(getOSFactor()) * sampleRate_ * reservedPreDelayMs_ / 1000.0f);
  dryDelayLeft_.reserve(n);
  dryDelayRight_.reserve(n);
  wetDelayLeft_.reserve(n);
  wetDelayRight_.reserve(n);
}

void ZR_revbase::setFsFactors(float fs, long factor) {
  ZR_utils::diag("revbase::setFsFactors(%f,%ld)) preDelay=%f\n", static_cast<double>(fs), factor,
                 static_cast<double>(preDelayMs_));
  setPreDelay(preDelayMs_);
  if (reservedFrames_ > 0) {
    reservePreDelay();
    growWave(reservedFrames_ * factor);
  }
}

long ZR_revbase::f_(long n, float factor) const {
  const long v = static_cast<long>(static_cast<float>(n) * factor);
  return v < 1 ? 1 : v;
}

long ZR_revbase::p_(long n, float factor) const {
  long v = f_(n, factor);
  if (primeMode_) {
    while (!ZR_utils::isPrime(v)) ++v;
  }
  return v;
}
