#pragma once
// The value provider of the controller scripts: a script asks for a value by name (and deck) and gets an
// integer, a double or a UTF-8 text, read from the decks, the sampler slots and the engine nodes. Also the
// scrolling of long texts on a controller's small display.
//
// Every index a script passes is bounded: a deck outside 0..1 reads no deck (the values of an empty
// deck), a node asked for a deck outside -1..1 is absent (0), and texts are written into the caller's
// buffer within its size, always terminated.
//
// Threads: the render thread (the controller-script tick inside the GUI tick).

class ZRNodeManager;

// Answers name for deck. type is 0 first, then 1 (value holds an int), 2 (number holds a double) or 3
// (text holds UTF-8); it stays 0 for a name it does not know. text holds textSize bytes. scrollLength > 0
// scrolls the artist and title texts on a display of that many characters (getScrollTextValue).
void GetEngineValue(const char* name, int deck, int& value, double& number, char* text, int textSize,
                    int& type, int scrollLength);
void GetEngineValue(ZRNodeManager* manager, const char* name, int deck, int& value, double& number,
                    char* text, int textSize, int& type, int scrollLength);

// The part of text to show on a display of length characters, for deck 0..1 and kind 0 artist-title, 1
// artist, 2 title: a text that does not fit swings back and forth one character per call (UTF-8
// characters, never split). A changed text starts again at its beginning. Writes into out (outSize bytes,
// terminated) and returns the new offset; a deck or kind out of range writes the text's start and keeps no
// state.
int getScrollTextValue(int deck, int kind, int length, const char* text, char* out, int outSize);
// Forgets the scrolling state (tests, a new start).
void resetScrollTextValues();
