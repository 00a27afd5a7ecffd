#include "platform/graphics/canvas.h"

#include <cairo.h>

#include <climits>
#include <cmath>
#include <cstdlib>
#include <cstring>

PlatformCanvas::PlatformCanvas(int width, int height) {
  if (width < 0 || height < 0) return;
  // Cairo keeps sizes and strides in ints.
  if (width > 0 && height > INT_MAX / 4 / width) return;
  width_ = width;
  height_ = height;
  const size_t bytes = byteSize();
  if (bytes > 0) pixels_ = static_cast<uint8_t*>(std::calloc(bytes, 1));
  if (bytes == 0 || pixels_ != nullptr) {
    surface_ = cairo_image_surface_create_for_data(pixels_, CAIRO_FORMAT_ARGB32, width_, height_, width_ * 4);
    if (cairo_surface_status(surface_) == CAIRO_STATUS_SUCCESS) cr_ = cairo_create(surface_);
  }
  if (cr_ == nullptr || cairo_status(cr_) != CAIRO_STATUS_SUCCESS) {
    if (cr_ != nullptr) cairo_destroy(cr_);
    if (surface_ != nullptr) cairo_surface_destroy(surface_);
    std::free(pixels_);
    cr_ = nullptr;
    surface_ = nullptr;
    pixels_ = nullptr;
    width_ = height_ = 0;
    return;
  }
  cairo_set_antialias(cr_, CAIRO_ANTIALIAS_DEFAULT);
  cairo_set_operator(cr_, CAIRO_OPERATOR_OVER);
}

PlatformCanvas::~PlatformCanvas() {
  if (cr_ != nullptr) cairo_destroy(cr_);
  if (surface_ != nullptr) cairo_surface_destroy(surface_);
  std::free(pixels_);
}

void PlatformCanvas::flush() {
  if (surface_ != nullptr) cairo_surface_flush(surface_);
}

void PlatformCanvas::markDirty() {
  if (surface_ != nullptr) cairo_surface_mark_dirty(surface_);
}

void PlatformCanvas::saveState() {
  if (cr_ != nullptr) cairo_save(cr_);
}

void PlatformCanvas::restoreState() {
  if (cr_ != nullptr) cairo_restore(cr_);
}

void PlatformCanvas::setAntialias(bool on) {
  if (cr_ != nullptr) cairo_set_antialias(cr_, on ? CAIRO_ANTIALIAS_DEFAULT : CAIRO_ANTIALIAS_NONE);
}

void PlatformCanvas::setLineWidth(double width) {
  if (cr_ != nullptr) cairo_set_line_width(cr_, width);
}

void PlatformCanvas::beginPath() {
  if (cr_ != nullptr) cairo_new_path(cr_);
}

void PlatformCanvas::closeSubpath() {
  if (cr_ != nullptr) cairo_close_path(cr_);
}

void PlatformCanvas::moveTo(double x, double y) {
  if (cr_ != nullptr) cairo_move_to(cr_, x, y);
}

void PlatformCanvas::lineTo(double x, double y) {
  if (cr_ == nullptr) return;
  if (cairo_has_current_point(cr_)) {
    cairo_line_to(cr_, x, y);
  } else {
    cairo_move_to(cr_, x, y);
  }
}

void PlatformCanvas::addRect(double x, double y, double w, double h) {
  if (cr_ != nullptr) cairo_rectangle(cr_, x, y, w, h);
}

void PlatformCanvas::addArc(double cx, double cy, double radius, double start, double end) {
  if (cr_ == nullptr || !(radius > 0)) return;
  if (end >= start) {
    cairo_arc(cr_, cx, cy, radius, start, end);
  } else {
    cairo_arc_negative(cr_, cx, cy, radius, start, end);
  }
}

