#pragma once
// The two tabs above the side table: "automix list" shows the automix list (the filler's queue) in the
// side table, "rotation list" the karaoke singers rotation. The tab of the list shown gets the selected
// look, the other loses it. Either does nothing without the browser, the side table or the list.
//
// Threads: the buttons' slots may run on the render thread (MIDI, scripts); the table's list is changed on
// the main thread, so a call from elsewhere posts itself there.

class ZRDrawNode;

void FSidelistSwitchToAutomixList(int value, int param, int deck, ZRDrawNode* node);
void FSidelistSwitchToRotationList(int value, int param, int deck, ZRDrawNode* node);
