// The browser tree's model: the tree and its visible lines, the list table, building the tree, selection,
// expansion, the user-list operations and search.

#include "gui_nodes/zr_node_browser.h"

#include <algorithm>
#include <atomic>
#include <cmath>

#include "common/action_vocabulary.h"
#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_files.h"
#include "common/zr_files_platform.h"
#include "common/zr_logging.h"
#include "database/zr_browser_plugin_itunes.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "gui/zr_image_raw_data.h"
#include "gui/zr_menu.h"
#include "gui/zr_message_dialogs.h"
#include "gui_nodes/zr_control_classes.h"
#include "gui_nodes/zr_node_playlist.h"
#include "platform/mount_table.h"

namespace {

// Default names of new lists: "New playlist1", "New playlist2", ... for the whole process.
std::atomic<int> listNameDefaultNumber{0};

ZRDrawNode* createBrowser(ZRNodeManager* manager, float scale, int id, int deck) {
  return new ZRNodeBrowser(manager, nullptr, scale, id, deck, -1);
}

TBrowserLine fixedLine(const ZRString& name, int type, int icon, bool expandable) {
  TBrowserLine line;
  line.name = name;
  line.type = type;
  line.childrenLoaded = 1;
  line.expandable = expandable;
  line.icon = icon;
  return line;
}

}  // namespace

unsigned char* decodeBrowserIcon(const char* data, int size, bool, int width, int height) {
  unsigned char* pixels = nullptr;
  bool hasAlpha = false;
  int w = 0, h = 0, bytes = 0;
  // RGBA at exactly the asked size, as the icon is copied into the row.
  if (!getImageRawData(data, size, false, true, pixels, hasAlpha, w, h, bytes, width, height, false))
    return nullptr;
  return pixels;
}

void registerBrowserTreeClass() {
  registerControlClass(ELEMENT_browser, &createBrowser);
  // Plug-ins draw their icons with the skin engine's picture decoder.
  ZRBrowserPlugin::setIconDecoder(&decodeBrowserIcon);
}

ZRNodeBrowser::ZRNodeBrowser(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck,
                             int actionCode)
    : ZRDrawNode(manager, parent, scale, id, deck, actionCode), lists_(kListSlots) {
  setActionSlotCount(kSlotCount);
  fontColor = cursorColor = cursorColorActive = ZRColorFloat{0, 0, 0, 1};
  lineColor1 = decodeColorStr2("#000000");
  lineColor2 = decodeColorStr2("#191919");
  homeFolder_ = getHomeFolder_Apple();
  homeFolder_.appendSeparatorIfNeeded();
  InitialSystemScan();
  ZRDrawNode::refreshCoordinates(nullptr);
  // Made once, here: the render thread and the GUI tick read the pointer without the tree lock.
  table_ = std::make_unique<ZRTableView>(static_cast<int>(std::lrint(width)),
                                         static_cast<int>(std::lrint(height)), this, scale);
}

ZRNodeBrowser::~ZRNodeBrowser() {
  watcher_.reset();
  table_.reset();
  for (auto& plugin : plugins_) plugin.reset();
  for (TBrowserList& slot : lists_) {
    delete slot.list;
    slot.list = nullptr;
  }
}

// ---- building
// -----------------------------------------------------------------------------------------------

int ZRNodeBrowser::addNodeLocked(const TBrowserLine& line, bool expanded, int parent) {
  const int node = tree_.AddNode(line, expanded, parent, -1);
  if (node >= 0) markDirtyLocked();
  return node;
}

