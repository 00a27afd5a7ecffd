#include "actions_dj/skin/zr_list_actions.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/background_analysis.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/library_dialogs.h"
#include "actions_dj/skin/zr_library_dialog_actions.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "actions_dj/skin/zr_search_box.h"
#include "common/action_ids.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "gui/zr_node_events.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_singer_prompt.h"

namespace {

ZRList* playlistList() {
  ZRNodePlaylist* table = libraryPlaylist();
  return table != nullptr ? table->getList() : nullptr;
}

ZRList* sidelistList() {
  ZRNodePlaylist* table = librarySidelist();
  return table != nullptr ? table->getList() : nullptr;
}

// The focused table's list, strictly (row commands act on nothing without a focused table).
ZRList* focusedListStrict() {
  return focusedTableList(false);
}

std::string lowerAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

void exportFocusedList(const char* wildcard, const char* suffix, bool (ZRList::*writer)(const ZRString&)) {
  if (libraryPlaylist() == nullptr) return;
  ZRList* list = focusedTableList(true);
  if (list == nullptr) return;
  ZRString path;
  if (!chooseFileToSave(languageText(txt_saveas_list_title), ZRString(wildcard), path)) return;
  const ZRString target = exportPathWithSuffix(path, suffix);
  if (!(list->*writer)(target)) {
    ZRLOG("error: the list could not be written to %s", target.utf8().c_str());
    showActionMessage(ZRString("The list could not be written to ") + target, ZRString());
  }
}

void moveFocusedCursorRow(void (ZRList::*move)(int32_t)) {
  if (ZRList* list = focusedListStrict()) (list->*move)(-1);
}

// The main track table's cursor row moves to the top of the focused table's list.
void focusedCursorRowToTop() {
  moveFocusedCursorRow(&ZRList::dragTop);
}

void setFilterButtons(int mediaType) {
  ZRActionControls& controls = actionControls();
  controls.setSwitched(ACT_list_filter_audio, -1, mediaType == 0, false);
  controls.setSwitched(ACT_list_filter_video, -1, mediaType == 1, false);
  controls.setSwitched(ACT_list_filter_karaoke, -1, mediaType == 2, false);
}

// The singer of a karaoke row; false when the user cancelled.
bool askSinger(ZRString* name, float* keyAdjust) {
  const int step = settingInt("KeyStepperSemitone", 1);
  const float keyStep = step == 2 ? 0.5f : (step == 3 ? 0.25f : 1.0f);
  return promptForSinger(name, keyAdjust, keyStep);
}

}  // namespace

// ---- Buttons -------------------------------------------------------------------------------------------

void FNewList(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FNewList, value, param, deck);
  // The browser asks for the name.
  if (ZRNodeBrowser* browser = libraryBrowser()) browser->addList(ZRString(), nullptr);
}

void FDeleteList(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FDeleteList, value, param, deck);
  // Only a user list at the browser's cursor goes, after confirmation.
  if (ZRNodeBrowser* browser = libraryBrowser()) browser->deleteList(-1, true);
}

void FImportList(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FImportList, value, param, deck);
  if (libraryPlaylist() == nullptr) return;
  ZRList* list = focusedTableList(true);
  if (list == nullptr) return;
  // Importing into the search results would be lost at the next keystroke: leave the search first, and
  // import into the list shown then.
  if (list->getType() == ZRList::kTypeSearchResults) {
    FSearchStop(0, 0, -1, nullptr);
    list = focusedTableList(true);
    if (list == nullptr) return;
  }
  std::vector<ZRString> paths;
  if (!chooseFilesToOpen(languageText(txt_load_list_title), ZRString("List (*.tvl, *.m3u)|*.tvl;*.m3u"),
                         false, paths)) {
    return;
  }
  if (!list->importList(paths.front(), value != 100)) {
    showActionMessage(ZRString("The list file could not be read: ") + paths.front(), ZRString());
  }
}

void FExportListAsM3U(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FExportListAsM3U, value, param, deck);
  exportFocusedList("List (*.m3u)|*.m3u", ".m3u", &ZRList::exportListAsM3U);
}

