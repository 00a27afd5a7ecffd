#pragma once
// ZRNodePlaylist: the track table, the skin control of the element tag "list" (element type 9). Two nodes of
// the node table have it: "playlist" (the main table) and "sidelist" (the side table showing the automix
// playlist or the karaoke singer rotation). It shows one ZRList as scrolling rows through its own
// ZRTableView, whose delegate it is: rows mode (two-line rows with the cover, the new format), columns
// mode (one line per row in columns under a header) and, for the singer rotation, the karaoke format.
//
// The node's parts, one file each: this file and zr_node_playlist.cpp (data, list attachment, sizes, the
// render pass and the header), zr_playlist_columns.h (the columns and their files), zr_node_playlist_rows.cpp
// (drawing rows), zr_node_playlist_input.cpp (mouse, keys, focus and the three menus) and
// zr_node_playlist_drop.cpp (dropping dragged tracks; the payload is zr_drag_drop_track.h).
//
// Action slots (0-based here): 0 a row click (row, x, y in the row, node), 4 double click (main cursor row),
// 5 keyboard focus (1 gained, 0 lost), 9 the header menu's "Change columns order". The key slot and the menu
// slot (setKeySlot, setMenuSlot) take the keys and context-menu commands the node does not handle itself.
//
// Threads:
// - Main thread: input, menus, dialogs, the column operations, changeList, forgetList, setters.
// - Render thread: render (takes a pending list over, draws the header and the rows through the table
//   view), forceInitWhenNotVisible (the GUI tick), covers arriving through the result queue.
// - The shown list is used by the render thread only while it holds the node's list lock; forgetList
//   takes that lock, so once it returns the render thread no longer uses the list and it may be deleted.
// - The columns are guarded by the columns lock (shared for reading, exclusive for changes). The main
//   thread never calls the table view while holding it (the table's drawRow takes it under the table's
//   own lock).
// - Modes, font sizes and flags are atomics written by the main thread (or by setting reactions) and read
//   by the render thread.

#include <atomic>
#include <memory>
#include <mutex>
#include <vector>

#include "common/zr_critical_section.h"
#include "common/zr_lock_free_queue.h"
#include "common/zr_string.h"
#include "common/zr_value_codecs.h"
#include "gui/zr_draw_node.h"
#include "gui/zr_table_view.h"
#include "gui_nodes/zr_control_callbacks.h"
#include "gui_nodes/zr_playlist_columns.h"

class ZRList;
class ZRMenu;
class ZRDrawContext;
class ZRTexture;
class wxListBox;
struct TZRListTrack;

class ZRNodePlaylist : public ZRDrawNode, public ZRTableViewDelegate {
 public:
  static constexpr int kSlotCount = 12;
  static constexpr int kSlotRowClicked = 0;
  static constexpr int kSlotDoubleClick = 4;
  static constexpr int kSlotFocus = 5;
  static constexpr int kSlotColumnsOrder = 9;
  static constexpr int kHighlightColors = 11;
  // Display modes.
  static constexpr int kModeRows = 0;
  static constexpr int kModeColumns = 1;

  ZRNodePlaylist(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck, int actionCode);
  ~ZRNodePlaylist() override;

  // ---- ZRDrawNode ----
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  void destroyTexture() override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;
  bool canHaveKBFocus() override { return true; }
  bool dropCallback(ZRDragDropPayload payload, float x, float y, bool testOnly) override;
  void changeSize(float width, float height) override;

  // ---- ZRTableViewDelegate (render thread, except rowClicked and rowSwiped) ----
  int numberOfRows(ZRTableView* view) override;
  bool hasFixedRowHeight(ZRTableView* view) override;
  int rowHeight(int row, ZRTableView* view) override;
  void drawRow(ZRTableViewRow* row, ZRTableView* view) override;
  void rowClicked(int row, float x, float yInRow, int button, ZRTableView* view) override;
  void rowSwiped(int row, ZRTableView* view) override;
  void beforeRender(ZRTableView* view) override;
  void rowFreed(ZRTableViewRow* row, ZRTableView* view) override;

