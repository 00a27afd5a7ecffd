#include "controllers/controller_call_table.h"

#include <cstring>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_logging.h"
#include "controllers/controller_host.h"
#include "controllers/zr_javascript.h"

namespace {

// clang-format off
const ZRCallDjFunction kRows[] = {
    {"setCrossfader", nullptr, "crossfader", 4, 1, 1, -1, 0},
    {"setCFCurve", nullptr, "cf_curve", 4, 1, 1, -1, 0},
    {"setCFAudio", nullptr, "cf_audio", 4, 1, 1, -1, 0},
    {"setCFVideo", nullptr, "cf_video", 4, 1, 1, -1, 0},
    {"setCuePgmMix", nullptr, "cue_pgm_mix", 4, 1, 1, -1, 0},
    {"setMasterBalance", nullptr, "master_balance", 4, 1, 1, -1, 0},
    {"setMasterVolume", nullptr, "master_volume", 4, 1, 1, -1, 0},
    {"setMasterGain", nullptr, "master_gain", 4, 1, 1, -1, 0},
    {"setMasterMode", nullptr, "master_mode", 4, 1, 1, -1, 0},
    {"setMasterKarMode", nullptr, "master_karaoke_mode", 4, 1, 1, -1, 0},
    {"setMonitorVolume", nullptr, "monitor_volume", 4, 1, 1, -1, 0},
    {"setMonitorGain", nullptr, "monitor_gain", 4, 1, 1, -1, 0},
    {"setPreview", nullptr, "preview", 4, 1, 1, -1, 0},
    {"setMicVolume", nullptr, "microphone_volume", 4, 1, 1, -1, 0},
    {"setFillerVolume", nullptr, "filler_player_volume", 4, 1, 1, -1, 0},
    {"setMicGain", nullptr, "mic_gain", 4, 1, 1, -1, 0},
    {"setMicEqLow", nullptr, "mic_eq_low", 4, 1, 1, -1, 0},
    {"setMicEqMid", nullptr, "mic_eq_mid", 4, 1, 1, -1, 0},
    {"setMicEqHigh", nullptr, "mic_eq_high", 4, 1, 1, -1, 0},
    {"setSamplerMasterVolume", nullptr, "sampler_master_volume", 4, 1, 1, -1, 0},
    {"lbMoveCursor", "callDj_MoveLBCursorInc", nullptr, 0, 1, 1, -1, 0},
    {"setPitchRange", "callDj_SetPitchRange", nullptr, 0, 1, 1, -1, 0},
    {"record", "callDj_RecordingAudio", nullptr, 0, 1, 1, -1, 0},
    {"samplerPlay", "callDj_SamplerPlay", nullptr, 0, 1, 1, -1, 0},
    {"samplerStop", "callDj_SamplerStop", nullptr, 0, 1, 1, -1, 0},
    {"samplerInstant", "callDj_SamplerInstant", nullptr, 0, 1, 1, -1, 0},
    {"samplerVolume", "callDj_SamplerVolume", nullptr, 0, 1, 1, -1, 0},
    {"hide", "callDj_Hide", nullptr, 0, 1, 1, -1, 0},
    {"show", "callDj_Show", nullptr, 0, 1, 1, -1, 0},
    {"sleep", "callDj_Sleep", nullptr, 0, 1, 1, -1, 0},
    {"lbToggleSelect", "callDj_LBToggleSelect", nullptr, 0, 1, 1, -1, 0},
    {"lbBrowserSelect", "callDj_LBBrowserSelect", nullptr, 0, 1, 1, -1, 0},
    {"lbListSelect", "callDj_LBListSelect", nullptr, 0, 1, 1, -1, 0},
    {"minimize", nullptr, "minimize", 1, 1, 1, -1, kCallOnMainThread},
    {"maximize", nullptr, "maximize", 1, 1, 1, -1, kCallOnMainThread},
    {"closeapp", nullptr, "close", 1, 1, 1, -1, kCallOnMainThread},
    {"listInsert", nullptr, "insert", 1, 1, 1, -1, 0},
    {"listInsertAll", nullptr, "insert_all", 1, 1, 1, -1, 0},
    {"listNew", nullptr, "list_new", 1, 1, 1, -1, kCallOnMainThread},
    {"listDelete", nullptr, "list_delete", 1, 1, 1, -1, 0},
    {"listEdit", nullptr, "list_edit", 1, 1, 1, -1, kCallOnMainThread},
    {"listImport", nullptr, "list_import", 1, 1, 1, -1, kCallOnMainThread},
    {"listExport", nullptr, "list_export", 1, 1, 1, -1, kCallOnMainThread},
    {"listTagEdit", nullptr, "list_tag_edit", 1, 1, 1, -1, 0},
    {"listAdd", nullptr, "add", 1, 1, 1, -1, kCallOnMainThread},
    {"listAddDir", nullptr, "add_dir", 1, 1, 1, -1, kCallOnMainThread},
    {"listRemove", nullptr, "remove", 1, 1, 1, -1, 0},
    {"listClear", nullptr, "clear", 1, 1, 1, -1, 0},
    {"listRandom", nullptr, "random", 1, 1, 1, -1, 0},
    {"listShuffle", nullptr, "shuffle", 1, 1, 1, -1, 0},
    {"listDragUp", nullptr, "drag_up", 1, 1, 1, -1, 0},
    {"listDragDown", nullptr, "drag_down", 1, 1, 1, -1, 0},
    {"listDragTop", nullptr, "drag_top", 1, 1, 1, -1, 0},
    {"listDragBottom", nullptr, "drag_bottom", 1, 1, 1, -1, 0},
    {"listSelect", nullptr, "playlist_sel", 1, 1, 1, -1, 0},
    {"mixNext", nullptr, "autodj_next", 1, 1, 1, -1, 0},
    {"mixNextToLeft", nullptr, "autodj_to_left", 1, 1, 1, -1, 0},
    {"mixNextToRight", nullptr, "autodj_to_right", 1, 1, 1, -1, 0},
    {"setAutoDj", nullptr, "autodj", 1, 1, 1, -1, 0},
    {"previewSong", nullptr, "ss_preview", 1, 1, 1, -1, 0},
    {"searchStop", nullptr, "search_stop", 1, 1, 1, -1, 0},
    {"autoDjMore", nullptr, "autodj_more", 1, 1, 1, -1, 0},
    {"autoDjLess", nullptr, "autodj_less", 1, 1, 1, -1, 0},
    {"limiter", nullptr, "limiter", 1, 1, 1, -1, 0},
    {"reloadSkin", nullptr, "reload_skin", 1, 1, 1, -1, kCallOnMainThread},
    {"reloadMidi", nullptr, "reload_midi", 1, 1, 1, -1, kCallAfterScript},
    {"videoOverlays", nullptr, "show_video_overlays", 1, 1, 1, -1, kCallOnMainThread},
    {"phonesSplit", nullptr, "phones_split", 1, 1, 1, -1, 0},
    {"syncLock", nullptr, "sync_lock", 1, 1, 1, -1, 0},
    {"masterFxAdd", nullptr, "fx_master_add", 1, 1, 1, -1, 0},
    {"masterFxSel", nullptr, "fx_master_sel", 1, 1, 1, -1, 0},
    {"samplesSel", nullptr, "fx_samples_sel", 1, 1, 1, -1, 0},
    {"micFxSel", nullptr, "fx_mic_sel", 1, 1, 1, -1, 0},
    {"micFxAdd", nullptr, "fx_mic_add", 1, 1, 1, -1, 0},
    {"micTalkOver", nullptr, "talkover", 1, 1, 1, -1, 0},
    {"micOnAir", nullptr, "onair", 1, 1, 1, -1, 0},
    {"micEqLowKill", nullptr, "mic_kill_low", 1, 1, 1, -1, 0},
    {"micEqMidKill", nullptr, "mic_kill_mid", 1, 1, 1, -1, 0},
    {"micEqHighKill", nullptr, "mic_kill_high", 1, 1, 1, -1, 0},
    {"showHelp", nullptr, "about", 1, 1, 1, -1, kCallOnMainThread},
    {"showCfg", nullptr, "cfg", 1, 1, 1, -1, kCallOnMainThread},
    {"sampler1", nullptr, "sampler1_play", 1, 1, 1, -1, 0},
    {"sampler2", nullptr, "sampler2_play", 1, 1, 1, -1, 0},
    {"sampler3", nullptr, "sampler3_play", 1, 1, 1, -1, 0},
    {"sampler4", nullptr, "sampler4_play", 1, 1, 1, -1, 0},
    {"sampler5", nullptr, "sampler5_play", 1, 1, 1, -1, 0},
    {"sampler6", nullptr, "sampler6_play", 1, 1, 1, -1, 0},
    {"sampler7", nullptr, "sampler7_play", 1, 1, 1, -1, 0},
    {"sampler8", nullptr, "sampler8_play", 1, 1, 1, -1, 0},
    {"setMicTalkOver", nullptr, "talkover", 3, 1, 1, -1, 0},
    {"setMicOnAir", nullptr, "onair", 3, 1, 1, -1, 0},
    {"setPhonesSplit", nullptr, "phones_split", 3, 1, 1, -1, 0},
    {"setDeckVolume", nullptr, "deck_volume", 4, 0, 2, -1, 0},
    {"setDeckPitch", nullptr, "deck_pitch", 4, 0, 2, -1, 0},
    {"setDeckPitchKey", nullptr, "deck_pitch_key", 4, 0, 2, -1, 0},
    {"setDeckPos", nullptr, "deck_pos", 4, 0, 2, -1, 0},
    {"setDeckCutoff", nullptr, "deck_cutoff_filter", 4, 0, 2, -1, 0},
    {"setDeckGain", nullptr, "deck_gain", 4, 0, 2, -1, 0},
    {"setDeckEqLow", nullptr, "deck_eq_low", 4, 0, 2, -1, 0},
    {"setDeckEqMid", nullptr, "deck_eq_mid", 4, 0, 2, -1, 0},
    {"setDeckEqHigh", nullptr, "deck_eq_high", 4, 0, 2, -1, 0},
    {"deckFxPanDW", nullptr, "deck_fx_pan_drywet", 4, 0, 2, -1, 0},
    {"deckFxFlangerDW", nullptr, "deck_fx_flanger_drywet", 4, 0, 2, -1, 0},
    {"deckFxPhaserDW", nullptr, "deck_fx_phaser_drywet", 4, 0, 2, -1, 0},
    {"deckFxReverbDW", nullptr, "deck_fx_reverb_drywet", 4, 0, 2, -1, 0},
    {"deckFxEchoDW", nullptr, "deck_fx_echo_drywet", 4, 0, 2, -1, 0},
    {"deckFxDelayDW", nullptr, "deck_fx_delay_drywet", 4, 0, 2, -1, 0},
    {"deckFxBeatwawDW", nullptr, "deck_fx_beatwaw_drywet", 4, 0, 2, -1, 0},
    {"deckFxPanP1", nullptr, "deck_fx_pan_param1", 4, 0, 2, -1, 0},
    {"deckFxFlangerP1", nullptr, "deck_fx_flanger_param1", 4, 0, 2, -1, 0},
    {"deckFxPhaserP1", nullptr, "deck_fx_phaser_param1", 4, 0, 2, -1, 0},
    {"deckFxReverbP1", nullptr, "deck_fx_reverb_param1", 4, 0, 2, -1, 0},
    {"deckFxEchoP1", nullptr, "deck_fx_echo_param1", 4, 0, 2, -1, 0},
    {"deckFxDelayP1", nullptr, "deck_fx_delay_param1", 4, 0, 2, -1, 0},
    {"deckFxBeatwawP1", nullptr, "deck_fx_beatwaw_param1", 4, 0, 2, -1, 0},
    {"deckFxPanP2", nullptr, "deck_fx_pan_param2", 4, 0, 2, -1, 0},
    {"deckFxFlangerP2", nullptr, "deck_fx_flanger_param2", 4, 0, 2, -1, 0},
    {"deckFxPhaserP2", nullptr, "deck_fx_phaser_param2", 4, 0, 2, -1, 0},
    {"deckFxReverbP2", nullptr, "deck_fx_reverb_param2", 4, 0, 2, -1, 0},
    {"deckFxEchoP2", nullptr, "deck_fx_echo_param2", 4, 0, 2, -1, 0},
    {"deckFxDelayP2", nullptr, "deck_fx_delay_param2", 4, 0, 2, -1, 0},
    {"deckFxBeatwawP2", nullptr, "deck_fx_beatwaw_param2", 4, 0, 2, -1, 0},
    {"deckFx1DryWet", nullptr, "deck_fx1_drywet", 4, 0, 2, -1, 0},
    {"deckFx1Param1", nullptr, "deck_fx1_param1", 4, 0, 2, -1, 0},
    {"deckFx1Param2", nullptr, "deck_fx1_param2", 4, 0, 2, -1, 0},
    {"deckFx2DryWet", nullptr, "deck_fx2_drywet", 4, 0, 2, -1, 0},
    {"deckFx2Param1", nullptr, "deck_fx2_param1", 4, 0, 2, -1, 0},
    {"deckFx2Param2", nullptr, "deck_fx2_param2", 4, 0, 2, -1, 0},
    {"searchDeckJW", "callDj_DeckSearchJW", nullptr, 0, 0, 2, 100, 0},
    {"scratchDeckJW", "callDj_DeckScratchJW", nullptr, 0, 0, 2, 100, 0},
    {"moveDeckJogWheel", "callDj_DeckJogWheelMove", nullptr, 0, 0, 2, 100, 0},
    {"holdDeckJogWheel", "callDj_DeckJogWheelHold", nullptr, 0, 0, 1, -1, 0},
    {"moveDeckPitch", "callDj_DeckIncPitch", nullptr, 0, 0, 2, -1, 0},
    {"deckLBLoad", "callDj_DeckLBLoad", nullptr, 0, 0, 1, -1, 0},
    {"deckEditBpm", "callDj_DeckEditBpm", nullptr, 0, 0, 1, -1, 0},
    {"deckSaveBpm", "callDj_DeckSaveBpm", nullptr, 0, 0, 1, -1, 0},
    {"deckTapBpm", "callDj_DeckTapBpm", nullptr, 0, 0, 1, -1, 0},
    {"deckLoopNormal64ths", "callDj_DeckLoopNormal64ths", nullptr, 0, 0, 1, -1, 0},
    {"deckLoopInstant64ths", "callDj_DeckLoopInstant64ths", nullptr, 0, 0, 1, -1, 0},
    {"deckSetCFAssign", "callDj_DeckCFAssign", nullptr, 0, 0, 1, -1, 0},
    {"deckFxSel", nullptr, "fx_sel", 1, 0, 1, -1, 0},
    {"deckFxAdd", nullptr, "fx_add", 1, 0, 1, -1, 0},
    {"deckSync", nullptr, "deck_sync", 1, 0, 1, -1, 0},
    {"deckMatch", nullptr, "deck_match", 1, 0, 1, -1, 0},
    {"deckMonitor", nullptr, "deck_monitor", 1, 0, 1, -1, 0},
    {"deckBoost", nullptr, "deck_boost", 1, 0, 1, -1, 0},
    {"deckMute", nullptr, "deck_mute", 1, 0, 1, -1, 0},
    {"deckInMaster", nullptr, "deck_in_master", 1, 0, 1, -1, 0},
    {"deckBackToTop", nullptr, "deck_back_to_top", 1, 0, 1, -1, 0},
    {"deckSetCue", nullptr, "deck_setcue", 1, 0, 1, -1, 0},
    {"deckCue", nullptr, "deck_cue", 1, 0, 1, -1, 0},
    {"deckPlayPause", nullptr, "deck_play_pause", 1, 0, 1, -1, 0},
    {"deckCuePlay", nullptr, "deck_cue_play", 1, 0, 1, -1, 0},
    {"deckBendDown", nullptr, "deck_bend_down", 1, 0, 1, -1, 0},
    {"deckBendUp", nullptr, "deck_bend_up", 1, 0, 1, -1, 0},
    {"deckUnload", nullptr, "deck_unload", 1, 0, 1, -1, 0},
    {"deckRev", nullptr, "deck_rev", 1, 0, 1, -1, 0},
    {"deckFwd", nullptr, "deck_fwd", 1, 0, 1, -1, 0},
    {"deckResetPitch", nullptr, "deck_reset_pitch", 1, 0, 1, -1, 0},
    {"deckLoadNext", nullptr, "deck_load", 1, 0, 1, -1, 0},
    {"deckLoopInEnd", nullptr, "deck_loop_in_end", 1, 0, 1, -1, 0},
    {"deckLoopExit", nullptr, "deck_loop_out", 1, 0, 1, -1, 0},
    {"deckLoopExitOrReloop", nullptr, "deck_loop_out_or_reloop", 1, 0, 1, -1, 0},
    {"deckLoopReloop", nullptr, "deck_loop_reloop", 1, 0, 1, -1, 0},
    {"deckLoopPrev", nullptr, "deck_loop_prev", 1, 0, 1, -1, 0},
    {"deckLoopNext", nullptr, "deck_loop_next", 1, 0, 1, -1, 0},
    {"deckLoopLess", nullptr, "deck_loop_less", 1, 0, 1, -1, 0},
    {"deckLoopMore", nullptr, "deck_loop_more", 1, 0, 1, -1, 0},
    {"deckLoop1_16", nullptr, "deck_loop_sixteenth", 1, 0, 1, -1, 0},
    {"deckLoop1_8", nullptr, "deck_loop_eighth", 1, 0, 1, -1, 0},
    {"deckLoop1_4", nullptr, "deck_loop_quarter", 1, 0, 1, -1, 0},
    {"deckLoop1_2", nullptr, "deck_loop_half", 1, 0, 1, -1, 0},
    {"deckLoop1", nullptr, "deck_loop_1", 1, 0, 1, -1, 0},
    {"deckLoop2", nullptr, "deck_loop_2", 1, 0, 1, -1, 0},
    {"deckLoop4", nullptr, "deck_loop_4", 1, 0, 1, -1, 0},
    {"deckLoop8", nullptr, "deck_loop_8", 1, 0, 1, -1, 0},
    {"deckLoop16", nullptr, "deck_loop_16", 1, 0, 1, -1, 0},
    {"deckLoop32", nullptr, "deck_loop_32", 1, 0, 1, -1, 0},
    {"deckLoopPoint1", nullptr, "deck_loop1", 1, 0, 1, -1, 0},
    {"deckLoopPoint2", nullptr, "deck_loop2", 1, 0, 1, -1, 0},
    {"deckLoopPoint3", nullptr, "deck_loop3", 1, 0, 1, -1, 0},
    {"deckLoopPoint4", nullptr, "deck_loop4", 1, 0, 1, -1, 0},
    {"deckLoopPoint5", nullptr, "deck_loop5", 1, 0, 1, -1, 0},
    {"deckLoopPoint6", nullptr, "deck_loop6", 1, 0, 1, -1, 0},
    {"deckLoopPoint7", nullptr, "deck_loop7", 1, 0, 1, -1, 0},
    {"deckLoopPoint8", nullptr, "deck_loop8", 1, 0, 1, -1, 0},
    {"deckLoopSong", nullptr, "deck_loop_song", 1, 0, 1, -1, 0},
    {"deckLoopMode", nullptr, "deck_loop_mode", 1, 0, 1, -1, 0},
    {"deckSlowBpm", nullptr, "deck_slow_bpm", 1, 0, 1, -1, 0},
    {"deckReverse", nullptr, "deck_reverse", 1, 0, 1, -1, 0},
    {"deckBrake", nullptr, "deck_brake", 1, 0, 1, -1, 0},
    {"deckEqLowKill", nullptr, "deck_kill_low", 1, 0, 1, -1, 0},
    {"deckEqMidKill", nullptr, "deck_kill_mid", 1, 0, 1, -1, 0},
    {"deckEqHighKill", nullptr, "deck_kill_high", 1, 0, 1, -1, 0},
    {"deckSearchLeft", nullptr, "deck_search_left", 1, 0, 1, -1, 0},
    {"deckSearchRight", nullptr, "deck_search_right", 1, 0, 1, -1, 0},
    {"deckScratch", nullptr, "deck_scratch", 1, 0, 1, -1, 0},
    {"deckSkipBeatPrev", nullptr, "deck_skip_beat_prev", 1, 0, 1, -1, 0},
    {"deckSkipBeatNext", nullptr, "deck_skip_beat", 1, 0, 1, -1, 0},
    {"deckSkipBarPrev", nullptr, "deck_skip_bar_prev", 1, 0, 1, -1, 0},
    {"deckSkipBarNext", nullptr, "deck_skip_bar", 1, 0, 1, -1, 0},
    {"deckKeyLock", nullptr, "deck_key_lock", 1, 0, 1, -1, 0},
    {"deckAnalogIn", nullptr, "deck_analogin", 1, 0, 1, -1, 0},
    {"deckTimecodeIn", nullptr, "deck_timecodein", 1, 0, 1, -1, 0},
    {"deckFxPan", nullptr, "deck_fx_pan", 1, 0, 1, -1, 0},
    {"deckFxFlanger", nullptr, "deck_fx_flanger", 1, 0, 1, -1, 0},
    {"deckFxPhaser", nullptr, "deck_fx_phaser", 1, 0, 1, -1, 0},
    {"deckFxReverb", nullptr, "deck_fx_reverb", 1, 0, 1, -1, 0},
    {"deckFxEcho", nullptr, "deck_fx_echo", 1, 0, 1, -1, 0},
    {"deckFxDelay", nullptr, "deck_fx_delay", 1, 0, 1, -1, 0},
    {"deckFxBeatwaw", nullptr, "deck_fx_beatwaw", 1, 0, 1, -1, 0},
    {"deckCueIn", nullptr, "deck_cue_in", 1, 0, 1, -1, 0},
    {"deckCueOut", nullptr, "deck_cue_out", 1, 0, 1, -1, 0},
    {"deckCuePos1", nullptr, "deck_cuepos_1", 1, 0, 1, -1, 0},
    {"deckCuePos2", nullptr, "deck_cuepos_2", 1, 0, 1, -1, 0},
    {"deckCuePos3", nullptr, "deck_cuepos_3", 1, 0, 1, -1, 0},
    {"deckCuePos4", nullptr, "deck_cuepos_4", 1, 0, 1, -1, 0},
    {"deckCuePos5", nullptr, "deck_cuepos_5", 1, 0, 1, -1, 0},
    {"deckCuePos6", nullptr, "deck_cuepos_6", 1, 0, 1, -1, 0},
    {"deckCuePos7", nullptr, "deck_cuepos_7", 1, 0, 1, -1, 0},
    {"deckCuePos8", nullptr, "deck_cuepos_8", 1, 0, 1, -1, 0},
    {"deckCuePos9", nullptr, "deck_cuepos_9", 1, 0, 1, -1, 0},
    {"deckCuePos10", nullptr, "deck_cuepos_10", 1, 0, 1, -1, 0},
    {"deckCuePos11", nullptr, "deck_cuepos_11", 1, 0, 1, -1, 0},
    {"deckCuePos12", nullptr, "deck_cuepos_12", 1, 0, 1, -1, 0},
    {"deckCuePos13", nullptr, "deck_cuepos_13", 1, 0, 1, -1, 0},
    {"deckCuePos14", nullptr, "deck_cuepos_14", 1, 0, 1, -1, 0},
    {"deckCuePos15", nullptr, "deck_cuepos_15", 1, 0, 1, -1, 0},
    {"deckCuePos16", nullptr, "deck_cuepos_16", 1, 0, 1, -1, 0},
    {"deckCuePos1Clear", nullptr, "deck_clearcuepos_1", 1, 0, 1, -1, 0},
    {"deckCuePos2Clear", nullptr, "deck_clearcuepos_2", 1, 0, 1, -1, 0},
    {"deckCuePos3Clear", nullptr, "deck_clearcuepos_3", 1, 0, 1, -1, 0},
    {"deckCuePos4Clear", nullptr, "deck_clearcuepos_4", 1, 0, 1, -1, 0},
    {"deckCuePos5Clear", nullptr, "deck_clearcuepos_5", 1, 0, 1, -1, 0},
    {"deckCuePos6Clear", nullptr, "deck_clearcuepos_6", 1, 0, 1, -1, 0},
    {"deckCuePos7Clear", nullptr, "deck_clearcuepos_7", 1, 0, 1, -1, 0},
    {"deckCuePos8Clear", nullptr, "deck_clearcuepos_8", 1, 0, 1, -1, 0},
    {"deckCuePos9Clear", nullptr, "deck_clearcuepos_9", 1, 0, 1, -1, 0},
    {"deckCuePos10Clear", nullptr, "deck_clearcuepos_10", 1, 0, 1, -1, 0},
    {"deckCuePos11Clear", nullptr, "deck_clearcuepos_11", 1, 0, 1, -1, 0},
    {"deckCuePos12Clear", nullptr, "deck_clearcuepos_12", 1, 0, 1, -1, 0},
    {"deckCuePos13Clear", nullptr, "deck_clearcuepos_13", 1, 0, 1, -1, 0},
    {"deckCuePos14Clear", nullptr, "deck_clearcuepos_14", 1, 0, 1, -1, 0},
    {"deckCuePos15Clear", nullptr, "deck_clearcuepos_15", 1, 0, 1, -1, 0},
    {"deckCuePos16Clear", nullptr, "deck_clearcuepos_16", 1, 0, 1, -1, 0},
    {"deckCuePosClear", nullptr, "deck_cuepos_clear", 1, 0, 1, -1, 0},
    {"deckFx1Prev", nullptr, "deck_fx1_prev", 1, 0, 1, -1, 0},
    {"deckFx1Next", nullptr, "deck_fx1_next", 1, 0, 1, -1, 0},
    {"deckFx1ToggleOn", nullptr, "deck_fx1_toggle", 1, 0, 1, -1, 0},
    {"deckFx2Prev", nullptr, "deck_fx2_prev", 1, 0, 1, -1, 0},
    {"deckFx2Next", nullptr, "deck_fx2_next", 1, 0, 1, -1, 0},
    {"deckFx2ToggleOn", nullptr, "deck_fx2_toggle", 1, 0, 1, -1, 0},
    {"deckSliceCue1", nullptr, "deck_slicecue_1", 1, 0, 1, -1, 0},
    {"deckSliceCue2", nullptr, "deck_slicecue_2", 1, 0, 1, -1, 0},
    {"deckSliceCue3", nullptr, "deck_slicecue_3", 1, 0, 1, -1, 0},
    {"deckSliceCue4", nullptr, "deck_slicecue_4", 1, 0, 1, -1, 0},
    {"deckSliceCue5", nullptr, "deck_slicecue_5", 1, 0, 1, -1, 0},
    {"deckSliceCue6", nullptr, "deck_slicecue_6", 1, 0, 1, -1, 0},
    {"deckSliceCue7", nullptr, "deck_slicecue_7", 1, 0, 1, -1, 0},
    {"deckSliceCue8", nullptr, "deck_slicecue_8", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue1", nullptr, "deck_sliceloopcue_1", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue2", nullptr, "deck_sliceloopcue_2", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue3", nullptr, "deck_sliceloopcue_3", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue4", nullptr, "deck_sliceloopcue_4", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue5", nullptr, "deck_sliceloopcue_5", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue6", nullptr, "deck_sliceloopcue_6", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue7", nullptr, "deck_sliceloopcue_7", 1, 0, 1, -1, 0},
    {"deckSliceLoopCue8", nullptr, "deck_sliceloopcue_8", 1, 0, 1, -1, 0},
    {"deckLoopCue1", nullptr, "deck_loopcue_1", 1, 0, 1, -1, 0},
    {"deckLoopCue2", nullptr, "deck_loopcue_2", 1, 0, 1, -1, 0},
    {"deckLoopCue3", nullptr, "deck_loopcue_3", 1, 0, 1, -1, 0},
    {"deckLoopCue4", nullptr, "deck_loopcue_4", 1, 0, 1, -1, 0},
    {"deckLoopCue5", nullptr, "deck_loopcue_5", 1, 0, 1, -1, 0},
    {"deckLoopCue6", nullptr, "deck_loopcue_6", 1, 0, 1, -1, 0},
    {"deckLoopCue7", nullptr, "deck_loopcue_7", 1, 0, 1, -1, 0},
    {"deckLoopCue8", nullptr, "deck_loopcue_8", 1, 0, 1, -1, 0},
    {"deckLoopRoll1", nullptr, "deck_looproll_1", 1, 0, 1, -1, 0},
    {"deckLoopRoll2", nullptr, "deck_looproll_2", 1, 0, 1, -1, 0},
    {"deckLoopRoll3", nullptr, "deck_looproll_3", 1, 0, 1, -1, 0},
    {"deckLoopRoll4", nullptr, "deck_looproll_4", 1, 0, 1, -1, 0},
    {"deckLoopRoll5", nullptr, "deck_looproll_5", 1, 0, 1, -1, 0},
    {"deckLoopRoll6", nullptr, "deck_looproll_6", 1, 0, 1, -1, 0},
    {"deckLoopRoll7", nullptr, "deck_looproll_7", 1, 0, 1, -1, 0},
    {"deckLoopRoll8", nullptr, "deck_looproll_8", 1, 0, 1, -1, 0},
    {"deckPitchCue1", nullptr, "deck_pitchcue_1", 1, 0, 1, -1, 0},
    {"deckPitchCue2", nullptr, "deck_pitchcue_2", 1, 0, 1, -1, 0},
    {"deckPitchCue3", nullptr, "deck_pitchcue_3", 1, 0, 1, -1, 0},
    {"deckPitchCue4", nullptr, "deck_pitchcue_4", 1, 0, 1, -1, 0},
    {"deckPitchCue5", nullptr, "deck_pitchcue_5", 1, 0, 1, -1, 0},
    {"deckPitchCue6", nullptr, "deck_pitchcue_6", 1, 0, 1, -1, 0},
    {"deckPitchCue7", nullptr, "deck_pitchcue_7", 1, 0, 1, -1, 0},
    {"deckPitchCue8", nullptr, "deck_pitchcue_8", 1, 0, 1, -1, 0},
    {"deckCFAssignToLeft", nullptr, "deck_cfassign_left", 1, 0, 1, -1, 0},
    {"deckCFAssignToThru", nullptr, "deck_cfassign_thru", 1, 0, 1, -1, 0},
    {"deckCFAssignToRight", nullptr, "deck_cfassign_right", 1, 0, 1, -1, 0},
    {"deckFx1SetOn", nullptr, "deck_fx1_toggle", 3, 0, 1, -1, 0},
    {"deckFx2SetOn", nullptr, "deck_fx2_toggle", 3, 0, 1, -1, 0},
    {"setDeckMonitor", nullptr, "deck_monitor", 3, 0, 1, -1, 0},
    {"setDeckAnalogIn", nullptr, "deck_analogin", 3, 0, 1, -1, 0},
};
// clang-format on

std::vector<std::function<void()>> afterCalls;

}  // namespace

const ZRCallDjFunction* getCallDjFunctions() {
  return kRows;
}

int getCallDjFunctionsTotal() {
  return static_cast<int>(sizeof kRows / sizeof kRows[0]);
}

bool callDj(int count, const TJSParam* arguments) {
  if (count < 1 || arguments == nullptr) return true;
  const std::string& name = arguments[0].text;
  const ZRCallDjFunction* row = nullptr;
  bool named = false;
  for (const ZRCallDjFunction& r : kRows) {
    if (name != r.name) continue;
    named = true;
    if (r.minArguments < count) {
      row = &r;
      break;
    }
  }
  if (row == nullptr) {
    ZRLOG("js function '%s' (%d params) unknown or bad params\n", name.c_str(), named ? count - 1 : 0);
    return true;
  }
  auto arg = [&](int i) { return i < count ? arguments[i].intValue : row->defaultInt; };
  int deck = -1;
  int value = 0;
  int param = 0;
  if (row->global != 0) {
    value = arg(1);
    param = arg(2);
  } else {
    deck = arg(1);
    if (deck < 0) deck = 0;
    if (deck > 1) return true;
    value = arg(2);
    param = arg(3);
  }
  ZRControllerHost* host = controllerHost();
  if (host == nullptr) return true;
  const int actionId = row->action != nullptr ? GetActionIndex(row->action) : 0;
  const int type = row->actionType;
  const char* handler = row->handler;
  auto run = [host, handler, actionId, type, deck, value, param] {
    if (handler != nullptr) {
      if (!host->callHandler(handler, value, param, deck)) ZRLOG("%s: not available yet", handler);
    } else {
      host->pressAction(type, actionId, deck, value, param);
    }
  };
  if ((row->flags & kCallOnMainThread) != 0) {
    host->runOnMainThread(run);
  } else if ((row->flags & kCallAfterScript) != 0) {
    runAfterScriptCalls(run);
  } else {
    run();
  }
  return true;
}

void runAfterScriptCalls(std::function<void()> work) {
  afterCalls.push_back(std::move(work));
}

void runDeferredScriptWork() {
  // Work queued by the work itself (a reload initialises controllers, whose scripts may call again) waits
  // for the next safe point.
  std::vector<std::function<void()>> work;
  work.swap(afterCalls);
  for (auto& w : work) w();
}