void ZRNodeBrowser::InitialSystemScan() {
  {
    std::lock_guard<std::mutex> g(model_);
    TBrowserLine root = fixedLine(getTextName(txt_globalbrowser), kLineRoot, 0, false);
    rootId_ = addNodeLocked(root, true, -1);
  }
  TBrowserLine collection = fixedLine(getTextName(txt_database), kLineCollection, 1, false);
  AddNewList(collection.name, true, rootId_, &collection, true, &collectionId_, ZRList::kTypeCollection, -1,
             kSpecialCollection, nullptr);
  {
    std::lock_guard<std::mutex> g(model_);
    specialListsId_ =
        addNodeLocked(fixedLine(ZRString("Special Lists"), kLineSpecialLists, 2, false), true, rootId_);
    userListsId_ = addNodeLocked(fixedLine(ZRString("User Lists"), kLineUserLists, 6, true), true, rootId_);
  }
  addPlugin(std::make_unique<ZRBrowserPluginiTunes>(this));
  for (auto& plugin : plugins_) {
    if (plugin) plugin->init(rootId_);
  }
  {
    std::lock_guard<std::mutex> g(model_);
    favoritesId_ = addNodeLocked(fixedLine(ZRString("Favorites"), kLineFavorites, 8, true), true, rootId_);
  }
  TBrowserLine finder = fixedLine(ZRString("Finder"), kLineFinder, 9, true);
  finder.expandedIcon = 10;
  AddNewList(finder.name, false, rootId_, &finder, true, &finderId_, ZRList::kTypeFinder, -1, kSpecialFinder,
             nullptr);
  automixSlot_ = AddNewList(getTextName(txt_automixplaylist), true, -1, nullptr, false, nullptr,
                            ZRList::kTypeAutomix, -1, kSpecialAutomix, nullptr);
  karaokeSlot_ = AddNewList(getTextName(txt_karaokerotation), true, -1, nullptr, false, nullptr,
                            ZRList::kTypeKaraokeRotation, -1, kSpecialKaraokeRotation, nullptr);
  TBrowserLine history = fixedLine(getTextName(txt_history), kLineHistory, 4, false);
  AddNewList(history.name, true, specialListsId_, &history, false, &historyId_, ZRList::kTypeHistory, -1,
             kSpecialHistory, nullptr);
  TBrowserLine results = fixedLine(ZRString("Search results"), kLineSearchResults, 5, false);
  AddNewList(results.name, false, specialListsId_, &results, false, &searchResultsId_,
             ZRList::kTypeSearchResults, -1, kSpecialSearchResults, nullptr);
  RescanDisks();
}

int32_t ZRNodeBrowser::addTreeNode(const TBrowserLine& line, bool expanded, int32_t parent) {
  std::lock_guard<std::mutex> g(model_);
  return addNodeLocked(line, expanded, parent);
}

int32_t ZRNodeBrowser::AddNewList(const ZRString& name, bool saveInDatabase, int32_t parent,
                                  TBrowserLine* line, bool expanded, int32_t* outNodeId, int32_t listType,
                                  int32_t subtype, int32_t specialType,
                                  std::shared_ptr<ZRBrowserCustomData> customData) {
  if (outNodeId != nullptr) *outNodeId = -1;
  {
    std::lock_guard<std::mutex> g(model_);
    if (usedSlots_ >= kListSlots) {
      ZRLOG("no empty space found");
      return -1;
    }
  }
  // Made outside the model lock: creating a list takes the list registry's lock.
  ZRList* list = ZRList::create(name, saveInDatabase, listType, subtype);
  if (list == nullptr) {
    ZRLOG("constructor memory failed");
    return -1;
  }
  if (specialType == kSpecialKaraokeRotation) list->setIsKaraokeSingersRotationList(true);
  std::lock_guard<std::mutex> g(model_);
  int slot = -1;
  for (int i = 0; i < kListSlots; ++i) {
    if (lists_[static_cast<size_t>(i)].list == nullptr) {
      slot = i;
      break;
    }
  }
  if (slot < 0) {
    ZRLOG("no empty space found");
    delete list;
    return -1;
  }
  TBrowserList& entry = lists_[static_cast<size_t>(slot)];
  entry.list = list;
  entry.nodeId = -1;
  if (parent >= 0 && line != nullptr) {
    line->listNumber = slot;
    entry.nodeId = addNodeLocked(*line, expanded, parent);
    if (outNodeId != nullptr) *outNodeId = entry.nodeId;
  }
  entry.specialType = specialType;
  entry.customData = std::move(customData);
  ++usedSlots_;
  return slot;
}

