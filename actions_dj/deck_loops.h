#pragma once
// The loops of a deck: set and close a loop at the beat, leave and re-enter it, halve, double and move it,
// fixed-size loops counted in 1/64 beat (4 = 1/16 beat .. 2048 = 32 beats; held on the right button they
// loop only while held), eight saved loops (hold to clear), and the lit loop-size button. The loop itself is
// the player's, carried out by the audio thread at its next buffer.
//
// Action form (value, param, deck, node); decks other than 0 and 1, sizes outside 1..4096 and slots
// outside 0..7 do nothing.
// Threads: the main thread or the render thread (MIDI, scripts, the GUI tick's display refresh).

class ZRDrawNode;

// The loop-size button of a size in 64ths (its action id), or -1 when no button has that size.
int loopSizeButton(int sixtyFourths);
// Switches on the one loop-size button of the deck's current loop size and the other nine off.
void UpdateLoopButtonsState(int deck);

void FDeck_LoopInEnd(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopOut(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopOutOrReloop(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopReloop(int value, int param, int deck, ZRDrawNode* node);
// Halve and double the active loop; nothing without one.
void FDeck_LoopLess(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopMore(int value, int param, int deck, ZRDrawNode* node);
// Move the active loop by its own length.
void FDeck_LoopPrev(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopNext(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopHalfBeats(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopHalfBeats_RightPress(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopHalfBeats_RightRelease(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopNo_Press(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopNo_Release(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopNo_RightPress(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopNo_RightRelease(int value, int param, int deck, ZRDrawNode* node);
void FDeck_ClearLoopPoint_Click(int value, int param, int deck, ZRDrawNode* node);
// Stores "UseSlipModeForLoops"; its reaction sets the players' loop mode.
void FDeck_LoopMode_Click(int value, int param, int deck, ZRDrawNode* node);
