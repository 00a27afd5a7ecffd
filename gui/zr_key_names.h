#pragma once
// Names of key codes and modifier masks as hints and shortcut lists show them ("Ctrl+Shift+p", "F5").
// Stateless; any thread.

#include <string>

// The name of a special key code ("Left", "Enter", "F19", ...); any other code is the one character of
// its low eight bits (as UTF-8).
std::string kbGetKeyName(int key);
// "Cmd+" for mask bit 8, then "Ctrl+" for 1, "Alt+" for 2, "Shift+" for 4 (16 has no name), then the
// key's name: key 112 with mask 12 is "Cmd+Shift+p".
std::string kbGetFullName(int key, int modifiers);
