#include "actions_dj/bpm_editor.h"

#include <cstdio>

#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "common/zr_c_numbers.h"
#include "common/zr_logging.h"
#include "dsp/engine/sound_source.h"

namespace {

bool inRange(double bpm) {
  return bpm > 45.0 && bpm < 180.0;
}

}  // namespace

float ZRTapTempo::tap(int64_t stampMs) {
  if (count_ == 0 || stampMs - last_ >= kRestartMs) {
    count_ = 1;
    first_ = last_ = stampMs;
    shown_ = 0.0f;
    return shown_;
  }
  if (stampMs - first_ <= 0) return shown_;
  ++count_;
  last_ = stampMs;
  shown_ = static_cast<float>((count_ - 1) * 60000.0 / static_cast<double>(last_ - first_));
  return shown_;
}

std::string bpmFieldText(float bpm) {
  return inRange(bpm) ? formatFixedC(bpm, 2) : std::string("000.0");
}

double bpmFieldValue(const std::string& text) {
  return atofC(text.c_str());
}

float bpmEditorResult(int mode, const std::string& fieldText, float bpmAtOpen) {
  switch (mode) {
    case kBpmAuto75To150:
      return -1.0f;
    case kBpmAutoBelow100:
      return -2.0f;
    case kBpmAutoAbove100:
      return -3.0f;
    default:
      break;
  }
  const float typed = static_cast<float>(bpmFieldValue(fieldText));
  return typed != bpmAtOpen && inRange(typed) ? typed : 0.0f;
}

ZRBpmEditorOpening bpmEditorOpen(int deck) {
  ZRBpmEditorOpening opening;
  CSoundSource* source = isPlayerDeck(deck) ? deckAt(deck) : nullptr;
  if (source == nullptr) return opening;
  opening.deck = deck;
  opening.track = source->GetFileName();
  const float bpm = source->GetCurrentBPM();
  // The field shows two decimals: what it shows is what OK compares with.
  opening.bpmAtOpen = inRange(bpm) ? static_cast<float>(bpmFieldValue(bpmFieldText(bpm))) : bpm;
  return opening;
}

float bpmEditorDecision(const ZRBpmEditorOpening& opening, const ZRString& trackNow, int mode,
                        const std::string& fieldText) {
  if (trackNow != opening.track) {
    ZRLOG("the tempo editor of deck %d applies nothing: the deck holds another track now", opening.deck + 1);
    return 0.0f;
  }
  return bpmEditorResult(mode, fieldText, opening.bpmAtOpen);
}

bool bpmEditorApply(const ZRBpmEditorOpening& opening, int mode, const std::string& fieldText) {
  CSoundSource* source = isPlayerDeck(opening.deck) ? deckAt(opening.deck) : nullptr;
  if (source == nullptr) return false;
  const float result = bpmEditorDecision(opening, source->GetFileName(), mode, fieldText);
  if (result == 0.0f) return false;
  source->SetForceLockBPM(result);
  return true;
}

void FEditSongBPM(int value, int param, int deck, ZRDrawNode*) {
  ZRLOG("FEditSongBPM param=%d, tag=%d, deck=%d", value, param, deck);
  if (!isPlayerDeck(deck)) return;
  openBpmEditor(deck);
}
