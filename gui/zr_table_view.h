#pragma once
// ZRTableView: the scrolling list engine behind the track table and the browser tree. It knows nothing of
// their content: its owner implements ZRTableViewDelegate, says how many rows there are and how high each
// is, and draws a row into a CPU drawing context when asked. The table keeps only the visible rows, each
// drawn once into its own ZRDrawContext and uploaded into its own texture, and reuses the memory of rows
// that scroll out (pooled by exact size and scale). It scrolls smoothly with a finger-like drag, a fling
// and a rubber band at both ends, draws two fading scroll bars, tells a click on a row from a drag, reports
// horizontal swipes, and draws a cover picture at the left end of each row that has one.
//
// Scrolling follows time, not frames: the smooth approach to the target closes one eighth of the distance
// per sixtieth of a second whatever the frame rate, so a table scrolls alike at 30 and at 120 frames per
// second.
//
// Coordinates are skin points relative to the table's top-left corner (input) or absolute (render).
//
// Threads: render, caching rows and artwork delivery run on the render thread (with a GL context current);
// pointer input comes from the main thread. The two meet under the table's own lock, which every operation
// takes; the delegate's rowClicked and rowSwiped are called after the lock is released (they may call the
// table again), while numberOfRows, rowHeight, drawRow, beforeRender and rowFreed are called with it held
// on the render thread. A delegate must therefore never call the table while it holds a lock of its own
// that its drawRow also takes.

#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "common/zr_scroller.h"
#include "common/zr_string.h"

class ZRDrawContext;
class ZRTexture;
class ZRTableView;

// One cached row.
struct ZRTableViewRow {
  ZRTableViewRow();
  ~ZRTableViewRow();
  ZRTableViewRow(const ZRTableViewRow&) = delete;
  ZRTableViewRow& operator=(const ZRTableViewRow&) = delete;

  int index = -1;  // the row it shows; -1 while in the free pool
  int width = 0;   // points, as made
  int height = 0;
  float scale = 1;
  std::unique_ptr<ZRDrawContext> drawContext;  // width x height points at scale
  std::unique_ptr<ZRTexture> texture;          // the uploaded content (dynamic)
  int dirty = 0;                               // redrawn at the next render
  // 0 none, 1 requested (the owner's), 2 loaded; back to 0 when taken from the pool.
  int artworkState = 0;
  std::unique_ptr<ZRTexture> artworkTexture;
  ZRString artworkKey;  // set by the owner with a request; delivered artwork must match it
};

class ZRTableViewDelegate {
 public:
  virtual ~ZRTableViewDelegate() = default;
  virtual int numberOfRows(ZRTableView* view) = 0;
  // All rows as high as row 0.
  virtual bool hasFixedRowHeight(ZRTableView* view) = 0;
  virtual int rowHeight(int row, ZRTableView* view) = 0;
  // Draws the row into row->drawContext (the table then uploads it).
  virtual void drawRow(ZRTableViewRow* row, ZRTableView* view) = 0;
  virtual void rowClicked(int row, float x, float yInRow, int button, ZRTableView* view) = 0;
  virtual void rowSwiped(int row, ZRTableView* view) = 0;
  // Once per render, after the rows are cached and before they are drawn.
  virtual void beforeRender(ZRTableView* /*view*/) {}
  // A row leaves the cache.
  virtual void rowFreed(ZRTableViewRow* /*row*/, ZRTableView* /*view*/) {}
};

class ZRTableView {
 public:
  static constexpr int kScrollBarSize = 16;  // points
  // What the table has done, for benchmarks and tests.
  struct Statistics {
    long rowsCreated = 0;  // rows made (a context and a texture each)
    long rowsDrawn = 0;    // drawRow calls
    long rowsUploaded = 0;
    long scrollBarsDrawn = 0;
  };

  ZRTableView(int width, int height, ZRTableViewDelegate* delegate, float scale);
  // destroyTextures, then frees both lists.
  virtual ~ZRTableView();
  ZRTableView(const ZRTableView&) = delete;
  ZRTableView& operator=(const ZRTableView&) = delete;

  // One frame at absolute (x, y); dt is the time since the previous frame in seconds.
  virtual void render(float x, float y, float dt);
  virtual void actionPress(float x, float y, int button);
  virtual void actionMove(float x, float y);
  virtual void actionScrollV(float delta);
  virtual void actionScrollH(float delta);
  virtual void actionRelease(float x, float y, int button);
  virtual void actionEnter();
  virtual void actionLeave();
  // The rows changed in number or height: the data size is taken again (and with resetScroll the view goes
  // back to the top); every row is rebuilt.
  virtual void refreshWholeData(int resetScroll);
  // Every row is rebuilt at the next render.
  virtual void refreshWholeDisplay();
  // The cached row is redrawn at the next render (a row not cached is ignored).
  virtual void markRowAsDirty(int row);

