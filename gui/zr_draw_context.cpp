#include "gui/zr_draw_context.h"

#include <cmath>
#include <cstring>
#include <new>

#include "common/zr_logging.h"
#include "gui/zr_pixel_blit.h"

namespace {

int pixels(int points, float scale) {
  const float v = static_cast<float>(points) * scale;
  // Negative, not-a-number or absurd sizes make no bitmap.
  if (!(v >= 0.0f) || v > 1.0e8f) return -1;
  return static_cast<int>(lrintf(v));
}

bool isTrailingSpace(char c) {
  return c == ' ' || c == '\t' || c == '\r';
}

// Trailing white space measures as nothing (a caret placed after a typed space relies on it).
std::string withoutTrailingSpace(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  size_t lineStart = 0;
  while (lineStart <= text.size()) {
    size_t end = text.find('\n', lineStart);
    const bool last = end == std::string::npos;
    if (last) end = text.size();
    size_t cut = end;
    while (cut > lineStart && isTrailingSpace(text[cut - 1])) --cut;
    out.append(text, lineStart, cut - lineStart);
    if (last) break;
    out.push_back('\n');
    lineStart = end + 1;
  }
  return out;
}

}  // namespace

ZRDrawContext::ZRDrawContext(int width, int height, float scale)
    : width_(width),
      height_(height),
      scale_(scale),
      pixelWidth_(pixels(width, scale)),
      pixelHeight_(pixels(height, scale)),
      canvas_(pixelWidth_, pixelHeight_) {
  if (!canvas_.valid() || pixelWidth_ <= 0 || pixelHeight_ <= 0) {
    ZRLOG(" * * * ERROR creating: ZRDrawContext w=%d, h=%d, scale=%f", width, height,
          static_cast<double>(scale));
    pixelWidth_ = pixelHeight_ = 0;
    return;
  }
  canvas_.setAntialias(true);
}

ZRDrawContext::~ZRDrawContext() = default;

void ZRDrawContext::clear() {
  canvas_.clearAll();
}

void ZRDrawContext::clearToBlack() {
  canvas_.paintAll(PlatformColor{0, 0, 0, 1});
}

void ZRDrawContext::setPenWidth(float width) {
  canvas_.setLineWidth(px(width));
}

void ZRDrawContext::setAntialias(bool on) {
  canvas_.setAntialias(on);
}

void ZRDrawContext::setPenColor(float r, float g, float b, float a) {
  canvas_.setStrokeColor({r, g, b, a});
}

void ZRDrawContext::setFillColor(float r, float g, float b, float a) {
  canvas_.setFillColor({r, g, b, a});
}

void ZRDrawContext::setFontColor(float r, float g, float b, float a) {
  fontColor_ = {r, g, b, a};
}

void ZRDrawContext::beginPath() {
  canvas_.beginPath();
}

void ZRDrawContext::endPath() {
  canvas_.closeSubpath();
}

void ZRDrawContext::stroke() {
  canvas_.strokePath();
}

void ZRDrawContext::fill() {
  canvas_.fillPath();
}

void ZRDrawContext::drawLine(float x1, float y1, float x2, float y2) {
  canvas_.moveTo(px(x1) + 0.5, px(y1) + 0.5);
  canvas_.lineTo(px(x2) + 0.5, px(y2) + 0.5);
}

void ZRDrawContext::drawRectWithSize(float x, float y, float w, float h) {
  canvas_.addRect(px(x) + 0.5, px(y) + 0.5, px(w) - 1, px(h) - 1);
}

void ZRDrawContext::drawFilledRectWithSize(float x, float y, float w, float h, int) {
  drawRectWithSize(x, y, w, h);
}

void ZRDrawContext::drawFilledRect(float x1, float y1, float x2, float y2, int) {
  canvas_.addRect(px(x1) + 0.5, px(y1) + 0.5, px(x2 - x1), px(y2 - y1));
}

void ZRDrawContext::drawFilledPieWithSize(float x, float y, float w, float h, float startDegrees,
                                          float sweepDegrees) {
  const double cx = px(x) + px(w) / 2, cy = px(y) + px(h) / 2;
  const double radius = (px(w) + px(h)) / 4;
  const double start = startDegrees * M_PI / 180.0, end = (startDegrees + sweepDegrees) * M_PI / 180.0;
  canvas_.moveTo(cx, cy);
  canvas_.addArc(cx, cy, radius, start, end);
}

