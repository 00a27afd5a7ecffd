#include "gui/zr_table_view.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "common/zr_logging.h"
#include "common/zr_saturate.h"
#include "common/zr_texture.h"
#include "gui/zr_draw_context.h"

namespace {

constexpr int kBar = ZRTableView::kScrollBarSize;
constexpr int kMinSlider = 16;
// The smooth approach closes this share of the distance to the target per sixtieth of a second.
constexpr double kApproachPerTick = 0.125;
constexpr double kTicksPerSecond = 60.0;
constexpr double kFlingWindow = 0.05;  // s: a release later than this after the last move does not fling

}  // namespace

ZRTableViewRow::ZRTableViewRow() = default;
ZRTableViewRow::~ZRTableViewRow() = default;

ZRTableView::ZRTableView(int width, int height, ZRTableViewDelegate* delegate, float scale)
    : delegate_(delegate),
      scale_(scale),
      displayWidth_(std::max(0, width)),
      displayHeight_(std::max(0, height)),
      contentWidth_(std::max(0, width)) {
  scrollerV_.SetDisplaySize(displayHeight_);
  scrollerV_.SetSliderSizes(displayHeight_ - 2, kMinSlider);
  scrollerV_.SetSliderPos(0);
  scrollerV_.SetDataOffset(0);
  scrollerV_.SetDataSize(totalHeightLocked());
  scrollerH_.SetDisplaySize(displayWidth_);
  scrollerH_.SetSliderSizes(displayWidth_ - 2, kMinSlider);
  scrollerH_.SetSliderPos(0);
  scrollerH_.SetDataOffset(0);
  scrollerH_.SetDataSize(contentWidth_);
}

ZRTableView::~ZRTableView() {
  destroyTextures();
}

// ---- sizes and lookups
// -------------------------------------------------------------------------------------

int ZRTableView::rowCountLocked() {
  return delegate_ != nullptr ? std::max(0, delegate_->numberOfRows(this)) : 0;
}

int ZRTableView::totalHeightLocked() {
  const int n = rowCountLocked();
  if (n == 0) return 0;
  if (delegate_->hasFixedRowHeight(this)) {
    return saturatedInt(static_cast<double>(n) * std::max(0, delegate_->rowHeight(0, this)));
  }
  long long sum = 0;
  for (int r = 0; r < n; ++r) sum += std::max(0, delegate_->rowHeight(r, this));
  return saturatedInt(static_cast<double>(sum));
}

void ZRTableView::rowAtDataLocked(int y, int& row, int& offset, bool clampToLast) {
  row = -1;
  offset = 0;
  if (y < 0) {
    offset = -y;
    return;
  }
  const int n = rowCountLocked();
  if (n == 0) return;
  if (delegate_->hasFixedRowHeight(this)) {
    const int h = delegate_->rowHeight(0, this);
    if (h > 0) {
      const long long r = static_cast<long long>(y) / h;
      if (r < n) {
        row = static_cast<int>(r);
        offset = static_cast<int>(r * h - y);
        return;
      }
    }
  } else {
    long long top = 0;
    for (int r = 0; r < n; ++r) {
      const int h = std::max(0, delegate_->rowHeight(r, this));
      if (top + h > y) {
        row = r;
        offset = static_cast<int>(top - y);
        return;
      }
      top += h;
    }
  }
  if (clampToLast) {
    row = n - 1;
    offset = y - totalHeightLocked();
  }
}

void ZRTableView::rowAtDisplayLocked(int y, int& row, int& yInRow, float& fraction) {
  row = -1;
  yInRow = 0;
  fraction = 0;
  if (y < 0 || y > displayHeight_ - 1) return;
  const int n = rowCountLocked();
  long long top = firstRowTop_;
  for (int r = firstVisibleRow_; r >= 0 && r < n; ++r) {
    const int h = std::max(0, delegate_->rowHeight(r, this));
    if (y >= top && y < top + h) {
      row = r;
      yInRow = static_cast<int>(y - top);
      fraction = h > 0 ? static_cast<float>(yInRow) / static_cast<float>(h) : 0.0f;
      return;
    }
    top += h;
    if (top > y) return;  // above the first visible row (a list pulled down past its start)
  }
}

