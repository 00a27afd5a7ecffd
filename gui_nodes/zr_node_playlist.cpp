#include "gui_nodes/zr_node_playlist.h"

#include <wx/listbox.h>

#include <algorithm>
#include <cmath>

#include "common/action_vocabulary.h"
#include "common/zr_logging.h"
#include "common/zr_parameter_list.h"
#include "common/zr_saturate.h"
#include "common/zr_texture.h"
#include "database/zr_list.h"
#include "gui/zr_artwork_cache.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_menu.h"
#include "gui/zr_wx_strings.h"
#include "gui_nodes/zr_control_classes.h"
#include "gui_nodes/zr_list_drawing.h"

namespace {

constexpr float kHeaderShare = 0.45f;

// Shared reads and exclusive changes of the columns.
class SharedColumns {
 public:
  explicit SharedColumns(ZRCriticalSection& lock) : lock_(lock) { lock_.enterShared(); }
  ~SharedColumns() { lock_.leaveShared(); }
  SharedColumns(const SharedColumns&) = delete;
  SharedColumns& operator=(const SharedColumns&) = delete;

 private:
  ZRCriticalSection& lock_;
};

class ExclusiveColumns {
 public:
  explicit ExclusiveColumns(ZRCriticalSection& lock) : lock_(lock) { lock_.enterExclusive(); }
  ~ExclusiveColumns() { lock_.leaveExclusive(); }
  ExclusiveColumns(const ExclusiveColumns&) = delete;
  ExclusiveColumns& operator=(const ExclusiveColumns&) = delete;

 private:
  ZRCriticalSection& lock_;
};

int visibleWidthSum(const std::vector<TZRColumn>& columns) {
  int sum = 0;
  for (const TZRColumn& c : columns) {
    if (c.visible) sum += c.width;
  }
  return sum;
}

ZRDrawNode* createTrackTable(ZRNodeManager* manager, float scale, int id, int deck) {
  return new ZRNodePlaylist(manager, nullptr, scale, id, deck, -1);
}

}  // namespace

void registerTrackTableClass() {
  registerControlClass(ELEMENT_list, &createTrackTable);
}

ZRNodePlaylist::ZRNodePlaylist(ZRNodeManager* manager, ZRDrawNode* parent, float scale, int id, int deck,
                               int actionCode)
    : ZRDrawNode(manager, parent, scale, id, deck, actionCode) {
  setActionSlotCount(kSlotCount);
  setDoubleClickAllowed(true);
  fontColor = cursorColor = activeCursorColor = ZRColorFloat{0, 0, 0, 1};
  sortFontColor = fontColor;
  playedFontColor = decodeColorStr2("#707070");
  lineColor1 = decodeColorStr2("#000000");
  lineColor2 = decodeColorStr2("#191919");
  buildHighlightTable();
  columns_ = defaultPlaylistColumns();
  totalColumnWidth_.store(visibleWidthSum(columns_));
  ZRDrawNode::refreshCoordinates(nullptr);
  // Made once, here: the render thread and the GUI tick read the pointer without the tree lock.
  table_ = std::make_unique<ZRTableView>(static_cast<int>(std::lrint(width)),
                                         static_cast<int>(std::lrint(height)), this, scale);
}

ZRNodePlaylist::~ZRNodePlaylist() {
  table_.reset();
  void* item = nullptr;
  while (artworkResults_.try_dequeue(item)) {
    ZRArtworkCache::freeResult(static_cast<ZRArtworkCache::TArtworkResult*>(item));
  }
}

void ZRNodePlaylist::buildHighlightTable() {
  static const char* const kColours[] = {"#ff0000", "#ff9600", "#fff600", "#8aff00",
                                         "#00fcff", "#7e02ff", "#ff0297"};
  highlightColors[0] = fontColor;
  for (int i = 0; i < 7; ++i) highlightColors[i + 1] = decodeColorStr2(kColours[i]);
  for (int i = 8; i < kHighlightColors; ++i) highlightColors[i] = fontColor;
}

