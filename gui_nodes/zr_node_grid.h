#pragma once
// ZRNodeGrid: the skin control of the element tag "grid" (element type 24): up to 32 x 32 on/off cells with
// a hover and a click highlight. Grids exist only as skin-script elements: the skin loader binds the cell
// slot to the element's "oncellclick" script function, and controller and skin scripts set and click cells
// by name. A skin asking for more than 32 rows or columns gets 32 (and a log line).
//
// Threads: mouse input on the main thread, script calls on the thread that runs the script (the render
// thread), drawing on the render thread. Cell states, the pointer and the clicked cell are atomics.

#include <array>
#include <atomic>

#include "gui/zr_draw_node.h"

class ZRNodeGrid : public ZRDrawNode {
 public:
  static constexpr int kMaxCells = 32;  // rows, and columns
  // Action slots: the cell slot gets (row, actionCode, column, node); release (-1, actionCode, deck, node).
  enum Slot : int { SlotCell = 0, SlotRelease, SlotCount };

  ZRNodeGrid(ZRNodeManager* manager, float scale, int id, int deck);

  // Base attributes, then totalrows and totalcolumns (1..32, default 2), the over picture (celloverx/y/w/h)
  // and its placing (celloveroffsetx/y, celloverspacex/y).
  void refreshCoordinates(ZRParameterList* attributes) override;
  void render(double dt, float x, float y) override;
  bool executeAction(int code, int value, float x, float y, int button, int key, int modifiers,
                     int midiChannel, int midiNumber, int midiValue, wchar_t character, int deck) override;

  // Ignored outside the grid; with notify the cell slot is called.
  void setCell(int row, int column, bool on, bool notify);
  bool getCell(int row, int column) const;
  // Ignored outside the grid; the clicked cell becomes (row, column) and the cell slot is called.
  void clickOnCell(int row, int column);
  int getRows() const { return rows_.load(); }
  int getColumns() const { return columns_.load(); }

 private:
  // The cell under a point, -1 on an axis it is outside of.
  void cellAt(float px, float py, int& row, int& column) const;
  void callCell(int row, int column);

  std::atomic<int> rows_{2}, columns_{2};
  std::array<std::atomic<bool>, kMaxCells * kMaxCells> cells_{};
  std::atomic<float> pointerX_{-1}, pointerY_{-1};
  std::atomic<int> clickedRow_{-1}, clickedColumn_{-1};
  float overX_ = 0, overY_ = 0, overW_ = 0, overH_ = 0;
  float overOffsetX_ = 0, overOffsetY_ = 0, overSpaceX_ = 0, overSpaceY_ = 0;
  bool hasOverPicture_ = false;
};
