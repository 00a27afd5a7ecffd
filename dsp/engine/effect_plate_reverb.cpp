#include "dsp/engine/effect_plate_reverb.h"

#include "dsp/engine/nreverb/nrev/zr_nrev.h"
#include "dsp/engine/nreverb/nrev/zr_utils.h"
#include "dsp/flush_denormals.h"

namespace {

struct PlatePreset {
  float roomSize, wetDb, dryDb, feedback, damp, damp2, damp3, width, preDelayMs;
};

constexpr PlatePreset kPlatePresets[CEffectPlateReverb::kPresets] = {
    {2.05f, -10.0f, -2.0f, 0.65f, 0.3f, 0.7f, 0.43f, 0.9f, 10.0f},
    {3.05f, -15.0f, -2.0f, 0.6f, 0.85f, 0.85f, 0.1f, 1.0f, 15.0f},
    {1.0f, -10.0f, -2.0f, 0.7f, 0.4f, 0.2f, 0.25f, 0.9f, 1.0f},
    {1.0f, -10.0f, -2.0f, 0.6f, 0.9f, 0.9f, 0.1f, 1.0f, 0.0f},
    {2.98f, -15.0f, -2.0f, 0.6f, 0.21f, 0.6f, 0.05f, 1.0f, 20.0f},
    {1.07f, -10.0f, -2.0f, 0.56f, 0.9f, 0.9f, 0.2f, 1.0f, 5.0f},
};

}  // namespace

CEffectPlateReverb::CEffectPlateReverb(void* owner, ZRAudioSignalSource* source)
    : CEffect(owner, source),
      engine(new ZR_nrev()),
      workLeft(new float[kMaxFrames]()),
      workRight(new float[kMaxFrames]()) {
  engine->setOSFactor(1, ZR_src::kBiquad);
  engine->setSampleRate(44100.0f);
  // Work buffers and pre-delay lines for the largest block and pre-delay, here rather than on the audio
  // thread at the first buffer.
  engine->reserve(kMaxFrames, kMaxPreDelayMs);
  applyPreset(0);
}

CEffectPlateReverb::~CEffectPlateReverb() = default;

void CEffectPlateReverb::edit() {}

void CEffectPlateReverb::start() {
  {
    ZR_utils::QuietScope quiet;
    params_.take([this](int, int value) { applyPreset(value); });
  }
  clear();
  CEffect::start();
}

void CEffectPlateReverb::stop() {
  CEffect::stop();
}

void CEffectPlateReverb::clear() {
  engine->mute();
}

void CEffectPlateReverb::setparam(int index, int value) {
  if (index != 0) return;
  kind.store(value, std::memory_order_relaxed);
  params_.post(0, value);
}

int CEffectPlateReverb::getparam(int index) {
  return index == 0 ? kind.load(std::memory_order_relaxed) : 0;
}

void CEffectPlateReverb::applyPreset(int k) {
  if (k < 0 || k >= kPresets) return;
  const PlatePreset& p = kPlatePresets[k];
  engine->setroomsize(p.roomSize);
  engine->setwet(p.wetDb);
  engine->setdry(p.dryDb);
  engine->setfeedback(p.feedback);
  engine->setdamp(p.damp);
  engine->setdamp2(p.damp2);
  engine->setdamp3(p.damp3);
  engine->setwidth(p.width);
  engine->setPreDelay(p.preDelayMs);
}

void CEffectPlateReverb::process(float buffer[][2], int frames, float) {
  ScopedFlushDenormals flush;
  // Configuration diagnostics stay off the audio thread.
  ZR_utils::QuietScope quiet;
  params_.take([this](int, int value) { applyPreset(value); });
  if (frames > kMaxFrames || frames < 1 || !isRunning()) return;
  float* left = workLeft.get();
  float* right = workRight.get();
  for (int i = 0; i < frames; ++i) {
    left[i] = buffer[i][0];
    right[i] = buffer[i][1];
  }
  engine->processreplace(left, right, left, right, frames);
  for (int i = 0; i < frames; ++i) {
    buffer[i][0] = left[i];
    buffer[i][1] = right[i];
  }
}
