#include "actions_dj/dj_action_table.h"

#include <cstring>

#include "actions_dj/automix_actions.h"
#include "actions_dj/bpm_editor.h"
#include "actions_dj/deck_cues.h"
#include "actions_dj/deck_display.h"
#include "actions_dj/deck_live_input.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_loops.h"
#include "actions_dj/deck_pads.h"
#include "actions_dj/deck_scratch.h"
#include "actions_dj/deck_tempo.h"
#include "actions_dj/deck_transport.h"
#include "actions_dj/effect_actions.h"
#include "actions_dj/karaoke_rotation.h"
#include "actions_dj/mixer_actions.h"
#include "actions_dj/preview_actions.h"
#include "actions_dj/recording_action.h"
#include "actions_dj/sampler_actions.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"

namespace {

using S = ZRDjSlot;
constexpr bool kDeck = true, kGlobal = false;

// One row: the function's name comes from the function itself, so the two never disagree.
#define ROW(action, slot, function, param, scope) \
  { action, slot, function, param, scope, #function }

// The rows of sampler slot n (0..7): every control of the slot, with the slot as its param.
#define SAMPLER_ROWS(n)                                                                               \
  ROW(ACT_sampler1_play + (n), S::Press, OnButtonPress_SamplerPlayNew, n, kGlobal),                   \
      ROW(ACT_sampler1_play + (n), S::Release, OnButtonRelease_SamplerPlayNew, n, kGlobal),           \
      ROW(ACT_sampler1_play + (n), S::RightPress, OnButtonRightPress_SamplerPlayNew, n, kGlobal),     \
      ROW(ACT_sampler1_play + (n), S::RightRelease, OnButtonRightRelease_SamplerPlayNew, n, kGlobal), \
      ROW(ACT_sampler1_instant + (n), S::Press, OnButtonPress_SamplerPlay, n, kGlobal),               \
      ROW(ACT_sampler1_instant + (n), S::Release, OnButtonPress_SamplerStop, n, kGlobal),             \
      ROW(ACT_sampler1_stop + (n), S::Press, OnButtonPress_SamplerStop, n, kGlobal),                  \
      ROW(ACT_sampler1_loop + (n), S::Press, OnButtonPress_SamplerLoop, n, kGlobal),                  \
      ROW(ACT_sampler1_load + (n), S::Release, OnButtonPress_SamplerLoad, n, kGlobal),                \
      ROW(ACT_sampler1_rec + (n), S::Release, OnButtonRelease_SamplerRec, n, kGlobal),                \
      ROW(ACT_sampler1_sync + (n), S::Release, OnButtonPress_SamplerSync, n, kGlobal),                \
      ROW(ACT_sampler1_monitor + (n), S::Press, OnButtonPress_SamplerMonitor, n, kGlobal),            \
      ROW(ACT_sampler1_pos + (n), S::Track, OnSliderTrack_SamplerPos, n, kGlobal),                    \
      ROW(ACT_sampler1_vol + (n), S::Change, OnSliderChange_SamplerVolume, n, kGlobal),               \
      ROW(ACT_sampler1_pitch + (n), S::Change, OnSliderChange_SamplerPitch, n, kGlobal),              \
      ROW(ACT_sampler1_filter + (n), S::Change, OnSliderChange_SamplerFilter, n, kGlobal),            \
      ROW(ACT_sampler1_name + (n), S::Release, OnButtonPress_SamplerLoad, n, kGlobal),                \
      ROW(ACT_sampler1_bpm_val + (n), S::Release, OnButtonPress_SamplerBpmValue, n, kGlobal)

// The rows of performance pad n (0..7) of every kind, with the pad as its param.
#define PAD_ROWS(n)                                                                         \
  ROW(ACT_deck_looproll_1 + (n), S::Press, FDeck_LoopRoll_Click, n, kDeck),                 \
      ROW(ACT_deck_looproll_1 + (n), S::Release, FDeck_LoopRoll_UnClick, n, kDeck),         \
      ROW(ACT_deck_slicecue_1 + (n), S::Press, FDeck_SliceCue_Click, n, kDeck),             \
      ROW(ACT_deck_slicecue_1 + (n), S::Release, FDeck_SliceCue_UnClick, n, kDeck),         \
      ROW(ACT_deck_sliceloopcue_1 + (n), S::Press, FDeck_SliceLoopCue_Click, n, kDeck),     \
      ROW(ACT_deck_sliceloopcue_1 + (n), S::Release, FDeck_SliceLoopCue_UnClick, n, kDeck), \
      ROW(ACT_deck_loopcue_1 + (n), S::Press, FDeck_LoopCue_Click, n, kDeck),               \
      ROW(ACT_deck_loopcue_1 + (n), S::Release, FDeck_LoopCue_UnClick, n, kDeck),           \
      ROW(ACT_deck_pitchcue_1 + (n), S::Press, FDeck_PitchCue_Click, n, kDeck),             \
      ROW(ACT_deck_pitchcue_1 + (n), S::Release, FDeck_PitchCue_UnClick, n, kDeck)

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
    // Tempo, key, sync and bend.
    ROW(ACT_deck_pitch, S::Change, FDeck_Pitch, -1, kDeck),
    ROW(ACT_deck_pitch, S::Track, FDeck_Pitch_Track, -1, kDeck),
    ROW(ACT_deck_reset_pitch, S::Press, FDeck_ResetPitch, -1, kDeck),
    ROW(ACT_deck_pitch_tempo, S::Press, FDeck_ResetPitch, 0, kDeck),
    ROW(ACT_deck_pitch_tempo, S::RightPress, FDeck_ResetPitch, 0, kDeck),
    ROW(ACT_deck_key_lock, S::Press, FDeck_KeyLock, -1, kDeck),
    ROW(ACT_deck_key_lock, S::RightPress, FDeck_KeyLock, -1, kDeck),
    ROW(ACT_deck_pitch_key, S::Change, FDeck_PitchKey, -1, kDeck),
    ROW(ACT_deck_pitch_key, S::Track, FDeck_PitchKey_Track, -1, kDeck),
    ROW(ACT_deck_key_up, S::Press, FDeck_PitchKey_StepAdjust, 1, kDeck),
    ROW(ACT_deck_key_down, S::Press, FDeck_PitchKey_StepAdjust, -1, kDeck),
    ROW(ACT_deck_sync, S::Press, FDeck_Sync, -1, kDeck),
    ROW(ACT_deck_sync2, S::Press, FDeck_Sync, -1, kDeck),
    ROW(ACT_deck_sync_to_a, S::Press, FDeck_SyncToA, -1, kDeck),
    ROW(ACT_deck_sync_to_b, S::Press, FDeck_SyncToB, -1, kDeck),
    ROW(ACT_deck_match, S::Press, FDeck_Match, -1, kDeck),
    ROW(ACT_deck_bend_down, S::Press, FDeck_BendDown_Click, -1, kDeck),
    ROW(ACT_deck_bend_down, S::Release, FDeck_BendDown_UnClick, -1, kDeck),
    ROW(ACT_deck_bend_up, S::Press, FDeck_BendUp_Click, -1, kDeck),
    ROW(ACT_deck_bend_up, S::Release, FDeck_BendUp_UnClick, -1, kDeck),
    ROW(ACT_deck_scratch, S::Press, FDeck_JogWheel_Scratch_Mode, -1, kDeck),
    ROW(ACT_deck_wheel, S::Press, FDeck_Scratch_Begin_Wheel, -1, kDeck),
    ROW(ACT_deck_wheel, S::Release, FDeck_Scratch_End_Wheel, -1, kDeck),
    ROW(ACT_sd_deck, S::Release, FDeck_Scratch_End, 0, kDeck),
    ROW(ACT_sd_deck_alt, S::Release, FDeck_Scratch_End, 1, kDeck),
    // Loops.
    ROW(ACT_deck_loop_in_end, S::Press, FDeck_LoopInEnd, -1, kDeck),
    ROW(ACT_deck_loop_out, S::Press, FDeck_LoopOut, -1, kDeck),
    ROW(ACT_deck_loop_out_or_reloop, S::Press, FDeck_LoopOutOrReloop, -1, kDeck),
    ROW(ACT_deck_loop_reloop, S::Press, FDeck_LoopReloop, -1, kDeck),
    ROW(ACT_deck_loop_less, S::Press, FDeck_LoopLess, -1, kDeck),
    ROW(ACT_deck_loop_more, S::Press, FDeck_LoopMore, -1, kDeck),
    ROW(ACT_deck_loop_prev, S::Press, FDeck_LoopPrev, -1, kDeck),
    ROW(ACT_deck_loop_next, S::Press, FDeck_LoopNext, -1, kDeck),
    ROW(ACT_deck_loop_mode, S::Press, FDeck_LoopMode_Click, -1, kDeck),
    ROW(ACT_deck_loop_sixteenth, S::Press, FDeck_LoopHalfBeats, 4, kDeck),
    ROW(ACT_deck_loop_sixteenth, S::RightPress, FDeck_LoopHalfBeats_RightPress, 4, kDeck),
    ROW(ACT_deck_loop_sixteenth, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 4, kDeck),
    ROW(ACT_deck_loop_eighth, S::Press, FDeck_LoopHalfBeats, 8, kDeck),
    ROW(ACT_deck_loop_eighth, S::RightPress, FDeck_LoopHalfBeats_RightPress, 8, kDeck),
    ROW(ACT_deck_loop_eighth, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 8, kDeck),
    ROW(ACT_deck_loop_quarter, S::Press, FDeck_LoopHalfBeats, 16, kDeck),
    ROW(ACT_deck_loop_quarter, S::RightPress, FDeck_LoopHalfBeats_RightPress, 16, kDeck),
    ROW(ACT_deck_loop_quarter, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 16, kDeck),
    ROW(ACT_deck_loop_half, S::Press, FDeck_LoopHalfBeats, 32, kDeck),
    ROW(ACT_deck_loop_half, S::RightPress, FDeck_LoopHalfBeats_RightPress, 32, kDeck),
    ROW(ACT_deck_loop_half, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 32, kDeck),
    ROW(ACT_deck_loop_1, S::Press, FDeck_LoopHalfBeats, 64, kDeck),
    ROW(ACT_deck_loop_1, S::RightPress, FDeck_LoopHalfBeats_RightPress, 64, kDeck),
    ROW(ACT_deck_loop_1, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 64, kDeck),
    ROW(ACT_deck_loop_2, S::Press, FDeck_LoopHalfBeats, 128, kDeck),
    ROW(ACT_deck_loop_2, S::RightPress, FDeck_LoopHalfBeats_RightPress, 128, kDeck),
    ROW(ACT_deck_loop_2, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 128, kDeck),
    ROW(ACT_deck_loop_4, S::Press, FDeck_LoopHalfBeats, 256, kDeck),
    ROW(ACT_deck_loop_4, S::RightPress, FDeck_LoopHalfBeats_RightPress, 256, kDeck),
    ROW(ACT_deck_loop_4, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 256, kDeck),
    ROW(ACT_deck_loop_8, S::Press, FDeck_LoopHalfBeats, 512, kDeck),
    ROW(ACT_deck_loop_8, S::RightPress, FDeck_LoopHalfBeats_RightPress, 512, kDeck),
    ROW(ACT_deck_loop_8, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 512, kDeck),
    ROW(ACT_deck_loop_16, S::Press, FDeck_LoopHalfBeats, 1024, kDeck),
    ROW(ACT_deck_loop_16, S::RightPress, FDeck_LoopHalfBeats_RightPress, 1024, kDeck),
    ROW(ACT_deck_loop_16, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 1024, kDeck),
    ROW(ACT_deck_loop_32, S::Press, FDeck_LoopHalfBeats, 2048, kDeck),
    ROW(ACT_deck_loop_32, S::RightPress, FDeck_LoopHalfBeats_RightPress, 2048, kDeck),
    ROW(ACT_deck_loop_32, S::RightRelease, FDeck_LoopHalfBeats_RightRelease, 2048, kDeck),
    ROW(ACT_deck_loop1, S::Press, FDeck_LoopNo_Press, 0, kDeck),
    ROW(ACT_deck_loop1, S::Release, FDeck_LoopNo_Release, 0, kDeck),
    ROW(ACT_deck_loop1, S::RightPress, FDeck_LoopNo_RightPress, 0, kDeck),
    ROW(ACT_deck_loop1, S::RightRelease, FDeck_LoopNo_RightRelease, 0, kDeck),
    ROW(ACT_deck_loop1_clear, S::Press, FDeck_ClearLoopPoint_Click, 0, kDeck),
    ROW(ACT_deck_loop2, S::Press, FDeck_LoopNo_Press, 1, kDeck),
    ROW(ACT_deck_loop2, S::Release, FDeck_LoopNo_Release, 1, kDeck),
    ROW(ACT_deck_loop2, S::RightPress, FDeck_LoopNo_RightPress, 1, kDeck),
    ROW(ACT_deck_loop2, S::RightRelease, FDeck_LoopNo_RightRelease, 1, kDeck),
    ROW(ACT_deck_loop2_clear, S::Press, FDeck_ClearLoopPoint_Click, 1, kDeck),
    ROW(ACT_deck_loop3, S::Press, FDeck_LoopNo_Press, 2, kDeck),
    ROW(ACT_deck_loop3, S::Release, FDeck_LoopNo_Release, 2, kDeck),
    ROW(ACT_deck_loop3, S::RightPress, FDeck_LoopNo_RightPress, 2, kDeck),
    ROW(ACT_deck_loop3, S::RightRelease, FDeck_LoopNo_RightRelease, 2, kDeck),
    ROW(ACT_deck_loop3_clear, S::Press, FDeck_ClearLoopPoint_Click, 2, kDeck),
    ROW(ACT_deck_loop4, S::Press, FDeck_LoopNo_Press, 3, kDeck),
    ROW(ACT_deck_loop4, S::Release, FDeck_LoopNo_Release, 3, kDeck),
    ROW(ACT_deck_loop4, S::RightPress, FDeck_LoopNo_RightPress, 3, kDeck),
    ROW(ACT_deck_loop4, S::RightRelease, FDeck_LoopNo_RightRelease, 3, kDeck),
    ROW(ACT_deck_loop4_clear, S::Press, FDeck_ClearLoopPoint_Click, 3, kDeck),
    ROW(ACT_deck_loop5, S::Press, FDeck_LoopNo_Press, 4, kDeck),
    ROW(ACT_deck_loop5, S::Release, FDeck_LoopNo_Release, 4, kDeck),
    ROW(ACT_deck_loop5, S::RightPress, FDeck_LoopNo_RightPress, 4, kDeck),
    ROW(ACT_deck_loop5, S::RightRelease, FDeck_LoopNo_RightRelease, 4, kDeck),
    ROW(ACT_deck_loop5_clear, S::Press, FDeck_ClearLoopPoint_Click, 4, kDeck),
    ROW(ACT_deck_loop6, S::Press, FDeck_LoopNo_Press, 5, kDeck),
    ROW(ACT_deck_loop6, S::Release, FDeck_LoopNo_Release, 5, kDeck),
    ROW(ACT_deck_loop6, S::RightPress, FDeck_LoopNo_RightPress, 5, kDeck),
    ROW(ACT_deck_loop6, S::RightRelease, FDeck_LoopNo_RightRelease, 5, kDeck),
    ROW(ACT_deck_loop6_clear, S::Press, FDeck_ClearLoopPoint_Click, 5, kDeck),
    ROW(ACT_deck_loop7, S::Press, FDeck_LoopNo_Press, 6, kDeck),
    ROW(ACT_deck_loop7, S::Release, FDeck_LoopNo_Release, 6, kDeck),
    ROW(ACT_deck_loop7, S::RightPress, FDeck_LoopNo_RightPress, 6, kDeck),
    ROW(ACT_deck_loop7, S::RightRelease, FDeck_LoopNo_RightRelease, 6, kDeck),
    ROW(ACT_deck_loop7_clear, S::Press, FDeck_ClearLoopPoint_Click, 6, kDeck),
    ROW(ACT_deck_loop8, S::Press, FDeck_LoopNo_Press, 7, kDeck),
    ROW(ACT_deck_loop8, S::Release, FDeck_LoopNo_Release, 7, kDeck),
    ROW(ACT_deck_loop8, S::RightPress, FDeck_LoopNo_RightPress, 7, kDeck),
    ROW(ACT_deck_loop8, S::RightRelease, FDeck_LoopNo_RightRelease, 7, kDeck),
    ROW(ACT_deck_loop8_clear, S::Press, FDeck_ClearLoopPoint_Click, 7, kDeck),
    // Cue points.
    ROW(ACT_deck_cuepos_1, S::Press, FDeck_CuePoint_Click, 0, kDeck),
    ROW(ACT_deck_cuepos_1, S::Release, FDeck_CuePoint_UnClick, 0, kDeck),
    ROW(ACT_deck_cuepos_1, S::RightPress, FDeck_CuePoint_RightClick, 0, kDeck),
    ROW(ACT_deck_clearcuepos_1, S::Press, FDeck_ClearCuePoint_Click, 0, kDeck),
    ROW(ACT_deck_cuepos_2, S::Press, FDeck_CuePoint_Click, 1, kDeck),
    ROW(ACT_deck_cuepos_2, S::Release, FDeck_CuePoint_UnClick, 1, kDeck),
    ROW(ACT_deck_cuepos_2, S::RightPress, FDeck_CuePoint_RightClick, 1, kDeck),
    ROW(ACT_deck_clearcuepos_2, S::Press, FDeck_ClearCuePoint_Click, 1, kDeck),
    ROW(ACT_deck_cuepos_3, S::Press, FDeck_CuePoint_Click, 2, kDeck),
    ROW(ACT_deck_cuepos_3, S::Release, FDeck_CuePoint_UnClick, 2, kDeck),
    ROW(ACT_deck_cuepos_3, S::RightPress, FDeck_CuePoint_RightClick, 2, kDeck),
    ROW(ACT_deck_clearcuepos_3, S::Press, FDeck_ClearCuePoint_Click, 2, kDeck),
    ROW(ACT_deck_cuepos_4, S::Press, FDeck_CuePoint_Click, 3, kDeck),
    ROW(ACT_deck_cuepos_4, S::Release, FDeck_CuePoint_UnClick, 3, kDeck),
    ROW(ACT_deck_cuepos_4, S::RightPress, FDeck_CuePoint_RightClick, 3, kDeck),
    ROW(ACT_deck_clearcuepos_4, S::Press, FDeck_ClearCuePoint_Click, 3, kDeck),
    ROW(ACT_deck_cuepos_5, S::Press, FDeck_CuePoint_Click, 4, kDeck),
    ROW(ACT_deck_cuepos_5, S::Release, FDeck_CuePoint_UnClick, 4, kDeck),
    ROW(ACT_deck_cuepos_5, S::RightPress, FDeck_CuePoint_RightClick, 4, kDeck),
    ROW(ACT_deck_clearcuepos_5, S::Press, FDeck_ClearCuePoint_Click, 4, kDeck),
    ROW(ACT_deck_cuepos_6, S::Press, FDeck_CuePoint_Click, 5, kDeck),
    ROW(ACT_deck_cuepos_6, S::Release, FDeck_CuePoint_UnClick, 5, kDeck),
    ROW(ACT_deck_cuepos_6, S::RightPress, FDeck_CuePoint_RightClick, 5, kDeck),
    ROW(ACT_deck_clearcuepos_6, S::Press, FDeck_ClearCuePoint_Click, 5, kDeck),
    ROW(ACT_deck_cuepos_7, S::Press, FDeck_CuePoint_Click, 6, kDeck),
    ROW(ACT_deck_cuepos_7, S::Release, FDeck_CuePoint_UnClick, 6, kDeck),
    ROW(ACT_deck_cuepos_7, S::RightPress, FDeck_CuePoint_RightClick, 6, kDeck),
    ROW(ACT_deck_clearcuepos_7, S::Press, FDeck_ClearCuePoint_Click, 6, kDeck),
    ROW(ACT_deck_cuepos_8, S::Press, FDeck_CuePoint_Click, 7, kDeck),
    ROW(ACT_deck_cuepos_8, S::Release, FDeck_CuePoint_UnClick, 7, kDeck),
    ROW(ACT_deck_cuepos_8, S::RightPress, FDeck_CuePoint_RightClick, 7, kDeck),
    ROW(ACT_deck_clearcuepos_8, S::Press, FDeck_ClearCuePoint_Click, 7, kDeck),
    ROW(ACT_deck_cuepos_9, S::Press, FDeck_CuePoint_Click, 8, kDeck),
    ROW(ACT_deck_cuepos_9, S::Release, FDeck_CuePoint_UnClick, 8, kDeck),
    ROW(ACT_deck_cuepos_9, S::RightPress, FDeck_CuePoint_RightClick, 8, kDeck),
    ROW(ACT_deck_clearcuepos_9, S::Press, FDeck_ClearCuePoint_Click, 8, kDeck),
    ROW(ACT_deck_cuepos_10, S::Press, FDeck_CuePoint_Click, 9, kDeck),
    ROW(ACT_deck_cuepos_10, S::Release, FDeck_CuePoint_UnClick, 9, kDeck),
    ROW(ACT_deck_cuepos_10, S::RightPress, FDeck_CuePoint_RightClick, 9, kDeck),
    ROW(ACT_deck_clearcuepos_10, S::Press, FDeck_ClearCuePoint_Click, 9, kDeck),
    ROW(ACT_deck_cuepos_11, S::Press, FDeck_CuePoint_Click, 10, kDeck),
    ROW(ACT_deck_cuepos_11, S::Release, FDeck_CuePoint_UnClick, 10, kDeck),
    ROW(ACT_deck_cuepos_11, S::RightPress, FDeck_CuePoint_RightClick, 10, kDeck),
    ROW(ACT_deck_clearcuepos_11, S::Press, FDeck_ClearCuePoint_Click, 10, kDeck),
    ROW(ACT_deck_cuepos_12, S::Press, FDeck_CuePoint_Click, 11, kDeck),
    ROW(ACT_deck_cuepos_12, S::Release, FDeck_CuePoint_UnClick, 11, kDeck),
    ROW(ACT_deck_cuepos_12, S::RightPress, FDeck_CuePoint_RightClick, 11, kDeck),
    ROW(ACT_deck_clearcuepos_12, S::Press, FDeck_ClearCuePoint_Click, 11, kDeck),
    ROW(ACT_deck_cuepos_13, S::Press, FDeck_CuePoint_Click, 12, kDeck),
    ROW(ACT_deck_cuepos_13, S::Release, FDeck_CuePoint_UnClick, 12, kDeck),
    ROW(ACT_deck_cuepos_13, S::RightPress, FDeck_CuePoint_RightClick, 12, kDeck),
    ROW(ACT_deck_clearcuepos_13, S::Press, FDeck_ClearCuePoint_Click, 12, kDeck),
    ROW(ACT_deck_cuepos_14, S::Press, FDeck_CuePoint_Click, 13, kDeck),
    ROW(ACT_deck_cuepos_14, S::Release, FDeck_CuePoint_UnClick, 13, kDeck),
    ROW(ACT_deck_cuepos_14, S::RightPress, FDeck_CuePoint_RightClick, 13, kDeck),
    ROW(ACT_deck_clearcuepos_14, S::Press, FDeck_ClearCuePoint_Click, 13, kDeck),
    ROW(ACT_deck_cuepos_15, S::Press, FDeck_CuePoint_Click, 14, kDeck),
    ROW(ACT_deck_cuepos_15, S::Release, FDeck_CuePoint_UnClick, 14, kDeck),
    ROW(ACT_deck_cuepos_15, S::RightPress, FDeck_CuePoint_RightClick, 14, kDeck),
    ROW(ACT_deck_clearcuepos_15, S::Press, FDeck_ClearCuePoint_Click, 14, kDeck),
    ROW(ACT_deck_cuepos_16, S::Press, FDeck_CuePoint_Click, 15, kDeck),
    ROW(ACT_deck_cuepos_16, S::Release, FDeck_CuePoint_UnClick, 15, kDeck),
    ROW(ACT_deck_cuepos_16, S::RightPress, FDeck_CuePoint_RightClick, 15, kDeck),
    ROW(ACT_deck_clearcuepos_16, S::Press, FDeck_ClearCuePoint_Click, 15, kDeck),
    ROW(ACT_deck_cue_in, S::Press, FDeck_CuePoint_Click, 16, kDeck),
    ROW(ACT_deck_cue_in, S::Release, FDeck_CuePoint_UnClick, 16, kDeck),
    ROW(ACT_deck_cue_in, S::RightPress, FDeck_CuePoint_RightClick, 16, kDeck),
    ROW(ACT_deck_clearcuein, S::Press, FDeck_ClearCuePoint_Click, 16, kDeck),
    ROW(ACT_deck_cue_out, S::Press, FDeck_CuePoint_Click, 17, kDeck),
    ROW(ACT_deck_cue_out, S::Release, FDeck_CuePoint_UnClick, 17, kDeck),
    ROW(ACT_deck_cue_out, S::RightPress, FDeck_CuePoint_RightClick, 17, kDeck),
    ROW(ACT_deck_clearcueout, S::Press, FDeck_ClearCuePoint_Click, 17, kDeck),
    ROW(ACT_deck_cuepos_clear, S::Press, FDeck_CuePointClear, -1, kDeck),
    // Performance pads.
    PAD_ROWS(0),
    PAD_ROWS(1),
    PAD_ROWS(2),
    PAD_ROWS(3),
    PAD_ROWS(4),
    PAD_ROWS(5),
    PAD_ROWS(6),
    PAD_ROWS(7),
    // Live input.
    ROW(ACT_deck_analogin, S::Press, FDeck_AnalogIn, -1, kDeck),
    ROW(ACT_deck_analogin, S::RightPress, FDeck_AnalogIn, -1, kDeck),
    ROW(ACT_deck_timecodein, S::Press, FDeck_TimecodeIn, -1, kDeck),
    ROW(ACT_deck_timecodein, S::RightPress, FDeck_TimecodeIn, -1, kDeck),
    ROW(ACT_deck_timecode_relative, S::Press, FDeck_TimecodeRelative, -1, kDeck),
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
    // Tempo editor.
    ROW(ACT_deck_edit_bpm, S::Release, FEditSongBPM, -1, kDeck),
    ROW(ACT_deck_edit_bpm, S::RightRelease, FEditSongBPM, -1, kDeck),
    ROW(ACT_deck_bpm, S::Release, FEditSongBPM, -1, kDeck),
    ROW(ACT_deck_bpm, S::RightRelease, FEditSongBPM, -1, kDeck),
    ROW(ACT_deck_edit_bpm_value, S::Release, FEditSongBPM, -1, kDeck),
    ROW(ACT_deck_edit_bpm_value, S::RightRelease, FEditSongBPM, -1, kDeck),
    // Headphone preview.
    ROW(ACT_ss_preview, S::Press, FPreview, -1, kGlobal),
    ROW(ACT_ss_preview, S::RightPress, FPreviewRightClick, -1, kGlobal),
    ROW(ACT_preview, S::Track, FPreview_Pos, -1, kGlobal),
    // Sampler.
    ROW(ACT_sampler_master_volume, S::Change, OnSliderChange_SamplerMasterVolume, -1, kGlobal),
    SAMPLER_ROWS(0),
    SAMPLER_ROWS(1),
    SAMPLER_ROWS(2),
    SAMPLER_ROWS(3),
    SAMPLER_ROWS(4),
    SAMPLER_ROWS(5),
    SAMPLER_ROWS(6),
    SAMPLER_ROWS(7),
    // Effects: the ten built-in effects (param: the channel's effect slot), the two slots, the pad, the tabs.
    ROW(ACT_deck_fx_cutofflp, S::Press, FDeck_FX, 17, kDeck),
    ROW(ACT_deck_fx_cutofflp, S::RightPress, FDeck_FX, 17, kDeck),
    ROW(ACT_deck_fx_cutofflp_drywet, S::Change, FDeck_FX_DryWet, 17, kDeck),
    ROW(ACT_deck_fx_cutofflp_param1, S::Change, FDeck_FX_Param1, 17, kDeck),
    ROW(ACT_deck_fx_cutofflp_param2, S::Change, FDeck_FX_Param2, 17, kDeck),
    ROW(ACT_deck_fx_cutoffhp, S::Press, FDeck_FX, 18, kDeck),
    ROW(ACT_deck_fx_cutoffhp, S::RightPress, FDeck_FX, 18, kDeck),
    ROW(ACT_deck_fx_cutoffhp_drywet, S::Change, FDeck_FX_DryWet, 18, kDeck),
    ROW(ACT_deck_fx_cutoffhp_param1, S::Change, FDeck_FX_Param1, 18, kDeck),
    ROW(ACT_deck_fx_cutoffhp_param2, S::Change, FDeck_FX_Param2, 18, kDeck),
    ROW(ACT_deck_fx_flanger, S::Press, FDeck_FX, 4, kDeck),
    ROW(ACT_deck_fx_flanger, S::RightPress, FDeck_FX, 4, kDeck),
    ROW(ACT_deck_fx_flanger_drywet, S::Change, FDeck_FX_DryWet, 4, kDeck),
    ROW(ACT_deck_fx_flanger_param1, S::Change, FDeck_FX_Param1, 4, kDeck),
    ROW(ACT_deck_fx_flanger_param2, S::Change, FDeck_FX_Param2, 4, kDeck),
    ROW(ACT_deck_fx_echo, S::Press, FDeck_FX, 9, kDeck),
    ROW(ACT_deck_fx_echo, S::RightPress, FDeck_FX, 9, kDeck),
    ROW(ACT_deck_fx_echo_drywet, S::Change, FDeck_FX_DryWet, 9, kDeck),
    ROW(ACT_deck_fx_echo_param1, S::Change, FDeck_FX_Param1, 9, kDeck),
    ROW(ACT_deck_fx_echo_param2, S::Change, FDeck_FX_Param2, 9, kDeck),
    ROW(ACT_deck_fx_beatwaw, S::Press, FDeck_FX, 0, kDeck),
    ROW(ACT_deck_fx_beatwaw, S::RightPress, FDeck_FX, 0, kDeck),
    ROW(ACT_deck_fx_beatwaw_drywet, S::Change, FDeck_FX_DryWet, 0, kDeck),
    ROW(ACT_deck_fx_beatwaw_param1, S::Change, FDeck_FX_Param1, 0, kDeck),
    ROW(ACT_deck_fx_beatwaw_param2, S::Change, FDeck_FX_Param2, 0, kDeck),
    ROW(ACT_deck_fx_reverb, S::Press, FDeck_FX, 8, kDeck),
    ROW(ACT_deck_fx_reverb, S::RightPress, FDeck_FX, 8, kDeck),
    ROW(ACT_deck_fx_reverb_drywet, S::Change, FDeck_FX_DryWet, 8, kDeck),
    ROW(ACT_deck_fx_reverb_param1, S::Change, FDeck_FX_Param1, 8, kDeck),
    ROW(ACT_deck_fx_reverb_param2, S::Change, FDeck_FX_Param2, 8, kDeck),
    ROW(ACT_deck_fx_bitcrusher, S::Press, FDeck_FX, 15, kDeck),
    ROW(ACT_deck_fx_bitcrusher, S::RightPress, FDeck_FX, 15, kDeck),
    ROW(ACT_deck_fx_bitcrusher_drywet, S::Change, FDeck_FX_DryWet, 15, kDeck),
    ROW(ACT_deck_fx_bitcrusher_param1, S::Change, FDeck_FX_Param1, 15, kDeck),
    ROW(ACT_deck_fx_bitcrusher_param2, S::Change, FDeck_FX_Param2, 15, kDeck),
    ROW(ACT_deck_fx_pan, S::Press, FDeck_FX, 1, kDeck),
    ROW(ACT_deck_fx_pan, S::RightPress, FDeck_FX, 1, kDeck),
    ROW(ACT_deck_fx_pan_drywet, S::Change, FDeck_FX_DryWet, 1, kDeck),
    ROW(ACT_deck_fx_pan_param1, S::Change, FDeck_FX_Param1, 1, kDeck),
    ROW(ACT_deck_fx_pan_param2, S::Change, FDeck_FX_Param2, 1, kDeck),
    ROW(ACT_deck_fx_delay, S::Press, FDeck_FX, 7, kDeck),
    ROW(ACT_deck_fx_delay, S::RightPress, FDeck_FX, 7, kDeck),
    ROW(ACT_deck_fx_delay_drywet, S::Change, FDeck_FX_DryWet, 7, kDeck),
    ROW(ACT_deck_fx_delay_param1, S::Change, FDeck_FX_Param1, 7, kDeck),
    ROW(ACT_deck_fx_delay_param2, S::Change, FDeck_FX_Param2, 7, kDeck),
    ROW(ACT_deck_fx_tremolo, S::Press, FDeck_FX, 6, kDeck),
    ROW(ACT_deck_fx_tremolo, S::RightPress, FDeck_FX, 6, kDeck),
    ROW(ACT_deck_fx_tremolo_drywet, S::Change, FDeck_FX_DryWet, 6, kDeck),
    ROW(ACT_deck_fx_tremolo_param1, S::Change, FDeck_FX_Param1, 6, kDeck),
    ROW(ACT_deck_fx_tremolo_param2, S::Change, FDeck_FX_Param2, 6, kDeck),
    ROW(ACT_deck_fx1_choose_fx, S::Select, FAudioFX_OnChange, 0, kDeck),
    ROW(ACT_deck_fx1_prev, S::Press, OnButtonPress_DeckFX_Prev, 0, kDeck),
    ROW(ACT_deck_fx1_next, S::Press, OnButtonPress_DeckFX_Next, 0, kDeck),
    ROW(ACT_deck_fx1_toggle, S::Press, OnButtonPress_DeckFX_Toggle, 0, kDeck),
    ROW(ACT_deck_fx1_drywet, S::Track, OnSliderTrack_DeckFX_DryWet, 0, kDeck),
    ROW(ACT_deck_fx1_param1, S::Track, OnSliderTrack_DeckFX_Param1, 0, kDeck),
    ROW(ACT_deck_fx1_param2, S::Track, OnSliderTrack_DeckFX_Param2, 0, kDeck),
    ROW(ACT_deck_fx2_choose_fx, S::Select, FAudioFX_OnChange, 1, kDeck),
    ROW(ACT_deck_fx2_prev, S::Press, OnButtonPress_DeckFX_Prev, 1, kDeck),
    ROW(ACT_deck_fx2_next, S::Press, OnButtonPress_DeckFX_Next, 1, kDeck),
    ROW(ACT_deck_fx2_toggle, S::Press, OnButtonPress_DeckFX_Toggle, 1, kDeck),
    ROW(ACT_deck_fx2_drywet, S::Track, OnSliderTrack_DeckFX_DryWet, 1, kDeck),
    ROW(ACT_deck_fx2_param1, S::Track, OnSliderTrack_DeckFX_Param1, 1, kDeck),
    ROW(ACT_deck_fx2_param2, S::Track, OnSliderTrack_DeckFX_Param2, 1, kDeck),
    ROW(ACT_deck_padfx_choose_px, S::Select, FAudioPadFX_OnChange, 0, kDeck),
    ROW(ACT_deck_padfx_choose_py, S::Select, FAudioPadFX_OnChange, 1, kDeck),
    ROW(ACT_deck_audio_fx_x_prev, S::Press, OnButtonPress_DeckFXPrevX, -1, kDeck),
    ROW(ACT_deck_audio_fx_x_next, S::Press, OnButtonPress_DeckFXNextX, -1, kDeck),
    ROW(ACT_deck_audio_fx_y_prev, S::Press, OnButtonPress_DeckFXPrevY, -1, kDeck),
    ROW(ACT_deck_audio_fx_y_next, S::Press, OnButtonPress_DeckFXNextY, -1, kDeck),
    ROW(ACT_fx_sel, S::Release, FDeck_SelectFXtab, -1, kDeck),
    ROW(ACT_fx_add, S::Release, FDeck_AddFx, -1, kDeck),
    ROW(ACT_fx_mic_sel, S::Release, FMic_SelectFXtab, -1, kGlobal),
    ROW(ACT_fx_master_sel, S::Release, FMaster_SelectFXtab, -1, kGlobal),
    ROW(ACT_fx_samples_sel, S::Release, FSamples_SelectTab, -1, kGlobal),
    ROW(ACT_fx_mic_add, S::Release, FMic_AddFx, -1, kGlobal),
    ROW(ACT_fx_master_add, S::Release, FMaster_AddFx, -1, kGlobal),
    // Automix.
    ROW(ACT_autodj, S::Press, FAutoMixSwitch, -1, kGlobal),
    ROW(ACT_autodj, S::RightPress, FAutoMixSwitch, -1, kGlobal),
    ROW(ACT_autodj2, S::Press, FAutoMixSwitch, -1, kGlobal),
    ROW(ACT_autodj2, S::RightPress, FAutoMixSwitch, -1, kGlobal),
    ROW(ACT_autodj_next, S::Press, FAutoMixNext, -1, kGlobal),
    ROW(ACT_autodj_to_left, S::Press, FAutoDjToLeft, -1, kGlobal),
    ROW(ACT_autodj_to_right, S::Press, FAutoDjToRight, -1, kGlobal),
    ROW(ACT_crossfader, S::Track, FCrossFaderTrack, -1, kGlobal),
    // Karaoke.
    ROW(ACT_load_next_singer, S::Release, FLoadNextSinger, -1, kGlobal),
    // Recording.
    ROW(ACT_recording, S::Release, FRecordingChooseType, -1, kGlobal),
    ROW(ACT_recording, S::RightRelease, FRecordingChooseType, -1, kGlobal),
    ROW(ACT_recording_audio, S::Release, FRecording, -1, kGlobal),
    ROW(ACT_recording_audio, S::RightRelease, FRecording, -1, kGlobal),
};

#undef SAMPLER_ROWS
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
