#pragma once
// The GUI tick: once per skin frame the render thread calls updatingGUICallback with the seconds since the
// previous frame, and the tick reads the decks, mixer, players and meters and writes what it finds into
// the engine nodes through their setters (never running their actions, except where a sampler recording
// reaches its limit). It also runs the dispatcher's "GUI" queue and the MIDI queue, the controller
// notification poll, and spreads slower work over a counter of ten ticks.
//
// Installed by the engine creation as the main window's GUI tick callback, as the last step of start-up;
// until then the render thread draws without ticking.
//
// Threads: render thread only, under no lock of its own (the node manager's tree lock is taken only for
// drawing, after the tick). What must run on the main thread (dialogs, a skin change) is posted there
// (main_thread_messages.h).

#include <atomic>

#include "actions_dj/automix_actions.h"

class ZRNodeManager;

// The tick (render thread). Without a node manager (no main window) it runs the queues only.
void updatingGUICallback(float dt);
// The tick over a given node manager (null: the queues only); the main window's tick is this over its own.
void runGuiTick(ZRNodeManager* manager, float dt);

// -1 idle; the engine creation sets 0 as its last step: half a second later the tick initialises the lists
// once (and loads the default content on a first run).
extern std::atomic<float> addNewTracksTimer;
// The hold-to-clear timers of the cue and loop buttons (actions_dj/deck_cues.h) advance on the tick.
// Puts every timer of the tick back to its start (engine creation, tests).
void resetGuiTickState();
