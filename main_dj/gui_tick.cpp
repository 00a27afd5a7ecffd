#include "main_dj/gui_tick.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>

#include "actions_dj/action_controls.h"
#include "actions_dj/background_tasks_status.h"
#include "actions_dj/deck_cues.h"
#include "actions_dj/deck_display.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_transport.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/settings_mirrors.h"
#include "actions_dj/track_info_panel.h"
#include "common/action_ids.h"
#include "common/zr_cpu_usage.h"
#include "common/zr_desktop.h"
#include "common/zr_global_task_dispatch.h"
#include "common/zr_preferences.h"
#include "controllers/zr_hardware_controller.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_sampler_player.h"
#include "dsp/engine/zr_simple_mix_zone.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_jog_wheel.h"
#include "gui_nodes/zr_node_play_live.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "gui_nodes/zr_node_text.h"
#include "gui_nodes/zr_node_vu_meter.h"
#include "main_dj/action_functions.h"
#include "main_dj/controller_notifications_poll.h"
#include "main_dj/default_content.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/karaoke_singers_output.h"
#include "main_dj/main_thread_messages.h"
#include "main_dj/overlay_actions.h"
#include "main_dj/shell_state.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_main_frame.h"
#include "main_dj/zr_midi_queue.h"
#include "soundio/zr_audio_multi_output.h"

std::atomic<float> addNewTracksTimer{-1.0f};

