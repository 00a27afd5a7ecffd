// Skin discovery and choice: the catalogue read from skin folders, keys with folder tags, the best skin for a
// display and the best image set for a window.

#include "gui/zr_skin_manager.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <wx/choice.h>
#include <wx/frame.h>

#include "support/display_required.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "wx_test_app.h"

using orvel_test::TempDir;
using orvel_test::writeFile;

namespace {

struct Image {
  std::string name;
  int rx, ry, images;
};
struct Aspect {
  std::string ratio;  // "" leaves the attribute out
  std::vector<Image> images;
};

std::string skinHead(const std::string& name, int w, int h, const std::vector<Aspect>& aspects,
                     const std::string& version = "3") {
  std::string xml = "<?xml version=\"1.0\"?>\n<skin targetversion=\"" + version + "\" skinname=\"" + name +
                    "\" screenwidth=\"" + std::to_string(w) + "\" screenheight=\"" + std::to_string(h) +
                    "\">\n<aspectratios_supported>\n";
  for (const Aspect& a : aspects) {
    xml += "<aspectratio_supported name=\"r\"" +
           (a.ratio.empty() ? std::string() : " aspectratio=\"" + a.ratio + "\"") + ">\n";
    for (const Image& i : a.images) {
      xml += "<image name=\"" + i.name + "\" resolutionx=\"" + std::to_string(i.rx) + "\" resolutiony=\"" +
             std::to_string(i.ry) + "\"" +
             (i.images != 0 ? " images=\"" + std::to_string(i.images) + "\"" : "") + "/>\n";
    }
    xml += "</aspectratio_supported>\n";
  }
  return xml + "</aspectratios_supported>\n<window/>\n</skin>\n";
}

const std::vector<Aspect> kOneImage = {{"1.6", {{"skin.png", 1280, 800, 1}}}};

TEST(SkinCatalogue, KeysCarryTheFolderTag) {
  TempDir resources, user;
  writeFile(resources.file("club.xml"), skinHead("Club", 1280, 800, kOneImage));
  writeFile(user.file("a.xml"), skinHead("Club", 1024, 600, kOneImage));
  writeFile(user.file("b.xml"), skinHead("Club", 1440, 900, kOneImage));
  writeFile(user.file("notes.txt"), skinHead("Text", 1, 1, kOneImage));
  writeFile(user.file("old.xml"), skinHead("Old", 800, 600, kOneImage, "2"));
  writeFile(user.file("noimages.xml"), skinHead("Bare", 800, 600, {{"1.6", {}}}));
  writeFile(user.file("broken.xml"), "<skin");
  mkdir(user.file("folder.xml").c_str(), 0700);
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(resources.path()), nullptr);
  catalogue.addSkinsFromFolder(ZRString(user.path()), "[u]");
  EXPECT_EQ(catalogue.getKeys(), (std::vector<std::string>{"Club", "Club [u]"}));
  // Two user skins named Club: the later in folder order stays.
  std::string xml, name;
  int w = 0, h = 0;
  ASSERT_TRUE(catalogue.getSkinDetails("Club [u]", &xml, &name, &w, &h));
  EXPECT_EQ(xml, user.file("b.xml"));
  EXPECT_EQ(name, "Club");
  EXPECT_EQ(w, 1440);
  EXPECT_EQ(h, 900);
  EXPECT_FALSE(catalogue.getSkinDetails("Old [u]", &xml, &name, &w, &h));
  EXPECT_EQ(xml, "");
  EXPECT_EQ(w, 0);
  catalogue.addSkinsFromFolder(ZRString(user.file("missing")), "[x]");
  EXPECT_EQ(catalogue.getTotalSkins(), 2);
}

