#include "dsp/engine/zr_mixer_channel.h"

#include <cmath>
#include <cstring>

#include "common/zr_pointer_list.h"
#include "dsp/engine/effect.h"
#include "dsp/engine/effect_amplitudes.h"
#include "dsp/engine/effect_bit_crusher.h"
#include "dsp/engine/effect_cutoff_filter.h"
#include "dsp/engine/effect_echo.h"
#include "dsp/engine/effect_equalizer.h"
#include "dsp/engine/effect_flangers.h"
#include "dsp/engine/effect_phaser.h"
#include "dsp/engine/effect_plate_reverb.h"

ZRPointerList* MixerChannelsList = nullptr;

void InitializeMixerChannels() {
  if (MixerChannelsList == nullptr) MixerChannelsList = new ZRPointerList();
}

void DeinitializeMixerChannels() {
  delete MixerChannelsList;
  MixerChannelsList = nullptr;
}

namespace {

int roundToInt(float v) {
  return static_cast<int>(std::lround(v));
}

// Slots whose first knob is parameter 1 of the effect (slot 10, the phaser, takes it as parameter 0).
bool knob1IsParam1(int slot) {
  switch (slot) {
    case 0:
    case 1:
    case 4:
    case 6:
    case 7:
    case 8:
    case 9:
    case 17:
    case 18:
    case 19:
      return true;
    default:
      return false;
  }
}

bool hasKnob2(int slot) {
  return slot == 4 || slot == 6 || slot == 8 || slot == 9;
}

}  // namespace

ZRMixerChannel::ZRMixerChannel(ZRAudioSignalSource* src, void* ownerPointer, int channelKind)
    : extraEffects(new ZRPointerList()), kind(channelKind), source(src), owner(ownerPointer) {
  if (kind == 0) {
    const int flangerKinds[6] = {5, 0, 1, 2, 3, 4};
    for (int i = 0; i < 2; ++i) {
      effects[i] = new CEffectAmplitudes(owner, src);
      effects[i]->setparam(0, i);
    }
    for (int i = 0; i < 6; ++i) {
      effects[2 + i] = new CEffectFlangers(owner, src);
      effects[2 + i]->setparam(0, flangerKinds[i]);
    }
    effects[8] = new CEffectPlateReverb(owner, src);
    effects[9] = new CEffectReverbs(owner, src);
    effects[9]->setparam(0, 1);
    effects[10] = new CEffectPhaser(owner, src);
    effects[kEqSlot] = new CEffectEqualizerIIR(owner, src);
    effects[kEqSlot]->start();
    effects[19] = new CEffectCutoffFilter(owner, src);
    effects[19]->setparam(10, 0);
    effects[19]->start();
    effects[17] = new CEffectCutoffFilter(owner, src);
    effects[17]->setparam(10, 1);
    effects[17]->setparam(0, 0);
    effects[18] = new CEffectCutoffFilter(owner, src);
    effects[18]->setparam(10, 2);
    effects[18]->setparam(0, 0);
    effects[15] = new CEffectBitCrusher(owner, src);
    effects[15]->setparam(0, 0);
    effects[16] = new CEffectBeatSplice(owner, src);
    for (int i = 0; i < kSlots; ++i) {
      if (effects[i] != nullptr && i != kEqSlot) effects[i]->setdrywetmix(0.0f);
    }
  }
  if (MixerChannelsList != nullptr) MixerChannelsList->insertElement(this, 0, 0, -1, false);
}

ZRMixerChannel::~ZRMixerChannel() {
  if (MixerChannelsList != nullptr) {
    const int index = MixerChannelsList->findElementNumber(this);
    if (index >= 0) MixerChannelsList->removeElement(index, false);
  }
  for (CEffect*& effect : effects) {
    delete effect;
    effect = nullptr;
  }
  {
    ZRPointerList::Enumeration e(*extraEffects, true);
    void* p;
    int a, b;
    while (e.getNextElement(p, a, b)) delete static_cast<CEffect*>(p);
  }
  delete extraEffects;
}

void ZRMixerChannel::GetSamples(float* buffer, int frames) {
  if (ZRAudioSignalSource* pending = pendingSource.exchange(nullptr, std::memory_order_acq_rel)) {
    source.store(pending, std::memory_order_release);
  }
  applySwitches();
  ZRAudioSignalSource* src = source.load(std::memory_order_relaxed);
  if (src != nullptr) {
    src->GetSamples(buffer, frames);
  } else if (kind == 0) {
    // A source strip without its source plays silence: the mixer hands it its buffer from the previous
    // pass, which would otherwise run through the effects again and again.
    std::memset(buffer, 0, sizeof(float) * 2 * frames);
  }
  const float tempo = GetCurrentBPM();
  // Keeps the effects' recursive filters out of denormal numbers.
  for (int i = 0; i < 2 * frames; ++i) buffer[i] += 1e-25f;
  auto* frames2 = reinterpret_cast<float(*)[2]>(buffer);
  for (CEffect* effect : effects) {
    if (effect == nullptr) continue;
    if (effect->allowdrywetmix()) {
      effect->processDryWet(frames2, frames, tempo);
    } else {
      effect->processNormal(frames2, frames, tempo);
    }
  }
  if (extraEffects->getCount() > 0) {
    // Unlocked: a locked walk takes the list's lock, which the audio thread must never wait for.
    ZRPointerList::Enumeration e(*extraEffects, true);
    void* p;
    int a, b;
    while (e.getNextElement(p, a, b)) static_cast<CEffect*>(p)->processDryWet(frames2, frames, tempo);
    e.endEnum();
  }
}

