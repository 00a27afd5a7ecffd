// The user actions the players call back into: the leading deck, the filler's next file from the automix
// list (and the filler zone moving through that list), the preview's end, and the master recording
// callback feeding a sampler slot that records a bar.

#include "actions_dj/player_actions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/engine_globals.h"
#include "codecs/zr_audio_broadcast.h"
#include "codecs/zr_video_recorder.h"
#include "common/zr_preferences.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_sampler_player.h"
#include "dsp/engine/zr_simple_mix_zone.h"
#include "soundio/engine_test_rig.h"
#include "support/test_support.h"

namespace {

using orvel_test::analyseTone;

void fill(ZRPreviewPlayer& player, int frames) {
  for (int guard = 0; guard < 64; ++guard) {
    if (player.GetBufferedFrames() >= frames || player.IsFullyStreamed()) return;
    player.AsyncStreamingFunction();
  }
}

TEST(PlayerActions, TheLeadingDeck) {
  orvel_test::TempDir dir;
  orvel_test::ToneDecks tones(dir, 500.0, 700.0, 2.0, 8000);
  ASSERT_TRUE(tones.ready(std::chrono::seconds(20)));
  CSoundSource empty(2, ZRString(dir.file("Stripes")));
  ZRMixer main(1024);
  mixer = &main;
  decks[0] = &tones.a;
  decks[1] = nullptr;
  EXPECT_EQ(GetMasterDeck(), nullptr);

  struct Case {
    int crossfader;
    bool aPlays, bPlays, bEmpty;
    char expect;
  };
  const Case cases[] = {
      {0, false, false, false, 'A'},  {63, false, false, false, 'A'}, {64, false, false, false, 'B'},
      {127, true, true, false, 'B'},  {0, true, true, false, 'A'},    {0, false, true, false, 'B'},
      {127, true, false, false, 'A'}, {127, true, false, true, 'A'},  {127, false, false, true, 'B'},
      {127, false, true, true, 'B'},
  };
  for (const Case& c : cases) {
    CSoundSource* b = c.bEmpty ? &empty : &tones.b;
    decks[1] = b;
    main.SetCrossfaderPosition(c.crossfader);
    tones.a.PlayPause(c.aPlays ? 1 : 0);
    b->PlayPause(c.bPlays ? 1 : 0);
    EXPECT_EQ(GetMasterDeck(), c.expect == 'A' ? &tones.a : b)
        << "crossfader " << c.crossfader << " A " << c.aPlays << " B " << c.bPlays << " empty " << c.bEmpty;
    b->PlayPause(0);
  }
  tones.a.PlayPause(0);
  // Without a mixer the crossfader counts as 0.
  mixer = nullptr;
  decks[1] = &tones.b;
  EXPECT_EQ(GetMasterDeck(), &tones.a);
  decks[0] = decks[1] = nullptr;
}

class AutomixListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list = ZRList::create("Automix", false, ZRList::kTypeAutomix, 0);
    preferences = nullptr;
  }
  void TearDown() override {
    ZRList::removeList(list);
    delete list;
    preferences = nullptr;
  }
  // A library track for path, with a row at the end of the list.
  int32_t addRow(const std::string& path) {
    TZRDatabaseTrack track;
    track.tags[kTagFileName] = ZRString(path);
    const int32_t id = ZRDatabase::getInstance()->addOrUpdate(&track);
    TZRListTrack row;
    row.trackId = id;
    list->addLine(row, -1, false);
    return id;
  }
  std::string next() {
    char path[ZRSimpleMixZone::kPathBytes] = "stale";
    float gain = 5.0f;
    double mixIn = 5.0, mixOut = 5.0;
    FillerPlayerGetNextFileCallback(path, &gain, &mixIn, &mixOut, nullptr);
    EXPECT_EQ(gain, 0.0f);
    EXPECT_EQ(mixIn, 0.0);
    EXPECT_EQ(mixOut, -1.0);
    return path;
  }
  orvel_test::TempDir dir;
  ZRList* list = nullptr;
};

