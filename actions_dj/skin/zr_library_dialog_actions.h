#pragma once
// The library actions that run a dialog: the tag editor, the add dialog (files, a folder, the iTunes
// library or a list file), the history's date filter and the singer name of a side-list row. The dialogs
// themselves are installed by the window side (actions_dj/library_dialogs.h).
//
// The history filter keeps the rows played on the chosen day: from its local midnight up to the next
// local midnight (a day of 23 or 25 hours on a daylight-saving change), in 64-bit seconds. A day the
// clock cannot represent filters nothing.
//
// Threads: main thread (each action posts itself there when called from elsewhere).

#include <cstdint>

class ZRDrawNode;

// The seconds [from, to] of the local calendar day (month 1..12); false when it cannot be represented.
bool localDayRange(int year, int month, int day, int64_t* from, int64_t* to);

void FHistoryFilterDate(int value, int param, int deck, ZRDrawNode* node);
void FEditFileInfo(int value, int param, int deck, ZRDrawNode* node);
// param 100: the start-up message (the library is empty); value and deck are only logged.
void FAddDialog(int value, int param, int deck, ZRDrawNode* node);
// Runs the iTunes library import into list: the library, or one of its playlists, as the user picks.
void iTunesImportDialog(class ZRList* list);
// Asks the singer of the side list's row; a non-empty answer replaces it (key adjustment back to 0).
void OnAddEditSingerNameSidelist(int row);
