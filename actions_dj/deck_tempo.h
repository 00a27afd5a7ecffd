#pragma once
// The tempo and key controls of a deck: the pitch slider with its text and its reset (at once or gliding),
// key lock, key shift with its step size and the key text, tempo match and beat sync to the other deck,
// and pitch bend. The pitch slider (-range..range) holds the negated pitch in 1/100 %: position v plays at
// pitch -v. The key slider (-48..48) counts quarter semitones.
//
// Action form (value, param, deck, node); decks other than 0 and 1 do nothing (bend: -1 means both).
// Threads: the main thread or the render thread (MIDI, scripts, the GUI tick's glide); the players' setters
// store single values the audio thread takes up. The key-shift warning is shown through the installed
// dialogs, which post it to the main thread.

class ZRDrawNode;

// The pitch text of a slider position: "-1.50%" for 150 (the percent sign unless the skin asks without).
void FDeck_Pitch(int value, int param, int deck, ZRDrawNode* node);
// The user moved the pitch slider: a glide in progress stops where it is.
void FDeck_Pitch_Track(int value, int param, int deck, ZRDrawNode* node);
// With "UseSlowPitchReset" and no glide running: starts the glide; otherwise the slider snaps to 0. Both
// end a pitch bend.
void FDeck_ResetPitch(int value, int param, int deck, ZRDrawNode* node);
// Stores "KeyLockA".."KeyLockB" (deck -1: all); the setting's reaction locks the players.
void FDeck_KeyLock(int value, int param, int deck, ZRDrawNode* node);
// The key shift in cents of a key slider position for the step setting "KeyStepperSemitone" (1 whole
// semitones, 2 half, 3 quarter).
int keyShiftCents(int position, int stepSetting);
void FDeck_PitchKey(int value, int param, int deck, ZRDrawNode* node);
void FDeck_PitchKey_Track(int value, int param, int deck, ZRDrawNode* node);
// Moves the key slider by param steps of the current step size.
void FDeck_PitchKey_StepAdjust(int value, int param, int deck, ZRDrawNode* node);
// The key text: shift in semitones with two decimals and the current key, e.g. "-1.50 (08m/Am)", "=
// (08m/Am)", or "=" for no shift and no key. out holds at least 64 bytes.
void formatKeyText(int cents, const char* keyName, char* out);
void UpdatePitchKeyLabel(int deck);
// Beat sync (tempo and phase) or tempo match of deck to target (two different player decks that exist);
// the pitch slider follows.
void syncDeckTo(int deck, int target, bool phaseToo);
void FDeck_Sync(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SyncToA(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SyncToB(int value, int param, int deck, ZRDrawNode* node);
void FDeck_Match(int value, int param, int deck, ZRDrawNode* node);
void FDeck_BendDown_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_BendDown_UnClick(int value, int param, int deck, ZRDrawNode* node);
void FDeck_BendUp_Click(int value, int param, int deck, ZRDrawNode* node);
void FDeck_BendUp_UnClick(int value, int param, int deck, ZRDrawNode* node);
// Whether the key-shift warning was shown in this run (tests reset it).
bool keyShiftWarningShown();
void resetKeyShiftWarning();