ZRList* ZRNodeBrowser::loadListCallback(const ZRString& name, int listType, int subtype) {
  switch (listType) {
    case ZRList::kTypeFinder:
      return getSpecialList(kSpecialFinder);
    case ZRList::kTypeCollection:
      return getSpecialList(kSpecialCollection);
    case ZRList::kTypeHistory:
      return getSpecialList(kSpecialHistory);
    case ZRList::kTypeAutomix:
      return getSpecialList(kSpecialAutomix);
    case ZRList::kTypeSearchResults:
      return getSpecialList(kSpecialSearchResults);
    case ZRList::kTypeKaraokeRotation:
      return getSpecialList(kSpecialKaraokeRotation);
    case ZRList::kTypeUserList: {
      TBrowserLine line = fixedLine(name, kLineUserList, 6, false);
      const int slot = AddNewList(name, true, userListsId_, &line, false, nullptr, ZRList::kTypeUserList,
                                  subtype, kSpecialUserList, nullptr);
      return slot >= 0 ? getListOfSlot(slot, nullptr) : nullptr;
    }
    default:
      return nullptr;
  }
}

// ---- the list table
// -----------------------------------------------------------------------------------------

int ZRNodeBrowser::getSpecialListNo(int specialType) {
  std::lock_guard<std::mutex> g(model_);
  for (int i = 0; i < kListSlots; ++i) {
    const TBrowserList& entry = lists_[static_cast<size_t>(i)];
    if (entry.list != nullptr && entry.specialType == specialType) return i;
  }
  return -1;
}

ZRList* ZRNodeBrowser::getSpecialList(int specialType) {
  const int slot = getSpecialListNo(specialType);
  return slot >= 0 ? getListOfSlot(slot, nullptr) : nullptr;
}

int ZRNodeBrowser::getSpecialListType(int slot) {
  if (slot < 0 || slot >= kListSlots) return kSpecialUserList;
  std::lock_guard<std::mutex> g(model_);
  return lists_[static_cast<size_t>(slot)].specialType;
}

ZRList* ZRNodeBrowser::getListOfSlot(int32_t slot, std::shared_ptr<ZRBrowserCustomData>* customData) {
  if (slot < 0 || slot >= kListSlots) return nullptr;
  std::lock_guard<std::mutex> g(model_);
  const TBrowserList& entry = lists_[static_cast<size_t>(slot)];
  if (customData != nullptr) *customData = entry.customData;
  return entry.list;
}

int ZRNodeBrowser::getUsedListSlots() {
  std::lock_guard<std::mutex> g(model_);
  return usedSlots_;
}

int ZRNodeBrowser::getListNoFromNodeId(int nodeId) {
  if (nodeId < 0) {
    ZRLOG("ERROR: getnode nodeId=%d", nodeId);
    return -1;
  }
  std::lock_guard<std::mutex> g(model_);
  TBrowserLine line;
  if (!tree_.GetNode(nodeId, &line, nullptr)) {
    ZRLOG("ERROR: getnode stop (-1)");
    return -1;
  }
  return line.listNumber;
}

int32_t ZRNodeBrowser::getListNoOfRow(int32_t row) {
  std::lock_guard<std::mutex> g(model_);
  ensureVisibleLocked();
  if (row < 0 || row >= static_cast<int>(visible_.size())) return -1;
  return visible_[static_cast<size_t>(row)].line.listNumber;
}

// ---- visible lines
// ------------------------------------------------------------------------------------------

void ZRNodeBrowser::rebuildVisibleLinesLocked() {
  visible_.clear();
  tree_.EnumerateNodesRecursive(
      tree_.root(),
      [this](const TBrowserLine& line, int id, int depth, bool expanded) {
        visible_.push_back({id, depth, expanded, line});
      },
      0, false);
}

void ZRNodeBrowser::ensureVisibleLocked() {
  if (!dirty_) return;
  dirty_ = false;
  rebuildVisibleLinesLocked();
}

int ZRNodeBrowser::rowOfNodeLocked(int node) const {
  for (size_t i = 0; i < visible_.size(); ++i) {
    if (visible_[i].nodeId == node) return static_cast<int>(i);
  }
  return -1;
}

int ZRNodeBrowser::nodeOfRowLocked(int row) const {
  if (row < 0 || row >= static_cast<int>(visible_.size())) return -1;
  return visible_[static_cast<size_t>(row)].nodeId;
}

