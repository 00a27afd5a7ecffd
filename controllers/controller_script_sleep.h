#pragma once
// The script call "sleep" (value ms): controller scripts use it to space out messages to a device (LED
// set-up sequences). Scripts run on the render thread inside the GUI tick, so a long sleep would freeze the
// skin and every controller: the pause is held to kMaxScriptSleepMs.

inline constexpr int kMaxScriptSleepMs = 100;

// Sleeps value milliseconds, at most kMaxScriptSleepMs; nothing for 0 or less. param and deck are unused.
void callDj_Sleep(int value, int param, int deck);
