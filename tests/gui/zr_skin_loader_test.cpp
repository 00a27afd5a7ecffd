// Skin file loading: a skin written by the test placed at its design size and scaled, the element filters,
// skin-script elements and the assembled script, double-resolution images, and bad skins that leave the
// previous skin loaded.

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <mutex>

#include "common/zr_files.h"
#include "common/zr_texture.h"
#include "gui/skin_engine_hooks.h"
#include "skin_test_support.h"
#include "support/log_capture.h"

using namespace orvel_test;

namespace {

struct Rect {
  float x, y, w, h;
};

Rect rectOf(const ZRDrawNode* node) {
  return {node->x, node->y, node->width, node->height};
}

void expectRect(const ZRDrawNode* node, Rect r) {
  ASSERT_NE(node, nullptr);
  EXPECT_FLOAT_EQ(node->x, r.x) << node->name;
  EXPECT_FLOAT_EQ(node->y, r.y) << node->name;
  EXPECT_FLOAT_EQ(node->width, r.w) << node->name;
  EXPECT_FLOAT_EQ(node->height, r.h) << node->name;
}

// What the skin-script hooks were asked.
struct ScriptCalls {
  std::mutex lock;
  std::vector<std::string> scripts;
  std::vector<std::string> callbacks;
  int inits = 0;
};

class SkinLoader : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRTexture::setDefaultRenderDevice(ZRRenderEngineOpenGL);
    installInitSkinScriptHook([this](const std::string& text) {
      std::lock_guard g(calls.lock);
      calls.scripts.push_back(text);
      return true;
    });
    installCallSkinInitHook([this] {
      std::lock_guard g(calls.lock);
      ++calls.inits;
    });
    installCallSkinCallbackHook([this](const std::string& function, int a, int b, int c) {
      std::lock_guard g(calls.lock);
      calls.callbacks.push_back(function + "(" + std::to_string(a) + "," + std::to_string(b) + "," +
                                std::to_string(c) + ")");
      return true;
    });
    installTestEnableVideoButtonHook([] {});
  }
  void TearDown() override {
    installInitSkinScriptHook(nullptr);
    installCallSkinInitHook(nullptr);
    installCallSkinCallbackHook(nullptr);
    installTestEnableVideoButtonHook(nullptr);
  }
  bool load(ZRNodeManager& manager, const SkinFiles& skin, int w, int h, int parts = 1) {
    return manager.loadSkin(ZRString(skin.xml()), ZRString(skin.image()), w, h, parts);
  }

  RecordingClasses classes;
  ScriptCalls calls;
};

// A small skin: a global button, a deck button, a group with a relative child.
const char* kSmallSkin =
    "<button action=\"minimize\" posx=\"10\" posy=\"20\" width=\"30\" height=\"40\" upx=\"-1\" zorder=\"3\" "
    "hint=\"Min\"/>\n"
    "<button action=\"deck_sync\" deck=\"1\" posx=\"100\" posy=\"50\" size=\"20\"/>\n"
    "<group action=\"tb_config\" posx=\"200\" posy=\"100\" width=\"150\" height=\"100\">\n"
    "  <button action=\"maximize\" isrelative=\"yes\" posx=\"5\" posy=\"6\" width=\"10\" height=\"12\"/>\n"
    "</group>";