TEST(SkinCatalogue, AspectRatioAndImageDefaults) {
  TempDir dir;
  writeFile(dir.file("s.xml"),
            skinHead("S", 800, 600, {{"", {{"a.png", 800, 600, 0}}}, {"0.5", {{"b.png", 1, 1, -3}}}}));
  ZRSkinManager catalogue;
  ZRSkinManager::TSkinDetails details;
  std::string key;
  ASSERT_TRUE(catalogue.processXmlFile(dir.file("s.xml").c_str(), "[t]", &details, &key, true));
  EXPECT_EQ(key, "S [t]");
  ASSERT_EQ(details.aspectRatios.size(), 2u);
  EXPECT_FLOAT_EQ(details.aspectRatios[0].aspectratio, 1.6f);
  EXPECT_FLOAT_EQ(details.aspectRatios[1].aspectratio, 1.6f);  // below 1 counts as 1.6
  EXPECT_EQ(details.aspectRatios[0].images[0].images, 1);
  EXPECT_EQ(details.aspectRatios[1].images[0].images, 1);
  EXPECT_FALSE(catalogue.processXmlFile(dir.file("missing.xml").c_str(), nullptr, &details, &key, true));
}

TEST(SkinCatalogue, ImageNamesOutsideTheSkinFolderAreRefused) {
  TempDir dir;
  writeFile(dir.file("s.xml"), skinHead("S", 800, 600,
                                        {{"1.6",
                                          {{"../../etc/passwd", 800, 600, 1},
                                           {"/abs/skin.png", 800, 600, 1},
                                           {"", 800, 600, 1},
                                           {"sub/..x/ok.png", 640, 400, 1}}}}));
  writeFile(dir.file("t.xml"), skinHead("T", 800, 600, {{"1.6", {{"a/../../b.png", 800, 600, 1}}}}));
  ZRSkinManager catalogue;
  orvel_test::LogCapture log(true);
  catalogue.addSkinsFromFolder(ZRString(dir.path()), nullptr);
  EXPECT_EQ(log.count("is not a file of the skin's folder"), 4);
  EXPECT_EQ(catalogue.getKeys(), std::vector<std::string>{"S"});
  ZRString xml, image;
  int w = 0, h = 0, parts = 0;
  ASSERT_TRUE(catalogue.getBestSkinDetailsForResolution("S", 1440, 900, xml, image, w, h, parts));
  EXPECT_EQ(image, ZRString(dir.path() + "/sub/..x/ok.png"));
}

TEST(SkinCatalogue, BestSkinForADisplay) {
  TempDir dir;
  writeFile(dir.file("a.xml"), skinHead("Small", 1024, 600, kOneImage));
  writeFile(dir.file("b.xml"), skinHead("Medium", 1280, 800, kOneImage));
  writeFile(dir.file("c.xml"), skinHead("Large", 2560, 1440, kOneImage));
  writeFile(dir.file("d.xml"), skinHead("Orvel", 1920, 1200, kOneImage));
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(dir.path()), nullptr);
  std::string key;
  EXPECT_TRUE(catalogue.getBestSkinForResolution("orvel", 1024, 768, key));  // the name wins, in any case
  EXPECT_EQ(key, "Orvel");
  EXPECT_TRUE(catalogue.getBestSkinForResolution("Nothing", 1920, 1080, key));
  EXPECT_EQ(key, "Medium");
  EXPECT_TRUE(catalogue.getBestSkinForResolution("", 3000, 2000, key));
  EXPECT_EQ(key, "Large");
  EXPECT_FALSE(catalogue.getBestSkinForResolution("", 800, 600, key));
  EXPECT_EQ(key, "");
  ZRSkinManager empty;
  EXPECT_FALSE(empty.getBestSkinForResolution("Orvel", 1920, 1080, key));
}

