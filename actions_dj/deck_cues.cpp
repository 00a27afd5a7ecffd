#include "actions_dj/deck_cues.h"

#include "actions_dj/action_controls.h"
#include "actions_dj/action_support.h"
#include "common/action_ids.h"
#include "dsp/engine/sound_source.h"

std::atomic<int> cuePointTimer[2][kCueTimerSlots];
std::atomic<int> loopTimer[2][kLoopTimerSlots];

namespace {

// A cue this close to the start counts as unset: pressing it stores a new cue instead of jumping.
constexpr int kUnsetCueFrames = 44;
// Held through this many slow ticks (and one more), a button clears.
constexpr int kHoldTicks = 2;

bool validCue(int cue) {
  return cue >= 0 && cue < kCueTimerSlots;
}

// Advances one timer; true when it has just ended. Every step is a compare-and-swap from the value read,
// so a release (-1) stored in between wins.
bool advance(std::atomic<int>& timer) {
  int before = timer.load();
  while (before >= 0) {
    const int after = before >= kHoldTicks ? -1 : before + 1;
    if (timer.compare_exchange_weak(before, after)) return after == -1;
  }
  return false;
}

}  // namespace

void advanceHoldTimers(int deck) {
  if (!isPlayerDeck(deck)) return;
  CSoundSource* d = deckAt(deck);
  for (int cue = 0; cue < kCueTimerSlots; cue++) {
    if (advance(cuePointTimer[deck][cue]) && d != nullptr) d->setCuePos(0, cue);
  }
  for (int slot = 0; slot < kLoopTimerSlots; slot++) {
    if (advance(loopTimer[deck][slot]) && d != nullptr) d->SetLoopNo(slot, -1, -1);
  }
}

void resetHoldTimers(int deck) {
  for (int d = 0; d < 2; d++) {
    if (deck != -1 && deck != d) continue;
    for (auto& t : cuePointTimer[d]) t.store(-1);
    for (auto& t : loopTimer[d]) t.store(-1);
  }
}

void FDeck_CuePoint(int, int cue, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck) || !validCue(cue)) return;
  if (CSoundSource* d = deckAt(deck)) d->SetCurrentCue(cue);
  ZRActionControls& controls = actionControls();
  for (int i = 0; i < CSoundSource::kHotCueCount; i++)
    controls.setMouseOverBlocked(ACT_deck_cuepos_1 + i, deck, i == cue);
}

void FDeck_CuePoint_Click(int value, int cue, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck) || !validCue(cue)) return;
  CSoundSource* d = deckAt(deck);
  if (d == nullptr) return;
  if (value != -100) {
    d->SetCurrentCue(cue);
    if (d->getCuePos(cue) > kUnsetCueFrames) {
      d->CUEplay();
    } else {
      d->SetCueAtCurrentPos();
    }
  }
  FDeck_CuePoint(value, cue, deck, nullptr);
  cuePointTimer[deck][cue].store(0);
}

void FDeck_CuePoint_UnClick(int, int cue, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck) && validCue(cue)) cuePointTimer[deck][cue].store(-1);
}

void FDeck_CuePoint_RightClick(int value, int cue, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck) || !validCue(cue)) return;
  CSoundSource* d = deckAt(deck);
  if (d == nullptr) return;
  FDeck_CuePoint(value, cue, deck, nullptr);
  d->ClearCurrentCue();
}

void FDeck_ClearCuePoint_Click(int, int cue, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck) || !validCue(cue)) return;
  if (CSoundSource* d = deckAt(deck)) d->setCuePos(0, cue);
}

void FDeck_CuePointClear(int, int, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck)) return;
  if (CSoundSource* d = deckAt(deck)) d->ClearCurrentCue();
}
