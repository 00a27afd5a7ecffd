#include "actions_dj/deck_pads.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "actions_dj/action_support.h"
#include "dsp/engine/sound_source.h"

namespace {

enum PadKind { kLoopRoll = 0, kSliceCue = 1, kSliceLoop = 2, kLoopCue = 3, kPitchCue = 4 };

// A cue this close to the start counts as unset, as for the hot-cue buttons.
constexpr int kUnsetCueFrames = 44;
constexpr int kSmallestRoll = 4;  // 1/16 beat
constexpr int kBeat = 64;
constexpr int kBar = 4 * kBeat;
constexpr int kScaleSemitones[kPerformancePads] = {0, 2, 4, 5, 7, 9, 11, 12};

std::atomic<int> heldPad[2] = {-1, -1};
// The slice window of the held slice pads: its first frame and the beat length in frames.
std::atomic<int> sliceWindowStart[2] = {0, 0};
std::atomic<double> sliceBeat[2] = {0.0, 0.0};
// The pitch and key lock a pitch pad replaced, while one plays.
std::atomic<bool> pitchReplaced[2] = {false, false};
std::atomic<int> pitchBefore[2] = {0, 0};
std::atomic<int> keyLockBefore[2] = {0, 0};

bool validPad(int pad) {
  return pad >= 0 && pad < kPerformancePads;
}

bool isSliceKind(int code) {
  return code >= 0 && (code / kPerformancePads == kSliceCue || code / kPerformancePads == kSliceLoop);
}

// The deck a pad acts on: a player deck holding a track.
CSoundSource* padDeck(int deck, int pad) {
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr || !validPad(pad) || !d->isTrackReady() || d->GetLength() <= 0) return nullptr;
  return d;
}

void restorePitch(int deck, CSoundSource& d) {
  if (!pitchReplaced[deck].exchange(false)) return;
  d.SetPitch(pitchBefore[deck].load());
  d.SetMasterTempo(keyLockBefore[deck].load());
  d.SetSlipSpeedRatio(1.0);
}

// The eight beats from the start of the bar the deck is in; false without a tempo.
bool placeSliceWindow(int deck, CSoundSource& d) {
  const double beat = d.GetCurrentBeatSize();
  if (beat <= 0) return false;
  const int behind = d.getNearestBeatSample(static_cast<int>(beat) - 1, 1);
  int position = 0, length = 0, inBar = 0;
  float phase = 0;
  d.GetNearestBeatsInfo(position, length, phase, inBar);
  const int start = behind - static_cast<int>(std::lround(std::max(inBar, 0) * beat));
  sliceWindowStart[deck].store(std::max(start, 0));
  sliceBeat[deck].store(beat);
  return true;
}

// The pad becomes the one that plays; the one it takes over from is returned.
int takeOver(int deck, int kind, int pad, CSoundSource& d) {
  const int before = heldPad[deck].exchange(kind * kPerformancePads + pad);
  if (kind != kPitchCue) restorePitch(deck, d);
  return before;
}

void press(int kind, int pad, int deck) {
  CSoundSource* d = padDeck(deck, pad);
  if (d == nullptr) return;
  switch (kind) {
    case kLoopRoll:
      takeOver(deck, kind, pad, *d);
      d->SlipLoop(-1, loopRollSize(pad));
      break;
    case kSliceCue:
    case kSliceLoop: {
      if (!isSliceKind(heldPad[deck].load()) && !placeSliceWindow(deck, *d)) return;
      const int target =
          sliceWindowStart[deck].load() + static_cast<int>(std::lround(pad * sliceBeat[deck].load()));
      if (target >= d->GetLength()) return;
      takeOver(deck, kind, pad, *d);
      if (kind == kSliceCue) {
        d->SlipJump(target);
      } else {
        d->SlipLoop(target, kBeat);
      }
      break;
    }
    case kLoopCue: {
      const int cue = d->getCuePos(pad);
      if (cue <= kUnsetCueFrames) return;
      takeOver(deck, kind, pad, *d);
      d->SlipLoop(cue, kBar);
      break;
    }
    case kPitchCue: {
      if (!pitchReplaced[deck].load()) {
        pitchBefore[deck].store(d->GetPitch());
        keyLockBefore[deck].store(d->GetMasterTempo());
        pitchReplaced[deck].store(true);
      }
      takeOver(deck, kind, pad, *d);
      const double base = 1.0 + pitchBefore[deck].load() / 10000.0;
      const int pitch = static_cast<int>(std::lround((base * pitchCueRatio(pad) - 1.0) * 10000.0));
      d->SetMasterTempo(0);
      d->SetPitch(pitch);
      d->SetSlipSpeedRatio((1.0 + pitch / 10000.0) / base);
      const int cue = d->getCuePos(-1);
      d->SlipJump(cue > kUnsetCueFrames ? cue : -1);
      break;
    }
    default:
      break;
  }
}

void release(int kind, int pad, int deck) {
  if (!isPlayerDeck(deck) || !validPad(pad)) return;
  int code = kind * kPerformancePads + pad;
  if (!heldPad[deck].compare_exchange_strong(code, -1)) return;
  CSoundSource* d = playerDeckAt(deck);
  if (d == nullptr) return;
  restorePitch(deck, *d);
  d->SlipEnd();
}

}  // namespace

int loopRollSize(int pad) {
  return validPad(pad) ? kSmallestRoll << pad : 0;
}

double pitchCueRatio(int pad) {
  return validPad(pad) ? std::pow(2.0, kScaleSemitones[pad] / 12.0) : 1.0;
}

int heldPerformancePad(int deck) {
  return isPlayerDeck(deck) ? heldPad[deck].load() : -1;
}

void resetPerformancePads(int deck) {
  for (int d = 0; d < 2; d++) {
    if (deck != -1 && deck != d) continue;
    heldPad[d].store(-1);
    if (CSoundSource* player = playerDeckAt(d)) restorePitch(d, *player);
  }
}

void FDeck_LoopRoll_Click(int, int pad, int deck, ZRDrawNode*) {
  press(kLoopRoll, pad, deck);
}
void FDeck_LoopRoll_UnClick(int, int pad, int deck, ZRDrawNode*) {
  release(kLoopRoll, pad, deck);
}
void FDeck_SliceCue_Click(int, int pad, int deck, ZRDrawNode*) {
  press(kSliceCue, pad, deck);
}
void FDeck_SliceCue_UnClick(int, int pad, int deck, ZRDrawNode*) {
  release(kSliceCue, pad, deck);
}
void FDeck_SliceLoopCue_Click(int, int pad, int deck, ZRDrawNode*) {
  press(kSliceLoop, pad, deck);
}
void FDeck_SliceLoopCue_UnClick(int, int pad, int deck, ZRDrawNode*) {
  release(kSliceLoop, pad, deck);
}
void FDeck_LoopCue_Click(int, int pad, int deck, ZRDrawNode*) {
  press(kLoopCue, pad, deck);
}
void FDeck_LoopCue_UnClick(int, int pad, int deck, ZRDrawNode*) {
  release(kLoopCue, pad, deck);
}
void FDeck_PitchCue_Click(int, int pad, int deck, ZRDrawNode*) {
  press(kPitchCue, pad, deck);
}
void FDeck_PitchCue_UnClick(int, int pad, int deck, ZRDrawNode*) {
  release(kPitchCue, pad, deck);
}