TEST_F(SkinLoader, PlacesAndScalesToTheWindowSize) {
  SkinFiles skin;
  skin.writeParts(64, {64});
  skin.writeXml(skinXml("screenwidth=\"400\" screenheight=\"300\" hintfontsize=\"12\"", kSmallSkin));
  ZRNodeManager manager(nullptr, &classes);
  struct Row {
    int w, h;
    double factor;
  };
  for (const Row& row : {Row{400, 300, 1.0}, Row{800, 600, 2.0}, Row{600, 450, 1.5}}) {
    SCOPED_TRACE(row.w);
    ASSERT_TRUE(load(manager, skin, row.w, row.h));
    const float f = static_cast<float>(row.factor);
    // Scaled texts are read back as integers, halves to the even neighbour.
    auto s = [f](float v) { return std::nearbyint(v * f); };
    EXPECT_EQ(manager.resizeMode, row.factor != 1.0);
    EXPECT_DOUBLE_EQ(manager.resizeFactor, row.factor);
    EXPECT_EQ(manager.skinWidth, row.w);
    EXPECT_EQ(manager.skinHeight, row.h);
    expectRect(manager.getRootNode(), {0, 0, static_cast<float>(row.w), static_cast<float>(row.h)});
    ZRDrawNode* minimize = manager.getNode("minimize", -1);
    expectRect(minimize, {s(10), s(20), s(30), s(40)});
    EXPECT_EQ(minimize->zOrder, 3);   // not a size: not scaled
    EXPECT_EQ(minimize->upx, s(10));  // -1 stays -1 and falls back to the position
    EXPECT_EQ(minimize->getHintText(), ZRString("Min"));
    expectRect(manager.getNode("deck_sync", 1), {s(100), s(50), s(20), s(20)});
    EXPECT_EQ(manager.getNode("deck_sync", 0)->shown, 0);
    ZRDrawNode* group = manager.getNode("tb_config", -1);
    ZRDrawNode* child = manager.getNode("maximize", -1);
    ASSERT_EQ(child->parent, group);
    EXPECT_EQ(group->parent, manager.getRootNode());
    float ax, ay;
    child->getAbsolutePosition(ax, ay);
    EXPECT_FLOAT_EQ(ax, s(200) + s(5));
    EXPECT_FLOAT_EQ(ay, s(100) + s(6));
    EXPECT_FLOAT_EQ(manager.getHintNode()->getFontSize(), 12 * f);
    // The root's children come in z-order: the button with zorder 3 is last.
    EXPECT_EQ(manager.getRootNode()->children.back(), minimize);
  }
}

TEST_F(SkinLoader, ResizedNumbersIgnoreTheUserLocale) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("screenwidth=\"1280\" screenheight=\"720\"",
                        "<button action=\"minimize\" posx=\"10\" posy=\"7.5\" width=\"3\" height=\"3\"/>"));
  const std::string saved = std::setlocale(LC_ALL, nullptr);
  const bool comma =
      std::setlocale(LC_ALL, "de_DE.UTF-8") != nullptr || std::setlocale(LC_ALL, "fr_FR.UTF-8") != nullptr;
  ZRNodeManager manager(nullptr, &classes);
  const bool loaded = load(manager, skin, 1920, 1080);
  std::setlocale(LC_ALL, saved.c_str());
  ASSERT_TRUE(loaded);
  EXPECT_FLOAT_EQ(manager.getNode("minimize", -1)->x, 15);
  EXPECT_FLOAT_EQ(manager.getNode("minimize", -1)->y, 11);  // 11.25 read as an integer
  if (!comma) GTEST_LOG_(INFO) << "no decimal-comma locale installed; checked in the C locale only";
}

TEST_F(SkinLoader, DesignSizeDefaults) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("screenwidth=\"5\"", "<button action=\"minimize\" posx=\"10\"/>"));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(load(manager, skin, 0, 0));  // no requested size: the design size
  EXPECT_EQ(manager.skinWidth, 800);
  EXPECT_EQ(manager.skinHeight, 600);
  EXPECT_FALSE(manager.resizeMode);
  EXPECT_FLOAT_EQ(manager.getHintNode()->getFontSize(), 10);
}

TEST_F(SkinLoader, ElementFilters) {
  struct Row {
    const char* attribute;
    bool kept;
  };
  const Row rows[] = {{"", true},
                      {"os=\"-1\"", true},
                      {"os=\"0\"", true},
                      {"os=\"1\"", false},
                      {"os=\"2\"", false},
                      {"os=\"3\"", false},
                      {"os=\"4\"", true},
                      {"os=\"6\"", true},
                      {"os=\"7\"", true},
                      {"aspectratio=\"1.77\"", true},
                      {"aspectratio=\"1.6\"", false},
                      {"aspectratio=\"0\"", true},
                      {"aspectratio=\"1.8\"", true},
                      {"aspectratio=\"1.83\"", false}};
  SkinFiles skin;
  skin.writeParts(8, {8});
  ZRNodeManager manager(nullptr, &classes);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.attribute);
    skin.writeXml(skinXml("screenwidth=\"1920\" screenheight=\"1080\"",
                          std::string("<button action=\"minimize\" posx=\"1\" ") + row.attribute + "/>"));
    ASSERT_TRUE(load(manager, skin, 1920, 1080));
    EXPECT_EQ(manager.getNode("minimize", -1)->shown, row.kept ? 1 : 0);
  }
}

TEST_F(SkinLoader, LaterElementForTheSameNodeWins) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(
      skinXml("",
              "<button action=\"minimize\" posx=\"1\"/>\n"
              "<group action=\"tb_config\"><button action=\"minimize\" posx=\"2\" hidden=\"\"/></group>"));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(load(manager, skin, 0, 0));
  ZRDrawNode* node = manager.getNode("minimize", -1);
  EXPECT_EQ(node->x, 2);
  EXPECT_EQ(node->shown, 0);
  EXPECT_EQ(node->parent, manager.getNode("tb_config", -1));
  EXPECT_EQ(manager.getRootNode()->children.size(), 1u);
}

