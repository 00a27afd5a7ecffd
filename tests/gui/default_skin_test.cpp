// The default skin as shipped in resources/skins: the catalogue lists it and finds an image set for every
// common display (900 x 600 included); every element names an action of its own element type (or is a
// skin-script element), every picture it draws lies inside each image set; and the real loader lays it
// out by constraints at the sizes a display picks, and again after the window is resized, without a
// refused constraint, filling the window, with every picture at its own size and every node inside the
// window.

#include <gtest/gtest.h>
#include <libxml/tree.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/zr_texture.h"
#include "common/zr_xml_utils.h"
#include "common/language_tables.h"
#include "common/zr_files_platform.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_image_raw_data.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_skin_manager.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

const std::string kSkinFolder = orvel_test::sourceFile("resources/skins");
const std::string kSkinXml = kSkinFolder + "/orvel.xml";

// One element of the skin file, with its attributes and the chain of groups it sits in.
struct Element {
  std::string tag;
  std::map<std::string, std::string> attrs;
  int line = 0;

  bool has(const std::string& name) const { return attrs.count(name) != 0; }
  std::string str(const std::string& name) const {
    auto it = attrs.find(name);
    return it == attrs.end() ? std::string() : it->second;
  }
  double num(const std::string& name, double fallback = -1) const {
    return has(name) ? std::atof(str(name).c_str()) : fallback;
  }
  int deck() const { return has("deck") ? std::atoi(str("deck").c_str()) : -1; }
  std::string where() const { return tag + " '" + str("action") + "' (line " + std::to_string(line) + ")"; }
};

struct SkinFile {
  std::map<std::string, std::string> root;
  std::vector<Element> elements;     // controls, groups and skin-script elements, in file order
  std::vector<Element> constraints;  // the constraint elements
};

void collect(xmlNode* first, SkinFile& skin) {
  for (xmlNode* n = first; n != nullptr; n = n->next) {
    if (n->type != XML_ELEMENT_NODE) continue;
    Element e;
    e.tag = reinterpret_cast<const char*>(n->name);
    e.line = static_cast<int>(xmlGetLineNo(n));
    for (xmlAttr* a = n->properties; a != nullptr; a = a->next) {
      xmlChar* v = xmlNodeListGetString(n->doc, a->children, 1);
      e.attrs[reinterpret_cast<const char*>(a->name)] = v != nullptr ? reinterpret_cast<const char*>(v) : "";
      if (v != nullptr) xmlFree(v);
    }
    if (e.tag == "constraint") {
      skin.constraints.push_back(e);
      continue;
    }
    skin.elements.push_back(e);
    if (e.tag == "group") collect(n->children, skin);
  }
}

SkinFile readSkin() {
  SkinFile skin;
  xmlDoc* document = nullptr;
  xmlNode* root = nullptr;
  if (!openXMLFile(kSkinXml.c_str(), "skin", &document, &root, 0, 0)) return skin;
  for (xmlAttr* a = root->properties; a != nullptr; a = a->next) {
    xmlChar* v = xmlNodeListGetString(root->doc, a->children, 1);
    skin.root[reinterpret_cast<const char*>(a->name)] = v != nullptr ? reinterpret_cast<const char*>(v) : "";
    if (v != nullptr) xmlFree(v);
  }
  for (xmlNode* w = root->children; w != nullptr; w = w->next) {
    if (w->type == XML_ELEMENT_NODE && std::strcmp(reinterpret_cast<const char*>(w->name), "window") == 0)
      collect(w->children, skin);
  }
  closeXMLFile(document);
  return skin;
}

// A picture an element draws from the skin image: its corner and size in design points; nodeSized when it
// is as large as the element itself (the element must then keep its size).
struct Picture {
  std::string what;
  double x, y, w, h;
  bool nodeSized;
};

std::vector<Picture> picturesOf(const Element& e) {
  std::vector<Picture> out;
  const double w = e.num("width"), h = e.num("height");
  auto add = [&](const char* xName, const char* yName, double pw, double ph) {
    if (e.has(xName) && e.has(yName))
      out.push_back({e.where() + " " + xName, e.num(xName), e.num(yName), pw, ph, pw == w && ph == h});
  };
  for (const char* state : {"up", "over", "down", "sel", "oversel", "downsel"}) {
    add((std::string(state) + "x").c_str(), (std::string(state) + "y").c_str(), w, h);
  }
  add("cursorupx", "cursorupy", e.num("cursorwidth"), e.num("cursorheight"));
  add("cursoroverx", "cursorovery", e.num("cursorwidth"), e.num("cursorheight"));
  add("transparentwheelx", "transparentwheely", w, h);
  add("defimgx", "defimgy", w, h);
  // The browser's icon strip: indices 1 to 11 follow the strip's start at icon-size steps.
  add("iconx", "icony", 12 * (e.num("iconsize", 16) + e.num("iconspace", 0)), e.num("iconsize", 16));
  return out;
}

