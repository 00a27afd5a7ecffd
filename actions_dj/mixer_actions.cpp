#include "actions_dj/mixer_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_support.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"

int cfg_crossfaders_locked = 1;

namespace {

constexpr int kBandLow = 1, kBandMid = 2, kBandHigh = 3;
// The channel slot of the cut-off filter knob.
constexpr int kCutoffFxSlot = 19;
constexpr int kMonitorCueLevel = 110;

ZRString gainText(float dB) {
  char text[16];
  dB_to_char(dB, text);
  return ZRString(text);
}

// The value text beside a band's knob.
int deckEqValueAction(int band) {
  return band == kBandLow ? ACT_deck_eq_low_val : band == kBandMid ? ACT_deck_eq_mid_val : ACT_deck_eq_high_val;
}
int micEqValueAction(int band) {
  return band == kBandLow ? ACT_mic_eq_low_val : band == kBandMid ? ACT_mic_eq_mid_val : ACT_mic_eq_high_val;
}

void deckEq(int band, int value, int deck) {
  ZRMixerChannel* channel = deckChannelAt(deck);
  if (mixer == nullptr || channel == nullptr) return;
  const float dB = deckEqCurve(value);
  channel->SetEq(band, dB);
  // The track remembers its EQ; the load of the same track puts the knobs back.
  if (CSoundSource* d = deckAt(deck)) {
    d->SetEqGainValues(band == kBandLow ? dB : -1000.0f, band == kBandMid ? dB : -1000.0f,
                       band == kBandHigh ? dB : -1000.0f, -1000.0f);
  }
  actionControls().setCaption(deckEqValueAction(band), deck, gainText(channel->GetEq(band)));
}

void deckKill(int band, int value, int deck, const char* notification) {
  ZRMixerChannel* channel = deckChannelAt(deck);
  if (mixer == nullptr || channel == nullptr) return;
  channel->SetEqKill(band, value);
  actionControls().setCaption(deckEqValueAction(band), deck, gainText(channel->GetEq(band)));
  notifyControllers(notification, deck, value);
}

void micEq(int band, int value) {
  ZRMixerChannel* channel = MixerChannelMicrophone;
  if (mixer == nullptr || channel == nullptr) return;
  channel->SetEq(band, micEqCurve(value));
  actionControls().setCaption(micEqValueAction(band), -1, gainText(channel->GetEq(band)));
}

void micKill(int band, int value, const char* notification) {
  ZRMixerChannel* channel = MixerChannelMicrophone;
  if (mixer == nullptr || channel == nullptr) return;
  channel->SetEqKill(band, value);
  actionControls().setCaption(micEqValueAction(band), -1, gainText(channel->GetEq(band)));
  notifyControllers(notification, -1, value);
}

void crossfaderSide(int side, int deck) {
  if (mixer == nullptr || !isPlayerDeck(deck)) return;
  mixer->SetCrossfaderChannel(side, deck);
}

}  // namespace

float deckEqCurve(int value) {
  return value >= 0 ? static_cast<float>(value) / 20.0f : -0.0025f * static_cast<float>(value * value);
}

int deckEqPositionForGain(float dB) {
  const double v = dB >= 0 ? 20.0 * dB : -20.0 * std::sqrt(-static_cast<double>(dB));
  return static_cast<int>(std::lround(v));
}

float micEqCurve(int value) {
  return value >= 0 ? static_cast<float>(value) / 10.0f : 3.0f * static_cast<float>(value) / 10.0f;
}

float cutoffDryWet(int value) {
  // In floating point: as integers the quotient is 0 for every knob position but the top.
  return static_cast<float>(std::max(value, -63) + 64) / 127.0f;
}

void dB_to_char(float dB, char* out) {
  if (dB <= -38.0f) {
    std::snprintf(out, 16, "- oo");
    return;
  }
  const int n = static_cast<int>(std::nearbyint(dB * 10.0f));
  const int m = std::abs(n);
  const char* sign = dB < -0.01f ? "-" : "";
  if (m < 100) {
    std::snprintf(out, 16, "%s%d.%d dB", sign, m / 10, m % 10);
  } else {
    std::snprintf(out, 16, "%s%d dB", sign, m / 10);
  }
}

