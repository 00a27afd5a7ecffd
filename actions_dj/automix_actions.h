#pragma once
// The automix: plays the automix list without a DJ. When the audible deck nears its mix-out point (or has
// played longer than a set limit) the other deck is loaded with the next automix track when empty, started,
// and the crossfader moved across over the fade time, optionally nudging the incoming deck into beat sync
// and gliding its pitch back after; at the end of the fade the deck that went silent is loaded with the
// following track. The same fade can be started by hand toward either side. The per-tick beat displays
// (beat position, phase differences) and the re-sync of decks in always-in-sync mode run in the same tick
// function.
//
// A fade is one unit (running, direction, position, step): a start on the main thread and the tick on the
// render thread never see half of one. The step is held to 127 (a fade time of 0 or less completes in one
// tick) and above 0, with the tick time floored, so every fade ends.
//
// Action form (value, param, deck, node).
// Threads: processAutoMix and the end-of-track check run on the render thread in the GUI tick; the actions
// on the main thread (mouse) or the render thread (MIDI, scripts).

#include <atomic>

class ZRDrawNode;

// The duration of the last GUI tick in seconds (kept by the tick; 0.025 at first): a fade's step is
// spread over the fade time at this rate.
extern std::atomic<float> lastUpdatingGUICallback_dt;

// A snapshot of the running fade: crossfader units 0..127, step per tick.
struct ZRAutomixFade {
  bool mixing = false;
  bool toB = false;
  float pos = 0;
  float step = 0;
};
ZRAutomixFade automixFade();
// No fade, the beat smoothing back at 0.
void resetAutomix();

// Crossfader units per tick for a fade time in tenths of a second at a tick of dt seconds.
float automixStep(float dt, int fadeTenths);

// The frames before the end at which deck's fade must start (the trigger's test), from the deck's length,
// position, mix-in and mix-out cues (0 or less: none) and the settings; true when the deck ends now.
bool automixDeckEnds(long long length, long long position, long long mixIn, long long mixOut, int fadeTenths,
                     int limitUnits);

void FAutoMixSwitch(int value, int param, int deck, ZRDrawNode* node);
void FAutoMixNext(int value, int param, int deck, ZRDrawNode* node);
void FAutoDjToLeft(int value, int param, int deck, ZRDrawNode* node);
void FAutoDjToRight(int value, int param, int deck, ZRDrawNode* node);
// The user moved the crossfader: a running fade stops where it is.
void FCrossFaderTrack(int value, int param, int deck, ZRDrawNode* node);

// The end-of-track check of deck (0, 1), run by the deck display on every other tick: while "AutoMixOn" is
// on and no fade runs, the audible deck's end starts the next fade when there is something to fade to (a
// track in the other deck or a row in the automix list).
void automixCheckDeckEnd(int deck);
// The GUI tick's last step.
void processAutoMix();
