#include "actions_dj/sampler_actions.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <mutex>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/sampler_bank.h"
#include "common/action_ids.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_sampler_player.h"

int loadingSamplerNo = -1;
ZRString samplerRecordingFolder;

namespace {

constexpr int kMonitorLevel = 110;
constexpr int kVolumeMax = 127;
constexpr int kPitchRange = 5000;
constexpr int kBeatsItems[] = {0, 1, 2, 4, 8, 16, 32, 64};
constexpr int kModeToggle = 0, kModeRestart = 1, kModeHold = 2;

// What each slot was last loaded from, kept for the bank: a file whose load failed is written back as it
// was read. A slot loaded from memory has no line.
std::mutex originLock;
std::array<ZRSamplerBankSample, kSamplerSlots> origin;

// The volume and pitch slider positions as the change actions last took them (the bank stores them).
std::atomic<int> volumeOf[kSamplerSlots] = {kVolumeMax, kVolumeMax, kVolumeMax, kVolumeMax,
                                            kVolumeMax, kVolumeMax, kVolumeMax, kVolumeMax};
std::atomic<int> pitchOf[kSamplerSlots] = {};

bool isSlot(int slot) {
  return slot >= 0 && slot < kSamplerSlots;
}

ZRActionControls& controls() {
  return actionControls();
}

// The slot's tempo at its speed, as the beats text shows it.
void showTempo(int slot, ZRSamplerPlayer* player) {
  const long bpm = lrintf(player->GetCurrentBPM() * static_cast<float>(player->GetSpeed()));
  ZRString text("---");
  if (bpm >= 1) text = ZRString::format("%ld", bpm);
  controls().setCaption(ACT_sampler1_bpm_val + slot, -1, text);
}

// After a start: the pitch slider shows the speed the slot plays at (auto sync may have changed it).
void showSpeed(int slot, ZRSamplerPlayer* player) {
  const int position = 10000 - static_cast<int>(std::lround(player->GetSpeed() * 10000.0));
  controls().setPos(ACT_sampler1_pitch + slot, -1, position, false);
  OnSliderChange_SamplerPitch(std::clamp(position, -kPitchRange, kPitchRange), slot, -1, nullptr);
}

void play(int slot, ZRSamplerPlayer* player) {
  player->SetPlaying(1);
  showSpeed(slot, player);
}

void rewindAndPlay(int slot, ZRSamplerPlayer* player) {
  player->SetCurrentPos(0);
  play(slot, player);
}

void loadFromFile(int slot, const ZRString& path) {
  samplerLoadAudioAndSetDetails(slot, path, nullptr, 0, kVolumeMax, 0, 0, false, false);
}

ZRString recordingPath(int slot) {
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  char stamp[64];
  strftime(stamp, sizeof stamp, "%b%d-%H%M%S", &local);
  ZRString path = samplerRecordingFolder;
  if (!path.empty()) path.appendSeparatorIfNeeded();
  return path + ZRString::format("sample-%s-%d.aif", stamp, slot);
}

void startRecording(int slot, ZRSamplerPlayer* player) {
  player->SetPlaying(0);
  const ZRString path = recordingPath(slot);
  if (!player->startStopRecordingFromAudioRecCallback(true, path)) {
    ZRLOG("error: the sampler slot %d cannot record into '%s'", slot + 1, path);
    controls().setSwitched(ACT_sampler1_rec + slot, -1, false, false);
  }
}

}  // namespace

ZRSamplerPlayer* samplerAt(int slot) {
  return isSlot(slot) ? Sampler[slot] : nullptr;
}

int samplerChannelIndex(int slot) {
  return (fillerPlayerChIndex >= 0 ? 1 : 0) + (previewPlayerChIndex >= 0 ? 1 : 0) + slot + 2;
}

int samplerBeatsItem(int beats) {
  for (int item = 1; item < 8; ++item) {
    if (kBeatsItems[item] == beats) return item;
  }
  return 0;
}

int samplerItemBeats(int item) {
  return item >= 1 && item < 8 ? kBeatsItems[item] : 0;
}

ZRString samplerPitchText(int value) {
  if (value == 0) return ZRString("0 %");
  const int whole = std::abs(value / 100);
  const int fraction = std::abs(value) % 100;
  return ZRString::format(value < 0 ? "%d.%02d %%" : "-%d.%02d %%", whole, fraction);
}

