#include "actions_dj/skin/zr_library_nodes.h"

#include <atomic>
#include <memory>
#include <utility>

#include "common/action_ids.h"
#include "common/action_vocabulary.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_control_support.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_playlist.h"

namespace {

std::atomic<ZRNodeManager*> installedManager{nullptr};
std::atomic<ZRNodePlaylist*> lastFocused{nullptr};

template <typename T>
T* globalNode(int action) {
  ZRNodeManager* manager = installedManager.load();
  return manager != nullptr ? dynamic_cast<T*>(manager->getNodeAt(action)) : nullptr;
}

}  // namespace

void installLibraryNodes(ZRNodeManager* manager) {
  installedManager.store(manager);
  lastFocused.store(nullptr);
}

ZRNodeManager* libraryNodeManager() {
  return installedManager.load();
}

ZRNodeBrowser* libraryBrowser() {
  return globalNode<ZRNodeBrowser>(ACT_browser);
}
ZRNodePlaylist* libraryPlaylist() {
  return globalNode<ZRNodePlaylist>(ACT_playlist);
}
ZRNodePlaylist* librarySidelist() {
  return globalNode<ZRNodePlaylist>(ACT_sidelist);
}
ZRNodeEditText* librarySearchBox() {
  return globalNode<ZRNodeEditText>(ACT_et_search);
}
ZRNodeBackImage* librarySplitterBrowser() {
  return globalNode<ZRNodeBackImage>(ACT_img_splitter_browser);
}
ZRNodeBackImage* librarySplitterList() {
  return globalNode<ZRNodeBackImage>(ACT_img_splitter_list);
}

void noteTableFocused(ZRDrawNode* node) {
  auto* table = dynamic_cast<ZRNodePlaylist*>(node);
  if (table != nullptr && (table == libraryPlaylist() || table == librarySidelist()))
    lastFocused.store(table);
}

ZRNodePlaylist* focusedTable() {
  ZRNodePlaylist* playlist = libraryPlaylist();
  ZRNodePlaylist* sidelist = librarySidelist();
  for (ZRNodePlaylist* table : {playlist, sidelist}) {
    if (table != nullptr && table->hasKeyboardFocus()) lastFocused.store(table);
  }
  ZRNodePlaylist* table = lastFocused.load();
  // Only a table of the current skin (a reloaded skin made new nodes).
  return table != nullptr && (table == playlist || table == sidelist) ? table : nullptr;
}

ZRList* focusedTableList(bool fallbackToPlaylist) {
  ZRNodePlaylist* table = focusedTable();
  ZRList* list = table != nullptr ? table->getList() : nullptr;
  if (list == nullptr && fallbackToPlaylist) {
    ZRNodePlaylist* playlist = libraryPlaylist();
    list = playlist != nullptr ? playlist->getList() : nullptr;
  }
  return list;
}

void focusLibraryNode(ZRDrawNode* node) {
  ZRNodeManager* manager = installedManager.load();
  if (manager != nullptr && node != nullptr) manager->changeKBFocusToNode(node);
}

bool onMainThreadOrPost(std::function<void()> fn) {
  if (isOnMainThread()) return true;
  // Posted work lives as long as the process: the actions have no node of their own to tie it to.
  static const std::shared_ptr<int> token = std::make_shared<int>(0);
  runOnMainThread(token, std::move(fn));
  return false;
}
