#include "main_dj/zr_main_frame.h"

#include <X11/Xlib.h>
#include <wx/menu.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <thread>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "common/zr_texture.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_skin_cursor.h"
#include "gui_nodes/zr_control_classes.h"
#include "main_dj/zr_keyboard_shortcuts.h"
#include "opengl_directx/zr_gl_canvases.h"
#include "opengl_directx/zr_opengl_engine.h"
#include "opengl_directx/zr_video_preview_frame.h"

ZRMainFrame* MainFrame = nullptr;

namespace {

constexpr int kCloseStepMs = 5;

// The node manager's fallback for keys no node took.
void defaultKeyHandler(int key, int modifiers, ZRDrawNode* node) {
  FOnCharDefaultHandler(key, modifiers, node);
}

int modifiersOf(const wxKeyboardState& state) {
  return modifierMaskOf(state.RawControlDown(), state.AltDown(), state.ShiftDown(), state.MetaDown());
}

int buttonOf(const wxMouseEvent& event) {
  switch (event.GetButton()) {
    case wxMOUSE_BTN_LEFT:
      return ZRButtonLeft;
    case wxMOUSE_BTN_RIGHT:
      return ZRButtonRight;
    case wxMOUSE_BTN_MIDDLE:
      return ZRButtonMiddle;
    default:
      return ZRButtonNone;
  }
}

}  // namespace

ZRNodeManager* mainFrameNodeManager() {
  return MainFrame != nullptr ? MainFrame->getNodeManager() : nullptr;
}

void prepareToolkitForRenderThread() {
  XInitThreads();
  setenv("GDK_BACKEND", "x11", 1);
}

ZRMainFrame::ZRMainFrame(const wxString& title, const wxPoint& position, const wxSize& size,
                         bool openGLEngine, AppCallback init, AppCallback deinit, ZRNodeClassFactory* classes)
    : wxFrame(nullptr, wxID_ANY, title, position, size, wxDEFAULT_FRAME_STYLE | wxWANTS_CHARS),
      openGL(openGLEngine),
      timer(this),
      deinitCallback(deinit) {
  SetBackgroundColour(*wxBLACK);
  std::srand(static_cast<unsigned>(std::time(nullptr)));
  // No menu bar: on this system a Help menu would become a visible bar across the skin. About and the
  // preferences are reached through the skin's own buttons.
  Bind(wxEVT_CLOSE_WINDOW, &ZRMainFrame::OnClose, this);
  Bind(wxEVT_SIZE, &ZRMainFrame::OnSize, this);
  Bind(wxEVT_ERASE_BACKGROUND, [](wxEraseEvent&) {});
  for (const wxEventType type :
       {wxEVT_LEFT_DOWN,     wxEVT_LEFT_UP,      wxEVT_LEFT_DCLICK,  wxEVT_MIDDLE_DOWN,  wxEVT_MIDDLE_UP,
        wxEVT_MIDDLE_DCLICK, wxEVT_RIGHT_DOWN,   wxEVT_RIGHT_UP,     wxEVT_RIGHT_DCLICK, wxEVT_AUX1_DOWN,
        wxEVT_AUX1_UP,       wxEVT_AUX1_DCLICK,  wxEVT_AUX2_DOWN,    wxEVT_AUX2_UP,      wxEVT_AUX2_DCLICK,
        wxEVT_MOTION,        wxEVT_ENTER_WINDOW, wxEVT_LEAVE_WINDOW, wxEVT_MOUSEWHEEL,   wxEVT_MAGNIFY}) {
    Bind(wxEventTypeTag<wxMouseEvent>(type), &ZRMainFrame::OnMouseEvent, this);
  }
  Bind(wxEVT_MOUSE_CAPTURE_LOST, &ZRMainFrame::OnMouseCaptureLost, this);
  Bind(wxEVT_CHAR, &ZRMainFrame::OnChar, this);
  Bind(wxEVT_TIMER, &ZRMainFrame::OnTimer, this);
  Bind(wxEVT_MENU, &ZRMainFrame::OnAsyncFunctionRequest, this, kAsyncFunctionRequestId);
  Bind(wxEVT_MENU, &ZRMainFrame::OnMenuSelected, this, kFirstMenuId, kFirstMenuId + kMenuIdCount - 1);

  dropCallbacks.user = this;
  SetDropTarget(new ZRFileDropTarget(&dropCallbacks));

  if (classes == nullptr) {
    registerControlClasses();
    ownClasses = std::make_unique<ZRControlClassFactory>();
    classes = ownClasses.get();
  }
  installOpenGLRenderEngine();
  manager = new ZRNodeManager(this, classes);
  manager->defaultKeyHandler = &defaultKeyHandler;
  setMenuHost(this);
  timer.Start(kTimerIntervalMs);
  if (init != nullptr) init(this, false);
}