void ZRDrawContext::drawFilledRoundRectWithSize(float x, float y, float w, float h, float radius,
                                                int alsoStroke) {
  const double X = px(x), Y = px(y), W = px(w), H = px(h), r = px(radius);
  canvas_.beginPath();
  canvas_.moveTo(X + r, Y);
  canvas_.addArcToPoint(X + W, Y, X + W, Y + H, r);
  canvas_.addArcToPoint(X + W, Y + H, X, Y + H, r);
  canvas_.addArcToPoint(X, Y + H, X, Y, r);
  canvas_.addArcToPoint(X, Y, X + W, Y, r);
  canvas_.closeSubpath();
  if (alsoStroke != 0) {
    canvas_.fillAndStrokePath();
  } else {
    canvas_.fillPath();
  }
}

void ZRDrawContext::drawFilledCircle(float cx, float cy, float radius) {
  canvas_.beginPath();
  canvas_.addEllipseInRect(px(cx) - px(radius), px(cy) - px(radius), 2 * px(radius), 2 * px(radius));
  canvas_.fillPath();
}

std::optional<PlatformFont> ZRDrawContext::getOrCreateFont(const ZRString& name, float size, textStyle style,
                                                           int* boldApplied) {
  if (boldApplied != nullptr) *boldApplied = 1;
  std::string family = name.utf8();
  if (name.icmp(ZRString("arial")) == 0) family = "Helvetica";
  std::optional<PlatformFont> font = PlatformFont::createWithName(family, size);
  if (!font) font = PlatformFont::createDefault(size);
  if (!font) {
    ZRLOG("error: can not get default font");
    return std::nullopt;
  }
  switch (style) {
    case textStyleBold:
      if (auto bold = font->copyWithTraits(true, false)) return bold;
      if (boldApplied != nullptr) *boldApplied = 0;
      return font;
    case textStyleItalicBold:
      if (auto both = font->copyWithTraits(true, true)) return both;
      if (boldApplied != nullptr) *boldApplied = 0;
      return font->slantedCopy();
    case textStyleItalic:
      if (auto italic = font->copyWithTraits(false, true)) return italic;
      return font->slantedCopy();
    default:
      return font;
  }
}

namespace {

// Lines are laid out with the face's line gap between them; a measured height leaves the gap out, or a
// fifth of a line for faces that have none.
double lineHeightWithoutGap(double laidOutHeight, const PlatformFontMetrics& m) {
  const double h = m.leading > 0 ? laidOutHeight : laidOutHeight - 0.2 * (m.ascent + m.descent);
  return std::max(0.0, h);
}

// A heavier face for a family without a bold one: the glyph outlines are stroked at 4 % of the size as
// well as filled.
double syntheticBoldStroke(int boldApplied, const PlatformFont& font) {
  return boldApplied == 0 ? 0.04 * font.size() : 0.0;
}

}  // namespace

void ZRDrawContext::drawText(float x, float y, const ZRString& text, const ZRString& fontName, float size,
                             textStyle style, textAlign align, int boxWidth, int boxHeight) {
  if (!isValid()) return;
  const double X = px(x), Y = px(y);
  double W = lrintf(static_cast<float>(boxWidth) * scale_),
         H = lrintf(static_cast<float>(boxHeight) * scale_);
  bool box = align != textAlignInvalid && W >= 1 && H >= 1;
  if (!box) W = H = 0;

  int boldApplied = 1;
  std::optional<PlatformFont> font =
      getOrCreateFont(fontName, static_cast<float>(px(size)), style, &boldApplied);
  if (!font) return;
  const std::string utf8 = text.utf8();
  PlatformTextLayout line(utf8, *font);
  const double A = font->metrics().ascent;

  double penX = X, penY = Y + A;
  if (box && align != textAlignTopLeft) {
    float tw = 0, th = 0;
    if (utf8.empty() || utf8.find('\n') != std::string::npos || isTrailingSpace(utf8.back())) {
      measureText(text, fontName, static_cast<float>(px(size)), style, tw, th);
    } else {
      // One line without trailing space measures as the line being drawn.
      tw = static_cast<float>(line.width());
      th = static_cast<float>(lineHeightWithoutGap(line.height(), font->metrics()));
    }
    switch (align) {
      case textAlignCenter:
        penX = X + (W - tw) / 2;
        penY = Y + A + (H - th) / 2;
        break;
      case textAlignTop:
        penX = X + (W - tw) / 2;
        break;
      case textAlignTopRight:
        penX = X + W - tw;
        break;
      case textAlignRight:
        penX = X + W - tw;
        penY = Y + A + (H - th) / 2;
        break;
      case textAlignBottomRight:
        penX = X + W - tw;
        penY = Y + A + H - th;
        break;
      case textAlignBottom:
        penX = X + (W - tw) / 2;
        penY = Y + A + H - th;
        break;
      case textAlignBottomLeft:
        penY = Y + A + H - th;
        break;
      case textAlignLeft:
        penY = Y + A + (H - th) / 2;
        break;
      default:
        break;
    }
  }
  if (box) {
    canvas_.saveState();
    canvas_.clipToRect(X, Y, W, H);
  }
  line.draw(canvas_, penX, penY, fontColor_, syntheticBoldStroke(boldApplied, *font));
  if (box) canvas_.restoreState();
}

