#pragma once
// One overlay item: a self-contained drawable record (a rendered text, a still or animated picture, a
// video, a ticker) with its place, size, rotation, opacity and optional animation, and the functions that
// prepare, draw and free it. Layers hold items (video_mixing/zr_overlay_graphics_simple.h); the layer stack
// draws them through its item render callback, which in the system is displayOverlayItem.
//
// Geometry: posx, posy are the item's centre as fractions of the output (x from the left, y from the
// bottom; 0.5, 0.5 is the centre); width and height are fractions of the output's width and height.
//
// Pixel data is prepared when the item is built (text rendered, picture decoded, scaled, recoloured),
// off the render thread; the render thread uploads each frame into a texture once, at the first draw.
// Every frame of an item has the picture's size and the item's one pixel layout (4 bytes B, G, R, A
// with OpenGL when hasAlpha, else 3 bytes B, G, R), rows packed, first row at the top. An animation holds
// at most kOverlayMaxFrames frames (a longer GIF keeps its first ones).
//
// Threads: an item is built on one thread and handed whole to the render thread (layers hand over whole
// item lists). Textures are made, drawn and deleted on the render thread only: freeing an item's graphics
// on any other thread hands its textures to the render thread, which deletes them at its next overlay
// frame (retireOverlayTexture).

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/zr_value_codecs.h"

class ZRDrawContext;
class ZRTexture;
class ZRTickerRenderer;
struct ZROverlayItem;

// The player behind a video item. The overlay video player implements it; the item owns its player.
// All operations but the destructor run on the render thread.
class ZROverlayItemPlayer {
 public:
  virtual ~ZROverlayItemPlayer() = default;
  // Whether a file is open, or an open is on its way.
  virtual bool isOpenOrPending() const = 0;
  // Opens path to play for seconds (looping over the file), playing at once unless still.
  virtual bool openFile(const std::string& path, double seconds, bool play, bool still) = 0;
  virtual void playPause(bool play) = 0;
  // Where the next frame goes: drawFull coordinates (x, y in -1..1), size, rotation, opacity.
  virtual void setSizePos(float x, float y, float width, float height, float rotation, float opacity) = 0;
  virtual void updateFromRenderThread(double time, bool opengl, void* device, void* context, float width,
                                      float height, bool hold, bool hidden) = 0;
  // Drops the textures (made again at the next draw).
  virtual void freeAllGraphicsResourcesInUse() = 0;
  // The size of the picture shown; 0 x 0 before the first frame.
  virtual void pictureSize(int& width, int& height) const = 0;
};

// Makes the player of a new video item (null: videos are not shown). The overlay video player installs
// its maker; tests install fakes.
using ZROverlayItemPlayerFactory = ZROverlayItemPlayer* (*)();
void setOverlayItemPlayerFactory(ZROverlayItemPlayerFactory factory);
ZROverlayItemPlayer* makeOverlayItemPlayer();

// An optional placement passed with an item: offset, scale and opacity applied on top of the item's own.
struct ZROverlayPage {
  float x = 0, y = 0;
  float scaleX = 1, scaleY = 1;
  float opacity = 1;
};

// Draws one item; the system's is displayOverlayItem.
using overlayItemRenderCallback =
    std::function<void(ZROverlayItem* item, ZROverlayPage* page, void* userData, double time, bool opengl,
                       void* device, void* context, float width, float height, bool hold, bool alternate)>;

enum ZROverlayItemKind : int {
  kOverlayItemNone = -1,
  kOverlayItemText = 0,
  kOverlayItemImage = 1,  // still or animated
  kOverlayItemVideo = 2,
  kOverlayItemTicker = 3,
  kOverlayItemNothing = 4,
};

// Show modes: 4 always drawn, 1 only with the alternate set, any other value only without it.
constexpr int kOverlayShowAlways = 4;
constexpr int kOverlayShowAlternate = 1;
constexpr int kOverlayShowNormal = 0;

constexpr int kOverlayMaxFrames = 300;
// The canvas texts are rendered on; a larger text is drawn smaller so that it fits whole.
constexpr int kOverlayTextContextWidth = 4096;
constexpr int kOverlayTextContextHeight = 512;

