#pragma once
// ZRDrawContext: the CPU canvas of the skin. A bitmap of the owner's size times the UI scale on which a
// control draws lines, rectangles, rounded rectangles, circles, pie slices and text; its pixels are then
// uploaded into the owner's texture (pixel format 1, see common/zr_texture.h). Callers work in skin points:
// every coordinate, size and pen width is multiplied by the context's scale. The origin is the top-left
// corner, y grows downwards.
//
// Drawing is Cairo and Pango underneath (platform/graphics/) and needs no display. The bitmap holds
// premultiplied B, G, R, A bytes per pixel, first row at the top, rows packed: exactly what an upload in
// pixel format 1 takes, so getDataAlwaysInRGBA(false) hands it over without a copy.
//
// Fonts: the name "arial" (any case) is drawn as Helvetica; Helvetica and Arial resolve to Liberation
// Sans. A name no installed font has falls back to Helvetica. Styles: textStyleBold, textStyleItalic,
// textStyleItalicBold; textStyleUnderline and anything else draw the plain face (no underline). When a
// family has no bold face the glyphs are filled and stroked (a synthetic bold); without an italic face they
// are slanted. When no font at all can be had, text is neither drawn nor measured (width and height 0).
//
// Threads: a context belongs to one thread at a time (node contents are drawn on the render thread, some
// controls and the video overlays prepare theirs on the main thread). measureText and measureTextStatic
// need no context and may be called from any thread at once: each thread measures with its own font
// machinery, so no measuring object is shared between threads.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "common/zr_string.h"
#include "common/zr_value_codecs.h"
#include "platform/graphics/canvas.h"
#include "platform/graphics/text_layout.h"

class ZRDrawContext {
 public:
  // A transparent bitmap of lrintf(width x scale) by lrintf(height x scale) pixels. When it cannot be
  // made the log says " * * * ERROR creating: ZRDrawContext w=%d, h=%d, scale=%f" and every later call
  // draws nothing (isValid() false, no pixels).
  ZRDrawContext(int width, int height, float scale);
  ~ZRDrawContext();
  ZRDrawContext(const ZRDrawContext&) = delete;
  ZRDrawContext& operator=(const ZRDrawContext&) = delete;

  bool isValid() const { return canvas_.valid() && pixelWidth_ > 0 && pixelHeight_ > 0; }
  float getScale() const { return scale_; }
  int getWidth() const { return width_; }  // in points, as constructed
  int getHeight() const { return height_; }
  int getPixelWidth() const { return pixelWidth_; }
  int getPixelHeight() const { return pixelHeight_; }
  size_t getBitmapSize() const { return canvas_.byteSize(); }

  // The whole bitmap transparent; opaque black. Pen and fill colours stay as they are.
  void clear();
  void clearToBlack();

  void setPenWidth(float width);  // x scale
  // Antialiasing of shapes and lines is on unless switched off here (text is always smoothed).
  void setAntialias(bool on);
  void setPenColor(float r, float g, float b, float a);
  void setFillColor(float r, float g, float b, float a);
  void setFontColor(float r, float g, float b, float a);

  // Paths: each call below adds to the current path; stroke() strokes it with the pen, fill() fills it
  // (both consume it), beginPath() starts a new one, endPath() closes the current subpath.
  void beginPath();
  void endPath();
  void stroke();
  void fill();
  // From (x1, y1) to (x2, y2), both moved by half a pixel so that one-pixel lines fall on pixel centres.
  void drawLine(float x1, float y1, float x2, float y2);
  // The rectangle (x·s + 0.5, y·s + 0.5, w·s − 1, h·s − 1); the two are the same operation, the integer
  // has no effect.
  void drawRectWithSize(float x, float y, float w, float h);
  void drawFilledRectWithSize(float x, float y, float w, float h, int unused);
  // The rectangle from (x1·s + 0.5, y1·s + 0.5) of size ((x2 − x1)·s, (y2 − y1)·s).
  void drawFilledRect(float x1, float y1, float x2, float y2, int unused);
  // A pie slice for the caller to fill: from the box's centre, an arc of radius (w + h)·s / 4 from
  // startDegrees through sweepDegrees (0 along +x, positive clockwise on screen).
  void drawFilledPieWithSize(float x, float y, float w, float h, float startDegrees, float sweepDegrees);

