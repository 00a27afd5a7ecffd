// Background analysis: a batch of generated tracks queued from a list is analysed on an "analyze" thread
// and stores tempo, gain and stripe files while the screen is told what remains; which stored tracks count
// as complete; what the list actions queue.

#include "actions_dj/background_analysis.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "actions_dj/action_dialogs.h"
#include "actions_dj/background_tasks_status.h"
#include "actions_dj/engine_globals.h"
#include "common/zr_thread.h"
#include "database/zr_list.h"
#include "database/zr_stripe_file.h"
#include "dsp/engine/zr_batch_audio_detection.h"
#include "engine/deck_test_util.h"
#include "test_node_table.h"

namespace {

using namespace deck_test;
using orvel_test::TestNodeTable;

class BackgroundAnalysis : public ::testing::Test {
 protected:
  void SetUp() override {
    std::filesystem::create_directories(stripes());
    setBackgroundAnalysisStopped(false);
    requestBatchDetectMusicalKey(false);
    controls = std::make_shared<TestNodeTable>();
    installActionControls(controls);
  }
  void TearDown() override {
    thread.reset();
    delete batchAudioDetection;
    batchAudioDetection = nullptr;
    installActionControls(nullptr);
    installActionDialogs({});
    // Nothing queued leaks into the next test.
    while (backgroundAnalysisQueued() > 0) analyze_thread_function(&stripesFolder);
  }
  std::string stripes() const { return dir.file("Stripes"); }

  TZRDatabaseTrack addTrack(const std::string& name, double bpm, long frames = 16 * 44100) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, clicks(frames, beatFrames(frames, bpm, 500)), 2, 44100));
    TZRDatabaseTrack record;
    ZRDatabase::resetTrack(&record, true);
    record.tags[kTagFileName] = ZRString(path);
    ZRDatabase::getInstance()->addOrUpdate(&record);
    return record;
  }
  static TZRDatabaseTrack stored(int32_t id) {
    TZRDatabaseTrack t;
    EXPECT_TRUE(ZRDatabase::getInstance()->getTrackIdData(id, &t));
    return t;
  }
  // A stored track that counts as complete, with a stripe file of the given version.
  TZRDatabaseTrack completeTrack(const std::string& name, int stripeVersion) {
    TZRDatabaseTrack t = addTrack(name, 120, 44100);
    t.bpm = 120;
    t.tags[kTagBpm] = ZRString("120.0");
    t.durationMs = 1000;
    t.pgainValid = true;
    static int next = 0;
    char stripe[16];
    std::snprintf(stripe, sizeof stripe, "a%d-%08X", next % 10, 0x1000 + next);
    ++next;
    t.stripe = ZRString(stripe);
    const ZRString file = stripeFilePath(stripesFolder, t.stripe);
    std::filesystem::create_directories(std::filesystem::path(file.utf8()).parent_path());
    const int32_t header[2] = {stripeVersion, 0};
    FILE* f = std::fopen(file.utf8().c_str(), "wb");
    std::fwrite(header, sizeof header, 1, f);
    std::fclose(f);
    ZRDatabase::getInstance()->addOrUpdate(&t);
    return t;
  }

  orvel_test::TempDir dir;
  ZRString stripesFolder{dir.file("Stripes")};
  std::shared_ptr<TestNodeTable> controls;
  std::unique_ptr<ZRThread> thread;
};

TEST_F(BackgroundAnalysis, AListAnalysedOnTheAnalyzeThreadStoresTempoGainAndStripes) {
  // A registered list, as the library's are (a question answered later finds it by its registration).
  std::unique_ptr<ZRList, void (*)(ZRList*)> registered(
      ZRList::create(ZRString("to analyse"), false, ZRList::kTypeUserList, -1), [](ZRList* l) {
        ZRList::removeList(l);
        delete l;
      });
  ZRList& list = *registered;
  const std::vector<double> tempi = {80,  84,  90,  95,  100, 105, 110, 115, 120, 124,
                                     126, 128, 130, 132, 135, 138, 140, 142, 145, 148};
  std::vector<TZRListTrack> rows;
  for (size_t i = 0; i < tempi.size(); ++i) {
    TZRListTrack row;
    row.trackId = addTrack("bg" + std::to_string(i) + ".wav", tempi[i]).id;
    rows.push_back(row);
  }
  list.addLines(std::move(rows), false);
  controls->focused = &list;
  int asked = 0;
  installActionDialogs({[&](const ZRString&, const ZRString&, std::function<void()> yes) {
                          ++asked;
                          yes();
                        },
                        nullptr});
  FAnalyzeAllSongsFromList(0, 0, -1, nullptr);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(backgroundAnalysisQueued(), 20);

  char text[64];
  takeBackgroundTasksMessage(text, sizeof text);
  thread = std::make_unique<ZRThread>(analyze_thread_function, &stripesFolder, 0, 20, "analyze");
  bool sawRemaining = false;
  ASSERT_TRUE(waitUntil(
      [&] {
        if (takeBackgroundTasksMessage(text, sizeof text) &&
            std::string(text).find(" remaining") != std::string::npos)
          sawRemaining = true;
        return backgroundAnalysisQueued() == 0 && !backgroundTasksSpinnerShown();
      },
      300));
  thread.reset();  // joins: the last file is finished
  EXPECT_TRUE(sawRemaining);
  EXPECT_FALSE(backgroundTasksSpinnerShown());

  TZRListTrack row;
  for (int i = 0; i < 20; ++i) {
    ASSERT_TRUE(list.getRowData(i, &row));
    const TZRDatabaseTrack t = stored(row.trackId);
    EXPECT_NEAR(t.bpm, tempi[static_cast<size_t>(i)], 1.0) << i;
    EXPECT_FALSE(t.tags[kTagBpm].empty()) << i;
    EXPECT_TRUE(t.pgainValid) << i;
    EXPECT_EQ(t.durationMs, 16000) << i;
    ASSERT_FALSE(t.stripe.empty()) << i;
    EXPECT_EQ(readStripePointCount(stripeFilePath(stripesFolder, t.stripe)), 16 * 441) << i;
    // Now complete: queued again, it is skipped.
    EXPECT_FALSE(IsFileOkToBeAnalyzed(t.tags[kTagFileName], nullptr, stripesFolder)) << i;
  }
}