bool ZRNodeBrowser::lineOfNodeLocked(int node, TBrowserLine* line, bool* expanded) const {
  return tree_.GetNode(node, line, expanded);
}

int ZRNodeBrowser::resolveNodeLocked(int node) const {
  return node == -1 ? nodeOfRowLocked(cursorRow_) : node;
}

void ZRNodeBrowser::refreshTable() {
  bool rebuilt = false;
  {
    std::lock_guard<std::mutex> g(model_);
    rebuilt = dirty_;
    ensureVisibleLocked();
  }
  if (rebuilt && table_) table_->refreshWholeData(false);
}

std::vector<ZRNodeBrowser::TVisibleLine> ZRNodeBrowser::getVisibleLines() {
  std::lock_guard<std::mutex> g(model_);
  ensureVisibleLocked();
  return visible_;
}

int ZRNodeBrowser::getCursorRow() {
  std::lock_guard<std::mutex> g(model_);
  return cursorRow_;
}

int ZRNodeBrowser::getSpecialNodeId(int lineType) {
  std::lock_guard<std::mutex> g(model_);
  switch (lineType) {
    case kLineRoot:
      return rootId_;
    case kLineCollection:
      return collectionId_;
    case kLineFinder:
      return finderId_;
    case kLineFavorites:
      return favoritesId_;
    case kLineSpecialLists:
      return specialListsId_;
    case kLineUserLists:
      return userListsId_;
    case kLineHistory:
      return historyId_;
    case kLineSearchResults:
      return searchResultsId_;
    default:
      return -1;
  }
}

void ZRNodeBrowser::forceInitWhenNotVisible() {
  startWatchingVolumes();
  int select = -1, reselect = -1;
  {
    std::lock_guard<std::mutex> g(model_);
    if (pendingListNo_ >= 0) {
      ensureVisibleLocked();
      for (size_t i = 0; i < visible_.size(); ++i) {
        if (visible_[i].line.listNumber == pendingListNo_) {
          pendingRow_ = static_cast<int>(i);
          break;
        }
      }
      pendingListNo_ = -1;
    }
    if (pendingRow_ >= 0) {
      ensureVisibleLocked();
      pendingNode_ = nodeOfRowLocked(pendingRow_);
      pendingRow_ = -1;
    }
    select = pendingNode_;
    pendingNode_ = -1;
    if (tablesJustSet_ && cursorRow_ >= 0) {
      tablesJustSet_ = false;
      ensureVisibleLocked();
      reselect = nodeOfRowLocked(cursorRow_);
    }
  }
  refreshTable();
  if (select >= 0) SelectNode(select);
  if (reselect >= 0) {
    SelectNode(reselect);
    if (ZRNodePlaylist* side = sideTable_.load()) {
      side->setDrawMode(0);
      side->changeList(getSpecialList(kSpecialAutomix));
    }
  }
}

void ZRNodeBrowser::setNodePlaylist(ZRNodePlaylist* mainTable, ZRNodePlaylist* sideTable) {
  mainTable_.store(mainTable);
  sideTable_.store(sideTable);
  std::lock_guard<std::mutex> g(model_);
  tablesJustSet_ = true;
}

// ---- selection and expansion
// --------------------------------------------------------------------------------

void ZRNodeBrowser::listChanged(int slot) {
  if (ZRActionCallback fn = getActionSlot(kSlotListChanged)) fn(slot, actionCode, deck, this);
}

void ZRNodeBrowser::ExpandAllParentNodesInPathToNode(int node) {
  std::lock_guard<std::mutex> g(model_);
  for (int parent = tree_.parentOf(node); parent >= 0; parent = tree_.parentOf(parent)) {
    bool expanded = false;
    if (tree_.GetNode(parent, nullptr, &expanded) && !expanded) {
      tree_.SetExpanded(parent, true);
      markDirtyLocked();
    }
  }
}

