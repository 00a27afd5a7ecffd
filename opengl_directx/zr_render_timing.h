#pragma once
// The render loop's clock. Each pass draws the video output; every second pass also draws the skin, with
// the time of both passes, so animations keep real time at half the output rate. The pass time is measured
// in fractions of a millisecond and smoothed (0.1 x newest + 0.9 x previous, from 1/60 s less 4 %) so that
// one late frame does not jerk scrolling or meters.
//
// The loop is capped at the display rate by sleeping to absolute deadlines: a pass that ends early sleeps
// until its deadline, and the next deadline is one period later, so rounding never adds up; a loop that
// fell more than a period behind starts counting again from now instead of racing to catch up. Many
// displays (and Xvfb) have no vertical sync to pace the buffer swaps, so without the cap an idle window
// would draw as fast as the CPU allows.
//
// Threads: one thread (the render thread) uses an object.

#include <chrono>

class ZRRenderLoopClock {
 public:
  struct Pass {
    bool drawSkin = false;
    double skinDt = 0;    // seconds the skin's frame covers (both passes)
    double outputDt = 0;  // seconds the output frame covers (the smoothed pass time)
  };

  // The next pass after a measured step of stepSeconds (0 on the first pass).
  Pass nextPass(double stepSeconds);
  double smoothedStep() const { return average_; }

 private:
  double average_ = 0.016;
  double accumulated_ = 0;
  long long pass_ = 0;
};

class ZRFramePacer {
 public:
  using Clock = std::chrono::steady_clock;

  explicit ZRFramePacer(double framesPerSecond);

  // Seconds since the previous call (0 on the first), with sub-millisecond resolution.
  double takeStep();
  // Sleeps until the next deadline (returns at once when it has passed).
  void waitForNextFrame();
  // Computes the next deadline for a pass that ended at now; exposed for tests.
  Clock::time_point scheduleAfter(Clock::time_point now);

 private:
  Clock::duration period_;
  Clock::time_point deadline_{};
  Clock::time_point previousStep_{};
  bool started_ = false;
  bool stepped_ = false;
};