// How the loader scales a coordinate: two decimals, then the nearest integer.
double scaled(double v, double factor) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", v * factor);
  return std::nearbyint(std::atof(text));
}

struct Decoded {
  bool ok = false;
  int width = 0, height = 0;
};

Decoded decode(const std::string& path) {
  Decoded d;
  unsigned char** frames = nullptr;
  int count = 0;
  bool alpha = false;
  d.ok = getImageRawData(path.c_str(), false, false, frames, count, alpha, d.width, d.height, false) &&
         count == 1;
  if (frames != nullptr) freeImageFrames(frames, count);
  return d;
}

TEST(DefaultSkin, TheCatalogueListsItAndFindsAnImageSetForEveryDisplay) {
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(kSkinFolder), nullptr);
  const ZRSkinManager::TSkinDetails* skin = catalogue.findSkin("Orvel");
  ASSERT_NE(skin, nullptr);
  std::string key;
  ASSERT_TRUE(catalogue.getBestSkinForResolution("Orvel", 900, 600, key));
  EXPECT_EQ(key, "Orvel");

  std::set<std::string> names;
  for (const auto& ratio : skin->aspectRatios) names.insert(ratio.name.utf8());
  EXPECT_EQ(names, (std::set<std::string>{"16:9", "16:10", "4:3"}));

  // The displays a user may have, the smallest the application accepts first.
  const int displays[][2] = {{900, 600},   {1024, 576},  {1024, 768},  {1280, 720},  {1280, 800},
                             {1280, 1024}, {1366, 768},  {1440, 900},  {1600, 900},  {1680, 1050},
                             {1920, 1080}, {1920, 1200}, {2560, 1440}, {3840, 2160}};
  std::set<int> widths;
  for (const auto& d : displays) {
    ZRString xml, image;
    int w = 0, h = 0, parts = 0;
    ASSERT_TRUE(catalogue.getBestSkinDetailsForResolution(key, d[0], d[1], xml, image, w, h, parts));
    SCOPED_TRACE(std::to_string(d[0]) + "x" + std::to_string(d[1]));
    EXPECT_GT(w, 0);
    EXPECT_LE(w, d[0]);
    EXPECT_LE(h, d[1]);
    EXPECT_EQ(parts, 1);
    EXPECT_TRUE(decode(image.utf8()).ok) << image.utf8();
    widths.insert(w);
  }
  EXPECT_TRUE(widths.count(1280) && widths.count(1920));
}

TEST(DefaultSkin, EveryElementNamesAnActionOfItsType) {
  const SkinFile skin = readSkin();
  ASSERT_FALSE(skin.elements.empty());
  EXPECT_EQ(skin.root.at("targetversion"), "3");
  EXPECT_EQ(skin.root.at("skinname"), "Orvel");

  std::set<std::pair<std::string, int>> seen;
  std::set<std::string> scriptNames;
  for (const Element& e : skin.elements) {
    const std::string action = e.str("action");
    ASSERT_FALSE(action.empty()) << e.where();
    const int tag = GetActionTypeTagIndex(e.tag.c_str());
    EXPECT_NE(tag, ELEMENT_none) << e.where();
    if (action[0] == '_') {
      EXPECT_TRUE(scriptNames.insert(action).second) << "two elements named " << e.where();
      continue;
    }
    const int index = GetActionIndex(action.c_str());
    ASSERT_GE(index, 1) << e.where();
    ASSERT_LE(index, CACTION_COUNT - 2) << e.where();
    EXPECT_EQ(GetActionType(index), tag) << e.where() << ": the action's element is "
                                         << CACTIONTYPES_TAGNAMES[GetActionType(index)];
    if (GetActionGlobal(index) != 0) {
      EXPECT_EQ(e.deck(), -1) << e.where();
    } else {
      EXPECT_TRUE(e.deck() == 0 || e.deck() == 1) << e.where();
    }
    EXPECT_TRUE(seen.insert({action, e.deck()}).second) << "placed twice: " << e.where();
  }
  // What the skin must show.
  for (const char* action :
       {"deck_titlename", "deck_artistname", "deck_elapsed", "deck_remained", "deck_bpm", "deck_pitch_key_label",
        "deck_pitch", "deck_pitch_tempo", "sd_deck", "deck_pos", "deck_wheel", "deck_playlive", "deck_cue",
        "deck_sync", "deck_load", "deck_loop_in_end", "deck_loop_out", "deck_cuepos_1", "deck_cuepos_8",
        "deck_gain", "deck_eq_low", "deck_eq_mid", "deck_eq_high", "deck_kill_low", "deck_kill_mid",
        "deck_kill_high", "deck_cutoff_filter", "deck_volume", "deck_monitor", "vm_deck", "deck_fx1_choose_fx",
        "deck_fx2_choose_fx", "deck_fx1_toggle", "label_deck"}) {
    for (int deck : {0, 1}) EXPECT_TRUE(seen.count({action, deck})) << action << " of deck " << deck;
  }
  for (const char* action : {"crossfader", "master_volume", "monitor_volume", "cue_pgm_mix", "vm_masterl",
                             "vm_masterr", "browser", "et_search", "playlist", "sampler1_play", "sampler8_play",
                             "sampler1_name", "sampler_master_volume"}) {
    EXPECT_TRUE(seen.count({action, -1})) << action;
  }

  // Constraints name nodes of this skin.
  for (const Element& c : skin.constraints) {
    for (const char* which : {"1", "2"}) {
      const std::string action = c.str(std::string("action") + which);
      if (action.empty()) continue;
      const int deck = std::atoi(c.str(std::string("deck") + which).c_str());
      if (action[0] == '_') {
        EXPECT_EQ(deck, -2) << c.where();
        EXPECT_TRUE(scriptNames.count(action)) << c.where() << " names " << action;
      } else {
        EXPECT_TRUE(seen.count({action, deck})) << c.where() << " names " << action;
      }
    }
  }
}