ZRMainFrame::~ZRMainFrame() {
  timer.Stop();
  stopRenderingSystem();
  if (getMenuHost() == this) setMenuHost(nullptr);
  if (MainFrame == this) MainFrame = nullptr;
  bool renderThreadLeftBehind = false;
  if (renderWindow != nullptr) {
    // Kept after a close that did not see the render thread end: destroyed now if the thread has ended
    // since, else the thread is given up before this window (its client) goes.
    renderThreadLeftBehind = renderWindow->isRenderThreadRunning();
    if (renderThreadLeftBehind) {
      renderWindow->abandonRenderThread();
    } else {
      renderWindow->Close(true);
    }
    renderWindow = nullptr;
  }
  if (renderThreadLeftBehind) {
    // The render thread may still be inside the skin: the manager is left to the end of the process.
    ZRLOG("manager object kept: the render thread did not end");
  } else {
    delete manager;
    ZRLOG("manager object destroyed ok");
  }
  manager = nullptr;
}

// ---- skin and render system
// --------------------------------------------------------------------------------

bool ZRMainFrame::loadSkin(const ZRString& xmlPath, const ZRString& imagePath, int width, int height,
                           int partCount) {
  ZRLOG("* * * ZRMainFrame::loadSkin * * *");
  ZRLOG("* pos1 is x=%d, y=%d", GetPosition().x, GetPosition().y);
  if (!manager->loadSkin(xmlPath, imagePath, width, height, partCount)) return false;
  lastSkinXml = xmlPath;
  lastSkinImage = imagePath;
  lastSkinWidth = width;
  lastSkinHeight = height;
  lastSkinParts = partCount;
  ZRLOG("skinWidth=%d, skinHeight=%d", manager->skinWidth, manager->skinHeight);
  const wxSize client = GetClientSize();
  if (manager->useConstraints) {
    int w = -1, h = -1;
    manager->getOptimalWindowSize(w, h);
    if (client.x != w || client.y != h) {
      ZRLOG("* setting new size for main window (constraints) w=%d, h=%d", w, h);
      SetClientSize(w, h);
    }
  } else if (client.x != manager->skinWidth || client.y != manager->skinHeight) {
    ZRLOG("* setting new size for main window (normal) w=%d, h=%d", manager->skinWidth, manager->skinHeight);
    SetClientSize(manager->skinWidth, manager->skinHeight);
  }
  ZRLOG("* pos2 is x=%d, y=%d", GetPosition().x, GetPosition().y);
  if (IsFullScreen()) ShowFullScreen(false);
  ZRLOG("* pos3 is x=%d, y=%d", GetPosition().x, GetPosition().y);
  return true;
}

bool ZRMainFrame::reloadLastSkin() {
  const bool ok = manager->loadSkin(lastSkinXml, lastSkinImage, lastSkinWidth, lastSkinHeight, lastSkinParts);
  ZRLOG(ok ? "reloading skin OK" : "error reloading skin");
  return ok;
}

