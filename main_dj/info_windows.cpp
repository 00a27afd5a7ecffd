#include "main_dj/info_windows.h"

#include <wx/app.h>
#include <wx/thread.h>

#include <string>

#include "actions_dj/action_support.h"
#include "common/text_ids.h"
#include "gui/zr_info_window.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shell_state.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_main_frame.h"

namespace {

constexpr long kInfoWindowStyle = wxCAPTION | wxCLOSE_BOX | wxFRAME_TOOL_WINDOW | wxCLIP_CHILDREN;

// Main thread only; a destroyed window clears it through its destroy event.
ZRInfoWindow* g_infoFrame = nullptr;

void showInfoWindowNow() {
  ZRMainFrame* main = GetApplicationMainWindow();
  if (main == nullptr) return;
  if (g_infoFrame == nullptr) {
    g_infoFrame =
        new ZRInfoWindow(main, wxID_ANY, "Info", wxDefaultPosition, wxDefaultSize, kInfoWindowStyle, "-");
    g_infoFrame->Bind(wxEVT_DESTROY, [](wxWindowDestroyEvent& event) {
      if (event.GetEventObject() == g_infoFrame) g_infoFrame = nullptr;
      event.Skip();
    });
    g_infoFrame->loadImage(resourcesImagePath(infoWindowImage));
    g_infoFrame->CentreOnParent(wxBOTH);
  }
  g_infoFrame->Show();
  g_infoFrame->Raise();
}

}  // namespace

ZRString aboutText() {
  return ZRString(std::string("Orvel - v") + kOrvelVersion + (runFromIDE.load() ? " (IDE)" : ""));
}

void FAboutApp(int, int, int, ZRDrawNode*) {
  showMessageOnMainThread(aboutText(), languageText(txt_about));
}

void FShowInfoWindow(int, int, int, ZRDrawNode*) {
  if (wxIsMainThread()) {
    showInfoWindowNow();
  } else if (wxTheApp != nullptr) {
    wxTheApp->CallAfter([] { showInfoWindowNow(); });
  }
}

void FShowHints(int value, int, int, ZRDrawNode*) {
  setSettingInt("ShowHints", value);
}

ZRInfoWindow* infoFrame() {
  return g_infoFrame;
}
