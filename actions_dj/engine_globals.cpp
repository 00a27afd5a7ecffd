#include "actions_dj/engine_globals.h"

#include <algorithm>
#include <atomic>

CSoundSource* decks[4] = {nullptr, nullptr, nullptr, nullptr};
ZRPreviewPlayer* previewPlayer = nullptr;
ZRAudioBroadcast* audioBroadcast = nullptr;
ZRMixer* mixer = nullptr;
ZRAudioMultiOutput* audioOutput = nullptr;
ZRSimpleMixZone* fillerPlayer = nullptr;
int fillerPlayerChIndex = -1;
ZRBatchAudioDetection* batchAudioDetection = nullptr;
ZRMixerChannel* MixerChannelDeck[2] = {nullptr, nullptr};
ZRMixerChannel* MixerChannelMicrophone = nullptr;
ZRPreferences* preferences = nullptr;

namespace {
std::atomic<double> alpha_video_crossfader{0.5};
}

double GetVideoFader() { return alpha_video_crossfader.load(std::memory_order_relaxed); }
void SetVideoFader(double position) {
  alpha_video_crossfader.store(std::clamp(position, 0.0, 1.0), std::memory_order_relaxed);
}