void FExportListAsCSV(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FExportListAsCSV, value, param, deck);
  exportFocusedList("List (*.csv)|*.csv", ".csv", &ZRList::exportListAsCSV);
}

ZRString exportPathWithSuffix(const ZRString& path, const char* suffix) {
  const std::string text = path.utf8();
  if (lowerAscii(text).find(suffix) != std::string::npos) return path;
  return ZRString(text + suffix);
}

void FAddFiles(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FAddFiles, value, param, deck);
  ZRList* list = playlistList();
  if (list == nullptr) return;
  const ZRString wildcard =
      languageText(txt_all_supported_files) +
      ZRString(
          "|*.mp3;*.wav;*.wma;*.ogg;*.m4a;*.mp4;*.aif;*.aiff;*.flac;*.cda;*.mpg;*.m4v;*.avi;*.asf;*.wmv;"
          "*.m2v;*.mkv;*.flv;*.mpeg;*.mov;*.zip;*.aac;*.divx|MPEG Layer 3 (*.mp3)|*.mp3");
  std::vector<ZRString> paths;
  if (!chooseFilesToOpen(languageText(txt_addfile_title), wildcard, true, paths)) return;
  for (const ZRString& path : paths) list->addFile(path);
}

void FAddDir(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FAddDir, value, param, deck);
  ZRList* list = playlistList();
  if (list == nullptr) return;
  ZRString folder;
  if (chooseFolder(languageText(txt_addfolder_title), folder)) list->addFolder(folder, true);
}

void FSortList(int value, int param, int deck, ZRDrawNode* node) {
  // Posted, the menu opens at the table's corner: the button may be gone by then.
  RUN_ON_MAIN_THREAD(FSortList, value, param, deck);
  ZRNodePlaylist* table = focusedTable();
  if (table == nullptr) return;
  float x = 0, y = 0;
  if (node != nullptr) node->getAbsolutePosition(x, y);
  table->showSortMenu(x, y);
}

void FShuffle(int, int, int, ZRDrawNode*) {
  if (ZRList* list = focusedListStrict()) list->shuffle();
}

void FClearList(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FClearList, value, param, deck);
  ZRList* list = focusedListStrict();
  if (list == nullptr || list->getCount() < 1) return;
  const uint64_t serial = list->serial();
  askYesNo(languageText(txt_confirm_clear_list), languageText(txt_confirm_clear), [list, serial] {
    // The list may have been deleted while the question was open.
    ZRList::withRegisteredList(list, serial, [](ZRList* l) { l->clear(); });
  });
}

void FRemoveLine(int, int, int, ZRDrawNode*) {
  if (ZRList* list = focusedListStrict()) list->remove(-1, true);
}

void FDragLineUp(int, int, int, ZRDrawNode*) {
  moveFocusedCursorRow(&ZRList::dragUp);
}
void FDragLineDown(int, int, int, ZRDrawNode*) {
  moveFocusedCursorRow(&ZRList::dragDown);
}
void FDragLineTop(int, int, int, ZRDrawNode*) {
  moveFocusedCursorRow(&ZRList::dragTop);
}
void FDragLineBottom(int, int, int, ZRDrawNode*) {
  moveFocusedCursorRow(&ZRList::dragBottom);
}

void FSetHighlightColor(int, int param, int, ZRDrawNode*) {
  if (param < -1 || param > 6) return;
  if (ZRList* list = focusedListStrict()) list->setHighlight(param, -1);
}

int resolveMediaTypeFilter(int param, bool audioOn, bool videoOn, bool karaokeOn) {
  switch (param) {
    case 0:
      return audioOn ? 0 : -1;
    case 1:
      return videoOn ? 1 : -1;
    case 2:
      return karaokeOn ? 2 : -1;
    default:
      return -1;
  }
}

void SetFilteringForAllLists(int mediaType) {
  // The automix and the rotation lists are queues the show plays from: they keep every row.
  ZRList::forEachList([](ZRList* list) {
    if (list->getType() == ZRList::kTypeAutomix || list->getType() == ZRList::kTypeKaraokeRotation ||
        list->getIsKaraokeSingersRotationList()) {
      list->setAllowFiltering(false);
    }
  });
  ZRList::filterAllLists(nullptr, mediaType, -1, -1, -1, -1, ZRString(), ZRString(), false, -1, -1, false);
}

