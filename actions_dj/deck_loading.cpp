#include "actions_dj/deck_loading.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/deck_cues.h"
#include "actions_dj/deck_pads.h"
#include "actions_dj/engine_globals.h"
#include "codecs/zr_codec_base.h"
#include "common/action_ids.h"
#include "common/text_ids.h"
#include "common/zr_files.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"

std::atomic<int> PlayAfterLoading[2] = {0, 0};
std::atomic<int> slow_reset_pitch[2] = {0, 0};

namespace {

// Frames before the end within which a playing track may be replaced without asking.
constexpr int kAskBeforeEndFrames = 88200;
// The path that empties a deck.
constexpr const char* kUnloadPath = "---$";
// The effect buttons a reset after loading switches off (the deck's ten built-in effects).
constexpr int kDeckEffectButtons[] = {
    ACT_deck_fx_cutofflp, ACT_deck_fx_cutoffhp,   ACT_deck_fx_flanger, ACT_deck_fx_echo,  ACT_deck_fx_beatwaw,
    ACT_deck_fx_reverb,   ACT_deck_fx_bitcrusher, ACT_deck_fx_pan,     ACT_deck_fx_delay, ACT_deck_fx_tremolo,
};

std::mutex linkVideoLock;
std::vector<ZRString> linkVideoFiles;
int linkVideoFilesCursorPos = 0;

bool acceptedPath(const ZRString& path) {
  return path.contains("pulselocker://song/") || path.contains("lirra://track/") ||
         path.contains("ipod-library://item/") || path.endsWith("$") || FileExists(path);
}

// The common end of a load and an unload: the deck plays forward, unbraked, from cue 0 at the normal pitch.
void resetTransport(int deck, CSoundSource& d) {
  ZRActionControls& controls = actionControls();
  d.SetCurrentCue(0);
  controls.setPos(ACT_deck_pitch, deck, 0, false);
  controls.setSwitched(ACT_deck_reverse, deck, false, false);
  controls.setSwitched(ACT_deck_brake, deck, false, false);
  d.SetDirection(1);
  d.SetBrake(0);
  notifyControllers("reverse", deck, 0);
  notifyControllers("brake", deck, 0);
}

// Steps 4 to 7 of a load, once any question has been answered.
void openOnDeck(const ZRString& path, ZRString videoPath, const std::optional<TZRDatabaseTrack>& record,
                int deck, float keyShift) {
  CSoundSource* d = deckAt(deck);
  if (d == nullptr) return;
  linkVideoIfNeeded(path, videoPath, record ? &*record : nullptr);
  ZRCodecBase::OpenStruct request;
  request.path = path;
  request.secondPath = videoPath;
  request.playAfterLoad = PlayAfterLoading[deck].load() != 0;
  request.keyShift = keyShift;
  // Refused while an earlier load is pending: nothing changes, and a play-after-load request waits for the
  // next accepted load.
  if (!d->OpenFileName(&request, record ? &*record : nullptr)) return;
  PlayAfterLoading[deck].store(0);
  slow_reset_pitch[deck].store(0);
  resetHoldTimers(deck);
  resetPerformancePads(deck);

  ZRActionControls& controls = actionControls();
  const ZRString loading = languageText(txt_loading1);
  controls.setCaption(ACT_deck_songname, deck, loading);
  controls.setCaption(ACT_deck_titlename, deck, loading);
  controls.setCaption(ACT_deck_artistname, deck, ZRString());
  controls.setPos(ACT_deck_pitch_key, deck, static_cast<int>(std::lround(keyShift * 4.0f)), false);
  resetTransport(deck, *d);

  if (settingOn("ResetDeckAfterLoad")) {
    for (int button : kDeckEffectButtons) controls.setSwitched(button, deck, false, true);
    for (int knob :
         {ACT_deck_eq_low, ACT_deck_eq_mid, ACT_deck_eq_high, ACT_deck_gain, ACT_deck_cutoff_filter}) {
      controls.setPos(knob, deck, 0, false);
    }
  }
}

}  // namespace

bool deckCanOpenPath(const ZRString& path) {
  return acceptedPath(path);
}

bool deckIsAudible(int deck) {
  CSoundSource* d = deckAt(deck);
  if (d == nullptr || !isPlayerDeck(deck)) return false;
  const int length = d->GetLength();
  if (length <= 0 || !d->IsPlaying() || d->GetCurrentPos() >= length - kAskBeforeEndFrames) return false;
  const int crossfader = mixer != nullptr ? mixer->GetCrossfaderPosition() : 0;
  return deck == 0 ? crossfader < 112 : crossfader > 16;
}

void FDeck_LoadFile(const ZRString& path, const ZRString& videoPath, const TZRDatabaseTrack* record, int deck,
                    float keyShift) {
  if (deckAt(deck) == nullptr || !isPlayerDeck(deck) || !acceptedPath(path)) return;
  std::optional<TZRDatabaseTrack> track;
  if (record != nullptr) {
    track = *record;
  } else if (!path.endsWith("$") && FileExists(path)) {
    // A file from outside the library joins it, so it shows in the collection.
    ZRDatabase* library = ZRDatabase::getInstance();
    library->addFileNow(path, nullptr);
    TZRDatabaseTrack found;
    if (library->getTrackIdOnlyIfFound(-1, path, &found)) track = found;
  }
  if (PlayAfterLoading[deck].load() == 0 && deckIsAudible(deck)) {
    askYesNo(languageText(txt_confirm_load_deck), ZRString(), [path, videoPath, track, deck, keyShift] {
      openOnDeck(path, videoPath, track, deck, keyShift);
    });
    return;
  }
  openOnDeck(path, videoPath, track, deck, keyShift);
}

