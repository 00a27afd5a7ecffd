#include "video_mixing/zr_video_output.h"

#include <GL/glew.h>

#include <algorithm>
#include <mutex>
#include <new>

#include "codecs/zr_video_recorder.h"
#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_video.h"
#include "opengl_directx/zr_gl_2d.h"
#include "opengl_directx/zr_glsl.h"
#include "opengl_directx/zr_video_frame_functions.h"
#include "opengl_directx/zr_video_preview_frame.h"
#include "video_mixing/zr_live_video_capture.h"
#include "video_mixing/zr_overlay_graphics_layers.h"
#include "video_mixing/zr_overlay_graphics_shader_layer.h"
#include "video_mixing/zr_video_effects.h"
#include "video_mixing/zr_video_source_renderer.h"

namespace {

constexpr int kChoices = 11;
// A source narrower than this shows no picture (no video open).
constexpr int kMinVideoWidth = 11;
constexpr double kVideoAspect = 16.0 / 9.0;
// The effect whose picture moves by itself (it reads the time): its frames are composed every time.
constexpr int kAnimatedEffect = 1;

std::atomic<const ZRVideoOutputEngine*> g_engine{nullptr};
std::atomic<int> g_effect[2] = {0, 0};
std::atomic<int> g_transition{0};
std::atomic<bool> g_deckHasPicture[2] = {false, false};
std::atomic<bool> g_livePicture{false};
// Made by the render thread, read by the threads that add layers.
std::atomic<ZROverlayGraphicsLayers*> g_layers{nullptr};
std::atomic<int> g_layersGeneration{0};

std::mutex g_shaderLayerLock;
std::shared_ptr<ZROverlayGraphicsShaderLayer> g_shaderLayer;

std::shared_ptr<ZROverlayGraphicsShaderLayer> shaderLayer() {
  std::lock_guard guard(g_shaderLayerLock);
  return g_shaderLayer;
}

// A shader is chosen: the output has something to show even without a deck's picture.
bool shaderWanted(const std::shared_ptr<ZROverlayGraphicsShaderLayer>& layer) {
  return layer && layer->getCurrentShader() >= 0;
}

// ---- render thread only ----
struct DeckPicture {
  ZRTexture* programTexture = nullptr;  // the texture the effect program was given to
  int programEffect = 0;
};

struct OutputState {
  std::unique_ptr<ZRVideoSourceRenderer> sources[2];
  std::unique_ptr<ZRLiveVideoCapture> live;
  std::shared_ptr<ZRTexture> main;
  std::unique_ptr<ZRTexture> deckTargets[2];
  // The shader layer's picture, standing in for a deck without video.
  std::unique_ptr<ZRTexture> shaderTarget;
  DeckPicture pictures[2];
  int transitionProgram = 0;  // transition whose program deckTargets[1] holds
  unsigned oddFrame = 0;
  double totalTime = 0;
  // What the last composed frame showed: a frame equal in all of these is not composed again.
  bool composed = false;
  double lastMix = -1;
  int lastEffect[2] = {-1, -1};
  int lastTransition = -1;
  int lastWidth = 0, lastHeight = 0;
  bool lastOverlays = false;  // the frame showed overlays: one without them is composed again
  ZRTexture* lastTexture[2] = {nullptr, nullptr};
};

OutputState& state() {
  static OutputState s;
  return s;
}

int clampChoice(int value) {
  return value >= 0 && value < kChoices ? value : 0;
}

void SignalTextureJustCreated(ZRVideoSourceRenderer*) {}

ZRRenderEngineType engineOf(int opengl) {
  return opengl != 0 ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA;
}

// A render target of exactly width x height (made again when the size differs); null when it cannot be.
bool ensureTarget(std::unique_ptr<ZRTexture>& target, int width, int height, int opengl, const char* name) {
  if (target && (target->getWidth() != width || target->getHeight() != height)) target.reset();
  if (target) return true;
  target.reset(ZRTexture::createTexture(true, 1.0f, engineOf(opengl), nullptr, nullptr));
  if (target && target->initDrawToTexture(width, height, ZRPixelFormatBGRA)) return true;
  ZRLOG("error: %s: can not init %s special texture", name, name);
  target.reset();
  return false;
}

// The output's view: a 45-degree perspective of the 16:9 full-frame quad at depth 2.
void beginScene() {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glPerspective(45.0, kVideoAspect, 0.1, 100.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glTranslatef(0, 0, -2);
  glEnable(GL_TEXTURE_2D);
  glEnable(GL_BLEND);
  glDepthMask(GL_TRUE);
}

void clearFrame() {
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

// Gives the deck's picture the program of its effect; true when it is to be drawn through it.
bool prepareEffect(DeckPicture& picture, ZRTexture* texture, int effect) {
  if (picture.programTexture != texture || picture.programEffect != effect) {
    const char* source = videoEffectShaderSource(effect);
    if (source != nullptr) texture->applyPixelShader(source, "main");
    picture.programTexture = texture;
    picture.programEffect = effect;
  }
  return videoEffectShaderSource(effect) != nullptr;
}

void drawInto(ZRTexture& target, ZRTexture& picture, bool throughEffect) {
  target.drawToTexture(true);
  clearFrame();
  picture.drawFull(0, 0, 1, 1, 0, 1, false, throughEffect);
  target.drawToTexture(false);
}

// Reads the composed frame back for the recorder (every second frame while it records). A failed
// read-back is not handed on: the recorder would write a black frame as if it were the mix.
void feedRecorder(OutputState& s, int width, int height) {
  const ZRVideoOutputEngine* engine = g_engine.load(std::memory_order_acquire);
  ZRVideoRecorder* recorder = engine != nullptr && engine->recorder != nullptr ? engine->recorder() : nullptr;
  if (recorder == nullptr || !recorder->isRecording()) {
    s.oddFrame = 0;
    return;
  }
  if ((++s.oddFrame & 1u) == 0) return;
  auto* buffer = new (std::nothrow) unsigned char[static_cast<size_t>(width) * height * 4];
  if (buffer == nullptr) return;
  if (!s.main->getContentToBuffer(buffer, width, height)) {
    delete[] buffer;
    return;
  }
  recorder->putVideoFrame(buffer, width, height, true);
}

bool recording() {
  const ZRVideoOutputEngine* engine = g_engine.load(std::memory_order_acquire);
  ZRVideoRecorder* recorder = engine != nullptr && engine->recorder != nullptr ? engine->recorder() : nullptr;
  return recorder != nullptr && recorder->isRecording();
}

bool overlaysShow() {
  ZROverlayGraphicsLayers* layers = g_layers.load(std::memory_order_acquire);
  return layers != nullptr && layers->drawsSomething();
}

// What the last output frame showed of the overlays: a change (a layer shown or hidden) is drawn once.
std::atomic<bool> g_overlaysShown{false};

// Whether the next frame's overlays differ from the last frame's.
bool overlaysChange() {
  ZROverlayGraphicsLayers* layers = g_layers.load(std::memory_order_acquire);
  const bool show = layers != nullptr && layers->drawsSomething();
  return show != g_overlaysShown.load() || (show && layers->isChanging());
}

void drawOverlays(double dt, int width, int height, int opengl) {
  ZROverlayGraphicsLayers* layers = g_layers.load(std::memory_order_acquire);
  if (layers != nullptr)
    layers->updateFromRenderThread(dt, opengl != 0, nullptr, nullptr, static_cast<float>(width),
                                   static_cast<float>(height), false, false);
}

// Draws the shader layer into its target; the target when the layer drew a picture, else null.
ZRTexture* drawShader(OutputState& s, double dt, int width, int height, int opengl) {
  std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = shaderLayer();
  if (!layer || (layer->hasStarted() && layer->getCurrentShader() < 0)) return nullptr;
  if (!ensureTarget(s.shaderTarget, width, height, opengl, "shaderRenderTexture")) return nullptr;
  s.shaderTarget->drawToTexture(true);
  clearFrame();
  layer->updateFromRenderThread(dt, opengl != 0, nullptr, nullptr, static_cast<float>(width),
                                static_cast<float>(height), false, false);
  s.shaderTarget->drawToTexture(false);
  return layer->drewLastUpdate() ? s.shaderTarget.get() : nullptr;
}

void compose(OutputState& s, double dt, int width, int height, int opengl, bool overlays, ZRTexture* shader) {
  const double x = std::clamp(alpha_video_crossfader.load(), 0.0, 1.0);
  const float opacity[2] = {static_cast<float>(1.0 - x), static_cast<float>(x)};
  ZRTexture* pictures[2] = {nullptr, nullptr};
  bool throughEffect[2] = {false, false};
  int effects[2];
  s.totalTime += dt;
  for (int d = 0; d < 2; ++d) {
    effects[d] = g_effect[d].load();
    ZRVideoSourceRenderer* source = s.sources[d].get();
    if (source->GetVideoWidth() >= kMinVideoWidth && source->getTexture())
      pictures[d] = source->getTexture().get();
    if (pictures[d] != nullptr) {
      throughEffect[d] = prepareEffect(s.pictures[d], pictures[d], effects[d]);
      pictures[d]->setPixelFloatConstant_Time(static_cast<float>(dt), static_cast<float>(s.totalTime));
    }
  }
  const int transition = g_transition.load();
  const bool changed =
      !s.composed || x != s.lastMix || transition != s.lastTransition || width != s.lastWidth ||
      height != s.lastHeight || recording() || overlaysChange() || overlays != s.lastOverlays ||
      s.sources[0]->textureChanged() || s.sources[1]->textureChanged() || pictures[0] != s.lastTexture[0] ||
      pictures[1] != s.lastTexture[1] || effects[0] != s.lastEffect[0] || effects[1] != s.lastEffect[1] ||
      shader != nullptr || (pictures[0] != nullptr && effects[0] == kAnimatedEffect) ||
      (pictures[1] != nullptr && effects[1] == kAnimatedEffect);
  if (!changed) return;

  s.composed = true;
  s.lastOverlays = overlays;
  s.lastMix = x;
  s.lastTransition = transition;
  s.lastWidth = width;
  s.lastHeight = height;
  for (int d = 0; d < 2; ++d) {
    s.lastTexture[d] = pictures[d];
    s.lastEffect[d] = effects[d];
  }

  // Both pictures through a transition's program: each first into a target of the output's size, so
  // that the program reads the two at the same coordinates.
  const char* transitionSource = videoTransitionShaderSource(transition);
  const bool blend = transitionSource != nullptr && pictures[0] != nullptr && pictures[1] != nullptr &&
                     ensureTarget(s.deckTargets[0], width, height, opengl, "deckTexture") &&
                     ensureTarget(s.deckTargets[1], width, height, opengl, "deckTexture");
  if (blend) {
    for (int d = 0; d < 2; ++d) drawInto(*s.deckTargets[d], *pictures[d], throughEffect[d]);
    if (s.transitionProgram != transition) {
      s.deckTargets[1]->applyPixelShader(transitionSource, "main");
      s.transitionProgram = transition;
    }
    s.deckTargets[1]->setOtherTexture(s.deckTargets[0].get(), false);
    s.deckTargets[1]->setPixelFloatConstant_Mix(static_cast<float>(x));
  }

  s.main->drawToTexture(true);
  clearFrame();
  // The frame stays opaque: the decks' opacities mix their colours, and presenting the frame (blended by
  // its alpha) must not darken the mix again.
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_FALSE);
  if (blend) {
    s.deckTargets[1]->drawFull(0, 0, 1, 1, 0, 1, true, true);
  } else {
    for (int d = 0; d < 2; ++d) {
      if (pictures[d] != nullptr && opacity[d] > 0) {
        pictures[d]->drawFull(0, 0, 1, 1, 0, opacity[d], false, throughEffect[d]);
      } else if (pictures[d] == nullptr && shader != nullptr && opacity[d] > 0) {
        shader->drawFull(0, 0, 1, 1, 0, opacity[d], true, false);
      }
    }
  }
  if (overlays) drawOverlays(dt, width, height, opengl);
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
  feedRecorder(s, width, height);
  s.main->drawToTexture(false);
}

const ZRVideoOutputHooks kHooks{
    [](double dt) { RenderInitialVideo(dt); },
    [](double dt, int width, int height, int opengl) { RenderVideoOutputFrame(dt, width, height, opengl); },
    [](ZRNodeManager* manager) { HandVideoTexturesToSkin(manager); },
    [] { DeinitVideoSourceRenderers(1); },
    [] { return videoOutputHasContent() || recording() || overlaysChange() || shaderWanted(shaderLayer()); },
};

}  // namespace

void installVideoOutputEngine(const ZRVideoOutputEngine* engine) {
  g_engine.store(engine, std::memory_order_release);
}

void installVideoOutput() {
  installVideoOutputHooks(&kHooks);
}

void InitVideoSourceRenderers(int opengl) {
  OutputState& s = state();
  if (s.sources[0] && s.sources[1]) return;
  const ZRVideoOutputEngine* engine = g_engine.load(std::memory_order_acquire);
  if (engine == nullptr || engine->deck == nullptr) return;
  ZRAudioSignalSource* decks[2] = {engine->deck(0), engine->deck(1)};
  if (decks[0] == nullptr || decks[1] == nullptr) return;
  for (int d = 0; d < 2; ++d) {
    if (!s.sources[d])
      s.sources[d] = std::make_unique<ZRVideoSourceRenderer>(d, opengl, decks[d], &SignalTextureJustCreated);
  }
  if (!s.live && engine->makeCapture != nullptr) s.live.reset(engine->makeCapture(opengl != 0));
}

void DeinitVideoSourceRenderers(int) {
  OutputState& s = state();
  for (int d = 0; d < 2; ++d) {
    s.sources[d].reset();
    s.deckTargets[d].reset();
    s.pictures[d] = DeckPicture{};
    s.lastTexture[d] = nullptr;
    g_deckHasPicture[d].store(false);
  }
  s.live.reset();
  g_livePicture.store(false);
  delete g_layers.exchange(nullptr, std::memory_order_acq_rel);
  s.shaderTarget.reset();
  if (std::shared_ptr<ZROverlayGraphicsShaderLayer> layer = shaderLayer())
    layer->resetAllGraphicsResourcesInUse();
  s.main.reset();
  s.transitionProgram = 0;
  s.composed = false;
}

void RenderInitialVideo(double) {
  OutputState& s = state();
  if (!s.sources[0] || !s.sources[1]) return;
  for (int d = 0; d < 2; ++d) {
    s.sources[d]->RenderToTexture(nullptr, nullptr);
    g_deckHasPicture[d].store(s.sources[d]->GetVideoWidth() >= kMinVideoWidth && s.sources[d]->getTexture());
  }
  if (s.live) {
    s.live->renderToTexture(nullptr, nullptr);
    g_livePicture.store(s.live->getTexture() != nullptr);
  }
}

void RenderVideoOutputFrame(double dt, int width, int height, int opengl) {
  OutputState& s = state();
  InitVideoSourceRenderers(opengl);
  if (g_layers.load(std::memory_order_acquire) == nullptr) {
    g_layers.store(new ZROverlayGraphicsLayers(&displayOverlayItem, nullptr, true),
                   std::memory_order_release);
    g_layersGeneration.fetch_add(1);
  }
  const bool overlays = overlaysShow();
  g_overlaysShown.store(overlays);
  ZRTexture* shader = s.sources[0] && s.sources[1] && width > 0 && height > 0
                          ? drawShader(s, dt, width, height, opengl)
                          : nullptr;
  const bool decks =
      s.sources[0] && s.sources[1] &&
      (g_deckHasPicture[0].load() || g_deckHasPicture[1].load() || recording() || shader != nullptr);
  ZRTexture* live = s.live ? s.live->getTexture() : nullptr;
  // A window without area has nothing to show; neither has an output without pictures.
  if ((!decks && live == nullptr && !overlays) || width <= 0 || height <= 0) {
    beginScene();
    clearFrame();
    return;
  }
  if (!decks) {
    beginScene();
    clearFrame();
    if (overlays) drawOverlays(dt, width, height, opengl);
    if (live != nullptr) live->drawFull(0, 0, 1, 1, 0, 1, false, false);
    return;
  }
  if (s.main && (s.main->getWidth() != width || s.main->getHeight() != height)) {
    s.main.reset();
    s.composed = false;
  }
  if (!s.main) {
    std::unique_ptr<ZRTexture> made;
    if (ensureTarget(made, width, height, opengl, "mainVideoRenderTexture")) s.main.reset(made.release());
    s.composed = false;
  }
  if (s.main) compose(s, dt, width, height, opengl, overlays, shader);
  beginScene();
  clearFrame();
  if (s.main) s.main->drawFull(0, 0, 1, 1, 0, 1, true, false);
  if (live != nullptr) live->drawFull(0, 0, 1, 1, 0, 1, false, false);
}

void HandVideoTexturesToSkin(ZRNodeManager* manager) {
  if (manager == nullptr) return;
  OutputState& s = state();
  if (auto* preview = dynamic_cast<ZRNodeVideo*>(manager->getNode("video_preview", -1)))
    preview->setTexture(s.main, true);
  for (int d = 0; d < 2; ++d) {
    if (!s.sources[d]) continue;
    if (auto* node = dynamic_cast<ZRNodeVideo*>(manager->getNode("deck_video", d)))
      node->setTexture(s.sources[d]->getTexture(), false);
  }
}

bool videoOutputHasContent() {
  return g_deckHasPicture[0].load() || g_deckHasPicture[1].load() || g_livePicture.load();
}

ZRLiveVideoCapture* getLiveVideo() {
  return state().live.get();
}

ZRVideoSourceRenderer* getVideoSourceRenderer(int deck) {
  return deck == 0 || deck == 1 ? state().sources[deck].get() : nullptr;
}

ZROverlayGraphicsLayers* getOverlayGraphicsLayers() {
  return g_layers.load(std::memory_order_acquire);
}

int getOverlayGraphicsLayersGeneration() {
  return g_layersGeneration.load();
}

std::shared_ptr<ZRTexture> getMainVideoRenderTexture() {
  return state().main;
}

void setVideoOutputShaderLayer(std::shared_ptr<ZROverlayGraphicsShaderLayer> layer) {
  std::lock_guard guard(g_shaderLayerLock);
  g_shaderLayer = std::move(layer);
}

std::shared_ptr<ZROverlayGraphicsShaderLayer> getVideoOutputShaderLayer() {
  return shaderLayer();
}

// ---- choices ----------------------------------------------------------------------------------------

int getVideoEffectsTotal(int) {
  return ZRTexture::defaultRenderEngine.load() == ZRRenderEngineOpenGL ? getVideoEffectsGLSLTotal() : 0;
}

int getVideoTransitionsTotal(int) {
  return ZRTexture::defaultRenderEngine.load() == ZRRenderEngineOpenGL ? getVideoTransitionsGLSLTotal() : 0;
}

void getVideoEffectName(int, int index, char* dst) {
  if (dst == nullptr) return;
  dst[0] = '\0';
  if (ZRTexture::defaultRenderEngine.load() == ZRRenderEngineOpenGL) getVideoEffectGLSLName(index, dst);
}

void getVideoTransitionName(int, int index, char* dst) {
  if (dst == nullptr) return;
  dst[0] = '\0';
  if (ZRTexture::defaultRenderEngine.load() == ZRRenderEngineOpenGL) getVideoTransitionGLSLName(index, dst);
}

void setVideoEffect(int, int deck, int effect, int) {
  if (deck == 0 || deck == 1) g_effect[deck].store(clampChoice(effect));
}

void setVideoTransition(int, int transition) {
  g_transition.store(clampChoice(transition));
}

int getVideoEffect(int deck) {
  return deck == 0 || deck == 1 ? g_effect[deck].load() : 0;
}

int getVideoTransition() {
  return g_transition.load();
}

bool isVideoContentPlayingInMaster() {
  return g_deckHasPicture[alpha_video_crossfader.load() >= 0.5 ? 1 : 0].load();
}
