#include "actions_dj/deck_display.h"

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/automix_actions.h"
#include "actions_dj/controller_notify.h"
#include "actions_dj/deck_loops.h"
#include "actions_dj/deck_tempo.h"
#include "actions_dj/mixer_actions.h"
#include "actions_dj/settings_mirrors.h"
#include "common/action_ids.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "database/zr_database.h"
#include "dsp/engine/sound_source.h"
#include "dsp/key_names.h"

int internal_afis_counter = 0;

namespace {

constexpr int kEventFileTooBig = 4096;
// A deck this close to its end goes back to its cue.
constexpr int kEndFrames = 43;

float timerSliderUpdateData[2] = {-1.0f, -1.0f};

void refreshOverview(int deck, CSoundSource& d) {
  d.StartUseDisplayData();
  actionControls().setData(ACT_deck_pos, deck, d.getDisplayArrayA(), d.getDisplayPointCount(),
                           d.getDisplayGain());
  d.StopUseDisplayData();
}

void applyAutoGain(int deck, CSoundSource& d, bool onLoad) {
  const TZRDatabaseTrack track = d.getCurrentTrack();
  if (!track.pgainValid || !settingOn("UseAutoGain")) {
    if (!onLoad) ZRLOG("autoGain NOT applied");
    return;
  }
  actionControls().setPos(ACT_deck_gain, deck, static_cast<int>(std::lround(10.0 * (track.pgain + 7.5))),
                          false);
  ZRLOG(onLoad ? "loaded autoGain = %f dB (applied %f dB)" : "autoGain = %f dB (applied %f dB)", track.pgain,
        track.pgain + 7.5);
}

void onLoaded(int deck, CSoundSource& d) {
  ZRActionControls& controls = actionControls();
  const ZRString artist = d.GetArtist(), title = d.GetTitle();
  ZRString song = artist.empty() ? title : title.empty() ? artist : artist + ZRString(" - ") + title;
  controls.setCaption(ACT_deck_songname, deck, song);
  controls.setCaption(ACT_deck_artistname, deck, artist);
  controls.setCaption(ACT_deck_titlename, deck, title);
  controls.setMax(ACT_deck_pos, deck, d.GetLength() / 100);
  d.SetCurrentCue(d.GetCurrentCue());
  applyAutoGain(deck, d, true);
  if (settingOn("RememberSongEq")) {
    float low = 0, mid = 0, high = 0, gain = 0;
    d.GetEqGainValues(low, mid, high, gain);
    controls.setPos(ACT_deck_eq_low, deck, deckEqPositionForGain(low), false);
    controls.setPos(ACT_deck_eq_mid, deck, deckEqPositionForGain(mid), false);
    controls.setPos(ACT_deck_eq_high, deck, deckEqPositionForGain(high), false);
  }
  // The controller rows keep 511 bytes; the table cuts longer texts.
  char utf8[2048];
  artist.toUTF8(utf8, sizeof utf8);
  notifyControllers("artist", deck, 0, 0.0, utf8);
  title.toUTF8(utf8, sizeof utf8);
  notifyControllers("title", deck, 0, 0.0, utf8);
  const TZRDatabaseTrack track = d.getCurrentTrack();
  controls.setArtwork(ACT_deck_wheel, deck, track.tags[kTagFileName], track.imgUrl);
  controls.setArtwork(ACT_img_album_art, deck, track.tags[kTagFileName], track.imgUrl);
  UpdatePitchKeyLabel(deck);
}

void onClosed(int deck, CSoundSource& d) {
  ZRActionControls& controls = actionControls();
  controls.setCaption(ACT_deck_artistname, deck, ZRString());
  const ZRString message = d.getLoadErrorText();
  const ZRString shown = message.empty() ? languageText(txt_file_not_loaded) : message;
  if (!message.empty()) d.clearLoadErrorText();
  controls.setCaption(ACT_deck_songname, deck, shown);
  controls.setCaption(ACT_deck_titlename, deck, shown);
  controls.setArtwork(ACT_deck_wheel, deck, ZRString(), ZRString());
  controls.setArtwork(ACT_img_album_art, deck, ZRString(), ZRString());
  notifyControllers("artist", deck, 0, 0.0, "");
  notifyControllers("title", deck, 0, 0.0, "");
}

void onAnalysed(int deck, CSoundSource& d) {
  applyAutoGain(deck, d, false);
  const TZRDatabaseTrack track = d.getCurrentTrack();
  // The track's own key, before any key shift.
  char key[32] = " ";
  getPitchKeyNameForUI(d.GetOriginalKeyIndex(), key, false, false);
  ZRDatabase::getInstance()->updateTrack(track.tags[kTagFileName], track.bpm, track.durationMs, false, key,
                                         track.pgainValid, track.pgain, ZRString(), 0.0f);
  UpdatePitchKeyLabel(deck);
  refreshOverview(deck, d);
  timerSliderUpdateData[deck] = -1.0f;
}

void handleEvent(int deck, CSoundSource& d, int event) {
  notifyControllers("justLoaded", deck, event);
  ZRActionControls& controls = actionControls();
  switch (event) {
    case CSoundSource::kEventLoadRequested:
      controls.setData(ACT_deck_pos, deck, nullptr, 0, 0.0f);
      controls.setArtwork(ACT_deck_wheel, deck, ZRString(), ZRString());
      controls.setArtwork(ACT_img_album_art, deck, ZRString(), ZRString());
      break;
    case CSoundSource::kEventTrackOpen:
      onLoaded(deck, d);
      break;
    case CSoundSource::kEventDeckEmpty:
      onClosed(deck, d);
      break;
    case CSoundSource::kEventBlockDecoded:
      if (timerSliderUpdateData[deck] < 0) timerSliderUpdateData[deck] = 0;
      break;
    case CSoundSource::kEventAnalysisFinished:
      onAnalysed(deck, d);
      break;
    case kEventFileTooBig: {
      const ZRString notLoaded = languageText(txt_file_not_loaded);
      controls.setCaption(ACT_deck_songname, deck, notLoaded);
      controls.setCaption(ACT_deck_titlename, deck, notLoaded);
      controls.setCaption(ACT_deck_artistname, deck, ZRString());
      showActionMessage(languageText(txt_file_too_big), ZRString());
      break;
    }
    case CSoundSource::kEventDownloadProgress: {
      char percent[16];
      std::snprintf(percent, sizeof percent, " %d%%",
                    static_cast<int>(std::lround(d.getBufferingProgress() * 100.0f)));
      const ZRString text = languageText(txt_loading1) + ZRString(percent);
      controls.setCaption(ACT_deck_songname, deck, text);
      controls.setCaption(ACT_deck_titlename, deck, text);
      break;
    }
    default:
      break;
  }
}

// The events of one tick in the order they happened: a load starts before it opens, blocks decode and the
// analysis ends after the open; of an open and an empty deck, the one that matches the deck's state now
// came last.
void handleEvents(int deck, CSoundSource& d, int events) {
  const bool holdsTrack = d.GetLength() > 0;
  const int openAndClose = holdsTrack ? CSoundSource::kEventDeckEmpty : CSoundSource::kEventTrackOpen;
  const int closeOrOpenLast = holdsTrack ? CSoundSource::kEventTrackOpen : CSoundSource::kEventDeckEmpty;
  const int order[] = {CSoundSource::kEventLoadRequested,
                       openAndClose,
                       closeOrOpenLast,
                       CSoundSource::kEventBlockDecoded,
                       CSoundSource::kEventAnalysing,
                       CSoundSource::kEventAnalysisFinished,
                       kEventFileTooBig,
                       CSoundSource::kEventDownloadProgress};
  for (int event : order) {
    if (events & event) handleEvent(deck, d, event);
  }
}

}  // namespace