void ZRMainFrame::createAndStartRenderingSystem() {
  if (renderWindow != nullptr) return;
  renderWindow = ZRVideoPreviewFrame::Create(this, this, openGL ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA);
  const wxSize client = GetClientSize();
  SetVideoPreviewControl(1, 0, 0, client.x, client.y, this);
  ZRVideoPreviewControl_GL* canvas = renderWindow->getSkinCanvas();
  canvas->setScaleChangedCallback(&scaleChangedCallback_MainFrame, this);
  // Drops land on the canvas, which covers the client area.
  canvas->SetDropTarget(new ZRFileDropTarget(&dropCallbacks));
  Show();
}

void ZRMainFrame::setFocusToManager() {
  if (renderWindow != nullptr && renderWindow->getSkinCanvas() != nullptr)
    renderWindow->getSkinCanvas()->SetFocus();
}

void scaleChangedCallback_MainFrame(float scale, void* userData) {
  auto* frame = static_cast<ZRMainFrame*>(userData);
  if (frame == nullptr) return;
  // Reloading a skin is main-thread work (it ends in toolkit calls).
  frame->CallAfter([frame, scale] {
    ZRNodeManager* manager = frame->getNodeManager();
    if (frame->isClosing() || manager == nullptr) return;
    ZRLOG("** CHANGED ** ZRMainFrame::scaleChangedCallback scale=%.1f", static_cast<double>(scale));
    manager->retina = scale > 1.0f;
    if (frame->getLastSkinXmlPath().empty()) return;
    frame->reloadLastSkin();
  });
}

// ---- the render thread's side --------------------------------------------------------------------------

bool ZRMainFrame::testIfRenderingSystemNeedsToExit(void* device, void* context) {
  ZRTexture::setDefaultRenderDevice(openGL ? ZRRenderEngineOpenGL : ZRRenderEngineRGBA, device, context);
  const int state = closeState.load();
  if (state == closeRunning) return false;
  if (state == closeExitRequested) {
    if (manager != nullptr) manager->destroyAllGraphicsResources();
    closeState.store(closeGraphicsReleased);
  }
  return true;
}

void ZRMainFrame::runGuiTick(float seconds) {
  if (GuiTickCallback tick = guiTickCallback.load()) tick(seconds);
}

void ZRMainFrame::releaseRenderResources() {
  // Also when the handshake never reached this thread: nothing of the skin outlives the context.
  if (closeState.load() != closeGraphicsReleased && manager != nullptr)
    manager->destroyAllGraphicsResources();
  releaseOpenGLRenderResources();
}

// ---- closing -------------------------------------------------------------------------------------------

void ZRMainFrame::OnClose(wxCloseEvent& event) {
  // One close at a time. A close that comes while the confirmation is open (the system's quit request,
  // a second click on the window's close box) or while the shut-down runs would otherwise run a second
  // shut-down inside the first one's modal loop, leaving the first waiting there forever. A close that
  // may be refused asks nothing more; a forced one ends the open question, and the first close goes on.
  if (confirmingClose || closing) {
    if (confirmingClose && !event.CanVeto()) {
      forcedDuringConfirmation = true;
      endModalDialogs();
    }
    if (event.CanVeto()) event.Veto();
    return;
  }
  if (event.CanVeto()) {
    confirmingClose = true;
    forcedDuringConfirmation = false;
    const bool yes = showConfirmationDialog(getTextName(txt_confirm_exit), ZRString("Orvel"), nullptr);
    confirmingClose = false;
    if (!yes && !forcedDuringConfirmation) {
      event.Veto();
      return;
    }
  }
  internalOnClose();
  Destroy();
}

void ZRMainFrame::internalOnClose() {
  if (closing) return;
  closing = true;
  if (deinitCallback != nullptr) deinitCallback(this, true);
  stopRenderingSystem();
  if (deinitCallback != nullptr) deinitCallback(this, false);
}

