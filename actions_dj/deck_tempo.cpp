#include "actions_dj/deck_tempo.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/deck_display.h"
#include "actions_dj/deck_loading.h"
#include "common/action_ids.h"
#include "common/text_ids.h"
#include "dsp/engine/sound_source.h"
#include "dsp/key_names.h"

namespace {

std::atomic<bool> keyWarningShown{false};

void showPitchText(int deck, int pitch) {
  ZRActionControls& controls = actionControls();
  char text[32];
  formatPitchText(pitch, !controls.pitchWithoutPercent(), text);
  controls.setCaption(ACT_deck_pitch_tempo, deck, ZRString(text));
}

// The warning that key shifting sounds better with high-quality time stretch, once per run. The flag is
// claimed by the one caller that shows it, so two threads never both show it and none loses it.
void warnAboutKeyShiftQuality() {
  if (settingOn("HighQualityTimeStretch")) return;
  bool expected = false;
  if (!keyWarningShown.compare_exchange_strong(expected, true)) return;
  showActionMessage(languageText(txt_please_enable_hq_time_pitch), ZRString());
}

void endBend(CSoundSource& d) {
  d.BendDown_UnClick();
  d.BendUp_UnClick();
}

// Bend on one deck, or on both for deck -1; a deck whose pitch glides back to 0 is not bent.
template <typename F>
void bend(int deck, bool skipGliding, F apply) {
  for (int d = 0; d < 2; d++) {
    if (deck != -1 && deck != d) continue;
    CSoundSource* source = deckAt(d);
    if (source == nullptr || (skipGliding && slow_reset_pitch[d].load() != 0)) continue;
    apply(*source);
  }
}

}  // namespace

void FDeck_Pitch(int value, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  d->SetPitch(-value);
  showPitchText(deck, -value);
}

void FDeck_Pitch_Track(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) slow_reset_pitch[deck].store(0);
}

void FDeck_ResetPitch(int, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  if (d->IsBending()) endBend(*d);
  if (slow_reset_pitch[deck].load() == 0 && settingInt("UseSlowPitchReset", 1) != 0) {
    slow_reset_pitch[deck].store(1);
    return;
  }
  slow_reset_pitch[deck].store(0);
  actionControls().setPos(ACT_deck_pitch, deck, 0, false);
  // Without a pitch slider in the skin the player is reset all the same.
  if (d->GetPitch() != 0) FDeck_Pitch(0, -1, deck, nullptr);
}

void FDeck_KeyLock(int value, int, int deck, ZRDrawNode*) {
  const char* keys[] = {"KeyLockA", "KeyLockB", "KeyLockC", "KeyLockD"};
  for (int d = 0; d < 4; d++) {
    if (deck == -1 || deck == d) setSettingInt(keys[d], value != 0 ? 1 : 0);
  }
}

int keyShiftCents(int position, int stepSetting) {
  if (stepSetting == 1) return position / 4 * 100;
  if (stepSetting == 2) return position / 2 * 50;
  return position * 25;
}

void FDeck_PitchKey(int value, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  d->SetPitchKey(keyShiftCents(value, settingInt("KeyStepperSemitone", 1)));
  UpdatePitchKeyLabel(deck);
}

void FDeck_PitchKey_Track(int, int, int, ZRDrawNode*) {
  warnAboutKeyShiftQuality();
}

void FDeck_PitchKey_StepAdjust(int, int param, int deck, ZRDrawNode*) {
  warnAboutKeyShiftQuality();
  if (!isPlayerDeck(deck)) return;
  const int setting = settingInt("KeyStepperSemitone", 0);
  const int step = setting == 3 ? 1 : setting == 2 ? 2 : setting == 1 ? 4 : 0;
  if (step == 0) return;
  ZRActionControls& controls = actionControls();
  controls.setPos(ACT_deck_pitch_key, deck, controls.getPos(ACT_deck_pitch_key, deck, 0) + param * step,
                  false);
}

void formatKeyText(int cents, const char* keyName, char* out) {
  const bool named = keyName != nullptr && keyName[0] != 0;
  if (cents == 0) {
    std::snprintf(out, 64, named ? "= (%s)" : "=", named ? keyName : "");
    return;
  }
  const int magnitude = std::abs(cents);
  const char sign = cents > 0 ? '+' : '-';
  if (named) {
    std::snprintf(out, 64, "%c%d.%02d (%s)", sign, magnitude / 100, magnitude % 100, keyName);
  } else {
    std::snprintf(out, 64, "%c%d.%02d", sign, magnitude / 100, magnitude % 100);
  }
}

void UpdatePitchKeyLabel(int deck) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  char key[kPitchKeyNameMaxLength] = {0};
  if (!getPitchKeyNameForUI(d->GetCurrentKeyIndex(), key, false, false)) key[0] = 0;
  char text[64];
  formatKeyText(d->GetPitchKey(), key, text);
  actionControls().setCaption(ACT_deck_pitch_key_label, deck, ZRString(text));
}

void syncDeckTo(int deck, int target, bool phaseToo) {
  if (!isPlayerDeck(deck) || !isPlayerDeck(target) || deck == target) return;
  CSoundSource* d = deckAt(deck);
  CSoundSource* other = deckAt(target);
  if (d == nullptr || other == nullptr) return;
  slow_reset_pitch[0].store(0);
  slow_reset_pitch[1].store(0);
  const bool done = phaseToo ? d->SyncDeckToOtherDeck(other) : d->MatchDeckToOtherDeck(other);
  if (!done) return;
  const int pitch = d->GetPitch();
  actionControls().setPos(ACT_deck_pitch, deck, -pitch, false);
  // The slider stops at the end of its range and applies that; a sync beyond it keeps the pitch it needs.
  if (d->GetPitch() != pitch) d->SetPitch(pitch);
  showPitchText(deck, pitch);
}

void FDeck_Sync(int, int, int deck, ZRDrawNode*) {
  // Every check before the deck is touched: scripts and MIDI pass any deck.
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  if (settingInt("UseSyncLock", 1) != 0 && d->getIsBeatGridSuitableForAlwaysInSync()) {
    const bool on = !d->getIsAlwaysInSync();
    d->setIsAlwaysInSync(on);
    if (on && !d->IsPlaying() && d->GetLength() > 0) d->PlayPause(1);
    return;
  }
  syncDeckTo(deck, 1 - deck, true);
}

void FDeck_SyncToA(int, int, int deck, ZRDrawNode*) {
  syncDeckTo(deck, 0, true);
}
void FDeck_SyncToB(int, int, int deck, ZRDrawNode*) {
  syncDeckTo(deck, 1, true);
}
void FDeck_Match(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) syncDeckTo(deck, 1 - deck, false);
}

void FDeck_BendDown_Click(int, int, int deck, ZRDrawNode*) {
  bend(deck, true, [](CSoundSource& d) { d.BendDown_Click(); });
}
void FDeck_BendDown_UnClick(int, int, int deck, ZRDrawNode*) {
  bend(deck, false, [](CSoundSource& d) { d.BendDown_UnClick(); });
}
void FDeck_BendUp_Click(int, int, int deck, ZRDrawNode*) {
  bend(deck, true, [](CSoundSource& d) { d.BendUp_Click(); });
}
void FDeck_BendUp_UnClick(int, int, int deck, ZRDrawNode*) {
  bend(deck, false, [](CSoundSource& d) { d.BendUp_UnClick(); });
}

bool keyShiftWarningShown() {
  return keyWarningShown.load();
}
void resetKeyShiftWarning() {
  keyWarningShown.store(false);
}
