// The default skin drawn offscreen with OpenGL: every element of the shipped skin drawn by a preview class
// that shows what the skin gives it (its pictures, colours and the English captions), at the image sets of
// a 1280 x 720 and a 1920 x 1080 display. Checks that the picture is drawn where the layout put each node:
// panel backgrounds in their colours and button plates as their pictures in the chosen image set.
//
// With the environment variable ORVEL_SKIN_PREVIEW naming a folder, the frames are also written there as
// default-skin-<width>x<height>.png (the README's screenshot is made this way).

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_files_platform.h"
#include "common/zr_parameter_list.h"
#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "gui/skin_engine_hooks.h"
#include "gui/zr_draw_context.h"
#include "gui/zr_image_raw_data.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_skin_manager.h"
#include "support/display_required.h"
#include "support/image_fixtures.h"
#include "support/test_support.h"

namespace {

using orvel_test::RenderTarget;

const std::string kSkinFolder = orvel_test::sourceFile("resources/skins");

// What the preview writes into texts the application would fill.
const std::map<std::string, std::string> kSampleTexts = {
    {"deck_titlename", "Night Drive"}, {"deck_artistname", "Orvel Demo"}, {"deck_bpm", "124.00"},
    {"deck_pitch_key_label", "= (Am)"}, {"deck_elapsed", "00:41.2"},     {"deck_remained", "-01:12.8"},
    {"deck_pitch_tempo", "0.00%"},      {"time", "09:41PM"},             {"record_time", ""},
    {"background_tasks_remaining", ""}, {"sampler1_name", "Air Horn"},    {"sampler2_name", "Kick"},
    {"sampler3_name", "Snare"},         {"sampler4_name", "Clap"},        {"sampler5_name", "Siren"},
    {"sampler6_name", "Laser"},         {"sampler7_name", "Drop"},        {"sampler8_name", "Beat Loop"},
};

ZRColorFloat colourOf(const ZRParameterList& a, const char* name) {
  return a.getColorFloat(name, nullptr);
}

// Draws what the skin gave the node: its up picture, its colours, its caption.
class PreviewNode : public ZRDrawNode {
 public:
  using ZRDrawNode::ZRDrawNode;

  void refreshCoordinates(ZRParameterList* attributes) override {
    ZRDrawNode::refreshCoordinates(attributes);
    if (attributes != nullptr) attrs = *attributes;
  }

  void render(double dt, float x, float y) override {
    if (!shown) return;
    draw(x, y);
    ZRDrawNode::render(dt, x, y);
  }

  ZRParameterList attrs;

 private:
  std::string action() const {
    if (isExtraNode) return extraName.utf8();
    return id >= 1 && id < CACTION_COUNT ? GetActionName(id) : "";
  }

  void picture(const char* xName, const char* yName, float w, float h, float x, float y) {
    const float px = attrs.getFloat(xName, -1), py = attrs.getFloat(yName, -1);
    if (px >= 0 && py >= 0) mainTexture_drawRect(px, py, w, h, x, y, 1, 1, 1, 0, 1);
  }

  // Redraws the node's own bitmap with fn, uploads it and draws it at (x, y).
  template <typename Fn>
  void bitmap(float x, float y, Fn fn) {
    createDrawContext(-1, -1);
    if (drawContext == nullptr || !drawContext->isValid()) return;
    drawContext->clear();
    fn(*drawContext);
    updateTextureFromDrawContext();
    if (texture) texture->drawRect(0, 0, width, height, x, y, 1, 1, 1, 0, 1);
  }

  void caption(ZRDrawContext& c, const std::string& text, textAlign fallback) {
    const ZRColorFloat f = colourOf(attrs, "fontcolor");
    c.setFontColor(f.r, f.g, f.b, f.a);
    c.drawText(0, 0, ZRString(text), attrs.getStr("fontname", ZRString("Arial")), attrs.getFloat("fontsize", 12),
               attrs.getTextStyle("fontstyle", textStyleInvalid), attrs.getTextAlign("fontalign", fallback),
               static_cast<int>(width), static_cast<int>(height));
  }

