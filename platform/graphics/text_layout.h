#pragma once
// Fonts and text layout over fontconfig and Pango: the thin layer that stands in for the system's font and
// text-layout API. It needs no display.
//
// PlatformFont names one installed face at a size in pixels. Skins name fonts the way the system they
// were made on does; those names resolve to metric-compatible faces: "Helvetica", "Helvetica Neue" and
// "Arial" to Liberation Sans, "Times" and "Times New Roman" to Liberation Serif, "Courier" and "Courier New"
// to Liberation Mono (each only while that face is installed). Any other name must be installed under that
// family name. Characters the face lacks (symbols such as ✓ or ▾) are drawn from another installed font
// that has them.
//
// PlatformTextLayout lays out one paragraph of UTF-8 text in a font and draws it on a PlatformCanvas.
//
// Threads: any thread may use these classes; each thread lays out text with its own font machinery,
// created on first use and kept until releaseThreadTextResources() or the thread's end. A font or layout
// object is used by one thread at a time.

#include <memory>
#include <optional>
#include <string>

#include "platform/graphics/canvas.h"

struct PlatformFontMetrics {
  double ascent = 0;   // above the baseline
  double descent = 0;  // below the baseline (positive)
  double leading = 0;  // the face's extra line gap (may be 0)
};

class PlatformFont {
 public:
  // The face installed under this family name (or its stand-in above), regular weight and upright, at
  // size pixels; nothing when no such family is installed or the size is not positive.
  static std::optional<PlatformFont> createWithName(const std::string& name, double size);
  // The system's sans-serif face (Liberation Sans when installed); nothing only when no font exists.
  static std::optional<PlatformFont> createDefault(double size);

  // A copy with these traits, only when the family has such a face (no synthesis); nothing otherwise.
  std::optional<PlatformFont> copyWithTraits(bool bold, bool italic) const;
  // A copy drawn slanted (a synthetic oblique of the same face and weight).
  PlatformFont slantedCopy() const;

  const std::string& family() const { return family_; }
  double size() const { return size_; }
  bool bold() const { return bold_; }
  bool italic() const { return italic_; }
  bool slanted() const { return slanted_; }
  PlatformFontMetrics metrics() const;

 private:
  PlatformFont(std::string family, double size) : family_(std::move(family)), size_(size) {}
  std::string family_;
  double size_ = 0;
  bool bold_ = false;
  bool italic_ = false;
  bool slanted_ = false;
};

class PlatformTextLayout {
 public:
  // wrapWidth < 0: no wrapping, and line breaks in the text are drawn as characters (one line);
  // otherwise words wrap at wrapWidth pixels and line breaks start new lines. lineGap is added between
  // lines.
  PlatformTextLayout(const std::string& utf8, const PlatformFont& font, double wrapWidth = -1,
                     double lineGap = 0);
  ~PlatformTextLayout();
  PlatformTextLayout(const PlatformTextLayout&) = delete;
  PlatformTextLayout& operator=(const PlatformTextLayout&) = delete;

  // The logical size of the laid-out text in pixels (ascent + descent per line, trailing white space
  // included); 0 x 0 for an empty text.
  double width() const;
  double height() const;
  // From the top of the layout to the first line's baseline.
  double baseline() const;
  // Characters no installed font could draw.
  int unknownGlyphs() const;

  // Draws the text with its first line's baseline at (x, baselineY), filled with the colour; with
  // strokeWidth > 0 the glyph outlines are also stroked at that width in the same colour (a heavier
  // face). With maxHeight >= 0 only the lines that fit whole within maxHeight pixels below the layout's
  // top are drawn.
  void draw(PlatformCanvas& canvas, double x, double baselineY, const PlatformColor& color,
            double strokeWidth = 0, double maxHeight = -1) const;

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

// Frees the calling thread's font machinery (it is made again when needed).
void releaseThreadTextResources();