void ZRMainFrame::stopRenderingSystem() {
  if (renderWindow == nullptr || closeState.load() != closeRunning) return;
  renderWindow->Hide();
  closeState.store(closeExitRequested);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(renderStopTimeoutMs);
  // Waiting only makes sense while the thread runs (it may not have started yet).
  while (renderWindow->isRenderThreadRunning() && closeState.load() != closeGraphicsReleased) {
    if (std::chrono::steady_clock::now() >= deadline) {
      ZRLOG("error: the render thread did not release the skin's graphics within %d ms; closing without it",
            renderStopTimeoutMs);
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(kCloseStepMs));
  }
  renderWindow->setStopTimeout(renderStopTimeoutMs);
  renderWindow->Close(true);
  // A window whose thread did not end stays (hidden) until this window goes.
  if (!renderWindow->isRenderThreadRunning()) renderWindow = nullptr;
}

// ---- input ---------------------------------------------------------------------------------------------

void ZRMainFrame::routeMouse(int code, float x, float y, int button, float wheel, int modifiers) {
  manager->actionRouteMouse(code, x, y, button, mouseCaptured, wheel, modifiers);
}

void ZRMainFrame::OnMouseEvent(wxMouseEvent& event) {
  if (closing) {
    event.Skip();
    return;
  }
  const float x = static_cast<float>(event.GetX()) * manager->mouseScaleX;
  const float y = static_cast<float>(event.GetY()) * manager->mouseScaleY;
  const int button = buttonOf(event);
  const int modifiers = modifiersOf(event);
  const wxEventType type = event.GetEventType();
  if (type == wxEVT_MOUSEWHEEL) {
    const float steps = static_cast<float>(event.GetWheelRotation()) *
                        static_cast<float>(event.GetLinesPerAction()) /
                        static_cast<float>(event.GetWheelDelta() != 0 ? event.GetWheelDelta() : 120);
    if (event.GetWheelAxis() == wxMOUSE_WHEEL_VERTICAL) {
      routeMouse(ZRNodeManager::mouseWheel, x, y, button, steps * -25.0f, modifiers);
    } else {
      routeMouse(ZRNodeManager::mouseWheelH, x, y, button, steps * 2.5f, modifiers);
    }
  } else if (type == wxEVT_ENTER_WINDOW || type == wxEVT_LEAVE_WINDOW) {
    if (!mouseCaptured) {
      routeMouse(
          type == wxEVT_ENTER_WINDOW ? ZRNodeManager::mouseEnteredWindow : ZRNodeManager::mouseLeftWindow, x,
          y, button, 0, modifiers);
    }
  } else if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK) {
    // The toolkit here reports a double click as down, up, double click, up: the double click stands for
    // the second press, so the nodes see press, release, press, release and find the double click
    // themselves.
    captureMouse();
    routeMouse(ZRNodeManager::mousePress, x, y, ZRButtonLeft, 0, modifiers);
  } else if (type == wxEVT_MIDDLE_DOWN || type == wxEVT_RIGHT_DOWN || type == wxEVT_MIDDLE_DCLICK ||
             type == wxEVT_RIGHT_DCLICK) {
    routeMouse(ZRNodeManager::mousePress, x, y, button, 0, modifiers);
  } else if (type == wxEVT_LEFT_UP) {
    releaseMouse();
    routeMouse(ZRNodeManager::mouseRelease, x, y, ZRButtonLeft, 0, modifiers);
  } else if (type == wxEVT_MIDDLE_UP || type == wxEVT_RIGHT_UP) {
    routeMouse(ZRNodeManager::mouseRelease, x, y, button, 0, modifiers);
  } else if (type == wxEVT_MOTION) {
    routeMouse(ZRNodeManager::mouseMove, x, y, button, 0, modifiers);
  } else {
    routeMouse(ZRNodeManager::mousePress, x, y, ZRButtonNone, 0, modifiers);
  }
}

void ZRMainFrame::OnMouseCaptureLost(wxMouseCaptureLostEvent&) {
  ZRLOG("*** mouse capture LOST ***");
  if (mouseCaptured) {
    if (renderWindow != nullptr) renderWindow->releaseMouse();
  }
  mouseCaptured = 0;
  if (!closing) manager->actionRouteMouse(ZRNodeManager::mouseCaptureLost, -1, -1, ZRButtonNone, 0, 0, 0);
}

