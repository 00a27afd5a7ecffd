#include "actions_dj/automix_actions.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_support.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_tempo.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/player_actions.h"
#include "common/action_ids.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"

std::atomic<float> lastUpdatingGUICallback_dt{0.025f};

namespace {

constexpr float kCrossfaderMax = 127.0f;
constexpr float kMinTickSeconds = 0.001f;
constexpr int kDefaultFadeTenths = 60;
constexpr long long kLimitUnitFrames = 1323000;  // 30 s
constexpr long long kFramesPerFadeTenth = 4410;

std::mutex fadeLock;
ZRAutomixFade fade;                          // under fadeLock
float currentDiff[2] = {0, 0}, theDiff = 0;  // render thread only

int crossfaderPosition() {
  const int fallback = mixer != nullptr ? mixer->GetCrossfaderPosition() : 0;
  return actionControls().getPos(ACT_crossfader, -1, fallback);
}

bool holdsTrack(CSoundSource* d) {
  return d != nullptr && d->GetLength() > 0;
}

void startFade(bool toB) {
  const float dt = lastUpdatingGUICallback_dt.load();
  const float step = automixStep(dt, settingInt("AutoMixFadeTime", kDefaultFadeTenths));
  const float pos = static_cast<float>(crossfaderPosition());
  std::lock_guard guard(fadeLock);
  fade = ZRAutomixFade{true, toB, pos, step};
}

// Loads the automix list's next track into deck when it holds none, then fades toward it.
void fadeToward(int deck) {
  CSoundSource* d = deckAt(deck);
  if (d != nullptr && d->GetLength() < 1) FDeck_LoadNext(0, 0, deck);
  startFade(deck == 1);
}

float wrapHalf(float d) {
  if (d > 0.5f) return d - 1.0f;
  if (d < -0.5f) return d + 1.0f;
  return d;
}

struct BeatState {
  float phase = 0;
  int beat = -1;
  bool playing = false;
};

BeatState beatOf(int deck) {
  BeatState s;
  CSoundSource* d = deckAt(deck);
  if (d == nullptr) return s;
  int position = 0, beatLength = 0;
  d->GetNearestBeatsInfo(position, beatLength, s.phase, s.beat);
  s.playing = d->GetLength() > 0 && d->IsPlaying();
  return s;
}

// Whether a deck's beat difference means anything: it plays freely (no scratch, brake or loop under a beat).
bool playsFreely(CSoundSource* d) {
  if (d == nullptr || d->GetLength() <= 0 || !d->IsPlaying() || d->IsScratching() || d->GetBrake() != 0) {
    return false;
  }
  const TLoopInfo loop = d->GetLoopInfo();
  return !(loop.active && loop.length < d->GetCurrentBeatSize());
}

int masterDeckIndex() {
  CSoundSource* master = GetMasterDeck();
  return master != nullptr && master == decks[1] ? 1 : 0;
}

}  // namespace

ZRAutomixFade automixFade() {
  std::lock_guard guard(fadeLock);
  return fade;
}

void resetAutomix() {
  {
    std::lock_guard guard(fadeLock);
    fade = ZRAutomixFade{};
  }
  currentDiff[0] = currentDiff[1] = theDiff = 0;
}

float automixStep(float dt, int fadeTenths) {
  if (fadeTenths <= 0) return kCrossfaderMax;
  const float tick = std::max(dt, kMinTickSeconds);
  const float step = tick * 1000.0f * kCrossfaderMax / (static_cast<float>(fadeTenths) * 100.0f);
  return std::clamp(step, 1e-3f, kCrossfaderMax);
}

bool automixDeckEnds(long long length, long long position, long long mixIn, long long mixOut, int fadeTenths,
                     int limitUnits) {
  if (mixIn < 0) mixIn = 0;
  // An unset mix-out cue is the end of the track, not its start.
  if (mixOut <= 0 || mixOut >= length) mixOut = length - 1;
  const long long fadeFrames = std::max(fadeTenths, 0) * kFramesPerFadeTenth;
  if (length - position < fadeFrames + (length - mixOut)) return true;
  const long long limit = static_cast<long long>(limitUnits) * kLimitUnitFrames;
  return limit > 0 && position - mixIn > limit;
}

void FAutoMixSwitch(int value, int, int, ZRDrawNode*) {
  setSettingInt("AutoMixOn", value);
}

void FAutoMixNext(int, int, int, ZRDrawNode*) {
  fadeToward(crossfaderPosition() < 64 ? 1 : 0);
}

void FAutoDjToLeft(int, int, int, ZRDrawNode*) {
  if (crossfaderPosition() < 3) return;
  fadeToward(0);
}

void FAutoDjToRight(int, int, int, ZRDrawNode*) {
  if (crossfaderPosition() > 124) return;
  fadeToward(1);
}