void ZRNodePlaylist::markHeaderDirty() {
  headerDirty_.store(true);
  headerMenuRebuild_.store(true);
}

// ---- skin and size
// ------------------------------------------------------------------------------------------

void ZRNodePlaylist::refreshCoordinates(ZRParameterList* a) {
  ZRDrawNode::refreshCoordinates(a);
  if (a == nullptr) return;
  const ZRColorFloat black{0, 0, 0, 1};
  fontColor = a->getColorFloat("fontcolor", &black);
  sortFontColor = a->getColorFloat("fontcolorsort", &fontColor);
  const ZRColorFloat played = decodeColorStr2("#707070");
  playedFontColor = a->getColorFloat("fontcolorloaded", &played);
  cursorColor = a->getColorFloat("cursorcolor", &black);
  activeCursorColor = a->getColorFloat("cursorcoloractive", &black);
  const ZRColorFloat line1 = decodeColorStr2("#000000");
  const ZRColorFloat line2 = decodeColorStr2("#191919");
  lineColor1 = a->getColorFloat("linecolor1", &line1);
  lineColor2 = a->getColorFloat("linecolor2", &line2);
  fontName = a->getStr("fontname", ZRString("Arial"));
  buildHighlightTable();
  const float size = a->getFloat("fontsize", 12);
  int line = a->getInt("linesize", 42);
  if (line <= 9) line = 10;
  baseFontSize_.store(size);
  fontSize_.store(size);
  baseLineSize_.store(line);
  lineSize_.store(line);
  headerHeight_.store(static_cast<int>(std::lrintf(static_cast<float>(line) * kHeaderShare)));
  markHeaderDirty();
  adjustFont(fontStep_.load(), false);
}

void ZRNodePlaylist::changeSize(float w, float h) {
  ZRDrawNode::changeSize(w, h);
  markHeaderDirty();
  adjustFont(fontStep_.load(), false);
}

int ZRNodePlaylist::tableHeightForMode(int mode) const {
  const int h = static_cast<int>(std::lrint(height));
  return mode == kModeColumns ? h - headerHeight_.load() : h;
}

void ZRNodePlaylist::updateTableSize() {
  if (!table_) return;
  const int mode = appliedMode_.load();
  const int content = mode == kModeColumns ? totalColumnWidth_.load() : -1;
  table_->changeSize(static_cast<int>(std::lrint(width)), tableHeightForMode(mode), content, scale);
  table_->refreshWholeData(false);
}

void ZRNodePlaylist::adjustFont(int step, bool relative) {
  int s = step == 0 ? 0 : (relative ? fontStep_.load() + step : step);
  s = std::clamp(s, -5, 5);
  fontStep_.store(s);
  const float factor = static_cast<float>(s + 10) / 10.0f;
  fontSize_.store(baseFontSize_.load() * factor);
  const int line = static_cast<int>(static_cast<float>(baseLineSize_.load()) * factor);
  lineSize_.store(line);
  headerHeight_.store(static_cast<int>(std::lrintf(static_cast<float>(line) * kHeaderShare)));
  markHeaderDirty();
  updateTableSize();
  if (table_) table_->refreshWholeData(false);
}

void ZRNodePlaylist::setDisplayMode(int mode) {
  requestedMode_.store(mode == kModeColumns ? kModeColumns : kModeRows);
}

void ZRNodePlaylist::setDrawMode(int mode) {
  if (drawMode_.exchange(mode) != mode && table_) table_->refreshWholeData(false);
}

// ---- the shown list
// -----------------------------------------------------------------------------------------

void ZRNodePlaylist::changeList(ZRList* list) {
  std::lock_guard<std::mutex> g(listUse_);
  pendingList_.store(list);
  hasPendingList_.store(true);
  listChanged_.store(true);
}

void ZRNodePlaylist::takePendingList() {
  if (hasPendingList_.exchange(false)) shownList_.store(pendingList_.load());
}

