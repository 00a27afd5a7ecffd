// The overlays editor on screen, driven by real pointer and keyboard input: the opacity slider moved with
// the keyboard reaches the overlay on the video output (read back from an offscreen context) with its last
// value, Save as writes the list, a list that does not load changes neither the list nor the file in use,
// and removing the only overlay leaves nothing selected.

#include "main_dj/video_overlays_dialog.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/checklst.h>
#include <wx/slider.h>
#include <wx/uiaction.h>

#include <algorithm>
#include <functional>
#include <string>

#include "common/zr_files.h"
#include "common/zr_preferences.h"
#include "gl_test_context.h"
#include "gui/zr_message_dialogs.h"
#include "main_dj/action_functions.h"
#include "main_dj/overlay_actions.h"
#include "main_dj/zr_catch_events_dialog.h"
#include "shell_engine_rig.h"
#include "support/test_support.h"
#include "support/toolkit_events.h"
#include "video_mixing/zr_simple_overlays.h"
#include "video_mixing/zr_video_output.h"

namespace {

using namespace orvel_test;

constexpr int kWidth = 192;
constexpr int kHeight = 108;

// The brightest red value of one video output frame.
int brightestOverlayPixel() {
  RenderTarget target(kWidth, kHeight);
  target.begin(0, 0, 0, 1);
  RenderVideoOutputFrame(0.02, kWidth, kHeight, 1);
  target.end();
  const std::vector<uint8_t> rgba = target.read();
  int most = 0;
  for (size_t i = 0; i < rgba.size(); i += 4) most = std::max<int>(most, rgba[i]);
  return most;
}

std::string setting(const char* key) {
  ZRString value;
  return preferences != nullptr && preferences->getValue(key, &value) ? value.utf8() : std::string();
}

std::function<void(CCatchEventsDialog&)> onDialog;
int runEditor(wxDialog& dialog) {
  dialog.Show();
  pumpUntil([&] { return dialog.IsShownOnScreen(); }, 5000);
  pumpFor(50);
  if (auto* editor = dynamic_cast<CCatchEventsDialog*>(&dialog)) onDialog(*editor);
  return wxID_CANCEL;
}

class VideoOverlaysEditor : public ShellRigTest {
 protected:
  void SetUp() override {
    ShellRigTest::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    if (!ensureGLContext()) GTEST_SKIP() << "no OpenGL context";
    ASSERT_EQ(rig->start(), 1);
    setModalRunner(&runEditor);
    running_ = true;
  }
  void TearDown() override {
    if (running_) {
      setModalRunner(nullptr);
      setOverlayFileChooser(nullptr);
      DeinitVideoSourceRenderers(1);
      simpleOverlays.clear();
    }
    ShellRigTest::TearDown();
  }
  bool running_ = false;
};

TEST_F(VideoOverlaysEditor, KeyboardOnTheOpacitySliderFadesTheOverlayAndSaveAsWritesTheList) {
  // One white text overlay, big in the middle of the output.
  simpleOverlays.clear();
  ASSERT_EQ(simpleOverlays.add(true, -1), 0);
  ZRSimpleOverlays::Overlay* overlay = simpleOverlays.getItem(0);
  overlay->nametext = "MMMM";
  overlay->width = overlay->height = 0.9f;
  brightestOverlayPixel();  // the first frame makes the output's layer stack
  refreshSimpleOverlays(nullptr, -1, false);
  const int opaque = brightestOverlayPixel();
  ASSERT_GT(opaque, 200) << "the overlay does not show";

  const std::string saved = theOverlaysDir.utf8() + "show";
  setOverlayFileChooser([&](wxWindow*, const wxString&, const wxString& wildcard, bool save, wxString& path) {
    EXPECT_TRUE(save);
    EXPECT_EQ(wildcard, "Overlays List (*.xml)|*.xml");
    path = wxString::FromUTF8(saved);
    return true;
  });
  int faded = -1;
  onDialog = [&](CCatchEventsDialog& dialog) {
    EXPECT_EQ(dialog.GetTitle(), "Edit Video Overlays");
    auto* list = findControl<wxCheckListBox>(&dialog, ID_OVERLAYS_LIST);
    auto* opacity = findControl<wxSlider>(&dialog, ID_OVERLAYS_OPACITY);
    ASSERT_NE(list, nullptr);
    ASSERT_NE(opacity, nullptr);
    ASSERT_EQ(list->GetCount(), 1u);
    EXPECT_EQ(list->GetString(0), "MMMM (text)");
    EXPECT_TRUE(list->IsChecked(0));
    EXPECT_EQ(list->GetSelection(), 0);
    EXPECT_EQ(opacity->GetValue(), 10);
    EXPECT_EQ(findControl<wxButton>(&dialog, ID_OVERLAYS_SAVE)->GetLabel(), "Save as");

    // Focus the slider, then walk it down to 5 key by key: a run of scroll events.
    clickMiddle(opacity);
    ASSERT_TRUE(pumpUntil([&] { return opacity->HasFocus(); }, 5000));
    wxUIActionSimulator input;
    input.Char(WXK_HOME);
    ASSERT_TRUE(pumpUntil([&] { return opacity->GetValue() == 1; }, 5000));
    for (int i = 0; i < 4; ++i) input.Char(WXK_RIGHT);
    ASSERT_TRUE(pumpUntil([&] { return opacity->GetValue() == 5; }, 5000)) << opacity->GetValue();
    pumpFor(100);
    EXPECT_FLOAT_EQ(simpleOverlays.getItem(0)->opacity, 0.5f);
    faded = brightestOverlayPixel();

    clickMiddle(findControl<wxButton>(&dialog, ID_OVERLAYS_SAVE));
    ASSERT_TRUE(pumpUntil([&] { return FileExists(ZRString((saved + ".xml").c_str())); }, 5000));
  };
  ZRActionCallback action = actionFunction("showVideoOverlaysDialog");
  ASSERT_NE(action, nullptr);
  EXPECT_FALSE(isActionPlaceholder(action));
  // The rig has no main window: the action opens nothing, the editor opens on no parent.
  action(0, 0, -1, nullptr);
  EXPECT_EQ(faded, -1);
  ShowVideoOverlaysDialog(nullptr);
  EXPECT_NEAR(faded, opaque / 2, 20) << "the output still shows the opacity before the last step";
  const std::string file = readFile(saved + ".xml");
  EXPECT_NE(file.find("opacity=\"0.5000\""), std::string::npos) << file;
  EXPECT_EQ(setting("CurrentOverlaysFilename"), saved + ".xml");
}

TEST_F(VideoOverlaysEditor, AListThatDoesNotLoadChangesNothingAndRemovingTheLastLeavesNoSelection) {
  simpleOverlays.clear();
  simpleOverlays.add(false, -1);
  const std::string broken = theOverlaysDir.utf8() + "broken.xml";
  ASSERT_TRUE(writeFile(broken, "<overlays version=\"1\">\n<overlay nametext=\"cut"));
  const std::string before = setting("CurrentOverlaysFilename");
  setOverlayFileChooser([&](wxWindow*, const wxString&, const wxString&, bool save, wxString& path) {
    EXPECT_FALSE(save);
    path = wxString::FromUTF8(broken);
    return true;
  });
  onDialog = [&](CCatchEventsDialog& dialog) {
    auto* list = findControl<wxCheckListBox>(&dialog, ID_OVERLAYS_LIST);
    ASSERT_NE(list, nullptr);
    clickMiddle(findControl<wxButton>(&dialog, ID_OVERLAYS_LOAD));
    pumpFor(200);
    EXPECT_EQ(setting("CurrentOverlaysFilename"), before);
    EXPECT_EQ(simpleOverlays.getTotalItems(), 1);
    EXPECT_EQ(list->GetCount(), 1u);

    clickMiddle(findControl<wxButton>(&dialog, ID_OVERLAYS_REMOVE));
    ASSERT_TRUE(pumpUntil([&] { return list->GetCount() == 0; }, 5000));
    EXPECT_EQ(list->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(simpleOverlays.getTotalItems(), 0);
    // "-" and the sliders on an empty list change nothing.
    clickMiddle(findControl<wxButton>(&dialog, ID_OVERLAYS_REMOVE));
    pumpFor(100);
    EXPECT_EQ(simpleOverlays.getTotalItems(), 0);
  };
  ShowVideoOverlaysDialog(nullptr);
}

}  // namespace
