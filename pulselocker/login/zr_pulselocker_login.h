#pragma once
// ZRPulselockerLogin: the window in which the user signs in to the streaming service - a dialog holding
// a web view that shows the service's sign-in page, and a shared handle to the SDK's pending
// authorisation, which it keeps while it is open and releases when it closes. Other code steers it:
//  - show another page: post (or send) a text-changed command event with id kChangeUrlId whose client
//    data is a new std::string with the address (the window takes ownership); only https addresses are
//    loaded (common/zr_https_url.h), any other is refused with a log line;
//  - close on demand: a button-clicked event with id kCloseOnDemandId. A modal window ends its loop
//    with 5100, a modeless one closes; either way the authorisation is released first.
//  - closing by the close box or Close() releases the authorisation too ("doAuth before/after" lines).
// Who opens the window, with which page and authorisation, and when the login counts as done, is the
// opener's business; the program itself never opens it.
//
// Threads: main thread only. Another thread reaches the window only by posting the change-page event
// (the heap string outlives the poster's stack).

#include <wx/dialog.h>

#include <memory>
#include <string>

#include "pulselocker/pl_auth.h"

class wxWebView;

class ZRPulselockerLogin : public wxDialog {
 public:
  static constexpr int kTestButtonId = 100;
  static constexpr int kCloseOnDemandId = 101;
  static constexpr int kChangeUrlId = 102;
  static constexpr int kModalResult = 5100;

  // firstUrl is shown at once when it is an https address (otherwise the view stays empty, logged).
  ZRPulselockerLogin(wxWindow* parent, std::shared_ptr<pl::Authorization> auth, const std::string& firstUrl,
                     const wxString& title = "Pulselocker", const wxSize& size = wxSize(480, 600));
  ~ZRPulselockerLogin() override;

  wxWebView* webView() const { return webView_; }
  // The number of owners of the authorisation (0 once released).
  long authorizationOwners() const { return authPtr_.use_count(); }

  // A change-page event for address, ready to post to the window.
  static wxCommandEvent* makeChangeUrlEvent(const std::string& address);

 private:
  void OnClose(wxCloseEvent& event);
  void OnButtonTest(wxCommandEvent& event);
  void OnCloseOnDemand(wxCommandEvent& event);
  void OnDoChangeURL(wxCommandEvent& event);
  // Loads address when it is an https one; false (logged) otherwise.
  bool loadIfHttps(const std::string& address);
  void releaseAuthorization();

  wxWebView* webView_ = nullptr;
  std::shared_ptr<pl::Authorization> authPtr_;

  wxDECLARE_EVENT_TABLE();
};
