#include "dsp/engine/effect.h"

#include <algorithm>

#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/flush_denormals.h"

CEffect::CEffect(void* owner, ZRAudioSignalSource* source)
    : owner(owner), dryBuffer(new float[kMaxFrames][2]()), source(source) {}

CEffect::~CEffect() = default;

void CEffect::geteffectname(char*) {}
int CEffect::haseditor() {
  return 0;
}
int CEffect::geteditorvisible() {
  return 0;
}
void CEffect::geteditorposition(int& x, int& y) {
  x = 0;
  y = 0;
}
void CEffect::seteditorposition(int, int) {}
void CEffect::edit() {}
void CEffect::start() {
  running.store(1, std::memory_order_release);
}
void CEffect::stop() {
  running.store(0, std::memory_order_release);
}
void CEffect::clear() {}
void CEffect::setdrywetmix(float value) {
  dryWet.store(value, std::memory_order_relaxed);
}
float CEffect::getdrywetmix() {
  return dryWet.load(std::memory_order_relaxed);
}
int CEffect::allowdrywetmix() {
  return 1;
}
int CEffect::getparams() {
  return 0;
}
bool CEffect::getparamdetails(int, char*, char*, char*) {
  return false;
}
int CEffect::getparam(int) {
  return 0;
}
void CEffect::setparam(int, int) {}
void CEffect::callEditorRefreshFromIdle() {}
void CEffect::callEditorSendMouse(int, int) {}
void CEffect::callEditorRefreshRedrawAll() {}

void CEffect::processDryWet(float buffer[][2], int frames, float bpm) {
  const float amount = dryWet.load(std::memory_order_relaxed);
  if (amount <= 0.0f) {
    if (isRunning()) {
      stop();
      clear();
    }
    return;
  }
  ScopedFlushDenormals flush;
  if (!isRunning()) start();
  for (int done = 0; done < frames; done += kMaxFrames) {
    dryWetChunk(buffer + done, std::min(kMaxFrames, frames - done), bpm, amount);
  }
}

void CEffect::dryWetChunk(float buffer[][2], int frames, float bpm, float amount) {
  if (amount > 0.975f) {
    process(buffer, frames, bpm);
    return;
  }
  float(*wet)[2] = dryBuffer.get();
  std::copy(&buffer[0][0], &buffer[0][0] + 2 * frames, &wet[0][0]);
  process(wet, frames, bpm);
  const float dry = 1.0f - amount;
  for (int i = 0; i < frames; ++i) {
    buffer[i][0] = wet[i][0] * amount + buffer[i][0] * dry;
    buffer[i][1] = wet[i][1] * amount + buffer[i][1] * dry;
  }
}

void CEffect::processNormal(float buffer[][2], int frames, float bpm) {
  if (getparam(0) > 0) {
    ScopedFlushDenormals flush;
    if (!isRunning()) start();
    for (int done = 0; done < frames; done += kMaxFrames) {
      process(buffer + done, std::min(kMaxFrames, frames - done), bpm);
    }
    return;
  }
  if (isRunning()) {
    stop();
    clear();
  }
}

float CEffect::sourceTempo() const {
  const float bpm = source != nullptr ? source->GetCurrentBPM() : 120.0f;
  return std::max(60.0f, bpm);
}

float mapParamToBeats1_2__2(float p) {
  if (p > 0.666f) return 2.0f;
  if (p > 0.333f) return 1.0f;
  return 0.5f;
}

float mapParamToBeats1__16(float p) {
  if (p > 0.8f) return 16.0f;
  if (p > 0.6f) return 8.0f;
  if (p > 0.4f) return 4.0f;
  if (p > 0.2f) return 2.0f;
  return 1.0f;
}

float mapParamToBeats1_4__16(float p) {
  if (p > 0.857f) return 16.0f;
  if (p > 0.714f) return 8.0f;
  if (p > 0.571f) return 4.0f;
  if (p > 0.428f) return 2.0f;
  if (p > 0.285f) return 1.0f;
  if (p > 0.142f) return 0.5f;
  return 0.25f;
}

bool LoadPluginsList(const ZRString&) {
  return true;
}
bool SavePluginsList(const ZRString&) {
  return true;
}
