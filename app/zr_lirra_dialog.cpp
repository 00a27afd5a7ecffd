#include "app/zr_lirra_dialog.h"

#include <wx/timer.h>

#include "app/lirra_wdr.h"
#include "app/zr_browser_plugin_lirra_karaoke.h"
#include "common/zr_global_task_dispatch.h"

namespace {

// Main thread only: set while the timer runs the "main" queue.
bool drainingMainQueue = false;

}  // namespace

wxBEGIN_EVENT_TABLE(ZRLirraDialog, wxDialog) EVT_BUTTON(wxID_ANY, ZRLirraDialog::OnButton)
    EVT_CHOICE(wxID_ANY, ZRLirraDialog::OnChoice) EVT_CLOSE(ZRLirraDialog::OnClose)
        EVT_TIMER(wxID_ANY, ZRLirraDialog::OnTimer) wxEND_EVENT_TABLE()

            ZRLirraDialog::ZRLirraDialog(ZRBrowserPluginLirraKaraoke* plugin, wxWindow* parent, wxWindowID id,
                                         const wxString& title, const wxPoint& position, const wxSize& size,
                                         long style, const wxString& name)
    : wxDialog(parent, id, title, position, size, style, name),
      plugin_(plugin),
      timer_(new wxTimer(this, -1)) {
  timer_->Start(100, wxTIMER_CONTINUOUS);
}

ZRLirraDialog::~ZRLirraDialog() {
  timer_->Stop();
  delete timer_;
}

void ZRLirraDialog::OnButton(wxCommandEvent& event) {
  const int id = event.GetId();
  if (id == ID_LIRRA_CLOSE || id == ID_LIRRA_DONE) {
    if (IsModal()) EndModal(kLirraSubscriptionsClosed);
  } else if (id == ID_LIRRA_ADD_SUBSCRIPTION || id == ID_LIRRA_CANCEL_SUBSCRIPTION || id == ID_LIRRA_RENEW) {
    if (plugin_ == nullptr) {
      event.Skip();
      return;
    }
    if (id == ID_LIRRA_ADD_SUBSCRIPTION) plugin_->internal_showSubscriptionsWindow_addSub(this);
    if (id == ID_LIRRA_CANCEL_SUBSCRIPTION) plugin_->internal_showSubscriptionsWindow_cancelSub(this);
    if (id == ID_LIRRA_RENEW) plugin_->internal_showSubscriptionsWindow_renewSub(this);
  } else if (id == ID_LIRRA_FORGOT_PASSWORD && plugin_ != nullptr) {
    plugin_->internal_openPasswordChangeForgetLink(this);
  }
  event.Skip();
}

void ZRLirraDialog::OnChoice(wxCommandEvent& event) {
  if (event.GetId() == ID_LIRRA_COUNTRY && plugin_ != nullptr)
    plugin_->internal_updateStatesChoice(this, event.GetSelection(), nullptr);
  event.Skip();
}

void ZRLirraDialog::OnClose(wxCloseEvent& event) {
  // A modal run ends with Cancel (the toolkit's default); a modeless dialog goes away.
  if (IsModal()) {
    event.Skip();
  } else {
    Destroy();
  }
}

void ZRLirraDialog::OnTimer(wxTimerEvent&) {
  if (drainingMainQueue) return;
  drainingMainQueue = true;
  ZRGlobalTaskDispatch::getInstance()->syncQueueMainThread();
  drainingMainQueue = false;
}
