// The tempo editor and the column order dialog on screen, driven by real pointer and keyboard input
// (XTest): taps on "Tap Beat" 500 ms apart show 120.00 and OK hands 120 to the deck; a deck that loaded
// another track under an open editor is left alone; typing, the automatic ranges, Cancel, the close box and
// the scripts' calls; the column order dialog moving a column and the table writing it back. The tap
// button's clock is the test's, so the taps' spacing does not depend on the machine's load.

#include "main_dj/bpm_editor_window.h"

#include <gtest/gtest.h>
#include <wx/button.h>
#include <wx/listbox.h>
#include <wx/radiobox.h>
#include <wx/textctrl.h>
#include <wx/uiaction.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/engine_globals.h"
#include "common/action_vocabulary.h"
#include "common/language_tables.h"
#include "dsp/engine/sound_source.h"
#include "gui/tarvo_wdr.h"
#include "gui/zr_message_dialogs.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_playlist_columns.h"
#include "main_dj/column_order_dialog.h"
#include "main_dj/main_thread_messages.h"
#include "main_dj/script_node_access.h"
#include "main_dj/zr_catch_events_dialog.h"
#include "main_window_rig.h"
#include "soundio/engine_test_rig.h"
#include "support/display_required.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "support/toolkit_events.h"

namespace orvel_test {
namespace {

std::atomic<int64_t> tapNow{0};

std::string fieldText() {
  auto* field = findControl<wxTextCtrl>(EditBPMWindow_dialog, ID_BPM_VALUE);
  return field != nullptr ? std::string(field->GetValue().utf8_str()) : "(no field)";
}

bool editorOnScreen() {
  return pumpUntil([] { return EditBPMWindow_dialog != nullptr && EditBPMWindow_dialog->IsShownOnScreen(); },
                   5000) &&
         (pumpFor(50), true);
}

class TempoEditorWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    static const bool english = LoadLanguage(ZRString(sourceFile("resources/languages/english.xml")));
    ASSERT_TRUE(english);
    ASSERT_TRUE(writeWav16(dir.file("a.wav"), stereoToneTrack(440.0, 2.0, 8000), 2, 44100));
    ASSERT_TRUE(writeWav16(dir.file("b.wav"), stereoToneTrack(660.0, 2.0, 8000), 2, 44100));
    deck = std::make_unique<CSoundSource>(0, ZRString(dir.file("Stripes")));
    ASSERT_TRUE(loadDecoded({{deck.get(), dir.file("a.wav")}}, std::chrono::seconds(20)));
    decks[0] = deck.get();
    tapNow = 1000;
    setBpmTapClock([] { return tapNow.load(); });
    installBpmEditorWindow(nullptr);
    log = std::make_unique<LogCapture>();
    running = true;
  }
  void TearDown() override {
    if (!running) return;
    log.reset();
    uninstallBpmEditorWindow();
    pumpUntil([] { return EditBPMWindow_dialog == nullptr; }, 2000);
    pumpFor(50);  // the closed editor is deleted on the next idle pass
    setBpmTapClock(nullptr);
    decks[0] = nullptr;
  }

  // Opens the editor for deck A as the deck's BPM control does, from the render thread.
  bool openFromAnotherThread() {
    std::thread render([] { FEditSongBPM(0, 0, 0, nullptr); });
    render.join();
    return editorOnScreen();
  }
  void tapAt(int64_t ms) {
    const int before = EditBPMWindow_dialog->taps.count();
    tapNow = ms;
    clickMiddle(findControl<wxButton>(EditBPMWindow_dialog, ID_BPM_TAP));
    ASSERT_TRUE(pumpUntil([&] { return EditBPMWindow_dialog->taps.count() != before; }, 5000))
        << "the tap never arrived";
  }
  // Selects the field's text and types text, then a marker digit that is taken back with Backspace: once
  // the marker has come and gone, every key before it has been handled.
  void typeIntoField(const char* text) {
    clickMiddle(findControl<wxTextCtrl>(EditBPMWindow_dialog, ID_BPM_VALUE));
    pumpFor(50);
    wxUIActionSimulator input;
    input.Char('a', wxMOD_CONTROL);
    input.Text(text);
    input.Char('9');
    ASSERT_TRUE(pumpUntil([&] { return !fieldText().empty() && fieldText().back() == '9'; }, 5000));
    input.Char(WXK_BACK);
    ASSERT_TRUE(pumpUntil([&] { return fieldText().empty() || fieldText().back() != '9'; }, 5000));
  }
  bool pressOk() {
    clickMiddle(findControl<wxButton>(EditBPMWindow_dialog, wxID_OK));
    return pumpUntil([] { return EditBPMWindow_dialog == nullptr; }, 5000);
  }

  // The deck's SetForceLockBPM calls (each logs its value).
  int told() const { return log->count("SetForceLockBPM -- value="); }
  bool toldValue(const char* value) const {
    return log->contains(std::string("SetForceLockBPM -- value=") + value);
  }