  // ---- the shown list ----
  // The list to show from the next frame on (the render thread takes it over); null shows nothing.
  void changeList(ZRList* list);
  // Takes a pending list over at once (the GUI tick, for a node that is not drawn).
  void forceInitWhenNotVisible();
  // Makes sure the node no longer refers to list (shown or pending), replacing it by replacement; waits
  // until the render thread is done with it. Main thread, before the list is deleted.
  void forgetList(ZRList* list, ZRList* replacement);
  // The shown list (main thread; null without one).
  ZRList* getList() const { return shownList_.load(); }

  // ---- operations of the shell and the browser (main thread) ----
  void setDisplayMode(int mode);
  int getDisplayMode() const { return appliedMode_.load(); }
  int getRequestedDisplayMode() const { return requestedMode_.load(); }
  void setDrawMode(int mode);
  int getDrawMode() const { return drawMode_.load(); }
  // step 0 resets; otherwise relative to the current step or absolute; kept within -5..+5.
  void adjustFont(int step, bool relative);
  int getFontStep() const { return fontStep_.load(); }
  float getFontSize() const { return fontSize_.load(); }
  int getLineSize() const { return lineSize_.load(); }
  int getHeaderHeight() const { return headerHeight_.load(); }
  void moveCursor(int delta);
  void setAcceptsTracksDrop(bool on) { acceptsTracksDrop_.store(on); }
  bool getAcceptsTracksDrop() const { return acceptsTracksDrop_.load(); }
  void setKeySlot(ZRKeySlotCallback callback) { keySlot_.store(callback); }
  void setMenuSlot(ZRMenuSlotCallback callback) { menuSlot_.store(callback); }
  bool hasKeyboardFocus() const { return hasFocus_.load(); }

  // ---- columns ----
  // Reads the columns file and remembers its path: from then on every change of the columns (shown,
  // hidden, moved, resized, locked) is written back to it at once.
  bool loadColumns(const ZRString& path);
  // Writes the file through the atomic writer (and remembers its path as loadColumns does).
  bool saveColumns(const ZRString& path);
  // index counts all columns.
  void setVisibleColumn(int index, bool visible);
  // index counts visible columns; the width is kept within the column's minimum and maximum.
  void resizeColumn(int index, int width);
  // index counts all columns; false when the column cannot move that way.
  bool moveColumn(int index, bool up);
  bool moveColumnAndUpdateListBox(int index, bool up, wxListBox* listBox);
  void populateListBox_HeaderColumns(wxListBox* listBox);
  // Header hit test at node x: the visible column under x, and the visible column whose right edge lies
  // less than 4 points from x (-1 each when none), with the tag field and width asked for.
  void getColumnToResizeOrSort(float x, int* column, int* resizeColumn, int* tagField, int* width);
  std::vector<TZRColumn> getColumns();
  int getTotalColumnWidth() const { return totalColumnWidth_.load(); }
  bool isSortingLocked() const { return sortLocked_.load(); }
  bool isResizingLocked() const { return resizeLocked_.load(); }
  void setSortingLocked(bool on) { sortLocked_.store(on); }
  void setResizingLocked(bool on) { resizeLocked_.store(on); }

  // ---- menus and clean-up (zr_node_playlist_input.cpp) ----
  void showSortMenu(float x, float y);
  // Asks, then removes the library's tracks whose files are gone; the number removed.
  int removeDeadFiles();
  // Asks, then removes the marked rows (or the cursor row) from the shown list; files stay on disk.
  void physicallyRemoveFiles();
  ZRMenu* getContextMenu() const { return contextMenu_.get(); }
  ZRMenu* getHeaderMenu() const { return headerMenu_.get(); }
  ZRMenu* getSortMenu() const { return sortMenu_.get(); }

  // The table view (null until the first layout) and the header texture, for tests.
  ZRTableView* getTableView() const { return table_.get(); }
  ZRTexture* getHeaderTexture() const { return headerTexture_.get(); }

