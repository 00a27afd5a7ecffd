#include "actions_dj/skin/zr_search_box.h"

#include <atomic>

#include "actions_dj/action_support.h"
#include "actions_dj/skin/zr_library_nodes.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "database/zr_list.h"
#include "gui/zr_node_events.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_playlist.h"

namespace {

// The streaming service's search list (a special list type the browser's plug-ins may add).
constexpr int kSpecialStreamingSearch = 8;

std::atomic<bool> onSpecialListPulselockerSearch{false};

ZRString searchText(ZRDrawNode* node) {
  auto* box = dynamic_cast<ZRNodeEditText*>(node);
  if (box == nullptr) box = librarySearchBox();
  return box != nullptr ? box->getCaption() : ZRString();
}

void focusPlaylist() {
  focusLibraryNode(libraryPlaylist());
}

}  // namespace

bool searchIsAutoEnter() {
  return onSpecialListPulselockerSearch.load();
}

void OnFunctionEditText_Search(int value, int, int, ZRDrawNode* node) {
  switch (value) {
    case ZRNodeEditText::FocusLost:
      if (searchText(node).empty()) FSearchStop(0, 0, -1, node);
      break;
    case ZRNodeEditText::FocusGained:
      if (searchText(node) == languageText(txt_search_song_msg)) {
        if (ZRNodeEditText* box = librarySearchBox()) box->setCaption(ZRString());
      }
      break;
    case ZRNodeEditText::TextChanging:
      if (!searchIsAutoEnter()) {
        if (ZRNodeBrowser* browser = libraryBrowser()) browser->search(searchText(node), true, false);
      }
      break;
    default:
      break;
  }
}

bool OnCharEditText_Search(int key, int, ZRDrawNode* node) {
  ZRNodePlaylist* playlist = libraryPlaylist();
  if (playlist == nullptr) return false;
  switch (key) {
    case ZRKeyUp:
    case ZRKeyDown:
      playlist->moveCursor(key == ZRKeyUp ? -1 : 1);
      focusPlaylist();
      return true;
    case ZRKeyEnter:
      if (searchIsAutoEnter()) {
        // The streaming service answers this search itself; the library is not searched.
        if (ZRNodeBrowser* browser = libraryBrowser()) browser->search(searchText(node), true, true);
        return true;
      }
      [[fallthrough]];
    case ZRKeyTab: {
      ZRList* list = playlist->getList();
      if (list != nullptr && list->getMainCursor() < 0) playlist->moveCursor(-1);
      focusPlaylist();
      return true;
    }
    case ZRKeyEsc:
      FSearchStop(0, 0, -1, node);
      return true;
    default:
      return false;
  }
}

void OnCharEditText_SearchSlot(int key, int modifiers, ZRDrawNode* node) {
  OnCharEditText_Search(key, modifiers, node);
}

void FSearchStop(int, int, int, ZRDrawNode*) {
  ZRNodeEditText* box = librarySearchBox();
  if (box == nullptr) return;
  if (!searchIsAutoEnter()) {
    if (ZRNodeBrowser* browser = libraryBrowser()) browser->exitSearch(false);
  }
  focusPlaylist();
  box->setCaption(languageText(txt_search_song_msg));
}

void Browser_OnListChanged(int value, int, int, ZRDrawNode*) {
  ZRNodeBrowser* browser = libraryBrowser();
  if (browser == nullptr) return;
  const int type = browser->getSpecialListType(value);
  if (type == kSpecialStreamingSearch) {
    ZRLOG("specialListPulselockerSearch");
  } else if (type > kSpecialSearchResults && type != kSpecialUserList && type != kSpecialKaraokeRotation) {
    ZRLOG("unknown");
  }
  const bool autoEnter = type == kSpecialStreamingSearch;
  if (onSpecialListPulselockerSearch.exchange(autoEnter) != autoEnter) {
    if (ZRNodeEditText* box = librarySearchBox()) box->setAllowAutoEnter(autoEnter);
  }
}
