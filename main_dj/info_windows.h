#pragma once
// The about box, the info window and the hints switch.
//
// Action form (value, param, deck, node). FAboutApp and FShowInfoWindow read no argument.
// Threads: any thread that runs actions; the about box and the info window are shown on the main thread
// (posted there from the render thread's MIDI and script calls). FShowHints only stores a setting, whose
// reaction switches the hint bubbles.

#include "common/zr_string.h"

class ZRDrawNode;
class ZRInfoWindow;

// "Orvel - v<version>", with " (IDE)" when started with "runFromIDE".
ZRString aboutText();

void FAboutApp(int value, int param, int deck, ZRDrawNode* node);
void FShowInfoWindow(int value, int param, int deck, ZRDrawNode* node);
void FShowHints(int value, int param, int deck, ZRDrawNode* node);

// The info window, made on the first FShowInfoWindow (null before, and again once destroyed). Main thread.
ZRInfoWindow* infoFrame();