float samplerFilterFrequency(int value, bool* lowPass) {
  *lowPass = value <= 0;
  if (value == 0) return -1.0f;
  return std::pow(1.106f, static_cast<float>(value < 0 ? value + 99 : value + 34));
}

ZRSamplerLoopPlan samplerLoopPlan(int loopFrames, int sixtyfourths) {
  ZRSamplerLoopPlan plan;
  if (loopFrames <= 0) return plan;
  plan.repeats = 1;
  if (sixtyfourths >= 64) {
    plan.beats = sixtyfourths / 64;
  } else if (sixtyfourths > 0) {
    plan.repeats = 64 / sixtyfourths;
    plan.beats = 1;
  }
  plan.frames = loopFrames * plan.repeats;
  return plan;
}

void samplerLoadAudioAndSetDetails(int slot, const ZRString& path, const float* buffer, int frames,
                                   int volume, int pitch, int beats, bool autoSync, bool loop) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  loadingSamplerNo = slot;
  player->SetPlaying(0);
  player->Close();
  ZRString caption;
  if (buffer != nullptr) {
    caption = player->Open(buffer, frames) ? ZRString("loop") : ZRString("error");
  } else {
    caption = player->Open(path) ? path.getName() : ZRString("error");
  }
  {
    std::lock_guard guard(originLock);
    ZRSamplerBankSample& o = origin[slot];
    o = ZRSamplerBankSample();
    if (buffer == nullptr) {
      o.slot = slot;
      o.file = path;
      o.beats = beats;
      o.pitch = pitch;
      o.volume = volume;
      o.autoSync = autoSync;
      o.loop = loop;
    }
  }
  ZRActionControls& c = controls();
  c.setCaption(ACT_sampler1_name + slot, -1, caption);
  const int item = samplerBeatsItem(beats);
  c.selectItem(ACT_dropdown_sampler1_beats + slot, -1, item, false);
  OnDropdownChange_SamplerBeats(item, slot, -1, nullptr);
  c.setPos(ACT_sampler1_pos + slot, -1, 0, false);
  // The sliders' change actions run when the skin's sliders move; they run here as well so that the slot
  // follows without a skin (the settings they make are the same).
  const int v = std::clamp(volume, 0, kVolumeMax), p = std::clamp(pitch, -kPitchRange, kPitchRange);
  c.setPos(ACT_sampler1_vol + slot, -1, v, false);
  OnSliderChange_SamplerVolume(v, slot, -1, nullptr);
  c.setPos(ACT_sampler1_pitch + slot, -1, p, false);
  OnSliderChange_SamplerPitch(p, slot, -1, nullptr);
  c.setSwitched(ACT_sampler1_rec + slot, -1, false, false);
  c.setSwitched(ACT_sampler1_loop + slot, -1, loop, false);
  OnButtonPress_SamplerLoop(loop ? 1 : 0, slot, -1, nullptr);
  c.setSwitched(ACT_sampler1_sync + slot, -1, autoSync, false);
  OnButtonPress_SamplerSync(autoSync ? 1 : 0, slot, -1, nullptr);
  if (buffer != nullptr && player->IsOpen()) {
    c.setData(ACT_sampler1_pos + slot, -1, buffer, frames * 2, 1.0f);
  } else {
    c.setData(ACT_sampler1_pos + slot, -1, nullptr, 0, 1.0f);
  }
  loadingSamplerNo = -1;
}

bool LoadSamplerBanks(const ZRString& path, const ZRString& prefix) {
  std::vector<ZRSamplerBankSample> samples;
  if (!readSamplerBank(path, prefix, samples)) return false;
  for (const ZRSamplerBankSample& s : samples) {
    samplerLoadAudioAndSetDetails(s.slot, s.file, nullptr, 0, s.volume, s.pitch, s.beats, s.autoSync, s.loop);
  }
  return true;
}