void ZRTableView::getRowAtPixelFromAllData(int y, int& row, int& offset, int clampToLast) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  rowAtDataLocked(y, row, offset, clampToLast != 0);
}

void ZRTableView::getRowAtPixelFromDisplay(int y, int& row, int& yInRow, float& fraction) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  rowAtDisplayLocked(y, row, yInRow, fraction);
}

int ZRTableView::getAllDataDisplayHeight() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return totalHeightLocked();
}

int ZRTableView::getScrollOffsetH() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return offsetH_;
}

double ZRTableView::getScrollPosition() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  const double range = static_cast<double>(totalHeightLocked()) - displayHeight_;
  if (range <= 0) return 0;
  return offsetV_ / range;
}

bool ZRTableView::isHorizontalSliderGrabbed() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return grabbedH_;
}

bool ZRTableView::isVerticalSliderGrabbed() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return grabbedV_;
}

double ZRTableView::getScrollOffsetV() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  updateScrollers();
  return offsetV_;
}

double ZRTableView::getTargetOffsetV() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return targetOffset_;
}

int ZRTableView::getCachedRowCount() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return static_cast<int>(cached_.size());
}

int ZRTableView::getFreeRowCount() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return static_cast<int>(free_.size());
}

int ZRTableView::getFirstCachedRow() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return cached_.empty() ? -1 : cached_.front()->index;
}

ZRTableView::Statistics ZRTableView::getStatistics() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  return stats_;
}

// ---- size and refreshes
// --------------------------------------------------------------------------------------

void ZRTableView::changeSize(int width, int height, int contentWidth, float scale) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  width = std::max(0, width);
  height = std::max(0, height);
  const int newContent = std::max(contentWidth, width);
  const bool rebuild = newContent != contentWidth_ || scale != scale_;
  displayWidth_ = width;
  displayHeight_ = height;
  contentWidth_ = newContent;
  scale_ = scale;
  scrollerV_.SetDisplaySize(displayHeight_);
  scrollerV_.SetSliderSizes(displayHeight_ - 2, kMinSlider);
  scrollerV_.SetDataSize(totalHeightLocked());
  scrollerH_.SetDisplaySize(displayWidth_);
  scrollerH_.SetSliderSizes(displayWidth_ - 2, kMinSlider);
  scrollerH_.SetDataSize(contentWidth_);
  grabbedH_ = grabbedV_ = false;
  if (rebuild) refreshWholeDisplay();
}

void ZRTableView::refreshWholeData(int resetScroll) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  scrollerV_.SetDataSize(totalHeightLocked());
  if (resetScroll) {
    scrollerV_.SetSliderPos(0);
    scrollerV_.SetDataOffset(0);
    offsetV_ = 0;
    targetOffset_ = 0;
  }
  refreshWholeDisplay();
}

void ZRTableView::refreshWholeDisplay() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  fullRefresh_ = true;
}

void ZRTableView::markRowAsDirty(int row) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  if (ZRTableViewRow* r = findCached(row)) {
    r->dirty = 1;
    dirtyRows_ = true;
  }
}

void ZRTableView::makeRowVisible(int row) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  const int n = rowCountLocked();
  if (row < 0 || row >= n) return;
  updateScrollers();
  const int o = static_cast<int>(offsetV_);
  int newOffset = -1;
  bool change = false;
  if (delegate_->hasFixedRowHeight(this)) {
    const int h = delegate_->rowHeight(0, this);
    if (h <= 0) return;
    if (row < o / h || (row == o / h && o % h > 0)) {
      newOffset = row * h;
      change = true;
    } else if ((row + 1 - o / h) * h - o % h > displayHeight_) {
      newOffset = (row + 1) * h + 1 - displayHeight_;
      change = true;
    }
  } else {
    long long top = 0;
    for (int r = 0; r < row; ++r) top += std::max(0, delegate_->rowHeight(r, this));
    const int h = std::max(0, delegate_->rowHeight(row, this));
    if (top < o) {
      newOffset = static_cast<int>(top);
      change = true;
    } else if (top + h > static_cast<long long>(o) + displayHeight_) {
      newOffset = static_cast<int>(top + h - displayHeight_);
      change = true;
    }
  }
  if (!change || newOffset < 0) return;
  targetOffset_ = newOffset;
  offsetV_ = newOffset;
  scrollerV_.SetDataOffset(newOffset);
  refreshWholeDisplay();
}

