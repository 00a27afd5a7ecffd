// Overlay items, layers and the simple overlay layer, drawn through the video output offscreen.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <thread>

#include "common/zr_texture.h"
#include "gl_test_context.h"
#include "gui/zr_draw_context.h"
#include "opengl_directx/zr_video_frame_functions.h"
#include "support/counting_texture.h"
#include "support/display_required.h"
#include "support/image_fixtures.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "video_mixing/zr_overlay_graphics_layers.h"
#include "video_mixing/zr_overlay_graphics_simple.h"
#include "video_mixing/zr_overlay_item.h"
#include "video_mixing/zr_simple_overlays.h"
#include "video_mixing/zr_ticker_renderer.h"
#include "video_mixing/zr_video_output.h"

namespace {

using namespace orvel_test;

// 16:9, as the output's view is.
constexpr int kW = 320;
constexpr int kH = 180;

struct Centroid {
  double x = -1, y = -1;
  int count = 0;
};

// The centre of the pixels brighter than threshold (any channel), rows counted from the top.
Centroid brightCentroid(const std::vector<uint8_t>& rgba, int threshold = 100) {
  Centroid c;
  double sx = 0, sy = 0;
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      const uint8_t* p = rgba.data() + (static_cast<size_t>(y) * kW + x) * 4;
      if (std::max({p[0], p[1], p[2]}) < threshold) continue;
      sx += x;
      sy += y;
      ++c.count;
    }
  }
  if (c.count > 0) {
    c.x = sx / c.count;
    c.y = sy / c.count;
  }
  return c;
}

class OverlayOutput : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensureGLContext()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display for OpenGL";
    frame();  // makes the layer stack
    ASSERT_NE(getOverlayGraphicsLayers(), nullptr);
  }
  void TearDown() override { DeinitVideoSourceRenderers(1); }

  // One output frame, R, G, B, A rows top first.
  std::vector<uint8_t> frame(double dt = 1.0 / 60) {
    RenderTarget target(kW, kH);
    target.begin();
    RenderVideoOutputFrame(dt, kW, kH, 1);
    target.end();
    return target.read();
  }
  static const uint8_t* at(const std::vector<uint8_t>& rgba, int x, int y) {
    return rgba.data() + (static_cast<size_t>(y) * kW + x) * 4;
  }
  // A simple layer in the output's stack (deleted with the stack).
  ZROverlayGraphicsSimple* addLayer() {
    ZROverlayGraphicsLayers* stack = getOverlayGraphicsLayers();
    auto* layer = new ZROverlayGraphicsSimple(stack->getItemRenderCallback(), nullptr);
    stack->addLayer(layer, nullptr);
    return layer;
  }
  TempDir dir_;
};

// A text placed by each alignment lands in that part of the frame; free placement keeps its own spot.
TEST_F(OverlayOutput, TextLandsWhereItsAlignmentSays) {
  struct Case {
    textAlign align;
    int column;  // 0 left, 1 middle, 2 right third
    int row;     // 0 top, 1 middle, 2 bottom third
  };
  const Case cases[] = {
      {textAlignCenter, 1, 1},     {textAlignTop, 1, 0},         {textAlignTopRight, 2, 0},
      {textAlignRight, 2, 1},      {textAlignBottomRight, 2, 2}, {textAlignBottom, 1, 2},
      {textAlignBottomLeft, 0, 2}, {textAlignLeft, 0, 1},        {textAlignTopLeft, 0, 0},
      {textAlignInvalid, 0, 2},  // free, at posx 0.2, posy 0.2 (y from the bottom)
  };
  ZROverlayGraphicsSimple* layer = addLayer();
  for (const Case& c : cases) {
    ASSERT_TRUE(
        layer->addItemText("HH", 0.2f, 0.2f, 0.2f, 0.2f, 48, "Arial", 1, 1, 1, 1, 0, textStyleBold, c.align));
    layer->commitChanges();
    const Centroid got = brightCentroid(frame());
    ASSERT_GT(got.count, 20) << "align " << c.align;
    EXPECT_EQ(static_cast<int>(got.x * 3 / kW), c.column) << "align " << c.align << " x " << got.x;
    EXPECT_EQ(static_cast<int>(got.y * 3 / kH), c.row) << "align " << c.align << " y " << got.y;
  }
}