TEST_F(SkinLoader, SkinScriptElementsAndScriptText) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("jscode=\"var a = 1;\" oninit=\"start();\" ontimertick=\"\"",
                        "<button action=\"_play\" posx=\"3\" onmouseup=\"up();\"/>\n"
                        "<grid action=\"_cells\" oncellclick=\"cell(xx);\"/>\n"
                        "<group action=\"_panel\" posx=\"50\"><textarea action=\"_label\"/></group>\n"
                        "<button action=\"play_without_underscore\"/>"));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(load(manager, skin, 0, 0));
  const std::string expected =
      "var a = 1;"
      "\nfunction skinInit(uniqueId)\n{\n  start();\n}\n"
      "\nfunction timerTick(uniqueId)\n{\n  \n}\n"
      "\nfunction _play_onmouseup(xx,yy,button,value)\n{\n  up();\n}\n"
      "\nfunction _cells_oncellclick(xx,yy,button,value)\n{\n  cell(xx);\n}\n";
  EXPECT_EQ(manager.getSkinScript(), expected);
  ASSERT_EQ(calls.scripts.size(), 1u);
  EXPECT_EQ(calls.scripts[0], expected);
  EXPECT_EQ(calls.inits, 1);

  ZRDrawNode* play = manager.getNode("_play", -2);
  ASSERT_NE(play, nullptr);
  EXPECT_TRUE(play->isExtraNode);
  EXPECT_EQ(play->id, 0);
  EXPECT_EQ(play->deck, -2);
  EXPECT_EQ(play->actionCode, 0);
  EXPECT_EQ(play->name, "d-2__0");
  EXPECT_EQ(play->x, 3);
  EXPECT_EQ(play->elementType, ELEMENT_button);
  EXPECT_EQ(manager.getExtraNode(ZRString(), 1), manager.getNode("_cells", -2));
  ZRDrawNode* label = manager.getNode("_label", -2);
  ASSERT_NE(label, nullptr);
  EXPECT_EQ(label->parent, manager.getNode("_panel", -2));

  // A press and release of the script button call both script functions; only the second exists.
  play->callActionSlot(0, 1);
  play->callActionSlot(1, 0);
  manager.getNode("_cells", -2)->getActionSlot(0)(4, 0, 2, manager.getNode("_cells", -2));
  EXPECT_EQ(calls.callbacks,
            (std::vector<std::string>{"_play_onmousedown(-1,-1,-1)", "_play_onmouseup(-1,-1,-1)",
                                      "_cells_oncellclick(2,4,-1)"}));
  // A label takes the mouse slots too; a group gets no callbacks.
  EXPECT_NE(label->getActionSlot(0), nullptr);
  EXPECT_EQ(manager.getNode("_panel", -2)->getActionSlot(0), nullptr);

  // The next load replaces the script nodes.
  skin.writeXml(skinXml("", "<button action=\"_other\"/>"));
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_EQ(manager.getNode("_play", -2), nullptr);
  EXPECT_EQ(manager.getNode("_other", -2)->id, 0);
  EXPECT_EQ(manager.getSkinScript(), "");
}

TEST_F(SkinLoader, ReloadResetsTheTreeAndInputState) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("", kSmallSkin));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(load(manager, skin, 0, 0));
  ZRDrawNode* minimize = manager.getNode("minimize", -1);
  recording(minimize)->focusable = true;
  manager.changeKBFocusToNode(minimize);
  manager.setLearnFocusedNode(minimize);
  skin.writeXml(skinXml("", "<button action=\"deck_sync\" deck=\"0\" posx=\"1\"/>"));
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_EQ(manager.getKBFocusNode(), nullptr);
  EXPECT_EQ(manager.getLearnFocusedNode(), nullptr);
  EXPECT_TRUE(manager.skinReloaded);
  EXPECT_EQ(minimize->shown, 0);
  EXPECT_EQ(minimize->parent, nullptr);
  EXPECT_EQ(manager.getNode("maximize", -1)->parent,
            manager.getNode("tb_config", -1));  // kept inside its group
  EXPECT_EQ(manager.getRootNode()->children, std::vector<ZRDrawNode*>{manager.getNode("deck_sync", 0)});
}

