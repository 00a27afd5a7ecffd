#include "database/karaoke_net/zr_karaoke_net_dialog.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/weakref.h>

#include <string>
#include <vector>

#include "common/zr_global_task_dispatch.h"
#include "database/karaoke_net/zr_browser_plugin_karaoke_net.h"
#include "karaoke_net/zr_karaoke_net.h"
#include "service_window_rig.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace {

using service_windows::pumpUntil;

std::vector<std::string> opened;
bool recordingOpener(const ZRString& url) {
  opened.push_back(url.utf8());
  return true;
}

// A subscriptions window with the buttons the tests click, in a row at known places.
struct ShopWindow {
  static constexpr int kIds[] = {ZRKaraokeNetDialog::kAddSubscriptionId,
                                 ZRKaraokeNetDialog::kCancelSubscriptionId,
                                 ZRKaraokeNetDialog::kRenewSubscriptionId,
                                 ZRKaraokeNetDialog::kForgotPasswordId, ZRKaraokeNetDialog::kCloseButtonId};
  explicit ShopWindow(ZRBrowserPluginKaraokeNet* plugin) {
    dialog = new ZRKaraokeNetDialog(nullptr, plugin, "Shop test", wxSize(400, 120));
    int x = 10;
    for (const int id : kIds) {
      new wxButton(dialog, id, std::to_string(id), wxPoint(x, 20), wxSize(70, 40));
      x += 76;
    }
    dialog->Move(80, 80);
    dialog->Show();
    alive = dialog;
  }
  ~ShopWindow() {
    if (alive) alive->Destroy();
    pumpUntil([] { return false; }, 50);
  }
  // A real click on the button with id, once the window is on the screen.
  bool click(int id) {
    wxWindow* button = dialog->FindWindow(id);
    if (button == nullptr || !pumpUntil([&] { return button->IsShownOnScreen(); }, 10000)) return false;
    pumpUntil([] { return false; }, 100);
    const wxRect r = button->GetScreenRect();
    service_windows::clickAt(r.x + r.width / 2, r.y + r.height / 2);
    return true;
  }
  ZRKaraokeNetDialog* dialog;
  wxWeakRef<ZRKaraokeNetDialog> alive;
};

class ShopDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!service_windows::ensureToolkit()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    opened.clear();
    ZRBrowserPluginKaraokeNet::setBrowserOpener(&recordingOpener);
  }
  void TearDown() override {
    ZRBrowserPluginKaraokeNet::setBrowserOpener(nullptr);
    karnet1 = nullptr;
  }
};

TEST_F(ShopDialog, ClickedButtonsActOnlyWithAPluginAndAShopClient) {
  ZRBrowserPluginKaraokeNet plugin;
  ZRKaraokeNet httpsShop("https://shop.example/password");
  ZRKaraokeNet plainShop("http://shop.example/password");
  struct Case {
    bool withPlugin;
    ZRKaraokeNet* client;
    int button;
    const char* logged;  // nullptr: no line
    const char* opened;  // nullptr: nothing opened
  } cases[] = {
      {false, &httpsShop, ZRKaraokeNetDialog::kAddSubscriptionId, nullptr, nullptr},
      {true, nullptr, ZRKaraokeNetDialog::kAddSubscriptionId, nullptr, nullptr},
      {true, &httpsShop, ZRKaraokeNetDialog::kAddSubscriptionId, "internal_showSubscriptionsWindow_addSub",
       nullptr},
      {true, &httpsShop, ZRKaraokeNetDialog::kCancelSubscriptionId,
       "internal_showSubscriptionsWindow_cancelSub", nullptr},
      {true, &httpsShop, ZRKaraokeNetDialog::kRenewSubscriptionId,
       "internal_showSubscriptionsWindow_renewSub", nullptr},
      {true, nullptr, ZRKaraokeNetDialog::kForgotPasswordId, nullptr, nullptr},
      {false, &httpsShop, ZRKaraokeNetDialog::kForgotPasswordId, nullptr, nullptr},
      {true, &httpsShop, ZRKaraokeNetDialog::kForgotPasswordId, nullptr, "https://shop.example/password"},
      {true, &plainShop, ZRKaraokeNetDialog::kForgotPasswordId, "not an https address", nullptr},
  };
  for (const Case& c : cases) {
    karnet1 = c.client;
    opened.clear();
    ShopWindow window(c.withPlugin ? &plugin : nullptr);
    orvel_test::LogCapture log(true);
    ASSERT_TRUE(window.click(c.button));
    pumpUntil([&] { return !log.lines().empty() || !opened.empty(); }, c.logged || c.opened ? 10000 : 300);
    SCOPED_TRACE(std::to_string(c.button) + (c.withPlugin ? " plugin" : " no plugin"));
    if (c.logged) {
      EXPECT_EQ(log.count(c.logged), 1) << log.joined();
      EXPECT_EQ(log.lines().size(), 1u) << log.joined();
    } else {
      EXPECT_TRUE(log.lines().empty()) << log.joined();
    }
    EXPECT_EQ(opened, c.opened ? std::vector<std::string>{c.opened} : std::vector<std::string>{});
    EXPECT_TRUE(window.alive) << "only the close buttons end the window";
  }
}