TEST_F(OverlayOutput, PictureIsFadedAndTurned) {
  const std::string path = dir_.file("red.png");
  ASSERT_TRUE(writeFile(path, encodePng(solidPicture(64, 32, 255, 0, 0), false)));
  ZROverlayGraphicsSimple* layer = addLayer();
  // 0.3 of the height: 54 px high, 108 px wide; turned a quarter it stands 108 high and 54 wide.
  ASSERT_TRUE(layer->addItemImageOrVideo(path.c_str(), 0.5f, 0.5f, 0.3f, 0.3f, 0.5f, 90, textAlignCenter));
  layer->commitChanges();
  const std::vector<uint8_t> out = frame();
  const int cx = kW / 2, cy = kH / 2;
  EXPECT_NEAR(at(out, cx, cy)[0], 128, 12) << "half opacity over black";
  EXPECT_LT(at(out, cx, cy)[2], 10);
  EXPECT_GT(at(out, cx, cy + 40)[0], 100) << "inside the turned picture";
  EXPECT_LT(at(out, cx + 40, cy)[0], 10) << "where the picture was before it turned";
}

// Each output frame shows the next frame of an animation; a frame that renews only part of the picture
// is shown over the ones before it.
TEST_F(OverlayOutput, AnimatedGifStepsThroughItsFrames) {
  const std::vector<uint8_t> palette = {255, 0, 0, 0, 0, 255, 0, 255, 0, 0, 0, 0};
  TestGifFrame red{0, 0, 16, 16, std::vector<uint8_t>(256, 0)};
  TestGifFrame blue{0, 0, 16, 16, std::vector<uint8_t>(256, 1)};
  TestGifFrame greenCorner{8, 8, 8, 8, std::vector<uint8_t>(64, 2)};
  const std::string path = dir_.file("anim.gif");
  ASSERT_TRUE(writeFile(path, encodeGif(16, 16, palette, {red, blue, red, greenCorner})));
  ZROverlayGraphicsSimple* layer = addLayer();
  ASSERT_TRUE(layer->addItemImageOrVideo(path.c_str(), 0.5f, 0.5f, 0.5f, 0.5f, 1, 0, textAlignCenter));
  layer->commitChanges();
  const int cx = kW / 2;
  const int topLeftY = kH / 2 - 20, bottomRightY = kH / 2 + 20;
  struct Want {
    uint8_t r, g, b;
  };
  const Want seen[][2] = {
      {{255, 0, 0}, {255, 0, 0}},  // red
      {{0, 0, 255}, {0, 0, 255}},  // blue
      {{255, 0, 0}, {255, 0, 0}},  // red again
      {{255, 0, 0}, {0, 255, 0}},  // the green corner over the red
      {{255, 0, 0}, {255, 0, 0}},  // and round again
  };
  for (const auto& want : seen) {
    const std::vector<uint8_t> out = frame();
    const uint8_t* tl = at(out, cx - 20, topLeftY);
    const uint8_t* br = at(out, cx + 20, bottomRightY);
    EXPECT_NEAR(tl[0], want[0].r, 8);
    EXPECT_NEAR(tl[1], want[0].g, 8);
    EXPECT_NEAR(tl[2], want[0].b, 8);
    EXPECT_NEAR(br[0], want[1].r, 8);
    EXPECT_NEAR(br[1], want[1].g, 8);
    EXPECT_NEAR(br[2], want[1].b, 8);
  }
}

// The shipped overlay list shows on the output: its bold white text, half transparent, bottom right.
TEST_F(OverlayOutput, ShippedDefaultOverlayShows) {
  ZRSimpleOverlays overlays;
  ASSERT_TRUE(overlays.load(ZRString(sourceFile("resources/overlays/default.xml")), ZRString()));
  ZROverlayGraphicsSimple* layer = addLayer();
  overlays.addItemsToLayer(layer);
  ASSERT_EQ(layer->pendingItemCount(), 1);
  layer->commitChanges();
  const Centroid got = brightCentroid(frame(), 60);
  ASSERT_GT(got.count, 20);
  EXPECT_GT(got.x, kW * 2 / 3);
  EXPECT_GT(got.y, kH * 2 / 3);
  const std::vector<uint8_t> out = frame();
  int brightest = 0;
  for (size_t i = 0; i < out.size(); i += 4) brightest = std::max<int>(brightest, out[i]);
  EXPECT_NEAR(brightest, 128, 16) << "opacity 0.5";

  // Hidden, it is gone from the next frame.
  layer->setVisible(false);
  EXPECT_EQ(brightCentroid(frame(), 60).count, 0);
}