bool SaveSamplerBanks(const ZRString& path) {
  std::vector<ZRSamplerBankSample> samples;
  for (int slot = 0; slot < kSamplerSlots; ++slot) {
    ZRSamplerPlayer* player = samplerAt(slot);
    if (player == nullptr) continue;
    ZRSamplerBankSample s;
    {
      std::lock_guard guard(originLock);
      s = origin[slot];
    }
    if (player->IsOpen()) {
      const ZRString file = player->GetFileName();
      if (file.empty()) continue;
      s.slot = slot;
      s.file = file;
      s.beats = player->GetTotalBeats();
      s.autoSync = player->GetAutoSync() != 0;
      s.loop = player->GetLooping() != 0;
      s.pitch = pitchOf[slot].load();
      s.volume = volumeOf[slot].load();
    }
    if (s.slot == slot && !s.file.empty()) samples.push_back(s);
  }
  return writeSamplerBank(path, samples);
}

bool samplerLoadDroppedFile(int slot, const ZRString& path) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr || path.empty()) return false;
  if (player->isRecording()) {
    ZRLOG("sampler %d is recording: the dropped file is not loaded", slot + 1);
    return false;
  }
  loadFromFile(slot, path);
  return player->IsOpen();
}

bool samplerLoadTrackId(int slot, int trackId) {
  TZRDatabaseTrack record;
  ZRDatabase* library = ZRDatabase::getInstance();
  if (library == nullptr || !library->getTrackIdData(trackId, &record)) return false;
  return samplerLoadDroppedFile(slot, record.tags[kTagFileName]);
}

void OnButtonPress_SamplerPlayNew(int, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  const int mode = settingInt("SamplerMode", kModeRestart);
  if (mode == kModeHold) {
    play(slot, player);
  } else if (mode == kModeRestart) {
    rewindAndPlay(slot, player);
  } else if (player->GetPlaying() != 0) {
    player->SetPlaying(0);
    player->SetCurrentPos(0);
  } else {
    play(slot, player);
  }
}

void OnButtonRelease_SamplerPlayNew(int, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  if (settingInt("SamplerMode", kModeRestart) == kModeHold) {
    player->SetPlaying(0);
    player->SetCurrentPos(0);
  }
  if (!player->IsOpen()) OnButtonPress_SamplerLoad(0, slot, -1, nullptr);
}

void OnButtonRightPress_SamplerPlayNew(int value, int slot, int deck, ZRDrawNode* node) {
  OnButtonPress_SamplerStop(value, slot, deck, node);
}

void OnButtonRightRelease_SamplerPlayNew(int, int, int, ZRDrawNode*) {}

void OnSliderTrack_SamplerPos(int, int, int, ZRDrawNode*) {}

void OnButtonPress_SamplerPlay(int, int slot, int, ZRDrawNode*) {
  if (ZRSamplerPlayer* player = samplerAt(slot)) rewindAndPlay(slot, player);
}

void OnButtonPress_SamplerStop(int, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  player->SetPlaying(0);
  player->SetCurrentPos(0);
}

void OnButtonPress_SamplerLoop(int value, int slot, int, ZRDrawNode*) {
  if (ZRSamplerPlayer* player = samplerAt(slot)) player->SetLooping(value != 0 ? 1 : 0);
}

void OnButtonPress_SamplerLoad(int, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  player->SetPlaying(0);
  const ZRString wildcard =
      languageText(txt_all_supported_files) + ZRString("|*.mp3;*.wav;*.aif;*.m4a;*.wma;*.ogg");
  chooseFileToOpen(languageText(txt_load_sample_title), wildcard,
                   [slot](const ZRString& path) { loadFromFile(slot, path); });
}

void OnButtonRelease_SamplerRec(int value, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  if (value != 0) {
    if (!player->IsOpen()) {
      startRecording(slot, player);
      return;
    }
    // The switch stays off while the question is open; a yes switches it on and starts.
    controls().setSwitched(ACT_sampler1_rec + slot, -1, false, false);
    askYesNo(ZRString("Are you sure you want to unload the current sample and start recording?"),
             ZRString("Confirm recording"), [slot] {
               ZRSamplerPlayer* p = samplerAt(slot);
               if (p == nullptr) return;
               controls().setSwitched(ACT_sampler1_rec + slot, -1, true, false);
               startRecording(slot, p);
             });
    return;
  }
  if (!player->isRecording()) return;
  const ZRString file = player->getRecordingFilename();
  // Stopping finishes the file (every queued sample written, the header complete) before it is read.
  player->startStopRecordingFromAudioRecCallback(false, ZRString());
  loadFromFile(slot, file);
}

