#pragma once
// ZRNodeBrowser: the browser tree, the skin control of the element tag "browser" (element type 8; the global
// action "browser" has the one instance). The tree at the side of the main window from which the user picks
// what the track tables show: the collection, the special lists (history, search results), the user's own
// lists, the nodes of browser plug-ins, favourite folders and the Finder (the home folder, the XDG Desktop
// and Music folders and the mounted volumes). The browser also owns the table of every ZRList the library
// shows, including two with no line in the tree (the automix playlist and the karaoke singer rotation).
//
// Its parts, one file each: zr_node_browser.cpp (the model: tree, lines, list table, selection, expansion,
// list operations, search), zr_node_browser_events.cpp (input, drawing rows and icons, menus, drag and drop)
// and zr_node_browser_places.cpp (favourites and favorites.xml, the Finder's volumes, plug-in slots, the
// special nodes' expansion). The tree is CTree (zr_browser_tree.h).
//
// Action slots (0-based here): 4 keyboard focus (1 gained, 0 lost), 9 list changed (value: the list slot
// now in the main track table). The key slot and menu slot (setKeySlot, setMenuSlot) take keys and menu
// commands the browser does not handle itself.
//
// Threads: clicks, keys, menus, dialogs, drops and the list operations run on the main thread; the per-frame
// rebuild of the visible lines, pending selections and the drawing run on the render thread. The model
// (tree, visible lines, list table, cursor, pending selections, favourites) is guarded by the browser's
// model lock, held only while the model is read or changed: never across calls to the table view, the
// track tables, lists, plug-ins, slots or dialogs. The table view calls the browser (numberOfRows, drawRow)
// under its own lock, so the order is always table view, then model. Volume changes are noticed on a
// watcher thread and handled on the main thread (the "main" task queue).

#include <array>
#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "common/zr_string.h"
#include "common/zr_value_codecs.h"
#include "database/zr_browser_plugin.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_table_view.h"
#include "gui_nodes/zr_browser_favorites_file.h"
#include "gui_nodes/zr_browser_tree.h"
#include "gui_nodes/zr_control_callbacks.h"

class ZRList;
class ZRMenu;
class ZRNodePlaylist;
class PlatformMountWatcher;

// One slot of the browser's list table.
struct TBrowserList {
  ZRList* list = nullptr;  // null: a free slot
  int specialType = 10;    // ESpecialListType
  int nodeId = -1;         // its tree line, -1 for none
  std::shared_ptr<ZRBrowserCustomData> customData;
};

// The browser's special lists (the special type of a slot, and getSpecialList's argument).
enum ESpecialListType : int {
  kSpecialCollection = 0,
  kSpecialFinder = 1,
  kSpecialHistory = 2,
  kSpecialAutomix = 3,
  kSpecialSearchResults = 6,
  kSpecialKaraokeRotation = 9,
  kSpecialUserList = 10,
};

// The nodes whose expansion the settings keep.
enum ESpecialNodeType : int {
  kSpecialNodeUserLists = 0,
  kSpecialNodeiTunes = 1,
  kSpecialNodeFavorites = 2,
  kSpecialNodeFinder = 3,
  kSpecialNodeSecondPlugin = 4,
};

class ZRNodeBrowser : public ZRDrawNode, public ZRTableViewDelegate, public ZRBrowserPluginHost {
 public:
  static constexpr int kListSlots = 4096;
  static constexpr int kPluginSlots = 8;
  static constexpr int kFavoriteSlots = 128;
  static constexpr int kSlotCount = 12;
  static constexpr int kSlotFocus = 4;
  static constexpr int kSlotListChanged = 9;

  // Line types.
  enum LineType : int {
    kLineRoot = 0,
    kLineFinder = 10,
    kLineFavorites = 11,
    kLineVolume = 100,
    kLineFolder = 110,
    kLineFavoriteFolder = 111,
    kLineFolderWithSubfolders = 120,
    kLineFavoriteFolderWithSubfolders = 121,
    kLineCollection = 200,
    kLineHistory = 202,
    kLineSpecialLists = 205,
    kLineUserLists = 206,
    kLineUserList = 210,
    kLineAutomix = 212,
    kLineSearchResults = 215,
    kLineKaraokeRotation = 217,
    kLinePlugin = -1,
  };

  // One visible line: the tree node, its depth (root 0), its expansion and a copy of its line.
  struct TVisibleLine {
    int nodeId = -1;
    int depth = 0;
    bool expanded = false;
    TBrowserLine line;
  };

