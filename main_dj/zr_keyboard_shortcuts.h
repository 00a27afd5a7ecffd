#pragma once
// Keys from the toolkit to the skin: the key code and modifier mask of a toolkit key event, and the
// fallback key handler of the node manager (keys no focused node took): fixed keys, keyboard learning and
// keyboard shortcuts through the keyboard table (zr_shortcut_tables.h).
//
// Key codes: a printable key is its character; special keys have fixed codes (gui/zr_node_events.h). The
// modifier mask: control sets 1 and 16 together, alt 2, shift 4, meta 8.
//
// Threads: main thread (key events, keyboard learning).

#include <functional>

class ZRDrawNode;
class ZRNodeManager;
class ZRPreferences;

// The key code of a special toolkit key code (wxWidgets WXK values: Backspace, Tab, Return, Escape, Delete,
// End, Home, the arrows, Insert, F1..F19, Page Up, Page Down); 0 for every other code.
int kbTranslateWxSpecialKey(int toolkitKeyCode);

// The key code of a key event from its Unicode character and toolkit key code: the character, except that
// no character, Backspace, Tab, Return and Escape go through kbTranslateWxSpecialKey, and 127 (the Delete
// key, which the toolkit on this system reports as that character) becomes Delete.
int keyCodeOfToolkitKey(int unicodeCharacter, int toolkitKeyCode);

// The modifier mask of a keyboard state.
int modifierMaskOf(bool control, bool alt, bool shift, bool meta);

// The fallback handler of the main window's node manager (nothing without a main window or while it is
// disabled); node is not used. True when the key was taken.
bool FOnCharDefaultHandler(int key, int modifiers, ZRDrawNode* node);
// The same on manager:
// - fixed keys first: Space (any mask) and Ctrl+F move the keyboard focus to the search field; Esc ends the
//   search; "-", "0", "=" and "+" change the font size adjustment of the track tables;
// - in learn mode the key is learned for the learn target (codes of 30 and more, with no modifier, shift or
//   meta+shift), after it has been taken from the node that had it;
// - otherwise the keyboard table's node for (key, mask) runs the shortcut of its slot holding the key.
bool handleShortcutKey(ZRNodeManager& manager, int key, int modifiers);

// The preferences store the font size keys change (the setting "UserInterfaceFontAdjust", changed with
// source 1 so that its reaction applies it); null (the default) leaves those keys without effect.
void setShortcutPreferences(ZRPreferences* preferences);
// What Esc does: ends the library search. Installed by the user actions; until then Esc logs
// "search stop: not available yet" once.
void installSearchStopHook(std::function<void()> hook);