TEST(SkinCatalogue, BestImageSetForAWindow) {
  TempDir dir;
  writeFile(
      dir.file("s.xml"),
      skinHead(
          "S", 1280, 800,
          {{"1.6", {{"s1280.png", 1280, 800, 2}, {"s1920.png", 1920, 1200, 3}, {"s1280b.png", 1280, 1, 1}}},
           {"1.78", {{"w1920.png", 1920, 1080, 1}}}}));
  writeFile(dir.file("wide.xml"), skinHead("Wide", 1280, 800, {{"2.4", {{"x.png", 1280, 533, 1}}}}));
  writeFile(dir.file("ultra.xml"), skinHead("Ultra", 1280, 800, {{"2.7", {{"u.png", 1280, 474, 1}}}}));
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(dir.path()), nullptr);
  struct Row {
    const char* key;
    int w, h;
    const char* image;  // "" for none
    int rx, ry, parts;
  };
  const Row rows[] = {
      {"S", 1440, 900, "s1280.png", 1280, 800, 2},  // 1.6 wins; the widest not above 1440
      {"S", 2000, 1250, "s1920.png", 1920, 1200, 3},
      {"S", 1920, 1080, "w1920.png", 1920, 1080, 1},  // 1.78
      {"S", 1000, 625, "", 0, 0, 0},                  // nothing that narrow
      {"Wide", 1440, 900, "x.png", 1280, 533, 1},     // a difference of 0.8 is still taken
      {"Ultra", 1440, 900, "", 0, 0, 0},              // 1.1 is too far
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.key) + " " + std::to_string(row.w));
    ZRString xml, image;
    int w = -1, h = -1, parts = -1;
    ASSERT_TRUE(catalogue.getBestSkinDetailsForResolution(row.key, row.w, row.h, xml, image, w, h, parts));
    EXPECT_EQ(image, ZRString(dir.path() + "/" + row.image));
    EXPECT_EQ(w, row.rx);
    EXPECT_EQ(h, row.ry);
    EXPECT_EQ(parts, row.parts);
  }
  ZRString xml, image;
  int w = 0, h = 0, parts = 0;
  EXPECT_FALSE(catalogue.getBestSkinDetailsForResolution("nope", 1, 1, xml, image, w, h, parts));
  EXPECT_TRUE(catalogue.getBestSkinDetailsForResolution("S", 1440, 0, xml, image, w, h, parts));
}

TEST(SkinCatalogue, SkinFromPartOfItsFileName) {
  TempDir dir;
  writeFile(dir.file("club.xml"), skinHead("B", 800, 600, kOneImage));
  writeFile(dir.file("club2.xml"), skinHead("A", 800, 600, kOneImage));
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(dir.path()), nullptr);
  std::string key;
  EXPECT_TRUE(catalogue.getSkinFromPartialFilename("club", key));  // the exact name beats key order
  EXPECT_EQ(key, "B");
  EXPECT_TRUE(catalogue.getSkinFromPartialFilename("lub", key));
  EXPECT_EQ(key, "A");
  EXPECT_FALSE(catalogue.getSkinFromPartialFilename("CLUB", key));
  EXPECT_EQ(key, "");
}

TEST(SkinCatalogue, KeysFillTheSkinChoice) {
  if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  TempDir dir;
  writeFile(dir.file("b.xml"), skinHead("Beta", 800, 600, kOneImage));
  writeFile(dir.file("a.xml"), skinHead("Alpha", 800, 600, kOneImage));
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(dir.path()), "[u]");
  wxFrame* frame = new wxFrame(nullptr, wxID_ANY, "skins");
  wxChoice* choice = new wxChoice(frame, wxID_ANY);
  choice->Append("old");
  catalogue.addSkinsToComboBox(choice, 0);
  EXPECT_EQ(choice->GetCount(), 3u);
  catalogue.addSkinsToComboBox(choice, 1);
  ASSERT_EQ(choice->GetCount(), 2u);
  EXPECT_EQ(choice->GetString(0), "Alpha [u]");
  EXPECT_EQ(choice->GetString(1), "Beta [u]");
  catalogue.addSkinsToComboBox(nullptr, 1);
  frame->Destroy();
}

}  // namespace
