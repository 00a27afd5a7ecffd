// The headphone preview of a list's cursor row: it plays on the headphones only, the button toggles it,
// the context menu switches or stops it, the slider seeks, a vanished cursor row closes it, and the filler
// takes the button while it is enabled.

#include "actions_dj/preview_actions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/zr_preferences.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_preview_player.h"
#include "soundio/engine_test_rig.h"
#include "support/audio_test_sources.h"
#include "support/test_support.h"
#include "test_node_table.h"

namespace {

using orvel_test::analyseTone;
using orvel_test::TestNodeTable;

class PreviewActions : public ::testing::Test {
 protected:
  void SetUp() override {
    list = ZRList::create("Preview rows", false, ZRList::kTypeUserList, 0);
    side = ZRList::create("Preview side", false, ZRList::kTypeUserList, 0);
    for (const auto& [name, freq] :
         {std::pair<std::string, double>{"low.wav", 440.0}, {"high.wav", 880.0}, {"Low.wav", 660.0}}) {
      const std::string path = dir.file(name);
      ASSERT_TRUE(orvel_test::writeWav16(path, orvel_test::stereoToneTrack(freq, 4.0, 12000), 2, 44100));
      TZRDatabaseTrack track;
      track.tags[kTagFileName] = ZRString(path);
      TZRListTrack row;
      row.trackId = ZRDatabase::getInstance()->addOrUpdate(&track);
      list->addLine(row, -1, false);
    }
    table->playlist = list;
    table->side = side;
    installActionControls(table);
    previewPlayer = &player;
    preferences = nullptr;
  }
  void TearDown() override {
    installActionControls(nullptr);
    previewPlayer = nullptr;
    for (ZRList* l : {list, side}) {
      ZRList::removeList(l);
      delete l;
    }
  }
  std::string open() { return player.IsOpen() ? player.GetFileName().utf8() : ""; }
  void press(int row) {
    list->setMainCursor(row, false);
    FPreview(1, -1, -1, TestNodeTable::node(ACT_ss_preview, -1));
  }
  void menu(int row) {
    list->setMainCursor(row, false);
    FPreview(-1, kPreviewFromMenu, -1, TestNodeTable::node(ACT_playlist, -1));
  }

  orvel_test::TempDir dir;
  ZRList* list = nullptr;
  ZRList* side = nullptr;
  ZRPreviewPlayer player{0, true, false};
  std::shared_ptr<TestNodeTable> table = std::make_shared<TestNodeTable>();
};

TEST_F(PreviewActions, TheButtonTogglesTheCursorRowAndTheMenuSwitchesRows) {
  press(0);
  EXPECT_EQ(open(), dir.file("low.wav"));
  EXPECT_TRUE(player.GetPlaying());
  // The second press stops the preview even though the cursor moved on.
  press(1);
  EXPECT_EQ(open(), "");
  press(1);
  EXPECT_EQ(open(), dir.file("high.wav"));
  // The menu on another row switches to it; on the row already open it stops.
  menu(0);
  EXPECT_EQ(open(), dir.file("low.wav"));
  // A path differing only in case is another file.
  menu(2);
  EXPECT_EQ(open(), dir.file("Low.wav"));
  menu(2);
  EXPECT_EQ(open(), "");
  // The slider seeks to its share of the file.
  press(0);
  FPreview_Pos(50, -1, -1, nullptr);
  EXPECT_NEAR(player.GetCurrentPosNoCallbacks(), 2 * 44100, 441);
  // A cursor at or past the rows (its row was deleted) closes the preview.
  list->setMainCursor(5, false);
  FPreview(1, -1, -1, nullptr);
  EXPECT_EQ(open(), "");
  // The side list's cursor row is previewed unless the track table has the focus.
  TZRListTrack row;
  ASSERT_TRUE(list->getRowData(1, &row));
  side->addLine(row, -1, false);
  side->setMainCursor(0, false);
  list->setMainCursor(0, false);
  FPreview(1, -1, -1, nullptr);
  EXPECT_EQ(open(), dir.file("high.wav"));
  FPreview(1, -1, -1, nullptr);
  table->playlistFocused = true;
  FPreview(1, -1, -1, nullptr);
  EXPECT_EQ(open(), dir.file("low.wav"));
}

TEST_F(PreviewActions, ThePreviewIsHeardOnTheHeadphonesOnly) {
  orvel_test::ConstSource silence[2] = {{0, 0}, {0, 0}};
  ZRMixer main(22050);
  main.AddMixerChannel(&silence[0]);
  main.AddMixerChannel(&silence[1]);
  const int channel = main.AddMixerChannel(&player);
  // As the application sets the preview channel up.
  main.SetVetoPgmMix(channel, 1);
  main.SetFaderPosition(channel, 127);
  main.SetCuePFLFaderPosition(channel, 127);
  main.SetCuePgmMixPosition(0);
  press(0);
  for (int i = 0; i < 8 && player.GetBufferedFrames() < 44100; ++i) player.AsyncStreamingFunction();
  orvel_test::ManualEngine engine(main, 441);
  const std::vector<float> master = engine.pump(20);
  const std::vector<float> phones = engine.pump(20, ZRAudioMultiOutput::kBusHeadphones);
  double freq, rms;
  analyseTone(phones, 0, static_cast<long>(phones.size() / 2), freq, rms);
  EXPECT_NEAR(freq, 440.0, 3.0);
  EXPECT_GT(rms, 0.05);
  float loudest = 0;
  for (float v : master) loudest = std::max(loudest, std::fabs(v));
  EXPECT_EQ(loudest, 0.0f);
}

TEST_F(PreviewActions, TheFillerTakesTheButtonWhileEnabled) {
  ZRPreferences settings(nullptr, nullptr);
  settings.setValue("KSREnableFillerPlayer", 1, 0, ZRPreferences::NotificationProgram);
  preferences = &settings;
  // No filler: the button does nothing, not even the preview.
  press(0);
  EXPECT_EQ(open(), "");
  FPreview_Pos(50, -1, -1, nullptr);
  FPreviewRightClick(1, -1, -1, nullptr);
  EXPECT_EQ(open(), "");
  // The context menu still previews.
  menu(1);
  EXPECT_EQ(open(), dir.file("high.wav"));
  preferences = nullptr;
}

}  // namespace
