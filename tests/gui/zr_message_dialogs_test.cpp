#include "gui/zr_message_dialogs.h"

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/frame.h>
#include <wx/msgdlg.h>
#include <wx/textdlg.h>

#include <atomic>
#include <chrono>
#include <future>
#include <string>
#include <thread>

#include "support/display_required.h"
#include "wx_test_app.h"

namespace {

// What the runner saw of the last box, and what it answers.
struct Seen {
  std::string title, message, value;
  wxWindow* parent = nullptr;
  long style = 0;
};
Seen seen;
int answer = wxID_CANCEL;
std::string typed;

int recordingRunner(wxDialog& dialog) {
  seen.title = dialog.GetTitle().utf8_str().data();
  seen.parent = dialog.GetParent();
  if (auto* box = dynamic_cast<wxMessageDialogBase*>(&dialog)) {
    seen.message = box->GetMessage().utf8_str().data();
    seen.style = box->GetMessageDialogStyle();
  }
  if (auto* entry = dynamic_cast<wxTextEntryDialog*>(&dialog)) {
    seen.value = entry->GetValue().utf8_str().data();
    if (!typed.empty()) entry->SetValue(wxString::FromUTF8(typed));
  }
  return answer;
}

class MessageDialogs : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!orvel_test::ensureWxApp()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    // A modal box takes only a shown window as its parent.
    frame = new wxFrame(nullptr, wxID_ANY, "main", wxDefaultPosition, wxSize(200, 150));
    frame->Show();
    seen = Seen{};
    typed.clear();
    setModalRunner(&recordingRunner);
  }
  void TearDown() override {
    setModalRunner(nullptr);
    if (frame != nullptr) frame->Destroy();
  }
  wxFrame* frame = nullptr;
};

TEST_F(MessageDialogs, ConfirmationTakesYesOrOkAndTheDefaultCaption) {
  struct Case {
    int pressed;
    bool expect;
  } cases[] = {{wxID_YES, true}, {wxID_OK, true}, {wxID_NO, false}, {wxID_CANCEL, false}};
  for (const Case& c : cases) {
    answer = c.pressed;
    EXPECT_EQ(showConfirmationDialog(ZRString("Quit now?"), ZRString(), frame), c.expect) << c.pressed;
  }
  EXPECT_EQ(seen.title, "Orvel");
  EXPECT_EQ(seen.message, "Quit now?");
  EXPECT_TRUE(seen.style & wxYES_NO);
  answer = wxID_YES;
  EXPECT_TRUE(showConfirmationDialog(ZRString("Again?"), ZRString("Deck A"), nullptr));
  EXPECT_EQ(seen.title, "Deck A");
}

TEST_F(MessageDialogs, MessageHasOkOnly) {
  answer = wxID_OK;
  showMessageDialog(ZRString("Saved."), ZRString(), frame);
  EXPECT_EQ(seen.title, "Orvel");
  EXPECT_EQ(seen.message, "Saved.");
  EXPECT_TRUE(seen.style & wxOK);
  EXPECT_FALSE(seen.style & wxYES_NO);
}

TEST_F(MessageDialogs, TextEntryGivesTheTextOrNothingWhenCancelled) {
  answer = wxID_OK;
  typed = "Ann \xC3\xA9";
  EXPECT_EQ(showGetTextFromUserDialog(ZRString("Singer name"), ZRString(), ZRString("Bob"), frame).utf8(),
            "Ann \xC3\xA9");
  EXPECT_EQ(seen.value, "Bob");
  EXPECT_EQ(seen.title, "Orvel");
  EXPECT_EQ(seen.parent, frame);
  answer = wxID_CANCEL;
  EXPECT_TRUE(
      showGetTextFromUserDialog(ZRString("Singer name"), ZRString("x"), ZRString("Bob"), frame).empty());
  // Without a parent the box sits on the application's top window.
  wxTheApp->SetTopWindow(frame);
  showGetTextFromUserDialog(ZRString("Singer name"), ZRString(), ZRString(), nullptr);
  EXPECT_EQ(seen.parent, frame);
}

// The toolkit's own modal loop: the box is really shown and ended from inside its loop.
TEST_F(MessageDialogs, TextEntryRunsTheToolkitsModalLoop) {
  setModalRunner(nullptr);
  wxTheApp->CallAfter([] {
    for (wxWindow* w : wxTopLevelWindows) {
      if (auto* entry = dynamic_cast<wxTextEntryDialog*>(w); entry != nullptr && entry->IsModal()) {
        entry->SetValue("typed");
        entry->EndModal(wxID_OK);
      }
    }
  });
  EXPECT_EQ(showGetTextFromUserDialog(ZRString("Name"), ZRString(), ZRString(), frame).utf8(), "typed");
}

TEST_F(MessageDialogs, OffTheMainThreadNothingIsShown) {
  answer = wxID_YES;
  auto result = std::async(std::launch::async, [] {
    return showConfirmationDialog(ZRString("?"), ZRString(), nullptr) ||
           !showGetTextFromUserDialog(ZRString("?"), ZRString(), ZRString("d"), nullptr).empty();
  });
  EXPECT_FALSE(result.get());
  EXPECT_TRUE(seen.title.empty());
}

// A question asked from another thread (an action run by MIDI or a script) is shown on the main thread, and
// the yes comes back there; a no runs nothing.
TEST_F(MessageDialogs, QuestionsFromOtherThreadsAreAskedOnTheMainThread) {
  wxTheApp->SetTopWindow(frame);
  for (int pressed : {wxID_YES, wxID_NO}) {
    answer = pressed;
    seen = Seen{};
    std::atomic<int> yes{0}, yesOnMain{0};
    std::thread([&] {
      askConfirmationOnMainThread(ZRString("Load?"), ZRString(), [&] {
        ++yes;
        if (wxIsMainThread()) ++yesOnMain;
      });
    }).join();
    EXPECT_TRUE(seen.message.empty());  // not shown on the asking thread
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (seen.message.empty() && std::chrono::steady_clock::now() < deadline) {
      wxTheApp->ProcessPendingEvents();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    EXPECT_EQ(seen.message, "Load?");
    EXPECT_EQ(yes.load(), pressed == wxID_YES ? 1 : 0);
    EXPECT_EQ(yesOnMain.load(), yes.load());
  }
  seen = Seen{};
  std::thread([] { showMessageOnMainThread(ZRString("Too big"), ZRString()); }).join();
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  while (seen.message.empty() && std::chrono::steady_clock::now() < deadline) {
    wxTheApp->ProcessPendingEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(seen.message, "Too big");
}

}  // namespace