void ZRTableView::updateArtworkForRow(int row, const ZRString& key, unsigned char* pixels, int width,
                                      int height, bool hasAlpha) {
  std::unique_ptr<unsigned char[]> owned(pixels);
  std::lock_guard<std::recursive_mutex> g(lock_);
  ZRTableViewRow* r = findCached(row);
  if (r == nullptr || r->artworkKey != key || pixels == nullptr || width <= 0 || height <= 0) return;
  if (!r->artworkTexture) r->artworkTexture.reset(ZRTexture::createTextureWithDefaultDevice(true, scale_));
  if (!r->artworkTexture) return;
  if (r->artworkTexture->initWithOrRefreshData(pixels, width, height,
                                               hasAlpha ? ZRPixelFormatBGRA : ZRPixelFormatBGR)) {
    r->artworkState = 2;
  }
}

void ZRTableView::destroyTextures() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  releaseAllCachedRows();
  for (ZRTableViewRow* r : free_) delete r;
  free_.clear();
  barContextV_.reset();
  barContextH_.reset();
  barTextureV_.reset();
  barTextureH_.reset();
  drawnSizeV_ = drawnSizeH_ = -1;
}

// ---- the row cache
// -------------------------------------------------------------------------------------------

ZRTableViewRow* ZRTableView::findCached(int index) {
  if (cached_.empty()) return nullptr;
  const int first = cached_.front()->index;
  const long long i = static_cast<long long>(index) - first;
  if (i < 0 || i >= static_cast<long long>(cached_.size())) return nullptr;
  return cached_[static_cast<size_t>(i)];
}

ZRTableViewRow* ZRTableView::getOrCreateFreeRow(int width, int height) {
  for (auto it = free_.begin(); it != free_.end(); ++it) {
    ZRTableViewRow* r = *it;
    if (r->width == width && r->height == height && r->scale == scale_) {
      free_.erase(it);
      r->artworkState = 0;
      r->artworkKey = ZRString();
      r->dirty = 0;
      return r;
    }
  }
  auto* r = new ZRTableViewRow();
  r->width = width;
  r->height = height;
  r->scale = scale_;
  r->drawContext = std::make_unique<ZRDrawContext>(width, height, scale_);
  r->texture.reset(ZRTexture::createTextureWithDefaultDevice(true, scale_));
  ++stats_.rowsCreated;
  return r;
}

void ZRTableView::drawAndUpload(ZRTableViewRow* row) {
  row->dirty = 0;
  if (!row->drawContext) return;
  row->drawContext->clear();
  delegate_->drawRow(row, this);
  ++stats_.rowsDrawn;
  if (!row->texture) row->texture.reset(ZRTexture::createTextureWithDefaultDevice(true, scale_));
  if (!row->texture || !row->drawContext->isValid()) return;
  // The context's own pixel size: a fractional scale rounds it, and the upload must match the bitmap.
  row->texture->initWithOrRefreshData(row->drawContext->getDataAlwaysInRGBA(false),
                                      row->drawContext->getPixelWidth(), row->drawContext->getPixelHeight(),
                                      ZRPixelFormatBGRA);
  ++stats_.rowsUploaded;
}

void ZRTableView::buildRow(int index, bool atFront) {
  const int h = std::max(0, delegate_->rowHeight(index, this));
  ZRTableViewRow* r = getOrCreateFreeRow(contentWidth_, h);
  r->index = index;
  if (atFront) {
    cached_.push_front(r);
  } else {
    cached_.push_back(r);
  }
  drawAndUpload(r);
}

void ZRTableView::releaseRow(ZRTableViewRow* row) {
  delegate_->rowFreed(row, this);
  row->index = -1;
  free_.push_back(row);
}

void ZRTableView::releaseAllCachedRows() {
  while (!cached_.empty()) {
    ZRTableViewRow* r = cached_.front();
    cached_.pop_front();
    releaseRow(r);
  }
}

