#include "actions_dj/deck_scratch.h"

#include "actions_dj/action_support.h"
#include "dsp/engine/sound_source.h"

namespace {

// Ticks without a move after which a jog-wheel scratch lets go.
constexpr int kScratchIdleTicks = 7;

}  // namespace

void FDeck_JogWheel_Scratch_Mode(int, int, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr || d->GetLength() <= 0 || !d->IsPlaying() || d->IsScratching()) return;
  d->ToggleJogScratchMode();
}

void FDeck_Scratch_Begin_Wheel(int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ScratchMouseBegin(-1, 1);
}

void FDeck_Scratch_End_Wheel(int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ScratchMouseEnd();
}

void FDeck_Scratch_Move_Wheel(int value, int, int, int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ScratchMouseMove(value);
}

void FDeck_Scratch_Begin(int vertical, int x, int y, int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ScratchMouseBegin(vertical != 0 ? y : x, 0);
}

void FDeck_Scratch_Move(int vertical, int x, int y, int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ScratchMouseMove(vertical != 0 ? y : x);
}

void FDeck_Scratch_End(int, int, int deck, ZRDrawNode*) {
  if (CSoundSource* d = playerDeckAt(deck)) d->ScratchMouseEnd();
}

bool scratch_thread_function(void*) {
  for (int deck = 0; deck < 2; deck++) {
    if (CSoundSource* d = playerDeckAt(deck)) d->ScratchTimerUpdate(kScratchIdleTicks);
  }
  return true;
}