TEST(DefaultSkin, EveryPictureLiesInsideEveryImageSet) {
  const SkinFile skin = readSkin();
  ZRSkinManager catalogue;
  catalogue.addSkinsFromFolder(ZRString(kSkinFolder), nullptr);
  const ZRSkinManager::TSkinDetails* details = catalogue.findSkin("Orvel");
  ASSERT_NE(details, nullptr);
  std::vector<Picture> pictures;
  for (const Element& e : skin.elements) {
    for (const Picture& p : picturesOf(e)) pictures.push_back(p);
  }
  ASSERT_GT(pictures.size(), 100u);
  const double designWidth = std::atof(skin.root.at("screenwidth").c_str());
  std::set<std::string> checked;
  for (const auto& ratio : details->aspectRatios) {
    for (const auto& image : ratio.images) {
      const std::string path = kSkinFolder + "/" + image.name.utf8();
      const double factor = image.resolutionx / designWidth;
      SCOPED_TRACE(path);
      const Decoded d = decode(path);
      ASSERT_TRUE(d.ok);
      if (!checked.insert(path + std::to_string(factor)).second) continue;
      for (const Picture& p : pictures) {
        ASSERT_GT(p.w, 0) << p.what;
        ASSERT_GT(p.h, 0) << p.what;
        EXPECT_GE(scaled(p.x, factor), 0) << p.what;
        EXPECT_GE(scaled(p.y, factor), 0) << p.what;
        EXPECT_LE(scaled(p.x, factor) + scaled(p.w, factor), d.width) << p.what;
        EXPECT_LE(scaled(p.y, factor) + scaled(p.h, factor), d.height) << p.what;
      }
    }
  }
}

// Buttons show their action's label from the language file: each English label fits its button in the
// button's font (a caption wider than its button is cut off at both ends).
TEST(DefaultSkin, EnglishCaptionsFitTheirButtons) {
  const SkinFile skin = readSkin();
  char resources[4096];
  ASSERT_TRUE(GetResourcesDir_Apple(resources, sizeof resources));
  ClearLanguageTables();
  ASSERT_TRUE(LoadLanguage(ZRString(resources) + ZRString("languages/english.xml")));
  int buttons = 0;
  for (const Element& e : skin.elements) {
    if (e.tag != "button" || e.str("action")[0] == '_') continue;
    ++buttons;
    const ZRString label = getLabelName(GetActionIndex(e.str("action").c_str()));
    float w = 0, h = 0;
    ZRDrawContext::measureTextStatic(label, ZRString(e.str("fontname")), static_cast<float>(e.num("fontsize", 12)),
                                     decodeTextStyleStr(e.str("fontstyle").c_str()), w, h, 1);
    EXPECT_LE(w, e.num("width") - 4) << e.where() << ": '" << label.utf8() << "'";
    EXPECT_LE(h, e.num("height")) << e.where() << ": '" << label.utf8() << "'";
  }
  EXPECT_GT(buttons, 50);
  ClearLanguageTables();
}

