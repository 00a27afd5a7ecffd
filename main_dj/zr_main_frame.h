#pragma once
// ZRMainFrame: the application's one top-level window and the bridge between the toolkit's main thread and
// the rest of the system.
// - It owns the skin engine (ZRNodeManager, with the skin controls' node classes) and the render window
//   (opengl_directx/zr_video_preview_frame.h), whose skin canvas covers this window's client area.
// - Mouse and key events of the window become the node manager's input routing, positions scaled from
//   window pixels to skin points; keys no node takes go to the shortcut tables (FOnCharDefaultHandler).
// - A 100 ms timer runs the tasks waiting on the dispatcher's "main" queue; any thread may post a call to
//   the main thread (callAsyncInMainThreadFunction), which reaches the async call handler.
// - It hands out the toolkit ids of popup-menu items (ZRMenuHost): ids from 6000 upwards, given back when a
//   menu is refilled and handed out again, and routes a chosen id to the menu that owns it.
// - Closing asks for confirmation, then asks the render thread to free the skin's GPU resources and waits
//   for it (at most kRenderStopTimeoutMs, in 5 ms steps), closes the render window (which stops the thread)
//   and shuts the engine down through the deinit callback.
//
// The shell (start-up, engine, settings) plugs in through the two callbacks of the constructor and the
// setters below; see the constructor.
//
// Threads: everything runs on the main thread except what ZRRenderClient names (the render thread) and
// callAsyncInMainThreadFunction (any thread). The close state is the one field both threads write.

#include <wx/frame.h>
#include <wx/timer.h>

#include <atomic>
#include <map>
#include <memory>
#include <set>

#include "common/zr_string.h"
#include "gui/zr_menu.h"
#include "gui/zr_node_manager.h"
#include "main_dj/zr_file_drop_target.h"
#include "opengl_directx/zr_render_client.h"

class ZRNodeClassFactory;
class ZRVideoPreviewFrame;

class ZRMainFrame : public wxFrame, public ZRNodeManagerWindow, public ZRMenuHost, public ZRRenderClient {
 public:
  // init is called once at the end of the constructor with (this, false); it creates the render system
  // (createAndStartRenderingSystem), loads the skin and starts the engine. deinit is called twice while
  // closing: (this, true) before the render thread is stopped, (this, false) after. Either may be null.
  using AppCallback = void (*)(ZRMainFrame* frame, bool phase);
  // The GUI tick, called by the render thread before each skin frame with the seconds the frame covers.
  using GuiTickCallback = void (*)(float seconds);
  // Calls posted to the main thread: (the posted type, -1).
  using AsyncCallHandler = void (*)(int type, int param);

  static constexpr int kAsyncFunctionRequestId = 16;
  static constexpr int kFirstMenuId = 6000;
  static constexpr int kMenuIdCount = 4096;  // ids 6000 .. 10095 may be in use at once
  static constexpr int kRenderStopTimeoutMs = 3000;
  static constexpr int kTimerIntervalMs = 100;

  // Close states.
  enum : int { closeRunning = 0, closeExitRequested = 1, closeGraphicsReleased = 2 };

  // classes makes the skin's nodes (not owned; must outlive the window); null takes the skin controls'
  // classes. openGL chooses the render engine (the only one built).
  ZRMainFrame(const wxString& title, const wxPoint& position, const wxSize& size, bool openGL,
              AppCallback init, AppCallback deinit, ZRNodeClassFactory* classes = nullptr);
  ~ZRMainFrame() override;

  // Loads a skin into the node manager and fits the window to it: the skin's size for a scaled skin, the
  // optimal size of a constraint skin; leaves full screen. False (the previous skin stays) when the load
  // fails.
  bool loadSkin(const ZRString& xmlPath, const ZRString& imagePath, int width, int height, int partCount);
  // Loads the last skin again through the node manager, keeping the window's size (a change of the
  // content scale); logs "reloading skin OK" or "error reloading skin".
  bool reloadLastSkin();
  // Creates the render window and the skin canvas, shows this window and lets the render thread start.
  // Nothing when it exists.
  void createAndStartRenderingSystem();
  // Gives the keyboard focus to the skin canvas.
  void setFocusToManager();
  // The close sequence (also for a forced close): input stops, deinit(true), the render handshake and the
  // render window's forced close, deinit(false).
  void internalOnClose();
  // Mouse capture through the render window's skin canvas; a second capture or a release without one is
  // logged and ignored.
  void captureMouse();
  void releaseMouse();
  // Posts a call to the main thread (any thread); dropped when no handler is set by then.
  void callAsyncInMainThreadFunction(int type);

