// What the karaoke singers list puts on the video output: the lines from the side list's rows, their
// places, the names cut between characters, and the background.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "database/list_test_support.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "gl_test_context.h"
#include "support/display_required.h"
#include "support/test_support.h"
#include "video_mixing/zr_karaoke_singers_list.h"
#include "video_mixing/zr_overlay_graphics_layers.h"
#include "video_mixing/zr_overlay_graphics_simple.h"
#include "video_mixing/zr_video_output.h"

namespace {

using orvel_test::makeTrack;
using orvel_test::ScopedList;

TEST(KaraokeSingersListText, NamesAndTagsAreCutBetweenCharacters) {
  const std::string euro = "\xE2\x82\xAC";
  std::string nineEuros, aAndNineEuros = "a";
  for (int i = 0; i < 9; ++i) nineEuros += euro;
  aAndNineEuros += nineEuros;
  struct Case {
    std::string in;
    size_t limit;
    std::string out;
  };
  const std::vector<Case> cases = {
      {std::string(30, 's'), 24, std::string(24, 's') + "..."},
      {std::string(24, 's'), 24, std::string(24, 's')},
      {std::string(25, 's'), 24, std::string(24, 's') + "..."},
      {std::string(15, 'a'), 15, std::string(15, 'a')},
      {std::string(16, 'a'), 15, std::string(15, 'a') + "..."},
      {nineEuros, 24, nineEuros.substr(0, 24) + "..."},          // 24 is a boundary
      {aAndNineEuros, 24, aAndNineEuros.substr(0, 22) + "..."},  // 24 would split the eighth euro
      {"\xC3\xA9" + std::string(14, 'x'), 15, "\xC3\xA9" + std::string(13, 'x') + "..."},
      {"", 15, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(cutForSingersList(c.in, c.limit), c.out) << c.in;
}

class KaraokeSingersList : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(orvel_test::writeFile(dir.file("black.png"), "not read here"));
    ASSERT_TRUE(orvel_test::writeFile(dir.file("stage.png"), "not read here"));
    settings.blackPicture = ZRString(dir.file("black.png"));
    settings.singersNum = 3;
  }
  void row(const char* singer, const char* artist, const char* title, bool inLibrary = true) {
    TZRListTrack line;
    line.singerName = ZRString(singer);
    if (inLibrary) {
      TZRDatabaseTrack track = makeTrack(dir.file(std::string(title) + ".mp3"), artist, title);
      line.trackId = db.addOrUpdate(&track);
    } else {
      line.trackId = 9999;
    }
    side->addLine(line, -1, false);
  }
  std::vector<std::string> texts(const std::vector<ZRSingersListItem>& items) {
    std::vector<std::string> out;
    for (const auto& i : items) out.push_back(i.picture ? "[" + i.text + "]" : i.text);
    return out;
  }

  orvel_test::TempDir dir;
  ZRDatabase db;
  ScopedList side{&db, ZRList::kTypeAutomix, "automix", true};
  ZRSingersListSettings settings;
};

TEST_F(KaraokeSingersList, ListsSingersWithRecordsAndNamesInTheirPlaces) {
  row("Anna", "ABBA", "Waterloo");
  row("", "Nobody", "Unsung");               // no singer: not listed
  row("Gone", "Lost", "Track", false);       // no record: not listed
  row("Bob", "Queen", "Bohemian Rhapsody");  // title of 17 bytes: cut
  row("Cleo", "Cher", "Believe");
  row("Dan", "Dido", "Thank You");
  const auto items = planKaraokeSingersList(side.get(), settings);
  EXPECT_EQ(texts(items),
            (std::vector<std::string>{"[" + dir.file("black.png") + "]", "Next singer ...",
                                      "1. Anna: ABBA - Waterloo", "2. Bob: Queen - Bohemian Rhapso...",
                                      "3. Cleo: Cher - Believe"}));
  ASSERT_EQ(items.size(), 5u);
  EXPECT_FLOAT_EQ(items[0].posx, 0.5f);
  EXPECT_FLOAT_EQ(items[0].width, 1.0f);
  const ZRSingersListItem& header = items[1];
  EXPECT_FLOAT_EQ(header.posy, 0.81f);
  EXPECT_FLOAT_EQ(header.height, 0.09f);
  EXPECT_EQ(header.fontSize, 72);
  EXPECT_FLOAT_EQ(header.blue, 1.0f);
  EXPECT_FLOAT_EQ(header.red, 0.6f);
  for (int k = 0; k < 3; ++k) {
    EXPECT_FLOAT_EQ(items[2 + k].posy, 0.6f - k * 0.2f);
    EXPECT_FLOAT_EQ(items[2 + k].width, 0.06f);
    EXPECT_EQ(items[2 + k].fontSize, 48);
    EXPECT_EQ(items[2 + k].font, "Arial");
  }
}

TEST_F(KaraokeSingersList, TheNumberOfSingersSetsLinesAndSpacing) {
  for (const char* s : {"A", "B", "C", "D", "E", "F"}) row(s, "X", "Y");
  struct Case {
    int singers;
    size_t lines;
    float step;
  };
  for (const Case& c :
       {Case{1, 1, 0.2f}, Case{3, 3, 0.2f}, Case{5, 5, 0.12f}, Case{0, 0, 0}, Case{-2, 0, 0}}) {
    settings.singersNum = c.singers;
    const auto items = planKaraokeSingersList(side.get(), settings);
    if (c.lines == 0) {
      EXPECT_TRUE(items.empty()) << c.singers;
      continue;
    }
    ASSERT_EQ(items.size(), c.lines + 2) << c.singers;
    EXPECT_FLOAT_EQ(items[2].posy, 0.6f) << c.singers;
    if (c.lines > 1) {
      EXPECT_NEAR(items[2].posy - items[3].posy, c.step, 1e-6) << c.singers;
    }
  }
}

TEST_F(KaraokeSingersList, OnlyTheFirstTenRowsAreLookedAt) {
  for (int i = 0; i < 10; ++i) row("", "X", "Y");
  row("Eleventh", "X", "Y");
  EXPECT_TRUE(planKaraokeSingersList(side.get(), settings).empty());
  EXPECT_TRUE(planKaraokeSingersList(nullptr, settings).empty());
}

TEST_F(KaraokeSingersList, TheChosenBackgroundShowsEvenWithoutSingers) {
  settings.backgroundEnabled = true;
  settings.backgroundFile = ZRString(dir.file("stage.png"));
  EXPECT_EQ(texts(planKaraokeSingersList(side.get(), settings)),
            (std::vector<std::string>{"[" + dir.file("stage.png") + "]"}));
  row("Anna", "ABBA", "Waterloo");
  EXPECT_EQ(texts(planKaraokeSingersList(side.get(), settings)),
            (std::vector<std::string>{"[" + dir.file("stage.png") + "]", "Next singer ...",
                                      "1. Anna: ABBA - Waterloo"}));
  // A background that cannot be found is skipped; the black picture does not stand in for it.
  settings.backgroundFile = ZRString(dir.file("missing.png"));
  EXPECT_EQ(texts(planKaraokeSingersList(side.get(), settings)),
            (std::vector<std::string>{"Next singer ...", "1. Anna: ABBA - Waterloo"}));
}

// ---- drawn on the video output ---------------------------------------------------------------------

class KaraokeSingersOnOutput : public KaraokeSingersList {
 protected:
  static constexpr int kW = 640, kH = 360;
  void SetUp() override {
    KaraokeSingersList::SetUp();
    if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
    settings.blackPicture = ZRString(orvel_test::sourceFile("resources/images/black160x90.png"));
    frame();  // makes the layer stack
    ZROverlayGraphicsLayers* stack = getOverlayGraphicsLayers();
    ASSERT_NE(stack, nullptr);
    layer = new ZROverlayGraphicsSimple(stack->getItemRenderCallback(), nullptr);
    stack->addLayer(layer, nullptr);
  }
  void TearDown() override { DeinitVideoSourceRenderers(1); }
  // One output frame, R, G, B, A rows top first.
  std::vector<uint8_t> frame() {
    orvel_test::RenderTarget target(kW, kH);
    target.begin();
    RenderVideoOutputFrame(1.0 / 60, kW, kH, 1);
    target.end();
    return target.read();
  }
  struct Band {
    int white = 0, blue = 0;
  };
  // Pixels of the rows around fraction y of the output (from the bottom): white text and the header's
  // light blue.
  static Band band(const std::vector<uint8_t>& rgba, float y) {
    Band b;
    const int centre = static_cast<int>((1.0f - y) * kH);
    for (int row = std::max(0, centre - 12); row < std::min(kH, centre + 12); ++row) {
      for (int x = 0; x < kW; ++x) {
        const uint8_t* p = rgba.data() + (static_cast<size_t>(row) * kW + x) * 4;
        if (p[0] > 200 && p[1] > 200 && p[2] > 200) ++b.white;
        if (p[2] > 200 && p[0] > 100 && p[0] < 190 && p[1] < 190) ++b.blue;
      }
    }
    return b;
  }