// Indices of the animated values.
enum ZROverlayAnimated : int {
  kAnimPosX = 0,
  kAnimPosY,
  kAnimWidth,
  kAnimHeight,
  kAnimOpacity,
  kAnimRotation,
  kAnimCount
};

struct ZROverlayItem {
  int kind = kOverlayItemNone;
  float duration = 0;  // ms: the animation period (none at 0 or below); a video's play time
  int showMode = kOverlayShowNormal;
  int alignment = textAlignInvalid;
  double posx = 0.5, posy = 0.5;
  double width = 0.25, height = 0.25;
  double opacity = 1;
  double rotation = 0;  // degrees, counter-clockwise
  bool animate[kAnimCount] = {false, false, false, false, false, false};
  float animationStart[kAnimCount] = {0, 0, 0, 0, 0, 0};
  float animationEnd[kAnimCount] = {0, 0, 0, 0, 0, 0};
  bool keepAspect = false;
  bool byHeight = false;  // with keepAspect: the width follows from the height, else the other way

  int currentFrame = 0;
  int pictureWidth = 0, pictureHeight = 0;
  bool hasAlpha = false;
  std::vector<std::vector<uint8_t>> frames;  // pixel data, one per frame
  std::vector<ZRTexture*> textures;          // one per frame, made by the render thread; owned

  std::string textOrPath;  // UTF-8: the text of a text item, the file of a picture or video
  std::string font;
  textStyle style = textStyleInvalid;
  float red = 1, green = 1, blue = 1;
  int fontSize = 48;

  ZROverlayItemPlayer* videoPlayer = nullptr;  // kind 2; owned
  ZRTickerRenderer* ticker = nullptr;          // kind 3; owned
  // Called with 1 when the item's graphics are freed, 2 when its data is freed.
  std::function<void(void* item, int what)> releaseCallback;

  int frameCount() const { return static_cast<int>(frames.size()); }
  int textureCount() const { return static_cast<int>(textures.size()); }
  int bytesPerPixel() const { return hasAlpha ? 4 : 3; }
};

// Prepares the pixel data of a text (kind 0) or picture (kind 1) item; other kinds get none.
// canvasStride and forceAlpha are accepted for callers that ask for them: every frame is always laid out
// at the picture's size, and forceAlpha makes every frame 4 bytes per pixel. textContext: the slot of the
// caller's text canvas (made at the first text).
void loadOverlayItemDataFromDisk(ZROverlayItem* item, bool canvasStride, bool forceAlpha,
                                 ZRDrawContext** textContext);
// Renders a text item into one frame; no frame for a text that measures empty or no canvas.
void renderTextAndCreateMemoryObject(ZROverlayItem* item, ZRDrawContext** textContext);

// The system's item render callback (render thread). userData is not read.
void displayOverlayItem(ZROverlayItem* item, ZROverlayPage* page, void* userData, double time, bool opengl,
                        void* device, void* context, float width, float height, bool hold, bool alternate);

// Frees parts of an item: its graphics (textures, the player's and ticker's; render thread, or handed to
// it), its data (frames, player, ticker) and with deleteItem the item itself (*item becomes null; the item
// must have been made with new). Nothing for a null pointer or item. The second flag is not read.
void freeOverlayItem(ZROverlayItem** item, bool unused, bool freeGraphics, bool freeData, bool deleteItem);
// The same for an item held by value (deleteItem does not apply).
void freeOverlayItem(ZROverlayItem& item, bool freeGraphics, bool freeData);

// ---- textures and the render thread ---------------------------------------------------------------

// Marks the calling thread as the one that draws the overlays (the layer stack does at every frame).
void markOverlayRenderThread();
bool isOverlayRenderThread();
// Deletes texture now on the render thread, else queues it for the render thread.
void retireOverlayTexture(ZRTexture* texture);
// Deletes the queued textures (render thread, a context current); the stack calls it at every frame.
void deleteRetiredOverlayTextures();
