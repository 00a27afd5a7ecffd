// The master's reader beside the recorders: it gets every stereo buffer of the recording callback while it
// is installed, and none once it is removed.

#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "actions_dj/player_actions.h"

namespace {

TEST(MasterAudioTap, GetsTheStereoMasterWhileInstalled) {
  std::vector<float> master = {0.25f, -0.25f, 0.5f, -0.5f};
  std::atomic<int> frames{0};
  float first = 0;
  installMasterAudioTap([&](const float* samples, int n) {
    frames += n;
    first = samples[0];
  });
  EXPECT_EQ(audioVideoRecCallback(master.data(), 2, 2, nullptr), 2);
  EXPECT_EQ(frames.load(), 2);
  EXPECT_EQ(first, 0.25f);
  // Not stereo: not the layout the reader takes.
  audioVideoRecCallback(master.data(), 4, 1, nullptr);
  EXPECT_EQ(frames.load(), 2);
  installMasterAudioTap(nullptr);
  audioVideoRecCallback(master.data(), 2, 2, nullptr);
  EXPECT_EQ(frames.load(), 2);
}

}  // namespace
