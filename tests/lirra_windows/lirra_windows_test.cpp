// The karaoke catalogue's card-details dialog and subscription actions on the toolkit, with the client
// talking to a framed service on 127.0.0.1: layout and pixels, real clicks, the reopen-on-incomplete rule,
// the reports on the "main" queue, and the states choice.
#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/choice.h>
#include <wx/dcclient.h>
#include <wx/dcmemory.h>
#include <wx/listbox.h>
#include <wx/msgdlg.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>
#include <wx/timer.h>

#include <chrono>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "app/lirra_wdr.h"
#include "app/zr_browser_plugin_lirra_karaoke.h"
#include "app/zr_lirra_dialog.h"
#include "common/zr_curl.h"
#include "common/zr_global_task_dispatch.h"
#include "gui/zr_message_dialogs.h"
#include "lirra_client_setup.h"
#include "support/display_required.h"
#include "support/test_support.h"
#include "support/tiny_http_server.h"
#include "wx_test_app.h"

namespace {

using Clock = std::chrono::steady_clock;

template <typename T>
T* find(wxWindow& window, int id) {
  return dynamic_cast<T*>(window.FindWindow(id));
}

// Runs the toolkit's events until done() or the bound passes.
bool pumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds bound = std::chrono::seconds(20)) {
  const auto end = Clock::now() + bound;
  while (!done() && Clock::now() < end) {
    wxTheApp->ProcessPendingEvents();
    wxYield();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return done();
}

// What the scripted modal runner does with each box; it records every message box it is shown.
struct Script {
  std::function<int(wxDialog&)> cardDialog;
  int confirmation = wxID_YES;
  std::vector<std::string> messages;
  int cardRuns = 0;
  int confirmations = 0;
};
Script* script = nullptr;

int runScripted(wxDialog& dialog) {
  if (auto* box = dynamic_cast<wxMessageDialogBase*>(&dialog)) {
    if (box->GetMessageDialogStyle() & wxYES_NO) {
      ++script->confirmations;
      return script->confirmation;
    }
    script->messages.push_back(std::string(box->GetMessage().utf8_str()));
    return wxID_OK;
  }
  ++script->cardRuns;
  return script->cardDialog ? script->cardDialog(dialog) : wxID_CANCEL;
}

class LirraWindows : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureWxApp()) return;
    savedHome = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    setenv("HOME", home.path().c_str(), 1);
    ZRCurlGlobalInit();
    ZRLirraKaraoke::Setup setup = lirra_test::clientSetup(service, server.url("/api"));
    setup.forgotPasswordUrl = "https://catalogue.example/forgot";
    client = std::make_unique<ZRLirraKaraoke>(setup);
    client->setLoginState(3);
    ASSERT_TRUE(client->internal_getProducts());
    lirra1 = client.get();
    script = &scriptState;
  }
  void TearDown() override {
    setModalRunner(nullptr);
    lirra1 = nullptr;
    script = nullptr;
    client.reset();
    ZRGlobalTaskDispatch::getInstance()->syncQueueMainThread();
    if (wxTheApp != nullptr) ZRCurlGlobalDeinit();
    if (!savedHome.empty()) setenv("HOME", savedHome.c_str(), 1);
  }

  orvel_test::HttpResponse answer(const std::string& path) {
    lirra_test::Request r = service.open(path);
    std::lock_guard<std::mutex> lock(mutex);
    seen.push_back(r);
    std::string data = "{}";
    if (r.method == "products_get")
      data =
          R"({"items":[{"id":12,"name":"Monthly","price":"9.99"},{"id":13,"name":"Yearly","price":"99"}]})";
    if (r.method == "account_get")
      data = R"({"account":{"account_id":77,"subscription":{}},"time_info":{"time_diff":0}})";
    return orvel_test::HttpResponse{"200 OK", "Content-Type: application/json\r\n", service.reply(r, data)};
  }
  std::vector<lirra_test::Request> requests() {
    std::lock_guard<std::mutex> lock(mutex);
    return seen;
  }
  bool sawMethod(const std::string& method) {
    for (const auto& r : requests())
      if (r.method == method) return true;
    return false;
  }

  // A subscriptions window as its creator would build it: the products and subscriptions lists.
  std::unique_ptr<ZRLirraDialog> subscriptionsWindow(int productRow, int subscriptionRow) {
    auto window =
        std::make_unique<ZRLirraDialog>(&plugin, nullptr, wxID_ANY, "Subscriptions", wxDefaultPosition,
                                        wxSize(400, 300), wxDEFAULT_DIALOG_STYLE, "subscriptions");
    wxArrayString products, subscriptions;
    products.Add("Monthly");
    products.Add("Yearly");
    subscriptions.Add("Monthly (active)");
    subscriptions.Add("Older");
    auto* p = new wxListBox(window.get(), ID_LIRRA_PRODUCTS, wxPoint(0, 0), wxSize(150, 80), products);
    auto* s =
        new wxListBox(window.get(), ID_LIRRA_SUBSCRIPTIONS, wxPoint(0, 100), wxSize(150, 80), subscriptions);
    if (productRow >= 0) p->SetSelection(productRow);
    if (subscriptionRow >= 0) s->SetSelection(subscriptionRow);
    new wxChoice(window.get(), ID_LIRRA_STATE, wxPoint(200, 0), wxSize(150, -1));
    return window;
  }

  orvel_test::TempDir home;
  std::string savedHome;
  lirra_test::Service service;
  std::mutex mutex;
  std::vector<lirra_test::Request> seen;
  orvel_test::TinyHttpServer server{[this](const std::string& path) { return answer(path); }};
  std::unique_ptr<ZRLirraKaraoke> client;
  ZRBrowserPluginLirraKaraoke plugin;
  Script scriptState;
};