void ZRMixerChannel::requestSwitch(int slot, bool on) {
  switchOn[slot].store(on ? 1 : 0, std::memory_order_relaxed);
  switchPending.fetch_or(uint32_t{1} << slot, std::memory_order_release);
}

void ZRMixerChannel::applySwitches() {
  uint32_t mask = switchPending.exchange(0, std::memory_order_acquire);
  while (mask != 0) {
    const int slot = __builtin_ctz(mask);
    mask &= mask - 1;
    CEffect* effect = effects[slot];
    if (effect == nullptr) continue;
    if (switchOn[slot].load(std::memory_order_relaxed) != 0) {
      effect->start();
    } else {
      effect->stop();
    }
  }
}

void ZRMixerChannel::GetSamplesShort(short*, int) {}

float ZRMixerChannel::GetCurrentBPM() {
  ZRAudioSignalSource* src = source.load(std::memory_order_acquire);
  return src != nullptr ? src->GetCurrentBPM() : 0.0f;
}

int ZRMixerChannel::GetCurrentPos() {
  ZRAudioSignalSource* src = source.load(std::memory_order_acquire);
  return src != nullptr ? src->GetCurrentPos() : 0;
}

int ZRMixerChannel::GetLength() {
  ZRAudioSignalSource* src = source.load(std::memory_order_acquire);
  return src != nullptr ? src->GetLength() : -1;
}

void ZRMixerChannel::BeforeGetSamples(int pass) {
  ZRAudioSignalSource* src = source.load(std::memory_order_acquire);
  if (src != nullptr) src->BeforeGetSamples(pass);
}

void ZRMixerChannel::ChangeSource(ZRAudioSignalSource* src) {
  pendingSource.store(src, std::memory_order_release);
}

void ZRMixerChannel::SetEq(int band, float dB) {
  CEffect* eq = effects[kEqSlot];
  if (eq == nullptr) return;
  if (!eq->isRunning()) requestSwitch(kEqSlot, true);
  eqValues[band - 1] = dB;
  if (eqKills[band - 1] == 0) eq->setparam(band, roundToInt(dB));
}

void ZRMixerChannel::SetEqKill(int band, int kill) {
  CEffect* eq = effects[kEqSlot];
  if (eq == nullptr) return;
  if (!eq->isRunning()) requestSwitch(kEqSlot, true);
  eqKills[band - 1] = kill;
  eq->setparam(band, kill != 0 ? -40 : roundToInt(eqValues[band - 1]));
}

float ZRMixerChannel::GetEq(int band) {
  if (effects[kEqSlot] == nullptr) return 0.0f;
  return eqKills[band - 1] != 0 ? -90.0f : eqValues[band - 1];
}

void ZRMixerChannel::SetFxDryWet(int slot, float value) {
  CEffect* e = effects[slot];
  if (e == nullptr) return;
  if (e->allowdrywetmix()) {
    e->setdrywetmix(value);
  } else {
    e->setparam(0, roundToInt(value * 1000.0f));
  }
}

float ZRMixerChannel::GetFxDryWet(int slot) {
  CEffect* e = effects[slot];
  if (e == nullptr) return 0.0f;
  return e->allowdrywetmix() ? e->getdrywetmix() : e->getparam(0) / 1000.0f;
}

void ZRMixerChannel::SetFxParam1(int slot, float value) {
  CEffect* e = effects[slot];
  if (e == nullptr) return;
  if (knob1IsParam1(slot)) {
    e->setparam(1, roundToInt(value * 1000.0f));
  } else if (slot == 10) {
    e->setparam(0, roundToInt(value * 1000.0f));
  }
}

float ZRMixerChannel::GetFxParam1(int slot) {
  CEffect* e = effects[slot];
  if (e == nullptr) return 0.0f;
  if (knob1IsParam1(slot)) return e->getparam(1) / 1000.0f;
  if (slot == 10) return e->getparam(0) / 1000.0f;
  return 0.0f;
}

void ZRMixerChannel::SetFxParam2(int slot, float value) {
  CEffect* e = effects[slot];
  if (e != nullptr && hasKnob2(slot)) e->setparam(2, roundToInt(value * 1000.0f));
}

float ZRMixerChannel::GetFxParam2(int slot) {
  CEffect* e = effects[slot];
  return e != nullptr && hasKnob2(slot) ? e->getparam(2) / 1000.0f : 0.0f;
}

int ZRMixerChannel::GetFxParamValueUnit(int slot, int param, char* text, bool spaceBeforeUnit) {
  CEffect* e = effects[slot];
  if (text == nullptr || e == nullptr) return 0;
  char name[128] = {0};
  char unit[128] = {0};
  if (e->getparamdetails(param, name, text, unit)) {
    if (spaceBeforeUnit) std::strcat(text, " ");
    std::strcat(text, unit);
  }
  return 0;
}

void ZRMixerChannel::EnableFx(int slot, int on, int useDryWet) {
  CEffect* e = effects[slot];
  if (e == nullptr) return;
  if (useDryWet != 0 && e->allowdrywetmix()) {
    e->setdrywetmix(on != 0 ? 1.0f : 0.0f);
  } else {
    requestSwitch(slot, on != 0);
  }
}