void ZRNodePlaylist::forceInitWhenNotVisible() {
  std::lock_guard<std::mutex> g(listUse_);
  takePendingList();
}

void ZRNodePlaylist::forgetList(ZRList* list, ZRList* replacement) {
  if (list == nullptr) return;
  std::lock_guard<std::mutex> g(listUse_);
  if (pendingList_.load() == list) pendingList_.store(replacement);
  if (shownList_.load() == list) {
    shownList_.store(replacement);
    listChanged_.store(true);
  }
}

void ZRNodePlaylist::moveCursor(int delta) {
  ZRList* list = shownList_.load();
  if (list == nullptr) return;
  const int n = list->getCount();
  const int c = list->getMainCursor();
  int target = -1;
  if (delta == 100) {
    target = n - 1;
  } else if (delta == -100) {
    target = 0;
  } else if (std::abs(delta) >= 100) {
    if (c == -1) target = 0;
  } else {
    target = n > 0 ? std::clamp(c + delta, 0, n - 1) : -1;
  }
  if (target < 0) return;
  list->setMainCursor(target, true);
  if (table_) table_->makeRowVisible(target);
}

// ---- columns
// ------------------------------------------------------------------------------------------------

bool ZRNodePlaylist::loadColumns(const ZRString& path) {
  {
    std::lock_guard<std::mutex> g(columnsPathLock_);
    columnsPath_ = path;
  }
  TZRColumnsFile file;
  if (!readColumnsFile(path, &file)) return false;
  {
    ExclusiveColumns g(columnsLock_);
    sortLocked_.store(file.sortBlocked);
    resizeLocked_.store(file.resizeBlocked);
    if (!file.columns.empty()) {
      columns_ = std::move(file.columns);
      // With no visible column the table keeps its previous total width (it shows nothing).
      const int sum = visibleWidthSum(columns_);
      if (sum > 0) totalColumnWidth_.store(sum);
    }
  }
  markHeaderDirty();
  return true;
}

bool ZRNodePlaylist::saveColumns(const ZRString& path) {
  {
    std::lock_guard<std::mutex> g(columnsPathLock_);
    columnsPath_ = path;
  }
  SharedColumns g(columnsLock_);
  return writeColumnsFile(path, columns_, sortLocked_.load(), resizeLocked_.load());
}

void ZRNodePlaylist::columnsChanged() {
  ZRString path;
  {
    std::lock_guard<std::mutex> g(columnsPathLock_);
    path = columnsPath_;
  }
  if (path.empty()) return;
  SharedColumns g(columnsLock_);
  writeColumnsFile(path, columns_, sortLocked_.load(), resizeLocked_.load());
}

std::vector<TZRColumn> ZRNodePlaylist::getColumns() {
  SharedColumns g(columnsLock_);
  return columns_;
}

void ZRNodePlaylist::setVisibleColumn(int index, bool visible) {
  bool changed = false;
  {
    ExclusiveColumns g(columnsLock_);
    if (index < 0 || index >= static_cast<int>(columns_.size())) return;
    TZRColumn& c = columns_[static_cast<size_t>(index)];
    if (c.visible == visible) return;
    c.visible = visible;
    totalColumnWidth_.fetch_add(visible ? c.width : -c.width);
    changed = true;
  }
  if (!changed) return;
  headerDirty_.store(true);
  columnsChanged();
}

void ZRNodePlaylist::resizeColumn(int index, int newWidth) {
  {
    ExclusiveColumns g(columnsLock_);
    int seen = 0;
    TZRColumn* target = nullptr;
    for (TZRColumn& c : columns_) {
      if (!c.visible) continue;
      if (seen++ == index) {
        target = &c;
        break;
      }
    }
    if (target == nullptr) return;
    // The maximum wins when the minimum is above it.
    const int w = std::min(std::max(newWidth, target->minWidth), target->maxWidth);
    if (w == target->width) return;
    totalColumnWidth_.fetch_add(w - target->width);
    target->width = w;
  }
  headerDirty_.store(true);
}