#define NEED_DISPLAY() \
  if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display"

TEST_F(LirraWindows, CardDialogLayoutShowsItsFieldsOnScreen) {
  NEED_DISPLAY();
  ZRLirraDialog dialog(nullptr, nullptr, wxID_ANY, "Credit card details", wxDefaultPosition, wxDefaultSize,
                       wxDEFAULT_DIALOG_STYLE, "-");
  wxSizer* top = LirraCCDialogFunc(&dialog, true, true);
  EXPECT_EQ(dialog.GetSizer(), top);
  for (int id : {ID_LIRRA_CARD_NAME, ID_LIRRA_CARD_NUMBER, ID_LIRRA_CARD_CVC}) {
    auto* field = find<wxTextCtrl>(dialog, id);
    ASSERT_NE(field, nullptr) << id;
    EXPECT_TRUE(field->GetValue().empty());
    EXPECT_GE(field->GetSize().GetWidth(), 200);
  }
  auto* month = find<wxChoice>(dialog, ID_LIRRA_CARD_MONTH);
  ASSERT_NE(month, nullptr);
  ASSERT_EQ(month->GetCount(), 12u);
  EXPECT_EQ(month->GetString(0), "01");
  EXPECT_EQ(month->GetString(11), "12");
  ASSERT_NE(find<wxChoice>(dialog, ID_LIRRA_CARD_YEAR), nullptr);
  EXPECT_EQ(find<wxChoice>(dialog, ID_LIRRA_CARD_YEAR)->GetCount(), 0u);
  auto* save = find<wxButton>(dialog, wxID_OK);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->GetLabel(), "Save");
  EXPECT_TRUE(save->HasFlag(wxBU_EXACTFIT) || dialog.GetDefaultItem() == save);
  EXPECT_EQ(find<wxButton>(dialog, wxID_CANCEL)->GetLabel(), "Cancel");
  std::set<std::string> labels;
  for (wxWindow* child : dialog.GetChildren())
    if (child->GetId() == ID_LIRRA_LABEL) labels.insert(std::string(child->GetLabel().utf8_str()));
  EXPECT_EQ(labels, (std::set<std::string>{"Name", "Number", "Exp Month", "Year", "CVC/CVV"}));
  // The fields sit below one another in the second column, the buttons at the bottom right.
  EXPECT_LT(find<wxTextCtrl>(dialog, ID_LIRRA_CARD_NAME)->GetPosition().y,
            find<wxTextCtrl>(dialog, ID_LIRRA_CARD_CVC)->GetPosition().y);
  EXPECT_LT(find<wxButton>(dialog, wxID_CANCEL)->GetPosition().x, save->GetPosition().x);

  // Shown, its pixels read back: the name field's face differs from the dialog's background.
  dialog.Show();
  wxTextCtrl* name = find<wxTextCtrl>(dialog, ID_LIRRA_CARD_NAME);
  const wxSize size = dialog.GetClientSize();
  auto sample = [&](wxImage& image) {
    wxBitmap bitmap(size.GetWidth(), size.GetHeight());
    wxMemoryDC memory(bitmap);
    wxClientDC screen(&dialog);
    memory.Blit(0, 0, size.GetWidth(), size.GetHeight(), &screen, 0, 0);
    memory.SelectObject(wxNullBitmap);
    image = bitmap.ConvertToImage();
  };
  wxImage image;
  const wxPoint inField =
      name->GetPosition() + wxPoint(name->GetSize().GetWidth() / 2, name->GetSize().GetHeight() / 2);
  const bool drawn = pumpUntil(
      [&] {
        sample(image);
        return image.IsOk() && (image.GetRed(inField.x, inField.y) != image.GetRed(1, 1) ||
                                image.GetGreen(inField.x, inField.y) != image.GetGreen(1, 1) ||
                                image.GetBlue(inField.x, inField.y) != image.GetBlue(1, 1));
      },
      std::chrono::seconds(10));
  EXPECT_TRUE(drawn) << "the text field is not drawn apart from the background";
  dialog.Hide();
}

