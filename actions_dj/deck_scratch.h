#pragma once
// Moving a deck's audio by hand: the jog wheel (a turn's angle arrives as frames to move), the waveform
// display dragged with the pointer (the slot's own x or y, never the global pointer, which not every
// display server gives), the jog wheel's scratch mode, and the "scratch" thread's step that brings a
// released platter to rest.
//
// Action form (value, param, deck, node) and pointer form (value, x, y, button, param, deck, node); decks
// other than 0 and 1 do nothing.
// Threads: the actions on the main thread or the render thread; scratch_thread_function on the "scratch"
// worker every 25 ms. The players' scratch fields are single values shared with the audio thread.

class ZRDrawNode;

void FDeck_JogWheel_Scratch_Mode(int value, int param, int deck, ZRDrawNode* node);
void FDeck_Scratch_Begin_Wheel(int value, int param, int deck, ZRDrawNode* node);
void FDeck_Scratch_End_Wheel(int value, int param, int deck, ZRDrawNode* node);
void FDeck_Scratch_Move_Wheel(int value, int x, int y, int button, int param, int deck, ZRDrawNode* node);
// value: the display is vertical (the y coordinate scratches, else x).
void FDeck_Scratch_Begin(int value, int x, int y, int button, int param, int deck, ZRDrawNode* node);
void FDeck_Scratch_Move(int value, int x, int y, int button, int param, int deck, ZRDrawNode* node);
void FDeck_Scratch_End(int value, int param, int deck, ZRDrawNode* node);
// One step of both decks' scratch inertia; always true (the thread keeps running).
bool scratch_thread_function(void* unused);