TEST_F(ShopDialog, CloseButtonsEndAModalRunAndCloseAModelessWindow) {
  // Modeless: there is no modal loop to end; the window closes and destroys itself.
  {
    ShopWindow window(nullptr);
    ASSERT_TRUE(window.click(ZRKaraokeNetDialog::kCloseButtonId));
    EXPECT_TRUE(pumpUntil([&] { return !window.alive; }, 10000));
  }
  // Modal: both close buttons end the run with 5118; the window stays for its opener.
  for (const int id : {ZRKaraokeNetDialog::kCloseButtonId, ZRKaraokeNetDialog::kDoneButtonId}) {
    auto* dialog = new ZRKaraokeNetDialog(nullptr, nullptr, "Shop modal test", wxSize(200, 100));
    dialog->CallAfter([dialog, id] {
      wxCommandEvent press(wxEVT_BUTTON, id);
      press.SetEventObject(dialog);
      dialog->GetEventHandler()->ProcessEvent(press);
    });
    EXPECT_EQ(dialog->ShowModal(), ZRKaraokeNetDialog::kModalResult) << id;
    dialog->Destroy();
  }
  // The country choice only says that the state list is not available.
  ZRBrowserPluginKaraokeNet plugin;
  ShopWindow window(&plugin);
  orvel_test::LogCapture log(true);
  wxCommandEvent choice(wxEVT_CHOICE, ZRKaraokeNetDialog::kCountryChoiceId);
  window.dialog->GetEventHandler()->ProcessEvent(choice);
  EXPECT_EQ(log.count("state list update not available yet"), 1) << log.joined();
}

TEST_F(ShopDialog, TimerRunsMainQueueTasksWithoutNesting) {
  ShopWindow window(nullptr);
  std::vector<std::string> order;
  wxTimer timer(window.dialog);
  ZRGlobalTaskDispatch* dispatch = ZRGlobalTaskDispatch::getInstance();
  dispatch->async(
      [&] {
        order.push_back("first begins");
        dispatch->async(
            [&] {
              order.push_back("second");
              return true;
            },
            &dispatch->mainQueue);
        // A tick while the first task runs (as from a nested modal loop) must not run the second inside it.
        wxTimerEvent nested(timer);
        window.dialog->GetEventHandler()->ProcessEvent(nested);
        order.push_back("first ends");
        return true;
      },
      &dispatch->mainQueue);
  wxTimerEvent tick(timer);
  window.dialog->GetEventHandler()->ProcessEvent(tick);
  EXPECT_EQ(order, (std::vector<std::string>{"first begins", "first ends", "second"}));
}

}  // namespace