  TempDir dir;
  std::unique_ptr<CSoundSource> deck;
  std::unique_ptr<LogCapture> log;
  bool running = false;
};

TEST_F(TempoEditorWindow, TappingOneHundredAndTwentyGivesTheDeckOneHundredAndTwenty) {
  ASSERT_TRUE(openFromAnotherThread());
  EXPECT_EQ(EditBPMWindow_dialog->GetTitle(), "BPM");
  ASSERT_NE(EditBPMWindow_dialog->bpmAtOpen, 120.0f);
  const int requests = told();
  tapAt(1000);
  EXPECT_EQ(fieldText(), "0.00");
  tapAt(1500);
  EXPECT_EQ(fieldText(), "120.00");
  tapAt(2000);
  EXPECT_EQ(fieldText(), "120.00");
  // A tap in the same millisecond as the previous one does not divide by zero; a pause of 1501 ms starts
  // again, and the tempo is tapped anew.
  tapAt(2000);
  EXPECT_EQ(fieldText(), "180.00");
  tapAt(3501);
  EXPECT_EQ(fieldText(), "0.00");
  tapAt(4001);
  tapAt(4501);
  EXPECT_EQ(fieldText(), "120.00");
  ASSERT_TRUE(pressOk());
  EXPECT_EQ(told(), requests + 1);
  EXPECT_TRUE(toldValue("120.000000"));
}

TEST_F(TempoEditorWindow, ADeckThatLoadedAnotherTrackUnderTheEditorIsLeftAlone) {
  ASSERT_TRUE(openFromAnotherThread());
  typeIntoField("128");
  ASSERT_EQ(fieldText(), "128");
  ASSERT_TRUE(loadDecoded({{deck.get(), dir.file("b.wav")}}, std::chrono::seconds(20)));
  const int requests = told();
  ASSERT_TRUE(pressOk());
  EXPECT_EQ(told(), requests);
  EXPECT_TRUE(log->contains("applies nothing: the deck holds another track now"));
}

TEST_F(TempoEditorWindow, TypingTheRangesCancelAndTheCloseBox) {
  const int requests = told();
  // Text that reads as zero is refused: as the first edit it empties the field.
  ASSERT_TRUE(openFromAnotherThread());
  typeIntoField("abc");
  EXPECT_EQ(fieldText(), "");
  // An automatic range disables the manual controls and gives its code whatever the field holds.
  auto* mode = findControl<wxRadioBox>(EditBPMWindow_dialog, ID_BPM_MODE);
  ASSERT_NE(mode, nullptr);
  mode->SetSelection(kBpmAutoBelow100);
  wxCommandEvent chosen(wxEVT_RADIOBOX, ID_BPM_MODE);
  chosen.SetInt(kBpmAutoBelow100);
  mode->ProcessWindowEvent(chosen);
  EXPECT_FALSE(findControl<wxButton>(EditBPMWindow_dialog, ID_BPM_TAP)->IsEnabled());
  EXPECT_FALSE(findControl<wxTextCtrl>(EditBPMWindow_dialog, ID_BPM_VALUE)->IsEnabled());
  ASSERT_TRUE(pressOk());
  EXPECT_EQ(told(), requests + 1);
  EXPECT_TRUE(toldValue("-2.000000"));

  // Cancel and the close box apply nothing.
  ASSERT_TRUE(openFromAnotherThread());
  typeIntoField("130");
  clickMiddle(findControl<wxButton>(EditBPMWindow_dialog, wxID_CANCEL));
  EXPECT_TRUE(pumpUntil([] { return EditBPMWindow_dialog == nullptr; }, 5000));
  ASSERT_TRUE(openFromAnotherThread());
  typeIntoField("130");
  EditBPMWindow_dialog->Close();
  EXPECT_EQ(EditBPMWindow_dialog, nullptr);
  pumpFor(50);
  EXPECT_EQ(told(), requests + 1);
}

TEST_F(TempoEditorWindow, ScriptsTapAndSaveThroughTheMainThread) {
  ASSERT_TRUE(openFromAnotherThread());
  const int requests = told();
  // The tap message the script posts, as the main window runs it: a press taps, a release does nothing.
  for (int64_t at : {10000, 10500}) {
    tapNow = at;
    for (int value : {127, 0}) {
      execute__callDj_DeckTapBpm_deck.store(0);
      execute__callDj_DeckTapBpm_param.store(value);
      asyncInMainThreadFunctionCallback(kAsyncTapTempo, -1);
    }
  }
  EXPECT_EQ(EditBPMWindow_dialog->taps.count(), 2);
  EXPECT_EQ(fieldText(), "120.00");
  // deckSaveBpm from the script's thread: a release changes nothing, a press confirms on the main thread.
  std::thread script([] {
    callDj_DeckSaveBpm(0, 0, 0);
    callDj_DeckSaveBpm(127, 0, 0);
  });
  script.join();
  ASSERT_TRUE(pumpUntil([] { return EditBPMWindow_dialog == nullptr; }, 5000));
  EXPECT_EQ(told(), requests + 1);
  EXPECT_TRUE(toldValue("120.000000"));
  // deckEditBpm with the editor open closes it without applying.
  ASSERT_TRUE(openFromAnotherThread());
  std::thread close([] { callDj_DeckEditBpm(127, 0, 0); });
  close.join();
  ASSERT_TRUE(pumpUntil([] { return EditBPMWindow_dialog == nullptr; }, 5000));
  EXPECT_EQ(told(), requests + 1);
}

