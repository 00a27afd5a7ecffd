#include "actions_dj/player_actions.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "actions_dj/action_support.h"
#include "actions_dj/engine_globals.h"
#include "codecs/zr_audio_broadcast.h"
#include "codecs/zr_video_recorder.h"
#include "common/zr_audio_hand_over.h"
#include "common/zr_preferences.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_sampler_player.h"
#include "dsp/engine/zr_simple_mix_zone.h"

namespace {

ZRAudioHandOver<MasterAudioTap>& masterTap() {
  static ZRAudioHandOver<MasterAudioTap> tap;
  return tap;
}

bool playsTrack(CSoundSource* deck) {
  return deck->GetLength() > 0 && deck->IsPlaying();
}

}  // namespace

int audioVideoRecCallback(float* master, int frames, int channels, void* data) {
  if (auto* video = static_cast<ZRVideoRecorder*>(data); video != nullptr && video->isRecording()) {
    video->putAudioSamples(master, frames);
  }
  if (ZRAudioBroadcast* broadcast = audioBroadcast) broadcast->putSamples(master, frames);
  ZRSamplerPlayer::audioRecCallback(master, frames, channels);
  if (channels == 2) {
    ZRAudioHandOver<MasterAudioTap>::Reader tap(masterTap());
    if (tap.get() != nullptr) (*tap.get())(master, frames);
  }
  return frames;
}

void installMasterAudioTap(MasterAudioTap tap) {
  std::unique_ptr<MasterAudioTap> next = tap ? std::make_unique<MasterAudioTap>(std::move(tap)) : nullptr;
  masterTap().exchange(std::move(next), "the master audio tap");
}

void FPreviewEnded(int, int, int) {
  if (previewPlayer != nullptr) previewPlayer->Close();
}

void FillerPlayerGetNextFileCallback(char* path, float* gainDb, double* mixIn, double* mixOut, void*) {
  path[0] = '\0';
  *gainDb = 0.0f;
  *mixIn = 0.0;
  *mixOut = -1.0;
  ZRList* list = automixList();
  if (list == nullptr) return;
  const int count = list->getCount();
  if (count <= 0) return;
  int row = 0;
  if (settingOn("Random")) {
    row = std::clamp(static_cast<int>(std::floor(std::rand() / 2147483648.0 * count)), 0, count - 1);
  }
  TZRListTrack line;
  TZRDatabaseTrack track;
  if (!list->getRowDataFull(row, &line, &track)) return;
  char utf8[ZRSimpleMixZone::kPathBytes];
  if (!track.tags[kTagFileName].toUTF8(utf8, sizeof utf8) || utf8[0] == '\0') return;
  // Only the row read above; when the list changed meanwhile, nothing is taken this time.
  if (!list->removeRowIfTrack(row, line.trackId, true)) return;
  std::memcpy(path, utf8, std::strlen(utf8) + 1);
}

CSoundSource* GetMasterDeck() {
  CSoundSource* a = decks[0];
  CSoundSource* b = decks[1];
  if (a == nullptr || b == nullptr) return nullptr;
  const int crossfader = mixer != nullptr ? mixer->GetCrossfaderPosition() : 0;
  CSoundSource* preferred = crossfader >= 64 ? b : a;
  CSoundSource* other = preferred == a ? b : a;
  return !playsTrack(preferred) && playsTrack(other) ? other : preferred;
}