namespace {

// The tick's own state: only the render thread touches it.
struct TickState {
  float controllerTickTimer = 0;
  float controllersTimer = 0, samplersTimer = 0, batteryTimer = 0;
  int counterScreensaver = 0;
  bool sidelistSelectionButtonsSet = false;
  float spinnerAngle = 0;
  float fillerTimer = -1;
  bool fillerLastAnyDeckPlaying = false;
};
TickState tick;
ZRCpuUsage cpuUsage;

template <typename T>
T* node(ZRNodeManager* m, int action, int deck) {
  return engineNodeAs<T>(m, action, deck);
}

bool deckPlaying(CSoundSource* deck) {
  return deck != nullptr && deck->GetLength() > 0 && deck->IsPlaying();
}

// Step 7: the lists, once, half a second after start-up.
void initialiseListsOnce(ZRNodeManager* m, float dt) {
  float timer = addNewTracksTimer.load();
  if (timer < 0) return;
  timer += dt;
  if (timer <= 0.5f) {
    addNewTracksTimer.store(timer);
    return;
  }
  addNewTracksTimer.store(-1.0f);
  for (int action : {ACT_browser, ACT_playlist, ACT_sidelist}) {
    ZRDrawNode* n = engineNode(m, action, -1);
    if (n == nullptr || n->getIsShownAndTestParentsToo()) continue;
    if (auto* table = dynamic_cast<ZRNodePlaylist*>(n)) table->forceInitWhenNotVisible();
    if (auto* browser = dynamic_cast<ZRNodeBrowser*>(n)) browser->forceInitWhenNotVisible();
  }
  if (isFirstRun.load()) loadDefaultContent();
  auto* playlist = node<ZRNodePlaylist>(m, ACT_playlist, -1);
  ZRList* list = playlist != nullptr ? playlist->getList() : nullptr;
  if (list == nullptr || list->getCount() == 0) postMainThreadMessage(kAsyncAddDialog);
}

// Step 8: the side-list selection buttons, once the side list exists.
void sidelistSelectionButtons(ZRNodeManager* m) {
  if (tick.sidelistSelectionButtonsSet) return;
  auto* sidelist = node<ZRNodePlaylist>(m, ACT_sidelist, -1);
  if (sidelist == nullptr) return;
  tick.sidelistSelectionButtonsSet = true;
  ZRList* shown = sidelist->getList();
  auto* browser = node<ZRNodeBrowser>(m, ACT_browser, -1);
  ZRList* automix = browser != nullptr ? browser->getSpecialList(3) : nullptr;
  ZRList* rotation = browser != nullptr ? browser->getSpecialList(9) : nullptr;
  if (auto* b = node<ZRNodeButton>(m, ACT_sidelist_automix_list, -1))
    b->setMouseOverBlocked(shown == automix);
  if (auto* b = node<ZRNodeButton>(m, ACT_sidelist_rotation_list, -1))
    b->setMouseOverBlocked(shown == rotation);
}

void backgroundTasks(ZRNodeManager* m, float dt) {
  char remaining[64];
  if (takeBackgroundTasksMessage(remaining, sizeof remaining)) {
    actionControls().setCaption(ACT_background_tasks_remaining, -1, ZRString(remaining));
  }
  const bool spinning = backgroundTasksSpinnerShown();
  auto* spinner = node<ZRNodeBackImage>(m, ACT_img_background_tasks_spinner, -1);
  if (spinning) {
    tick.spinnerAngle += 55.0f * dt;
    if (tick.spinnerAngle > 360.0f) tick.spinnerAngle -= 360.0f;
    if (spinner != nullptr) spinner->rotation.store(tick.spinnerAngle);
  }
  if (spinner != nullptr) spinner->show(spinning, false);
  if (ZRDrawNode* text = engineNode(m, ACT_background_tasks_remaining, -1)) text->show(spinning, false);
}

void samplers(ZRNodeManager* m, float dt) {
  tick.samplersTimer += dt;
  if (tick.samplersTimer <= 0.066f) return;
  tick.samplersTimer -= 0.066f;
  for (int j = 0; j < 8; j++) {
    ZRSamplerPlayer* sampler = ZRSamplerPlayer::samplers[j].load();
    if (sampler == nullptr) continue;
    if (sampler->getRecordingTime() >= 10.0f) {
      if (auto* rec = node<ZRNodeButton>(m, ACT_sampler1_rec + j, -1)) rec->setSwitched(false, true);
    }
    const int length = sampler->GetLength();
    const int position =
        length < 1 ? 0 : static_cast<int>(std::lround(1000.0 * sampler->GetCurrentPos() / length));
    if (auto* pos = node<ZRNodeSliderKnob>(m, ACT_sampler1_pos + j, -1)) pos->SetPos(position, false);
  }
}

void trackMarkers(ZRNodeManager* m, int deck) {
  CSoundSource* source = decks[deck];
  auto* position = node<ZRNodeSliderKnob>(m, ACT_deck_pos, deck);
  if (source == nullptr || position == nullptr) return;
  TTrackMarker* markers = nullptr;
  int count = 0;
  source->GetTrackMarkers(&markers, count);
  if (auto* display = node<ZRNodeSoundDisplay>(m, ACT_sd_deck, deck)) {
    for (int i = 0; i < count; i++) {
      const ZRColorFloat* colour = nullptr;
      int style = 1;
      switch (markers[i].kind) {
        case 1:
        case 2:
          colour = &display->cursorColor;
          break;
        case 4:
          colour = &display->cueColor;
          break;
        case 8:
          colour = &display->cueColor;
          style = 2;
          break;
        case 16:
        case 32:
        case 64:
        case 128:
          colour = &display->loopColor;
          break;
        default:
          break;
      }
      if (colour == nullptr) continue;
      markers[i].r = colour->r;
      markers[i].g = colour->g;
      markers[i].b = colour->b;
      markers[i].a = colour->a;
      markers[i].penWidth = style;
    }
  }
  position->updateMarkersDisplayData(markers, count);
}

void counterSix(ZRNodeManager* m) {
  updateTrackInfoGraphics();
  char text[256];
  const time_t now = time(nullptr);
  struct tm local;
  localtime_r(&now, &local);
  if (strftime(text, sizeof text, "%I:%M%p", &local) == 0) text[0] = 0;
  actionControls().setCaption(ACT_time, -1, ZRString(text));
  const float recording = audioOutput != nullptr ? audioOutput->getRecordingTime() : 0.0f;
  if (recording > 0) {
    const int s = static_cast<int>(std::lround(recording));
    std::snprintf(text, sizeof text, "%02d:%02d", s / 60, s % 60);
  } else {
    text[0] = 0;
  }
  actionControls().setCaption(ACT_record_time, -1, ZRString(text));
  for (int deck = 0; deck < 2; deck++) {
    advanceHoldTimers(deck);
    trackMarkers(m, deck);
  }
}

// A slow pitch reset moves the pitch slider 10 units toward 0 per pass; once neither deck had to move, the
// pitch is reset. A deck whose slider reached the band waits for a pass in which deck 0 did not move.
void slowPitchReset(ZRNodeManager* m) {
  constexpr int kStep = 10;
  bool mayReset = true;
  for (int deck = 0; deck < 2; deck++) {
    if (slow_reset_pitch[deck].load() == 0) continue;
    if (auto* pitch = node<ZRNodeSliderKnob>(m, ACT_deck_pitch, deck)) {
      const int pos = pitch->GetPos();
      if (pos > kStep) {
        pitch->SetPos(pos - kStep, false);
        mayReset = false;
        continue;
      }
      if (pos < -kStep) {
        pitch->SetPos(pos + kStep, false);
        mayReset = false;
        continue;
      }
    }
    if (mayReset) {
      if (ZRActionCallback reset = actionFunction("FDeck_ResetPitch")) reset(0, 0, deck, nullptr);
    }
  }
}

// Every second tick: the filler's zone runs with twice the time, and the filler fades out while a deck
// plays and back in once none does.
void fillerFollowsDecks(float dt) {
  if (fillerPlayer == nullptr) return;
  fillerPlayer->AutoMixUpdate(2 * dt);
  if (!fillerPlayerOn.load()) {
    tick.fillerTimer = -1;
    tick.fillerLastAnyDeckPlaying = false;
    return;
  }
  const bool anyPlaying = deckPlaying(decks[0]) || deckPlaying(decks[1]);
  if (anyPlaying != tick.fillerLastAnyDeckPlaying) {
    tick.fillerLastAnyDeckPlaying = anyPlaying;
    tick.fillerTimer = 0;
  } else if (tick.fillerTimer < 0) {
    return;
  }
  tick.fillerTimer += 2 * dt;
  if (anyPlaying) {
    tick.fillerTimer = -1;
    fillerPlayer->fadeAndPlayPause(false);
  } else if (tick.fillerTimer >= 0.01f) {
    tick.fillerTimer = -1;
    fillerPlayer->fadeAndPlayPause(true);
  }
}

// The preview slider and button show the filler player while it is enabled, else the preview player.
void previewDisplay(ZRNodeManager* m) {
  auto* pos = node<ZRNodeSliderKnob>(m, ACT_preview, -1);
  auto* button = node<ZRNodeButton>(m, ACT_ss_preview, -1);
  int fillerEnabled = 0;
  if (preferences != nullptr) preferences->getValue("KSREnableFillerPlayer", fillerEnabled);
  if (fillerEnabled != 0 && fillerPlayer != nullptr) {
    if (pos != nullptr)
      pos->SetPos(static_cast<int>(std::lround(100.0 * fillerPlayer->getPosPercent())), false);
    if (button != nullptr) button->setSwitched(fillerPlayer->getPlaying() || fillerPlayerOn.load(), false);
  } else if (previewPlayer != nullptr) {
    if (pos != nullptr)
      pos->SetPos(static_cast<int>(std::lround(100.0 * previewPlayer->getPosPercent())), false);
    if (button != nullptr) button->setSwitched(previewPlayer->GetPlaying(), false);
  }
}

void meters(ZRNodeManager* m) {
  if (mixer == nullptr) return;
  float left = 0, right = 0;
  mixer->VUGetMasterRms(left, right);
  if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_masterl, -1)) v->setValueDB(left);
  if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_masterr, -1)) v->setValueDB(right);
  mixer->VUGetMicrophoneRms(left, right);
  if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_microphonel, -1)) v->setValueDB(left);
  if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_microphoner, -1)) v->setValueDB(right);
  if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_microphone, -1)) v->setValueDB(std::max(left, right));
  for (int deck = 0; deck < 2; deck++) {
    mixer->VUGetChannelRms(deck, left, right);
    if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_deck, deck)) v->setValueDB(std::max(left, right));
    if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_deckl, deck)) v->setValueDB(left);
    if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_deckr, deck)) v->setValueDB(right);
  }
}

}  // namespace