bool ZRNodePlaylist::moveColumn(int index, bool up) {
  {
    ExclusiveColumns g(columnsLock_);
    const int n = static_cast<int>(columns_.size());
    if (index < 0 || index >= n || (up && index == 0) || (!up && index == n - 1)) return false;
    std::swap(columns_[static_cast<size_t>(index)],
              columns_[static_cast<size_t>(up ? index - 1 : index + 1)]);
  }
  markHeaderDirty();
  if (table_) table_->refreshWholeData(false);
  columnsChanged();
  return true;
}

bool ZRNodePlaylist::moveColumnAndUpdateListBox(int index, bool up, wxListBox* listBox) {
  if (listBox == nullptr || !moveColumn(index, up)) return false;
  populateListBox_HeaderColumns(listBox);
  listBox->SetSelection(up ? index - 1 : index + 1);
  return true;
}

void ZRNodePlaylist::populateListBox_HeaderColumns(wxListBox* listBox) {
  if (listBox == nullptr) return;
  listBox->Clear();
  SharedColumns g(columnsLock_);
  for (const TZRColumn& c : columns_) listBox->Append(CharTowxString(c.name.utf8().c_str()));
}

void ZRNodePlaylist::getColumnToResizeOrSort(float px, int* column, int* resizeColumn, int* tagField,
                                             int* widthOut) {
  if (column) *column = -1;
  if (resizeColumn) *resizeColumn = -1;
  const float scrolled = table_ ? static_cast<float>(table_->getScrollOffsetH()) : 0.0f;
  SharedColumns g(columnsLock_);
  float right = -scrolled;
  int visibleIndex = 0;
  bool found = false;
  for (const TZRColumn& c : columns_) {
    if (!c.visible) continue;
    right += static_cast<float>(c.width);
    if (!found && right > px) {
      found = true;
      if (column) *column = visibleIndex;
      if (tagField) *tagField = c.tagField;
    }
    if (std::fabs(right - px) < 4) {
      if (resizeColumn) *resizeColumn = visibleIndex;
      if (widthOut) *widthOut = c.width;
    }
    ++visibleIndex;
  }
}

// ---- drawing
// ------------------------------------------------------------------------------------------------

void ZRNodePlaylist::render(double dt, float atX, float atY) {
  if (shown) {
    std::unique_lock<std::mutex> use(listUse_);
    takePendingList();
    ZRList* list = shownList_.load();
    if (list != nullptr && table_) {
      if (listChanged_.exchange(false)) {
        table_->refreshWholeData(true);
        list->needsRefresh();
      } else if (list->needsRefresh()) {
        table_->refreshWholeData(false);
      }
      if (list->needsScrollToCursor()) table_->makeRowVisible(list->getMainCursor());
    } else if (listChanged_.exchange(false) && table_) {
      table_->refreshWholeData(true);
    }
    if (table_) {
      const int mode = requestedMode_.load();
      if (mode != appliedMode_.load() ||
          (mode == kModeColumns &&
           table_->getContentWidth() != std::max(totalColumnWidth_.load(), table_->getDisplayWidth()))) {
        appliedMode_.store(mode);
        markHeaderDirty();
        updateTableSize();
      }
      if (appliedMode_.load() == kModeColumns) {
        const float header = static_cast<float>(headerHeight_.load());
        table_->render(atX, atY + header, static_cast<float>(dt));
        drawHeader(atX, atY);
      } else {
        table_->render(atX, atY, static_cast<float>(dt));
      }
    }
  }
  ZRDrawNode::render(dt, atX, atY);
}

