#pragma once
// The per-deck display update. The engine never pushes anything to the screen: the GUI tick calls
// Afis_TIME for each deck, which takes the deck's pending events (a set of bits, so none is lost between
// two ticks) and refreshes the deck's texts, sliders and ring: track titles on load, the position slider
// with the track's overview, the tempo, the elapsed and remaining time, auto-gain and the remembered EQ
// on load, and a deck that reaches its end goes back to its cue.
//
// Threads: the render thread, inside the GUI tick, before the skin is drawn. It reads deck fields that the
// deck's threads write without locks (a value read mid-update shows one tick late); the overview is read
// under the deck's display lock.

class ZRDrawNode;

// The GUI tick's counter, 0..9, one step per tick (the tick advances it); the display's work is spread
// over it.
extern int internal_afis_counter;

// Called by the GUI tick for deck 0 and 1 with the seconds since the previous tick; nothing for an empty
// or unknown deck.
void Afis_TIME(int deck, float dt);
// "%02d:%02d.%d" (minutes, seconds, tenths) of frames at 44100 Hz; empty for a negative time. out holds at
// least 32 bytes.
void formatDeckTime(int frames, char* out);

// A pitch in 1/100 % as text: two decimals of a percent, "-" when negative, "%" appended when asked.
// out holds at least 32 bytes.
void formatPitchText(int pitch, bool withPercent, char* out);

// deck_elapsed / deck_remained: flips the setting "RemainingTime".
void FToggleTimeMode(int value, int param, int deck, ZRDrawNode* node);
// Zoom of the deck's waveform: less doubles it (32 above 16), more halves it (1 below 4).
void FDeck_SoundDisplayZoomLess(int value, int param, int deck, ZRDrawNode* node);
void FDeck_SoundDisplayZoomMore(int value, int param, int deck, ZRDrawNode* node);