  ZROverlayGraphicsSimple* layer = nullptr;
};

TEST_F(KaraokeSingersOnOutput, TheNextSingersAreDrawnOverABlackFrame) {
  row("Anna", "ABBA", "Waterloo");
  row("Bob", "Queen", "Bohemian Rhapsody");
  fillKaraokeSingersLayer(layer, planKaraokeSingersList(side.get(), settings));
  std::vector<uint8_t> out = frame();
  // The header in light blue near the top, one white line per singer at 0.6 and 0.4, nothing at 0.2.
  EXPECT_GT(band(out, 0.81f).blue, 50);
  EXPECT_EQ(band(out, 0.81f).white, 0);
  EXPECT_GT(band(out, 0.6f).white, 50);
  EXPECT_GT(band(out, 0.4f).white, 50);
  EXPECT_EQ(band(out, 0.2f).white, 0);

  // A third singer joins: a third line; then the list empties: the frame shows through again.
  row("Cleo", "Cher", "Believe");
  fillKaraokeSingersLayer(layer, planKaraokeSingersList(side.get(), settings));
  out = frame();
  EXPECT_GT(band(out, 0.2f).white, 50);
  side->clear();
  fillKaraokeSingersLayer(layer, planKaraokeSingersList(side.get(), settings));
  out = frame();
  EXPECT_EQ(band(out, 0.81f).blue, 0);
  EXPECT_EQ(band(out, 0.6f).white, 0);
}

}  // namespace
