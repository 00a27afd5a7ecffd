#pragma once
// PlatformCanvas: a 2D drawing surface in memory, the thin layer over Cairo that the skin's drawing
// contexts draw with. It needs no display.
//
// Pixels: 32 bits each, premultiplied alpha, stored B, G, R, A in memory (Cairo's ARGB32 on a
// little-endian machine), first row at the top, rows packed (a row is width x 4 bytes).
// Coordinates are pixels with (0, 0) at the top-left corner and y growing downwards; angles are radians,
// positive angles turning from +x towards +y (clockwise on screen).
//
// Like a graphics context of the system it stands in for, it has one current path, a stroke colour, a fill
// colour and a line width, kept until changed; stroking or filling consumes the path. saveState and
// restoreState keep and bring back colours, line width and clip.
//
// A canvas belongs to one thread at a time. After drawing, flush() makes the pixels current in memory;
// after writing pixels directly, markDirty() tells the drawing side.

#include <cstddef>
#include <cstdint>

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

struct PlatformColor {
  double r = 0, g = 0, b = 0, a = 1;
};

class PlatformCanvas {
 public:
  // A transparent canvas of width x height pixels. When memory or the drawing library refuses (or a size
  // is negative or too large) the canvas is not valid(): it has no pixels and every drawing call does
  // nothing. A size of 0 in either direction gives a valid canvas without pixels.
  PlatformCanvas(int width, int height);
  ~PlatformCanvas();
  PlatformCanvas(const PlatformCanvas&) = delete;
  PlatformCanvas& operator=(const PlatformCanvas&) = delete;

  bool valid() const { return cr_ != nullptr; }
  int width() const { return width_; }
  int height() const { return height_; }
  size_t byteSize() const { return static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4; }
  // The pixel memory (null for an invalid or empty canvas).
  uint8_t* pixels() { return pixels_; }
  const uint8_t* pixels() const { return pixels_; }

  void flush();
  void markDirty();

  void saveState();
  void restoreState();
  void setAntialias(bool on);
  void setLineWidth(double width);
  void setStrokeColor(const PlatformColor& c) { stroke_ = c; }
  void setFillColor(const PlatformColor& c) { fill_ = c; }

  // Path building.
  void beginPath();
  void closeSubpath();
  void moveTo(double x, double y);
  void lineTo(double x, double y);
  void addRect(double x, double y, double w, double h);
  // An arc around (cx, cy) from angle start to end; a line joins it to the current point, if any.
  // Clockwise on screen when end > start, the other way otherwise.
  void addArc(double cx, double cy, double radius, double start, double end);
  // The rounded corner of the system's graphics API: a line from the current point towards (x1, y1),
  // turning into an arc of the radius that is tangent to both (current, x1/y1) and (x1/y1, x2/y2). With
  // no current point it starts at (x1, y1); collinear points or a radius of 0 give a line to (x1, y1).
  void addArcToPoint(double x1, double y1, double x2, double y2, double radius);
  // The ellipse inscribed in the rectangle, as its own closed subpath.
  void addEllipseInRect(double x, double y, double w, double h);

  // Painting the current path (each consumes it).
  void strokePath();
  void fillPath();
  void fillAndStrokePath();

  // Limits later drawing to the rectangle (until restoreState).
  void clipToRect(double x, double y, double w, double h);
  // Every pixel transparent, respectively set to the colour, ignoring the clip; the path is kept.
  void clearAll();
  void paintAll(const PlatformColor& c);

  // For the text layer of this folder.
  cairo_t* cairo() { return cr_; }

 private:
  void setSource(const PlatformColor& c);

  int width_ = 0;
  int height_ = 0;
  uint8_t* pixels_ = nullptr;
  cairo_surface_t* surface_ = nullptr;
  cairo_t* cr_ = nullptr;
  PlatformColor stroke_;
  PlatformColor fill_;
};
