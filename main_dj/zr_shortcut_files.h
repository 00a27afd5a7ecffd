#pragma once
// The two files that keep the shortcuts, shortcuts_kb.xml and shortcuts_midi.xml in the Settings folder.
//
//   <settings version="2">
//   <shortcut_kb action="deck_play_pause" deck="0" keys="1">       (deck only for per-deck actions)
//   \t<key code="112" shift="0" ch="0" />                            (one per keyboard slot holding a key)
//   </shortcut_kb>
//   <shortcut_midi action="..." deck="1" keys="1">
//   \t<midi channel="0" iskey="1" keyorcc="36" togglemode="0" />
//   </shortcut_midi>
//   </settings>
//
// Loading fills the nodes' shortcut records and the shortcut tables (zr_shortcut_tables.h); saving writes
// the records of every learnable node. A shortcut file is outside input: an entry whose action is unknown,
// whose deck does not fit the action, or whose key code (0..8191), modifier mask (0..31), MIDI number
// (0..255) or channel (0..15) is out of range is skipped with a log line, and the rest of the file loads.
//
// Threads: main thread; the loaders run at start-up before the GUI tick is installed and the savers at
// shut-down after the render thread has stopped (the tables' lock is taken all the same).

class ZRNodeManager;

// A missing file loads nothing and says nothing; a file that does not parse or whose root is not
// "settings" logs "error: FLoadShortcuts_KB: XML not ok" (or _MIDI) and loads nothing. False then.
bool loadKeyboardShortcuts(ZRNodeManager& manager, const char* path);
bool loadMidiShortcuts(ZRNodeManager& manager, const char* path);
// False (with a log line) when the file cannot be written; the previous file is then kept.
bool saveKeyboardShortcuts(ZRNodeManager& manager, const char* path);
bool saveMidiShortcuts(ZRNodeManager& manager, const char* path);

// The same on the main window's node manager (nothing without a main window). Paths are UTF-8.
void FLoadShortcuts_KB(const char* path);
void FLoadShortcuts_MIDI(const char* path);
void FSaveShortcuts_KB(const char* path);
void FSaveShortcuts_MIDI(const char* path);