  // Shapes drawn at once (they replace the current path).
  // Filled, and also stroked with the pen when alsoStroke is not 0.
  void drawFilledRoundRectWithSize(float x, float y, float w, float h, float radius, int alsoStroke);
  void drawFilledCircle(float cx, float cy, float radius);

  // One line of text placed in a box of boxWidth x boxHeight points at (x, y) by align, clipped to the
  // box; align textAlignInvalid (-1), or a box less than one pixel wide or high, means no box: the text
  // starts at x with its baseline one ascent below y, unclipped.
  void drawText(float x, float y, const ZRString& text, const ZRString& font, float size, textStyle style,
                textAlign align, int boxWidth, int boxHeight);
  // Text wrapped at word boundaries within w points, its first line at the top of the rectangle (x, y,
  // w, h); only lines that fit whole within h are drawn.
  void drawTextInRect(float x, float y, float w, float h, const ZRString& text, const ZRString& font,
                      float size, textStyle style);
  // The size of the laid-out text in the units of size: the widest line without its trailing white space
  // and the lines' height without the face's extra line gap. 0 x 0 for an empty text or no font.
  static void measureText(const ZRString& text, const ZRString& font, float size, textStyle style,
                          float& width, float& height);
  // The same result for callers without a context (the scale does not enter it).
  static void measureTextStatic(const ZRString& text, const ZRString& font, float size, textStyle style,
                                float& width, float& height, float scale);
  // The face for a name, size (pixels) and style, following the rules above; boldApplied (may be null)
  // becomes 0 when the bold or italic-bold style had to go without a bold face, else 1. Nothing (after
  // the log line "error: can not get default font") when no font can be had.
  static std::optional<PlatformFont> getOrCreateFont(const ZRString& name, float size, textStyle style,
                                                     int* boldApplied);

  // raw true: R, G, B, A per pixel (premultiplied), converted into a buffer kept by the context (null when
  // it cannot be had); raw false: B, G, R, A, the bitmap itself, as pixel format 1 uploads expect. Valid
  // until the next call on the context; null for a context without pixels.
  uint8_t* getDataAlwaysInRGBA(bool raw);
  // Copies the w x h block at (x, y) of the bitmap into destination (w x h pixels, R, G, B, A); pixels of
  // the block outside the bitmap come out as 0. The flag has no effect.
  void copySubImageToBufferInRGBA(int x, int y, int w, int h, uint8_t* destination, bool unused);
  // Blends the w x h block at (sx, sy) of a 4-byte source picture (sourceWidth x sourceHeight, R, G, B, A,
  // or B, G, R, A with swapRB) into the bitmap at (dx, dy) by rgbaBlitWithAlpha (gui/zr_pixel_blit.h),
  // clipped to both pictures.
  void copySubImageFromBufferInRGBA(const void* source, int sx, int sy, int w, int h, int sourceWidth,
                                    int sourceHeight, int dx, int dy, bool swapRB);

  // Frees the calling thread's measuring resources (made again when needed).
  static void deleteStaticResources();

 private:
  double px(float points) const { return static_cast<double>(points) * scale_; }

  int width_;
  int height_;
  float scale_;
  int pixelWidth_;
  int pixelHeight_;
  PlatformColor fontColor_{1, 1, 1, 1};
  PlatformCanvas canvas_;
  std::vector<uint8_t> conversion_;
};

// Process-wide set-up and tear-down of the drawing side; the node manager calls them when it is created
// and destroyed. Tear-down frees the calling thread's measuring resources.
void initZRGraphicsSystem();
void deinitZRGraphicsSystem();
