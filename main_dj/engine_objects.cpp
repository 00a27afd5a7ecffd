#include "main_dj/engine_objects.h"

#include "actions_dj/engine_globals.h"
#include "actions_dj/player_actions.h"
#include "codecs/zr_audio_broadcast.h"
#include "codecs/zr_video_recorder.h"
#include "common/zr_thread.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_sampler_player.h"
#include "dsp/engine/zr_simple_mix_zone.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shell_folders.h"
#include "main_dj/zr_main_frame.h"
#include "soundio/zr_audio_multi_output.h"

CLiveInputSource* MicrophoneLiveIn = nullptr;
ZRMixerChannel* MasterFxChannel = nullptr;
ZRVideoRecorder* videoRecorder = nullptr;
ZRThread* scratchThread = nullptr;
ZRThread* analyzeThread = nullptr;
long the_app_start_time = 0;

namespace {

constexpr int kLiveInputFrames = 4410;
constexpr int kMixerFrames = 22050;
constexpr int kMixerPositions = 128;
constexpr int kSamplerHeadphoneLevel = 110;

template <typename T>
void deleteAndClear(T*& object) {
  delete object;
  object = nullptr;
}

}  // namespace

void createEngineObjects() {
  if (mixer != nullptr) return;
  for (int deck = 0; deck < 4; deck++) decks[deck] = nullptr;
  for (int deck = 0; deck < 2; deck++) decks[deck] = new CSoundSource(deck, theStripesDir);
  for (int k = 0; k < 4; k++) DeckLiveIn[k] = new CLiveInputSource(decks[k], kLiveInputFrames);
  MicrophoneLiveIn = new CLiveInputSource(nullptr, kLiveInputFrames);

  InitializeMixerChannels();
  for (int deck = 0; deck < 2; deck++) MixerChannelDeck[deck] = new ZRMixerChannel(decks[deck], MainFrame, 0);
  MixerChannelMicrophone = new ZRMixerChannel(MicrophoneLiveIn, MainFrame, 0);
  MasterFxChannel = new ZRMixerChannel(nullptr, MainFrame, 1);
  previewPlayer = new ZRPreviewPlayer(0, true, false);
  previewPlayer->setEndCallback(FPreviewEnded);
  // The settings store does not exist yet at start-up: the fade takes the setting's default (10 tenths).
  const float fadeSeconds = static_cast<float>(getIntPreference("AutoMixFadeTime", 10)) * 0.1f;
  fillerPlayer = new ZRSimpleMixZone(FillerPlayerGetNextFileCallback, fadeSeconds, false, -1, 1.5f, 0.5f);
  videoRecorder = new ZRVideoRecorder();
  audioBroadcast = new ZRAudioBroadcast();
  mixer = new ZRMixer(kMixerFrames);
  audioOutput = new ZRAudioMultiOutput(mixer, DeckLiveIn, MicrophoneLiveIn, nullptr);

  mixer->AddMixerChannel(MixerChannelDeck[0]);
  mixer->AddMixerChannel(MixerChannelDeck[1]);
  previewPlayerChIndex = mixer->AddMixerChannel(previewPlayer);
  fillerPlayerChIndex = mixer->AddMixerChannel(fillerPlayer);
  mixer->AddMixerMicrophoneChannel(MixerChannelMicrophone);
  mixer->SetMasterFXChannel(MasterFxChannel);
  ZRSamplerPlayer::setMasterDeckFunction(GetMasterDeck);
  for (int i = 0; i < kSamplerSlots; i++) {
    Sampler[i] = ZRSamplerPlayer::create(i);
    const int index = mixer->AddMixerChannel(Sampler[i]);
    mixer->SetVetoPgmMix(index, 1);
    mixer->SetFaderPosition(index, 127);
    mixer->SetCuePFLFaderPosition(index, kSamplerHeadphoneLevel);
  }
  mixer->SetVetoPgmMix(previewPlayerChIndex, 1);
  mixer->SetFadersTotalPositions(kMixerPositions);
  mixer->SetCrossfaderTotalPositions(kMixerPositions);
  mixer->SetCrossfaderCurveStartPoint(50, false);
  mixer->SetCrossfaderChannel(0, 0);
  mixer->SetCrossfaderChannel(1, 1);
  mixer->SetCuePFLFaderPosition(previewPlayerChIndex, 127);
  mixer->SetCuePFLFaderPosition(fillerPlayerChIndex, 0);
  mixer->SetFaderPosition(0, 127);
  mixer->SetFaderPosition(1, 127);
}

void deleteEngineObjects() {
  if (audioOutput != nullptr) audioOutput->setAudioRecordingCallback(nullptr, nullptr);
  // The sound output first: its destructor closes the device, so no audio callback runs after it.
  deleteAndClear(audioOutput);
  deleteAndClear(videoRecorder);
  deleteAndClear(audioBroadcast);
  deleteAndClear(mixer);
  deleteAndClear(fillerPlayer);
  deleteAndClear(previewPlayer);
  for (ZRMixerChannel*& channel : MixerChannelDeck) deleteAndClear(channel);
  deleteAndClear(MixerChannelMicrophone);
  deleteAndClear(MasterFxChannel);
  for (ZRSamplerPlayer*& slot : Sampler) deleteAndClear(slot);
  DeinitializeMixerChannels();
  deleteAndClear(MicrophoneLiveIn);
  for (int deck = 0; deck < 4; deck++) {
    deleteAndClear(DeckLiveIn[deck]);
    deleteAndClear(decks[deck]);
  }
  previewPlayerChIndex = -1;
  fillerPlayerChIndex = -1;
}
