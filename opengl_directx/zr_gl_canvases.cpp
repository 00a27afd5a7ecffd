#include "opengl_directx/zr_gl_canvases.h"

#include <GL/gl.h>
#include <wx/dcclient.h>

#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "opengl_directx/zr_gl_2d.h"
#include "opengl_directx/zr_render_client.h"
#include "opengl_directx/zr_video_frame_functions.h"

namespace {

// The state both canvases start from: a 45-degree perspective over the canvas, black, blending and 2D
// textures on, linear filtering.
void commonState(int width, int height, double zNear) {
  glViewport(0, 0, width, height);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glPerspective(45, height > 0 ? static_cast<double>(width) / height : 1.0, zNear, 100);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  glDefaultDrawingState();
}

// Passes drawn whole after the window lost its picture (about a fifth of a second of skin passes).
constexpr int kRedrawPassesAfterDamage = 6;

// The output canvas hides the pointer while it covers a large area (a projector or a second screen).
constexpr int kBlankCursorWidth = 800;

}  // namespace

// ---- both canvases
// -----------------------------------------------------------------------------------------

ZRRenderCanvas::ZRRenderCanvas(wxWindow* parent, const wxPoint& position, const wxSize& size)
    : wxGLCanvas(parent, wxID_ANY, nullptr, position, size, wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE,
                 "MainGL") {
  SetBackgroundStyle(wxBG_STYLE_PAINT);
  Bind(wxEVT_SIZE, &ZRRenderCanvas::OnSize, this);
  Bind(wxEVT_PAINT, &ZRRenderCanvas::OnPaint, this);
  Bind(wxEVT_ERASE_BACKGROUND, [](wxEraseEvent&) {});
  noteSize();
}

void ZRRenderCanvas::noteSize() {
  const wxSize size = GetClientSize();
  const float scale = static_cast<float>(GetContentScaleFactor());
  scale_.store(scale > 0 ? scale : 1);
  pixelWidth_.store(static_cast<int>(std::lround(size.x * scale_.load())));
  pixelHeight_.store(static_cast<int>(std::lround(size.y * scale_.load())));
  resizePending_.store(true);
}

void ZRRenderCanvas::OnSize(wxSizeEvent& event) {
  noteSize();
  event.Skip();
}

void ZRRenderCanvas::OnPaint(wxPaintEvent&) {
  // The render thread draws; the toolkit only needs the area validated. The window lost (part of) its
  // picture: the next frame is drawn and presented whole even when nothing in it changed.
  wxPaintDC dc(this);
  repaintPending_.store(true);
}

bool ZRRenderCanvas::takeRepaint(bool resized) {
  bool damaged = repaintPending_.exchange(false) || resized;
  unsigned width = 0, height = 0;
  if (surface_.windowSize(width, height) && (width != windowWidth_ || height != windowHeight_)) {
    windowWidth_ = width;
    windowHeight_ = height;
    damaged = true;
  }
  if (damaged) damagedPasses_ = kRedrawPassesAfterDamage;
  if (damagedPasses_ <= 0) return false;
  --damagedPasses_;
  return true;
}

// ---- video output canvas
// -----------------------------------------------------------------------------------

ZRGLCanvas::ZRGLCanvas(wxWindow* parent, const wxPoint& position, const wxSize& size)
    : ZRRenderCanvas(parent, position, size) {
  Bind(wxEVT_SIZE, [this](wxSizeEvent& event) {
    if (GetClientSize().x >= kBlankCursorWidth) SetCursor(wxCursor(wxCURSOR_BLANK));
    event.Skip();
  });
  Bind(wxEVT_ENTER_WINDOW, [this](wxMouseEvent& event) {
    updateCursor(true);
    event.Skip();
  });
  Bind(wxEVT_LEAVE_WINDOW, [this](wxMouseEvent& event) {
    updateCursor(false);
    event.Skip();
  });
  Bind(wxEVT_LEFT_DCLICK, [this](wxMouseEvent&) {
    if (toggleFullScreen_) toggleFullScreen_();
  });
  Bind(wxEVT_KEY_DOWN, [this](wxKeyEvent& event) {
    if (event.GetKeyCode() == WXK_ESCAPE && isFullScreen_ && isFullScreen_()) {
      if (toggleFullScreen_) toggleFullScreen_();
      return;
    }
    event.Skip();
  });
}

void ZRGLCanvas::setFullScreenToggle(std::function<void()> toggle, std::function<bool()> isFullScreen) {
  toggleFullScreen_ = std::move(toggle);
  isFullScreen_ = std::move(isFullScreen);
}

void ZRGLCanvas::updateCursor(bool inside) {
  if (inside && GetClientSize().x >= kBlankCursorWidth) {
    SetCursor(wxCursor(wxCURSOR_BLANK));
  } else if (!inside) {
    SetCursor(wxNullCursor);
  }
}

