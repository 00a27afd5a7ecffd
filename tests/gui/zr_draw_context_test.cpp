#include "gui/zr_draw_context.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "draw_test_helpers.h"
#include "support/log_capture.h"

namespace {

using orvel_test::Bgra;
using orvel_test::inkOf;
using orvel_test::pixelAt;

bool fontInstalled(const char* family) {
  return PlatformFont::createWithName(family, 10).has_value();
}

TEST(DrawContext, BitmapSizeFollowsTheScale) {
  ZRDrawContext dc(100, 20, 2.0f);
  ASSERT_TRUE(dc.isValid());
  EXPECT_EQ(dc.getPixelWidth(), 200);
  EXPECT_EQ(dc.getPixelHeight(), 40);
  EXPECT_EQ(dc.getBitmapSize(), 32000u);
  // Starts transparent.
  EXPECT_EQ(inkOf(dc, 1).count, 0);
}

TEST(DrawContext, ABitmapThatCannotBeMadeIsLoggedAndDrawsNothing) {
  orvel_test::LogCapture log;
  ZRDrawContext dc(-5, 10, 1.0f);
  EXPECT_FALSE(dc.isValid());
  EXPECT_TRUE(log.contains(" * * * ERROR creating: ZRDrawContext w=-5, h=10, scale=1.0"));
  dc.setFillColor(1, 0, 0, 1);
  dc.drawFilledCircle(5, 5, 4);
  dc.drawText(0, 0, "text", "Arial", 12, textStyleBold, textAlignCenter, 10, 10);
  EXPECT_EQ(dc.getDataAlwaysInRGBA(false), nullptr);
  EXPECT_EQ(dc.getDataAlwaysInRGBA(true), nullptr);
}

TEST(DrawContext, OnePixelLinesFallOnPixelCentres) {
  ZRDrawContext dc(20, 4, 1.0f);
  dc.setPenWidth(1);
  dc.setPenColor(1, 1, 1, 1);
  dc.drawLine(0, 0, 10, 0);
  dc.stroke();
  // Row 0 from x 0.5 to 10.5: half-covered end pixels, full ones between, nothing on row 1.
  EXPECT_NEAR(pixelAt(dc, 0, 0).a, 128, 2);
  for (int x = 1; x <= 9; ++x) EXPECT_EQ(pixelAt(dc, x, 0).a, 255) << x;
  EXPECT_NEAR(pixelAt(dc, 10, 0).a, 128, 2);
  EXPECT_EQ(pixelAt(dc, 11, 0).a, 0);
  EXPECT_EQ(inkOf(dc, 1, 0, 1).count, 0);
}

TEST(DrawContext, UploadBytesComeBlueFirstAndRawBytesRedFirst) {
  ZRDrawContext dc(4, 4, 1.0f);
  dc.setFillColor(10 / 255.0f, 20 / 255.0f, 30 / 255.0f, 1);
  dc.drawFilledRect(-1, -1, 5, 5, 0);
  dc.fill();
  const uint8_t* upload = dc.getDataAlwaysInRGBA(false);
  EXPECT_EQ(std::vector<int>(upload, upload + 4), (std::vector<int>{30, 20, 10, 255}));
  const uint8_t* raw = dc.getDataAlwaysInRGBA(true);
  EXPECT_EQ(std::vector<int>(raw, raw + 4), (std::vector<int>{10, 20, 30, 255}));
  std::vector<uint8_t> block(2 * 2 * 4, 7);
  dc.copySubImageToBufferInRGBA(3, 3, 2, 2, block.data(), false);
  // One pixel of the block lies inside the bitmap; the rest are outside and come out empty.
  EXPECT_EQ(std::vector<int>(block.begin(), block.begin() + 4), (std::vector<int>{10, 20, 30, 255}));
  EXPECT_EQ(std::vector<int>(block.begin() + 4, block.end()), std::vector<int>(12, 0));
}

TEST(DrawContext, ClearToBlackAndClear) {
  ZRDrawContext dc(3, 2, 2.0f);
  dc.setFillColor(0.5f, 0.5f, 0.5f, 1);
  dc.clearToBlack();
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 6; ++x) {
      Bgra p = pixelAt(dc, x, y);
      EXPECT_EQ(p.r + p.g + p.b, 0);
      EXPECT_EQ(p.a, 255);
    }
  }
  dc.clear();
  EXPECT_EQ(inkOf(dc, 1).count, 0);
}