  // Skin colours.
  ZRColorFloat fontColor, sortFontColor, playedFontColor, cursorColor, activeCursorColor, lineColor1,
      lineColor2;
  ZRColorFloat highlightColors[kHighlightColors];
  ZRString fontName{"Arial"};

 private:
  friend class ZRNodePlaylistTestAccess;

  // Rows (zr_node_playlist_rows.cpp).
  void drawNewFormatRow(ZRTableViewRow* row, const TZRListTrack& item, int type, int sortField, bool focus);
  void drawListFormatRow(ZRTableViewRow* row, const TZRListTrack& item, int sortField, bool focus);
  void drawKaraokeRow(ZRTableViewRow* row, const TZRListTrack& item, bool focus);
  int karaokeRowHeight(const TZRListTrack& item) const;

  // Input (zr_node_playlist_input.cpp).
  void onPress(float x, float y, int button, int modifiers);
  void onRelease(float x, float y, int button, int modifiers);
  void onMove(float x, float y, int button);
  bool onKey(int key, int modifiers);
  void onFocus(bool gained);
  void showContextMenu();
  void showHeaderMenu();
  void menuItemChosen(ZRMenu* menu, int index, void* param);
  void sortByField(int field);
  void toggleAllMarks();
  float tableY(float y) const;

  // Drop (zr_node_playlist_drop.cpp).
  bool dropTracks(ZRList* list, const TZRListTrack& dragged, ZRNodePlaylist* source, int row, float fraction);

  void updateTableSize();
  void takePendingList();
  void drawHeader(float x, float y);
  void buildHighlightTable();
  void markHeaderDirty();
  // Writes the columns back to the file they came from (none before loadColumns or saveColumns).
  void columnsChanged();
  int tableHeightForMode(int mode) const;

  std::unique_ptr<ZRTableView> table_;
  std::mutex listUse_;  // held by the render thread while it uses the shown list
  std::atomic<ZRList*> shownList_{nullptr};
  std::atomic<ZRList*> pendingList_{nullptr};
  std::atomic<bool> hasPendingList_{false};
  std::atomic<bool> listChanged_{false};
  std::atomic<bool> hasFocus_{false};
  std::atomic<int> drawMode_{-1};
  std::atomic<bool> acceptsTracksDrop_{false};
  std::atomic<int> requestedMode_{kModeRows};
  std::atomic<int> appliedMode_{kModeRows};
  std::atomic<float> baseFontSize_{12};
  std::atomic<float> fontSize_{12};
  std::atomic<int> baseLineSize_{42};
  std::atomic<int> lineSize_{42};
  std::atomic<int> fontStep_{0};
  std::atomic<int> headerHeight_{19};
  std::atomic<int> totalColumnWidth_{100};
  std::atomic<bool> headerDirty_{true};
  std::atomic<bool> headerMenuRebuild_{true};
  std::atomic<bool> sortLocked_{false};
  std::atomic<bool> resizeLocked_{false};
  std::atomic<ZRKeySlotCallback> keySlot_{nullptr};
  std::atomic<ZRMenuSlotCallback> menuSlot_{nullptr};

  ZRCriticalSection columnsLock_;
  std::vector<TZRColumn> columns_;
  std::mutex columnsPathLock_;
  ZRString columnsPath_;

  std::unique_ptr<ZRDrawContext> headerContext_;
  std::unique_ptr<ZRTexture> headerTexture_;
  std::unique_ptr<ZRMenu> contextMenu_, sortMenu_, headerMenu_;
  float menuX_ = 0, menuY_ = 0;

  // Pointer state of the input handling (main thread).
  bool pressInHeader_ = false;
  int resizingColumn_ = -1;
  int widthAtPress_ = 0;
  float pressXForResize_ = 0;
  bool resizeCursorShown_ = false;
  bool pressGrabbedBar_ = false;

  ZRLockFreeQueue<void*> artworkResults_;
};

// Registers the track table as the class of element type 9.
void registerTrackTableClass();