void ZRNodeBrowser::SelectNode(int node) {
  if (node < 0) return;
  std::lock_guard<std::recursive_mutex> selecting(selection_);
  int row = -1;
  TBrowserLine line;
  TBrowserList slot;
  {
    std::lock_guard<std::mutex> g(model_);
    if (tree_.find(node) == nullptr) return;
  }
  ExpandAllParentNodesInPathToNode(node);
  {
    std::lock_guard<std::mutex> g(model_);
    ensureVisibleLocked();
    row = rowOfNodeLocked(node);
    if (row < 0 || !lineOfNodeLocked(node, &line, nullptr)) return;
    cursorRow_ = row;
    markDirtyLocked();
    if (line.listNumber >= 0 && line.listNumber < kListSlots)
      slot = lists_[static_cast<size_t>(line.listNumber)];
  }
  refreshTable();
  if (table_) table_->makeRowVisible(row);
  ZRNodePlaylist* main = mainTable_.load();
  if (slot.list != nullptr && main != nullptr) {
    const bool plain = line.type == kLineCollection || line.type == kLineSearchResults || line.type == 216;
    main->setDrawMode(plain ? 0 : -1);
    main->changeList(slot.list);
    listChanged(line.listNumber);
  }
  if (line.plugin != nullptr) line.plugin->clicked(row, false, -1, -1);
  if (line.type >= kLineVolume && line.type <= 199) {
    const int finderSlot = getSpecialListNo(kSpecialFinder);
    ZRList* finder = getListOfSlot(finderSlot, nullptr);
    if (finder != nullptr) {
      // Files still being read for the folder shown before are dropped.
      finder->clearDroppingQueuedAdditions();
      finder->addFolder(line.path, false);
      if (main != nullptr) {
        main->setDrawMode(0);
        main->changeList(finder);
        listChanged(finderSlot);
      }
    }
  }
}

void ZRNodeBrowser::moveCursor(int delta) {
  if (!table_) return;
  int node = -1;
  {
    std::lock_guard<std::mutex> g(model_);
    ensureVisibleLocked();
    const int n = static_cast<int>(visible_.size());
    if (n == 0) return;
    int target = -1;
    if (std::abs(delta) <= 99) {
      target = std::clamp(cursorRow_ + delta, 0, n - 1);
    } else if (delta == 100) {
      target = n - 1;
    } else if (delta == -100) {
      target = 0;
    } else if (cursorRow_ < 0) {
      target = 0;
    }
    if (target < 0) return;
    node = nodeOfRowLocked(target);
  }
  SelectNode(node);
}

TBrowserLine ZRNodeBrowser::folderLine(const ZRString& name, const ZRString& path, int typeWithSubfolders,
                                       int typePlain) {
  const bool subfolders = findDirHasSubdirs(path);
  TBrowserLine line;
  line.name = name;
  line.path = path;
  line.type = subfolders ? typeWithSubfolders : typePlain;
  line.childrenLoaded = 0;
  line.expandable = subfolders;
  line.icon = subfolders ? 11 : 9;
  line.expandedIcon = subfolders ? 10 : -1;
  return line;
}

bool ZRNodeBrowser::scanFolderChildren(int node, const ZRString& path) {
  // The disk is read without the model lock.
  std::vector<TBrowserLine> children;
  void* handle = nullptr;
  ZRString name;
  bool isFolder = false;
  ZRString base = path;
  base.appendSeparatorIfNeeded();
  const bool listed = findFirst(path, ZRString("*"), &handle, &name, &isFolder);
  if (listed) {
    do {
      if (isFolder) children.push_back(folderLine(name, base + name, kLineFolderWithSubfolders, kLineFolder));
    } while (findNext(handle, &name, &isFolder));
    findClose(handle);
  }
  std::lock_guard<std::mutex> g(model_);
  TBrowserLine line;
  bool expanded = false;
  if (!tree_.GetNode(node, &line, &expanded) || line.childrenLoaded) return listed;
  for (const TBrowserLine& child : children) tree_.AddNode(child, false, node, -1);
  line.childrenLoaded = 1;
  tree_.SetNode(node, line, expanded);
  markDirtyLocked();
  return listed;
}