void FSetFiltering(int, int param, int, ZRDrawNode*) {
  ZRActionControls& controls = actionControls();
  const int mediaType = resolveMediaTypeFilter(param, controls.getSwitched(ACT_list_filter_audio, -1),
                                               controls.getSwitched(ACT_list_filter_video, -1),
                                               controls.getSwitched(ACT_list_filter_karaoke, -1));
  if (mediaType < 0) {
    ZRList::endFilteringForAllLists(false);
  } else {
    SetFilteringForAllLists(mediaType);
  }
  setFilterButtons(mediaType);
}

void FSelectPlaylistTab(int, int, int, ZRDrawNode*) {
  // The tab has nothing to select in this skin layout.
}

// ---- Track tables and browser --------------------------------------------------------------------------

void addTracksFromCurrentListToSidelist() {
  ZRList* source = playlistList();
  ZRList* destination = sidelistList();
  if (source == nullptr || destination == nullptr) return;
  if (destination->getIsKaraokeSingersRotationList()) {
    const int32_t cursor = source->getMainCursor();
    TZRListTrack row;
    if (cursor < 0 || source->getTotalInserted() > 0 || !source->getRowData(cursor, &row)) return;
    ZRString name = row.singerName;
    float keyAdjust = row.keyAdjust;
    if (!askSinger(&name, &keyAdjust)) return;
    TZRListTrack added;
    added.trackId = row.trackId;
    added.singerName = name;
    added.keyAdjust = keyAdjust;
    const int32_t existing = name.empty() ? -1 : destination->getFirstLineWithSingerName(name);
    if (existing >= 0) {
      destination->addToLine(added, existing, true);
      destination->setMainCursor(existing, true);
    } else {
      destination->addLine(added, -1, true);
      destination->setMainCursor(destination->getCount() - 1, true);
    }
    return;
  }
  if (source->getTotalInserted() > 0) {
    source->addAllLinesToList(destination, true);
    return;
  }
  TZRListTrack row;
  TZRDatabaseTrack track;
  const int32_t cursor = source->getMainCursor();
  if (cursor < 0 || !source->getRowDataFull(cursor, &row, &track)) return;
  TZRListTrack added;
  added.trackId = row.trackId;
  if (track.mediaType == 2) {
    // A karaoke song carries its singer; a cancelled question still adds the song, without one.
    float keyAdjust = 0;
    if (!askSinger(&added.singerName, &keyAdjust)) added.singerName = ZRString();
  }
  destination->addLine(added, -1, true);
}

void OnDoubleClickPlaylist(int, int, int, ZRDrawNode*) {
  addTracksFromCurrentListToSidelist();
}

void OnDoubleClickSidelist(int, int, int, ZRDrawNode*) {
  focusedCursorRowToTop();
}

bool OnCharPlaylist(int key, int, ZRDrawNode*) {
  switch (key) {
    case ZRKeyLeft:
      focusLibraryNode(libraryBrowser());
      return true;
    case ZRKeyRight:
    case ZRKeyTab:
      focusLibraryNode(librarySidelist());
      return true;
    case ZRKeyEnter:
      addTracksFromCurrentListToSidelist();
      return true;
    default:
      return false;
  }
}

bool OnCharSidelist(int key, int, ZRDrawNode*) {
  switch (key) {
    case ZRKeyLeft:
      focusLibraryNode(libraryPlaylist());
      return true;
    case ZRKeyTab:
      focusLibraryNode(libraryBrowser());
      return true;
    case ZRKeyEnter:
      focusedCursorRowToTop();
      return true;
    default:
      return false;
  }
}

bool OnCharBrowser(int key, int, ZRDrawNode*) {
  if (key != ZRKeyTab && key != ZRKeyRight) return false;
  focusLibraryNode(libraryPlaylist());
  return true;
}

