#pragma once
// MIDI messages to engine nodes through the two MIDI tables (zr_shortcut_tables.h), MIDI learning, and the
// learn switch.
//
// Learn mode off: a control change presses its node with the message (event 11, value 0xB0); a note on or
// off does the same, or, for a note in toggle mode, every note message becomes a press and a release.
// Learn mode on: the message is bound to the learn target (the node selected by a click in learn mode),
// taken from any node that had it, and every other MIDI entry of the target is emptied, so each node is
// reached by exactly one MIDI message. A note pressed and released while learning is a plain note; a note
// whose release never came before learn mode is switched off becomes a toggle.
//
// Threads: GUISynched_MIDICallback runs on the render thread (the GUI tick drains the MIDI queue there);
// FLearnKeysMidi on the main thread. Both work under the tables' lock and send node events after it.

class ZRDrawNode;
class ZRNodeManager;

// One MIDI message (status without channel bits) for the main window's node manager; context is not used.
void GUISynched_MIDICallback(void* context, int status, int channel, int number, int value, int extra);
// The same on manager.
void handleShortcutMidi(ZRNodeManager& manager, int status, int channel, int number, int value, int extra);

// The action of the "learn" switch: value not 0 gives the keyboard focus to the track table "playlist" and
// turns learn mode on; 0 turns it off, and a note still held from learning becomes a toggle (in the table
// and in the node's record, so that the saved file plays as learned). Nothing without a main window.
void FLearnKeysMidi(int value, int param, int deck, ZRDrawNode* node);
// The same on manager.
void setShortcutLearnMode(ZRNodeManager& manager, bool on);