void ZRNodeBrowser::ExpandNode(int node) {
  TBrowserLine line;
  bool expanded = false;
  {
    std::lock_guard<std::mutex> g(model_);
    ensureVisibleLocked();
    node = resolveNodeLocked(node);
    if (!tree_.GetNode(node, &line, &expanded) || !line.expandable) return;
    if (expanded) {
      tree_.SetExpanded(node, false);
      markDirtyLocked();
    }
  }
  // A folder that cannot be listed (gone, unreadable, empty) stays collapsed.
  if (!expanded && (line.childrenLoaded || scanFolderChildren(node, line.path))) {
    std::lock_guard<std::mutex> g(model_);
    tree_.SetExpanded(node, true);
    markDirtyLocked();
  }
  refreshTable();
}

// ---- user lists
// ---------------------------------------------------------------------------------------------

int ZRNodeBrowser::addList(const ZRString& nameIn, int* outNodeId) {
  if (outNodeId != nullptr) *outNodeId = -1;
  ZRString name = nameIn;
  if (name.empty()) {
    const ZRString defaultName = getTextName(txt_newplaylist_default_name);
    name = showGetTextFromUserDialog(getTextName(txt_list_name), getTextName(txt_enter_new_playlist_name),
                                     defaultName, nullptr);
    if (!name.empty() && name == defaultName) {
      name = defaultName + ZRString(std::to_string(listNameDefaultNumber.fetch_add(1) + 1));
    }
  }
  if (name.empty()) return -1;
  TBrowserLine line = fixedLine(name, kLineUserList, 6, false);
  int node = -1;
  const int slot = AddNewList(name, true, userListsId_, &line, false, &node, ZRList::kTypeUserList, -1,
                              kSpecialUserList, nullptr);
  if (slot < 0) return -1;
  if (outNodeId != nullptr) *outNodeId = node;
  {
    std::lock_guard<std::mutex> g(model_);
    ensureVisibleLocked();
    const int row = rowOfNodeLocked(userListsId_);
    if (row >= 0 && !visible_[static_cast<size_t>(row)].expanded) tree_.SetExpanded(userListsId_, true);
    cursorRow_ = -1;
    pendingNode_ = node;
    markDirtyLocked();
  }
  refreshTable();
  return slot;
}

void ZRNodeBrowser::deleteList(int nodeArg, bool confirm) {
  int node = -1, slot = -1;
  {
    std::lock_guard<std::mutex> g(model_);
    ensureVisibleLocked();
    node = resolveNodeLocked(nodeArg);
    TBrowserLine line;
    if (!tree_.GetNode(node, &line, nullptr) || line.type != kLineUserList) return;
    slot = line.listNumber;
  }
  if (confirm && !showConfirmationDialog(getTextName(txt_confirm_delete_list), ZRString(), nullptr)) return;
  std::lock_guard<std::recursive_mutex> selecting(selection_);
  ZRList* collection = getSpecialList(kSpecialCollection);
  ZRList* list = nullptr;
  {
    std::lock_guard<std::mutex> g(model_);
    if (slot >= 0 && slot < kListSlots) {
      list = lists_[static_cast<size_t>(slot)].list;
      lists_[static_cast<size_t>(slot)] = TBrowserList();
      if (list != nullptr) --usedSlots_;
    }
    tree_.DeleteNodeAndChildren(node);
    if (pendingListNo_ == slot) pendingListNo_ = -1;
    if (pendingNode_ == node) pendingNode_ = -1;
    if (preSearchNode_ == node) preSearchNode_ = -1;
    cursorRow_ = 1;
    markDirtyLocked();
  }
  // The tables stop using the list before it goes: forgetList waits until the render thread is done with
  // it. Additions still queued for it find it out of the registry and are dropped.
  if (ZRNodePlaylist* main = mainTable_.load()) {
    main->changeList(collection);
    main->forgetList(list, collection);
  }
  if (ZRNodePlaylist* side = sideTable_.load()) side->forgetList(list, getSpecialList(kSpecialAutomix));
  if (list != nullptr) {
    ZRList::removeList(list);
    delete list;
  }
  refreshTable();
}