TEST_F(SkinLoader, ConstraintElementsOutsideConstraintSkinsAreIgnored) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("",
                        "<button action=\"minimize\" posx=\"4\" width=\"5\"/>\n"
                        "<constraint action1=\"minimize\" attr1=\"Leading\" constant=\"100\"/>"));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_EQ(manager.getNode("minimize", -1)->x, 4);
}

TEST_F(SkinLoader, DecksOutsideTheTableAreRefusedWithALogLine) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("",
                        "<button action=\"deck_sync\" deck=\"2\" posx=\"4\"/>\n"
                        "<button action=\"deck_sync\" deck=\"-7\" posx=\"4\"/>\n"
                        "<button action=\"deck_match\" deck=\"1\" posx=\"4\"/>"));
  ZRNodeManager manager(nullptr, &classes);
  LogCapture log(true);
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_EQ(log.count("deck 2 does not exist"), 1);
  EXPECT_EQ(log.count("deck -7 does not exist"), 1);
  EXPECT_EQ(manager.getRootNode()->children.size(), 1u);
}

TEST_F(SkinLoader, GroupThatWouldContainItselfDoesNotLoop) {
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("",
                        "<group action=\"tb_config\"><group action=\"tb_tab_in_tab\">"
                        "<group action=\"tb_config\"/></group></group>"));
  ZRNodeManager manager(nullptr, &classes);
  LogCapture log(true);
  ASSERT_TRUE(load(manager, skin, 0, 0));
  ZRDrawNode* outer = manager.getNode("tb_config", -1);
  ZRDrawNode* inner = manager.getNode("tb_tab_in_tab", -1);
  EXPECT_EQ(outer->parent, manager.getRootNode());
  EXPECT_EQ(inner->parent, outer);
  EXPECT_TRUE(inner->children.empty());
  EXPECT_TRUE(log.contains("would contain itself"));
}

TEST_F(SkinLoader, DoubleResolutionImageWhenTheDisplayWantsIt) {
  SkinFiles skin;
  skin.writeParts(10, {10});
  skin.writeXml(skinXml("", "<button action=\"minimize\" posx=\"1\"/>"));
  ZRNodeManager manager(nullptr, &classes);
  manager.retina = true;
  ASSERT_TRUE(load(manager, skin, 0, 0));  // no -x2 file: the normal image at scale 1
  EXPECT_EQ(manager.uiScale, 1);
  writeFile(skin.dir.file("skin-x2.png"), encodePng(solidPicture(20, 20, 1, 1, 1), false));
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_EQ(manager.uiScale, 2);
  EXPECT_EQ(manager.getNode("minimize", -1)->scale, 2);
  EXPECT_EQ(manager.getNode("deck_sync", 0)->scale, 2);
  int inPart = 0;
  EXPECT_EQ(manager.getTextureIndexForCoordinate(9, inPart, false), 0);
  EXPECT_EQ(manager.getTextureIndexForCoordinate(10, inPart, false), -1);  // 20 pixels = 10 points
  manager.retina = false;
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_EQ(manager.uiScale, 1);
}

TEST_F(SkinLoader, ImagePartsFollowTheNamingRule) {
  SkinFiles skin;
  skin.writeParts(10, {10, 20, 30});
  skin.writeXml(skinXml("", ""));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(load(manager, skin, 0, 0, 3));
  EXPECT_EQ(manager.getImageTotalHeight(), 60);
  FileDelete(ZRString(skin.dir.file("skin_3.png")));
  LogCapture log(true);
  EXPECT_FALSE(load(manager, skin, 0, 0, 3));
  EXPECT_TRUE(log.contains("skin_3.png"));
}

