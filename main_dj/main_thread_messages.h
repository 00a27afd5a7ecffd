#pragma once
// The few calls other threads post to the main thread, and the press of an engine node from code.
//
// The render thread (GUI tick, MIDI, controller scripts) must not call the toolkit: what ends in a dialog,
// a window size or a button that opens one is posted here by number
// (ZRMainFrame::callAsyncInMainThreadFunction posts a menu command; the main window hands its number to
// asyncInMainThreadFunctionCallback):
//   0  tap tempo of a script: the BPM window's tap, or the deck's BPM button pressed
//   1  the Add dialog (the GUI tick, once, when the current list is empty after start-up)
//   5  the audio recording button toggled with its actions (a script's "record")
//   6  a skin change asked for by a controller script (the skin load resizes the window)
// Any other number logs "error: unknown async messsage".
//
// Threads: asyncInMainThreadFunctionCallback on the main thread only; everything else on any thread.

#include <atomic>

class ZRNodeManager;

enum ZRAsyncMessage : int {
  kAsyncTapTempo = 0,
  kAsyncAddDialog = 1,
  kAsyncRecordingToggle = 5,
  kAsyncSkinChange = 6,
};

// The main-thread handler (installed as the main window's async call handler by the engine creation).
void asyncInMainThreadFunctionCallback(int type, int kind);
// Posts type to the main thread; dropped without a main window.
void postMainThreadMessage(int type);

// The deck (0, 1) and value of the latest tap-tempo request, written before message 0 is posted; a second
// tap before the handler runs overwrites them.
extern std::atomic<int> execute__callDj_DeckTapBpm_deck;
extern std::atomic<int> execute__callDj_DeckTapBpm_param;

// A skin change by a script: keeps the name (at most 1023 bytes) and posts message 6; the main thread then
// changes the skin. Any thread.
void requestSkinChange(const char* skinName);
// The skin name of the latest request, taken (empty afterwards); false when none waits. out holds size
// bytes.
bool takeRequestedSkinChange(char* out, int size);
// What changes the skin by (part of) its name on the main thread: changeSkin (skin_choice.h) unless
// replaced (tests); null ignores the request.
using ZRSkinChangeFunction = void (*)(const char* partialName);
void setSkinChangeFunction(ZRSkinChangeFunction function);

// Presses the engine node of action for deck (-1 global) as MIDI would: value -1 a full press and release
// (note on 127, note off 0), -2 switches the button to state running its actions, anything else one note
// on with that value. Each event goes through the node's executeActionInternal (learn mode applies). No
// node (unknown action, deck outside -1..1): nothing.
void utilFunc_PressButton(int action, int deck, int value, bool state);
void utilFunc_PressButton(ZRNodeManager* manager, int action, int deck, int value, bool state);
