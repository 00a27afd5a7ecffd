#include "platform/graphics/text_layout.h"

#include <cairo.h>
#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>
#include <strings.h>

#include <cctype>
#include <map>
#include <mutex>
#include <tuple>

namespace {

using MetricsKey = std::tuple<std::string, double, bool, bool, bool>;

// The calling thread's Pango context (Pango's default font map is itself one per thread) and the metrics
// of the faces it has measured.
struct ThreadText {
  PangoContext* context = nullptr;
  std::map<MetricsKey, PlatformFontMetrics> metrics;
  ~ThreadText() {
    if (context != nullptr) g_object_unref(context);
  }
};

thread_local std::unique_ptr<ThreadText> threadText;

PangoContext* threadContext() {
  if (!threadText) {
    auto made = std::make_unique<ThreadText>();
    made->context = pango_font_map_create_context(pango_cairo_font_map_get_default());
    // Outlines are hinted lightly for crisp small text, but advances are not rounded, so a text measures
    // the same at every scale and where it is drawn.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    pango_cairo_context_set_font_options(made->context, options);
    pango_context_set_round_glyph_positions(made->context, FALSE);
    cairo_font_options_destroy(options);
    threadText = std::move(made);
  }
  return threadText->context;
}

std::string lowercase(const std::string& s) {
  std::string out = s;
  for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return out;
}

// Names of faces skins ask for, mapped to installed faces with the same metrics.
const char* standIn(const std::string& lowerName) {
  static const std::map<std::string, const char*> table = {
      {"helvetica", "Liberation Sans"},
      {"helvetica neue", "Liberation Sans"},
      {"arial", "Liberation Sans"},
      {"times", "Liberation Serif"},
      {"times new roman", "Liberation Serif"},
      {"courier", "Liberation Mono"},
      {"courier new", "Liberation Mono"},
  };
  auto it = table.find(lowerName);
  return it == table.end() ? nullptr : it->second;
}

struct FaceMatch {
  bool found = false;   // a face of the asked family exists
  std::string family;   // the matched face's first family name
  bool bold = false;    // the matched face is bold by design
  bool italic = false;  // the matched face is italic or oblique by design
};

// What fontconfig offers for a family, weight and slant. Answers do not change while the process runs,
// and layout asks often, so they are kept.
FaceMatch matchFace(const std::string& family, bool bold, bool italic, bool anyFamily) {
  static std::mutex lock;
  static std::map<std::tuple<std::string, bool, bool, bool>, FaceMatch> known;
  const auto key = std::make_tuple(family, bold, italic, anyFamily);
  {
    std::lock_guard<std::mutex> g(lock);
    auto it = known.find(key);
    if (it != known.end()) return it->second;
  }
  FaceMatch result;
  FcPattern* pattern = FcPatternCreate();
  if (pattern != nullptr) {
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult res = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &res);
    if (match != nullptr) {
      FcChar8* name = nullptr;
      for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (i == 0) result.family = reinterpret_cast<const char*>(name);
        if (strcasecmp(reinterpret_cast<const char*>(name), family.c_str()) == 0) {
          result.family = reinterpret_cast<const char*>(name);
          result.found = true;
          break;
        }
      }
      if (anyFamily && !result.family.empty()) result.found = true;
      // fontconfig offers a regular face it would embolden or shear for a missing bold or italic one;
      // only a face designed so counts.
      int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
      FcBool embolden = FcFalse;
      FcMatrix* shear = nullptr;
      FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
      FcPatternGetInteger(match, FC_SLANT, 0, &slant);
      FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
      const bool sheared = FcPatternGetMatrix(match, FC_MATRIX, 0, &shear) == FcResultMatch;
      result.bold = weight >= FC_WEIGHT_DEMIBOLD && embolden != FcTrue;
      result.italic = slant != FC_SLANT_ROMAN && !sheared;
      FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
  }
  std::lock_guard<std::mutex> g(lock);
  known.emplace(key, result);
  return result;
}

