#include "dsp/beat_grid_marking.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "support/log_capture.h"

namespace {

using orvel_test::LogCapture;

std::vector<int> marked(const std::vector<float>& marks) {
  std::vector<int> out;
  for (size_t i = 0; i < marks.size(); ++i) {
    if (marks[i] >= 54.999f) out.push_back(static_cast<int>(i));
  }
  return out;
}

TEST(BeatGridMarkingTest, DpFollowsAKnownOnsetTrain) {
  const int count = 5000;
  std::vector<float> onsets(count, 0.0f), marks(count, 0.0f);
  std::vector<int> expect;
  // The first beat lies within the first two periods, where the chain ends.
  for (int i = 300; i < count; i += 220) {
    onsets[i] = 1.0f;
    expect.push_back(i);
  }
  markBeatsUsingDP(onsets.data(), count, 26460.0f / 220, marks.data());
  EXPECT_EQ(marked(marks), expect);
  for (int i : expect) EXPECT_EQ(marks[i], 55.0f);
}

TEST(BeatGridMarkingTest, DpBridgesMissingOnsetsAndKeepsSpacingInTheWindow) {
  const int count = 6000;
  std::vector<float> onsets(count, 0.0f), marks(count, 0.0f);
  for (int i = 50; i < count; i += 220) {
    if ((i / 220) % 5 != 3) onsets[i] = 0.8f;  // every fifth beat missing
  }
  onsets[1234] = 0.3f;  // a stray onset between beats
  markBeatsUsingDP(onsets.data(), count, 120.27f, marks.data());
  const std::vector<int> m = marked(marks);
  ASSERT_GT(m.size(), 15u);
  for (size_t i = 1; i < m.size(); ++i) {
    const int d = m[i] - m[i - 1];
    EXPECT_GE(d, 110);
    EXPECT_LE(d, 441);
  }
  EXPECT_EQ(marks[1234], 0.0f);
}

TEST(BeatGridMarkingTest, DpWithoutOnsetsLogsAndMarksNothing) {
  LogCapture log;
  std::vector<float> onsets(3000, 0.0f), marks(3000, 0.0f);
  markBeatsUsingDP(onsets.data(), 3000, 120, marks.data());
  EXPECT_TRUE(marked(marks).empty());
  EXPECT_TRUE(log.contains("ERROR: totalBeats is 0 !"));
  // bpm below 1: nothing, silently.
  onsets[10] = 1;
  markBeatsUsingDP(onsets.data(), 3000, 0.5f, marks.data());
  EXPECT_TRUE(marked(marks).empty());
}

TEST(BeatGridMarkingTest, DpShorterThanTwoPeriodsMarksTheStrongestOnset) {
  std::vector<float> onsets(300, 0.0f), marks(300, 0.0f);
  onsets[40] = 0.5f;
  onsets[200] = 0.9f;
  onsets[250] = 0.9f;
  markBeatsUsingDP(onsets.data(), 300, 120, marks.data());
  EXPECT_EQ(marked(marks), std::vector<int>{200});
}

TEST(BeatGridMarkingTest, PlainGridFromOneStrongOnset) {
  const int count = 3000;
  std::vector<float> onsets(count, 0.0f), marks(count, 0.0f);
  onsets[1000] = 1.0f;
  markBeatsUsingNormal(onsets.data(), count, 120.0, marks.data());
  const std::vector<int> m = marked(marks);
  std::vector<int> expect;
  // 976 less whole periods: 976 - 4 x 220.5 = 94 is the first.
  for (double x = 94; x < count; x += 220.5) expect.push_back(static_cast<int>(lrint(x)));
  EXPECT_EQ(m, expect);
  EXPECT_NE(std::find(m.begin(), m.end(), 976), m.end());
}

TEST(BeatGridMarkingTest, PlainGridOfSilenceStartsAtOnePeriodLess24) {
  const int count = 1000;
  std::vector<float> onsets(count, 0.0f), marks(count, 0.0f);
  markBeatsUsingNormal(onsets.data(), count, 120.0, marks.data());
  const std::vector<int> m = marked(marks);
  ASSERT_FALSE(m.empty());
  EXPECT_EQ(m[0], 220 - 24);
}

TEST(BeatGridMarkingTest, PlainGridNeverWritesPastTheEnd) {
  // The last grid position rounds up to count: it must be dropped.
  const int count = 662;  // positions 0.5 + k x 220.5 -> 661.999.. rounds to 662
  std::vector<float> onsets(count + 1, 0.0f), marks(count + 1, 0.0f);
  markBeatsUsingNormal(onsets.data(), count, 26460.0 / 220.5, marks.data());
  EXPECT_EQ(marks[count], 0.0f);
  markBeatsUsingNormal(onsets.data(), count, 0.9, marks.data());  // below 1: nothing
}

}  // namespace
