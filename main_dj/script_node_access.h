#pragma once
// What the controller scripts do to the engine through the skin's nodes: the generic press, switch and
// move of an action's node (controllerCallFunctionCallback), direct commands on a named node
// (callNode_impl), and the calls a plain press cannot express (the callDj_ handlers: list cursors and
// focus, jog wheels, sampler slots, BPM editing, loops by 1/64 beat, crossfader assignment, hiding and
// showing nodes).
//
// A script may pass any number: every deck, id, slot and node index is bounded here (a deck outside 0..1,
// or -1..1 for a node, finds nothing; a slot outside 1..8 is ignored), never read outside a table.
//
// Threads: the render thread (the controller-script tick). Work that must run on the main thread (the tap
// tempo's button, the recording button, a skin change) is posted there (main_thread_messages.h).

class ZRNodeManager;

// The generic handler: type 1 a MIDI-like press with value (-1 presses and releases), 2 press and release,
// 3 switch to value != 0 running the actions, 4 move the slider to a 0..127 controller value, 5 not built.
void controllerCallFunctionCallback(int type, int action, int deck, int value, int extra);

// Commands on a node: name "skinChange" asks for the skin named by command; otherwise the engine node of
// the action name for deck (deck -2 or below: the skin-script node of that name) takes "buttonSetOver",
// "buttonSetSwitch", "gridCellClick" or "gridCellSelect". Always -1.
int callNode_impl(const char* name, int deck, const char* command, int first, int second, int third,
                  const char* text);

void callDj_MoveLBCursorInc(int delta, int param, int deck);
void callDj_LBBrowserSelect(int value, int param, int deck);
void callDj_LBListSelect(int value, int param, int deck);
void callDj_LBToggleSelect(int value, int param, int deck);
void callDj_DeckLBLoad(int value, int param, int deck);
void callDj_Hide(int deck, int id, int unused);
void callDj_Show(int deck, int id, int unused);
void callDj_DeckSearchJW(int value, int param, int deck);
void callDj_DeckScratchJW(int value, int param, int deck);
void callDj_DeckJogWheelMove(int value, int param, int deck);
void callDj_DeckJogWheelHold(int value, int param, int deck);
void callDj_DeckIncPitch(int value, int param, int deck);
void callDj_SamplerPlay(int slot, int param, int deck);
void callDj_SamplerStop(int slot, int param, int deck);
void callDj_SamplerInstant(int slot, int pressed, int deck);
void callDj_SamplerVolume(int slot, int value, int deck);
void callDj_DeckEditBpm(int value, int param, int deck);
void callDj_DeckSaveBpm(int value, int param, int deck);
void callDj_DeckTapBpm(int value, int param, int deck);
void callDj_RecordingAudio(int value, int param, int deck);
void callDj_DeckLoopNormal64ths(int value, int param, int deck);
void callDj_DeckLoopInstant64ths(int value, int param, int deck);
void callDj_SetPitchRange(int value, int param, int deck);
void callDj_DeckCFAssign(int type, int param, int deck);
