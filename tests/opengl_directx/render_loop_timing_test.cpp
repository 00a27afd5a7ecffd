// The render loop's clock and pacing (no display needed): the smoothed pass time, the skin on every second
// pass with the time of both, and deadlines one period apart that start over after a long stall.

#include <gtest/gtest.h>

#include <chrono>

#include "opengl_directx/zr_render_timing.h"

namespace {

TEST(RenderLoopClock, TheSkinGetsEverySecondPassWithTheTimeOfBoth) {
  ZRRenderLoopClock clock;
  const ZRRenderLoopClock::Pass first = clock.nextPass(0);
  EXPECT_TRUE(first.drawSkin);
  EXPECT_NEAR(first.skinDt, 0.0144, 1e-9);  // 0.9 x 0.016: the first step measures nothing
  const ZRRenderLoopClock::Pass second = clock.nextPass(0.010);
  EXPECT_FALSE(second.drawSkin);
  const ZRRenderLoopClock::Pass third = clock.nextPass(0.010);
  EXPECT_TRUE(third.drawSkin);
  EXPECT_NEAR(third.skinDt, second.outputDt + third.outputDt, 1e-12);
  // A steady 10 ms pass brings the smoothed time to 10 ms and the skin's frames to 20 ms.
  ZRRenderLoopClock::Pass pass;
  for (int i = 0; i < 200; ++i) pass = clock.nextPass(0.010);
  EXPECT_NEAR(clock.smoothedStep(), 0.010, 1e-6);
  pass = clock.nextPass(0.010);
  if (!pass.drawSkin) pass = clock.nextPass(0.010);
  EXPECT_NEAR(pass.skinDt, 0.020, 1e-5);
  // One late pass moves the smoothed time by a tenth of its lateness only.
  EXPECT_NEAR(clock.nextPass(0.110).outputDt, 0.020, 1e-5);
}

TEST(FramePacer, DeadlinesStayOnePeriodApartAndStartOverAfterAStall) {
  using Clock = ZRFramePacer::Clock;
  ZRFramePacer pacer(50);  // 20 ms
  const auto period = std::chrono::milliseconds(20);
  const Clock::time_point t0 = Clock::now();
  const Clock::time_point d1 = pacer.scheduleAfter(t0);
  EXPECT_EQ(d1, t0 + period);
  // A pass that ended early or a little late keeps the rhythm: rounding never adds up.
  EXPECT_EQ(pacer.scheduleAfter(d1 + std::chrono::milliseconds(3)), d1 + period);
  EXPECT_EQ(pacer.scheduleAfter(d1 + period + std::chrono::milliseconds(19)), d1 + 2 * period);
  // More than a period behind: the next pass starts at once and the deadlines count from there.
  const Clock::time_point stalled = d1 + 2 * period + std::chrono::milliseconds(500);
  EXPECT_EQ(pacer.scheduleAfter(stalled), stalled);
  EXPECT_EQ(pacer.scheduleAfter(stalled + std::chrono::milliseconds(5)), stalled + period);
}

TEST(FramePacer, StepsAreMeasuredInFractionsOfAMillisecond) {
  ZRFramePacer pacer(60);
  EXPECT_EQ(pacer.takeStep(), 0.0);
  const auto start = std::chrono::steady_clock::now();
  while (std::chrono::steady_clock::now() - start < std::chrono::microseconds(1500)) {
  }
  const double step = pacer.takeStep();
  EXPECT_GE(step, 0.0015);
  EXPECT_NE(step * 1000, static_cast<double>(static_cast<long>(step * 1000)));  // not whole milliseconds
}

}  // namespace