TEST_F(LirraWindows, IncompleteSaveReopensThenSubscribesAndReportsOnMain) {
  NEED_DISPLAY();
  auto window = subscriptionsWindow(1, -1);
  const std::string thisYear = std::to_string(lirraFirstCardYear());
  std::vector<std::string> yearsOffered;
  scriptState.cardDialog = [&](wxDialog& d) {
    auto* year = find<wxChoice>(d, ID_LIRRA_CARD_YEAR);
    if (scriptState.cardRuns == 1) {
      for (unsigned i = 0; i < year->GetCount(); ++i)
        yearsOffered.push_back(std::string(year->GetString(i).utf8_str()));
      EXPECT_EQ(year->GetSelection(), wxNOT_FOUND);  // the stored year is outside the offered ones
      find<wxTextCtrl>(d, ID_LIRRA_CARD_NAME)->SetValue("Ann Lee");
      find<wxTextCtrl>(d, ID_LIRRA_CARD_NUMBER)->SetValue("4111111111111111");
      find<wxChoice>(d, ID_LIRRA_CARD_MONTH)->SetSelection(3);
      year->SetSelection(2);
      return wxID_OK;  // no CVC yet
    }
    // Reopened with what was typed.
    EXPECT_EQ(find<wxTextCtrl>(d, ID_LIRRA_CARD_NAME)->GetValue(), "Ann Lee");
    EXPECT_EQ(find<wxTextCtrl>(d, ID_LIRRA_CARD_NUMBER)->GetValue(), "4111111111111111");
    EXPECT_EQ(find<wxChoice>(d, ID_LIRRA_CARD_MONTH)->GetStringSelection(), "04");
    EXPECT_EQ(year->GetStringSelection(), std::to_string(lirraFirstCardYear() + 2));
    find<wxTextCtrl>(d, ID_LIRRA_CARD_CVC)->SetValue("123");
    return wxID_OK;
  };
  setModalRunner(&runScripted);
  plugin.ccDetails.year = "2017";
  plugin.internal_showSubscriptionsWindow_addSub(window.get());
  EXPECT_EQ(scriptState.cardRuns, 2);
  ASSERT_EQ(yearsOffered.size(), 11u);
  EXPECT_EQ(yearsOffered.front(), thisYear);
  EXPECT_EQ(yearsOffered.back(), std::to_string(lirraFirstCardYear() + 10));
  // Once the request has its copy, the number and the code are gone from the window's keeping.
  EXPECT_TRUE(plugin.ccDetails.number.empty());
  EXPECT_TRUE(plugin.ccDetails.cvc.empty());
  EXPECT_EQ(plugin.ccDetails.name, ZRString("Ann Lee"));

  // The report comes through the "main" queue, which the open dialog's timer drains.
  window->Show();
  ASSERT_TRUE(pumpUntil([&] { return !scriptState.messages.empty(); })) << "no report";
  window->Hide();
  EXPECT_EQ(scriptState.messages, std::vector<std::string>{"You are now subscribed!"});
  EXPECT_TRUE(plugin.ccDetails.name.empty());
  EXPECT_TRUE(plugin.ccDetails.month.empty());
  bool created = false;
  for (const auto& r : requests()) {
    if (r.method != "subscription_create") continue;
    created = true;
    EXPECT_EQ(
        r.json,
        R"({"product_id":"13","card":{"name":"Ann Lee","number":"4111111111111111","month":"04","year":")" +
            std::to_string(lirraFirstCardYear() + 2) + R"(","cvc":"123"}})");
  }
  EXPECT_TRUE(created);
}

