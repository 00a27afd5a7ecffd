// The user's overlay list and its file.
#include <gtest/gtest.h>

#include <clocale>
#include <locale>

#include "support/log_capture.h"
#include "support/test_support.h"
#include "video_mixing/zr_simple_overlays.h"

namespace {

using namespace orvel_test;

struct CommaPunct : std::numpunct<char> {
  char do_decimal_point() const override { return ','; }
  char do_thousands_sep() const override { return '.'; }
  std::string do_grouping() const override { return "\3"; }
};

// Numbers written with ',' for the decimal point while it is set, as a user's locale may: the streams'
// global locale always, the C library's when such a locale is installed.
class DecimalCommaLocale {
 public:
  DecimalCommaLocale() : previous_(std::locale::global(std::locale(std::locale::classic(), new CommaPunct))) {
    for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
      if (std::setlocale(LC_NUMERIC, name) != nullptr) break;
    }
  }
  ~DecimalCommaLocale() {
    std::setlocale(LC_NUMERIC, "C");
    std::locale::global(previous_);
  }

 private:
  std::locale previous_;
};

TEST(OverlayFiles, RoundTripKeepsEveryFieldAndFreePlacementUnderAnyLocale) {
  TempDir dir;
  const std::string picture = dir.file("logo.png");
  ASSERT_TRUE(writeFile(picture, "not read here"));
  ZRSimpleOverlays list;
  ASSERT_EQ(list.add(true, -1), 0);
  ZRSimpleOverlays::Overlay* text = list.getItem(0);
  text->nametext = "Ünïcode & \"quotes\" <here>";
  text->font = "DejaVu Sans";
  text->fontstyle = textStyleItalicBold;
  text->align = textAlignInvalid;  // free: its own place
  text->posx = 0.2f;
  text->posy = 0.75f;
  text->fontsize = 1234;  // a number a locale would group
  text->cr = 0.5f;
  text->cg = 0.25f;
  text->cb = 0.125f;
  text->opacity = 0.8f;
  text->width = 0.3f;
  text->height = 0.1f;
  text->rotation = -12.5f;
  ASSERT_EQ(list.add(false, -1), 1);
  list.getItem(1)->type = ZRSimpleOverlays::kTypeImageOrVideo;
  list.getItem(1)->file = picture;
  list.getItem(1)->align = textAlignBottomLeft;

  const std::string path = dir.file("mine.xml");
  DecimalCommaLocale comma;
  ASSERT_TRUE(list.save(ZRString(path)));
  const std::string written = readFile(path);
  EXPECT_EQ(written.rfind("\xEF\xBB\xBF<?xml", 0), 0u);
  EXPECT_NE(written.find("align=\"free\""), std::string::npos);
  EXPECT_NE(written.find("posx=\"0.2000\""), std::string::npos);
  EXPECT_NE(written.find("rotation=\"-12.5000\""), std::string::npos);
  EXPECT_NE(written.find("fontstyle=\"italicbold\""), std::string::npos);
  EXPECT_NE(written.find("fontsize=\"1234\""), std::string::npos);

  ZRSimpleOverlays back;
  ASSERT_TRUE(back.load(ZRString(path), ZRString()));
  ASSERT_EQ(back.getTotalItems(), 2);
  const ZRSimpleOverlays::Overlay* t = back.getItem(0);
  EXPECT_TRUE(t->enabled);
  EXPECT_EQ(t->type, ZRSimpleOverlays::kTypeText);
  EXPECT_EQ(t->nametext, text->nametext);
  EXPECT_EQ(t->font, text->font);
  EXPECT_EQ(t->fontstyle, textStyleItalicBold);
  EXPECT_EQ(t->align, textAlignInvalid);
  EXPECT_FLOAT_EQ(t->posx, 0.2f);
  EXPECT_FLOAT_EQ(t->posy, 0.75f);
  EXPECT_EQ(t->fontsize, 1234);
  EXPECT_FLOAT_EQ(t->cb, 0.125f);
  EXPECT_FLOAT_EQ(t->opacity, 0.8f);
  EXPECT_FLOAT_EQ(t->rotation, -12.5f);
  const ZRSimpleOverlays::Overlay* p = back.getItem(1);
  EXPECT_FALSE(p->enabled);
  EXPECT_EQ(p->type, ZRSimpleOverlays::kTypeImageOrVideo);
  EXPECT_EQ(p->file.utf8(), picture);
  EXPECT_EQ(p->align, textAlignBottomLeft);
}

