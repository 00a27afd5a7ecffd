#include "actions_dj/deck_loops.h"

#include "actions_dj/action_controls.h"
#include "actions_dj/action_support.h"
#include "actions_dj/deck_cues.h"
#include "common/action_ids.h"
#include "dsp/engine/sound_source.h"

namespace {

// The ten loop-size buttons are consecutive actions, each twice the size of the one before.
constexpr int kSizeButtons = 10;
constexpr int kSmallestSize = 4;
constexpr int kLargestParam = 4096;

bool validSize(int sixtyFourths) {
  return sixtyFourths >= 1 && sixtyFourths <= kLargestParam;
}
bool validSlot(int slot) {
  return slot >= 0 && slot < kLoopTimerSlots;
}

// The active loop's length in frames, 0 without one.
int activeLoopLength(CSoundSource& d) {
  const int size = d.GetCurrentLoopSize();
  return size > 0 ? size : 0;
}

}  // namespace

int loopSizeButton(int sixtyFourths) {
  int size = kSmallestSize;
  for (int i = 0; i < kSizeButtons; i++, size *= 2) {
    if (size == sixtyFourths) return ACT_deck_loop_sixteenth + i;
  }
  return -1;
}

void UpdateLoopButtonsState(int deck) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  const int lit = d->GetLoopInfo().active ? loopSizeButton(d->GetLoopSizeIn64Divisions()) : -1;
  ZRActionControls& controls = actionControls();
  for (int i = 0; i < kSizeButtons; i++) {
    controls.setSwitched(ACT_deck_loop_sixteenth + i, deck, ACT_deck_loop_sixteenth + i == lit, false);
  }
}

void FDeck_LoopInEnd(int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->DoLoopInEnd();
}

void FDeck_LoopOut(int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ExitLoop(0);
}

void FDeck_LoopOutOrReloop(int, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  const TLoopInfo loop = d->GetLoopInfo();
  if (loop.active || loop.inMarked) {
    d->ExitLoop(0);
  } else {
    d->ReLoop();
  }
}

void FDeck_LoopReloop(int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ReLoop();
}

void FDeck_LoopLess(int, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  if (const int length = activeLoopLength(*d); length > 1) d->ResizeLoop(-(length / 2));
}

void FDeck_LoopMore(int, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  if (const int length = activeLoopLength(*d); length > 0) d->ResizeLoop(length);
}

void FDeck_LoopPrev(int, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  if (const int length = activeLoopLength(*d); length > 0) d->MoveLoop(-length);
}

void FDeck_LoopNext(int, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  if (const int length = activeLoopLength(*d); length > 0) d->MoveLoop(length);
}

void FDeck_LoopHalfBeats(int, int param, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr || !validSize(param)) return;
  d->DoLoopFixed(param, true);
  UpdateLoopButtonsState(deck);
}

void FDeck_LoopHalfBeats_RightPress(int, int param, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr || !validSize(param)) return;
  d->DoInstantLoopFixed(param);
  UpdateLoopButtonsState(deck);
}

void FDeck_LoopHalfBeats_RightRelease(int, int param, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr || !validSize(param)) return;
  d->ExitLoop(1);
  UpdateLoopButtonsState(deck);
}

void FDeck_LoopNo_Press(int, int slot, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr || !validSlot(slot)) return;
  d->SaveOrRecallLoopNo(slot);
  loopTimer[deck][slot].store(0);
}

void FDeck_LoopNo_Release(int, int slot, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck) && validSlot(slot)) loopTimer[deck][slot].store(-1);
}

void FDeck_LoopNo_RightPress(int, int slot, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d != nullptr && validSlot(slot)) d->SetLoopNo(slot, -1, -1);
}

void FDeck_LoopNo_RightRelease(int, int, int, ZRDrawNode*) {}

void FDeck_ClearLoopPoint_Click(int value, int slot, int deck, ZRDrawNode* node) {
  FDeck_LoopNo_RightPress(value, slot, deck, node);
}

void FDeck_LoopMode_Click(int value, int, int, ZRDrawNode*) {
  setSettingInt("UseSlipModeForLoops", value != 0 ? 1 : 0);
}