namespace {

ZRList* listOfTable(ZRDrawNode* node) {
  auto* table = dynamic_cast<ZRNodePlaylist*>(node);
  return table != nullptr ? table->getList() : nullptr;
}

void loadDeckFromMenu(ZRDrawNode* node, int deck) {
  if (!isPlayerDeck(deck)) {
    ZRLOG("menu command: there is no deck %d to load", deck + 1);
    return;
  }
  FDeck_LoadFromCursor(-1, 0, deck, node);
}

struct TableCommand {
  int command;
  void (*run)(ZRDrawNode* node);
};

const TableCommand kTableCommands[] = {
    {100, [](ZRDrawNode*) { ZRLOG("action not available yet: FPreview (menu)"); }},
    {110,
     [](ZRDrawNode* node) {
       if (ZRList* list = listOfTable(node)) list->setNextCursor(list->getMainCursor());
     }},
    {120, [](ZRDrawNode*) { addTracksFromCurrentListToSidelist(); }},
    {121,
     [](ZRDrawNode* node) {
       ZRList* list = listOfTable(node);
       ZRList* side = sidelistList();
       if (list != nullptr && side != nullptr) list->addAllLinesToList(side, false);
     }},
    {125, [](ZRDrawNode* node) { FHistoryFilterDate(0, 0, -1, node); }},
    {130,
     [](ZRDrawNode* node) {
       ZRList* list = listOfTable(node);
       if (list != nullptr && list->getMainCursor() >= 0) OnAddEditSingerNameSidelist(list->getMainCursor());
     }},
    {200, [](ZRDrawNode* node) { loadDeckFromMenu(node, 0); }},
    {201, [](ZRDrawNode* node) { loadDeckFromMenu(node, 1); }},
    {202, [](ZRDrawNode* node) { loadDeckFromMenu(node, 2); }},
    {203, [](ZRDrawNode* node) { loadDeckFromMenu(node, 3); }},
    {300, [](ZRDrawNode* node) { FAnalyzeSongFromCursor(0, 0, -1, node); }},
    {301, [](ZRDrawNode* node) { FAnalyzeAllSongsFromList(0, 0, -1, node); }},
    {400, [](ZRDrawNode* node) { FEditFileInfo(0, 0, -1, node); }},
    {500,
     [](ZRDrawNode* node) {
       if (auto* table = dynamic_cast<ZRNodePlaylist*>(node)) table->physicallyRemoveFiles();
     }},
    {510,
     [](ZRDrawNode* node) {
       if (auto* table = dynamic_cast<ZRNodePlaylist*>(node)) table->removeDeadFiles();
     }},
    {520, [](ZRDrawNode* node) { FAddDialog(0, -1, -1, node); }},
    {525, [](ZRDrawNode* node) { FExportListAsM3U(0, 0, -1, node); }},
    {526, [](ZRDrawNode* node) { FExportListAsCSV(0, 0, -1, node); }},
    {530, [](ZRDrawNode* node) { FClearList(0, 0, -1, node); }},
};

int commandOf(void* param) {
  return static_cast<int>(reinterpret_cast<intptr_t>(param));
}

}  // namespace

void runTableMenuCommand(ZRDrawNode* node, int command) {
  if (node == nullptr) return;
  for (const TableCommand& c : kTableCommands) {
    if (c.command == command) return c.run(node);
  }
  ZRLOG("menu command not understood (OnMenuCommand_Playlist_or_Sidelist)");
}

void runBrowserMenuCommand(ZRDrawNode* node, int command) {
  if (node == nullptr) return;
  if (command == 130) return FExportListAsM3U(0, 0, -1, node);
  if (command == 131) return FExportListAsCSV(0, 0, -1, node);
  ZRLOG("menu command not understood (OnMenuCommand_Browser)");
}

void OnMenuCommand_Playlist_or_Sidelist(ZRDrawNode* node, int, void* param) {
  runTableMenuCommand(node, commandOf(param));
}

void OnMenuCommand_Browser(ZRDrawNode* node, int, void* param) {
  runBrowserMenuCommand(node, commandOf(param));
}