  ZRNodeBrowser(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck, int actionCode);
  ~ZRNodeBrowser() override;

  // ---- ZRDrawNode ----
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  void destroyTexture() override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;
  bool canHaveKBFocus() override { return true; }
  bool dropCallback(ZRDragDropPayload payload, float x, float y, bool testOnly) override;
  void changeSize(float width, float height) override;

  // ---- ZRTableViewDelegate ----
  int numberOfRows(ZRTableView* view) override;
  bool hasFixedRowHeight(ZRTableView*) override { return true; }
  int rowHeight(int row, ZRTableView* view) override;
  void drawRow(ZRTableViewRow* row, ZRTableView* view) override;
  void rowClicked(int row, float x, float yInRow, int button, ZRTableView* view) override;
  void rowSwiped(int, ZRTableView*) override {}

  // ---- ZRBrowserPluginHost ----
  int32_t addTreeNode(const TBrowserLine& line, bool expanded, int32_t parent) override;
  int32_t AddNewList(const ZRString& name, bool saveInDatabase, int32_t parent, TBrowserLine* line,
                     bool expanded, int32_t* outNodeId, int32_t listType, int32_t subtype,
                     int32_t specialType, std::shared_ptr<ZRBrowserCustomData> customData) override;
  int32_t getListNoOfRow(int32_t row) override;
  ZRList* getListOfSlot(int32_t slot, std::shared_ptr<ZRBrowserCustomData>* customData) override;

  // ---- the list table ----
  // The list database.xml's list of that type (and name, for user lists) fills; null skips it.
  ZRList* loadListCallback(const ZRString& name, int listType, int subtype);
  int getSpecialListNo(int specialType);
  ZRList* getSpecialList(int specialType);
  int getSpecialListType(int slot);
  int getListNoFromNodeId(int nodeId);
  int getUsedListSlots();

  // ---- user lists (main thread; node -1: the cursor row's line) ----
  // The new list's slot (-1 when cancelled or failed); its node id in outNodeId.
  int addList(const ZRString& name, int* outNodeId);
  void deleteList(int node, bool confirm);
  void renameList(int node, const ZRString& name);
  void rescanUserLists(int slot);
  bool moveListNoBeforeListNo(int slot, int targetSlot, bool after);

  // ---- selection and expansion ----
  void SelectNode(int node);
  void moveCursor(int delta);
  void ExpandNode(int node);
  void expandAtCursor() { ExpandNode(-1); }
  void ExpandAllParentNodesInPathToNode(int node);
  // Rebuilds the visible lines when the tree changed and applies pending selections (before every frame,
  // and from the GUI tick while the node is hidden).
  void forceInitWhenNotVisible();
  void setNodePlaylist(ZRNodePlaylist* mainTable, ZRNodePlaylist* sideTable);
  void search(const ZRString& text, bool advanced, bool skip);
  void exitSearch(bool toCollection);

  // ---- favourites, Finder, plug-ins (zr_node_browser_places.cpp) ----
  void addFavorite(const ZRString& name, const ZRString& path, int type, int flag, bool deferRefresh);
  void removeFavorite(const ZRString& path, int node);
  // Reads favorites.xml and remembers its path: later changes of the favourites are written back at once.
  void loadFavorites(const ZRString& path);
  bool saveFavorites(const ZRString& path);
  std::vector<TZRFavorite> getFavorites();
  void RescanDisks();
  // The mount table the Finder's volumes come from and the watcher follows (tests use a file of their own).
  void setMountTable(const std::string& table, int checkIntervalMs);
  // Starts following the mount table (once; the first frame does it).
  void startWatchingVolumes();
  void loadPluginsPre();
  void loadPluginsPost();
  void closePluginsPre();
  void closePluginsPost();
  int getPluginNodeId(int pluginId);
  void removePlugin(int pluginId);
  // Puts a plug-in into the first free slot (the browser owns it); false when all are used.
  bool addPlugin(std::unique_ptr<ZRBrowserPlugin> plugin);
  void expandOrCollapseSpecialNode(int type, bool expanded);
  bool getIsSpecialNodeExpanded(int type);

  // ---- events (zr_node_browser_events.cpp) ----
  void popupMenuDependingOnElement(float x, float y);
  void menuItemCallback(int index, void* param);
  static void menuCallbackFunctionForBrowser(void* userData, int index, void* param);
  void setKeySlot(ZRKeySlotCallback callback) { keySlot_.store(callback); }
  void setMenuSlot(ZRMenuSlotCallback callback) { menuSlot_.store(callback); }

