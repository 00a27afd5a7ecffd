#include "actions_dj/skin/zr_library_dialog_actions.h"

#include <ctime>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/library_dialogs.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "actions_dj/skin/zr_list_actions.h"
#include "actions_dj/tag_editor.h"
#include "common/text_ids.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "database/zr_itunes.h"
#include "database/zr_list.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_singer_prompt.h"

namespace {

int64_t localMidnight(int year, int month, int day) {
  std::tm t{};
  t.tm_year = year - 1900;
  t.tm_mon = month - 1;
  t.tm_mday = day;
  t.tm_isdst = -1;  // the zone's rules decide, so a daylight-saving day keeps its own length
  const std::time_t seconds = std::mktime(&t);
  return seconds == static_cast<std::time_t>(-1) ? INT64_MIN : static_cast<int64_t>(seconds);
}

}  // namespace

bool localDayRange(int year, int month, int day, int64_t* from, int64_t* to) {
  if (month < 1 || month > 12 || day < 1 || day > 31) return false;
  const int64_t start = localMidnight(year, month, day);
  // mktime normalises day + 1 into the next month or year.
  const int64_t next = localMidnight(year, month, day + 1);
  if (start == INT64_MIN || next == INT64_MIN || next <= start) return false;
  if (from != nullptr) *from = start;
  if (to != nullptr) *to = next - 1;
  return true;
}

void FHistoryFilterDate(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FHistoryFilterDate, value, param, deck);
  int year = 0, month = 0, day = 0;
  const bool chosen = chooseDay(year, month, day);
  ZRNodeBrowser* browser = libraryBrowser();
  ZRList* history = browser != nullptr ? browser->getSpecialList(kSpecialHistory) : nullptr;
  if (history == nullptr) return;
  int64_t from = 0, to = 0;
  if (!chosen) {
    ZRLOG("selected NONE");
    history->endFiltering(true);
    return;
  }
  if (!localDayRange(year, month, day, &from, &to)) {
    ZRLOG("selected a day that cannot be represented (%04d-%02d-%02d): the history is not filtered", year,
          month, day);
    history->endFiltering(true);
    return;
  }
  char text[128] = {};
  const std::time_t start = static_cast<std::time_t>(from);
  std::tm local{};
  if (localtime_r(&start, &local) != nullptr) std::strftime(text, sizeof text, "%c", &local);
  ZRLOG("selected %s (%lld .. %lld)", text, static_cast<long long>(from), static_cast<long long>(to));
  // A new day replaces the previous day's filter, which is sticky against the media-type filters.
  history->endFiltering(true);
  history->filter(nullptr, -1, -1, -1, -1, -1, ZRString(), ZRString(), false, from, to, true);
}

void FEditFileInfo(int value, int param, int deck, ZRDrawNode*) {
  RUN_ON_MAIN_THREAD(FEditFileInfo, value, param, deck);
  ZRList* list = focusedTableList(false);
  ZRDatabase* database = ZRDatabase::getInstance();
  if (list == nullptr || database == nullptr) return;
  const int32_t cursor = list->getMainCursor();
  TZRListTrack row;
  TZRDatabaseTrack record;
  if (cursor < 0 || cursor >= list->getCount() || !list->getRowDataFull(cursor, &row, &record)) return;
  const ZRTagEditFields opened = tagEditFieldsOf(record);
  ZRTagEditFields edited = opened;
  if (!editTagFields(edited)) return;
  const ZRTagEditChanges changes = tagEditChanges(opened, edited);
  if (!changes.any()) return;
  const ZRString path = record.tags[kTagFileName];
  if (!FileExists(path)) {
    showActionMessage(languageText(txt_tag_saving_error), ZRString());
    return;
  }
  const bool written = writeTagEdits(changes, edited, path);
  // What others stored while the form was open stays: only the user's changes go onto the current record.
  TZRDatabaseTrack current;
  if (!database->getTrackIdData(record.id, &current)) current = record;
  applyTagEdits(changes, edited, &current);
  database->addOrUpdate(&current);
  ZRList::markRowsAsDirty(current.id);
  list->setNeedsRefresh();
  if (!written) {
    ZRLOG("error: the tags of %s could not be saved", path.utf8().c_str());
    showActionMessage(languageText(txt_tag_saving_error), ZRString());
  }
}

void iTunesImportDialog(ZRList* list) {
  if (list == nullptr) return;
  ZRiTunes* library = ZRiTunes::getInstance();
  const std::vector<ZRString> choices =
      library != nullptr ? iTunesImportChoices(*library) : std::vector<ZRString>();
  if (choices.empty()) {
    showActionMessage(languageText(txt_itunes_not_installed), ZRString());
    return;
  }
  int selection = 0;
  if (!chooseOne(languageText(txt_addsongs_title), choices, selection)) return;
  if (!iTunesImportChoice(*library, list, selection)) ZRLOG("error: the iTunes import failed");
}

void FAddDialog(int value, int param, int deck, ZRDrawNode*) {
  ZRLOG("FAddDialog param=%d, tag=%d, deck=%d", value, param, deck);
  RUN_ON_MAIN_THREAD(FAddDialog, value, param, deck);
  ZRNodePlaylist* playlist = libraryPlaylist();
  if (playlist == nullptr) return;
  const ZRString message = languageText(param == 100 ? txt_add_dialog_msg1 : txt_add_dialog_msg2) +
                           languageText(txt_add_dialog_msg3);
  switch (chooseAddKind(message)) {
    case kAddFiles:
      FAddFiles(0, 0, -1, nullptr);
      break;
    case kAddFolder:
      FAddDir(0, 0, -1, nullptr);
      break;
    case kAddITunes:
      iTunesImportDialog(playlist->getList());
      break;
    case kAddList:
      FImportList(100, 0, -1, nullptr);
      break;
    case kAddNothing:
      break;
  }
}

void OnAddEditSingerNameSidelist(int row) {
  ZRNodePlaylist* sidelist = librarySidelist();
  ZRList* list = sidelist != nullptr ? sidelist->getList() : nullptr;
  if (list == nullptr || row < 0) return;
  ZRString name = list->getSingerName(row);
  float keyAdjust = 0;
  if (!promptForSinger(&name, &keyAdjust, 1.0f) || name.empty()) return;
  list->setSingerName(row, name, 0);
  // A name changes nothing the list reports by itself; the singers list shows names.
  list->callListChangedCallback();
}
