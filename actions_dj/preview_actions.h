#pragma once
// Listening to a library track on the headphones before loading it: the preview button starts and stops
// the preview player on the cursor row of the track table (or of the side list), the preview slider seeks
// in it, and a track table's context menu previews the clicked row. While the karaoke filler is enabled
// (setting KSREnableFillerPlayer) the button and the slider drive the filler player instead: the button
// fades the background music in and out, its right click skips to the next filler song.
//
// Action form (value, param, deck, node); param 10 marks the context menu's call, whose node is the table
// clicked. A row without a library record, or a file that does not open, previews nothing (the player
// logs).
//
// Threads: the main thread or the render thread (MIDI, scripts); the preview player orders an open with
// the end callback by its own lock.

#include "common/zr_string.h"

class ZRDrawNode;

// The context menu's param.
inline constexpr int kPreviewFromMenu = 10;

// A second call for the playing preview stops it; from the menu, the file already open stops and any
// other file replaces it. Paths are compared exactly (two paths differing in case are two files).
void startStopTrackPreview(const ZRString& path, bool fromMenu);

void FPreview(int value, int param, int deck, ZRDrawNode* node);
void FPreviewRightClick(int value, int param, int deck, ZRDrawNode* node);
// value 0..100: seeks to that share of the previewed file (or of the filler's song).
void FPreview_Pos(int value, int param, int deck, ZRDrawNode* node);