void ZRNodeBrowser::renameList(int nodeArg, const ZRString& nameIn) {
  int node = -1;
  TBrowserLine line;
  bool expanded = false;
  {
    std::lock_guard<std::mutex> g(model_);
    ensureVisibleLocked();
    node = resolveNodeLocked(nodeArg);
    if (!tree_.GetNode(node, &line, &expanded) || line.type != kLineUserList) return;
  }
  ZRString name = nameIn;
  if (name.empty()) {
    name = showGetTextFromUserDialog(getTextName(txt_edit_list_name),
                                     getTextName(txt_enter_new_playlist_name), line.name, nullptr);
  }
  if (name.empty()) return;
  ZRList* list = getListOfSlot(line.listNumber, nullptr);
  if (list != nullptr) list->setName(name);
  {
    std::lock_guard<std::mutex> g(model_);
    TBrowserLine current;
    if (!tree_.GetNode(node, &current, &expanded)) return;
    current.name = name;
    tree_.SetNode(node, current, expanded);
    markDirtyLocked();
  }
  refreshTable();
}

void ZRNodeBrowser::rescanUserLists(int slotArg) {
  // The registry's order, read first (its lock is not held while the model lock is).
  std::vector<ZRList*> userLists;
  ZRList::forEachList([&userLists](ZRList* list) {
    if (list->getType() == ZRList::kTypeUserList) userLists.push_back(list);
  });
  std::lock_guard<std::mutex> g(model_);
  ensureVisibleLocked();
  int slot = slotArg;
  if (slot == -1) {
    const int node = nodeOfRowLocked(cursorRow_);
    TBrowserLine line;
    slot = node >= 0 && tree_.GetNode(node, &line, nullptr) ? line.listNumber : -1;
  }
  tree_.DeleteNodeChildrenOnly(userListsId_);
  for (ZRList* list : userLists) {
    for (int i = 0; i < kListSlots; ++i) {
      TBrowserList& entry = lists_[static_cast<size_t>(i)];
      if (entry.list != list) continue;
      TBrowserLine line = fixedLine(list->getName(), kLineUserList, 6, false);
      line.listNumber = i;
      entry.nodeId = tree_.AddNode(line, true, userListsId_, -1);
      break;
    }
  }
  pendingRow_ = cursorRow_;
  pendingListNo_ = slot;
  markDirtyLocked();
}

bool ZRNodeBrowser::moveListNoBeforeListNo(int slot, int targetSlot, bool after) {
  ZRList* list = nullptr;
  ZRList* target = nullptr;
  {
    std::lock_guard<std::mutex> g(model_);
    ensureVisibleLocked();
    bool slotVisible = false, targetVisible = false;
    for (const TVisibleLine& v : visible_) {
      slotVisible = slotVisible || v.line.listNumber == slot;
      targetVisible = targetVisible || v.line.listNumber == targetSlot;
    }
    if (!slotVisible || !targetVisible || slot < 0 || targetSlot < 0) return false;
    list = lists_[static_cast<size_t>(slot)].list;
    target = lists_[static_cast<size_t>(targetSlot)].list;
  }
  if (!ZRList::moveList(list, target, after)) return false;
  rescanUserLists(slot);
  return true;
}

// ---- search
// -------------------------------------------------------------------------------------------------

void ZRNodeBrowser::search(const ZRString& text, bool advanced, bool skip) {
  ZRList* results = getSpecialList(kSpecialSearchResults);
  if (skip || results == nullptr) return;
  ZRList* history = getSpecialList(kSpecialHistory);
  if (advanced) {
    results->database()->searchAdvanced(text, results, history);
  } else {
    results->database()->search(text, results, history);
  }
  int node = -1;
  {
    std::lock_guard<std::mutex> g(model_);
    if (preSearchNode_ < 0) {
      ensureVisibleLocked();
      preSearchNode_ = nodeOfRowLocked(cursorRow_);
    }
    node = searchResultsId_;
  }
  SelectNode(node);
}

void ZRNodeBrowser::exitSearch(bool toCollection) {
  int node = -1;
  {
    std::lock_guard<std::mutex> g(model_);
    node = (preSearchNode_ < 0 || toCollection) ? collectionId_ : preSearchNode_;
    preSearchNode_ = -1;
  }
  SelectNode(node);
}