  // contentWidth below width means the display width; a change of content width or scale rebuilds rows.
  void changeSize(int width, int height, int contentWidth, float scale);
  // Scrolls at once (no animation) so that the row is fully visible.
  void makeRowVisible(int row);
  // Delivered cover pixels (new[], w x h, B, G, R(, A)) for the cached row with that index and artwork key;
  // the buffer is freed in every case.
  void updateArtworkForRow(int row, const ZRString& key, unsigned char* pixels, int width, int height,
                           bool hasAlpha);
  // Releases every row (context, texture, artwork texture) and both scroll bars; rows are rebuilt at the
  // next render. Render thread, before the GL context goes away.
  void destroyTextures();

  int getScrollOffsetH();
  // Vertical offset / (data height - display height); 0 when all rows fit.
  double getScrollPosition();
  // y in display points: the row (-1 outside or past the last row), y inside it and its fraction.
  void getRowAtPixelFromDisplay(int y, int& row, int& yInRow, float& fraction);
  // y in data points: the row whose span holds it and offset = its top - y (0 or negative); for y < 0 row
  // -1 and offset -y; past the end -1, or with clampToLast the last row and y - total height.
  void getRowAtPixelFromAllData(int y, int& row, int& offset, int clampToLast);
  // The sum of all row heights.
  int getAllDataDisplayHeight();

  // Whether the last press grabbed a scroll bar.
  bool isHorizontalSliderGrabbed();
  bool isVerticalSliderGrabbed();

  // State for the owner, tests and benchmarks.
  double getScrollOffsetV();
  double getTargetOffsetV();
  int getCachedRowCount();
  int getFreeRowCount();
  int getFirstCachedRow();
  Statistics getStatistics();
  float getScale() const { return scale_; }
  int getDisplayWidth() const { return displayWidth_; }
  int getDisplayHeight() const { return displayHeight_; }
  int getContentWidth() const { return contentWidth_; }

 private:
  struct PendingCall {
    int kind = 0;  // 1 click, 2 swipe
    int row = -1;
    float x = 0, yInRow = 0;
    int button = 0;
  };

  // Everything below runs with lock_ held.
  int totalHeightLocked();
  int rowCountLocked();
  void rowAtDisplayLocked(int y, int& row, int& yInRow, float& fraction);
  void rowAtDataLocked(int y, int& row, int& offset, bool clampToLast);
  void cacheRowsInterval(int first, int last);
  void renderRowsInterval(float x, float y, int first, int last, int firstRowTop);
  void buildRow(int index, bool atFront);
  ZRTableViewRow* getOrCreateFreeRow(int width, int height);
  void drawAndUpload(ZRTableViewRow* row);
  void releaseRow(ZRTableViewRow* row);
  void releaseAllCachedRows();
  ZRTableViewRow* findCached(int index);
  void updateScrollers();
  void drawScrollBar(bool vertical, float x, float y);
  void applyTimeBasedScrolling(float dt);

  std::recursive_mutex lock_;
  ZRTableViewDelegate* delegate_;
  float scale_;
  int displayWidth_, displayHeight_;
  int contentWidth_;

  std::deque<ZRTableViewRow*> cached_;  // one interval of indices, increasing
  std::vector<ZRTableViewRow*> free_;
  bool dirtyRows_ = false;
  bool fullRefresh_ = false;

  int firstVisibleRow_ = 0;
  int firstRowTop_ = 0;

  bool pressed_ = false;
  bool moved_ = false;
  double timeSinceMove_ = -1;
  double lastStepDuration_ = 0;
  float pressX_ = 0, pressY_ = 0;
  float lastX_ = 0, lastY_ = 0;
  float previousX_ = 0, previousY_ = 0;

  double targetOffset_ = 0;
  CZRScroller scrollerH_{0};
  CZRScroller scrollerV_{1};
  bool grabbedH_ = false, grabbedV_ = false;
  int offsetH_ = 0;
  double offsetV_ = 0;
  double sliderSizeH_ = 0, sliderPosH_ = 0, sliderSizeV_ = 0, sliderPosV_ = 0;
  double drawnPosH_ = 0, drawnSizeH_ = -1, drawnPosV_ = 0, drawnSizeV_ = -1;
  double pressSliderPosH_ = 0, pressSliderPosV_ = 0;
  float visibility_ = 0;
  float fadeSpeed_ = 0;
  std::unique_ptr<ZRDrawContext> barContextV_, barContextH_;
  std::unique_ptr<ZRTexture> barTextureV_, barTextureH_;

  Statistics stats_;
};
