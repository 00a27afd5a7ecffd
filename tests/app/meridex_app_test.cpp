// The application object: the start-up steps before the main window (command line, folders, language, the
// "Loading..." window), and the end of the process closing a main window the loop left open.

#include "app/meridex_app.h"

#include <gtest/gtest.h>
#include <wx/frame.h>
#include <wx/init.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/language_tables.h"
#include "common/text_ids.h"
#include "main_dj/shell_state.h"
#include "main_dj/shell_window.h"
#include "main_dj/shell_test_support.h"
#include "support/log_capture.h"

namespace fs = std::filesystem;
using orvel_test::LogCapture;
using orvel_test::ShellSandbox;

namespace {

// The toolkit started once for the test program, with the application object as its application.
MeridexApp* startToolkit() {
  static MeridexApp* app = [] () -> MeridexApp* {
    if (std::getenv("DISPLAY") == nullptr) return nullptr;
    setenv("GDK_BACKEND", "x11", 0);
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    auto* instance = new MeridexApp();
    wxApp::SetInstance(instance);
    if (!wxEntryStart(argc, argv)) return nullptr;
    return instance;
  }();
  return app;
}

// Runs the start-up steps with a command line.
bool startWith(std::vector<std::string> args) {
  std::vector<char*> argv;
  for (std::string& arg : args) argv.push_back(arg.data());
  argv.push_back(nullptr);
  return startApplicationBeforeMainWindow(static_cast<int>(args.size()), argv.data());
}

class MeridexAppStart : public ::testing::Test {
 protected:
  void SetUp() override {
    if (startToolkit() == nullptr) GTEST_SKIP() << "no display";
    setRunFromIDE(false);
  }
  void TearDown() override {
    if (loadingProgressFrame != nullptr) loadingProgressFrame->Destroy();
    loadingProgressFrame = nullptr;
    setRunFromIDE(false);
  }
  ShellSandbox box;
};

}  // namespace

TEST_F(MeridexAppStart, AFirstStartMakesTheFoldersLoadsTheLanguageAndShowsTheLoadingWindow) {
  ASSERT_TRUE(startWith({"orvel"}));
  EXPECT_TRUE(isFirstRun.load());
  EXPECT_TRUE(fs::is_directory(box.data() + "Settings"));
  EXPECT_TRUE(fs::is_regular_file(box.data() + "Settings/language.xml"));
  EXPECT_EQ(getTextName(txt_no_audio).utf8(), "No audio device");
  ASSERT_NE(loadingProgressFrame, nullptr);
  EXPECT_TRUE(loadingProgressFrame->IsShown());
  EXPECT_EQ(loadingProgressFrame->GetTitle(), "Loading...");
}

TEST_F(MeridexAppStart, OnlyAFirstArgumentRunFromIDEIsNoted) {
  ASSERT_TRUE(startWith({"orvel", "--other", "runFromIDE"}));
  EXPECT_FALSE(runFromIDE.load());
  loadingProgressFrame->Destroy();
  loadingProgressFrame = nullptr;
  ASSERT_TRUE(startWith({"orvel", "runFromIDE"}));
  EXPECT_TRUE(runFromIDE.load());
}

TEST_F(MeridexAppStart, WithoutALanguageTheStartEndsBeforeAnyWindow) {
  fs::remove(box.resources() + "languages/english.xml");
  EXPECT_FALSE(startWith({"orvel"}));
  EXPECT_EQ(loadingProgressFrame, nullptr);
}

TEST_F(MeridexAppStart, TheEndOfTheLoopClosesAMainWindowLeftOpenByForce) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "Orvel");
  bool closed = false, couldVeto = true;
  frame->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent& event) {
    closed = true;
    couldVeto = event.CanVeto();
    frame->Destroy();
  });
  setShellWindow(frame, nullptr);
  deinitStarted.store(false);
  LogCapture log;
  startToolkit()->OnExit();
  setShellWindow(nullptr, nullptr);
  EXPECT_TRUE(closed);
  EXPECT_FALSE(couldVeto);
  EXPECT_TRUE(log.contains("force closing window"));
}

TEST_F(MeridexAppStart, TheEndOfTheLoopLeavesAWindowAlreadyShuttingDown) {
  auto* frame = new wxFrame(nullptr, wxID_ANY, "Orvel");
  bool closed = false;
  frame->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent&) { closed = true; });
  setShellWindow(frame, nullptr);
  deinitStarted.store(true);
  startToolkit()->OnExit();
  setShellWindow(nullptr, nullptr);
  deinitStarted.store(false);
  EXPECT_FALSE(closed);
  frame->Destroy();
}