void FDeck_LoadFromCursor(int value, int, int deck, ZRDrawNode*) {
  if (deckAt(deck) == nullptr || !isPlayerDeck(deck)) return;
  PlayAfterLoading[deck].store(value > 0 ? 1 : 0);
  TZRListTrack row;
  TZRDatabaseTrack record;
  bool found = false;
  ZRActionControls& controls = actionControls();
  if (ZRList* list = controls.focusedList()) {
    const int cursor = list->getMainCursor();
    found = cursor >= 0 && cursor < list->getCount() && list->getRowDataFull(cursor, &row, &record);
  }
  if (!found) {
    if (ZRList* side = controls.sideList(); side != nullptr && side->getCount() > 0) {
      found = side->getRowDataFull(0, &row, &record);
    }
  }
  if (!found) return;
  FDeck_LoadFile(record.tags[kTagFileName], record.linkedFile, &record, deck, row.keyAdjust);
}

bool FDeck_LoadTrackId(int trackId, float keyAdjust, int deck) {
  if (deckAt(deck) == nullptr || !isPlayerDeck(deck)) return false;
  TZRDatabaseTrack record;
  if (!ZRDatabase::getInstance()->getTrackIdData(trackId, &record)) return false;
  FDeck_LoadFile(record.tags[kTagFileName], record.linkedFile, &record, deck, keyAdjust);
  return true;
}

void FDeck_Unload(int, int, int deck, ZRDrawNode*) {
  if (deckAt(deck) == nullptr || !isPlayerDeck(deck)) return;
  auto unload = [deck] {
    CSoundSource* d = deckAt(deck);
    if (d == nullptr) return;
    ZRCodecBase::OpenStruct request;
    request.path = ZRString(kUnloadPath);
    request.playAfterLoad = false;
    request.keyShift = 0;
    if (d->OpenFileName(&request, nullptr)) {
      resetHoldTimers(deck);
      resetPerformancePads(deck);
    }
    slow_reset_pitch[deck].store(0);
    // The record's texts are the deck's: its streaming thread still saves the record while it closes the
    // track, and empties them itself afterwards.
    resetTransport(deck, *d);
  };
  if (deckIsAudible(deck)) {
    askYesNo(languageText(txt_confirm_unload_deck), ZRString(), unload);
    return;
  }
  unload();
}

void FDeck_LoadNext(int, int, int deck) {
  if (deckAt(deck) == nullptr || !isPlayerDeck(deck)) return;
  ZRList* list = automixList();
  if (list == nullptr) return;
  const int count = list->getCount();
  if (count <= 0) return;
  int row = 0;
  if (settingOn("Random")) {
    row = std::clamp(static_cast<int>(std::floor(std::rand() / 2147483648.0 * count)), 0, count - 1);
  }
  TZRListTrack line;
  TZRDatabaseTrack record;
  if (!list->getRowDataFull(row, &line, &record)) return;
  // Only the row read above: when the list changed meanwhile nothing is loaded this time.
  if (!list->removeRowIfTrack(row, line.trackId, true)) return;
  FDeck_LoadFile(record.tags[kTagFileName], record.linkedFile, &record, deck, line.keyAdjust);
}

bool closeAllOpenedDecks(bool, bool onlyStreams) {
  ZRLOG(" - - - closeAllOpenedDecks - - - ");
  bool allClosed = true;
  for (int deck = 0; deck < 2; ++deck) {
    CSoundSource* d = deckAt(deck);
    if (d == nullptr) break;
    if (d->GetLength() <= 0 || (onlyStreams && !d->isStream())) continue;
    d->clearTrackClosed();
    ZRCodecBase::OpenStruct request;
    request.path = ZRString(kUnloadPath);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kCloseAllTimeoutMs);
    // A load still pending refuses the request; it is asked again until the deadline.
    bool accepted = d->OpenFileName(&request, nullptr);
    while (!accepted && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
      accepted = d->OpenFileName(&request, nullptr);
    }
    while (accepted && !(d->isTrackClosed() && d->GetLength() == 0) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (accepted && d->isTrackClosed() && d->GetLength() == 0) {
      ZRLOG("deck %d is closed", deck);
    } else {
      ZRLOG("deck %d did not close within %d ms", deck, kCloseAllTimeoutMs);
      allClosed = false;
    }
  }
  return allClosed;
}

bool DecksCallbackTrackPlayed(int, const ZRString& path) {
  ZRDatabase::getInstance()->updateTrack(path, -1.0f, -1, true, "", false, 0.0f, ZRString(), 0.0f);
  return true;
}

void setLinkVideoFiles(std::vector<ZRString> files) {
  std::lock_guard guard(linkVideoLock);
  linkVideoFiles = std::move(files);
  linkVideoFilesCursorPos = 0;
}

void linkVideoIfNeeded(const ZRString&, ZRString& videoPath, const TZRDatabaseTrack* record) {
  if (!settingOn("LinkVideoEnabled") || !videoPath.empty()) return;
  if (record != nullptr && record->mediaType != 0) return;
  std::lock_guard guard(linkVideoLock);
  if (linkVideoFiles.empty()) return;
  if (settingOn("LinkVideoRandom")) linkVideoFilesCursorPos = std::rand();
  linkVideoFilesCursorPos %= static_cast<int>(linkVideoFiles.size());
  videoPath = linkVideoFiles[linkVideoFilesCursorPos];
  ++linkVideoFilesCursorPos;
}
