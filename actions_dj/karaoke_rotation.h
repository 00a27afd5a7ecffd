#pragma once
// The karaoke rotation: the list of singers in singing order, one row per singer with the singer's queued
// songs, each with its own key adjustment. The "load next singer" button loads the top singer's next song
// into deck A with that song's key shift and turns the rotation:
//
// - a top row whose song is the one on deck A has been sung: its first song leaves it and the row goes to
//   the bottom (a singer with nothing left is kept as an empty slot while "KSRKeepEmptySingers" is on,
//   else dropped);
// - a top row whose song cannot be played (an empty slot, a track gone from the library, or a track whose
//   file is gone) gives way to the singer's next queued song when there is one; a row with nothing else
//   goes to the bottom while "KSRKeepEmptySingers" is on, else leaves;
// - the first row with a playable song different from deck A's is loaded, playing at once. When deck A is
//   playing and more than 5 s (220500 frames) before its end, the user is asked first (no: nothing is
//   loaded; the turns already made stay).
//
// Every row is looked at once at most (each step moves a row or drops a song); when nothing was loaded the
// user is told "Please add some songs in the Karaoke Singers Rotation list". A song whose file is gone is
// never handed to the deck, so no play-after-load request is left behind for a load that never comes.
//
// Threads: main thread or render thread (scripts, MIDI); the list takes its own lock for each step, the
// question and the message go through the action dialogs.

class ZRDrawNode;
class ZRList;

// The library's karaoke rotation (the list marked as the singers rotation); null when there is none.
ZRList* karaokeRotationList();

// The load_next_singer button (value, param and deck are not used).
void FLoadNextSinger(int value, int param, int deck, ZRDrawNode* node);