TEST(DrawContext, RoundedRectanglesCirclesAndPies) {
  ZRDrawContext dc(100, 60, 1.0f);
  dc.setFillColor(1, 0, 0, 1);
  dc.setPenColor(0, 0, 1, 1);
  dc.setPenWidth(2);
  dc.drawFilledRoundRectWithSize(10, 10, 80, 40, 10, 1);
  // Inside: red; the stroked edge: blue; the cut corners stay empty.
  Bgra inside = pixelAt(dc, 50, 30);
  EXPECT_EQ(inside.r, 255);
  EXPECT_EQ(inside.b, 0);
  Bgra edge = pixelAt(dc, 50, 10);
  EXPECT_EQ(edge.b, 255);
  EXPECT_EQ(edge.r, 0);
  EXPECT_EQ(pixelAt(dc, 10, 10).a, 0);
  EXPECT_EQ(pixelAt(dc, 89, 49).a, 0);
  EXPECT_EQ(pixelAt(dc, 12, 30).a, 255);  // the straight left side is not rounded
  // Just inside the corner arc (centre (20, 20), radius 10) it is filled; just outside it is not.
  EXPECT_EQ(pixelAt(dc, 15, 15).a, 255);
  EXPECT_LT(pixelAt(dc, 11, 11).a, 20);

  dc.clear();
  dc.drawFilledCircle(50, 30, 10);
  EXPECT_EQ(pixelAt(dc, 50, 30).a, 255);
  EXPECT_EQ(pixelAt(dc, 50, 21).a, 255);
  EXPECT_EQ(pixelAt(dc, 50, 18).a, 0);
  EXPECT_EQ(pixelAt(dc, 58, 38).a, 0);

  // A quarter pie from 0 degrees sweeping 90: clockwise on screen, so the lower right quarter.
  dc.clear();
  dc.setFillColor(0, 1, 0, 1);
  dc.drawFilledPieWithSize(30, 10, 40, 40, 0, 90);
  dc.fill();
  EXPECT_EQ(pixelAt(dc, 58, 38).g, 255);
  EXPECT_EQ(pixelAt(dc, 42, 38).a, 0);
  EXPECT_EQ(pixelAt(dc, 58, 22).a, 0);
}

TEST(DrawContextFonts, NamesResolveToInstalledFaces) {
  int boldApplied = -1;
  for (const char* name : {"arial", "ARIAL", "Arial", "Helvetica", "no such font at all"}) {
    SCOPED_TRACE(name);
    auto font = ZRDrawContext::getOrCreateFont(name, 12, textStyleUnderline, &boldApplied);
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->family(), "Liberation Sans");
    EXPECT_FALSE(font->bold());
    EXPECT_FALSE(font->italic());
    EXPECT_EQ(boldApplied, 1);
  }
  auto bold = ZRDrawContext::getOrCreateFont("Arial", 12, textStyleBold, &boldApplied);
  EXPECT_TRUE(bold->bold());
  EXPECT_EQ(boldApplied, 1);
  auto both = ZRDrawContext::getOrCreateFont("Arial", 12, textStyleItalicBold, &boldApplied);
  EXPECT_TRUE(both->bold() && both->italic());
  auto italic = ZRDrawContext::getOrCreateFont("Arial", 12, textStyleItalic, nullptr);
  EXPECT_TRUE(italic->italic());
  EXPECT_FALSE(italic->slanted());
}

