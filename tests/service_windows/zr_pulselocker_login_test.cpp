#include "pulselocker/login/zr_pulselocker_login.h"

#include <gtest/gtest.h>
#include <unistd.h>
#include <wx/app.h>
#include <wx/weakref.h>
#include <wx/webview.h>

#include <memory>
#include <string>

#include "service_window_rig.h"
#include "support/display_required.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using service_windows::pumpUntil;

constexpr unsigned long kPageColour = 0xc81e28;

class LoginWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!service_windows::ensureToolkit()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    title = "Sign in test " + std::to_string(getpid()) + " " +
            ::testing::UnitTest::GetInstance()->current_test_info()->name();
  }
  // A window at (60, 60), 320 x 240, holding auth; shown.
  ZRPulselockerLogin* open(std::shared_ptr<pl::Authorization> auth, const std::string& firstUrl = "") {
    auto* window = new ZRPulselockerLogin(nullptr, std::move(auth), firstUrl, wxString::FromUTF8(title),
                                          wxSize(320, 240));
    window->Move(60, 60);
    window->Show();
    return window;
  }
  // Shows a page of the test's own from a local file, straight through the web view.
  bool showLocalPage(ZRPulselockerLogin* window) {
    const std::string page = service_windows::homeFolder() + "/page.html";
    orvel_test::writeFile(page, "<html><body style=\"margin:0;background:#c81e28\"></body></html>");
    bool loaded = false;
    window->webView()->Bind(wxEVT_WEBVIEW_LOADED, [&](wxWebViewEvent& e) {
      loaded = true;
      e.Skip();
    });
    window->webView()->LoadURL("file://" + page);
    if (!pumpUntil([&] { return loaded; }, 30000)) return false;
    const wxPoint at = window->webView()->GetScreenPosition() + wxPoint(40, 40);
    return pumpUntil([&] { return service_windows::screenPixel(at.x, at.y) == kPageColour; }, 30000);
  }
  std::string title;
};

TEST_F(LoginWindow, ShowsALocalPageAndLoadsOnlyHttpsAddressesPostedToIt) {
  ZRPulselockerLogin* window = open(nullptr);
  wxWeakRef<ZRPulselockerLogin> alive(window);
  ASSERT_NE(window->webView(), nullptr);
  ASSERT_TRUE(showLocalPage(window)) << "the page did not show within the bound";
  const wxString shown = window->webView()->GetCurrentURL();

  struct Case {
    const char* address;  // nullptr: an event without the address
    bool loaded;
  } cases[] = {
      {nullptr, false},
      {"http://127.0.0.1:1/login", false},
      {"file:///etc/hostname", false},
      {"javascript:document.body.style.background='blue'", false},
      {"https://127.0.0.1:1/login", true},
  };
  for (const Case& c : cases) {
    orvel_test::LogCapture log;
    wxCommandEvent* event = c.address ? ZRPulselockerLogin::makeChangeUrlEvent(c.address)
                                      : new wxCommandEvent(wxEVT_TEXT, ZRPulselockerLogin::kChangeUrlId);
    wxQueueEvent(window, event);
    pumpUntil([] { return false; }, 300);
    if (c.address == nullptr) {
      EXPECT_TRUE(log.lines().empty()) << log.joined();
    } else if (c.loaded) {
      EXPECT_EQ(log.count(std::string("OnDoChangeURL '") + c.address + "'"), 1) << log.joined();
    } else {
      EXPECT_EQ(log.count("refuses an address that is not https"), 1) << c.address << log.joined();
      EXPECT_EQ(log.count("OnDoChangeURL"), 0);
      // Still the page it showed: its colour and its address.
      EXPECT_EQ(window->webView()->GetCurrentURL(), shown) << c.address;
      const wxPoint at = window->webView()->GetScreenPosition() + wxPoint(40, 40);
      EXPECT_EQ(service_windows::screenPixel(at.x, at.y), kPageColour) << c.address;
    }
  }
  // A first page that is not https is refused the same way.
  orvel_test::LogCapture log;
  ZRPulselockerLogin* second = open(nullptr, "http://127.0.0.1:1/");
  EXPECT_EQ(log.count("refuses an address that is not https"), 1);
  second->Destroy();
  window->Destroy();
  EXPECT_TRUE(pumpUntil([&] { return !alive; }, 10000));
}

TEST_F(LoginWindow, ClosingLikeAUserReleasesTheAuthorisation) {
  auto auth = std::make_shared<pl::Authorization>();
  std::weak_ptr<pl::Authorization> watch = auth;
  ZRPulselockerLogin* window = open(auth);
  unsigned long xWindow = 0;
  ASSERT_TRUE(pumpUntil([&] { return (xWindow = service_windows::findWindowByTitle(title)) != 0; }, 20000));
  orvel_test::LogCapture log;
  service_windows::requestClose(xWindow);
  ASSERT_TRUE(pumpUntil([&] { return !window->IsShown(); }, 20000)) << log.joined();
  EXPECT_EQ(log.count("doAuth before authPtr#=2"), 1) << log.joined();
  EXPECT_EQ(log.count("doAuth after  authPtr#=0"), 1) << log.joined();
  auth.reset();
  EXPECT_TRUE(watch.expired());
  EXPECT_EQ(window->authorizationOwners(), 0);
  window->Destroy();
  pumpUntil([] { return false; }, 100);
}

TEST_F(LoginWindow, CloseOnDemandReleasesTheAuthorisationModalOrNot) {
  // Modal: the loop ends with 5100 and the sign-in ends with it, though no close handler runs.
  {
    auto auth = std::make_shared<pl::Authorization>();
    std::weak_ptr<pl::Authorization> watch = auth;
    auto* window =
        new ZRPulselockerLogin(nullptr, std::move(auth), "", wxString::FromUTF8(title), wxSize(200, 150));
    window->CallAfter([window] {
      // Button 100 does nothing; 101 ends the run.
      wxCommandEvent test(wxEVT_BUTTON, ZRPulselockerLogin::kTestButtonId);
      window->GetEventHandler()->ProcessEvent(test);
      wxCommandEvent close(wxEVT_BUTTON, ZRPulselockerLogin::kCloseOnDemandId);
      window->GetEventHandler()->ProcessEvent(close);
    });
    EXPECT_EQ(window->ShowModal(), ZRPulselockerLogin::kModalResult);
    EXPECT_TRUE(watch.expired());
    window->Destroy();
  }
  // Modeless: the window closes.
  {
    auto auth = std::make_shared<pl::Authorization>();
    std::weak_ptr<pl::Authorization> watch = auth;
    ZRPulselockerLogin* window = open(std::move(auth));
    orvel_test::LogCapture log;
    wxCommandEvent close(wxEVT_BUTTON, ZRPulselockerLogin::kCloseOnDemandId);
    window->GetEventHandler()->ProcessEvent(close);
    EXPECT_FALSE(window->IsShown());
    EXPECT_TRUE(watch.expired());
    EXPECT_EQ(log.count("doAuth after  authPtr#=0"), 1);
    window->Destroy();
  }
  // Destroyed without being closed: the authorisation still ends with the window.
  {
    auto auth = std::make_shared<pl::Authorization>();
    std::weak_ptr<pl::Authorization> watch = auth;
    delete new ZRPulselockerLogin(nullptr, std::move(auth), "", wxString::FromUTF8(title), wxSize(200, 150));
    EXPECT_TRUE(watch.expired());
  }
  pumpUntil([] { return false; }, 100);
}

}  // namespace