// A still overlay costs the output nothing once drawn; a moving one keeps it drawing; showing or hiding
// the overlays is drawn once.
TEST_F(OverlayOutput, OnlyChangingOverlaysKeepTheOutputDrawing) {
  installVideoOutput();
  const ZRVideoOutputHooks* hooks = getVideoOutputHooks();
  ASSERT_NE(hooks, nullptr);
  ASSERT_NE(hooks->hasContent, nullptr);
  EXPECT_FALSE(hooks->hasContent());
  ZROverlayGraphicsSimple* layer = addLayer();
  ASSERT_TRUE(layer->addItemText("Still", 0.5f, 0.5f, 0.2f, 0.2f, 30, nullptr, 1, 1, 1, 1, 0,
                                 textStyleInvalid, textAlignCenter));
  layer->commitChanges();
  EXPECT_TRUE(hooks->hasContent()) << "a new batch";
  frame();
  EXPECT_FALSE(hooks->hasContent()) << "nothing moves";
  layer->setVisible(false);
  EXPECT_TRUE(hooks->hasContent()) << "hidden: drawn once more";
  frame();
  EXPECT_FALSE(hooks->hasContent());

  layer->setVisible(true);
  const std::string path = dir_.file("two.gif");
  const TestGifFrame a{0, 0, 2, 2, std::vector<uint8_t>(4, 0)}, b{0, 0, 2, 2, std::vector<uint8_t>(4, 1)};
  ASSERT_TRUE(writeFile(path, encodeGif(2, 2, {255, 0, 0, 0, 0, 255}, {a, b})));
  ASSERT_TRUE(layer->addItemImageOrVideo(path.c_str(), 0.5f, 0.5f, 0.2f, 0.2f, 1, 0, textAlignCenter));
  layer->commitChanges();
  for (int i = 0; i < 3; ++i) {
    frame();
    EXPECT_TRUE(hooks->hasContent()) << "an animation, frame " << i;
  }
  installVideoOutputHooks(nullptr);
}

// ---- pixel data
// ---------------------------------------------------------------------------------------------

class OverlayPixels : public ::testing::Test {
 protected:
  TempDir dir_;
};

TEST_F(OverlayPixels, PicturesAreSizedForUpload) {
  struct Case {
    int width, height;
    bool jpeg;
    int wantWidth, wantHeight;
  };
  const Case cases[] = {
      {1500, 1000, true, 1024, 680},  // opaque and wide: 1024 x 683, then multiples of 4
      {3, 2, false, 3, 2},            // under 4 px: kept, not rounded away
      {10, 7, false, 8, 4},
  };
  for (const Case& c : cases) {
    const std::string path = dir_.file(c.jpeg ? "p.jpg" : "p.png");
    const TestPicture picture = solidPicture(c.width, c.height, 10, 200, 30);
    ASSERT_TRUE(writeFile(path, c.jpeg ? encodeJpeg(picture) : encodePng(picture, false)));
    ZROverlayItem item;
    item.kind = kOverlayItemImage;
    item.textOrPath = path;
    loadOverlayItemDataFromDisk(&item, false, false, nullptr);
    ASSERT_EQ(item.frameCount(), 1) << c.width;
    EXPECT_EQ(item.pictureWidth, c.wantWidth);
    EXPECT_EQ(item.pictureHeight, c.wantHeight);
    EXPECT_EQ(item.frames[0].size(), static_cast<size_t>(c.wantWidth) * c.wantHeight * item.bytesPerPixel());
  }
}