void resetGuiTickState() {
  tick = TickState();
  internal_afis_counter = 0;
  lastUpdatingGUICallback_dt.store(0.025f);
  addNewTracksTimer.store(-1.0f);
  resetHoldTimers(-1);
}

void runGuiTick(ZRNodeManager* m, float dt) {
  ZRGlobalTaskDispatch::getInstance()->syncQueueGUIThread();
  lastUpdatingGUICallback_dt.store(dt);
  processMidiQueue();
  if (m == nullptr) return;

  // The controller tick: every 20 ms at most, once per GUI tick (a late frame does not run a burst).
  tick.controllerTickTimer += dt;
  if (tick.controllerTickTimer > 0.02f) {
    tick.controllerTickTimer -= 0.02f;
    if (tick.controllerTickTimer > 0.02f) tick.controllerTickTimer = 0.0f;
    ZRHardwareController::SendTickToAll();
  }
  tick.controllersTimer += dt;
  if (tick.controllersTimer > 0.065f) {
    tick.controllersTimer -= 0.065f;
    HandleControllerNotifications(m);
  }
  initialiseListsOnce(m, dt);
  sidelistSelectionButtons(m);
  pollOverlayLayer();
  showKaraokeSingersListBetweenSongs();

  const int previous = internal_afis_counter++;
  if (previous >= 9) {
    internal_afis_counter = 0;
    float first = 0, load = 0;
    cpuUsage.getUsage(first, load);
    if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_cpu, -1)) v->setValue(load);
    if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_cpu2, -1)) v->setValue(load);
  }
  const int counter = internal_afis_counter;

  tick.batteryTimer += dt;
  if (tick.batteryTimer > 1.55f) {
    tick.batteryTimer -= 1.55f;
    float level = 0;
    cpuUsage.getBatteryLevel(level);
    if (auto* v = node<ZRNodeVUMeter>(m, ACT_vm_battery, -1)) v->setValue(level);
  }
  backgroundTasks(m, dt);

  for (int deck = 0; deck < 2; deck++) {
    CSoundSource* source = decks[deck];
    if (auto* wheel = node<ZRNodeJogWheel>(m, ACT_deck_wheel, deck)) {
      wheel->updatePos(source != nullptr ? source->GetCurrentPos() / 44100.0 : 0.0, 33);
    }
    if (auto* play = node<ZRNodePlayLive>(m, ACT_deck_playlive, deck)) play->updateState(deckPlaying(source));
  }
  Afis_TIME(0, dt);
  Afis_TIME(1, dt);
  samplers(m, dt);
  if (counter == 6) counterSix(m);
  if (counter == 7 && ++tick.counterScreensaver >= 41) {
    tick.counterScreensaver = 0;
    screenSaverHeartBeat();
  }
  if (counter == 2) slowPitchReset(m);
  if (counter % 2 == 0) fillerFollowsDecks(dt);
  if (counter == 0) previewDisplay(m);
  meters(m);
  FastSearchTick(0);
  FastSearchTick(1);
  for (int deck = 0; deck < 2; deck++) {
    CSoundSource* source = decks[deck];
    if (source == nullptr) continue;
    source->BendAndSearch_TimerFunction();
    const bool inSync = source->getIsAlwaysInSync();
    if (auto* b = node<ZRNodeButton>(m, ACT_deck_sync, deck)) b->setMouseOverBlocked(inSync);
    if (auto* b = node<ZRNodeButton>(m, ACT_deck_sync2, deck)) b->setMouseOverBlocked(inSync);
  }
  processAutoMix();
}

void updatingGUICallback(float dt) {
  runGuiTick(shellNodeManager(), dt);
}