TEST_F(LirraWindows, CancelAndCloseBoxEmptyTheCardDetails) {
  NEED_DISPLAY();
  auto window = subscriptionsWindow(0, -1);
  // Cancel, clicked for real on the dialog's button.
  plugin.ccDetails = ZRLirraKaraoke::CCDetails{"Ann", "4111", "01", "2030", "999"};
  std::thread clicker;
  wxTheApp->CallAfter([&] {
    for (wxWindow* top : wxTopLevelWindows) {
      auto* d = dynamic_cast<ZRLirraDialog*>(top);
      if (d == nullptr || d->GetTitle() != "Credit card details") continue;
      // Real pointer input on the Cancel button, sent from another thread while the modal loop runs.
      d->Raise();
      wxButton* cancel = find<wxButton>(*d, wxID_CANCEL);
      const wxPoint at = cancel->GetScreenPosition() +
                         wxPoint(cancel->GetSize().GetWidth() / 2, cancel->GetSize().GetHeight() / 2);
      clicker = std::thread([at] {
        const std::string command = "xdotool mousemove --sync " + std::to_string(at.x) + " " +
                                    std::to_string(at.y) + " click 1 >/dev/null 2>&1";
        for (int attempt = 0; attempt < 3 && std::system(command.c_str()) != 0; ++attempt) {
        }
      });
    }
  });
  // A bounded fallback: if the click never lands the dialog is closed after 15 s and the test fails.
  bool fallback = false;
  wxTimer guard;
  guard.Bind(wxEVT_TIMER, [&](wxTimerEvent&) {
    fallback = true;
    for (wxWindow* top : wxTopLevelWindows)
      if (auto* d = dynamic_cast<ZRLirraDialog*>(top); d != nullptr && d->IsModal()) d->EndModal(wxID_ABORT);
  });
  guard.StartOnce(15000);
  plugin.internal_showSubscriptionsWindow_addSub(window.get());
  guard.Stop();
  if (clicker.joinable()) clicker.join();
  EXPECT_FALSE(fallback) << "the click on Cancel did not end the dialog";
  EXPECT_TRUE(plugin.ccDetails.name.empty());
  EXPECT_TRUE(plugin.ccDetails.year.empty());

  // The close box ends the modal run as Cancel does.
  plugin.ccDetails = ZRLirraKaraoke::CCDetails{"Ann", "4111", "01", "2030", "999"};
  wxTheApp->CallAfter([] {
    for (wxWindow* top : wxTopLevelWindows)
      if (auto* d = dynamic_cast<ZRLirraDialog*>(top); d != nullptr && d->IsModal()) d->Close();
  });
  plugin.internal_showSubscriptionsWindow_addSub(window.get());
  EXPECT_TRUE(plugin.ccDetails.number.empty());
  EXPECT_TRUE(plugin.ccDetails.cvc.empty());
  EXPECT_FALSE(sawMethod("subscription_create"));
}

