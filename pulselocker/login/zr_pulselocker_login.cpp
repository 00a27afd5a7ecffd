#include "pulselocker/login/zr_pulselocker_login.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/textctrl.h>
#include <wx/webview.h>

#include "common/zr_https_url.h"
#include "common/zr_logging.h"

wxBEGIN_EVENT_TABLE(ZRPulselockerLogin, wxDialog) EVT_CLOSE(ZRPulselockerLogin::OnClose)
    EVT_BUTTON(ZRPulselockerLogin::kTestButtonId, ZRPulselockerLogin::OnButtonTest)
        EVT_BUTTON(ZRPulselockerLogin::kCloseOnDemandId, ZRPulselockerLogin::OnCloseOnDemand)
            EVT_TEXT(ZRPulselockerLogin::kChangeUrlId, ZRPulselockerLogin::OnDoChangeURL) wxEND_EVENT_TABLE()

                ZRPulselockerLogin::ZRPulselockerLogin(wxWindow* parent,
                                                       std::shared_ptr<pl::Authorization> auth,
                                                       const std::string& firstUrl, const wxString& title,
                                                       const wxSize& size)
    : wxDialog(parent, wxID_ANY, title, wxDefaultPosition, size, wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER),
      authPtr_(std::move(auth)) {
  webView_ = wxWebView::New(this, wxID_ANY, wxWebViewDefaultURLStr, wxDefaultPosition, wxDefaultSize,
                            wxWebViewBackendDefault, wxBORDER_NONE);
  auto* sizer = new wxBoxSizer(wxVERTICAL);
  if (webView_ != nullptr) sizer->Add(webView_, 1, wxEXPAND);
  SetSizer(sizer);
  if (webView_ == nullptr) {
    ZRLOG("error: login window has no web view");
  } else if (!firstUrl.empty()) {
    loadIfHttps(firstUrl);
  }
}

ZRPulselockerLogin::~ZRPulselockerLogin() {
  // Destroyed without a close (its parent went first): the authorisation ends with the window anyway.
  if (authPtr_) releaseAuthorization();
}

wxCommandEvent* ZRPulselockerLogin::makeChangeUrlEvent(const std::string& address) {
  auto* event = new wxCommandEvent(wxEVT_TEXT, kChangeUrlId);
  event->SetClientData(new std::string(address));
  return event;
}

bool ZRPulselockerLogin::loadIfHttps(const std::string& address) {
  if (!isHttpsUrl(address)) {
    // The address is not logged: it may carry what a page put in it.
    ZRLOG("error: login window refuses an address that is not https");
    return false;
  }
  if (webView_ == nullptr) return false;
  webView_->LoadURL(wxString::FromUTF8(address));
  return true;
}

void ZRPulselockerLogin::OnDoChangeURL(wxCommandEvent& event) {
  std::unique_ptr<std::string> address(static_cast<std::string*>(event.GetClientData()));
  event.SetClientData(nullptr);
  if (!address) return;
  if (loadIfHttps(*address)) ZRLOG("OnDoChangeURL '%s'", *address);
}

void ZRPulselockerLogin::OnButtonTest(wxCommandEvent&) {}

void ZRPulselockerLogin::releaseAuthorization() {
  ZRLOG("doAuth before authPtr#=%d", static_cast<int>(authPtr_.use_count()));
  authPtr_.reset();
  ZRLOG("doAuth after  authPtr#=%d", static_cast<int>(authPtr_.use_count()));
}

void ZRPulselockerLogin::OnCloseOnDemand(wxCommandEvent&) {
  if (IsModal()) {
    // Ending the modal loop runs no close handler: release here, or the sign-in would outlive the window.
    releaseAuthorization();
    EndModal(kModalResult);
  } else {
    Close(true);
  }
}

void ZRPulselockerLogin::OnClose(wxCloseEvent& event) {
  releaseAuthorization();
  event.Skip();
}
