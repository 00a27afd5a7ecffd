#pragma once
// The action bindings: what turns the node manager's engine nodes (one per action, per deck where the
// action is a deck's) into the dispatch table of the whole interface. Each stage fills the nodes' action
// slots with action functions (action_functions.h: a function that is not built yet is a named placeholder
// that says so once), gives nodes their actionCode parameter, slider ranges and start positions, switch
// modes, captions, hints, drop-down items and drop callbacks.
//
// A skin only places and draws the nodes, so loading another skin keeps every binding. A slider calls its
// change slot on every position change, so a change slot bound before its range runs during binding: the
// action functions treat missing engine objects as nothing to do.
//
// Order of use (main thread, once each, inside the engine creation):
//   bindActionsStageA  before any engine object exists;
//   bindActionsStageB  after the music library (database, lists, favourites, columns) is loaded;
//   bindActionsStageC  after the "Loading..." window has closed (the decks exist: the waveform displays are
//                      given their decks, effect units and sampler controls run their actions once).
// A missing node is skipped; every stage may run on a manager without a skin.

#include "actions_dj/effect_actions.h"

class ZRNodeManager;

void bindActionsStageA(ZRNodeManager& manager);
void bindActionsStageB(ZRNodeManager& manager);
void bindActionsStageC(ZRNodeManager& manager);

// The label of the deck title: the language label with every "%c" replaced by the deck letter (A for deck
// 0, B for deck 1). The label is text, never a format: any other '%' stays as it is.
void formatDeckLabel(const char* label, int deck, char* out, int outSize);
