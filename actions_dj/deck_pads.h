#pragma once
// The performance pads of a deck, eight of each kind, played while held. Every pad lets the track run on
// unheard underneath ("slip"), so letting go of the pad lands where the track would have been:
// - loop roll: pad n loops 1/16, 1/8, 1/4, 1/2, 1, 2, 4 or 8 beats from where it was pressed;
// - slice cue: pad n jumps to beat n of the eight beats that start at the bar the deck was in at the
//   first press (the window stays put while pads are held);
// - slice loop: the same beat, looped;
// - loop cue: hot cue n looped for one bar (nothing while cue n is unset);
// - pitch cue: plays from the current cue (or from where it is without one) n steps up a major scale
//   (0, 2, 4, 5, 7, 9, 11 and 12 semitones) by speed, key lock off while held.
// A press while another pad is held takes over from it (the slip keeps its start); only the release of
// the pad that plays ends it. A pitch pad's speed and key lock come back on release, on a press of a pad
// of another kind, and when the deck loads or unloads.
//
// Action form (value, param = pad 0..7, deck, node); decks other than 0 and 1, pads outside 0..7 and a
// deck without a track do nothing.
// Threads: the main thread or the render thread (MIDI, scripts). The held pad is one word per deck
// changed by compare-and-swap, so a release never ends a pad pressed after it; the jumps and loops are
// the player's commands, carried out in order at the audio thread's next buffer.

class ZRDrawNode;

inline constexpr int kPerformancePads = 8;

// The loop roll's size of pad n in 1/64 beat (0 outside 0..7).
int loopRollSize(int pad);
// The pitch cue's speed ratio of pad n (1 outside 0..7).
double pitchCueRatio(int pad);
// The pad that plays on deck, as kind x 8 + pad (kinds: 0 loop roll, 1 slice cue, 2 slice loop, 3 loop
// cue, 4 pitch cue), or -1.
int heldPerformancePad(int deck);
// A load or unload was accepted: the held pad belonged to the old track (the player drops its slip
// itself); a pitch pad's speed and key lock come back. deck -1: both decks.
void resetPerformancePads(int deck);

void FDeck_LoopRoll_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopRoll_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SliceCue_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SliceCue_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SliceLoopCue_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SliceLoopCue_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopCue_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_LoopCue_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_PitchCue_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_PitchCue_UnClick(int value, int param, int deck, ZRDrawNode* node);
