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
#include "main_dj/shell_test_support.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_main_frame.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace fs = std::filesystem;
using orvel_test::LogCapture;
using orvel_test::ShellSandbox;

namespace {

// The toolkit started once for the test program, with the application object as its application.
MeridexApp* startToolkit() {
  static MeridexApp* app = []() -> MeridexApp* {
    if (std::getenv("DISPLAY") == nullptr) return nullptr;
    prepareToolkitForRenderThread();
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    auto* instance = new MeridexApp();
    wxApp::SetInstance(instance);
    if (!wxEntryStart(argc, argv)) return nullptr;
    // The main windows under test close and go away; the test program goes on.
    instance->SetExitOnFrameDelete(false);
    return instance;
  }();
  return app;
}

// Deletes the windows closed so far.
void deletePendingWindows() {
  wxTheApp->ProcessPendingEvents();
  wxTheApp->ProcessIdle();
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
    if (startToolkit() == nullptr) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
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

TEST_F(MeridexAppStart, OnInitOpensTheMainWindowAsTheShellsMainWindow) {
  LogCapture log;
  ASSERT_TRUE(startToolkit()->CallOnInit());
  ZRMainFrame* frame = GetApplicationMainWindow();
  ASSERT_NE(frame, nullptr);
  EXPECT_EQ(frame, MainFrame);
  EXPECT_EQ(wxTheApp->GetTopWindow(), frame);
  EXPECT_EQ(frame->GetTitle(), "Orvel");
  EXPECT_TRUE(frame->IsShown());
  EXPECT_EQ(shellNodeManager(), frame->getNodeManager());
  // The main window's constructor started the engine, which closed the picture window.
  EXPECT_EQ(loadingProgressFrame, nullptr);
  EXPECT_TRUE(log.contains("initApp (after 'InitializeApplication')"));
  EXPECT_TRUE(appCompletelyLoaded.load());
  frame->Close(true);
  deletePendingWindows();
  EXPECT_EQ(GetApplicationMainWindow(), nullptr);
}

TEST_F(MeridexAppStart, TheEndOfTheLoopClosesAMainWindowLeftOpenByForce) {
  ASSERT_TRUE(startToolkit()->CallOnInit());
  ASSERT_NE(MainFrame, nullptr);
  deinitStarted.store(false);
  LogCapture log;
  // A close that could be vetoed would ask the user first; a forced one cannot be.
  bool couldVeto = true;
  MainFrame->Bind(wxEVT_CLOSE_WINDOW, [&](wxCloseEvent& event) {
    couldVeto = event.CanVeto();
    event.Skip();
  });
  startToolkit()->OnExit();
  deletePendingWindows();
  EXPECT_FALSE(couldVeto);
  EXPECT_TRUE(log.contains("MeridexApp::OnExit"));
  EXPECT_TRUE(log.contains("force closing window"));
  EXPECT_EQ(GetApplicationMainWindow(), nullptr);
}

TEST_F(MeridexAppStart, TheEndOfTheLoopLeavesAWindowAlreadyShuttingDown) {
  ASSERT_TRUE(startToolkit()->CallOnInit());
  ZRMainFrame* frame = MainFrame;
  ASSERT_NE(frame, nullptr);
  deinitStarted.store(true);
  LogCapture log;
  startToolkit()->OnExit();
  deinitStarted.store(false);
  EXPECT_FALSE(log.contains("force closing window"));
  EXPECT_EQ(GetApplicationMainWindow(), frame);
  frame->Close(true);
  deletePendingWindows();
}