  void fill(ZRDrawContext& c, const char* colourName) {
    const ZRColorFloat b = colourOf(attrs, colourName);
    c.setFillColor(b.r, b.g, b.b, b.a);
    c.drawFilledRect(0, 0, width, height, 0);
  }

  // A made-up waveform in the node's data colour.
  void waveform(ZRDrawContext& c) {
    const ZRColorFloat d = colourOf(attrs, "datacolor");
    c.setPenColor(d.r, d.g, d.b, 0.9f);
    c.setPenWidth(1);
    for (int i = 0; i < static_cast<int>(width); i += 2) {
      const float a = 0.25f + 0.7f * std::fabs(std::sin(i * 0.05f) * std::cos(i * 0.013f + deck));
      c.drawLine(static_cast<float>(i), height / 2 - a * height / 2, static_cast<float>(i), height / 2 + a * height / 2);
    }
    c.stroke();
  }

  void draw(float x, float y) {
    const std::string name = action();
    switch (elementType) {
      case ELEMENT_button: {
        picture("upx", "upy", width, height, x, y);
        const ZRString label = id >= 1 && !isExtraNode ? getLabelName(id) : ZRString();
        bitmap(x, y, [&](ZRDrawContext& c) { caption(c, label.utf8(), textAlignCenter); });
        break;
      }
      case ELEMENT_slider: {
        picture("upx", "upy", width, height, x, y);
        if (name == "deck_pos") bitmap(x, y, [&](ZRDrawContext& c) { waveform(c); });
        const float cw = attrs.getFloat("cursorwidth", -1), ch = attrs.getFloat("cursorheight", -1);
        if (cw > 0 && ch > 0)
          picture("cursorupx", "cursorupy", cw, ch, x + std::round((width - cw) / 2), y + std::round((height - ch) / 2));
        break;
      }
      case ELEMENT_textarea: {
        std::string text;
        auto sample = kSampleTexts.find(name);
        if (sample != kSampleTexts.end()) {
          text = sample->second;
        } else if (!isExtraNode && GetActionSubType(id) == 1) {
          text = getLabelName(id).utf8();
          const size_t letter = text.find("%c");
          if (letter != std::string::npos) text.replace(letter, 2, std::string(1, static_cast<char>('A' + deck)));
        }
        bitmap(x, y, [&](ZRDrawContext& c) { caption(c, text, textAlignLeft); });
        break;
      }
      case ELEMENT_image:
      case ELEMENT_playlive:
        picture("upx", "upy", width, height, x, y);
        break;
      case ELEMENT_backsolid:
        bitmap(x, y, [&](ZRDrawContext& c) {
          const ZRColorFloat f = colourOf(attrs, "color");
          c.setFillColor(f.r, f.g, f.b, f.a);
          c.drawFilledRoundRectWithSize(0, 0, width, height, attrs.getFloat("roundrectradius", 0), 0);
        });
        break;
      case ELEMENT_dropdownlist:
        bitmap(x, y, [&](ZRDrawContext& c) {
          fill(c, "backcolor");
          caption(c, "  Flanger", textAlignLeft);
        });
        break;
      case ELEMENT_editarea:
        bitmap(x, y, [&](ZRDrawContext& c) {
          fill(c, "backcolor");
          caption(c, " " + getTextName(GetTextIndex("txt_search_song_msg")).utf8(), textAlignLeft);
        });
        break;
      case ELEMENT_browser:
      case ELEMENT_list:
        bitmap(x, y, [&](ZRDrawContext& c) { rows(c, elementType == ELEMENT_browser); });
        break;
      case ELEMENT_vumeter: {
        const bool vertical = height > width;
        const float lit = std::round((vertical ? height : width) * 0.6f);
        if (vertical)
          mainTexture_drawRect(attrs.getFloat("upx", 0), attrs.getFloat("upy", 0) + height - lit, width, lit, x,
                               y + height - lit, 1, 1, 1, 0, 1);
        else
          mainTexture_drawRect(attrs.getFloat("upx", 0), attrs.getFloat("upy", 0), lit, height, x, y, 1, 1, 1, 0, 1);
        break;
      }
      case ELEMENT_sounddisplay:
        bitmap(x, y, [&](ZRDrawContext& c) { waveform(c); });
        break;
      case ELEMENT_wheel:
        picture("defimgx", "defimgy", width, height, x, y);
        picture("transparentwheelx", "transparentwheely", width, height, x, y);
        break;
      default:
        break;
    }
  }

