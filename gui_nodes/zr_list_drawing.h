#pragma once
// Small drawing steps the list controls (track table, browser tree) share: row backgrounds, header cells
// and cursor frames on a drawing context, in skin points.

#include "common/zr_value_codecs.h"
#include "gui/zr_draw_context.h"

inline void setPenColor(ZRDrawContext& dc, const ZRColorFloat& c) {
  dc.setPenColor(c.r, c.g, c.b, c.a);
}

inline void setFillColor(ZRDrawContext& dc, const ZRColorFloat& c) {
  dc.setFillColor(c.r, c.g, c.b, c.a);
}

inline void setFontColor(ZRDrawContext& dc, const ZRColorFloat& c) {
  dc.setFontColor(c.r, c.g, c.b, c.a);
}

// The rectangle (x, y, w, h) filled with the fill colour and outlined with the pen.
inline void fillAndStrokeRect(ZRDrawContext& dc, float x, float y, float w, float h) {
  dc.beginPath();
  dc.drawFilledRect(x, y, x + w, y + h, 0);
  dc.fill();
  dc.beginPath();
  dc.drawFilledRect(x, y, x + w, y + h, 0);
  dc.stroke();
}

// A row's background: the whole row, a little beyond its edges, in one colour.
inline void drawRowBackground(ZRDrawContext& dc, int width, int height, const ZRColorFloat& c) {
  dc.setPenWidth(1);
  setPenColor(dc, c);
  setFillColor(dc, c);
  fillAndStrokeRect(dc, -0.5f, -0.5f, static_cast<float>(width) + 1, static_cast<float>(height) + 1);
}

// The outline of a whole row (the cursor row, marked rows).
inline void strokeRowFrame(ZRDrawContext& dc, int width, int height, const ZRColorFloat& c) {
  setPenColor(dc, c);
  dc.beginPath();
  dc.drawRectWithSize(0, 0, static_cast<float>(width), static_cast<float>(height));
  dc.stroke();
}
