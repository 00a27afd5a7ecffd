#pragma once
// The six notations of a key index (0 no key, 1..12 major A..G#, 13..24 minor
// Am..G#m) and the translation between key texts and key indices. Entry 0 of
// every table, the text for no key, is a single space; each table holds 25
// texts followed by a null entry.

extern const char* const pitchKeyNamesStandard[26];
extern const char* const pitchKeyNamesStandardSharp[26];
extern const char* const pitchKeyNamesStandardFlat[26];
extern const char* const pitchKeyNamesCircleOfFifthsNonStandard[26];
extern const char* const pitchKeyNamesSharp[26];
extern const char* const pitchKeyNamesFlat[26];

// Longest table entry with its terminating zero.
constexpr int kPitchKeyNameMaxLength = 16;

// The key index of a text in any notation, ignoring case; 0 for null, empty
// or unknown texts.
int getPitchKeyIndex(const char* text);

// Copies the index's text in the chosen notation into out (at least
// kPitchKeyNameMaxLength bytes); an index outside 0..24 gives the no-key text.
// True for 1..24.
bool getPitchKeyNameForUI(int index, char* out, bool flat, bool standard);
