#pragma once
// Small geometry and colour helpers of the skin side: placing a box inside a
// box, colour gradients, hit tests and angles. No state; any thread.

#include "common/zr_value_codecs.h"

// The top-left corner (x, y; y downwards) of an inner box placed in an outer
// box by align, plus offsetX and offsetY. With dx = outerW - innerW and
// dy = outerH - innerH: center (dx/2, dy/2), top (dx/2, 0), topright (dx, 0),
// right (dx, dy/2), bottomright (dx, dy), bottom (dx/2, dy), bottomleft
// (0, dy), left (0, dy/2), topleft and any other value (0, 0).
void alignBoxInBox(textAlign align, float outerW, float outerH, float innerW, float innerH, float& x,
                   float& y, float offsetX, float offsetY);

// Per channel from + (to - from) x step / steps: step 0 gives from, step =
// steps gives to. steps of 0 gives from.
ZRColorFloat getGradientColor(ZRColorFloat from, ZRColorFloat to, int steps, int step);

// The factor that takes from to to in n equal ratios: (to / from)^(1 / n).
double calculate_mul_coefficient(double from, double to, int n);

// The point lies inside the rectangle, edges included.
bool apartineFloat(float x, float y, float left, float top, float right, float bottom);

// 2 pi - t, where t is the direction of the line from (x1, y1) to (x2, y2)
// moved into 0..2 pi; so the result lies in (0, 2 pi] (a line towards +x gives
// 2 pi, towards +y 3 pi / 2). In degrees when degrees is true.
double getAngleOfLineWithHorizontalLine(double x1, double y1, double x2, double y2, bool degrees);