// Bad skins: each fails with a log line and the previous skin stays loaded, tree and image alike.
TEST_F(SkinLoader, BadSkinsLeaveThePreviousSkinLoaded) {
  struct Row {
    const char* what;
    std::function<void(const SkinFiles&)> damage;
    int parts;
  };
  const std::vector<Row> rows = {
      {"not XML", [](const SkinFiles& s) { writeFile(s.xml(), "this is not <xml"); }, 1},
      {"empty file", [](const SkinFiles& s) { writeFile(s.xml(), ""); }, 1},
      {"wrong root", [](const SkinFiles& s) { writeFile(s.xml(), "<?xml version=\"1.0\"?><skins/>"); }, 1},
      {"missing XML", [](const SkinFiles& s) { FileDelete(ZRString(s.xml())); }, 1},
      {"missing image part", [](const SkinFiles&) {}, 2},
      {"undecodable image", [](const SkinFiles& s) { writeFile(s.image(), "PNG? no"); }, 1},
      {"parts of different widths",
       [](const SkinFiles& s) {
         writeFile(s.dir.file("skin_2.png"), encodePng(solidPicture(9, 4, 1, 1, 1), false));
       },
       2},
      {"part count 0", [](const SkinFiles&) {}, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SkinFiles good;
    good.writeParts(16, {16});
    good.writeXml(skinXml("screenwidth=\"300\" screenheight=\"200\"", kSmallSkin));
    ZRNodeManager manager(nullptr, &classes);
    ASSERT_TRUE(load(manager, good, 0, 0));
    const Rect before = rectOf(manager.getNode("minimize", -1));

    SkinFiles bad;
    bad.writeParts(16, {8});
    bad.writeXml(skinXml("screenwidth=\"900\"", "<button action=\"minimize\" posx=\"77\"/>"));
    row.damage(bad);
    LogCapture log(true);
    EXPECT_FALSE(manager.loadSkin(ZRString(bad.xml()), ZRString(bad.image()), 0, 0, row.parts));
    EXPECT_FALSE(log.lines().empty());
    EXPECT_EQ(manager.getSkinPath(), ZRString(good.xml()));
    EXPECT_EQ(manager.skinWidth, 300);
    EXPECT_EQ(manager.getImageTotalHeight(), 16);
    expectRect(manager.getNode("minimize", -1), before);
    EXPECT_EQ(manager.getNode("minimize", -1)->shown, 1);
  }
}

// Odd but well-formed skins load without harm.
TEST_F(SkinLoader, OddSkinsLoad) {
  SkinFiles skin;
  skin.writeParts(16, {16});
  ZRNodeManager manager(nullptr, &classes);

  skin.writeXml(
      skinXml("screenwidth=\"99999999999\" screenheight=\"-4\"",
              "<button action=\"minimize\" posx=\"1e30\" posy=\"-1e30\" width=\"-5\" height=\"nan\"/>\n"
              "<unknowntag action=\"maximize\" posx=\"3\"/>\n"
              "<button action=\"no_such_action\" posx=\"3\"/>\n"
              "<button posx=\"3\"/>\n<button action=\"_\"/>\n<widget action=\"_x\"/>"));
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_EQ(manager.skinWidth, 2147483647);
  EXPECT_EQ(manager.skinHeight, 600);
  ZRDrawNode* minimize = manager.getNode("minimize", -1);
  EXPECT_EQ(minimize->x, 2147483647.0f);
  EXPECT_EQ(minimize->width, -5);
  // An unknown tag still places an action's node (its class comes from the action); unknown actions and
  // script names of unknown tags make nothing.
  EXPECT_EQ(manager.getNode("maximize", -1)->shown, 1);
  EXPECT_NE(manager.getNode("_", -2), nullptr);
  EXPECT_EQ(manager.getNode("_x", -2), nullptr);
  EXPECT_EQ(manager.getRootNode()->children.size(), 3u);
  manager.actionRouteMouse(0, 5, 5, 0, 1, 0, 0);
  manager.actionRouteMouse(1, 5, 5, 0, 0, 0, 0);

  // A one-megabyte script attribute reaches the script engine whole.
  const std::string big(1 << 20, 'x');
  skin.writeXml(skinXml("jscode=\"" + big + "\"", "<button action=\"_b\" onmousedown=\"" + big + "\"/>"));
  ASSERT_TRUE(load(manager, skin, 0, 0));
  ASSERT_EQ(calls.scripts.size(), 2u);
  EXPECT_EQ(calls.scripts[1].size(),
            2 * big.size() + std::string("\nfunction _b_onmousedown(xx,yy,button,value)\n{\n  \n}\n").size());
}

TEST_F(SkinLoader, WithoutAScriptEngineTheSkinStillLoads) {
  installInitSkinScriptHook(nullptr);
  installCallSkinInitHook(nullptr);
  installCallSkinCallbackHook(nullptr);
  installTestEnableVideoButtonHook(nullptr);
  SkinFiles skin;
  skin.writeParts(8, {8});
  skin.writeXml(skinXml("jscode=\"x();\"", "<button action=\"_b\" onmousedown=\"y();\"/>"));
  ZRNodeManager manager(nullptr, &classes);
  ASSERT_TRUE(load(manager, skin, 0, 0));
  EXPECT_FALSE(initSkinScript("x();"));
  EXPECT_TRUE(initSkinScript(""));
  manager.getNode("_b", -2)->callActionSlot(0, 1);  // no script: nothing happens
}

}  // namespace
