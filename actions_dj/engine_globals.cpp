#include "actions_dj/engine_globals.h"

CSoundSource* decks[4] = {nullptr, nullptr, nullptr, nullptr};
ZRPreviewPlayer* previewPlayer = nullptr;
int previewPlayerChIndex = -1;
ZRSamplerPlayer* Sampler[kSamplerSlots] = {};
ZRAudioBroadcast* audioBroadcast = nullptr;
ZRMixer* mixer = nullptr;
ZRAudioMultiOutput* audioOutput = nullptr;
ZRSimpleMixZone* fillerPlayer = nullptr;
int fillerPlayerChIndex = -1;
ZRBatchAudioDetection* batchAudioDetection = nullptr;
ZRMixerChannel* MixerChannelDeck[2] = {nullptr, nullptr};
ZRMixerChannel* MixerChannelMicrophone = nullptr;
CLiveInputSource* DeckLiveIn[4] = {nullptr, nullptr, nullptr, nullptr};
ZRPreferences* preferences = nullptr;
