#pragma once
// The script call "call" (name, ...): the table of command names a controller script or the skin's
// script may run, each leading to an action of the vocabulary (pressed, switched or moved like a user
// would) or to a named handler of the shell.
//
// Commands that open a dialog, close or resize the window or change the skin are posted to the main
// thread (kCallOnMainThread); "reloadMidi" would unload the script that is running and the controller
// that called it, so it waits for the controllers' next safe point (kCallAfterScript, see
// runAfterScriptCalls).
//
// Threads: the render thread (script calls inside the controller tick).

#include <functional>

struct TJSParam;

inline constexpr int kCallOnMainThread = 1;
inline constexpr int kCallAfterScript = 2;

struct ZRCallDjFunction {
  const char* name;
  const char* handler;  // a shell handler, or null
  const char* action;   // an action name, or null
  int actionType;       // 1 press with value, 2 press and release, 3 set switched, 4 move slider
  int global;           // 1 global, 0 per deck
  int minArguments;     // the call needs more arguments than this (the name included)
  int defaultInt;       // for missing arguments
  int flags;
};

const ZRCallDjFunction* getCallDjFunctions();
int getCallDjFunctionsTotal();

// Runs call(name, a1, a2, a3) with the script's arguments (arguments[0] the name). Always true.
bool callDj(int count, const TJSParam* arguments);

// Work that must wait until no script call and no walk over the controllers is running: queued, and run
// by runDeferredScriptWork (the controllers call it before each tick and after each drain of their MIDI
// queue).
void runAfterScriptCalls(std::function<void()> work);
void runDeferredScriptWork();
