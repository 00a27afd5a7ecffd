// Moving a deck by hand: scratching with the mouse, a skin jog wheel or a
// controller's jog wheel, nudging a playing deck with the wheel, pitch bend
// buttons, fast search buttons and searching by bars with a wheel. None of
// them moves the play position itself: they set the speed the audio thread
// moves towards (towards a target position while scratching), so that the
// reader's ramps and interpolation turn the gesture into sound.
//
// Three clocks drive them: the gestures (main thread, MIDI and scripts), the
// GUI tick (BendAndSearch_TimerFunction) and the "scratch" thread
// (ScratchTimerUpdate every 25 ms). All fields are single words written
// without locks; when two clocks set the speed during a scratch, the last
// write wins.

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "dsp/engine/sound_source.h"

namespace {

// Frames of track per unit of pointer movement in coordinate mode.
constexpr int kFramesPerPointerUnit = 31;
// Frames of target per jog-wheel step.
constexpr float kFramesPerJogStep = 41.0f;
// The speed that closes the distance to the target: distance / these frames.
constexpr double kMouseApproach = 2250.0;
constexpr double kJogApproach = 1890.0;
// A nudge holds a 2 % bend for this many GUI ticks.
constexpr int kNudgeTicks = 4;
constexpr int kNudgePitch = 200;

}  // namespace

// ---------------------------------------------------------------------------
// Mouse and skin jog wheel

void CSoundSource::ScratchMouseBegin(int startValue, int relative) {
  // An empty deck has nothing to scratch, and must not start playing.
  if (jogScratching.load() || (loadFlag.load(std::memory_order_acquire) & 1) ||
      !opened.load(std::memory_order_acquire)) {
    return;
  }
  scratchRelative.store(relative);
  scratchOffset.store(0);
  scratchLastValue.store(startValue);
  scratchStartValue.store(startValue);
  scratchStartPosition.store(static_cast<int>(std::floor(playPosition.load(std::memory_order_relaxed))));
  speedRampActive.store(0.0f);
  scratchLastDelta.store(0);
  const int wasPlaying = playing.load(std::memory_order_acquire);
  playingBeforeScratch.store(wasPlaying);
  if (!wasPlaying) stopNow.store(1);
  desiredSpeed.store(0.0);
  playing.store(1, std::memory_order_release);
  scratching.store(1, std::memory_order_release);
}

int CSoundSource::scratchTarget() const {
  const int start = scratchStartPosition.load();
  const long target =
      scratchRelative.load()
          ? static_cast<long>(start) + scratchOffset.load()
          : static_cast<long>(scratchStartValue.load() - scratchLastValue.load()) * kFramesPerPointerUnit +
                start;
  const int length = lengthFrames.load(std::memory_order_acquire);
  return static_cast<int>(std::clamp(target, 0L, static_cast<long>(std::max(0, length - 1))));
}

void CSoundSource::ScratchMouseMove(int value) {
  if (!scratching.load() || jogScratching.load()) return;
  if (scratchRelative.load()) {
    scratchOffset.fetch_add(value);
    scratchLastDelta.store(0);
  } else {
    // Moving the pointer up or left moves forward.
    scratchLastDelta.store(scratchLastValue.load() - value);
    scratchLastValue.store(value);
  }
  desiredSpeed.store((scratchTarget() - playPosition.load(std::memory_order_relaxed)) / kMouseApproach);
}

void CSoundSource::ScratchMouseEnd() {
  if (!scratching.load() || jogScratching.load()) return;
  const double s = std::fabs(desiredSpeed.load());
  const int delta = std::abs(scratchLastDelta.load());
  const bool keyLock = masterTempo.load() != 0;
  int nowPlaying = playingBeforeScratch.load();
  if (nowPlaying) {
    if (s > 1.5 && delta > 14 && !keyLock) speedRampActive.store(1.0f);
  } else if (s > 0.25 && delta > 20) {
    // A throw: the paused deck starts, gliding to its speed.
    nowPlaying = 1;
    if (!keyLock) speedRampActive.store(1.0f);
  }
  scratching.store(0, std::memory_order_release);
  desiredSpeed.store(nominalSpeed.load());
  playing.store(nowPlaying, std::memory_order_release);
}

// ---------------------------------------------------------------------------
// Controller jog wheels