  void rows(ZRDrawContext& c, bool browser) {
    static const char* const kTree[][2] = {{"Library", "1"},  {"Special Lists", "2"}, {"History", "4"},
                                           {"Search results", "5"}, {"User Lists", "6"}, {"Favorites", "8"},
                                           {"Finder", "10"}, {"Desktop", "11"}, {"Home", "11"}};
    static const char* const kTracks[] = {"Orvel Demo   Night Drive   124.0   0:23   House   Am",
                                          "Orvel Demo   Morning Run   128.0   0:22   Techno   D"};
    const float line = attrs.getFloat("linesize", 28);
    const ZRColorFloat f = colourOf(attrs, "fontcolor");
    for (int row = 0; row * line < height; ++row) {
      const ZRColorFloat bg = colourOf(attrs, row % 2 ? "linecolor1" : "linecolor2");
      c.setFillColor(bg.r, bg.g, bg.b, bg.a);
      c.drawFilledRect(0, row * line, width, (row + 1) * line, 0);
      const char* text = nullptr;
      if (browser && row < 9) text = kTree[row][0];
      if (!browser && row < 2) text = kTracks[row];
      if (text == nullptr) continue;
      c.setFontColor(f.r, f.g, f.b, f.a);
      const float indent = browser ? (row >= 2 && row <= 3 ? 18 : 8) + attrs.getFloat("iconsize", 16) + 6 : 8;
      c.drawText(indent, row * line, ZRString(text), attrs.getStr("fontname", ZRString("Arial")),
                 attrs.getFloat("fontsize", 12), textStyleInvalid, textAlignLeft, static_cast<int>(width - indent),
                 static_cast<int>(line));
    }
    if (browser) {
      // Icons come from the strip of the skin image: drawn by the frame after the bitmap.
      c.setPenColor(f.r, f.g, f.b, 0);
    }
  }
};

class PreviewClasses : public ZRNodeClassFactory {
 public:
  ZRDrawNode* createNode(int type, ZRNodeManager* manager, float scale, int id, int deck) override {
    return typeHasClass(type) ? new PreviewNode(manager, nullptr, scale, id, deck, -1) : nullptr;
  }
};

class DefaultSkinRender : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
    installInitSkinScriptHook([](const std::string&) { return true; });
    installCallSkinInitHook([] {});
    installTestEnableVideoButtonHook([] {});
    char resources[4096];
    ASSERT_TRUE(GetResourcesDir_Apple(resources, sizeof resources));
    ClearLanguageTables();
    ASSERT_TRUE(LoadLanguage(ZRString(resources) + ZRString("languages/english.xml")));
    catalogue.addSkinsFromFolder(ZRString(kSkinFolder), nullptr);
  }
  void TearDown() override {
    installInitSkinScriptHook(nullptr);
    installCallSkinInitHook(nullptr);
    installTestEnableVideoButtonHook(nullptr);
    ClearLanguageTables();
  }

  ZRSkinManager catalogue;
  PreviewClasses classes;
};

std::vector<uint8_t> pixelAt(const std::vector<uint8_t>& frame, int width, float x, float y) {
  const size_t i = (static_cast<size_t>(std::lround(y)) * width + static_cast<size_t>(std::lround(x))) * 4;
  return {frame[i], frame[i + 1], frame[i + 2]};
}

