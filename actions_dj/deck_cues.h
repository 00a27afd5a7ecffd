#pragma once
// The cue points of a deck: sixteen hot cues (0..15), the cue-in (16) and cue-out (17) points. A press on
// an unset cue (position 44 frames or less) stores it at the current position; on a set one it jumps there
// and plays. Holding a hot cue's button for three slow ticks of the GUI tick clears that cue; the hold
// timers also clear saved loops (the loop actions start them).
//
// Action form (value, param = cue or slot, deck, node); decks other than 0 and 1, cues outside 0..17 and
// slots outside 0..7 do nothing.
// Threads: the actions on the main thread or the render thread (MIDI, scripts); the timers are advanced by
// the GUI tick on the render thread. A timer moves only by compare-and-swap, so a release between the
// tick's read and its write is never overwritten: a released button never clears anything.

#include <atomic>

class ZRDrawNode;

inline constexpr int kCueTimerSlots = 18;
inline constexpr int kLoopTimerSlots = 8;
// -1 idle; 0 or more: the slow ticks the button has been held.
extern std::atomic<int> cuePointTimer[2][kCueTimerSlots];
extern std::atomic<int> loopTimer[2][kLoopTimerSlots];

// One slow tick of deck's timers: a timer held past two ticks ends and clears its own cue or saved loop.
void advanceHoldTimers(int deck);
// Stops deck's timers (a load or unload was accepted: the held buttons belonged to the old track); deck
// -1: both decks.
void resetHoldTimers(int deck);

// Makes cue current and marks its hot-cue button (none for 16, 17 or an unknown cue).
void FDeck_CuePoint(int value, int cue, int deck, ZRDrawNode* node);
void FDeck_CuePoint_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CuePoint_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CuePoint_RightClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_ClearCuePoint_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CuePointClear(int value, int param, int deck, ZRDrawNode* node);
