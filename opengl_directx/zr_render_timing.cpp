#include "opengl_directx/zr_render_timing.h"

#include <thread>

ZRRenderLoopClock::Pass ZRRenderLoopClock::nextPass(double stepSeconds) {
  average_ = 0.1 * stepSeconds + 0.9 * average_;
  Pass pass;
  pass.outputDt = average_;
  if (pass_ % 2 != 0) {
    accumulated_ += average_;
  } else {
    pass.drawSkin = true;
    pass.skinDt = accumulated_ + average_;
    accumulated_ = 0;
  }
  ++pass_;
  return pass;
}

ZRFramePacer::ZRFramePacer(double framesPerSecond)
    : period_(
          std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(1.0 / framesPerSecond))) {
}

double ZRFramePacer::takeStep() {
  const Clock::time_point now = Clock::now();
  const double step = stepped_ ? std::chrono::duration<double>(now - previousStep_).count() : 0.0;
  previousStep_ = now;
  stepped_ = true;
  return step;
}

ZRFramePacer::Clock::time_point ZRFramePacer::scheduleAfter(Clock::time_point now) {
  if (!started_) {
    deadline_ = now + period_;
    started_ = true;
  } else if (now - deadline_ > period_) {
    // More than a period behind: the next pass starts at once and the deadlines count from now.
    deadline_ = now;
  } else {
    deadline_ += period_;
  }
  return deadline_;
}

void ZRFramePacer::waitForNextFrame() {
  std::this_thread::sleep_until(scheduleAfter(Clock::now()));
}