// A picture deep in folders (a path far longer than a kilobyte) is found and shown like any other.
TEST_F(OverlayPixels, LongPathsAreKeptWhole) {
  std::string folder = dir_.path();
  for (int i = 0; i < 6; ++i) {
    folder += "/" + std::string(200, static_cast<char>('a' + i));
    ASSERT_TRUE(std::filesystem::create_directory(folder));
  }
  const std::string path = folder + "/deep.png";
  ASSERT_GT(path.size(), 1200u);
  ASSERT_TRUE(writeFile(path, encodePng(solidPicture(8, 8, 1, 2, 3), false)));
  ZROverlayGraphicsSimple layer(&displayOverlayItem, nullptr);
  ASSERT_TRUE(layer.addItemImageOrVideo(path.c_str(), 0.5f, 0.5f, 0.1f, 0.1f, 1, 0, textAlignCenter));
  ZROverlayItem item;
  item.kind = kOverlayItemImage;
  item.textOrPath = path;
  loadOverlayItemDataFromDisk(&item, false, false, nullptr);
  EXPECT_EQ(item.frameCount(), 1);
  EXPECT_EQ(item.pictureWidth, 8);
}

TEST_F(OverlayPixels, LongAnimationKeepsAtMostItsTextureCount) {
  std::vector<TestGifFrame> frames;
  for (int i = 0; i < kOverlayMaxFrames + 20; ++i)
    frames.push_back({0, 0, 2, 2, std::vector<uint8_t>(4, i % 2)});
  const std::string path = dir_.file("long.GIF");
  ASSERT_TRUE(writeFile(path, encodeGif(2, 2, {0, 0, 0, 255, 255, 255}, frames)));
  ZROverlayItem item;
  item.kind = kOverlayItemImage;
  item.textOrPath = path;
  loadOverlayItemDataFromDisk(&item, false, false, nullptr);
  EXPECT_EQ(item.frameCount(), kOverlayMaxFrames);
  for (const auto& frame : item.frames) EXPECT_EQ(frame.size(), 2u * 2 * 4);
}

TEST_F(OverlayPixels, TextsOfAnyLengthAreRenderedWithinTheCanvas) {
  ZRDrawContext* canvas = nullptr;
  for (const std::string& text : {std::string("Hi"), std::string(3000, 'W')}) {
    ZROverlayItem item;
    item.kind = kOverlayItemText;
    item.textOrPath = text;
    item.font = "Arial";
    item.fontSize = 48;
    item.red = 1;
    item.green = 0;
    item.blue = 0;
    loadOverlayItemDataFromDisk(&item, false, false, &canvas);
    ASSERT_EQ(item.frameCount(), 1) << text.size();
    EXPECT_GT(item.pictureWidth, 0);
    EXPECT_LE(item.pictureWidth, kOverlayTextContextWidth);
    EXPECT_LE(item.pictureHeight, kOverlayTextContextHeight);
    EXPECT_EQ(item.frames[0].size(), static_cast<size_t>(item.pictureWidth) * item.pictureHeight * 4);
    int maxAlpha = 0;
    for (size_t i = 3; i < item.frames[0].size(); i += 4)
      maxAlpha = std::max<int>(maxAlpha, item.frames[0][i]);
    EXPECT_GT(maxAlpha, 200) << "the text is drawn";
  }
  ZROverlayItem empty;
  empty.kind = kOverlayItemText;
  loadOverlayItemDataFromDisk(&empty, false, false, &canvas);
  EXPECT_EQ(empty.frameCount(), 0);
  delete canvas;
}

// ---- layers
// -------------------------------------------------------------------------------------------------

class CountingLayer : public ZROverlayGraphicsLayer {
 public:
  explicit CountingLayer(int* deleted) : ZROverlayGraphicsLayer(nullptr, nullptr), deleted_(deleted) {}
  ~CountingLayer() override { ++*deleted_; }
  void updateFromRenderThread(double, bool, void*, void*, float, float, bool, bool) override { ++draws; }
  void resetAllGraphicsResourcesInUse() override {}
  int draws = 0;

 private:
  int* deleted_;
};

TEST(OverlayLayers, StackHoldsEachLayerOnceInItsPlace) {
  int deleted = 0;
  {
    ZROverlayGraphicsLayers stack(&displayOverlayItem, nullptr, true);
    auto* a = new CountingLayer(&deleted);
    auto* b = new CountingLayer(&deleted);
    auto* stranger = new CountingLayer(&deleted);
    stack.addLayer(a, nullptr);
    stack.addLayer(a, nullptr);   // twice: still one entry, deleted once
    stack.addLayer(b, stranger);  // after a layer not in the stack: at the end
    EXPECT_EQ(stack.layerCount(), 2);
    stack.updateFromRenderThread(0.01, true, nullptr, nullptr, 100, 100, false, false);
    EXPECT_EQ(a->draws, 1);
    stack.removeLayer(b);
    EXPECT_FALSE(stack.containsLayer(b));
    delete b;
    delete stranger;
  }
  EXPECT_EQ(deleted, 3);
}

