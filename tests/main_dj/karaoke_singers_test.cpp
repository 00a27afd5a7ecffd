// The karaoke show on the window side: the singer-name dialog driven with real input (typing, completion
// from the singer history, the key field, OK), and the singers list's rebuilds asked from other threads,
// served on the main thread once.

#include <gtest/gtest.h>
#include <wx/app.h>
#include <wx/button.h>
#include <wx/spinctrl.h>
#include <wx/textctrl.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "database/zr_singer_name_history.h"
#include "main_dj/karaoke_singers_output.h"
#include "main_dj/zr_singer_name_dialog.h"
#include "main_window_rig.h"
#include "support/display_required.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using orvel_test::ensureToolkitForRenderThread;
using orvel_test::pumpUntil;
using orvel_test::TempDir;

// Runs xdotool with args on the test's display, bounded; true when it succeeded.
bool xdotool(const std::string& args) {
  const std::string command = "timeout 10 xdotool " + args + " >/dev/null 2>&1";
  return std::system(command.c_str()) == 0;
}

// A point inside the window, near its left end (a spin field's buttons take its right end).
std::string pointIn(wxWindow* window) {
  const wxRect r = window->GetScreenRect();
  return std::to_string(r.x + std::min(12, r.width / 2)) + " " + std::to_string(r.y + r.height / 2);
}

class SingerNameDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    ASSERT_TRUE(
        orvel_test::writeFile(home.file("singers.xml"),
                              "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n"
                              "<singers version=\"1\" idnext=\"4\">\n<singer id=\"1\" name=\"Bob\" />\n"
                              "<singer id=\"2\" name=\"Anna Lee\" />\n"
                              "<singer id=\"3\" name=\"Andy\" />\n</singers>\n"));
    ASSERT_TRUE(history.load());
  }

  // Shows the dialog and plays the user's part on a helper thread: the steps are xdotool arguments, with
  // "@name", "@key" and "@ok" standing for points inside those controls. Returns the dialog's result.
  int showAndPlay(ZRSingerNameDialog& dialog, const std::vector<std::string>& steps) {
    dialog.setHistory(&history);
    auto* name = dynamic_cast<wxTextCtrl*>(dialog.FindWindow(ZRSingerNameDialog::kNameFieldId));
    auto* key = dialog.FindWindow(ZRSingerNameDialog::kKeyFieldId);
    wxWindow* ok = dialog.FindWindow(wxID_OK);
    if (name == nullptr || key == nullptr || ok == nullptr) return -1;
    // Shared with the work posted to the main thread, which may run after this call has returned: once
    // the dialog is over (said on the main thread) that work touches nothing.
    struct Play {
      std::mutex lock;
      std::vector<std::pair<std::string, std::string>> places;
      std::atomic<bool> placed{false}, played{false};
      bool over = false;  // main thread
    };
    auto play = std::make_shared<Play>();
    std::thread user([play, name, key, ok, &dialog, steps] {
      // The controls' places are read on the main thread (the toolkit is called there only), once the
      // dialog shows its name field.
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (!play->placed.load() && std::chrono::steady_clock::now() < deadline) {
        wxTheApp->CallAfter([play, name, key, ok] {
          if (play->over || play->placed.load() || !name->IsShownOnScreen()) return;
          std::lock_guard<std::mutex> guard(play->lock);
          play->places = {{"@name", pointIn(name)}, {"@key", pointIn(key)}, {"@ok", pointIn(ok)}};
          play->placed.store(true);
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(300));
      bool allDone = play->placed.load();
      for (std::string step : steps) {
        {
          std::lock_guard<std::mutex> guard(play->lock);
          for (const auto& [mark, point] : play->places) {
            if (const size_t at = step.find(mark); at != std::string::npos)
              step.replace(at, mark.size(), point);
          }
        }
        allDone = xdotool(step) && allDone;
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
      }
      play->played.store(allDone);
      // Whatever happened, the modal loop ends (a dialog still open is cancelled).
      wxTheApp->CallAfter([play, &dialog] {
        if (!play->over && dialog.IsModal()) dialog.EndModal(wxID_CANCEL);
      });
    });
    const int result = dialog.ShowModal();
    play->over = true;
    user.join();
    EXPECT_TRUE(play->played.load()) << "an input step failed";
    return result;
  }

  TempDir home;
  ZRSingerNameHistory history{ZRString(home.file("singers.xml"))};
};

TEST_F(SingerNameDialogTest, AStoredSingerIsCompletedAndTheKeyStepped) {
  ZRSingerNameDialog dialog(nullptr, ZRString(), 1.5, 0.5,
                            ZRString("Singer name (press <F5> for autocomplete)"),
                            ZRString("Please enter the singer's name"), wxOK | wxCANCEL | wxCENTRE);
  const int result =
      showAndPlay(dialog, {"mousemove @name", "click 1", "type --delay 80 an", "key F5", "key F5",
                           "mousemove @key", "click 1", "key Up", "mousemove @ok", "click 1"});
  ASSERT_EQ(result, wxID_OK);
  EXPECT_EQ(dialog.getName().utf8(), "Anna Lee");
  EXPECT_DOUBLE_EQ(dialog.getKeyAdjust(), 2.0);
  // F5 gave Andy first (alphabetical order), the second F5 the next name starting with "an". Already
  // known: the history keeps one record of her.
  EXPECT_EQ(history.singers().size(), 3u);
}

TEST_F(SingerNameDialogTest, ANewSingerJoinsTheHistoryAndIsSavedAtOnce) {
  ZRSingerNameDialog dialog(nullptr, ZRString(), 0, 1, ZRString("Singer name (press <F5> for autocomplete)"),
                            ZRString("Please enter the singer's name"), wxOK | wxCANCEL | wxCENTRE);
  const int result =
      showAndPlay(dialog, {"mousemove @name", "click 1", "type --delay 80 Zoe", "mousemove @ok", "click 1"});
  ASSERT_EQ(result, wxID_OK);
  EXPECT_EQ(dialog.getName().utf8(), "Zoe");
  EXPECT_DOUBLE_EQ(dialog.getKeyAdjust(), 0.0);
  ZRSingerNameHistory reread{ZRString(home.file("singers.xml"))};
  ASSERT_TRUE(reread.load());
  ASSERT_EQ(reread.singers().size(), 4u);
  EXPECT_EQ(reread.singers()[3].name.utf8(), "Zoe");
  EXPECT_EQ(reread.singers()[3].id, 4);
}

// The filler player takes songs on the render thread and the library adds rows on its own: every change of
// the side list asks for a rebuild, and the asks that come before it runs are served by one rebuild, on the
// main thread.
TEST(KaraokeSingersOutput, RebuildsAskedFromOtherThreadsRunOnceOnTheMainThread) {
  if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  orvel_test::LogCapture mainThreadLines(true);
  const int before = karaokeSingersListRebuilds();
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([] {
      for (int i = 0; i < 50; ++i) OnSidelistChanged(nullptr);
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(karaokeSingersListRebuilds(), before) << "nothing is rebuilt off the main thread";
  ASSERT_TRUE(pumpUntil([&] { return karaokeSingersListRebuilds() > before; }, 5000));
  orvel_test::pumpFor(200);
  EXPECT_EQ(karaokeSingersListRebuilds(), before + 1);
  // Without a video output there is no layer stack yet: said on the main thread, once.
  EXPECT_EQ(mainThreadLines.count("error: overlay graphics layers object does not exist"), 1);

  // A later change asks again.
  OnSidelistChanged(nullptr);
  ASSERT_TRUE(pumpUntil([&] { return karaokeSingersListRebuilds() > before + 1; }, 5000));
}

}  // namespace
