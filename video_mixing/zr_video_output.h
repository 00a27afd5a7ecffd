#pragma once
// The video output composition: one frame of the video output window. The two decks' pictures (video
// files and CDG graphics, each through its ZRVideoSourceRenderer) are drawn into a render target of the
// output size, deck B over deck A, mixed by the video crossfader (alpha_video_crossfader: deck A at
// opacity 1 - x, deck B at x). A deck's chosen video effect draws its picture through the effect's pixel
// shader; a chosen transition other than "Fade" blends the two pictures through the transition's shader
// (the crossfader as its progress) instead of by opacity. While the video recorder records, every second
// composed frame is read back and handed to it. The skin's video nodes ("deck_video" of each deck,
// "video_preview") get the decks' textures and the composed frame.
//
// The overlay layer stack (video_mixing/zr_overlay_graphics_layers.h) is drawn over the decks' mix; the
// live-capture picture, when one has arrived, covers both. While a layer shows something the frame is
// composed every time (its items may move).
//
// A deck without a picture shows the audio-reactive shader's picture instead (at the deck's opacity),
// when a shader layer is installed and has a shader chosen.
//
// With no deck playing video, no captured picture and nothing recording, a frame is only a clear: nothing
// is uploaded, composed or read back, and videoOutputHasContent() answers false.
//
// The engine side is reached through installVideoOutputEngine: the decks (null until the engine exists),
// the video recorder and the live-capture source; installVideoOutput() puts the frame functions into the
// render canvases (opengl_directx's ZRVideoOutputHooks).
//
// Threads: the frame functions, the sources, the render targets and the effect programs live on the
// render thread, a GL context current. The crossfader, the effect and transition choices and the
// installed engine are atomics written from any thread.

#include <atomic>
#include <memory>

class ZRAudioSignalSource;
class ZRLiveVideoCapture;
class ZRNodeManager;
class ZROverlayGraphicsLayers;
class ZROverlayGraphicsShaderLayer;
class ZRTexture;
class ZRVideoRecorder;
class ZRVideoSourceRenderer;

struct ZRVideoOutputEngine {
  // The deck whose position the pictures of deck index (0 or 1) follow; null while there is none.
  ZRAudioSignalSource* (*deck)(int index) = nullptr;
  // The video recorder (null: none).
  ZRVideoRecorder* (*recorder)() = nullptr;
  // Makes the live-capture source (null: none); called once, with the deck sources, on the render thread.
  ZRLiveVideoCapture* (*makeCapture)(bool useOpenGL) = nullptr;
};

// engine must outlive the render thread (a static); null removes it.
void installVideoOutputEngine(const ZRVideoOutputEngine* engine);
// Installs the composition as the render canvases' video output.
void installVideoOutput();

// ---- the frame (render thread) ---------------------------------------------------------------------

// Creates the deck sources (and the live-capture source) once both decks exist.
void InitVideoSourceRenderers(int opengl);
// Deletes the sources, the render targets and the programs (a context current).
void DeinitVideoSourceRenderers(int opengl);
// Acknowledges the decoders and uploads the decks' and the capture's new pictures.
void RenderInitialVideo(double dt);
// Composes and presents one frame of width x height pixels into the current framebuffer.
void RenderVideoOutputFrame(double dt, int width, int height, int opengl);
// Gives the skin's video nodes their pictures.
void HandVideoTexturesToSkin(ZRNodeManager* manager);

// Whether the output shows anything but black (a deck's picture or a captured one).
bool videoOutputHasContent();
// The deck's source (null before InitVideoSourceRenderers).
ZRVideoSourceRenderer* getVideoSourceRenderer(int deck);
// The live-capture source (null without one).
ZRLiveVideoCapture* getLiveVideo();
// The overlay layer stack: null before the first output frame and after DeinitVideoSourceRenderers,
// which deletes it with the layers in it. Any thread (layers are added under the stack's lock).
ZROverlayGraphicsLayers* getOverlayGraphicsLayers();
// Counts the stacks made: a layer added to a stack of another generation was deleted with it.
int getOverlayGraphicsLayersGeneration();
// The composed frame (null before the first composed frame).
std::shared_ptr<ZRTexture> getMainVideoRenderTexture();

// The shader layer whose picture stands in for a deck without video (null: none). Any thread; the render
// thread holds its own reference while it draws, and frees the layer's GPU resources at teardown.
void setVideoOutputShaderLayer(std::shared_ptr<ZROverlayGraphicsShaderLayer> layer);
std::shared_ptr<ZROverlayGraphicsShaderLayer> getVideoOutputShaderLayer();

// ---- choices (any thread) ---------------------------------------------------------------------------

// 11 with the OpenGL engine (1), else 0; the int is not read beyond that.
int getVideoEffectsTotal(int engine);
int getVideoTransitionsTotal(int engine);
// An empty string into dst (when not null), then with the OpenGL engine the name at index (16 bytes).
void getVideoEffectName(int engine, int index, char* dst);
void getVideoTransitionName(int engine, int index, char* dst);
// The effect of deck 0 or 1 and the transition; an index outside the list is stored as 0.
void setVideoEffect(int engine, int deck, int effect, int force);
void setVideoTransition(int engine, int transition);
int getVideoEffect(int deck);
int getVideoTransition();
// Whether the deck the video crossfader favours (deck B from 0.5 on) shows a picture.
bool isVideoContentPlayingInMaster();