class DefaultSkinLayout : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    installInitSkinScriptHook([](const std::string&) { return true; });
    installCallSkinInitHook([] {});
    installTestEnableVideoButtonHook([] {});
    catalogue.addSkinsFromFolder(ZRString(kSkinFolder), nullptr);
    skin = readSkin();
  }
  void TearDown() override {
    installInitSkinScriptHook(nullptr);
    installCallSkinInitHook(nullptr);
    installTestEnableVideoButtonHook(nullptr);
  }

  // Loads the skin as the shell does for a display: the image set the catalogue picks, at its size.
  bool loadFor(ZRNodeManager& manager, int displayW, int displayH, int& w, int& h, double& factor) {
    ZRString xml, image;
    int parts = 0;
    if (!catalogue.getBestSkinDetailsForResolution("Orvel", displayW, displayH, xml, image, w, h, parts))
      return false;
    factor = w / std::atof(skin.root.at("screenwidth").c_str());
    return manager.loadSkin(xml, image, w, h, parts);
  }

  ZRDrawNode* nodeOf(ZRNodeManager& manager, const Element& e) {
    const std::string action = e.str("action");
    if (action[0] == '_') return manager.getExtraNode(ZRString(action), -1);
    return manager.getNode(action.c_str(), e.deck());
  }

  // Every element is a shown node of the tree, inside the window; pictures keep their size.
  void expectLaidOut(ZRNodeManager& manager, float w, float h, double factor) {
    ZRDrawNode* root = manager.getRootNode();
    EXPECT_NEAR(root->width, w, 0.5);
    EXPECT_NEAR(root->height, h, 0.5);
    for (const Element& e : skin.elements) {
      ZRDrawNode* node = nodeOf(manager, e);
      ASSERT_NE(node, nullptr) << e.where();
      EXPECT_TRUE(node->getIsShownAndTestParentsToo()) << e.where();
      ZRDrawNode* top = node;
      while (top->parent != nullptr) top = top->parent;
      EXPECT_EQ(top, root) << e.where() << " is not in the tree";
      float x = 0, y = 0;
      node->getAbsolutePosition(x, y);
      // The window's background reaches a pixel past every edge: a solid fill's outermost pixels are only
      // half covered.
      const float slack = e.str("action") == "_app_bg" ? 1.5f : 0.5f;
      EXPECT_GE(x, -slack) << e.where();
      EXPECT_GE(y, -slack) << e.where();
      EXPECT_LE(x + node->width, w + slack) << e.where();
      EXPECT_LE(y + node->height, h + slack) << e.where();
      EXPECT_GE(node->width, 1) << e.where();
      EXPECT_GE(node->height, 1) << e.where();
      bool nodeSized = false;
      for (const Picture& p : picturesOf(e)) nodeSized = nodeSized || p.nodeSized;
      if (nodeSized) {
        EXPECT_NEAR(node->width, scaled(e.num("width"), factor), 0.5) << e.where() << " is stretched";
        EXPECT_NEAR(node->height, scaled(e.num("height"), factor), 0.5) << e.where() << " is stretched";
      }
    }
  }

  ZRSkinManager catalogue;
  SkinFile skin;
};

TEST_F(DefaultSkinLayout, LaysOutAtTheSizesDisplaysPickAndAfterAResize) {
  struct Case {
    int displayW, displayH;  // the display the catalogue picks the image set for
    int windowW, windowH;    // then the window is resized to this
  };
  const Case cases[] = {
      {900, 600, 900, 600},      // the smallest display: the 896 x 560 set, then the whole display
      {1024, 576, 1024, 576},    // 16:9 below 1280: the 896 x 504 set
      {1280, 720, 1280, 720},    // the design size
      {1280, 1024, 1280, 1024},  // 4:3: the 1280 x 960 set, then a taller window
      {1440, 900, 1200, 660},    // 16:10: the 1280 x 800 set, then a window smaller than the set
      {1920, 1080, 1800, 1000},  // the 1.5 times set, then a smaller window
      {2560, 1600, 2560, 1600},
  };
  ZRNodeManager manager(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE("display " + std::to_string(c.displayW) + "x" + std::to_string(c.displayH));
    orvel_test::LogCapture log;
    int w = 0, h = 0;
    double factor = 1;
    ASSERT_TRUE(loadFor(manager, c.displayW, c.displayH, w, h, factor));
    // The loader lays the skin out at the set's size; a set as wide as the design keeps the design's
    // height until the window reports its own size.
    EXPECT_EQ(manager.skinWidth, w);
    expectLaidOut(manager, static_cast<float>(w), static_cast<float>(manager.skinHeight), factor);
    manager.setNewWindowSize(c.windowW, c.windowH);
    expectLaidOut(manager, static_cast<float>(c.windowW), static_cast<float>(c.windowH), factor);
    for (const std::string& line : log.lines()) {
      EXPECT_EQ(line.find("error"), std::string::npos) << line;
      EXPECT_EQ(line.find("contradict"), std::string::npos) << line;
    }
  }
}

}  // namespace
