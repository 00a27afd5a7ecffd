#include "actions_dj/action_support.h"

#include "actions_dj/engine_globals.h"
#include "common/language_tables.h"
#include "common/zr_preferences.h"
#include "database/zr_list.h"

CSoundSource* deckAt(int deck) {
  return deck >= 0 && deck < 4 ? decks[deck] : nullptr;
}

CSoundSource* playerDeckAt(int deck) {
  return isPlayerDeck(deck) ? decks[deck] : nullptr;
}

ZRMixerChannel* deckChannelAt(int deck) {
  return isPlayerDeck(deck) ? MixerChannelDeck[deck] : nullptr;
}

int settingInt(const char* key, int fallback) {
  int value = fallback;
  if (preferences == nullptr || !preferences->getValue(key, value)) return fallback;
  return value;
}

void setSettingInt(const char* key, int value, bool fromSkin) {
  if (preferences == nullptr) return;
  preferences->setValue(key, value, 0,
                        fromSkin ? ZRPreferences::NotificationSkin : ZRPreferences::NotificationProgram);
}

ZRString languageText(int textId) {
  return getTextName(textId);
}

ZRList* automixList() {
  for (ZRList* list : ZRList::getLists()) {
    if (list->getType() == ZRList::kTypeAutomix) return list;
  }
  return nullptr;
}