TEST_F(BackgroundAnalysis, WhichTracksAreAnalysedAgain) {
  const struct {
    const char* what;
    std::function<ZRString()> make;
    bool keyDetection;
    bool expected;
  } cases[] = {
      {"complete with a version-1 stripe", [&] { return completeTrack("c1.wav", 1).tags[kTagFileName]; },
       false, false},
      {"tempo 9.9",
       [&] {
         TZRDatabaseTrack t = completeTrack("c2.wav", 1);
         t.bpm = 9.9f;
         ZRDatabase::getInstance()->addOrUpdate(&t);
         return t.tags[kTagFileName];
       },
       false, true},
      {"tempo exactly 10",
       [&] {
         TZRDatabaseTrack t = completeTrack("c3.wav", 1);
         t.bpm = 10.0f;
         ZRDatabase::getInstance()->addOrUpdate(&t);
         return t.tags[kTagFileName];
       },
       false, false},
      {"no key while key detection is on", [&] { return completeTrack("c4.wav", 1).tags[kTagFileName]; },
       true, true},
      {"stripe of version 2", [&] { return completeTrack("c5.wav", 2).tags[kTagFileName]; }, false, true},
      {"a stored stripe name that leaves the folder",
       [&] {
         TZRDatabaseTrack t = completeTrack("c6.wav", 1);
         t.stripe = ZRString("../../etc/passwd");
         ZRDatabase::getInstance()->addOrUpdate(&t);
         return t.tags[kTagFileName];
       },
       false, true},
      {"not in the library", [&] { return ZRString(dir.file("unknown.wav")); }, false, true},
      {"a missing file ending in $", [&] { return ZRString(dir.file("gone.wav$")); }, false, true},
  };
  // The unknown file exists but is not stored.
  ASSERT_TRUE(orvel_test::writeWav16(dir.file("unknown.wav"), std::vector<int16_t>(882, 0), 2, 44100));
  for (const auto& c : cases) {
    const ZRString path = c.make();
    requestBatchDetectMusicalKey(c.keyDetection);
    int id = -2;
    EXPECT_EQ(IsFileOkToBeAnalyzed(path, &id, stripesFolder), c.expected) << c.what;
  }
  requestBatchDetectMusicalKey(false);
  EXPECT_FALSE(IsFileOkToBeAnalyzed(ZRString(dir.file("no-such.wav")), nullptr, stripesFolder));
}

TEST_F(BackgroundAnalysis, TheCursorActionQueuesOnlyTheMarkedRowsWhenThereAreAny) {
  ZRList list(ZRString("marks"), false, ZRList::kTypeUserList, -1);
  std::vector<TZRListTrack> rows;
  std::vector<ZRString> paths;
  for (int i = 0; i < 4; ++i) {
    TZRListTrack row;
    const TZRDatabaseTrack t = addTrack("m" + std::to_string(i) + ".wav", 100, 4410);
    row.trackId = t.id;
    paths.push_back(t.tags[kTagFileName]);
    rows.push_back(row);
  }
  list.addLines(std::move(rows), false);
  controls->focused = &list;
  list.setMainCursor(0, false);
  list.insert(1, 1);
  list.insert(3, 1);
  FAnalyzeSongFromCursor(0, 0, -1, nullptr);
  EXPECT_EQ(backgroundAnalysisQueued(), 2);
  // A stopped pass takes nothing.
  setBackgroundAnalysisStopped(true);
  analyze_thread_function(&stripesFolder);
  EXPECT_EQ(backgroundAnalysisQueued(), 2);
  setBackgroundAnalysisStopped(false);
  while (backgroundAnalysisQueued() > 0) analyze_thread_function(&stripesFolder);
  list.insertAll(true);
  FAnalyzeSongFromCursor(0, 0, -1, nullptr);  // no marks: the cursor row
  EXPECT_EQ(backgroundAnalysisQueued(), 1);
  // No answer to the question: nothing queued.
  FAnalyzeAllSongsFromList(0, 0, -1, nullptr);
  EXPECT_EQ(backgroundAnalysisQueued(), 1);
}

}  // namespace