void OnButtonPress_SamplerSync(int value, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  player->SetAutoSync(value != 0 ? 1 : 0);
  if (value != 0 && player->GetCurrentBPM() <= 0.0f) {
    controls().setSwitched(ACT_sampler1_sync + slot, -1, false, false);
  }
}

void OnButtonPress_SamplerMonitor(int value, int slot, int, ZRDrawNode*) {
  if (mixer == nullptr || samplerAt(slot) == nullptr) return;
  mixer->SetCuePFLFaderPosition(samplerChannelIndex(slot), value != 0 ? kMonitorLevel : 0);
}

void OnButtonPress_SamplerBpmValue(int, int slot, int, ZRDrawNode*) {
  if (samplerAt(slot) != nullptr) controls().openItems(ACT_dropdown_sampler1_beats + slot, -1);
}

void OnSliderChange_SamplerVolume(int value, int slot, int, ZRDrawNode*) {
  if (samplerAt(slot) == nullptr) return;
  volumeOf[slot].store(value);
  if (mixer != nullptr) mixer->SetFaderPosition(samplerChannelIndex(slot), value);
  const long percent = lrintf(static_cast<float>(value) * 100.0f / 127.0f);
  controls().setCaption(ACT_sampler1_vol_val + slot, -1, ZRString::format("%d", static_cast<int>(percent)));
}

void OnSliderChange_SamplerMasterVolume(int value, int, int, ZRDrawNode*) {
  for (int slot = 0; slot < kSamplerSlots; ++slot) {
    controls().setPos(ACT_sampler1_vol + slot, -1, value, false);
    OnSliderChange_SamplerVolume(std::clamp(value, 0, kVolumeMax), slot, -1, nullptr);
  }
}

void OnSliderChange_SamplerPitch(int value, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  pitchOf[slot].store(value);
  player->SetSpeed(player->GetDirection() * (1.0 - value / 10000.0));
  controls().setCaption(ACT_sampler1_pitch_val + slot, -1, samplerPitchText(value));
  showTempo(slot, player);
}

void OnSliderChange_SamplerFilter(int value, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  bool lowPass = true;
  const float frequency = samplerFilterFrequency(value, &lowPass);
  player->setCutoffFilter(lowPass, frequency, 0.707f);
}

void OnDropdownChange_Sampler(int, int, int, ZRDrawNode*) {}

void OnDropdownChange_SamplerBeats(int item, int slot, int, ZRDrawNode*) {
  ZRSamplerPlayer* player = samplerAt(slot);
  if (player == nullptr) return;
  const int beats = samplerItemBeats(item);
  if (beats == 0) return;
  player->SetTotalBeats(beats);
  showTempo(slot, player);
}

void FSendLoopToOnChange(int item, int, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck)) return;
  controls().selectItem(ACT_dropdown_send_loop_to, deck, 0, false);
  controls().selectItem(ACT_dropdown_send_loop_to2, deck, 0, false);
  const int slot = item - 1;
  CSoundSource* source = deckAt(deck);
  if (!isSlot(slot) || source == nullptr) return;
  const TLoopInfo loop = source->GetLoopInfo();
  if (!loop.active) return;
  const ZRSamplerLoopPlan plan = samplerLoopPlan(loop.length, source->GetLoopSizeIn64Divisions());
  if (plan.frames <= 0) return;
  if (plan.frames > ZRSamplerPlayer::kMaxFrames) {
    ZRLOG("error: the loop of deck %d is too long for a sampler slot (%d frames)", deck + 1, plan.frames);
    return;
  }
  std::vector<float> buffer(static_cast<size_t>(plan.frames) * 2);
  source->GetAudioData(buffer.data(), loop.start, loop.length);
  for (int r = 1; r < plan.repeats; ++r) {
    std::copy_n(buffer.begin(), static_cast<size_t>(loop.length) * 2,
                buffer.begin() + static_cast<std::ptrdiff_t>(r) * loop.length * 2);
  }
  samplerLoadAudioAndSetDetails(slot, ZRString(), buffer.data(), plan.frames, 102, 0, plan.beats, true, true);
}
