#include "database/karaoke_net/zr_karaoke_net_dialog.h"

#include <wx/checklst.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/radiobut.h>
#include <wx/textctrl.h>

#include "common/zr_global_task_dispatch.h"
#include "common/zr_logging.h"
#include "database/karaoke_net/zr_browser_plugin_karaoke_net.h"

wxBEGIN_EVENT_TABLE(ZRKaraokeNetDialog, wxDialog) EVT_SCROLL(ZRKaraokeNetDialog::OnSlider)
    EVT_BUTTON(wxID_ANY, ZRKaraokeNetDialog::OnButton) EVT_TEXT(wxID_ANY, ZRKaraokeNetDialog::OnSkip)
        EVT_RADIOBUTTON(wxID_ANY, ZRKaraokeNetDialog::OnSkip)
            EVT_RADIOBOX(wxID_ANY, ZRKaraokeNetDialog::OnSkip) EVT_CHECKBOX(wxID_ANY,
                                                                            ZRKaraokeNetDialog::OnSkip)
                EVT_CHECKLISTBOX(wxID_ANY, ZRKaraokeNetDialog::OnSkip) EVT_LISTBOX(wxID_ANY,
                                                                                   ZRKaraokeNetDialog::OnSkip)
                    EVT_LISTBOX_DCLICK(wxID_ANY, ZRKaraokeNetDialog::OnSkip)
                        EVT_CHOICE(wxID_ANY, ZRKaraokeNetDialog::OnChoice)
                            EVT_CLOSE(ZRKaraokeNetDialog::OnClose)
                                EVT_TIMER(wxID_ANY, ZRKaraokeNetDialog::OnTimer) wxEND_EVENT_TABLE()

                                    ZRKaraokeNetDialog::ZRKaraokeNetDialog(wxWindow* parent,
                                                                           ZRBrowserPluginKaraokeNet* plugin,
                                                                           const wxString& title,
                                                                           const wxSize& size)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, size), plugin_(plugin) {}

void ZRKaraokeNetDialog::finish(int result) {
  if (IsModal()) {
    EndModal(result);
  } else {
    // A modeless window has no modal loop to end (the toolkit would refuse): it closes instead.
    SetReturnCode(result);
    Close(true);
  }
}

void ZRKaraokeNetDialog::OnButton(wxCommandEvent& event) {
  const int id = event.GetId();
  if (id == kCloseButtonId || id == kDoneButtonId) {
    finish(kModalResult);
  } else if (id == kAddSubscriptionId || id == kCancelSubscriptionId || id == kRenewSubscriptionId) {
    if (plugin_ == nullptr) {
      event.Skip();
      return;
    }
    if (id == kAddSubscriptionId) plugin_->internal_showSubscriptionsWindow_addSub(this);
    if (id == kCancelSubscriptionId) plugin_->internal_showSubscriptionsWindow_cancelSub(this);
    if (id == kRenewSubscriptionId) plugin_->internal_showSubscriptionsWindow_renewSub(this);
  } else if (id == kForgotPasswordId && plugin_ != nullptr) {
    plugin_->internal_openPasswordChangeForgetLink(this);
  }
  event.Skip();
}

void ZRKaraokeNetDialog::OnChoice(wxCommandEvent& event) {
  if (event.GetId() == kCountryChoiceId && plugin_ != nullptr) {
    ZRLOGLOC("song shop: %s not available yet", "state list update");
  }
  event.Skip();
}

void ZRKaraokeNetDialog::OnClose(wxCloseEvent& event) {
  if (IsModal()) {
    event.Skip();
  } else {
    Destroy();
  }
}

void ZRKaraokeNetDialog::OnTimer(wxTimerEvent&) {
  if (draining_) return;
  draining_ = true;
  ZRGlobalTaskDispatch::getInstance()->syncQueueMainThread();
  draining_ = false;
}