TEST(DrawContextFonts, AFamilyWithoutBoldOrItalicFacesIsEmboldenedAndSlanted) {
  const char* family = "DejaVu Math TeX Gyre";
  if (!fontInstalled(family)) GTEST_SKIP() << family << " is not installed";
  int boldApplied = -1;
  auto bold = ZRDrawContext::getOrCreateFont(family, 20, textStyleBold, &boldApplied);
  EXPECT_EQ(boldApplied, 0);
  EXPECT_FALSE(bold->bold());
  auto both = ZRDrawContext::getOrCreateFont(family, 20, textStyleItalicBold, &boldApplied);
  EXPECT_EQ(boldApplied, 0);
  EXPECT_TRUE(both->slanted());
  auto italic = ZRDrawContext::getOrCreateFont(family, 20, textStyleItalic, &boldApplied);
  EXPECT_TRUE(italic->slanted());

  // The stroke in the font colour makes the glyphs heavier than the plain face.
  ZRDrawContext plain(60, 40, 1.0f), heavy(60, 40, 1.0f);
  plain.drawText(5, 5, "H", family, 20, textStyleUnderline, textAlignInvalid, 0, 0);
  heavy.drawText(5, 5, "H", family, 20, textStyleBold, textAlignInvalid, 0, 0);
  EXPECT_GT(inkOf(heavy).count, inkOf(plain).count * 11 / 10);
}

TEST(DrawContextText, MeasuringFollowsTheFaceAndIgnoresTrailingSpace) {
  const PlatformFontMetrics m = PlatformFont::createWithName("Arial", 20)->metrics();
  float w = -1, h = -1;
  ZRDrawContext::measureText("Hello", "Arial", 20, textStyleUnderline, w, h);
  // Liberation Sans advances: H 1479, e 1139, l 455, l 455, o 1139 units of 2048.
  EXPECT_NEAR(w, 4667.0 / 2048 * 20, 0.05);
  EXPECT_NEAR(h, m.ascent + m.descent, 0.05);
  float w2 = 0, h2 = 0;
  ZRDrawContext::measureText("Hello  ", "arial", 20, textStyleUnderline, w2, h2);
  EXPECT_FLOAT_EQ(w2, w);
  ZRDrawContext::measureText("Hello", "Arial", 40, textStyleUnderline, w2, h2);
  EXPECT_NEAR(w2, 2 * w, 0.01);
  ZRDrawContext::measureText("", "Arial", 20, textStyleBold, w2, h2);
  EXPECT_EQ(w2, 0);
  EXPECT_EQ(h2, 0);
  ZRDrawContext::measureText("Hello", "Arial", 20, textStyleBold, w2, h2);
  EXPECT_GT(w2, w);
}

TEST(DrawContextText, MeasuringFromTwoThreadsAtOnceGivesTheSameSizes) {
  float w0 = 0, h0 = 0;
  ZRDrawContext::measureTextStatic("Track title 123", "Arial", 13, textStyleUnderline, w0, h0, 1.0f);
  ASSERT_GT(w0, 0);
  std::atomic<int> mismatches{0};
  auto worker = [&](float scale) {
    for (int i = 0; i < 300; ++i) {
      float w = 0, h = 0;
      ZRDrawContext::measureTextStatic("Track title 123", "Arial", 13, textStyleUnderline, w, h, scale);
      if (w != w0 || h != h0) ++mismatches;
    }
    ZRDrawContext::deleteStaticResources();
  };
  // The scale changes between calls, as on a window moved between screens.
  std::thread a(worker, 1.0f), b(worker, 2.0f);
  a.join();
  b.join();
  EXPECT_EQ(mismatches.load(), 0);
}

// Where the ink of an "H" drawn with a box and an alignment lands. The pen goes to x + fx (W - tw) and the
// baseline to y + A + fy (H - th), with the box W x H, the text tw x th and the ascent A in pixels; the
// glyph keeps its offsets from the pen (its left bearing, its bottom on the baseline).
struct Placement {
  const char* name;
  textAlign align;
  int boxW, boxH;
  float scale;
  double fx, fy;
};

