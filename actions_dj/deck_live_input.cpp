#include "actions_dj/deck_live_input.h"

#include "actions_dj/action_controls.h"
#include "actions_dj/action_support.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/deck_display.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer_channel.h"

namespace {

CLiveInputSource* liveInputAt(int deck) {
  return isPlayerDeck(deck) ? DeckLiveIn[deck] : nullptr;
}

}  // namespace

void FDeck_AnalogIn(int value, int param, int deck, ZRDrawNode*) {
  CSoundSource* d = playerDeckAt(deck);
  ZRMixerChannel* channel = deckChannelAt(deck);
  CLiveInputSource* input = liveInputAt(deck);
  if (d == nullptr || channel == nullptr || input == nullptr) return;
  ZRActionControls& controls = actionControls();
  if (value != 0) {
    input->UpdateMasterTempoStateFromOriginalSource();
    d->SetTimecodedVinylMode(1);
    channel->ChangeSource(input);
  } else {
    d->SetTimecodedVinylMode(0);
    channel->ChangeSource(d);
    if (param != kLiveInputInternalCall) {
      controls.setSwitched(ACT_deck_timecodein, deck, false, false);
      input->SetTimeCodeMode(0);
      notifyControllers("timecodeIn", deck, 0);
    }
    // Timecode may have moved the pitch: the text shows the player's own again.
    char text[32];
    formatPitchText(d->GetPitch(), !controls.pitchWithoutPercent(), text);
    controls.setCaption(ACT_deck_pitch_tempo, deck, ZRString(text));
  }
  notifyControllers("analogIn", deck, value);
}

void FDeck_TimecodeIn(int value, int param, int deck, ZRDrawNode* node) {
  CLiveInputSource* input = liveInputAt(deck);
  if (playerDeckAt(deck) == nullptr || deckChannelAt(deck) == nullptr || input == nullptr) return;
  ZRActionControls& controls = actionControls();
  if (value != 0) {
    controls.setSwitched(ACT_deck_analogin, deck, true, false);
    FDeck_AnalogIn(1, 0, deck, node);
    input->SetTimeCodeMode(1);
  } else {
    input->SetTimeCodeMode(0);
    if (param != kLiveInputInternalCall) {
      controls.setSwitched(ACT_deck_analogin, deck, false, false);
      FDeck_AnalogIn(0, kLiveInputInternalCall, deck, node);
    }
  }
  notifyControllers("timecodeIn", deck, value);
}

void FDeck_TimecodeRelative(int value, int, int deck, ZRDrawNode*) {
  if (CLiveInputSource* input = liveInputAt(deck)) input->SetRelativeMode(value);
}