void ZRTableView::cacheRowsInterval(int first, int last) {
  if (fullRefresh_) {
    fullRefresh_ = false;
    releaseAllCachedRows();
  }
  const int n = last - first + 1;
  const int c0 = cached_.empty() ? 0 : cached_.front()->index;
  const int c1 = cached_.empty() ? -1 : cached_.back()->index;
  const int o0 = std::max(c0, first), o1 = std::min(c1, last);
  const int overlap = o1 >= o0 ? o1 - o0 + 1 : 0;

  if (dirtyRows_) {
    dirtyRows_ = false;
    for (ZRTableViewRow* r : cached_) {
      if (r->dirty) drawAndUpload(r);
    }
  }
  if (n <= 0) {
    releaseAllCachedRows();
    return;
  }
  if (overlap == n) return;
  if (overlap <= n / 2) {
    releaseAllCachedRows();
    for (int r = first; r <= last; ++r) buildRow(r, false);
    return;
  }
  while (!cached_.empty() && cached_.front()->index < first) {
    ZRTableViewRow* r = cached_.front();
    cached_.pop_front();
    releaseRow(r);
  }
  while (!cached_.empty() && cached_.back()->index > last) {
    ZRTableViewRow* r = cached_.back();
    cached_.pop_back();
    releaseRow(r);
  }
  if (c1 < last) {
    for (int r = o1 + 1; r <= last; ++r) buildRow(r, false);
  }
  if (!cached_.empty() && cached_.front()->index > first) {
    for (int r = o0 - 1; r >= first; --r) buildRow(r, true);
  }
}

// ---- drawing
// -------------------------------------------------------------------------------------------------

void ZRTableView::updateScrollers() {
  double offsetH = 0;
  scrollerH_.GetCalculations(sliderSizeH_, sliderPosH_, offsetH);
  offsetH_ = static_cast<int>(std::lrint(offsetH));
  scrollerV_.GetCalculations(sliderSizeV_, sliderPosV_, offsetV_);
}

void ZRTableView::renderRowsInterval(float x, float y, int first, int last, int firstRowTop) {
  long long top = firstRowTop;
  for (int r = first; r <= last; ++r) {
    ZRTableViewRow* row = findCached(r);
    const int h = row != nullptr ? row->height : std::max(0, delegate_->rowHeight(r, this));
    if (row == nullptr) {
      ZRLOG("intervals: ERROR - can not find row %d in cache, leaving empty space", r);
      top += h;
      continue;
    }
    // The part of the row inside the display.
    const long long v0 = std::max<long long>(0, top);
    const long long v1 = std::min<long long>(displayHeight_, top + h);
    if (v1 > v0 && row->texture) {
      row->texture->drawRect(static_cast<float>(offsetH_), static_cast<float>(v0 - top),
                             static_cast<float>(displayWidth_), static_cast<float>(v1 - v0), x,
                             y + static_cast<float>(v0), 1, 1, 1, 0, 1);
    }
    if (v1 > v0 && h > 0 && row->artworkState == 2 && row->artworkTexture) {
      ZRTexture* art = row->artworkTexture.get();
      const float a = static_cast<float>(art->getWidth()) / art->getScale();
      const float b = static_cast<float>(art->getHeight()) / art->getScale();
      const float from = b * static_cast<float>(v0 - top) / static_cast<float>(h);
      const float part = b * static_cast<float>(v1 - v0) / static_cast<float>(h);
      art->drawRectInRect(0, from, a, part, x + static_cast<float>(offsetH_), y + static_cast<float>(v0),
                          static_cast<float>(h), static_cast<float>(v1 - v0), 1, false, false);
    }
    top += h;
  }
}

