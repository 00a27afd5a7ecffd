#pragma once
// Which action function each skin control calls: one row per (action, slot), in one place. The binding step
// of the application stores each row's function into its nodes' slots (and sets the node's param when the
// row has one); the lookup of action functions by name (scripts, shortcuts, MIDI) finds them here too. An
// action is its function plus its rows: nothing else names it. A function serving several nodes gets its
// node's param from the row.
//
// Threads: the table is constant; any thread may read it.

#include "gui/zr_node_events.h"

enum class ZRDjSlot : int {
  Press,         // button press (also a play-live node's, and a progress ring's)
  Release,       // button release
  RightPress,    // button right press
  RightRelease,  // button right release
  Change,        // slider or knob: every position change (the program's too)
  Track,         // slider or knob: changes the user causes
  Select,        // drop-down: the selection changed (value: the new index)
};

struct ZRDjActionBinding {
  int action;  // action id (common/action_ids.h)
  ZRDjSlot slot;
  ZRActionCallback function;
  int param;  // the node's param (-1 unless the function serves several nodes)
  bool perDeck;
  const char* functionName;  // the function's own name, by which scripts, shortcuts and MIDI find it
};

// The rows, and their number.
const ZRDjActionBinding* djActionBindings(int& count);
// The function of action (by id or by vocabulary name) and slot; null when none is bound there.
ZRActionCallback findDjAction(int action, ZRDjSlot slot);
ZRActionCallback findDjAction(const char* actionName, ZRDjSlot slot);
// The row of action and slot; null when none.
const ZRDjActionBinding* findDjActionBinding(int action, ZRDjSlot slot);
// The function named name (its first row); null when no row carries it.
ZRActionCallback findDjActionFunction(const char* name);
