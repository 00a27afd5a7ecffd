#include "common/zr_geometry_utils.h"

#include <cmath>
#include <numbers>

void alignBoxInBox(textAlign align, float outerW, float outerH, float innerW, float innerH, float& x,
                   float& y, float offsetX, float offsetY) {
  const float dx = outerW - innerW;
  const float dy = outerH - innerH;
  switch (align) {
    case textAlignCenter:
      x = dx / 2;
      y = dy / 2;
      break;
    case textAlignTop:
      x = dx / 2;
      y = 0;
      break;
    case textAlignTopRight:
      x = dx;
      y = 0;
      break;
    case textAlignRight:
      x = dx;
      y = dy / 2;
      break;
    case textAlignBottomRight:
      x = dx;
      y = dy;
      break;
    case textAlignBottom:
      x = dx / 2;
      y = dy;
      break;
    case textAlignBottomLeft:
      x = 0;
      y = dy;
      break;
    case textAlignLeft:
      x = 0;
      y = dy / 2;
      break;
    default:
      x = 0;
      y = 0;
      break;
  }
  x += offsetX;
  y += offsetY;
}

ZRColorFloat getGradientColor(ZRColorFloat from, ZRColorFloat to, int steps, int step) {
  // A gradient of no steps has nowhere to go: stay at the start instead of
  // dividing by zero.
  if (steps == 0) return from;
  const double ratio = static_cast<double>(step) / steps;
  auto mix = [ratio](float a, float b) { return static_cast<float>(a + (b - a) * ratio); };
  return ZRColorFloat{mix(from.r, to.r), mix(from.g, to.g), mix(from.b, to.b), mix(from.a, to.a)};
}

double calculate_mul_coefficient(double from, double to, int n) {
  return std::pow(to / from, 1.0 / n);
}

bool apartineFloat(float x, float y, float left, float top, float right, float bottom) {
  return left <= x && x <= right && top <= y && y <= bottom;
}

double getAngleOfLineWithHorizontalLine(double x1, double y1, double x2, double y2, bool degrees) {
  constexpr double kTwoPi = 2.0 * std::numbers::pi;
  double t = std::atan2(y2 - y1, x2 - x1);
  if (t < 0) t += kTwoPi;
  const double angle = kTwoPi - t;
  return degrees ? angle * 180.0 / std::numbers::pi : angle;
}