PangoFontDescription* describe(const PlatformFont& font) {
  PangoFontDescription* desc = pango_font_description_new();
  pango_font_description_set_family(desc, font.family().c_str());
  pango_font_description_set_absolute_size(desc, font.size() * PANGO_SCALE);
  pango_font_description_set_weight(desc, font.bold() ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  // A slanted copy of a face without an italic is asked for as italic: fontconfig then shears the upright
  // face (a synthetic oblique).
  pango_font_description_set_style(desc,
                                   font.italic() || font.slanted() ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  return desc;
}

}  // namespace

std::optional<PlatformFont> PlatformFont::createWithName(const std::string& name, double size) {
  if (!(size > 0) || name.empty()) return std::nullopt;
  if (const char* alias = standIn(lowercase(name))) {
    FaceMatch m = matchFace(alias, false, false, false);
    if (m.found) return PlatformFont(m.family, size);
  }
  FaceMatch m = matchFace(name, false, false, false);
  if (!m.found) return std::nullopt;
  return PlatformFont(m.family, size);
}

std::optional<PlatformFont> PlatformFont::createDefault(double size) {
  if (!(size > 0)) return std::nullopt;
  if (auto font = createWithName("Helvetica", size)) return font;
  FaceMatch m = matchFace("sans-serif", false, false, true);
  if (!m.found) return std::nullopt;
  return PlatformFont(m.family, size);
}

std::optional<PlatformFont> PlatformFont::copyWithTraits(bool bold, bool italic) const {
  FaceMatch m = matchFace(family_, bold, italic, false);
  if (!m.found || (bold && !m.bold) || (italic && !m.italic)) return std::nullopt;
  PlatformFont copy = *this;
  copy.bold_ = bold;
  copy.italic_ = italic;
  copy.slanted_ = false;
  return copy;
}

PlatformFont PlatformFont::slantedCopy() const {
  PlatformFont copy = *this;
  copy.slanted_ = true;
  return copy;
}

PlatformFontMetrics PlatformFont::metrics() const {
  PangoContext* context = threadContext();
  std::map<MetricsKey, PlatformFontMetrics>& known = threadText->metrics;
  const MetricsKey key{family_, size_, bold_, italic_, slanted_};
  auto it = known.find(key);
  if (it != known.end()) return it->second;
  PlatformFontMetrics out;
  PangoFontDescription* desc = describe(*this);
  PangoFont* font = pango_context_load_font(context, desc);
  pango_font_description_free(desc);
  if (font == nullptr) return out;
  PangoFontMetrics* m = pango_font_get_metrics(font, nullptr);
  if (m != nullptr) {
    out.ascent = static_cast<double>(pango_font_metrics_get_ascent(m)) / PANGO_SCALE;
    out.descent = static_cast<double>(pango_font_metrics_get_descent(m)) / PANGO_SCALE;
    out.leading =
        static_cast<double>(pango_font_metrics_get_height(m)) / PANGO_SCALE - out.ascent - out.descent;
    pango_font_metrics_unref(m);
  }
  g_object_unref(font);
  // Skins use a handful of faces and sizes; a runaway set of sizes starts the table afresh.
  if (known.size() >= 512) known.clear();
  known.emplace(key, out);
  return out;
}

struct PlatformTextLayout::Impl {
  PangoLayout* layout = nullptr;
  bool empty = true;
  ~Impl() {
    if (layout != nullptr) g_object_unref(layout);
  }
};

PlatformTextLayout::PlatformTextLayout(const std::string& utf8, const PlatformFont& font, double wrapWidth,
                                       double lineGap)
    : impl_(std::make_unique<Impl>()) {
  impl_->empty = utf8.empty();
  impl_->layout = pango_layout_new(threadContext());
  PangoFontDescription* desc = describe(font);
  pango_layout_set_font_description(impl_->layout, desc);
  pango_font_description_free(desc);
  if (wrapWidth < 0) {
    pango_layout_set_single_paragraph_mode(impl_->layout, TRUE);
  } else {
    pango_layout_set_width(impl_->layout, static_cast<int>(wrapWidth * PANGO_SCALE));
    pango_layout_set_wrap(impl_->layout, PANGO_WRAP_WORD_CHAR);
  }
  if (lineGap > 0) pango_layout_set_spacing(impl_->layout, static_cast<int>(lineGap * PANGO_SCALE));
  pango_layout_set_text(impl_->layout, utf8.data(), static_cast<int>(utf8.size()));
}

PlatformTextLayout::~PlatformTextLayout() = default;

double PlatformTextLayout::width() const {
  if (impl_->empty) return 0;
  PangoRectangle logical;
  pango_layout_get_extents(impl_->layout, nullptr, &logical);
  return static_cast<double>(logical.width) / PANGO_SCALE;
}

double PlatformTextLayout::height() const {
  if (impl_->empty) return 0;
  PangoRectangle logical;
  pango_layout_get_extents(impl_->layout, nullptr, &logical);
  return static_cast<double>(logical.height) / PANGO_SCALE;
}

double PlatformTextLayout::baseline() const {
  return static_cast<double>(pango_layout_get_baseline(impl_->layout)) / PANGO_SCALE;
}

int PlatformTextLayout::unknownGlyphs() const {
  return pango_layout_get_unknown_glyphs_count(impl_->layout);
}

void PlatformTextLayout::draw(PlatformCanvas& canvas, double x, double baselineY, const PlatformColor& color,
                              double strokeWidth, double maxHeight) const {
  cairo_t* cr = canvas.cairo();
  if (cr == nullptr || impl_->empty) return;
  const double top = baselineY - baseline();
  cairo_save(cr);
  cairo_new_path(cr);
  cairo_set_source_rgba(cr, color.r, color.g, color.b, color.a);
  PangoLayoutIter* iter = pango_layout_get_iter(impl_->layout);
  do {
    int y0 = 0, y1 = 0;
    pango_layout_iter_get_line_yrange(iter, &y0, &y1);
    if (maxHeight >= 0 && static_cast<double>(y1) / PANGO_SCALE > maxHeight + 1e-6) break;
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(iter, nullptr, &logical);
    PangoLayoutLine* line = pango_layout_iter_get_line_readonly(iter);
    cairo_move_to(cr, x + static_cast<double>(logical.x) / PANGO_SCALE,
                  top + static_cast<double>(pango_layout_iter_get_baseline(iter)) / PANGO_SCALE);
    if (strokeWidth > 0) {
      pango_cairo_layout_line_path(cr, line);
    } else {
      pango_cairo_show_layout_line(cr, line);
    }
  } while (pango_layout_iter_next_line(iter));
  pango_layout_iter_free(iter);
  if (strokeWidth > 0) {
    cairo_fill_preserve(cr);
    cairo_set_line_width(cr, strokeWidth);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_stroke(cr);
  }
  cairo_restore(cr);
}

void releaseThreadTextResources() {
  threadText.reset();
}
