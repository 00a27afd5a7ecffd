#include "gui/zr_skin_cursor.h"

wxStockCursor skinStockCursor(int kind) {
  switch (kind) {
    case 0:
      return wxCURSOR_ARROW;
    case 1:
      return wxCURSOR_NO_ENTRY;
    case 2:
      return wxCURSOR_CROSS;
    case 3:
      return wxCURSOR_IBEAM;
    case 4:
      return wxCURSOR_SIZEWE;
    case 5:
      return wxCURSOR_SIZENS;
    default:
      return wxCURSOR_NONE;
  }
}