  ZRNodeManager* getNodeManager() const { return manager; }
  ZRVideoPreviewFrame* getRenderWindow() const { return renderWindow; }
  ZRFileDropCallbacks& getFileDropCallbacks() { return dropCallbacks; }
  int getCloseState() const { return closeState.load(); }
  bool isClosing() const { return closing; }
  bool isMouseCaptured() const { return mouseCaptured != 0; }
  void setGuiTickCallback(GuiTickCallback callback) { guiTickCallback.store(callback); }
  void setAsyncCallHandler(AsyncCallHandler handler) { asyncCallHandler.store(handler); }
  // The bound of the close handshake, and of waiting for the render thread to end.
  void setRenderStopTimeout(int milliseconds) { renderStopTimeoutMs = milliseconds; }
  // The skin last loaded by loadSkin.
  const ZRString& getLastSkinXmlPath() const { return lastSkinXml; }

  // ZRNodeManagerWindow (main thread).
  bool isFullScreen() override { return IsFullScreen(); }
  bool isMaximized() override { return IsMaximized(); }
  void noteLeavingFullScreen() override { leavingFullScreen = true; }
  void showFullScreen(bool on, long style) override { ShowFullScreen(on, style); }
  void setSkinCursor(int kind) override;

  // ZRMenuHost (main thread).
  int allocateMenuItem(ZRMenu* menu, int index) override;
  void releaseMenuItem(int id) override;
  void popupMenu(wxMenu* menu, float x, float y) override;

  // ZRRenderClient (render thread).
  bool testIfRenderingSystemNeedsToExit(void* device, void* context) override;
  void runGuiTick(float seconds) override;
  ZRNodeManager* getRenderNodeManager() override { return manager; }
  void releaseRenderResources() override;

 private:
  struct TZRMenuItemData {
    ZRMenu* menu;
    int index;
  };

  void OnClose(wxCloseEvent& event);
  void OnSize(wxSizeEvent& event);
  void OnMouseEvent(wxMouseEvent& event);
  void OnMouseCaptureLost(wxMouseCaptureLostEvent& event);
  void OnChar(wxKeyEvent& event);
  void OnTimer(wxTimerEvent& event);
  void OnAsyncFunctionRequest(wxCommandEvent& event);
  void OnMenuSelected(wxCommandEvent& event);
  void routeMouse(int code, float x, float y, int button, float wheel, int modifiers);
  void stopRenderingSystem();

  std::atomic<GuiTickCallback> guiTickCallback{nullptr};
  std::atomic<AsyncCallHandler> asyncCallHandler{nullptr};
  std::unique_ptr<ZRNodeClassFactory> ownClasses;
  ZRNodeManager* manager = nullptr;
  bool leavingFullScreen = false;
  ZRFileDropCallbacks dropCallbacks;
  std::map<int, TZRMenuItemData> menuItems;  // key: toolkit id - 5999
  std::set<int> freeMenuIds;                 // given back, handed out again first (lowest first)
  int menuIdCount = 0;                       // ids handed out for the first time so far
  int mouseCaptured = 0;
  bool openGL;
  bool closing = false;
  // The close confirmation is open; a forced close came while it was.
  bool confirmingClose = false;
  bool forcedDuringConfirmation = false;
  wxTimer timer;
  ZRString lastSkinXml, lastSkinImage;
  int lastSkinWidth = 0, lastSkinHeight = 0, lastSkinParts = 0;
  ZRVideoPreviewFrame* renderWindow = nullptr;
  std::atomic<int> closeState{closeRunning};
  AppCallback deinitCallback;
  int renderStopTimeoutMs = kRenderStopTimeoutMs;
};

// The application's main window: set by the shell's init callback before the engine is created and cleared
// when the engine is shut down. Readers test it for null first.
extern ZRMainFrame* MainFrame;
// The main window's node manager; null without a main window.
ZRNodeManager* mainFrameNodeManager();

// Installed on the skin canvas: the content scale changed (render thread). Posts to the main thread the
// reload of the last skin with or without its double-resolution image (no window resizing).
void scaleChangedCallback_MainFrame(float scale, void* frame);

// What the process needs before the toolkit starts, first thing in main: Xlib made safe for the render
// thread (XInitThreads) and the toolkit kept on X11 (GDK_BACKEND=x11), since the OpenGL canvases are GLX.
void prepareToolkitForRenderThread();
