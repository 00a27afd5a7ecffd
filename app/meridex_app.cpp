#include "app/meridex_app.h"

#include <wx/frame.h>
#include <wx/image.h>

#include <cstring>

#include "actions_dj/settings_mirrors.h"
#include "app/controller_notifications_push.h"
#include "common/zr_logging.h"
#include "gui/zr_image_frame.h"
#include "main_dj/engine_lifecycle.h"
#include "main_dj/language_file.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_state.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_main_frame.h"

wxBEGIN_EVENT_TABLE(MeridexApp, wxApp) EVT_CLOSE(MeridexApp::OnClose) wxEND_EVENT_TABLE()

    namespace {
  // The main window (ZRMainFrame, the shell's main window); its constructor starts the engine through
  // initApp, so the whole engine exists (or the start has ended and the window is closing) once it returns.
  ZRMainFrame* createMainWindow() {
    return new ZRMainFrame("Orvel", wxPoint(50, 50), wxSize(100, 100), cfg_enable_video_opengl.load() != 0,
                           initApp, deinitApp);
  }

}  // namespace

bool startApplicationBeforeMainWindow(int argc, char** argv) {
  if (argc > 1 && argv[1] != nullptr && std::strcmp(argv[1], "runFromIDE") == 0) setRunFromIDE(true);
  InitializeApplicationFolders(argc > 0 ? argv[0] : nullptr);
  if (!LoadLanguageFileOrShowLanguageSelector()) return false;
  connectControllerNotifications();
  // Once per process: the toolkit keeps a handler list and a second registration would add duplicates.
  static const bool handlers = (wxInitAllImageHandlers(), true);
  (void)handlers;
  loadingProgressFrame = showSpecialMessageWindow("Loading...", "Loading database and settings. Please wait.",
                                                  "loading.png", 1, true, nullptr);
  return true;
}

bool MeridexApp::OnInit() {
  if (!startApplicationBeforeMainWindow(argc, argv)) return false;
  ZRMainFrame* frame = createMainWindow();
  // A start the engine refused (a display too small) has already shut down and closed the window.
  if (frame->isClosing()) return false;
  SetTopWindow(frame);
  return true;
}

wxWindow* MeridexApp::getMainWindow() const {
  return GetApplicationMainWindow();
}

int MeridexApp::OnExit() {
  ZRLOG("MeridexApp::OnExit");
  wxWindow* window = getMainWindow();
  if (window != nullptr && !deinitStarted.load()) {
    // The loop ended without the window's own close (the system's quit): close it now so that the engine
    // is still shut down and everything saved.
    ZRLOG("force closing window");
    window->Close(true);
  }
  return wxApp::OnExit();
}

void MeridexApp::OnClose(wxCloseEvent&) {
  ZRLOG("MeridexApp::OnClose");
}
