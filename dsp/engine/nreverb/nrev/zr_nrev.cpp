#include "dsp/engine/nreverb/nrev/zr_nrev.h"

#include <cmath>
#include <cstring>

#include "dsp/engine/nreverb/nrev/zr_utils.h"

using ZR_utils::undenormal;

ZR_nrev::ZR_nrev() {
  setfeedback(feedback_);
  setdamp(damp_);
  setdamp2(damp2_);
  setdamp3(damp3_);
  setFsFactors(sampleRate_, getOSFactor());
}

ZR_nrev::~ZR_nrev() = default;

void ZR_nrev::setOSFactor(long factor, long converterKind) {
  ZR_revbase::setOSFactor(factor, converterKind);
}

void ZR_nrev::setFsFactors(float fs, long factor) {
  ZR_revbase::setFsFactors(fs, factor);
  const float t = rsFactor_ * fs * static_cast<float>(factor) / kReferenceRate;
  const long spread = f_(13, t);
  for (int i = 0; i < kCombs; ++i) {
    combLeft_[i].setsize(p_(combCo[i], t));
    combRight_[i].setsize(p_(spread + f_(combCo[i], t), 1.0f));
  }
  for (int i = 0; i < kAllpasses; ++i) {
    allpassLeft_[i].setsize(p_(allpassCo[i], t));
    allpassRight_[i].setsize(p_(spread + f_(allpassCo[i], t), 1.0f));
  }
  setroomsize(roomSize_);
  const float rate = fs * static_cast<float>(factor);
  dcIn_.setCutOnFreq(dcCutHz_, rate);
  dcLeft_.setCutOnFreq(dcCutHz_, rate);
  dcRight_.setCutOnFreq(dcCutHz_, rate);
}

void ZR_nrev::setroomsize(float seconds) {
  roomSize_ = seconds;
  const float x = static_cast<float>(getOSFactor()) * seconds * sampleRate_;
  if (std::isnormal(x) && x > 0.0f) {
    setcombfeedback(x, 1.0f);
  } else {
    setcombfeedback(1.0f, 0.0f);
  }
}

void ZR_nrev::setcombfeedback(float x, float k) {
  for (int i = 0; i < kCombs; ++i) {
    combLeft_[i].feedback = std::pow(10.0f, -3.0f * static_cast<float>(combLeft_[i].getsize()) / x) * k;
    combRight_[i].feedback = std::pow(10.0f, -3.0f * static_cast<float>(combRight_[i].getsize()) / x) * k;
  }
}

void ZR_nrev::setfeedback(float g) {
  feedback_ = g;
  for (int i = 0; i < kAllpasses; ++i) {
    allpassLeft_[i].setfeedback(g);
    allpassRight_[i].setfeedback(g);
  }
}

void ZR_nrev::setdamp(float d) {
  damp_ = d;
  for (int i = 0; i < kCombs; ++i) {
    combLeft_[i].setdamp(d);
    combRight_[i].setdamp(d);
  }
}

void ZR_nrev::setdamp2(float d) {
  damp2_ = d;
  damp2Complement_ = 1.0f - d;
}

void ZR_nrev::setdamp3(float d) {
  damp3_ = d;
  damp3Complement_ = 1.0f - d;
}

void ZR_nrev::mute() {
  ZR_revbase::mute();
  for (int i = 0; i < kCombs; ++i) {
    combLeft_[i].mute();
    combRight_[i].mute();
  }
  for (int i = 0; i < kAllpasses; ++i) {
    allpassLeft_[i].mute();
    allpassRight_[i].mute();
  }
  workExtra_.mute();
  inputState_ = lowLeft_ = lowRight_ = 0.0f;
  dcIn_.mute();
  dcLeft_.mute();
  dcRight_.mute();
}

void ZR_nrev::printconfig() {
  ZR_revbase::printconfig();
  ZR_utils::diag("*** NRev config ***\n");
  ZR_utils::diag("roomsize %f damp %f damp2 %f damp3 %f\n", static_cast<double>(roomSize_),
                 static_cast<double>(damp_), static_cast<double>(damp2_), static_cast<double>(damp3_));
}

