#include "actions_dj/deck_transport.h"

#include <algorithm>
#include <atomic>

#include "actions_dj/action_support.h"
#include "actions_dj/controller_notify.h"
#include "dsp/engine/sound_source.h"

namespace {

std::atomic<int> searchLeftDeck[2] = {-1, -1};
std::atomic<int> searchRightDeck[2] = {-1, -1};

// The deck's player when the deck exists.
template <class F>
void withDeck(int deck, F&& f) {
  if (CSoundSource* d = deckAt(deck)) f(*d);
}

int nextCounter(int n) { return n < 20 ? n + 1 : n + n / 10; }

}  // namespace

void FDeck_PlayPause(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.PlayPause(-1); });
}
void FDeck_PlayLive(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.PlayPause(-1); });
}
void FDeck_SetCue(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SetCueAtCurrentPos(); });
}
void FDeck_CueClick(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.CUEClick(); });
}
void FDeck_CueUnClick(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.CUEUnClick(); });
}
void FDeck_CuePlay(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.CUEplay(); });
}

void FDeck_ReversePlay(int value, int, int deck, ZRDrawNode*) {
  withDeck(deck, [&](CSoundSource& d) {
    d.SetDirection(value ? -1 : 1);
    notifyControllers("reverse", deck, value);
  });
}

void FDeck_Brake(int value, int, int deck, ZRDrawNode*) {
  withDeck(deck, [&](CSoundSource& d) {
    d.SetBrake(value);
    notifyControllers("brake", deck, value);
  });
}

void FDeck_SkipBeat_Prev(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SkipBeatPrev(); });
}
void FDeck_SkipBeat_Next(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SkipBeatNext(); });
}
void FDeck_SkipBar_Prev(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SkipBarPrev(); });
}
void FDeck_SkipBar_Next(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SkipBarNext(); });
}

void FDeck_RevClick(int, int, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck)) return;
  searchRightDeck[deck].store(-1);
  searchLeftDeck[deck].store(0);
}
void FDeck_RevUnClick(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) searchLeftDeck[deck].store(-1);
}
void FDeck_FwdClick(int, int, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck)) return;
  searchLeftDeck[deck].store(-1);
  searchRightDeck[deck].store(0);
}
void FDeck_FwdUnClick(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) searchRightDeck[deck].store(-1);
}

void FDeck_SearchLeft_Click(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SearchLeft_Click(); });
}
void FDeck_SearchLeft_UnClick(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SearchLeft_UnClick(); });
}
void FDeck_SearchRight_Click(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SearchRight_Click(); });
}
void FDeck_SearchRight_UnClick(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.SearchRight_UnClick(); });
}

void FDeck_BackToTop(int, int, int deck, ZRDrawNode*) {
  withDeck(deck, [](CSoundSource& d) { d.BackToTop(); });
}

void FDeck_Pos(int value, int, int deck, ZRDrawNode*) {
  withDeck(deck, [&](CSoundSource& d) { d.SetPositionAsync(static_cast<double>(value) * 100.0); });
}

void OnProgressPress(int value, int, int deck, ZRDrawNode*) {
  withDeck(deck, [&](CSoundSource& d) { d.SetPositionAsync(d.GetLength() * (value / 1000.0)); });
}

void FastSearchTick(int deck) {
  CSoundSource* d = deckAt(deck);
  if (d == nullptr || !isPlayerDeck(deck)) return;
  for (std::atomic<int>* counter : {&searchLeftDeck[deck], &searchRightDeck[deck]}) {
    int n = counter->load();
    if (n < 0) continue;
    const double step = std::min(std::max(n, 1), 120) * 44100.0;
    const double position = d->GetCurrentPos();
    const double length = d->GetLength();
    if (counter == &searchLeftDeck[deck]) {
      d->SetPositionAsync(position - step >= 0 ? position - step : 0.0);
    } else {
      d->SetPositionAsync(position + step < length ? position + step : length);
    }
    // Only when the button is still held: a release between the read and here wins.
    counter->compare_exchange_strong(n, nextCounter(n));
  }
}

int fastSearchCounter(int deck, bool forward) {
  if (!isPlayerDeck(deck)) return -1;
  return (forward ? searchRightDeck : searchLeftDeck)[deck].load();
}