void FDeck_EqLow(int value, int, int deck, ZRDrawNode*) { deckEq(kBandLow, value, deck); }
void FDeck_EqMid(int value, int, int deck, ZRDrawNode*) { deckEq(kBandMid, value, deck); }
void FDeck_EqHigh(int value, int, int deck, ZRDrawNode*) { deckEq(kBandHigh, value, deck); }
void FDeck_KillLow(int value, int, int deck, ZRDrawNode*) { deckKill(kBandLow, value, deck, "killLow"); }
void FDeck_KillMid(int value, int, int deck, ZRDrawNode*) { deckKill(kBandMid, value, deck, "killMid"); }
void FDeck_KillHigh(int value, int, int deck, ZRDrawNode*) { deckKill(kBandHigh, value, deck, "killHigh"); }

void FGainDeck(int value, int, int deck, ZRDrawNode*) {
  if (mixer == nullptr || !isPlayerDeck(deck)) return;
  const float dB = static_cast<float>(value) / 10.0f;
  mixer->SetChannelGain(deck, dB);
  // On the auto-gain scale, so that loading the track again puts the knob back where it is now.
  if (CSoundSource* d = deckAt(deck)) d->SetEqGainValues(-1000.0f, -1000.0f, -1000.0f, dB - 7.5f);
  actionControls().setCaption(ACT_deck_gain_val, deck, gainText(mixer->GetChannelGain(deck)));
}

void FFaderDeck(int value, int, int deck, ZRDrawNode*) {
  if (mixer == nullptr || !isPlayerDeck(deck)) return;
  mixer->SetFaderPosition(deck, value);
}

void FDeck_Cutoff(int value, int, int deck, ZRDrawNode*) {
  ZRMixerChannel* channel = deckChannelAt(deck);
  if (mixer == nullptr || channel == nullptr) return;
  channel->SetFxDryWet(kCutoffFxSlot, cutoffDryWet(value));
  char text[64] = {0};
  channel->GetFxParamValueUnit(kCutoffFxSlot, 0, text, false);
  actionControls().setCaption(ACT_deck_cutoff, deck, ZRString(text));
}

void FDeck_Monitor(int value, int, int deck, ZRDrawNode*) {
  if (mixer == nullptr || !isPlayerDeck(deck)) return;
  mixer->SetCuePFLFaderPosition(deck, value != 0 ? kMonitorCueLevel : 0);
}

void FDeck_CFAssignToLeft(int, int, int deck, ZRDrawNode*) { crossfaderSide(0, deck); }
void FDeck_CFAssignToThru(int, int, int deck, ZRDrawNode*) { crossfaderSide(-1, deck); }
void FDeck_CFAssignToRight(int, int, int deck, ZRDrawNode*) { crossfaderSide(1, deck); }

void FMic_EqLow(int value, int, int, ZRDrawNode*) { micEq(kBandLow, value); }
void FMic_EqMid(int value, int, int, ZRDrawNode*) { micEq(kBandMid, value); }
void FMic_EqHigh(int value, int, int, ZRDrawNode*) { micEq(kBandHigh, value); }
void FMic_KillLow(int value, int, int, ZRDrawNode*) { micKill(kBandLow, value, "micKillLow"); }
void FMic_KillMid(int value, int, int, ZRDrawNode*) { micKill(kBandMid, value, "micKillMid"); }
void FMic_KillHigh(int value, int, int, ZRDrawNode*) { micKill(kBandHigh, value, "micKillHigh"); }

void FGainMic(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetMicrophoneGain(static_cast<float>(value) * 1.5f / 10.0f);
  actionControls().setCaption(ACT_mic_gain_val, -1, gainText(mixer->GetMicrophoneGain()));
}

void FMasterBalance(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetMasterBalance(static_cast<float>(value) / 64.0f);
}

void FMasterMode(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr || value < ChannelModeStereo || value > ChannelModeRight) return;
  mixer->SetMasterChannelMode(static_cast<ChannelMode>(value));
  updateMixerModeTexts();
}

void FMasterKaraokeMode(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetMasterChannelMode(value == -1 ? ChannelModeLeft : value == 1 ? ChannelModeRight : ChannelModeStereo);
  updateMixerModeTexts();
}

