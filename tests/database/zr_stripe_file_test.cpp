#include "database/zr_stripe_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "database/zr_database.h"
#include "dsp/zr_audio_detection.h"
#include "support/test_support.h"

namespace {

struct Points {
  std::vector<float> onsets, amplitudes, marks;
  explicit Points(int n) : onsets(n), amplitudes(n), marks(n) {
    for (int i = 0; i < n; ++i) {
      onsets[i] = 0.001f * i;
      amplitudes[i] = (i % 256) / 255.0f;
      marks[i] = (i % 100 == 7) ? 55.5f : 0.2f;
    }
  }
};

std::string putInt(int32_t v) {
  std::string s(4, '\0');
  std::memcpy(s.data(), &v, 4);
  return s;
}

TEST(StripeFileTest, RoundTripWithoutDetector) {
  orvel_test::TempDir dir;
  const int n = 882;  // a two-second track
  Points p(n);
  TZRDatabaseTrack record;
  ASSERT_TRUE(ZRDatabase::saveStripe(&record, ZRString(dir.path()), nullptr, true, 0.75f, p.onsets.data(),
                                     p.amplitudes.data(), p.marks.data(), n));
  const std::string name = record.stripe.utf8();
  ASSERT_EQ(name.size(), 11u);
  EXPECT_EQ(name[2], '-');
  const ZRString path = stripeFilePath(ZRString(dir.path()), record.stripe);
  EXPECT_EQ(path.utf8(), dir.path() + "/" + name.substr(0, 2) + "/" + name.substr(3));
  EXPECT_EQ(orvel_test::readFile(path.utf8()).size(), 4438u);

  ZRStripeData data;
  ASSERT_EQ(readStripeFile(path, n, false, &data), ZRStripeReadResult::kOk);
  EXPECT_FLOAT_EQ(data.displayGain, 0.75f);
  EXPECT_TRUE(data.gridSuitable);
  ASSERT_EQ(data.onsets.size(), static_cast<size_t>(n));
  EXPECT_FLOAT_EQ(data.onsets[500], p.onsets[500]);
  EXPECT_NEAR(data.amplitudes[300], p.amplitudes[300], 1.0 / 510);

  // A different point count is not this track's stripe.
  EXPECT_EQ(readStripeFile(path, n + 441, false, &data), ZRStripeReadResult::kBad);
  // Beats were not written, so a reader that wants them gets a bad stripe.
  EXPECT_EQ(readStripeFile(path, n, true, &data), ZRStripeReadResult::kBad);

  // Saving again keeps the name and overwrites the file.
  ASSERT_TRUE(ZRDatabase::saveStripe(&record, ZRString(dir.path()), nullptr, false, 0.5f, p.onsets.data(),
                                     p.amplitudes.data(), p.marks.data(), n));
  EXPECT_EQ(record.stripe.utf8(), name);
  ASSERT_EQ(readStripeFile(path, n, false, &data), ZRStripeReadResult::kOk);
  EXPECT_FALSE(data.gridSuitable);
  EXPECT_FALSE(
      ZRDatabase::saveStripe(nullptr, ZRString(dir.path()), nullptr, false, 1, nullptr, nullptr, nullptr, 0));
}

TEST(StripeFileTest, RoundTripWithDetectorBeats) {
  orvel_test::TempDir dir;
  const int n = 1323;
  Points p(n);
  std::unique_ptr<ZRAudioDetection> detector(ZRAudioDetection::create(true, false, false));
  detector->setMarkValues(55.0f, 65.0f);
  TZRDatabaseTrack record;
  ZRDatabase::saveStripe(&record, ZRString(dir.path()), detector.get(), false, 1.0f, p.onsets.data(),
                         p.amplitudes.data(), p.marks.data(), n);
  const ZRString path = stripeFilePath(ZRString(dir.path()), record.stripe);
  ZRStripeData data;
  ASSERT_EQ(readStripeFile(path, n, true, &data), ZRStripeReadResult::kOk);
  std::vector<int> expected;
  for (int i = 0; i < n; ++i)
    if (i % 100 == 7) expected.push_back(i);
  EXPECT_EQ(data.beats, expected);
  EXPECT_EQ(orvel_test::readFile(path.utf8()).size(), 28u + 5u * n + 4u + 4u * expected.size());
}

TEST(StripeFileTest, MalformedFilesAreRejected) {
  orvel_test::TempDir dir;
  const int n = 441;
  Points p(n);
  std::unique_ptr<ZRAudioDetection> detector(ZRAudioDetection::create(true, false, false));
  detector->setMarkValues(55.0f, 65.0f);
  TZRDatabaseTrack record;
  ZRDatabase::saveStripe(&record, ZRString(dir.path()), detector.get(), false, 1.0f, p.onsets.data(),
                         p.amplitudes.data(), p.marks.data(), n);
  const std::string path = stripeFilePath(ZRString(dir.path()), record.stripe).utf8();
  const std::string good = orvel_test::readFile(path);
  const size_t beatCountAt = 28 + 5 * n;

  struct Case {
    const char* what;
    std::string bytes;
    ZRStripeReadResult result;
  };
  std::string hugeBeats = good;
  hugeBeats.replace(beatCountAt, 4, putInt(0x7fffffff));
  std::string moreBeatsThanFile = good;
  moreBeatsThanFile.replace(beatCountAt, 4, putInt(n));
  std::string negativeBeat = good;
  negativeBeat.replace(beatCountAt + 4, 4, putInt(-5));
  std::string beatPastEnd = good;
  beatPastEnd.replace(beatCountAt + 4, 4, putInt(n));
  std::string zeroBeats = good.substr(0, beatCountAt) + putInt(0);
  std::string negativeCount = good;
  negativeCount.replace(4, 4, putInt(-1));
  std::string secondCount = good;
  secondCount.replace(12 + 4 * n, 4, putInt(n + 1));
  std::string version2 = good;
  version2.replace(0, 4, putInt(2));
  const Case cases[] = {
      {"huge beat count", hugeBeats, ZRStripeReadResult::kBad},
      {"beat count beyond the file", moreBeatsThanFile, ZRStripeReadResult::kBad},
      {"negative beat position", negativeBeat, ZRStripeReadResult::kBad},
      {"beat position past the points", beatPastEnd, ZRStripeReadResult::kBad},
      {"no beats", zeroBeats, ZRStripeReadResult::kBad},
      {"negative count", negativeCount, ZRStripeReadResult::kBad},
      {"second count differs", secondCount, ZRStripeReadResult::kBad},
      {"truncated onsets", good.substr(0, 100), ZRStripeReadResult::kBad},
      {"truncated amplitudes", good.substr(0, 16 + 4 * n + 10), ZRStripeReadResult::kBad},
      {"empty", std::string(), ZRStripeReadResult::kBad},
      {"version 2", version2, ZRStripeReadResult::kOldVersion},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(orvel_test::writeFile(path, c.bytes));
    ZRStripeData data;
    EXPECT_EQ(readStripeFile(ZRString(path), n, true, &data), c.result) << c.what;
  }
  ZRStripeData data;
  EXPECT_EQ(readStripeFile(ZRString(dir.file("none")), n, true, &data), ZRStripeReadResult::kMissing);
}

TEST(StripeFileTest, NamesThatLeaveTheFolderAreRefused) {
  EXPECT_TRUE(stripeFilePath("/s", "..-x").empty());
  EXPECT_TRUE(stripeFilePath("/s", "AB-..").empty());
  EXPECT_TRUE(stripeFilePath("/s", "AB-x/../y").empty());
  EXPECT_TRUE(stripeFilePath("/s", "AB").empty());
  EXPECT_EQ(stripeFilePath("/s/", "AB-0000000C").utf8(), "/s/AB/0000000C");

  orvel_test::TempDir dir;
  TZRDatabaseTrack record;
  record.stripe = "..-evil";
  Points p(441);
  EXPECT_TRUE(ZRDatabase::saveStripe(&record, ZRString(dir.path()), nullptr, false, 1.0f, p.onsets.data(),
                                     p.amplitudes.data(), p.marks.data(), 441));
  EXPECT_EQ(orvel_test::readFile(dir.path() + "/../evil"), "");
}

}  // namespace