void ZRGLCanvas::InitGL() {
  if (!surface_.makeCurrent()) return;
  if (!initGlewLibrary()) return;
  commonState(pixelWidth(), pixelHeight(), 0.1);
  // The output canvas's swaps pace the loop where the display has vertical sync.
  surface_.setSwapInterval(1);
  initialised_ = true;
}

void ZRGLCanvas::Render(double dt, ZRRenderClient* client) {
  if (!initialised_) InitGL();
  if (!initialised_ || !surface_.makeCurrent()) return;
  countPass();
  ZRFrameRequest request;
  const bool resized = takeResize();
  if (resized) glViewport(0, 0, pixelWidth(), pixelHeight());
  request.windowDamaged = takeRepaint(resized);
  RenderInitial(dt, 1);
  if (RenderMain(dt, ZRRenderModeVideoOutput, pixelWidth(), pixelHeight(),
                 ZRTexture::defaultRenderEngine.load(), client, request)) {
    surface_.swapBuffers();
    countFrame();
  }
}

void ZRGLCanvas::DeinitGL() {
  if (initialised_ && surface_.makeCurrent()) ReleaseVideoOutput();
  surface_.destroy();
  initialised_ = false;
}

// ---- skin canvas
// -------------------------------------------------------------------------------------------

ZRVideoPreviewControl_GL::ZRVideoPreviewControl_GL(wxWindow* parent, const wxPoint& position,
                                                   const wxSize& size)
    : ZRRenderCanvas(parent, position, size) {
  // Input belongs to the main window: key and mouse events go on to the parent.
  auto toParent = [](wxEvent& event) {
    event.ResumePropagation(1);
    event.Skip();
  };
  for (const wxEventType type : {wxEVT_KEY_DOWN, wxEVT_KEY_UP, wxEVT_CHAR})
    Bind(wxEventTypeTag<wxKeyEvent>(type), toParent);
  for (const wxEventType type :
       {wxEVT_LEFT_DOWN,     wxEVT_LEFT_UP,      wxEVT_LEFT_DCLICK,  wxEVT_MIDDLE_DOWN,  wxEVT_MIDDLE_UP,
        wxEVT_MIDDLE_DCLICK, wxEVT_RIGHT_DOWN,   wxEVT_RIGHT_UP,     wxEVT_RIGHT_DCLICK, wxEVT_AUX1_DOWN,
        wxEVT_AUX1_UP,       wxEVT_AUX1_DCLICK,  wxEVT_AUX2_DOWN,    wxEVT_AUX2_UP,      wxEVT_AUX2_DCLICK,
        wxEVT_MOTION,        wxEVT_ENTER_WINDOW, wxEVT_LEAVE_WINDOW, wxEVT_MOUSEWHEEL,   wxEVT_MAGNIFY}) {
    Bind(wxEventTypeTag<wxMouseEvent>(type), toParent);
  }
  Bind(wxEVT_DPI_CHANGED, &ZRVideoPreviewControl_GL::OnDpiChanged, this);
}

void ZRVideoPreviewControl_GL::OnDpiChanged(wxDPIChangedEvent& event) {
  noteSize();
  event.Skip();
}

void ZRVideoPreviewControl_GL::setScaleChangedCallback(ScaleChangedCallback callback, void* userData) {
  scaleChangedData_.store(userData);
  scaleChanged_.store(callback);
}

void ZRVideoPreviewControl_GL::InitGL() {
  if (!surface_.makeCurrent()) return;
  if (!initGlewLibrary()) return;
  commonState(pixelWidth(), pixelHeight(), 1);
  glClearDepth(1);
  glEnable(GL_DEPTH_TEST);
  glDepthFunc(GL_LEQUAL);
  // The output canvas paces the loop; waiting for a second vertical blank here would halve the rate.
  surface_.setSwapInterval(0);
  initialised_ = true;
}

void ZRVideoPreviewControl_GL::Render(double dt, ZRRenderClient* client) {
  if (!initialised_) InitGL();
  if (!initialised_ || !surface_.makeCurrent()) return;
  countPass();
  ZRFrameRequest request;
  request.skin = &redraw_;
  const bool resized = takeResize();
  request.windowDamaged = takeRepaint(resized);
  if (resized) {
    const float scale = contentScale();
    if (scale != backingScale_) {
      backingScale_ = scale;
      if (ScaleChangedCallback callback = scaleChanged_.load()) callback(scale, scaleChangedData_.load());
    }
    glViewport(0, 0, pixelWidth(), pixelHeight());
  }
  if (RenderMain(dt, ZRRenderModeSkin, pixelWidth(), pixelHeight(), ZRTexture::defaultRenderEngine.load(),
                 client, request)) {
    surface_.swapBuffers();
    countFrame();
  }
}

void ZRVideoPreviewControl_GL::DeinitGL(ZRRenderClient* client) {
  if (surface_.makeCurrent()) {
    if (client != nullptr) client->releaseRenderResources();
    redraw_.release();
  }
  surface_.destroy();
  initialised_ = false;
}