// Test names and messages show the row's name, not its bytes.
void PrintTo(const Placement& row, std::ostream* out) {
  *out << row.name;
}

class DrawTextPlacement : public ::testing::TestWithParam<Placement> {};

TEST_P(DrawTextPlacement, InkSitsWhereTheAlignmentPutsThePen) {
  const Placement& p = GetParam();
  const float x = 10, y = 6, size = 20;
  ZRDrawContext reference(200, 100, p.scale), dc(200, 100, p.scale);
  reference.drawText(x, y, "H", "Arial", size, textStyleUnderline, textAlignInvalid, 0, 0);
  dc.drawText(x, y, "H", "Arial", size, textStyleUnderline, p.align, p.boxW, p.boxH);
  const orvel_test::Ink ref = inkOf(reference), ink = inkOf(dc);
  ASSERT_GT(ref.count, 0);
  ASSERT_GT(ink.count, 0);
  const double s = p.scale, A = PlatformFont::createWithName("Arial", size * s)->metrics().ascent;
  float tw = 0, th = 0;
  ZRDrawContext::measureText("H", "Arial", size * p.scale, textStyleUnderline, tw, th);
  const double W = std::lrint(p.boxW * s), H = std::lrint(p.boxH * s);
  EXPECT_NEAR(ink.left - ref.left, p.fx * (W - tw), 1.01);
  EXPECT_NEAR(ink.bottom - ref.bottom, p.fy * (H - th), 1.01);
  EXPECT_NEAR(ref.bottom + 1, y * s + A, 1.01);  // without a box: the baseline one ascent below y
}

INSTANTIATE_TEST_SUITE_P(
    Alignments, DrawTextPlacement,
    ::testing::Values(Placement{"no_box", textAlignInvalid, 100, 60, 1, 0, 0},
                      Placement{"center", textAlignCenter, 100, 60, 1, 0.5, 0.5},
                      Placement{"center_scale2", textAlignCenter, 80, 40, 2, 0.5, 0.5},
                      Placement{"top", textAlignTop, 100, 60, 1, 0.5, 0},
                      Placement{"topright", textAlignTopRight, 100, 60, 1, 1, 0},
                      Placement{"right", textAlignRight, 100, 60, 1, 1, 0.5},
                      Placement{"bottomright", textAlignBottomRight, 100, 60, 1, 1, 1},
                      Placement{"bottom", textAlignBottom, 100, 60, 1, 0.5, 1},
                      Placement{"bottomleft", textAlignBottomLeft, 100, 60, 1, 0, 1},
                      Placement{"left", textAlignLeft, 100, 60, 1, 0, 0.5},
                      Placement{"topleft", textAlignTopLeft, 100, 60, 1, 0, 0},
                      Placement{"center_zero_height_box", textAlignCenter, 100, 0, 1, 0, 0}),
    [](const ::testing::TestParamInfo<Placement>& info) { return std::string(info.param.name); });

TEST(DrawContextText, ABoxClipsItsText) {
  ZRDrawContext dc(200, 60, 1.0f);
  dc.drawText(10, 10, "WWWWWWWWWWWWWWWW", "Arial", 20, textStyleBold, textAlignLeft, 50, 30);
  const orvel_test::Ink ink = inkOf(dc, 1);
  ASSERT_GT(ink.count, 0);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 59);
  EXPECT_GE(ink.top, 10);
  EXPECT_LE(ink.bottom, 39);
}

TEST(DrawContextText, TextTakesTheFontColour) {
  ZRDrawContext dc(60, 40, 1.0f);
  dc.setFontColor(0, 1, 0, 1);
  dc.drawText(2, 2, "H", "Arial", 30, textStyleBold, textAlignInvalid, 0, 0);
  int solid = 0;
  for (int y = 0; y < dc.getPixelHeight(); ++y) {
    for (int x = 0; x < dc.getPixelWidth(); ++x) {
      const Bgra p = pixelAt(dc, x, y);
      if (p.a != 255) continue;
      ++solid;
      EXPECT_EQ(p.g, 255);
      EXPECT_EQ(p.r + p.b, 0);
    }
  }
  EXPECT_GT(solid, 20);
}