void ZRMainFrame::captureMouse() {
  if (mouseCaptured) {
    ZRLOG("ERROR: mouse already captured");
    return;
  }
  mouseCaptured = 1;
  if (renderWindow != nullptr) renderWindow->captureMouse();
}

void ZRMainFrame::releaseMouse() {
  if (!mouseCaptured) {
    ZRLOG("ERROR: mouse is NOT captured");
    return;
  }
  if (renderWindow != nullptr) renderWindow->releaseMouse();
  mouseCaptured = 0;
}

void ZRMainFrame::OnChar(wxKeyEvent& event) {
  if (closing) {
    event.Skip();
    return;
  }
  const int key = keyCodeOfToolkitKey(static_cast<int>(event.GetUnicodeKey()), event.GetKeyCode());
  manager->actionRouteKeyboard(key, modifiersOf(event));
}

void ZRMainFrame::OnSize(wxSizeEvent& event) {
  if (IsMaximized() && !leavingFullScreen) {
    ZRLOG("ZRMainFrame::OnSize -- ShowFullScreen(true)");
    ShowFullScreen(true, wxFULLSCREEN_ALL);
  }
  const wxSize client = GetClientSize();
  manager->setNewWindowSize(client.x, client.y);
  if (manager->useConstraints) {
    int w = -1, h = -1;
    manager->getOptimalWindowSize(w, h);
    if (client.x < w || client.y < h) {
      ZRLOG(" * preventing window resizing to a smaller size than %d x %d", w, h);
      SetClientSize(w, h);
    }
  }
  leavingFullScreen = false;
  event.Skip();
}

void ZRMainFrame::setSkinCursor(int kind) {
  const wxStockCursor stock = skinStockCursor(kind);
  if (stock == wxCURSOR_NONE || renderWindow == nullptr || renderWindow->getSkinCanvas() == nullptr) return;
  renderWindow->getSkinCanvas()->SetCursor(wxCursor(stock));
}

// ---- main-thread calls ------------------------------------------------------------------------------------

void ZRMainFrame::OnTimer(wxTimerEvent&) {
  ZRGlobalTaskDispatch::getInstance()->syncQueueMainThread();
}

void ZRMainFrame::callAsyncInMainThreadFunction(int type) {
  auto* event = new wxCommandEvent(wxEVT_MENU, kAsyncFunctionRequestId);
  event->SetInt(type);
  QueueEvent(event);
}

void ZRMainFrame::OnAsyncFunctionRequest(wxCommandEvent& event) {
  if (AsyncCallHandler handler = asyncCallHandler.load()) handler(event.GetInt(), -1);
}

// ---- popup menus ---------------------------------------------------------------------------------------

int ZRMainFrame::allocateMenuItem(ZRMenu* menu, int index) {
  int id;
  if (!freeMenuIds.empty()) {
    id = *freeMenuIds.begin();
    freeMenuIds.erase(freeMenuIds.begin());
  } else if (menuIdCount < kMenuIdCount) {
    id = kFirstMenuId + menuIdCount++;
  } else {
    return -1;
  }
  menuItems[id - (kFirstMenuId - 1)] = {menu, index};
  return id;
}

void ZRMainFrame::releaseMenuItem(int id) {
  if (menuItems.erase(id - (kFirstMenuId - 1)) != 0) freeMenuIds.insert(id);
}

void ZRMainFrame::popupMenu(wxMenu* menu, float x, float y) {
  if (menu != nullptr) PopupMenu(menu, static_cast<int>(x), static_cast<int>(y));
}

void ZRMainFrame::OnMenuSelected(wxCommandEvent& event) {
  const int key = event.GetId() - (kFirstMenuId - 1);
  const auto found = menuItems.find(key);
  if (found == menuItems.end()) {
    ZRLOG("OnMenuSelected NOT_FOUND id=%d", key);
    return;
  }
  // The callback may refill the menu, which gives this id back.
  const TZRMenuItemData item = found->second;
  item.menu->internalCallback(item.index);
}
