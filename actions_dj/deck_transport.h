#pragma once
// Deck transport: play and pause, the cue buttons, play from cue, reverse, brake, beat and bar skips, fast
// rewind and fast forward, the held search, back to top, and seeking through the position slider and the
// rounded progress ring.
//
// Action form (value, param, deck, node). The deck argument is bounded: any value but a deck that exists
// does nothing (programs and scripts may pass -1 or more than 1). The node may be null.
//
// Threads: the main thread (mouse, keyboard) or the render thread (MIDI, scripts, inside the GUI tick).
// They set player fields that the audio thread takes up at its next buffer; a seek goes through the
// player's single pending seek. The fast rewind / forward counters are atomics: set by the buttons on
// either thread, advanced by the GUI tick.

class ZRDrawNode;

void FDeck_PlayPause(int value, int param, int deck, ZRDrawNode* node);
void FDeck_PlayLive(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SetCue(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CueClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CueUnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CuePlay(int value, int param, int deck, ZRDrawNode* node);
// value 1: reverse, 0: forward; notification "reverse".
void FDeck_ReversePlay(int value, int param, int deck, ZRDrawNode* node);
// value 1: brake on; notification "brake".
void FDeck_Brake(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SkipBeat_Prev(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SkipBeat_Next(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SkipBar_Prev(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SkipBar_Next(int value, int param, int deck, ZRDrawNode* node);
// Fast rewind / forward while held (pressing one direction cancels the other).
void FDeck_RevClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_RevUnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_FwdClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_FwdUnClick(int value, int param, int deck, ZRDrawNode* node);
// The player's own held search.
void FDeck_SearchLeft_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SearchLeft_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SearchRight_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SearchRight_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_BackToTop(int value, int param, int deck, ZRDrawNode* node);
// The position slider, in units of 100 frames.
void FDeck_Pos(int value, int param, int deck, ZRDrawNode* node);
// The rounded progress ring: 0..1000 of the track.
void OnProgressPress(int value, int param, int deck, ZRDrawNode* node);

// The fast rewind / forward step of one deck, run by the GUI tick once per tick (before the player's own
// bend-and-search step): a held button jumps 1, 1, 2, 3 ... seconds on successive ticks, a tenth more per
// tick from 20 seconds on, at most 120 seconds, never before the start or past the end.
void FastSearchTick(int deck);
// The running counter of each direction (-1 idle).
int fastSearchCounter(int deck, bool forward);