void updateMixerModeTexts() {
  if (mixer == nullptr) return;
  static const char* const kModeTexts[][2] = {
      {"Stereo", "Normal (stereo)"},
      {"Stereo Reversed", "Reversed (stereo reversed)"},
      {"Mono Mixed", "Normal (mono mixed)"},
      {"Mono Left", "Instruments only"},
      {"Mono Right", "Instruments + Voice"},
  };
  const int mode = mixer->GetMasterChannelMode();
  if (mode < 0 || mode > 4) return;
  actionControls().setCaption(ACT_master_mode_text, -1, ZRString(kModeTexts[mode][0]));
  actionControls().setCaption(ACT_master_karaoke_mode_text, -1, ZRString(kModeTexts[mode][1]));
}

void FVolumeMaster(int value, int, int, ZRDrawNode*) {
  if (mixer != nullptr) mixer->SetMasterVolume(value);
}
void FVolumeMonitor(int value, int, int, ZRDrawNode*) {
  if (mixer != nullptr) mixer->SetMonitorVolume(value);
}
void FVolumeMicrophone(int value, int, int, ZRDrawNode*) {
  if (mixer != nullptr) mixer->SetMicrophoneVolume(value);
}

void FVolumeFillerPlayer(int value, int, int, ZRDrawNode*) { setSettingInt("KSRFillerPlayerVolume", value, true); }

void FGainMaster(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetMasterGain(static_cast<float>(value) / 10.0f);
  actionControls().setCaption(ACT_master_gain_val, -1, gainText(mixer->GetMasterGain()));
}

void FGainMonitor(int value, int param, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetMonitorGain(static_cast<float>(value));
  actionControls().setCaption(ACT_monitor_gain_val, -1, gainText(mixer->GetMonitorGain()));
  actionControls().setPos(param == 0 ? ACT_monitor_gain2 : ACT_monitor_gain, -1, value, false);
}

void FCFCurve(int value, int, int, ZRDrawNode*) { setSettingInt("CrossfaderCurve", value); }

void FCrossFader(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetCrossfaderPosition(value);
  ZRActionControls& controls = actionControls();
  if (cfg_crossfaders_locked) {
    controls.setVideoFader(static_cast<double>(value) / 127.0);
    controls.setPos(ACT_cf_video, -1, value, false);
    controls.setPos(ACT_cf_video_alt, -1, value, false);
  }
  controls.setPos(ACT_cf_audio, -1, value, false);
}

void FCFAudioTrack(int value, int, int, ZRDrawNode*) { actionControls().setPos(ACT_crossfader, -1, value, false); }

void FCFVideoTrack(int value, int, int, ZRDrawNode* node) {
  ZRActionControls& controls = actionControls();
  if (cfg_crossfaders_locked) {
    controls.setPos(ACT_crossfader, -1, value, false);
    return;
  }
  const bool fromMain = controls.isNode(node, ACT_cf_video, -1);
  controls.setPos(fromMain ? ACT_cf_video_alt : ACT_cf_video, -1, value, false);
  controls.setVideoFader(static_cast<double>(value) / 127.0);
}

void FLockCrossfaders(int value, int, int, ZRDrawNode* node) {
  cfg_crossfaders_locked = value;
  ZRActionControls& controls = actionControls();
  const bool fromAlt = controls.isNode(node, ACT_lock_crossfaders_alt, -1);
  controls.setSwitched(fromAlt ? ACT_lock_crossfaders : ACT_lock_crossfaders_alt, -1, value != 0, false);
}

void FCuePgmMixFader(int value, int, int, ZRDrawNode*) {
  if (mixer != nullptr) mixer->SetCuePgmMixPosition(value);
}

void FPhonesSplitClick(int value, int, int, ZRDrawNode*) {
  if (mixer != nullptr) mixer->SetMonitorSplitMode(value);
}

void FTalkOver(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetTalkOver(value);
  notifyControllers("talkOver", -1, value);
  // Talking over the music puts the microphone on air: the on-air button lights and its action runs (as the
  // button's own notification would run it, but also where the skin has no such button).
  actionControls().setSwitched(ACT_onair, -1, value != 0, false);
  FOnAir(value, -1, -1, nullptr);
}

void FOnAir(int value, int, int, ZRDrawNode*) {
  if (mixer == nullptr) return;
  mixer->SetOnAir(value);
  notifyControllers("onAir", -1, value);
}

void FAudioMasterLimiter(int value, int, int, ZRDrawNode*) { setSettingInt("Limiter", value != 0 ? 1 : 0); }

void FRandom(int value, int, int, ZRDrawNode*) { setSettingInt("Random", value); }