void formatDeckTime(int frames, char* out) {
  if (frames < 0) {
    out[0] = '\0';
    return;
  }
  const int hundredths = frames / 441;
  std::snprintf(out, 32, "%02d:%02d.%d", hundredths / 6000, (hundredths / 100) % 60, (hundredths % 100) / 10);
}

void Afis_TIME(int deck, float dt) {
  CSoundSource* d = deckAt(deck);
  if (d == nullptr || !isPlayerDeck(deck)) return;
  ZRActionControls& controls = actionControls();
  const int length = d->GetLength();
  const int position = length > 0 ? d->GetCurrentPos() : 0;

  if (const int events = d->takePendingEvent()) handleEvents(deck, *d, events);
  if (d->takeLoopStateChanged()) UpdateLoopButtonsState(deck);
  if (timerSliderUpdateData[deck] >= 0) {
    timerSliderUpdateData[deck] += dt;
    if (timerSliderUpdateData[deck] >= 0.2f) {
      refreshOverview(deck, *d);
      timerSliderUpdateData[deck] = -1.0f;
    }
  }

  const int counter = internal_afis_counter;
  if (counter % 5 == deck % 2) {
    controls.setPos(ACT_deck_pos, deck, position / 100, false);
    double bpm;
    if (d->GetTimecodedVinylMode()) {
      double speed = std::fabs(d->GetCurrentSpeed());
      if (speed < 0.05) speed = 1.0;
      bpm = d->GetCurrentBPM() * speed;
    } else {
      bpm = d->GetCurrentBPM() * (1.0 - controls.getPos(ACT_deck_pitch, deck, 0) / 10000.0);
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", bpm);
    controls.setCaption(ACT_deck_bpm, deck, ZRString(text));
    controls.setProgress(ACT_deck_progress, deck,
                         length > 0 && position > 0 ? static_cast<float>(position) / length : 0.0f);
  }
  if (counter % 2 == deck % 2) {
    char elapsed[32], remained[32];
    formatDeckTime(position, elapsed);
    formatDeckTime(length - position, remained);
    const bool swap = cfg_elapsed_time_displays_remain.load() != 0;
    controls.setCaption(ACT_deck_elapsed, deck, ZRString(swap ? remained : elapsed));
    controls.setCaption(ACT_deck_remained, deck, ZRString(swap ? elapsed : remained));
    if (length > 0 && length - position <= kEndFrames) d->CUE();
  }
  if (counter % 2 != deck % 2) automixCheckDeckEnd(deck);
  // Under timecode control the pitch follows the record: its text is refreshed here.
  if (d->GetTimecodedVinylMode()) {
    char text[32];
    formatPitchText(d->GetPitch(), !controls.pitchWithoutPercent(), text);
    controls.setCaption(ACT_deck_pitch_tempo, deck, ZRString(text));
  }
}

void formatPitchText(int pitch, bool withPercent, char* out) {
  const int magnitude = std::abs(pitch);
  std::snprintf(out, 32, "%s%d.%02d%s", pitch < 0 ? "-" : "", magnitude / 100, magnitude % 100,
                withPercent ? "%" : "");
}

void FToggleTimeMode(int, int, int, ZRDrawNode*) {
  setSettingInt("RemainingTime", cfg_elapsed_time_displays_remain.load() ? 0 : 1);
}

void FDeck_SoundDisplayZoomLess(int, int, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck)) return;
  ZRActionControls& controls = actionControls();
  const int zoom = controls.getZoom(ACT_sd_deck, deck);
  if (zoom <= 0) return;
  controls.setZoom(ACT_sd_deck, deck, zoom > 16 ? 32 : zoom * 2);
}

void FDeck_SoundDisplayZoomMore(int, int, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck)) return;
  ZRActionControls& controls = actionControls();
  const int zoom = controls.getZoom(ACT_sd_deck, deck);
  if (zoom <= 0) return;
  controls.setZoom(ACT_sd_deck, deck, zoom < 4 ? 1 : zoom / 2);
}