TEST(DrawContextText, TheTrackTableSymbolsAllHaveGlyphs) {
  for (const char* symbol : {"▽", "✓", "△", "☁", "⬆", "⬇", "✖", "▸", "▾"}) {
    SCOPED_TRACE(symbol);
    PlatformTextLayout layout(symbol, *PlatformFont::createWithName("Arial", 16));
    EXPECT_EQ(layout.unknownGlyphs(), 0);
    ZRDrawContext dc(30, 30, 1.0f);
    dc.drawText(2, 2, symbol, "Arial", 16, textStyleUnderline, textAlignInvalid, 0, 0);
    EXPECT_GT(inkOf(dc, 128).count, 5);
  }
}

TEST(DrawContextText, WrappedTextStartsAtTheTopOfItsRectangleAndKeepsWholeLines) {
  const char* text = "one two three four five six seven eight";
  const PlatformFontMetrics m = PlatformFont::createWithName("Arial", 12)->metrics();
  const double line = m.ascent + m.descent + m.leading;
  ZRDrawContext dc(200, 200, 1.0f);
  dc.drawTextInRect(10, 20, 60, 150, text, "Arial", 12, textStyleUnderline);
  orvel_test::Ink ink = inkOf(dc, 1);
  ASSERT_GT(ink.count, 0);
  EXPECT_GE(ink.top, 20);
  EXPECT_LE(ink.top, 20 + m.ascent);
  EXPECT_GE(ink.left, 10);
  EXPECT_LE(ink.right, 70);
  EXPECT_GT(ink.bottom - ink.top, 3 * line);  // several lines

  // A rectangle one and a half lines high shows the first line only.
  dc.clear();
  dc.drawTextInRect(10, 20, 60, static_cast<float>(1.5 * line), text, "Arial", 12, textStyleUnderline);
  ink = inkOf(dc, 1);
  ASSERT_GT(ink.count, 0);
  EXPECT_LT(ink.bottom, 20 + line + 1);
}

TEST(DrawContext, BlendingABlockFromAnRgbaPicture) {
  ZRDrawContext dc(4, 4, 1.0f);
  dc.clearToBlack();
  // A 2 x 2 source: opaque red, half-transparent green, fully transparent blue, opaque white.
  const uint8_t source[16] = {255, 0, 0, 255, 0, 255, 0, 128, 0, 0, 255, 0, 255, 255, 255, 255};
  dc.copySubImageFromBufferInRGBA(source, 0, 0, 2, 2, 2, 2, 1, 1, false);
  EXPECT_EQ(pixelAt(dc, 1, 1).r, 255);
  EXPECT_EQ(pixelAt(dc, 1, 1).b, 0);
  EXPECT_NEAR(pixelAt(dc, 2, 1).g, 128, 1);
  const Bgra untouched = pixelAt(dc, 1, 2);
  EXPECT_EQ(untouched.r + untouched.g + untouched.b, 0);
  EXPECT_EQ(untouched.a, 255);
  EXPECT_EQ(pixelAt(dc, 2, 2).b, 255);
  // The same bytes read as B, G, R, A put red where blue was.
  dc.copySubImageFromBufferInRGBA(source, 0, 0, 1, 1, 2, 2, 0, 0, true);
  EXPECT_EQ(pixelAt(dc, 0, 0).b, 255);
  EXPECT_EQ(pixelAt(dc, 0, 0).r, 0);
  // A block reaching past the edges is cut to the bitmap: only the source's top-right pixel lands.
  dc.copySubImageFromBufferInRGBA(source, 0, 0, 2, 2, 2, 2, -1, 3, false);
  EXPECT_NEAR(pixelAt(dc, 0, 3).g, 128, 1);
}

}  // namespace