  // ---- state for the shell and tests ----
  std::vector<TVisibleLine> getVisibleLines();
  int getCursorRow();
  int getSpecialNodeId(int lineType);
  ZRTableView* getTableView() const { return table_.get(); }
  ZRMenu* getOpenedMenu() const { return lastMenu_; }
  bool hasKeyboardFocus() const { return hasFocus_.load(); }
  const ZRString& getHomeFolder() const { return homeFolder_; }

  // Skin attributes.
  ZRColorFloat fontColor, cursorColor, cursorColorActive, lineColor1, lineColor2;
  ZRString fontName{"Arial"};
  float fontSize = 14;
  std::atomic<int> lineSize{28};
  float iconX = -1, iconY = -1, iconSize = 16, iconSpace = 0;

 private:
  using Tree = CTree<TBrowserLine>;

  // Model helpers: ...Locked run with model_ held.
  void InitialSystemScan();
  int addNodeLocked(const TBrowserLine& line, bool expanded, int parent);
  void rebuildVisibleLinesLocked();
  void ensureVisibleLocked();
  int rowOfNodeLocked(int node) const;
  int nodeOfRowLocked(int row) const;
  bool lineOfNodeLocked(int node, TBrowserLine* line, bool* expanded) const;
  int resolveNodeLocked(int node) const;
  void markDirtyLocked() { dirty_ = true; }
  // After the model changed: rebuilds the visible lines and tells the table view (no lock held).
  void refreshTable();
  void listChanged(int slot);
  TBrowserLine folderLine(const ZRString& name, const ZRString& path, int typeWithSubfolders, int typePlain);
  // Lists the folder's subfolders as the node's children (once); false when the folder cannot be listed.
  bool scanFolderChildren(int node, const ZRString& path);

  // Events.
  void drawBrowserIcon(ZRTableViewRow* row, const TVisibleLine& line, float x, float y);
  void onMove(float x, float y);
  bool onKey(int key, int modifiers);
  ZRMenu* menuForType(int type);
  void saveFavoritesIfKnown();

  mutable std::mutex model_;
  // Held by a whole selection and by a list deletion, so that a selection made on the render thread (a
  // pending one) cannot hand a track table the list being deleted.
  std::recursive_mutex selection_;
  Tree tree_;
  std::vector<TVisibleLine> visible_;
  bool dirty_ = true;
  int rootId_ = -1, collectionId_ = -1, finderId_ = -1, favoritesId_ = -1, specialListsId_ = -1,
      userListsId_ = -1, historyId_ = -1, searchResultsId_ = -1;
  int automixSlot_ = -1, karaokeSlot_ = -1;
  int cursorRow_ = -1;
  int pendingNode_ = -1, pendingRow_ = -1, pendingListNo_ = -1;
  int preSearchNode_ = -1;
  bool tablesJustSet_ = false;
  std::vector<TBrowserList> lists_;
  int usedSlots_ = 0;
  std::array<std::optional<TZRFavorite>, kFavoriteSlots> favorites_;
  ZRString favoritesPath_;
  bool loadingFavorites_ = false;

  std::atomic<bool> hasFocus_{false};
  std::atomic<ZRNodePlaylist*> mainTable_{nullptr};
  std::atomic<ZRNodePlaylist*> sideTable_{nullptr};
  std::atomic<ZRKeySlotCallback> keySlot_{nullptr};
  std::atomic<ZRMenuSlotCallback> menuSlot_{nullptr};
  ZRString homeFolder_;  // with a trailing '/'
  std::unique_ptr<ZRTableView> table_;
  std::unique_ptr<ZRMenu> menus_[5];
  ZRMenu* lastMenu_ = nullptr;
  std::array<std::unique_ptr<ZRBrowserPlugin>, kPluginSlots> plugins_;
  bool pressGrabbedBar_ = false;

  std::string mountTable_ = "/proc/self/mountinfo";
  int mountCheckMs_ = 2000;
  std::unique_ptr<PlatformMountWatcher> watcher_;
  std::atomic<bool> watching_{false};
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// Registers the browser tree as the class of element type 8, and installs decodeBrowserIcon for the
// plug-ins' icons.
void registerBrowserTreeClass();
// A plug-in icon file's bytes as width x height RGBA pixels (new[]); null when it does not decode.
unsigned char* decodeBrowserIcon(const char* data, int size, bool flag, int width, int height);

// Whether a mount point is a volume the Finder shows: below /media, /mnt or /run/media/<user>.
bool isFinderVolumeMountPoint(const std::string& mountPoint, const std::string& user);