void PlatformCanvas::addArcToPoint(double x1, double y1, double x2, double y2, double radius) {
  if (cr_ == nullptr) return;
  if (!cairo_has_current_point(cr_)) {
    cairo_move_to(cr_, x1, y1);
    return;
  }
  double x0 = 0, y0 = 0;
  cairo_get_current_point(cr_, &x0, &y0);
  // Unit vectors from the corner towards both neighbours.
  double ax = x0 - x1, ay = y0 - y1;
  double bx = x2 - x1, by = y2 - y1;
  const double la = std::hypot(ax, ay), lb = std::hypot(bx, by);
  if (!(radius > 0) || la == 0 || lb == 0) {
    cairo_line_to(cr_, x1, y1);
    return;
  }
  ax /= la;
  ay /= la;
  bx /= lb;
  by /= lb;
  const double cross = ax * by - ay * bx;
  const double cosTheta = ax * bx + ay * by;
  if (std::fabs(cross) < 1e-9) {
    cairo_line_to(cr_, x1, y1);
    return;
  }
  // Half the angle between the two legs gives the distance from the corner to the tangent points.
  const double halfAngle = std::acos(std::fmax(-1.0, std::fmin(1.0, cosTheta))) / 2;
  const double tangentDistance = radius / std::tan(halfAngle);
  const double t1x = x1 + ax * tangentDistance, t1y = y1 + ay * tangentDistance;
  const double t2x = x1 + bx * tangentDistance, t2y = y1 + by * tangentDistance;
  // The centre lies on the bisector, radius / sin(half angle) from the corner.
  double mx = ax + bx, my = ay + by;
  const double lm = std::hypot(mx, my);
  mx /= lm;
  my /= lm;
  const double centreDistance = radius / std::sin(halfAngle);
  const double cx = x1 + mx * centreDistance, cy = y1 + my * centreDistance;
  const double a1 = std::atan2(t1y - cy, t1x - cx);
  const double a2 = std::atan2(t2y - cy, t2x - cx);
  cairo_line_to(cr_, t1x, t1y);
  // The turn from leg a to leg b decides the arc's direction.
  if (cross < 0) {
    cairo_arc(cr_, cx, cy, radius, a1, a2);
  } else {
    cairo_arc_negative(cr_, cx, cy, radius, a1, a2);
  }
}

void PlatformCanvas::addEllipseInRect(double x, double y, double w, double h) {
  if (cr_ == nullptr || !(w > 0) || !(h > 0)) return;
  cairo_new_sub_path(cr_);
  cairo_save(cr_);
  cairo_translate(cr_, x + w / 2, y + h / 2);
  cairo_scale(cr_, w / 2, h / 2);
  cairo_arc(cr_, 0, 0, 1, 0, 2 * M_PI);
  cairo_restore(cr_);
  cairo_close_path(cr_);
}

void PlatformCanvas::setSource(const PlatformColor& c) {
  cairo_set_source_rgba(cr_, c.r, c.g, c.b, c.a);
}

void PlatformCanvas::strokePath() {
  if (cr_ == nullptr) return;
  setSource(stroke_);
  cairo_stroke(cr_);
}

void PlatformCanvas::fillPath() {
  if (cr_ == nullptr) return;
  setSource(fill_);
  cairo_fill(cr_);
}

void PlatformCanvas::fillAndStrokePath() {
  if (cr_ == nullptr) return;
  setSource(fill_);
  cairo_fill_preserve(cr_);
  setSource(stroke_);
  cairo_stroke(cr_);
}

void PlatformCanvas::clipToRect(double x, double y, double w, double h) {
  if (cr_ == nullptr) return;
  cairo_path_t* kept = cairo_copy_path(cr_);
  cairo_new_path(cr_);
  cairo_rectangle(cr_, x, y, w, h);
  cairo_clip(cr_);
  cairo_append_path(cr_, kept);
  cairo_path_destroy(kept);
}

void PlatformCanvas::clearAll() {
  if (pixels_ == nullptr) return;
  flush();
  std::memset(pixels_, 0, byteSize());
  markDirty();
}

void PlatformCanvas::paintAll(const PlatformColor& c) {
  if (cr_ == nullptr) return;
  cairo_save(cr_);
  cairo_reset_clip(cr_);
  cairo_set_operator(cr_, CAIRO_OPERATOR_SOURCE);
  setSource(c);
  // paint ignores the path, which stays as it is.
  cairo_paint(cr_);
  cairo_restore(cr_);
}