void ZRTableView::drawScrollBar(bool vertical, float x, float y) {
  const double s = vertical ? sliderSizeV_ : sliderSizeH_;
  const double p = vertical ? sliderPosV_ : sliderPosH_;
  const int length = vertical ? displayHeight_ : displayWidth_;
  double& drawnSize = vertical ? drawnSizeV_ : drawnSizeH_;
  double& drawnPos = vertical ? drawnPosV_ : drawnPosH_;
  if (s >= length - 2) {
    drawnSize = -1;
    return;
  }
  std::unique_ptr<ZRDrawContext>& context = vertical ? barContextV_ : barContextH_;
  std::unique_ptr<ZRTexture>& texture = vertical ? barTextureV_ : barTextureH_;
  const int w = vertical ? kBar : length;
  const int h = vertical ? length : kBar;
  bool made = false;
  if (!context || context->getWidth() != w || context->getHeight() != h || context->getScale() != scale_) {
    context = std::make_unique<ZRDrawContext>(w, h, scale_);
    made = true;
  }
  if (!texture) {
    texture.reset(ZRTexture::createTextureWithDefaultDevice(true, scale_));
    if (!texture) return;
    made = true;
  }
  if (made || p != drawnPos || s != drawnSize) {
    context->clear();
    context->setFillColor(0.25f, 0.25f, 0.25f, 0.8f);
    context->setPenColor(0.45f, 0.45f, 0.45f, 0.8f);
    context->setPenWidth(1);
    if (vertical) {
      context->drawFilledRoundRectWithSize(1, static_cast<float>(p + 1), 14, static_cast<float>(s), 4, 1);
    } else {
      context->drawFilledRoundRectWithSize(static_cast<float>(p + 1), 1, static_cast<float>(s), 14, 4, 1);
    }
    if (!context->isValid() ||
        !texture->initWithOrRefreshData(context->getDataAlwaysInRGBA(false), context->getPixelWidth(),
                                        context->getPixelHeight(), ZRPixelFormatBGRA)) {
      return;
    }
    ++stats_.scrollBarsDrawn;
  }
  drawnPos = p;
  drawnSize = s;
  if (visibility_ <= 0) return;
  const float alpha = visibility_ < 0.99f ? visibility_ : 1.0f;
  texture->drawRect(0, 0, static_cast<float>(w), static_cast<float>(h), x, y, 1, 1, 1, 0, alpha);
}

void ZRTableView::applyTimeBasedScrolling(float dt) {
  if (grabbedV_) {
    targetOffset_ = offsetV_;
  } else if (std::fabs(targetOffset_ - offsetV_) >= 1) {
    const double ticks = std::max(0.0, static_cast<double>(dt)) * kTicksPerSecond;
    const double share = 1.0 - std::pow(1.0 - kApproachPerTick, ticks);
    double next = offsetV_ + (targetOffset_ - offsetV_) * share;
    if (std::fabs(targetOffset_ - next) < 1) next = targetOffset_;
    offsetV_ = next;
    scrollerV_.SetDataOffset(next);
  }
  if (!pressed_) {
    const double m = std::max(0.0, static_cast<double>(totalHeightLocked()) - displayHeight_);
    if (offsetV_ > m) targetOffset_ = m;
    if (offsetV_ < 0) targetOffset_ = 0;
  }
}

void ZRTableView::render(float x, float y, float dt) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  if (delegate_ == nullptr) return;
  if (timeSinceMove_ >= 0) timeSinceMove_ += dt;
  updateScrollers();

  const int n = rowCountLocked();
  int first = 0, last = -1, top = 0;
  if (n > 0) {
    const int y0 = saturatedInt(std::floor(offsetV_));
    int offset = 0;
    rowAtDataLocked(y0, first, offset, false);
    if (first < 0 && y0 >= 0) {
      // Past the end (the data shrank under the offset): the last row, above the display's top.
      first = n - 1;
      offset = totalHeightLocked() - std::max(0, delegate_->rowHeight(first, this)) - y0;
    }
    if (first < 0) first = 0;
    top = offset;
    int lastOffset = 0;
    rowAtDataLocked(saturatedInt(std::floor(offsetV_) + displayHeight_ - 1), last, lastOffset, true);
    last = std::min(std::max(last, first), n - 1);
    if (static_cast<long long>(top) >= displayHeight_) last = first - 1;  // pulled down past the display
  }
  firstVisibleRow_ = first;
  firstRowTop_ = top;
  cacheRowsInterval(first, last);
  delegate_->beforeRender(this);
  if (last >= first) renderRowsInterval(x, y, first, last, top);

  applyTimeBasedScrolling(dt);

  if (fadeSpeed_ != 0) {
    visibility_ += fadeSpeed_ * dt;
    if (visibility_ <= 0) {
      visibility_ = 0;
      fadeSpeed_ = 0;
    } else if (visibility_ >= 1) {
      visibility_ = 1;
      fadeSpeed_ = 0;
    }
  }
  drawScrollBar(true, x + static_cast<float>(displayWidth_ - kBar), y);
  drawScrollBar(false, x, y + static_cast<float>(displayHeight_ - kBar));
}

