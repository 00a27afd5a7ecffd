#pragma once
// What each setting does when it changes. The settings store calls one change handler for every setValue,
// from any source (loading, code, the preferences dialog, the skin); it shows the key in the dialog and in
// the skin's configuration control, then applies the key at once to the engine, the skin and the dialog.
// Keys without a reaction here are read by their users when needed.
//
// Threads: the handler runs on the main thread. A change made on another thread (a skin control moved by
// MIDI, a controller script) is applied on the main thread's next event-loop pass, in the order the
// changes were made, since most reactions end in toolkit calls (dialog labels, skin loads, message boxes).

#include "common/zr_preferences.h"

// The change handler (installed behind common/shell_hooks.h's preferenceChanged).
void applyPreferenceChange(void* store, const char* key, ZRPreferenceType type, int value, float floatValue,
                           const char* text, ZRPreferences::NotificationSource source);

// The pitch slider range of "PitchRange" in 1/100 % (1 -> 400 ... 6 -> 5000; anything else 1600).
int pitchRangeFromSetting(int setting);
// The cut-off filter slider range of "CutoffFilter": 1 low-pass -64..0, 3 high-pass 0..63, else -64..63.
void cutoffRangeFromSetting(int setting, int& minimum, int& maximum);
// Key lock of deck 0 or 1 (-1: both): the player keeps its key while the tempo changes, the deck's live
// input follows, and the key-lock button shows the state.
void setKeyLock(int deck, bool on);
// The deck's pitch slider takes the range of "PitchRange".
void updatePitchRangeFromSettings(int deck);
// Both decks' cut-off sliders go to 0 and take the range of "CutoffFilter".
void updateCutoffFilterModeForAllDecks();

// The texts the dialog shows for a value.
ZRString autoMixFadeTimeText(int tenths);
ZRString autoMixLimitTrackText(int halfMinutes);
