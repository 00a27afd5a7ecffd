#include "actions_dj/dj_action_table.h"

#include <cstring>

#include "actions_dj/deck_display.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_transport.h"
#include "actions_dj/mixer_actions.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"

namespace {

using S = ZRDjSlot;
constexpr bool kDeck = true, kGlobal = false;

// One row: the function's name comes from the function itself, so the two never disagree.
#define ROW(action, slot, function, param, scope) \
  { action, slot, function, param, scope, #function }

const ZRDjActionBinding kBindings[] = {
    // Deck transport.
    ROW(ACT_deck_play_pause, S::Press, FDeck_PlayPause, -1, kDeck),
    ROW(ACT_deck_playlive, S::Press, FDeck_PlayLive, -1, kDeck),
    ROW(ACT_deck_setcue, S::Press, FDeck_SetCue, -1, kDeck),
    ROW(ACT_deck_cue, S::Press, FDeck_CueClick, -1, kDeck),
    ROW(ACT_deck_cue, S::Release, FDeck_CueUnClick, -1, kDeck),
    ROW(ACT_deck_cue_play, S::Press, FDeck_CuePlay, -1, kDeck),
    ROW(ACT_deck_reverse, S::Press, FDeck_ReversePlay, -1, kDeck),
    ROW(ACT_deck_reverse, S::RightPress, FDeck_ReversePlay, -1, kDeck),
    ROW(ACT_deck_brake, S::Press, FDeck_Brake, -1, kDeck),
    ROW(ACT_deck_brake, S::RightPress, FDeck_Brake, -1, kDeck),
    ROW(ACT_deck_skip_beat_prev, S::Press, FDeck_SkipBeat_Prev, -1, kDeck),
    ROW(ACT_deck_skip_beat, S::Press, FDeck_SkipBeat_Next, -1, kDeck),
    ROW(ACT_deck_skip_bar_prev, S::Press, FDeck_SkipBar_Prev, -1, kDeck),
    ROW(ACT_deck_skip_bar, S::Press, FDeck_SkipBar_Next, -1, kDeck),
    ROW(ACT_deck_rev, S::Press, FDeck_RevClick, -1, kDeck),
    ROW(ACT_deck_rev, S::Release, FDeck_RevUnClick, -1, kDeck),
    ROW(ACT_deck_fwd, S::Press, FDeck_FwdClick, -1, kDeck),
    ROW(ACT_deck_fwd, S::Release, FDeck_FwdUnClick, -1, kDeck),
    ROW(ACT_deck_search_left, S::Press, FDeck_SearchLeft_Click, -1, kDeck),
    ROW(ACT_deck_search_left, S::Release, FDeck_SearchLeft_UnClick, -1, kDeck),
    ROW(ACT_deck_search_right, S::Press, FDeck_SearchRight_Click, -1, kDeck),
    ROW(ACT_deck_search_right, S::Release, FDeck_SearchRight_UnClick, -1, kDeck),
    ROW(ACT_deck_back_to_top, S::Press, FDeck_BackToTop, -1, kDeck),
    ROW(ACT_deck_pos, S::Track, FDeck_Pos, -1, kDeck),
    ROW(ACT_deck_progress, S::Press, OnProgressPress, -1, kDeck),
    // Loading and unloading.
    ROW(ACT_deck_load, S::Release, FDeck_LoadFromCursor, -1, kDeck),
    ROW(ACT_deck_load, S::RightRelease, FDeck_Unload, -1, kDeck),
    ROW(ACT_deck_unload, S::Release, FDeck_Unload, -1, kDeck),
    // Display.
    ROW(ACT_deck_elapsed, S::Press, FToggleTimeMode, -1, kDeck),
    ROW(ACT_deck_elapsed, S::RightPress, FToggleTimeMode, -1, kDeck),
    ROW(ACT_deck_remained, S::Press, FToggleTimeMode, -1, kDeck),
    ROW(ACT_deck_remained, S::RightPress, FToggleTimeMode, -1, kDeck),
    ROW(ACT_deck_sd_zoom_less, S::Press, FDeck_SoundDisplayZoomLess, -1, kDeck),
    ROW(ACT_deck_sd_zoom_more, S::Press, FDeck_SoundDisplayZoomMore, -1, kDeck),
    // Mixer.
    ROW(ACT_deck_eq_low, S::Change, FDeck_EqLow, -1, kDeck),
    ROW(ACT_deck_eq_mid, S::Change, FDeck_EqMid, -1, kDeck),
    ROW(ACT_deck_eq_high, S::Change, FDeck_EqHigh, -1, kDeck),
    ROW(ACT_deck_kill_low, S::Press, FDeck_KillLow, -1, kDeck),
    ROW(ACT_deck_kill_low, S::RightPress, FDeck_KillLow, -1, kDeck),
    ROW(ACT_deck_kill_mid, S::Press, FDeck_KillMid, -1, kDeck),
    ROW(ACT_deck_kill_mid, S::RightPress, FDeck_KillMid, -1, kDeck),
    ROW(ACT_deck_kill_high, S::Press, FDeck_KillHigh, -1, kDeck),
    ROW(ACT_deck_kill_high, S::RightPress, FDeck_KillHigh, -1, kDeck),
    ROW(ACT_deck_gain, S::Change, FGainDeck, -1, kDeck),
    ROW(ACT_deck_volume, S::Change, FFaderDeck, -1, kDeck),
    ROW(ACT_deck_cutoff_filter, S::Change, FDeck_Cutoff, -1, kDeck),
    ROW(ACT_deck_monitor, S::Press, FDeck_Monitor, -1, kDeck),
    ROW(ACT_deck_cfassign_left, S::Press, FDeck_CFAssignToLeft, -1, kDeck),
    ROW(ACT_deck_cfassign_thru, S::Press, FDeck_CFAssignToThru, -1, kDeck),
    ROW(ACT_deck_cfassign_right, S::Press, FDeck_CFAssignToRight, -1, kDeck),
    ROW(ACT_mic_eq_low, S::Change, FMic_EqLow, -1, kGlobal),
    ROW(ACT_mic_eq_mid, S::Change, FMic_EqMid, -1, kGlobal),
    ROW(ACT_mic_eq_high, S::Change, FMic_EqHigh, -1, kGlobal),
    ROW(ACT_mic_kill_low, S::Press, FMic_KillLow, -1, kGlobal),
    ROW(ACT_mic_kill_low, S::RightPress, FMic_KillLow, -1, kGlobal),
    ROW(ACT_mic_kill_mid, S::Press, FMic_KillMid, -1, kGlobal),
    ROW(ACT_mic_kill_mid, S::RightPress, FMic_KillMid, -1, kGlobal),
    ROW(ACT_mic_kill_high, S::Press, FMic_KillHigh, -1, kGlobal),
    ROW(ACT_mic_kill_high, S::RightPress, FMic_KillHigh, -1, kGlobal),
    ROW(ACT_mic_gain, S::Change, FGainMic, -1, kGlobal),
    ROW(ACT_master_balance, S::Change, FMasterBalance, -1, kGlobal),
    ROW(ACT_master_mode, S::Change, FMasterMode, -1, kGlobal),
    ROW(ACT_master_karaoke_mode, S::Change, FMasterKaraokeMode, -1, kGlobal),
    ROW(ACT_master_volume, S::Change, FVolumeMaster, -1, kGlobal),
    ROW(ACT_monitor_volume, S::Change, FVolumeMonitor, -1, kGlobal),
    ROW(ACT_microphone_volume, S::Change, FVolumeMicrophone, -1, kGlobal),
    ROW(ACT_filler_player_volume, S::Track, FVolumeFillerPlayer, -1, kGlobal),
    ROW(ACT_master_gain, S::Change, FGainMaster, -1, kGlobal),
    ROW(ACT_monitor_gain, S::Track, FGainMonitor, 0, kGlobal),
    ROW(ACT_monitor_gain2, S::Track, FGainMonitor, 1, kGlobal),
    ROW(ACT_cf_curve, S::Track, FCFCurve, -1, kGlobal),
    ROW(ACT_crossfader, S::Change, FCrossFader, -1, kGlobal),
    ROW(ACT_cf_audio, S::Track, FCFAudioTrack, -1, kGlobal),
    ROW(ACT_cf_video, S::Track, FCFVideoTrack, -1, kGlobal),
    ROW(ACT_cf_video_alt, S::Track, FCFVideoTrack, -1, kGlobal),
    ROW(ACT_cue_pgm_mix, S::Change, FCuePgmMixFader, -1, kGlobal),
    ROW(ACT_lock_crossfaders, S::Press, FLockCrossfaders, -1, kGlobal),
    ROW(ACT_lock_crossfaders_alt, S::Press, FLockCrossfaders, -1, kGlobal),
    ROW(ACT_phones_split, S::Press, FPhonesSplitClick, -1, kGlobal),
    ROW(ACT_phones_split, S::RightPress, FPhonesSplitClick, -1, kGlobal),
    ROW(ACT_talkover, S::Press, FTalkOver, -1, kGlobal),
    ROW(ACT_talkover, S::RightPress, FTalkOver, -1, kGlobal),
    ROW(ACT_onair, S::Press, FOnAir, -1, kGlobal),
    ROW(ACT_onair, S::RightPress, FOnAir, -1, kGlobal),
    ROW(ACT_limiter, S::Release, FAudioMasterLimiter, -1, kGlobal),
    ROW(ACT_limiter, S::RightRelease, FAudioMasterLimiter, -1, kGlobal),
    ROW(ACT_random, S::Press, FRandom, -1, kGlobal),
};

#undef ROW

}  // namespace

const ZRDjActionBinding* djActionBindings(int& count) {
  count = static_cast<int>(sizeof kBindings / sizeof kBindings[0]);
  return kBindings;
}

const ZRDjActionBinding* findDjActionBinding(int action, ZRDjSlot slot) {
  for (const ZRDjActionBinding& row : kBindings) {
    if (row.action == action && row.slot == slot) return &row;
  }
  return nullptr;
}

ZRActionCallback findDjAction(int action, ZRDjSlot slot) {
  const ZRDjActionBinding* row = findDjActionBinding(action, slot);
  return row != nullptr ? row->function : nullptr;
}

ZRActionCallback findDjAction(const char* actionName, ZRDjSlot slot) {
  return actionName != nullptr ? findDjAction(GetActionIndex(actionName), slot) : nullptr;
}

ZRActionCallback findDjActionFunction(const char* name) {
  if (name == nullptr) return nullptr;
  for (const ZRDjActionBinding& row : kBindings) {
    if (std::strcmp(row.functionName, name) == 0) return row.function;
  }
  return nullptr;
}