// ---- pointer input
// -------------------------------------------------------------------------------------------

void ZRTableView::actionPress(float x, float y, int) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  pressX_ = lastX_ = previousX_ = x;
  pressY_ = lastY_ = previousY_ = y;
  grabbedH_ = drawnSizeH_ >= 0 && x >= drawnPosH_ + 2 && x <= drawnPosH_ + 2 + drawnSizeH_ + 1 &&
              y >= displayHeight_ - kBar && y <= displayHeight_;
  grabbedV_ = drawnSizeV_ >= 0 && x >= displayWidth_ - kBar && x <= displayWidth_ && y >= drawnPosV_ + 2 &&
              y <= drawnPosV_ + 2 + drawnSizeV_ + 1;
  pressSliderPosH_ = drawnPosH_;
  pressSliderPosV_ = drawnPosV_;
  pressed_ = true;
  moved_ = false;
  timeSinceMove_ = grabbedV_ ? -1 : 0;
  lastStepDuration_ = grabbedV_ ? -1 : 0;
}

void ZRTableView::actionMove(float x, float y) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  if (grabbedH_) {
    scrollerH_.SetSliderPos(pressSliderPosH_ + (x - pressX_));
    return;
  }
  if (grabbedV_) {
    scrollerV_.SetSliderPos(pressSliderPosV_ + (y - pressY_));
    return;
  }
  updateScrollers();
  const double d = static_cast<double>(lastY_) - y;
  const double beyond = static_cast<double>(totalHeightLocked()) - displayHeight_;
  double offset = offsetV_;
  offset += (offset < 0 || offset > beyond) ? d / 2 : d;
  offsetV_ = offset;
  scrollerV_.SetDataOffset(offset);
  targetOffset_ = offset;
  previousX_ = lastX_;
  previousY_ = lastY_;
  lastX_ = x;
  lastY_ = y;
  lastStepDuration_ = timeSinceMove_;
  timeSinceMove_ = 0;
  moved_ = true;
}

void ZRTableView::actionRelease(float x, float y, int button) {
  PendingCall call;
  {
    std::lock_guard<std::recursive_mutex> g(lock_);
    if (grabbedH_) {
      grabbedH_ = false;
      pressed_ = false;
      return;
    }
    if (grabbedV_) {
      grabbedV_ = false;
      pressed_ = false;
      timeSinceMove_ = -1;
      return;
    }
    updateScrollers();
    if (moved_ && timeSinceMove_ >= 0 && timeSinceMove_ < kFlingWindow) {
      const double step = std::clamp(lastStepDuration_, 0.0005, 0.02);
      targetOffset_ = offsetV_ + (static_cast<double>(previousY_) - lastY_) / (8 * step);
    }
    pressed_ = false;
    timeSinceMove_ = -1;
    if (x < 0 || y < 0 || x >= displayWidth_ || y >= displayHeight_) return;
    int row = -1, yInRow = 0;
    float fraction = 0;
    rowAtDisplayLocked(static_cast<int>(y), row, yInRow, fraction);
    if (row < 0) return;
    const float dx = std::fabs(pressX_ - lastX_), dy = std::fabs(pressY_ - lastY_);
    if (dx + dy < 3) {
      call = {1, row, x, static_cast<float>(yInRow), button};
    } else if (dx > 64 && dy < 8) {
      call = {2, row, x, static_cast<float>(yInRow), button};
    }
  }
  // Outside the lock: the delegate may scroll the table or change its data.
  if (call.kind == 1) delegate_->rowClicked(call.row, call.x, call.yInRow, call.button, this);
  if (call.kind == 2) delegate_->rowSwiped(call.row, this);
}

void ZRTableView::actionScrollV(float delta) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  updateScrollers();
  targetOffset_ = offsetV_ + delta;
}

void ZRTableView::actionScrollH(float delta) {
  std::lock_guard<std::recursive_mutex> g(lock_);
  updateScrollers();
  if (sliderSizeH_ < displayWidth_ - 2) scrollerH_.SetDataOffset(offsetH_ + delta);
}

void ZRTableView::actionEnter() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  fadeSpeed_ = 6;
}

void ZRTableView::actionLeave() {
  std::lock_guard<std::recursive_mutex> g(lock_);
  fadeSpeed_ = -8;
}