bool ZR_nrev::growWave(long samples) {
  if (!ZR_revbase::growWave(samples)) {
    workExtra_.free();
    return false;
  }
  if (workExtra_.getsize() >= samples) return true;
  if (!workExtra_.alloc(samples, 2)) {
    ZR_utils::diag("nrev::growWave(%ld): bad_alloc", samples);
    freeWave();
    return false;
  }
  return true;
}

void ZR_nrev::freeWave() {
  ZR_revbase::freeWave();
  workExtra_.free();
}

void ZR_nrev::processreplace(float* inL, float* inR, float* outL, float* outR, long n) {
  if (n < 1) return;
  const long m = n * getOSFactor();
  if (!growWave(m)) {
    // Without work buffers the block cannot be reverberated: it leaves as it came.
    if (outL != inL) std::memmove(outL, inL, sizeof(float) * n);
    if (outR != inR) std::memmove(outR, inR, sizeof(float) * n);
    return;
  }
  converter_.usrc(inL, inR, workIn_.L, workIn_.R, n);
  processloop2(m, workIn_, workOut_);
  converter_.dsrc(workOut_.L, workOut_.R, outL, outR, n);
}

void ZR_nrev::processloop2(long m, ZR_slot& in, ZR_slot& out) {
  const float* inL = in.L;
  const float* inR = in.R;
  float* outL = out.L;
  float* outR = out.R;
  for (long i = 0; i < m; ++i) {
    const float left = inL[i];
    const float right = inR[i];
    const float d = dcIn_.process(left + right);
    inputState_ = undenormal(0.05f * (damp3Complement_ * d - damp3_ * inputState_));
    const float h = inputState_;

    float s = 0.0f;
    for (int c = 0; c < kCombs; ++c) s += combLeft_[c].process(h);
    s = allpassLeft_[0].process(s);
    s = allpassLeft_[1].process(s);
    s = allpassLeft_[2].process(s);
    lowLeft_ = undenormal(damp2_ * lowLeft_ + damp2Complement_ * s);
    float aLeft = allpassLeft_[3].process(lowLeft_);
    aLeft = allpassLeft_[5].process(aLeft);
    aLeft = dcLeft_.process(aLeft);
    aLeft = wetDelayLeft_.process(aLeft);

    s = 0.0f;
    for (int c = 0; c < kCombs; ++c) s += combRight_[c].process(h);
    s = allpassRight_[0].process(s);
    s = allpassRight_[1].process(s);
    s = allpassRight_[2].process(s);
    lowRight_ = undenormal(damp2_ * lowRight_ + damp2Complement_ * s);
    float aRight = allpassRight_[3].process(lowRight_);
    aRight = allpassLeft_[6].process(aRight);
    aRight = dcRight_.process(aRight);
    aRight = wetDelayRight_.process(aRight);

    outL[i] = wet1_ * aLeft + wet2_ * aRight + dry_ * dryDelayLeft_.process(left);
    outR[i] = wet1_ * aRight + wet2_ * aLeft + dry_ * dryDelayRight_.process(right);
  }
}

long ZR_nrev::getCombLength(int channel, int i) const {
  if (i < 0 || i >= kCombs) return 0;
  return channel == 0 ? combLeft_[i].getsize() : combRight_[i].getsize();
}

long ZR_nrev::getAllpassLength(int channel, int i) const {
  if (i < 0 || i >= kAllpasses) return 0;
  return channel == 0 ? allpassLeft_[i].getsize() : allpassRight_[i].getsize();
}

float ZR_nrev::getCombFeedback(int channel, int i) const {
  if (i < 0 || i >= kCombs) return 0.0f;
  return channel == 0 ? combLeft_[i].feedback : combRight_[i].feedback;
}

float ZR_nrev::getAllpassFeedback(int channel, int i) const {
  if (i < 0 || i >= kAllpasses) return 0.0f;
  return channel == 0 ? allpassLeft_[i].getfeedback() : allpassRight_[i].getfeedback();
}