void expectNear(const std::vector<uint8_t>& got, const std::vector<uint8_t>& want, const std::string& what) {
  for (int c = 0; c < 3; ++c) EXPECT_NEAR(got[c], want[c], 10) << what << " channel " << c;
}

TEST_F(DefaultSkinRender, DrawsTheSkinWhereTheLayoutPutsIt) {
  for (const auto& display : {std::pair<int, int>{1280, 720}, std::pair<int, int>{1920, 1080}}) {
    SCOPED_TRACE(std::to_string(display.first) + "x" + std::to_string(display.second));
    ZRString xml, image;
    int w = 0, h = 0, parts = 0;
    ASSERT_TRUE(catalogue.getBestSkinDetailsForResolution("Orvel", display.first, display.second, xml, image, w,
                                                          h, parts));
    ZRNodeManager manager(nullptr, &classes);
    ASSERT_TRUE(manager.loadSkin(xml, image, w, h, parts));
    RenderTarget target(w, h);
    target.begin(0, 0, 0, 1);
    manager.render(0.016);
    target.end();
    const std::vector<uint8_t> frame = target.read();
    manager.getRootNode()->destroyAllGraphicsResources();

    if (const char* folder = std::getenv("ORVEL_SKIN_PREVIEW")) {
      orvel_test::TestPicture picture;
      picture.width = w;
      picture.height = h;
      picture.rgba = frame;
      orvel_test::writeFile(std::string(folder) + "/default-skin-" + std::to_string(w) + "x" + std::to_string(h) +
                                ".png",
                            orvel_test::encodePng(picture, false));
    }

    // Not a blank window: many colours.
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 3 < frame.size(); i += 4 * 7)
      colours.insert(frame[i] << 16 | frame[i + 1] << 8 | frame[i + 2]);
    EXPECT_GT(colours.size(), 200u);

    // Panel backgrounds: an empty spot of deck A (its controls row's spacer) shows the panel colour, the
    // gap between the waveforms and the decks the window's.
    auto centreOf = [&](ZRDrawNode* node, float& cx, float& cy) {
      ASSERT_NE(node, nullptr);
      node->getAbsolutePosition(cx, cy);
      cx += node->width / 2;
      cy += node->height / 2;
    };
    float cx = 0, cy = 0;
    centreOf(manager.getExtraNode(ZRString("_ctlspaceA"), -1), cx, cy);
    expectNear(pixelAt(frame, w, cx, cy), {0x16, 0x1a, 0x20}, "deck panel");
    ZRDrawNode* decks = manager.getExtraNode(ZRString("_decks"), -1);
    ASSERT_NE(decks, nullptr);
    float dx = 0, dy = 0;
    decks->getAbsolutePosition(dx, dy);
    expectNear(pixelAt(frame, w, dx + decks->width / 2, dy - 2), {0x0d, 0x0f, 0x12}, "window background");

    // A button plate is its picture from the image set, at its place.
    unsigned char** frames = nullptr;
    int count = 0, iw = 0, ih = 0;
    bool alpha = false;
    ASSERT_TRUE(getImageRawData(image.utf8().c_str(), false, true, frames, count, alpha, iw, ih, false));
    for (const char* action : {"deck_load", "deck_cuepos_3", "cfg"}) {
      for (int deck : {0, 1}) {
        ZRDrawNode* node = manager.getNode(action, GetActionGlobal(GetActionIndex(action)) ? -1 : deck);
        ASSERT_NE(node, nullptr);
        float x = 0, y = 0;
        node->getAbsolutePosition(x, y);
        // Inside the plate, clear of the caption in its middle.
        const int sx = static_cast<int>(node->upx + 5), sy = static_cast<int>(node->upy + node->height / 2);
        const unsigned char* p = frames[0] + (static_cast<size_t>(sy) * iw + sx) * 4;
        expectNear(pixelAt(frame, w, x + 5, y + node->height / 2), {p[0], p[1], p[2]}, action);
      }
    }
    freeImageFrames(frames, count);
  }
}

}  // namespace
