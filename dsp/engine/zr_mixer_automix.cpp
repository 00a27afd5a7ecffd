// The automatic-mix engine of ZRMixer: when to start a sweep, and the sweep itself.

#include <algorithm>
#include <cmath>

#include "dsp/engine/zr_audio_signal_source.h"
#include "dsp/engine/zr_mixer.h"

namespace {

constexpr float kLastPosition = 127.0f;

long framesOf(float seconds) {
  return std::lround(static_cast<double>(seconds) * 44100.0);
}

}  // namespace

void ZRMixer::AutoMixSetCallback(ZRAutomixCallback automix, ZRAutomixSyncCallback sync, void* userData) {
  automixUserData = userData;
  automixCallback = std::move(automix);
  automixSyncCallback = std::move(sync);
}

void ZRMixer::AutoMixEnableAutoMode(bool on, float mixTime, bool beatmatch, float preNotice) {
  automixMixTime = mixTime;
  automixBeatmatch = beatmatch;
  automixPreNotice = preNotice;
  automixAutoMode = on;
}

void ZRMixer::AutoMixSetDefaultMixTimeSeconds(float seconds) {
  automixMixTime = seconds;
}

void ZRMixer::AutoMixNow(bool force) {
  if (automixMixing || force) {
    automixRequestTimer = -1.0f;
    AutoMixNow_internal(AutomixDirectionAutomatic, automixMixTime, automixBeatmatch);
  } else {
    automixRequestTimer = 0.0f;
  }
}

void ZRMixer::AutoMixCancel() {
  automixMixing = false;
}

void ZRMixer::AutoMixNow_internal(int direction, float seconds, bool beatmatch) {
  if (seconds < 0.0f) seconds = automixMixTime;
  // Also catches a mix time that is not a number.
  seconds = std::max(kMinMixSeconds, seconds);
  automixSpeed = 128.0f / seconds;
  const int position = GetCrossfaderPosition();
  automixPosition = static_cast<float>(position);
  if (direction == AutomixDirectionAutomatic) {
    automixIncreasing = position < 64;
  } else {
    automixIncreasing = direction == AutomixDirectionUp;
  }
  const int positionFlag =
      (automixIncreasing && position < 42) || (!automixIncreasing && position < 97) ? 1 : 0;
  if (automixSyncCallback)
    automixSyncCallback(positionFlag, automixIncreasing ? 1 : 0, beatmatch, automixUserData);
  automixBeatmatchInUse = beatmatch;
  automixMixing = true;
  automixLastMixing = false;
}

bool ZRMixer::AutoMixShouldMixChannel_internal(int channel, float seconds) {
  if (!valid(channel)) return false;
  ZRAudioSignalSource* source = sources[channel];
  const int mixOut = source->GetMixOutPointFrames();
  const int length = source->GetLength();
  const int position = source->GetCurrentPos();
  // A mix-out point in the first half of the track is taken for a mistake: the track plays to its end.
  const long end = mixOut > length / 2 ? mixOut : length;
  const long remaining = end - position;
  bool mix = remaining <= framesOf(automixMixTime);
  if (!automixNotified &&
      (remaining <= framesOf(automixMixTime + automixPreNotice) || automixRequestTimer >= 0.0f)) {
    automixNotified = true;
    if (automixPreNotice >= 0.0f && automixCallback) {
      automixCallback(static_cast<int>(std::lround(automixPosition)),
                      channel == 0 ? AutomixDirectionUp : AutomixDirectionDown, AutomixEventPreNotice,
                      automixBeatmatchInUse, automixUserData);
    }
  }
  if (automixRequestTimer >= 0.0f) {
    automixRequestTimer += seconds;
    if (automixRequestTimer > kRequestDelaySeconds) {
      automixRequestTimer = -1.0f;
      mix = true;
    }
  }
  return mix;
}

void ZRMixer::AutoMixUpdate(float seconds) {
  if (automixAutoMode && !automixMixing) {
    const int channel = GetCrossfaderPosition() > 63 ? 1 : 0;
    if (AutoMixShouldMixChannel_internal(channel, seconds)) {
      AutoMixNow_internal(AutomixDirectionAutomatic, automixMixTime, automixBeatmatch);
    }
  }
  AutomixEvent event = AutomixEventProgress;
  if (automixMixing != automixLastMixing) {
    // A sweep has started since the last update (a cancelled one only resets the mark).
    if (automixMixing) event = AutomixEventStarted;
    automixLastMixing = automixMixing;
  }
  if (!automixMixing) return;
  const bool started = event == AutomixEventStarted;
  const float start = automixPosition;
  if (automixIncreasing) {
    automixPosition += seconds * automixSpeed;
    if (automixPosition >= kLastPosition) {
      automixPosition = kLastPosition;
      automixMixing = false;
      automixNotified = false;
      event = AutomixEventFinished;
    }
  } else {
    automixPosition -= seconds * automixSpeed;
    if (automixPosition <= 0.0f) {
      automixPosition = 0.0f;
      automixMixing = false;
      automixNotified = false;
      event = AutomixEventFinished;
    }
  }
  if (!automixCallback) return;
  const AutomixDirection direction = automixIncreasing ? AutomixDirectionUp : AutomixDirectionDown;
  if (started && event == AutomixEventFinished) {
    // Started and finished within one update (a long pause of the caller): the start is reported first, so
    // the owner still hears of it (it loads the next file then).
    automixCallback(static_cast<int>(std::lround(start)), direction, AutomixEventStarted,
                    automixBeatmatchInUse, automixUserData);
  }
  automixCallback(static_cast<int>(std::lround(automixPosition)), direction, event, automixBeatmatchInUse,
                  automixUserData);
}