TEST_F(LirraWindows, CloseButtonsEndTheSubscriptionsWindowWith5118) {
  NEED_DISPLAY();
  for (int id : {ID_LIRRA_CLOSE, ID_LIRRA_DONE}) {
    auto window = subscriptionsWindow(-1, -1);
    auto* button = new wxButton(window.get(), id, "Close", wxPoint(200, 100));
    (void)button;
    wxTheApp->CallAfter([&window, id] {
      wxCommandEvent click(wxEVT_BUTTON, id);
      click.SetEventObject(window->FindWindow(id));
      window->FindWindow(id)->GetEventHandler()->ProcessEvent(click);
    });
    EXPECT_EQ(window->ShowModal(), kLirraSubscriptionsClosed) << id;
  }
}

TEST_F(LirraWindows, CancelAndRenewNeedTheFirstRowAndAKnownOrder) {
  NEED_DISPLAY();
  setModalRunner(&runScripted);
  struct Case {
    int row;
    int order;
    int answer;
    bool renew;
    int confirmations;
    const char* request;  // expected request JSON, or null for none
    const char* message;
  } cases[] = {
      {1, 901, wxID_YES, false, 0, nullptr, nullptr},  // second row: nothing
      {-1, 901, wxID_YES, true, 0, nullptr, nullptr},  // no row
      {0, -1, wxID_YES, false, 0, nullptr, nullptr},   // no known order: nothing is sent
      {0, 901, wxID_NO, false, 1, nullptr, nullptr},   // the user says no
      {0, 901, wxID_YES, false, 1, R"({"order_id":"901"})", "Subscription has been canceled!"},
      {0, 902, wxID_YES, true, 1, R"({"order_id":"902"})",
       "Subscription has been activated! You may need to restart the app."},
  };
  for (const Case& c : cases) {
    scriptState = Script{};
    scriptState.confirmation = c.answer;
    plugin.orderId = c.order;
    auto window = subscriptionsWindow(-1, c.row);
    const size_t before = requests().size();
    if (c.renew) {
      plugin.internal_showSubscriptionsWindow_renewSub(window.get());
    } else {
      plugin.internal_showSubscriptionsWindow_cancelSub(window.get());
    }
    EXPECT_EQ(scriptState.confirmations, c.confirmations) << c.row << " " << c.order;
    if (c.message == nullptr) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
      EXPECT_EQ(requests().size(), before);
      continue;
    }
    window->Show();
    ASSERT_TRUE(pumpUntil([&] { return !scriptState.messages.empty(); }));
    window->Hide();
    EXPECT_EQ(scriptState.messages.front(), c.message);
    ASSERT_GT(requests().size(), before);
    EXPECT_EQ(requests()[before].json, c.request);
  }
}