// The column names a list shows, in order.
std::vector<std::string> lines(wxListBox* list) {
  std::vector<std::string> names;
  for (unsigned i = 0; i < list->GetCount(); ++i) names.emplace_back(list->GetString(i).utf8_str());
  return names;
}

std::function<void(CCatchEventsDialog&)> onDialog;
int runColumnsDialog(wxDialog& dialog) {
  dialog.Show();
  pumpUntil([&] { return dialog.IsShownOnScreen(); }, 5000);
  pumpFor(50);
  if (auto* sink = dynamic_cast<CCatchEventsDialog*>(&dialog)) onDialog(*sink);
  return wxID_CANCEL;
}

TEST(ColumnOrderDialog, MovesReachTheTableAndItsFileAndComeBack) {
  if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  static const bool english = LoadLanguage(ZRString(sourceFile("resources/languages/english.xml")));
  ASSERT_TRUE(english);
  TempDir dir;
  const std::string path = dir.file("columns_playlist.xml");
  ZRNodePlaylist table(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
  table.loadColumns(ZRString(path));  // no file yet: the defaults, and the path is kept
  std::vector<std::string> before, after;
  setModalRunner(&runColumnsDialog);
  onDialog = [&](CCatchEventsDialog& dialog) {
    EXPECT_EQ(dialog.GetTitle(), "Reorder columns");
    auto* list = findControl<wxListBox>(&dialog, ID_COLUMNS_LIST);
    ASSERT_NE(list, nullptr);
    before = lines(list);
    ASSERT_EQ(before.size(), 12u);
    // Nothing selected, then Move Up on the first column: nothing moves.
    clickMiddle(findControl<wxButton>(&dialog, ID_COLUMNS_DOWN));
    list->SetSelection(0);
    clickMiddle(findControl<wxButton>(&dialog, ID_COLUMNS_UP));
    pumpFor(100);
    EXPECT_EQ(lines(list), before);
    EXPECT_EQ(list->GetSelection(), 0);
    // Two Move Down clicks walk the first column to third place, the selection following it.
    clickMiddle(findControl<wxButton>(&dialog, ID_COLUMNS_DOWN));
    ASSERT_TRUE(pumpUntil([&] { return list->GetSelection() == 1; }, 5000));
    clickMiddle(findControl<wxButton>(&dialog, ID_COLUMNS_DOWN));
    ASSERT_TRUE(pumpUntil([&] { return list->GetSelection() == 2; }, 5000));
    after = lines(list);
  };
  showReorderColumnsDialog(-1, -1, -1, &table);
  ASSERT_EQ(after.size(), 12u);
  EXPECT_EQ(after[2], before[0]);
  EXPECT_EQ(after[0], before[1]);
  EXPECT_EQ(after[1], before[2]);

  // The table wrote the order to its file; a table reading it shows the same order.
  TZRColumnsFile file;
  ASSERT_TRUE(readColumnsFile(ZRString(path), &file));
  ZRNodePlaylist again(nullptr, nullptr, 1.0f, GetActionIndex("playlist"), -1, -1);
  ASSERT_TRUE(again.loadColumns(ZRString(path)));
  std::vector<std::string> reread;
  onDialog = [&](CCatchEventsDialog& dialog) {
    reread = lines(findControl<wxListBox>(&dialog, ID_COLUMNS_LIST));
  };
  ShowReorderColumnsDialog(&again);
  EXPECT_EQ(reread, after);
  // A dialog for no table is not opened; Move Down in a dialog without its table does nothing.
  bool opened = false;
  onDialog = [&](CCatchEventsDialog&) { opened = true; };
  ShowReorderColumnsDialog(nullptr);
  EXPECT_FALSE(opened);
  setModalRunner(nullptr);
  CCatchEventsDialog orphan(nullptr, wxID_ANY, "Reorder columns");
  OrderColumnsDialogFunc(&orphan, true, true);
  wxCommandEvent down(wxEVT_BUTTON, ID_COLUMNS_DOWN);
  orphan.ProcessWindowEvent(down);
  EXPECT_EQ(findControl<wxListBox>(&orphan, ID_COLUMNS_LIST)->GetCount(), 14u);
}

}  // namespace
}  // namespace orvel_test