TEST_F(AutomixListTest, TheFillerTakesTheFirstRowAndOnlyThatRow) {
  EXPECT_EQ(next(), "");
  addRow(dir.file("one.wav"));
  addRow(dir.file("two.wav"));
  const int32_t third = addRow(dir.file("three.wav"));
  addRow(dir.file("four.wav"));
  // The user's selection in the list is not the filler's to take.
  list->insert(2, 1);
  ASSERT_EQ(list->getTotalInserted(), 1);
  EXPECT_EQ(next(), dir.file("one.wav"));
  EXPECT_EQ(list->getCount(), 3);
  EXPECT_EQ(list->getTotalInserted(), 1);
  TZRListTrack row;
  ASSERT_TRUE(list->getRowData(1, &row));
  EXPECT_EQ(row.trackId, third);
  EXPECT_TRUE(row.marked);
  // A row naming no library track stays, and gives no file.
  TZRListTrack ghost;
  ghost.trackId = 987654321;
  list->addLine(ghost, 0, false);
  EXPECT_EQ(next(), "");
  EXPECT_EQ(list->getCount(), 4);
}

TEST_F(AutomixListTest, WithRandomOnTheFillerTakesAnyRow) {
  ZRPreferences settings(nullptr, nullptr);
  settings.setValue("Random", 1, 0, ZRPreferences::NotificationProgram);
  preferences = &settings;
  for (int i = 0; i < 20; ++i) addRow(dir.file("t" + std::to_string(i) + ".wav"));
  std::srand(7);
  bool notFirst = false;
  for (int taken = 0; taken < 20; ++taken) {
    TZRListTrack first;
    TZRDatabaseTrack track;
    ASSERT_TRUE(list->getRowDataFull(0, &first, &track));
    const std::string path = next();
    ASSERT_NE(path, "");
    notFirst = notFirst || path != track.tags[kTagFileName].utf8();
  }
  EXPECT_TRUE(notFirst);
  EXPECT_EQ(list->getCount(), 0);
}

// The filler zone with the application's next-file callback plays the automix list from the top,
// crossfading from each file into the next.
TEST_F(AutomixListTest, TheFillerZoneMovesThroughItsList) {
  const double freqs[] = {500.0, 700.0, 900.0};
  for (int i = 0; i < 3; ++i) {
    const std::string path = dir.file("f" + std::to_string(i) + ".wav");
    ASSERT_TRUE(orvel_test::writeWav16(path, orvel_test::stereoToneTrack(freqs[i], 3.0, 16000), 2, 44100));
    addRow(path);
  }
  ZRSimpleMixZone zone(&FillerPlayerGetNextFileCallback, 1.0f, false, -1, 0.2f, 0.5f);
  zone.fadeAndPlayPause(true);
  std::vector<float> out;
  std::vector<int> listCount;
  const int step = 882;  // 20 ms, one GUI tick
  for (int t = 0; t < 500; ++t) {
    zone.AutoMixUpdate(step / 44100.0f);
    fill(*zone.getPlayer(0), step);
    fill(*zone.getPlayer(1), step);
    std::vector<float> piece(2 * step);
    zone.GetSamples(piece.data(), step);
    out.insert(out.end(), piece.begin(), piece.end());
    listCount.push_back(list->getCount());
  }
  EXPECT_EQ(list->getCount(), 0);
  // Each file is heard alone between the crossfades: 3 s files with 1 s crossfades, the first beginning at
  // once, so file i alone from 2i + 1 s to 2i + 2 s.
  for (int i = 0; i < 3; ++i) {
    const long from = static_cast<long>((1.4 + 2.0 * i) * 44100);
    double freq, rms;
    analyseTone(out, from, from + 22050, freq, rms);
    EXPECT_NEAR(freq, freqs[i], 3.0) << i;
    EXPECT_GT(rms, 0.2) << i;
  }
  // The list shrank one row at a time, at the starts of the crossfades.
  EXPECT_EQ(listCount.front(), 2);
  EXPECT_NE(std::find(listCount.begin(), listCount.end(), 1), listCount.end());
}