void CSoundSource::ScratchJogWheelMove(int value, int previous, int encoding, int touch, int rate) {
  if (loadFlag.load(std::memory_order_acquire) & 1) return;
  jogSearchSum.store(0);
  int steps = 0;
  bool backwards = jogLastDirection.load() == 1;
  if (previous == -100) {
    // A script's signed movement.
    steps = std::max(1, std::abs(value) * 22 * 88 / std::max(rate, 4));
    backwards = value < 0;
  } else if (encoding == 2 || encoding == 0x10000 || encoding == 0x100000) {
    const int unit = encoding == 2 ? 10 : 6;
    if (value > 64) {
      backwards = false;
      steps = unit * (value - 64);
    } else if (value < 64) {
      backwards = true;
      steps = unit * (64 - value);
    }
  } else if (encoding == 0x8000) {
    backwards = value < 64;
    steps = 3 * std::abs(value - 64);
  } else if (value != previous) {
    // Absolute 7-bit positions, wrapping round.
    backwards = (previous - value >= 1 && previous - value <= 96) || value - previous > 96;
    int difference = backwards ? previous - value : value - previous;
    if (difference < 0) difference += 128;
    if (difference >= 1 && difference <= 69) steps = 6 * difference;
  } else if (previous == 64) {
    backwards = true;
    steps = 10;
  } else if (previous == 65) {
    backwards = false;
    steps = 10;
  }
  jogLastDirection.store(backwards ? 1 : 0);

  if (jogScratching.load()) {
    const float step = steps != 0 ? static_cast<float>(steps) : 10.0f;
    jogLastStep.store(step);
    jogTotal.store(jogTotal.load() + (backwards ? -step : step));
    const int length = lengthFrames.load(std::memory_order_acquire);
    const long target = std::clamp(lrintf(jogTotal.load() * kFramesPerJogStep + scratchStartPosition.load()),
                                   0L, static_cast<long>(std::max(0, length - 1)));
    desiredSpeed.store((target - playPosition.load(std::memory_order_relaxed)) / kJogApproach);
    jogIdleTicks.store(previous == -100 ? 5 : 3);
  } else if (touch || jogScratchMode.load() || !playing.load(std::memory_order_acquire)) {
    // This message starts the scratch; the next ones move it.
    ScratchJogWheelBegin();
    jogIdleTicks.store(3);
  } else if (backwards) {
    if (nudgeUpTicks.load() > 0) nudgeUpTicks.store(1);
    nudgeDownTicks.store(kNudgeTicks);
    nudgeActive.store(1);
  } else {
    if (nudgeDownTicks.load() > 0) nudgeDownTicks.store(1);
    nudgeUpTicks.store(kNudgeTicks);
    nudgeActive.store(1);
  }
}

void CSoundSource::ScratchJogWheelBegin() {
  if (scratching.load() || !opened.load(std::memory_order_acquire)) return;
  jogScratching.store(1);
  jogSearchSum.store(0);
  jogIdleTicks.store(0);
  scratchStartValue.store(0);
  scratchStartPosition.store(static_cast<int>(std::floor(playPosition.load(std::memory_order_relaxed))));
  speedRampActive.store(0.0f);
  const int wasPlaying = playing.load(std::memory_order_acquire);
  playingBeforeScratch.store(wasPlaying);
  if (!wasPlaying) stopNow.store(1);
  jogLastDirection.store(-1);
  desiredSpeed.store(0.0);
  playing.store(1, std::memory_order_release);
  scratching.store(1, std::memory_order_release);
}

void CSoundSource::endJogScratch() {
  playing.store(playingBeforeScratch.load(), std::memory_order_release);
  desiredSpeed.store(nominalSpeed.load());
  scratching.store(0, std::memory_order_release);
  jogScratching.store(0);
  jogTotal.store(0.0f);
  jogSearchSum.store(0);
  jogIdleTicks.store(0);
}

void CSoundSource::ScratchJogWheelHold(int touched) {
  jogTouched.store(touched);
  if (touched) {
    ScratchJogWheelBegin();
  } else if (jogScratching.load()) {
    endJogScratch();
  }
}

void CSoundSource::SearchJogWheelMove(int delta, int range) {
  // A wheel without a range cannot say how far it turned.
  if (range == 0) return;
  const auto sign = [](int v) { return (v > 0) - (v < 0); };
  if (sign(delta) != sign(jogSearchSum.load())) jogSearchSum.store(0);
  const int sum = jogSearchSum.fetch_add(delta) + delta;
  if (std::fabs(static_cast<double>(sum) / range) > 0.04) {
    if (sum < 0) {
      SkipBarPrev();
    } else {
      SkipBarNext();
    }
    jogSearchSum.store(0);
  }
}

void CSoundSource::ToggleJogScratchMode() {
  if (!playing.load(std::memory_order_acquire) || scratching.load()) return;
  jogScratchMode.store(jogScratchMode.load() ? 0 : 1);
}

// ---------------------------------------------------------------------------
// Bend and search buttons

void CSoundSource::BendDown_Click() {
  if (bendingDown.load() || bendingUp.load()) return;
  const int p = GetPitch();
  speedBeforeBend.store(nominalSpeed.load());
  pitchBeforeBend.store(p);
  bendLimit.store(10000 + p);  // the speed stays above 0
  bendAmount.store(-20.0f);
  bendingDown.store(1);
}

