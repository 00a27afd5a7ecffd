// Background analysis of library tracks: every result of a batch of
// generated tracks is stored, by several workers at once; short, too long
// and broken files.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "database/zr_stripe_file.h"
#include "deck_test_util.h"
#include "dsp/engine/zr_batch_analysis.h"
#include "dsp/engine/zr_batch_audio_detection.h"

namespace {

using namespace deck_test;

class BatchAnalysisTest : public ::testing::Test {
 protected:
  void SetUp() override { std::filesystem::create_directories(stripes()); }
  std::string stripes() const { return dir.file("Stripes"); }

  TZRDatabaseTrack addTrack(const std::string& name, const std::vector<int16_t>& samples) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(orvel_test::writeWav16(path, samples, 2, 44100));
    TZRDatabaseTrack record;
    record.tags[kTagFileName] = ZRString(path);
    ZRDatabase::getInstance()->addOrUpdate(&record);
    return record;
  }

  static TZRDatabaseTrack stored(const TZRDatabaseTrack& record) {
    TZRDatabaseTrack t;
    EXPECT_TRUE(ZRDatabase::getInstance()->getTrackIdData(record.id, &t));
    return t;
  }

  orvel_test::TempDir dir;
};

TEST_F(BatchAnalysisTest, EveryTrackOfABatchIsStored) {
  const std::vector<double> tempi = {80,  84,  90,  95,  100, 105, 110, 115, 120, 124,
                                     126, 128, 130, 132, 135, 138, 140, 142, 145, 148};
  const long frames = 16 * 44100;
  std::vector<TZRDatabaseTrack> records;
  for (double bpm : tempi) {
    records.push_back(
        addTrack("t" + std::to_string(lrint(bpm)) + ".wav", clicks(frames, beatFrames(frames, bpm, 500))));
  }
  ZRBatchAnalysis batch(ZRString(stripes()), false, false, 4);
  EXPECT_EQ(batch.getWorkerCount(), 4);
  for (const TZRDatabaseTrack& r : records) batch.addFile(r.tags[kTagFileName]);
  ASSERT_TRUE(waitUntil([&] { return batch.getPendingCount() == 0; }, 120));

  for (size_t i = 0; i < records.size(); ++i) {
    const TZRDatabaseTrack t = stored(records[i]);
    EXPECT_NEAR(t.bpm, tempi[i], 1.0) << tempi[i];
    EXPECT_EQ(t.tags[kTagBpm], ZRString::format("%.1f", static_cast<double>(t.bpm)));
    EXPECT_EQ(t.durationMs, 16000);
    EXPECT_TRUE(t.pgainValid);
    ASSERT_FALSE(t.stripe.empty()) << tempi[i];
    const ZRString file = stripeFilePath(ZRString(stripes()), t.stripe);
    ZRStripeData data;
    ASSERT_EQ(readStripeFile(file, 16 * 441, true, &data), ZRStripeReadResult::kOk) << tempi[i];
    // The beat grid: one beat per beat length, give or take the ends.
    const double expectedBeats = (frames - 500) / (2646000.0 / tempi[i]);
    EXPECT_NEAR(static_cast<double>(data.beats.size()), expectedBeats, 2.0) << tempi[i];
  }
}

TEST_F(BatchAnalysisTest, ShortTooLongAndBrokenFiles) {
  ZRBatchAudioDetection analyser(ZRString(stripes()), false, false);
  // 44101 frames: two reads of 44100 and 1 frames, too short for a tempo but
  // still a stripe and a gain.
  const TZRDatabaseTrack shortTrack = addTrack("short.wav", sine(440.0, 44101 / 44100.0));
  analyser.analyzeFileAndUpdateDatabase(shortTrack.tags[kTagFileName], 0);
  TZRDatabaseTrack t = stored(shortTrack);
  EXPECT_EQ(t.bpm, 0.0f);
  EXPECT_EQ(t.durationMs, 1000);
  EXPECT_TRUE(t.pgainValid);
  ASSERT_FALSE(t.stripe.empty());
  // (Without beats: a deck would analyse such a track again.)
  ZRStripeData data;
  EXPECT_EQ(readStripeFile(stripeFilePath(ZRString(stripes()), t.stripe), 882, false, &data),
            ZRStripeReadResult::kOk);

  // 1201 s or more is not analysed at all.
  const std::string longPath = dir.file("long.wav");
  ASSERT_TRUE(writeSparseWav8(longPath, ZRBatchAudioDetection::kMaxFrames));
  TZRDatabaseTrack longTrack;
  longTrack.tags[kTagFileName] = ZRString(longPath);
  ZRDatabase::getInstance()->addOrUpdate(&longTrack);
  analyser.analyzeFileAndUpdateDatabase(ZRString(longPath), 0);
  t = stored(longTrack);
  EXPECT_TRUE(t.stripe.empty());
  EXPECT_EQ(t.durationMs, -1);

  // Not audio, or not there: skipped.
  const std::string text = dir.file("notes.mp3");
  ASSERT_TRUE(orvel_test::writeFile(text, "only words, no audio"));
  analyser.analyzeFileAndUpdateDatabase(ZRString(text), 0);
  analyser.analyzeFileAndUpdateDatabase(ZRString(dir.file("missing.wav")), 0);

  // A track the library does not know gets no stripe.
  const std::string unknown = dir.file("unknown.wav");
  ASSERT_TRUE(orvel_test::writeWav16(unknown, sine(440.0, 2.0), 2, 44100));
  const int before = static_cast<int>(std::distance(std::filesystem::recursive_directory_iterator(stripes()),
                                                    std::filesystem::recursive_directory_iterator()));
  analyser.analyzeFileAndUpdateDatabase(ZRString(unknown), 0);
  const int after = static_cast<int>(std::distance(std::filesystem::recursive_directory_iterator(stripes()),
                                                   std::filesystem::recursive_directory_iterator()));
  EXPECT_EQ(after, before);
}

}  // namespace