TEST_F(LirraWindows, StatesChoiceFollowsTheCountry) {
  NEED_DISPLAY();
  auto window = subscriptionsWindow(-1, -1);
  auto* states = find<wxChoice>(*window, ID_LIRRA_STATE);
  const ZRString california = "CA", yukon = "Yukon", nowhere = "ZZ";
  struct Case {
    int country;
    const ZRString* state;
    unsigned count;
    const char* first;
    int selection;
  } cases[] = {
      {231, nullptr, 62, "Alabama (AL)", wxNOT_FOUND},
      {231, &california, 62, "Alabama (AL)", 5},
      {231, &nowhere, 62, "Alabama (AL)", wxNOT_FOUND},
      {39, &yukon, 13, "Alberta (AB)", 12},
      {84, nullptr, 1, "state", 0},
      {-1, nullptr, 1, "state", 0},
      {9999, &california, 1, "state", 0},
  };
  for (const Case& c : cases) {
    plugin.internal_updateStatesChoice(window.get(), c.country, c.state);
    EXPECT_EQ(states->GetCount(), c.count) << c.country;
    EXPECT_EQ(states->GetString(0), c.first) << c.country;
    EXPECT_EQ(states->GetSelection(), c.selection) << c.country;
  }
  // Through the dialog's own handler: choosing a country refills the states.
  plugin.internal_updateStatesChoice(window.get(), -1, nullptr);
  auto* countries = new wxChoice(window.get(), ID_LIRRA_COUNTRY);
  countries->Append("Canada");
  wxCommandEvent chosen(wxEVT_CHOICE, ID_LIRRA_COUNTRY);
  chosen.SetInt(39);
  chosen.SetEventObject(countries);
  window->GetEventHandler()->ProcessEvent(chosen);
  EXPECT_EQ(states->GetCount(), 13u);
}

TEST_F(LirraWindows, ForgottenPasswordOpensOnlyAnHttpsPage) {
  NEED_DISPLAY();
  std::vector<std::string> opened;
  ZRBrowserPluginLirraKaraoke::setUrlOpener([&](const ZRString& url) {
    opened.push_back(url.utf8());
    return true;
  });
  auto window = subscriptionsWindow(-1, -1);
  new wxButton(window.get(), ID_LIRRA_FORGOT_PASSWORD, "Forgot?", wxPoint(200, 150));
  wxCommandEvent click(wxEVT_BUTTON, ID_LIRRA_FORGOT_PASSWORD);
  window->GetEventHandler()->ProcessEvent(click);
  EXPECT_EQ(opened, std::vector<std::string>{"https://catalogue.example/forgot"});

  ZRLirraKaraoke::Setup setup;
  setup.endpoint = "https://catalogue.example/api";
  setup.clientVersion = "v";
  setup.clientHash = "h";
  setup.forgotPasswordUrl = "javascript:alert(1)";
  ZRLirraKaraoke other(setup);
  lirra1 = &other;
  window->GetEventHandler()->ProcessEvent(click);
  EXPECT_EQ(opened.size(), 1u);
  // Without a client nothing opens.
  lirra1 = nullptr;
  window->GetEventHandler()->ProcessEvent(click);
  EXPECT_EQ(opened.size(), 1u);
  ZRBrowserPluginLirraKaraoke::setUrlOpener(nullptr);
}

TEST_F(LirraWindows, TimerDrainDoesNotRunIntoItself) {
  NEED_DISPLAY();
  ZRLirraDialog dialog(nullptr, nullptr, wxID_ANY, "t", wxDefaultPosition, wxDefaultSize,
                       wxDEFAULT_DIALOG_STYLE, "t");
  auto* queue = &ZRGlobalTaskDispatch::getInstance()->mainQueue;
  wxTimer timer;
  std::vector<std::string> order;
  ZRGlobalTaskDispatch::getInstance()->async(
      [&] {
        order.push_back("first starts");
        // A message box's nested loop lets the timer fire again meanwhile.
        wxTimerEvent tick(timer);
        dialog.OnTimer(tick);
        order.push_back("first ends");
        return true;
      },
      queue);
  ZRGlobalTaskDispatch::getInstance()->async(
      [&] {
        order.push_back("second");
        return true;
      },
      queue);
  wxTimerEvent tick(timer);
  dialog.OnTimer(tick);
  EXPECT_EQ(order, (std::vector<std::string>{"first starts", "first ends", "second"}));
}

}  // namespace
