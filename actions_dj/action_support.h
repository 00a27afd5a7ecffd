#pragma once
// What every user action shares: the bounded way from a deck argument to the engine objects, and the
// settings they read and write. Actions are also called by controller scripts and by the program with deck
// values of their own (-1 for global calls, anything a script passes), so no action indexes the deck
// tables directly.

#include "common/zr_string.h"

class CSoundSource;
class ZRList;
class ZRMixerChannel;

// decks[deck] for deck 0..3 (slots 2 and 3 stay empty), else null.
CSoundSource* deckAt(int deck);
// decks[deck] for deck 0 or 1, else null.
CSoundSource* playerDeckAt(int deck);
// The mixer channel of deck 0 or 1, else null.
ZRMixerChannel* deckChannelAt(int deck);
// Deck 0 or 1.
inline bool isPlayerDeck(int deck) {
  return deck == 0 || deck == 1;
}

// A setting's integer value; fallback when there is no settings store or no such value.
int settingInt(const char* key, int fallback);
inline bool settingOn(const char* key) {
  return settingInt(key, 0) != 0;
}
// Stores an integer setting as changed by the program (or by a skin control with fromSkin); its reaction
// runs through the store's change callback. Nothing without a settings store.
void setSettingInt(const char* key, int value, bool fromSkin = false);

// A text of the language file by text id.
ZRString languageText(int textId);

// The automix list: the library's list of that type (the browser keeps one for the whole session); null
// when there is none.
ZRList* automixList();