void CSoundSource::BendUp_Click() {
  if (bendingDown.load() || bendingUp.load()) return;
  const int p = GetPitch();
  speedBeforeBend.store(nominalSpeed.load());
  pitchBeforeBend.store(p);
  bendLimit.store(10000 - p);  // the speed stays below 2
  bendAmount.store(20.0f);
  bendingUp.store(1);
}

void CSoundSource::BendDown_UnClick() {
  if (!bendingDown.exchange(0)) return;
  SetPitch(pitchBeforeBend.load());
  nudgeActive.store(0);
}

void CSoundSource::BendUp_UnClick() {
  if (!bendingUp.exchange(0)) return;
  SetPitch(pitchBeforeBend.load());
  nudgeActive.store(0);
}

void CSoundSource::SearchLeft_Click() {
  searchLeftTicks.store(0);
  searchRightTicks.store(-1);
}

void CSoundSource::SearchRight_Click() {
  searchRightTicks.store(0);
  searchLeftTicks.store(-1);
}

void CSoundSource::SearchLeft_UnClick() {
  searchLeftTicks.store(-1);
}

void CSoundSource::SearchRight_UnClick() {
  searchRightTicks.store(-1);
}

void CSoundSource::SetTimecodedVinylMode(int on) {
  timecodeMode.store(on);
  if (!on) {
    desiredSpeed.store(nominalSpeed.load());
    lookAheadSpeed.store(nominalSpeed.load());
  }
}

// ---------------------------------------------------------------------------
// Clocks

void CSoundSource::BendAndSearch_TimerFunction() {
  const bool down = bendingDown.load() != 0, up = bendingUp.load() != 0;
  if (down || up) {
    const int sign = up ? 1 : -1;
    if (nudgeActive.load()) {
      SetPitch(pitchBeforeBend.load() + sign * kNudgePitch);
    } else {
      const float amount = bendAmount.load();
      const float limit = static_cast<float>(bendLimit.load());
      float b = amount * 1.02f;
      if (std::fabs(amount) <= limit / 3.0f) b += 25.0f * sign;
      b = std::clamp(b, -limit, limit);
      bendAmount.store(b);
      SetPitch(pitchBeforeBend.load() + static_cast<int>(lrintf(b)));
    }
  }

  // A nudge presses its bend at the next tick and releases it after its
  // ticks have run out.
  const int downTicks = nudgeDownTicks.load();
  if (downTicks == 0) {
    BendDown_UnClick();
    nudgeDownTicks.store(-1);
  } else if (downTicks > 0) {
    BendDown_Click();
    nudgeDownTicks.store(downTicks - 1);
  }
  const int upTicks = nudgeUpTicks.load();
  if (upTicks == 0) {
    BendUp_UnClick();
    nudgeUpTicks.store(-1);
  } else if (upTicks > 0) {
    BendUp_Click();
    nudgeUpTicks.store(upTicks - 1);
  }

  // Search: a step that grows with every tick the button is held.
  const auto stepFor = [](int t) -> long { return t < 2 ? 44100L : (t < 300 ? t * 44100L : 13230000L); };
  const auto grow = [](int t) { return t < 20 ? t + 1 : t + t / 10; };
  const long position = lrint(playPosition.load(std::memory_order_relaxed));
  const int length = lengthFrames.load(std::memory_order_acquire);
  const int left = searchLeftTicks.load();
  if (left >= 0) {
    SetPositionAsync(static_cast<double>(std::max(0L, position - stepFor(left))));
    searchLeftTicks.store(grow(left));
  }
  const int right = searchRightTicks.load();
  if (right >= 0) {
    SetPositionAsync(static_cast<double>(std::min(static_cast<long>(length) - 1, position + stepFor(right))));
    searchRightTicks.store(grow(right));
  }
}

void CSoundSource::ScratchTimerUpdate(int idleLimit) {
  if (!scratching.load()) return;
  if (jogScratching.load()) {
    const int length = lengthFrames.load(std::memory_order_acquire);
    const long target = std::clamp(lrintf(jogTotal.load() * kFramesPerJogStep + scratchStartPosition.load()),
                                   0L, static_cast<long>(std::max(0, length - 1)));
    desiredSpeed.store((target - playPosition.load(std::memory_order_relaxed)) / kJogApproach);
    const int idle = jogIdleTicks.fetch_add(1);
    if (idle >= idleLimit && !jogTouched.load()) endJogScratch();
    return;
  }
  // A held mouse brings the platter to rest at the target.
  desiredSpeed.store((scratchTarget() - playPosition.load(std::memory_order_relaxed)) / kMouseApproach);
}
