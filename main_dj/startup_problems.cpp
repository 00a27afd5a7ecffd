#include "main_dj/startup_problems.h"

#include <wx/app.h>
#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/thread.h>

#include "common/zr_logging.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_wx_strings.h"
#include "main_dj/shell_state.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_main_frame.h"

namespace {

// A message box that stays up without holding the start: pressing OK or closing it destroys it.
void showWithoutWaiting(const ZRString& message, const ZRString& caption, wxWindow* parent) {
  // A box of its own would keep the program running after the main window closed: it goes with the
  // main window.
  if (parent == nullptr) parent = GetApplicationMainWindow();
  auto* box = new wxDialog(
      parent, wxID_ANY, CharTowxString(caption.empty() ? kZRDialogDefaultCaption : caption.utf8().c_str()));
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  sizer->Add(new wxStaticText(box, wxID_ANY, CharTowxString(message.utf8().c_str())), 0, wxALL, 15);
  sizer->Add(new wxButton(box, wxID_OK, "OK"), 0, wxALIGN_RIGHT | wxALL, 10);
  box->SetSizerAndFit(sizer);
  box->Bind(wxEVT_BUTTON, [box](wxCommandEvent&) { box->Destroy(); });
  box->Bind(wxEVT_CLOSE_WINDOW, [box](wxCloseEvent&) { box->Destroy(); });
  box->CentreOnScreen(wxBOTH);
  box->Show();
}

void show(const ZRString& message, const ZRString& caption, wxWindow* parent) {
  if (isRunningUnderTest() && !hasModalRunner()) {
    showWithoutWaiting(message, caption, parent);
    return;
  }
  showMessageDialog(message, caption, parent);
}

}  // namespace

void tellUserAboutProblem(const ZRString& message, const ZRString& caption, wxWindow* parent) {
  ZRLOG("error: %s", message.utf8().c_str());
  if (wxTheApp == nullptr) return;
  if (!wxIsMainThread()) {
    wxTheApp->CallAfter([message, caption] { show(message, caption, nullptr); });
    return;
  }
  show(message, caption, parent);
}