void ZRNodePlaylist::drawHeader(float atX, float atY) {
  const int total = totalColumnWidth_.load();
  const int h = headerHeight_.load();
  if (total <= 0 || h <= 0) return;
  if (!headerContext_ || headerContext_->getWidth() != total || headerContext_->getHeight() != h ||
      headerContext_->getScale() != scale) {
    headerContext_ = std::make_unique<ZRDrawContext>(total, h, scale);
    headerDirty_.store(true);
  }
  if (!headerTexture_) {
    headerTexture_.reset(ZRTexture::createTextureWithDefaultDevice(true, scale));
    if (!headerTexture_) return;
    headerDirty_.store(true);
  }
  if (headerDirty_.exchange(false)) {
    ZRDrawContext& dc = *headerContext_;
    dc.clear();
    setFontColor(dc, fontColor);
    setPenColor(dc, playedFontColor);
    setFillColor(dc, lineColor1);
    dc.setPenWidth(1);
    const float size = fontSize_.load();
    SharedColumns g(columnsLock_);
    int x = 0;
    for (const TZRColumn& c : columns_) {
      if (!c.visible) continue;
      fillAndStrokeRect(dc, static_cast<float>(x), 1, static_cast<float>(c.width - 1),
                        static_cast<float>(h - 2));
      dc.drawText(static_cast<float>(x + 4), 0, c.name, fontName, size, textStyleInvalid,
                  static_cast<textAlign>(c.align), c.width - 8, h);
      x += c.width;
    }
    if (!dc.isValid() ||
        !headerTexture_->initWithOrRefreshData(dc.getDataAlwaysInRGBA(false), dc.getPixelWidth(),
                                               dc.getPixelHeight(), ZRPixelFormatBGRA)) {
      return;
    }
  }
  const int s = table_ ? table_->getScrollOffsetH() : 0;
  const float w = std::min(width, static_cast<float>(total - s));
  if (w <= 0) return;
  headerTexture_->drawRect(static_cast<float>(s), 0, w, static_cast<float>(h), atX, atY, 1, 1, 1, 0, 1);
}

void ZRNodePlaylist::destroyTexture() {
  if (table_) table_->destroyTextures();
  headerTexture_.reset();
  ZRDrawNode::destroyTexture();
}

// ---- delegate
// -----------------------------------------------------------------------------------------------

int ZRNodePlaylist::numberOfRows(ZRTableView*) {
  ZRList* list = shownList_.load();
  return list != nullptr ? list->getCount() : 0;
}

bool ZRNodePlaylist::hasFixedRowHeight(ZRTableView*) {
  ZRList* list = shownList_.load();
  return list == nullptr || !list->getIsKaraokeSingersRotationList();
}

int ZRNodePlaylist::rowHeight(int row, ZRTableView*) {
  ZRList* list = shownList_.load();
  if (list != nullptr && list->getIsKaraokeSingersRotationList()) {
    TZRListTrack item;
    if (!list->getRowData(row, &item)) return lineSize_.load();
    return karaokeRowHeight(item);
  }
  return appliedMode_.load() == kModeColumns ? headerHeight_.load() : lineSize_.load();
}

void ZRNodePlaylist::rowSwiped(int row, ZRTableView*) {
  ZRLOG("ZRNodePlaylist::rowSwiped - row=%d", row);
}

void ZRNodePlaylist::beforeRender(ZRTableView* view) {
  void* item = nullptr;
  while (artworkResults_.try_dequeue(item)) {
    auto* result = static_cast<ZRArtworkCache::TArtworkResult*>(item);
    view->updateArtworkForRow(result->row, result->key, result->pixels, result->width, result->height,
                              result->hasAlpha);
    result->pixels = nullptr;  // the table freed it
    ZRArtworkCache::freeResult(result);
  }
}

void ZRNodePlaylist::rowFreed(ZRTableViewRow* row, ZRTableView*) {
  if (row->artworkState != 1 || row->artworkKey.empty()) return;
  const int size = static_cast<int>(scale * 64);
  ZRArtworkCache::getInstance()->cancelRequest(row->artworkKey, row->index, &artworkResults_, size, size);
}
