#pragma once
// A deck switched to its live input: analog in mixes the line or turntable on the deck's input through the
// deck's channel instead of the deck's player; timecode in reads a timecode record or CD on that input and
// lets it drive the player (speed, direction and position), whose audio the channel then plays. Relative
// timecode follows the record's speed only, never its position.
//
// Action form (value = on/off, param, deck, node); decks other than 0 and 1, and a deck without its player,
// channel or live input, do nothing. param 123 marks the program's own call between the two actions, which
// leaves the other button as it is.
// Threads: the main thread or the render thread (MIDI, scripts). The channel takes its new source at its
// next audio buffer; the live input's modes are single words the audio thread reads.

class ZRDrawNode;

// The param of the program's own calls from one of the two actions to the other.
inline constexpr int kLiveInputInternalCall = 123;

void FDeck_AnalogIn(int value, int param, int deck, ZRDrawNode* node);
void FDeck_TimecodeIn(int value, int param, int deck, ZRDrawNode* node);
void FDeck_TimecodeRelative(int value, int param, int deck, ZRDrawNode* node);
