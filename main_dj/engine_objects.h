#pragma once
// The engine objects the shell makes at start-up beyond those the user actions act on
// (actions_dj/engine_globals.h, which also holds the sampler slots and the decks' live inputs): the
// microphone's live input, the master-effects channel, the video recorder and the two worker threads. Null
// before the engine start and again after its shut-down; set and cleared on the main thread only, while no
// GUI tick runs.
//
// Mixer channel indices, in the order they are added: 0 deck 0, 1 deck 1, 2 preview player, 3 filler
// player, 4 to 11 the samplers 1 to 8. The microphone channel and the master-effects channel take the
// mixer's own places.

#include "actions_dj/engine_globals.h"

class CLiveInputSource;
class ZRMixerChannel;
class ZRThread;
class ZRVideoRecorder;

extern CLiveInputSource* MicrophoneLiveIn;
extern ZRMixerChannel* MasterFxChannel;
extern ZRVideoRecorder* videoRecorder;
extern ZRThread* scratchThread;
extern ZRThread* analyzeThread;
// Seconds since the epoch when the engine start began.
extern long the_app_start_time;

// Creates the decks, inputs, channels, players, recorder, broadcaster, mixer and sound output and sets the
// mixer up (channels in their order, sampler channels vetoed from the programme mix with fader 127 and
// headphone level 110, 128 fader and crossfader positions, the crossfader's curve and sides, the preview
// player's and filler player's headphone levels). The sound device is not opened here: the settings do it.
// Main thread, once.
void createEngineObjects();
// Deletes them, users before what they use: the sound output first (which ends the audio callbacks), then
// the recorder, broadcaster and mixer, then the players, channels, inputs and decks. Every pointer is
// tested for null and cleared; a second call does nothing. Main thread.
void deleteEngineObjects();