TEST(OverlayFiles, LenientReadingOfHandWrittenFiles) {
  TempDir dir;
  const std::string path = dir.file("hand.xml");
  ASSERT_TRUE(
      writeFile(path,
                "<overlays><overlay enabled=\"yes\" type=\"text\" nametext=\"A\" fontstyle=\"normal\" "
                "align=\"TOPLEFT\" file=\"missing.png\"/>\n<overlay type=\"movie\" enabled=\"no\"/>"
                "<other/></overlays>"));
  ZRSimpleOverlays list;
  ASSERT_TRUE(list.load(ZRString(path), ZRString()));
  ASSERT_EQ(list.getTotalItems(), 2);
  EXPECT_TRUE(list.getItem(0)->enabled);
  EXPECT_EQ(list.getItem(0)->fontstyle, textStyleInvalid);
  EXPECT_EQ(list.getItem(0)->align, textAlignTopLeft);
  EXPECT_TRUE(list.getItem(0)->file.empty()) << "a media file that is nowhere is left empty";
  EXPECT_EQ(list.getItem(1)->type, ZRSimpleOverlays::kTypeInvalid);
  EXPECT_EQ(list.getItem(1)->fontsize, -1);
  EXPECT_EQ(list.getItem(1)->align, textAlignInvalid);
}

TEST(OverlayFiles, AFileThatDoesNotLoadLeavesTheListAsItWas) {
  TempDir dir;
  ZRSimpleOverlays list;
  list.add(true, -1);
  list.getItem(0)->nametext = "kept";
  const std::string broken = dir.file("broken.xml");
  const std::string other = dir.file("other.xml");
  ASSERT_TRUE(writeFile(broken, "<overlays><overlay nametext=\"x\""));
  ASSERT_TRUE(writeFile(other, "<shaders/>"));
  for (const std::string& path : {broken, other, dir.file("absent.xml")}) {
    LogCapture log;
    EXPECT_FALSE(list.load(ZRString(path), ZRString())) << path;
    ASSERT_EQ(list.getTotalItems(), 1);
    EXPECT_EQ(list.getItem(0)->nametext, ZRString("kept"));
    EXPECT_TRUE(log.contains("could not be read")) << path;
  }
  // Saving into a folder that does not exist fails and says so.
  EXPECT_FALSE(list.save(ZRString(dir.file("no/such/folder.xml"))));
}

TEST(OverlayFiles, ListEditing) {
  ZRSimpleOverlays list;
  EXPECT_FALSE(list.clear());
  for (int i = 0; i < 3; ++i) list.add(false, -1);
  EXPECT_EQ(list.add(true, 0), 0);
  EXPECT_TRUE(list.getItem(0)->enabled);
  EXPECT_EQ(list.add(true, 7), 4);
  const ZRSimpleOverlays::Overlay* last = list.getItem(4);
  EXPECT_FALSE(list.moveDown(4));
  EXPECT_FALSE(list.moveUp(0));
  EXPECT_TRUE(list.moveUp(4));
  EXPECT_EQ(list.getItem(3), last);
  EXPECT_FALSE(list.remove(5));
  EXPECT_TRUE(list.remove(3));
  EXPECT_EQ(list.getTotalItems(), 4);
  EXPECT_EQ(list.getItem(-1), nullptr);
  EXPECT_EQ(list.getItem(0)->nametext, ZRString("New Item"));
  EXPECT_EQ(list.getItem(0)->font, ZRString("Arial"));
  EXPECT_EQ(list.getItem(0)->fontsize, 48);
  EXPECT_TRUE(list.clear());
}

}  // namespace