// Committing never waits: the newest batch replaces one the render thread has not taken.
TEST(OverlayLayers, NewestBatchReplacesAnUntakenOne) {
  std::vector<std::string> drawn;
  ZROverlayGraphicsSimple layer([&](ZROverlayItem* item, ZROverlayPage*, void*, double, bool, void*, void*,
                                    float, float, bool, bool) { drawn.push_back(item->textOrPath); },
                                nullptr);
  const auto start = std::chrono::steady_clock::now();
  markOverlayRenderThread();  // committing from the drawing thread itself must not wait either
  for (const char* text : {"first", "second", "third"}) {
    ASSERT_TRUE(layer.addItemText(text, 0.5f, 0.5f, 0.1f, 0.1f, 20, nullptr, 1, 1, 1, 1, 0, textStyleInvalid,
                                  textAlignCenter));
    EXPECT_TRUE(layer.commitChanges());
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2000));
  layer.updateFromRenderThread(0.01, true, nullptr, nullptr, 160, 90, false, false);
  EXPECT_EQ(drawn, std::vector<std::string>{"third"});
  EXPECT_FALSE(
      layer.addItemText("", 0, 0, 0, 0, 1, nullptr, 1, 1, 1, 1, 0, textStyleInvalid, textAlignCenter));
  EXPECT_FALSE(layer.addItemImageOrVideo("/no/such/file.png", 0, 0, 0, 0, 1, 0, textAlignCenter));
}

TEST(OverlayLayers, AlignmentStaysFiniteForDegenerateSizes) {
  struct Case {
    float aspect;
    int pictureWidth, pictureHeight;
    bool byHeight;
  };
  const Case cases[] = {
      {0, 10, 10, true}, {16.0f / 9, 10, 0, true}, {16.0f / 9, 0, 10, false}, {-1, 4, 4, false}};
  for (const Case& c : cases) {
    for (int align = textAlignCenter; align <= textAlignTopLeft; ++align) {
      ZROverlayItem item;
      item.keepAspect = true;
      item.byHeight = c.byHeight;
      item.pictureWidth = c.pictureWidth;
      item.pictureHeight = c.pictureHeight;
      item.alignment = align;
      ZROverlayGraphicsSimple::alignOverlayItem(&item, c.aspect, 0.02f);
      EXPECT_TRUE(std::isfinite(item.posx) && std::isfinite(item.posy)) << align;
    }
  }
  // The documented case: 400 x 300 by height 0.25 on 16:9 is 0.1875 wide; right-aligned it touches the
  // margin.
  ZROverlayItem item;
  item.keepAspect = item.byHeight = true;
  item.pictureWidth = 400;
  item.pictureHeight = 300;
  item.height = 0.25;
  item.alignment = textAlignRight;
  ZROverlayGraphicsSimple::alignOverlayItem(&item, 16.0f / 9, 0.02f);
  EXPECT_NEAR(item.posx, 1 - 0.02 * 9 / 16 - 0.1875 / 2, 1e-6);
}

// A texture that notes the thread it is deleted on (no GL: the other engine's factory).
class ThreadTexture : public CountingTexture {
 public:
  ThreadTexture() : CountingTexture(false, 1) {}
  ~ThreadTexture() override {
    (std::this_thread::get_id() == drawingThread ? deletedHere : deletedElsewhere)++;
  }
  static ZRTexture* create(bool, float, ZRRenderEngineType, void*, void*) {
    ++made;
    return new ThreadTexture();
  }
  static inline std::thread::id drawingThread;
  static inline int made = 0, deletedHere = 0, deletedElsewhere = 0;
};

