#include "dsp/engine/zr_simple_mix_zone.h"

#include <algorithm>
#include <cmath>

#include "common/zr_logging.h"
#include "dsp/engine/zr_preview_player.h"

ZRSimpleMixZone::ZRSimpleMixZone(NextFileCallback callback, float mixDurationSeconds, bool autoMode,
                                 int zoneId, float fadeInSeconds, float fadeOutSeconds)
    : nextFile(callback),
      id(zoneId),
      mixDuration(mixDurationSeconds),
      mixer(new ZRMixer(kMixerFrames)),
      players{new ZRPreviewPlayer(0, true, false), new ZRPreviewPlayer(0, true, false)},
      fadeInSpeed(127.0f / std::max(0.01f, fadeInSeconds)),
      fadeOutSpeed(127.0f / std::max(0.01f, fadeOutSeconds)) {
  mixer->AddMixerChannel(players[0]);
  mixer->AddMixerChannel(players[1]);
  mixer->SetFadersTotalPositions(128);
  mixer->SetCrossfaderTotalPositions(128);
  mixer->SetCrossfaderCurveStartPoint(50, false);
  mixer->SetCrossfaderChannel(0, 0);
  mixer->SetCrossfaderChannel(1, 1);
  applyFaders();
  mixer->SetCrossfaderPosition(0);
  mixer->SetCuePFLMixPosition(63);
  mixer->AutoMixSetCallback(&ZRSimpleMixZone::automixCallback_SimpleMixZone,
                            &ZRSimpleMixZone::automixSyncCallback_SimpleMixZone, this);
  mixer->AutoMixEnableAutoMode(autoMode, mixDuration, false, -1.0f);
}

ZRSimpleMixZone::~ZRSimpleMixZone() {
  delete players[0];
  delete players[1];
  delete mixer;
}

void ZRSimpleMixZone::applyFaders() {
  const int position = static_cast<int>(std::lround(fadeLevel));
  mixer->SetFaderPosition(0, position);
  mixer->SetFaderPosition(1, position);
}

void ZRSimpleMixZone::playPause(int mode) {
  std::lock_guard<std::recursive_mutex> guard(lock);
  playPauseLocked(mode);
}

void ZRSimpleMixZone::playPauseLocked(int mode) {
  if (mode == -1) mode = players[currentPlayer]->GetPlaying() ? 0 : 1;
  if (mode == 1) {
    players[currentPlayer]->SetPlaying(true);
    mixer->AutoMixEnableAutoMode(true, mixDuration, false, -1.0f);
    return;
  }
  mixer->AutoMixEnableAutoMode(false, mixDuration, false, -1.0f);
  mixer->AutoMixCancel();
  // Both players: a sweep stopped half-way would otherwise leave the outgoing file playing. The crossfader
  // goes to the current player's side, so a restart plays it alone and the next sweep starts from there.
  players[0]->SetPlaying(false);
  players[1]->SetPlaying(false);
  mixer->SetCrossfaderPosition(currentPlayer == 0 ? 0 : 127);
}

bool ZRSimpleMixZone::getPlaying() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  return players[currentPlayer]->GetPlaying();
}

void ZRSimpleMixZone::mixNow() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  mixer->AutoMixNow(true);
  fadeDirection = 1;
  playPauseLocked(1);
}

void ZRSimpleMixZone::fadeAndPlayPause(bool on) {
  std::lock_guard<std::recursive_mutex> guard(lock);
  if (on) {
    fadeDirection = 1;
    playPauseLocked(1);
  } else {
    fadeDirection = -1;
  }
}

void ZRSimpleMixZone::setMixDuration(float seconds) {
  std::lock_guard<std::recursive_mutex> guard(lock);
  mixDuration = seconds;
  mixer->AutoMixSetDefaultMixTimeSeconds(seconds);
}

void ZRSimpleMixZone::AutoMixUpdate(float seconds) {
  std::lock_guard<std::recursive_mutex> guard(lock);
  mixer->AutoMixUpdate(seconds);
  if (fadeDirection == -1) fadeLevel -= seconds * fadeOutSpeed;
  if (fadeDirection == 1) fadeLevel += seconds * fadeInSpeed;
  if (fadeLevel <= 0.0f) {
    fadeLevel = 0.0f;
    if (fadeDirection == -1) {
      fadeDirection = 0;
      playPauseLocked(0);
    }
  } else if (fadeLevel >= 127.0f) {
    fadeLevel = 127.0f;
    if (fadeDirection == 1) fadeDirection = 0;
  }
  applyFaders();
}

double ZRSimpleMixZone::getPosPercent() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  ZRPreviewPlayer* p = players[currentPlayer];
  const int length = p->GetLength();
  return length >= 1 ? static_cast<double>(p->GetCurrentPos()) / length : 0.0;
}

void ZRSimpleMixZone::setPosPercent(double fraction) {
  std::lock_guard<std::recursive_mutex> guard(lock);
  ZRPreviewPlayer* p = players[currentPlayer];
  const double target = fraction * p->GetLength();
  if (std::isfinite(target)) p->SetPosition1(static_cast<int>(std::lround(std::max(0.0, target))));
}

void ZRSimpleMixZone::automixCallback(int position, AutomixDirection direction, AutomixEvent event, bool) {
  std::lock_guard<std::recursive_mutex> guard(lock);
  mixer->SetCrossfaderPosition(position);
  if (event != AutomixEventStarted || nextFile == nullptr) return;
  const int incoming = direction == AutomixDirectionUp ? 1 : 0;
  char path[kPathBytes];
  for (int attempt = 0; attempt < kNextFileAttempts; ++attempt) {
    path[0] = '\0';
    float gainDb = 0.0f;
    double mixIn = 0.0, mixOut = -1.0;
    nextFile(path, &gainDb, &mixIn, &mixOut, this);
    path[kPathBytes - 1] = '\0';
    if (path[0] == '\0') continue;
    ZRPreviewPlayer* player = players[incoming];
    player->Close();
    if (!player->OpenFileName(ZRString(path))) {
      ZRLOG("error - file '%s' not opened ok", path);
      return;
    }
    mixer->SetChannelGain(incoming, gainDb);
    player->SetMixInPoint(mixIn);
    player->SetMixOutPoint(mixOut);
    // A mix-in point starts the file there (in seconds, like the point itself).
    if (mixIn > 0.0 && std::isfinite(mixIn))
      player->SetPosition1(static_cast<int>(std::lround(mixIn * 44100.0)));
    currentPlayer = incoming;
    return;
  }
}

void ZRSimpleMixZone::automixCallback_SimpleMixZone(int position, AutomixDirection direction,
                                                    AutomixEvent event, bool, void* zone) {
  if (zone != nullptr)
    static_cast<ZRSimpleMixZone*>(zone)->automixCallback(position, direction, event, false);
}

void ZRSimpleMixZone::automixSyncCallback_SimpleMixZone(int, int, bool, void*) {}

void ZRSimpleMixZone::GetSamples(float* buffer, int frames) {
  mixer->GetOutputSignal(reinterpret_cast<float(*)[2]>(buffer), nullptr, frames);
}

void ZRSimpleMixZone::GetSamplesShort(short*, int) {}

void ZRSimpleMixZone::BeforeGetSamples(int) {}

int ZRSimpleMixZone::getCurrentPlayer() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  return currentPlayer;
}

float ZRSimpleMixZone::getFadeLevel() {
  std::lock_guard<std::recursive_mutex> guard(lock);
  return fadeLevel;
}