void FCrossFaderTrack(int, int, int, ZRDrawNode*) {
  std::lock_guard guard(fadeLock);
  fade.mixing = false;
}

void automixCheckDeckEnd(int deck) {
  if (!isPlayerDeck(deck) || !settingOn("AutoMixOn") || automixFade().mixing) return;
  const int audible = crossfaderPosition() < 64 ? 0 : 1;
  CSoundSource* d = deckAt(deck);
  if (deck != audible || d == nullptr) return;
  // Nothing to fade to: an empty list and an empty other deck would fade back and forth for ever.
  ZRList* list = automixList();
  if (!holdsTrack(deckAt(1 - deck)) && (list == nullptr || list->getCount() <= 0)) return;
  const long long length = d->GetLength();
  const long long position = length > 0 ? d->GetCurrentPos() : 0;
  long long mixIn = 0, mixOut = length - 1;
  if (settingOn("UseAutoCueing")) {
    mixIn = d->GetMixInCue();
    mixOut = d->GetMixOutCue();
  }
  const int fadeTenths = settingInt("AutoMixFadeTime", kDefaultFadeTenths);
  if (!automixDeckEnds(std::max(length, 0LL), position, mixIn, mixOut, fadeTenths,
                       settingInt("AutoMixLimitTrack", 0))) {
    return;
  }
  FAutoMixNext(0, 0, deck, nullptr);
}

void processAutoMix() {
  CSoundSource* a = deckAt(0);
  CSoundSource* b = deckAt(1);
  if (a == nullptr || b == nullptr) return;
  ZRActionControls& controls = actionControls();

  const BeatState beats[2] = {beatOf(0), beatOf(1)};
  for (int deck = 0; deck < 2; deck++) {
    controls.setIndicator(ACT_deck_beatpos, deck, static_cast<float>(beats[deck].beat));
    notifyControllers("beatPos", deck, beats[deck].beat + 1);
    const bool onBeat = beats[deck].playing && (beats[deck].phase < 0.25f || beats[deck].phase > 0.9f);
    notifyControllers("onbeat", deck, onBeat ? 1 : 0);
  }

  const int master = masterDeckIndex();
  const bool automixOn = settingOn("AutoMixOn");
  for (int deck = 0; deck < 2; deck++) {
    const float d = wrapHalf(beats[master].phase - beats[deck].phase);
    currentDiff[deck] = 0.25f * d + 0.75f * currentDiff[deck];
    CSoundSource* source = deckAt(deck);
    if (playsFreely(source)) {
      controls.setIndicator(ACT_deck_beatdiff, deck, 2.0f * currentDiff[deck]);
      if (std::fabs(currentDiff[deck]) > 0.02f && source->getIsAlwaysInSync() && !automixOn &&
          deck != master) {
        syncDeckTo(deck, master, true);
      }
    } else {
      controls.setIndicator(ACT_deck_beatdiff, deck, 0.0f);
    }
  }
  theDiff = 0.25f * wrapHalf(beats[0].phase - beats[1].phase) + 0.75f * theDiff;
  int c = 0;
  const auto playsUnscratched = [](CSoundSource* d) {
    return d->GetLength() > 0 && d->IsPlaying() && !d->IsScratching();
  };
  if (playsUnscratched(a) && playsUnscratched(b)) {
    controls.setIndicator(ACT_beatdiff, -1, 2.0f * theDiff);
    c = static_cast<int>(std::lround(-100.0f * theDiff));
  } else {
    controls.setIndicator(ACT_beatdiff, -1, 0.0f);
  }

  const int p0 = crossfaderPosition();
  ZRAutomixFade now;
  bool ended = false;
  {
    std::lock_guard guard(fadeLock);
    if (!fade.mixing) return;
    fade.pos += fade.toB ? fade.step : -fade.step;
    if (fade.toB ? fade.pos >= kCrossfaderMax - fade.step : fade.pos <= fade.step) {
      fade.pos = fade.toB ? kCrossfaderMax : 0.0f;
      fade.mixing = false;
      ended = true;
    }
    now = fade;
  }
  const int incoming = now.toB ? 1 : 0, outgoing = 1 - incoming;
  controls.setPos(ACT_crossfader, -1, static_cast<int>(std::lround(now.pos)), false);
  if (!ended) {
    CSoundSource* in = deckAt(incoming);
    if (!in->IsPlaying()) in->PlayPause(1);
    const bool early = now.toB ? p0 <= 41 : p0 >= 85;
    if (settingOn("BeatMatchingWhenAutoMix") && early && std::abs(c) >= 4)
      syncDeckTo(incoming, outgoing, true);
    return;
  }
  if (settingOn("UseSlowPitchReset") && settingOn("ResetPitchAfterAutoMix")) {
    FDeck_ResetPitch(0, -1, incoming, nullptr);
  }
  FDeck_LoadNext(0, 0, outgoing);
}