// Layers and tickers let go of their textures on any thread; only the drawing thread deletes them.
TEST(OverlayLayers, TexturesAreDeletedOnlyOnTheDrawingThread) {
  ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, &ThreadTexture::create);
  ThreadTexture::drawingThread = std::this_thread::get_id();
  {
    ZROverlayGraphicsLayers stack(&displayOverlayItem, nullptr, true);
    auto* layer = new ZROverlayGraphicsSimple(stack.getItemRenderCallback(), nullptr);
    stack.addLayer(layer, nullptr);
    ASSERT_TRUE(layer->addItemText("T", 0.5f, 0.5f, 0.2f, 0.2f, 30, nullptr, 1, 1, 1, 1, 0, textStyleInvalid,
                                   textAlignCenter));
    layer->commitChanges();
    auto* ticker = new ZRTickerRenderer(0.1f, 0.1f, 0, 10);
    auto* tickerItem = new ZRTickerRenderer::TTickerItem{};
    tickerItem->pictureWidth = 4;
    tickerItem->pictureHeight = 2;
    tickerItem->pixels.assign(4 * 2 * 3, 200);
    ticker->queueItem(tickerItem);
    stack.updateFromRenderThread(0.01, false, nullptr, nullptr, 160, 90, false, false);
    ticker->updateFromRenderThread(0.01, 0, nullptr, nullptr, 160, 90, 0, 0);
    ASSERT_EQ(ThreadTexture::made, 2);

    stack.removeLayer(layer);
    std::thread([&] {
      delete layer;
      delete ticker;  // no frame acknowledges its stop: it waits its bound, then hands the textures over
    }).join();
    EXPECT_EQ(ThreadTexture::deletedElsewhere, 0);
    EXPECT_EQ(ThreadTexture::deletedHere, 0);
    stack.updateFromRenderThread(0.01, false, nullptr, nullptr, 160, 90, false, false);
    EXPECT_EQ(ThreadTexture::deletedHere, 2);
  }
  EXPECT_EQ(ThreadTexture::deletedElsewhere, 0);
  ZRTexture::registerTextureFactory(ZRRenderEngineRGBA, nullptr);
}

// ---- ticker
// -------------------------------------------------------------------------------------------------

TEST(Ticker, ScrollsItemsOutAndSaysOnceWhenItRunsDry) {
  ZRTickerRenderer ticker(0.1f, 0.1f, 0.0f, 50);
  LogCapture log;
  for (int i = 0; i < 3; ++i) ticker.updateFromRenderThread(0.1, 1, nullptr, nullptr, 160, 90, 0, 1);
  EXPECT_EQ(log.count("*** no items available"), 1);

  // A picture without a size is given back instead of stalling the strip.
  ticker.queueItem(new ZRTickerRenderer::TTickerItem{});
  auto* item = new ZRTickerRenderer::TTickerItem{};
  item->pictureWidth = 16;
  item->pictureHeight = 9;  // 0.1 of the height on 16:9: 0.1 of the width
  ticker.queueItem(item);
  ticker.updateFromRenderThread(0.1, 1, nullptr, nullptr, 160, 90, 0, 1);
  EXPECT_EQ(ticker.stripSize(), 1);
  ZRTickerRenderer::TTickerItem* back = ticker.takeReleasedItem();
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->pictureWidth, 0);
  delete back;
  // A second item behind it keeps its place on the screen, frame after frame, when the first leaves.
  auto* second = new ZRTickerRenderer::TTickerItem{};
  second->pictureWidth = 16;
  second->pictureHeight = 9;
  ticker.queueItem(second);
  double lastX = 0;
  bool wasPlaced = false, gone = false;
  for (int i = 0; i < 100 && !gone; ++i) {
    ticker.updateFromRenderThread(0.1, 1, nullptr, nullptr, 160, 90, 0, 1);
    // 5 % of the width a frame: 0.1 in -1..1.
    if (wasPlaced) {
      EXPECT_NEAR(second->x - lastX, -0.1, 1e-5) << "frame " << i;
    }
    wasPlaced = second->placed;
    lastX = second->x;
    gone = ticker.takeReleasedItem() == item;
  }
  EXPECT_TRUE(gone);
  EXPECT_EQ(ticker.stripSize(), 1);
  delete item;
}

TEST(Ticker, TeardownWithoutARenderThreadIsBounded) {
  const auto start = std::chrono::steady_clock::now();
  {
    ZRTickerRenderer ticker(0.5f, 0.1f, 0.01f, 10);
    ticker.queueItem(new ZRTickerRenderer::TTickerItem{});
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

}  // namespace