TEST(PlayerActions, ThePreviewEndClosesThePreviewPlayer) {
  orvel_test::TempDir dir;
  const std::string path = dir.file("short.wav");
  ASSERT_TRUE(orvel_test::writeWav16(path, orvel_test::stereoToneTrack(440.0, 0.1, 8000), 2, 44100));
  ZRPreviewPlayer player(0, true, false);
  player.setEndCallback(&FPreviewEnded);
  previewPlayer = &player;
  ASSERT_TRUE(player.OpenFileName(ZRString(path)));
  std::vector<float> out(2 * 1024);
  for (int i = 0; i < 8; ++i) {
    fill(player, 1024);
    player.GetSamples(out.data(), 1024);
  }
  EXPECT_TRUE(player.IsOpen());
  EXPECT_FALSE(player.GetPlaying());
  player.GetCurrentPos();  // the GUI tick's poll delivers the end
  EXPECT_FALSE(player.IsOpen());
  previewPlayer = nullptr;
  FPreviewEnded(1, -1, 0);
}

// The master reaches a recording sampler slot through the recording callback: one bar of deck A is
// recorded, loaded back as a sample, and holds that bar.
TEST(PlayerActions, ASamplerSlotRecordsABarFromTheMaster) {
  orvel_test::TempDir dir;
  orvel_test::ToneDecks tones(dir, 1000.0, 1500.0, 5.0, 16000);
  ASSERT_TRUE(tones.ready(std::chrono::seconds(20)));
  ZRMixer main(22050);
  main.AddMixerChannel(&tones.a);
  main.SetFaderPosition(0, 127);
  std::unique_ptr<ZRSamplerPlayer> slot(ZRSamplerPlayer::create(0));
  ASSERT_NE(slot, nullptr);
  ZRVideoRecorder video;
  ZRAudioBroadcast broadcast;
  audioBroadcast = &broadcast;
  {
    orvel_test::ManualEngine engine(main, 441);
    engine.output->setAudioRecordingCallback(&audioVideoRecCallback, &video);
    tones.a.PlayPause(1);
    engine.pump(10);
    const std::string bar = dir.file("bar.wav");
    ASSERT_TRUE(slot->startStopRecordingFromAudioRecCallback(true, ZRString(bar)));
    EXPECT_TRUE(slot->isRecording());
    // One bar at 120 BPM, in quarter seconds that the recorder's writer keeps up with.
    for (int quarter = 0; quarter < 8; ++quarter) {
      engine.pump(25);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (slot->getRecordingTime() < (quarter - 1) * 0.25f &&
             std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    ASSERT_TRUE(slot->startStopRecordingFromAudioRecCallback(false, ZRString()));
    EXPECT_EQ(slot->getRecordingFilename().utf8(), bar);
    engine.output->setAudioRecordingCallback(nullptr, nullptr);
    tones.a.PlayPause(0);

    ASSERT_TRUE(slot->Open(ZRString(bar)));
    EXPECT_EQ(slot->GetLength(), 88200);
    slot->SetTotalBeats(4);
    EXPECT_FLOAT_EQ(slot->GetCurrentBPM(), 120.0f);
    slot->SetPlaying(1);
    std::vector<float> played(2 * 44100);
    slot->GetSamples(played.data(), 44100);
    double freq, rms;
    analyseTone(played, 0, 44100, freq, rms);
    EXPECT_NEAR(freq, 1000.0, 2.0);
    // The deck's level, through the recorder (which scales by 30000 into 16 bits).
    const double level = 16000 * CSoundSource::kSampleScale / std::sqrt(2.0) * 30000.0 / 32768.0;
    EXPECT_NEAR(rms, level, level * 0.05);
  }
  audioBroadcast = nullptr;
}

}  // namespace