void ZRDrawContext::drawTextInRect(float x, float y, float w, float h, const ZRString& text,
                                   const ZRString& fontName, float size, textStyle style) {
  if (!isValid()) return;
  int boldApplied = 1;
  std::optional<PlatformFont> font =
      getOrCreateFont(fontName, static_cast<float>(px(size)), style, &boldApplied);
  if (!font) return;
  const PlatformFontMetrics m = font->metrics();
  PlatformTextLayout paragraph(text.utf8(), *font, std::max(0.0, px(w)), std::max(0.0, m.leading));
  paragraph.draw(canvas_, px(x), px(y) + paragraph.baseline(), fontColor_,
                 syntheticBoldStroke(boldApplied, *font), std::max(0.0, px(h)));
}

void ZRDrawContext::measureText(const ZRString& text, const ZRString& fontName, float size, textStyle style,
                                float& width, float& height) {
  width = 0;
  height = 0;
  if (text.empty()) return;
  std::optional<PlatformFont> font = getOrCreateFont(fontName, size, style, nullptr);
  if (!font) return;
  const PlatformFontMetrics m = font->metrics();
  const double gap = std::max(0.0, m.leading);
  const std::string utf8 = text.utf8();
  PlatformTextLayout whole(utf8, *font, 10000, gap);
  const std::string trimmed = withoutTrailingSpace(utf8);
  width = static_cast<float>(trimmed == utf8 ? whole.width()
                                             : PlatformTextLayout(trimmed, *font, 10000, gap).width());
  height = static_cast<float>(lineHeightWithoutGap(whole.height(), m));
}

void ZRDrawContext::measureTextStatic(const ZRString& text, const ZRString& font, float size, textStyle style,
                                      float& width, float& height, float) {
  measureText(text, font, size, style, width, height);
}

uint8_t* ZRDrawContext::getDataAlwaysInRGBA(bool raw) {
  if (canvas_.pixels() == nullptr) return nullptr;
  canvas_.flush();
  if (!raw) return canvas_.pixels();
  if (conversion_.size() != canvas_.byteSize()) {
    try {
      conversion_.resize(canvas_.byteSize());
    } catch (const std::bad_alloc&) {
      conversion_.clear();
      ZRLOG("error: no memory for the RGBA copy of a %dx%d drawing", pixelWidth_, pixelHeight_);
      return nullptr;
    }
  }
  convertColorBufferFromARGBtoRGBA(canvas_.pixels(), conversion_.data(), canvas_.byteSize());
  return conversion_.data();
}

void ZRDrawContext::copySubImageToBufferInRGBA(int x, int y, int w, int h, uint8_t* destination, bool) {
  if (destination == nullptr || w <= 0 || h <= 0) return;
  std::memset(destination, 0, static_cast<size_t>(w) * h * 4);
  if (canvas_.pixels() == nullptr) return;
  canvas_.flush();
  // The bitmap is B, G, R, A: the swap gives R, G, B, A.
  rgbaBlit(canvas_.pixels(), x, y, pixelWidth_, pixelHeight_, destination, 0, 0, w, h, w, h, true);
}

void ZRDrawContext::copySubImageFromBufferInRGBA(const void* source, int sx, int sy, int w, int h,
                                                 int sourceWidth, int sourceHeight, int dx, int dy,
                                                 bool swapRB) {
  if (source == nullptr || canvas_.pixels() == nullptr) return;
  canvas_.flush();
  // The bitmap is B, G, R, A, so an R, G, B, A source is the one that needs its bytes exchanged.
  rgbaBlitWithAlpha(static_cast<const uint8_t*>(source), sx, sy, sourceWidth, sourceHeight, canvas_.pixels(),
                    dx, dy, pixelWidth_, pixelHeight_, w, h, !swapRB);
  canvas_.markDirty();
}

void ZRDrawContext::deleteStaticResources() {
  releaseThreadTextResources();
}

void initZRGraphicsSystem() {}

void deinitZRGraphicsSystem() {
  ZRDrawContext::deleteStaticResources();
}
