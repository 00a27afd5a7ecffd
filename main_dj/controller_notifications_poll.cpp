#include "main_dj/controller_notifications_poll.h"

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "actions_dj/controller_notify.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_sampler_player.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/shell_window.h"

namespace {

std::atomic<ZRNotificationPusher> pusher{nullptr};

int blinkSlow = 1, blinkFast = 1;
int loopBlink[2] = {0, 0};

// A positive count grows, a negative one falls; past its limit it turns over.
void stepBlink(int& count, int onLimit, int offLimit) {
  count += count > 0 ? 1 : -1;
  if (count > onLimit) count = -1;
  if (count <= -offLimit) count = 1;
}

void row(const char* name, int deck, int value, double number = 0.0) {
  notifyControllers(name, deck, value, number);
}

bool switched(ZRNodeManager* m, int action, int deck) {
  auto* b = engineNodeAs<ZRNodeButton>(m, action, deck);
  return b != nullptr && b->getSwitched();
}

// "%02d:%02d.%d" of frames at 44100 Hz; "-" below one frame.
void timeText(int frames, char* out, size_t size) {
  if (frames < 1) {
    std::snprintf(out, size, "-");
    return;
  }
  const int tenths = static_cast<int>(frames / 4410LL);
  std::snprintf(out, size, "%02d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
}

// The number 1..max right after prefix (nothing else after it), else 0.
int numberAfter(const char* name, const char* prefix, int max) {
  const size_t n = std::strlen(prefix);
  if (std::strncmp(name, prefix, n) != 0 || name[n] < '1' || name[n] > '9') return 0;
  char* end = nullptr;
  const long v = std::strtol(name + n, &end, 10);
  return *end == 0 && v >= 1 && v <= max ? static_cast<int>(v) : 0;
}

void setLabel(ZRNodeManager* m, int action, int deck, const char* text) {
  if (auto* t = engineNodeAs<ZRNodeText>(m, action, deck)) t->setCaption(ZRString(text));
}

void deckRows(ZRNodeManager* m, int deck) {
  CSoundSource* d = decks[deck];
  row("keyLock", deck, switched(m, ACT_deck_key_lock, deck));
  auto* pitch = engineNodeAs<ZRNodeSliderKnob>(m, ACT_deck_pitch, deck);
  row("pitchIs0", deck, pitch != nullptr && pitch->GetPos() == 0);
  row("monitor", deck, switched(m, ACT_deck_monitor, deck));
  if (d == nullptr) return;
  const TLoopInfo loop = d->GetLoopInfo();
  row("loopSize", deck, d->GetLoopSizeIn64Divisions());
  row("looping", deck, loop.active);
  row("loopIn", deck, loop.inMarked);
  char name[16];
  for (int cue = 1; cue <= 16; cue++) {
    std::snprintf(name, sizeof name, "cuepos%d", cue);
    row(name, deck, d->getCuePos(cue - 1));
  }
  row("cueposin", deck, d->GetMixInCue());
  row("cueposout", deck, d->GetMixOutCue());
  for (int slot = 1; slot <= 8; slot++) {
    std::snprintf(name, sizeof name, "looppos%d", slot);
    row(name, deck, std::max(0, d->GetLoopNoStart(slot - 1)));
  }
  const bool loaded = d->GetLength() > 0;
  row("play", deck, d->IsPlaying() && loaded ? 1 : loaded && blinkSlow > 0 ? 1 : 0);
  const int cue = d->getCuePos(-1);
  const bool onCue = !d->IsPlaying() && std::abs(d->GetCurrentPos() - cue) <= 441;
  row("cue", deck, onCue ? 1 : d->GetCanSetCuePointNow() && blinkSlow > 0 ? 1 : 0);
  int blink = 0;
  if (loop.active) {
    loopBlink[deck] = 0;
    blink = 1;
  } else if (loop.inMarked) {
    if (loopBlink[deck] == 0) loopBlink[deck] = 1;
    stepBlink(loopBlink[deck], 3, 4);
    blink = loopBlink[deck] > 0;
  } else {
    loopBlink[deck] = 0;
  }
  row("loopBlink", deck, blink);
}

}  // namespace

void setControllerNotificationPusher(ZRNotificationPusher p) {
  pusher.store(p);
}

int notificationBlinkSlow() {
  return blinkSlow;
}
int notificationBlinkFast() {
  return blinkFast;
}
void resetNotificationBlinks() {
  blinkSlow = blinkFast = 1;
  loopBlink[0] = loopBlink[1] = 0;
}

void HandleControllerNotifications(ZRNodeManager* m) {
  stepBlink(blinkSlow, 7, 8);
  stepBlink(blinkFast, 3, 4);
  row("recording", -1, switched(m, ACT_recording, -1));
  row("random", -1, switched(m, ACT_random, -1));
  ZRDrawNode* focus = m != nullptr ? m->getKBFocusNode() : nullptr;
  int lbMode = 0;
  if (focus != nullptr && focus == engineNode(m, ACT_sidelist, -1)) lbMode = 2;
  if (focus != nullptr && focus == engineNode(m, ACT_browser, -1)) lbMode = 1;
  row("lbMode", -1, lbMode);
  char name[24];
  for (int n = 1; n <= 8; n++) {
    ZRSamplerPlayer* sampler = ZRSamplerPlayer::samplers[n - 1].load();
    const bool loaded = sampler != nullptr && sampler->IsOpen();
    const bool playing = loaded && sampler->GetPlaying() != 0;
    std::snprintf(name, sizeof name, "sampler%d", n);
    row(name, -1, loaded, playing ? 1.0 : 0.0);
    std::snprintf(name, sizeof name, "samplerBlink%d", n);
    row(name, -1, !loaded ? 0 : !playing ? 1 : blinkFast > 0);
  }
  for (int deck = 0; deck < 2; deck++) deckRows(m, deck);
  if (ZRNotificationPusher p = pusher.load()) p();
}

void MainNotification(const char* name, int deck, int value, double number, const char* /*text*/) {
  MainNotification(shellNodeManager(), name, deck, value, number);
}

void MainNotification(ZRNodeManager* m, const char* name, int deck, int value, double number) {
  if (name == nullptr) return;
  const struct {
    const char* name;
    int action;
  } lit[] = {{"play", ACT_deck_play_pause}, {"cue", ACT_deck_cue}, {"pitchIs0", ACT_deck_reset_pitch}};
  for (const auto& l : lit) {
    if (std::strcmp(name, l.name) == 0) {
      if (auto* b = engineNodeAs<ZRNodeButton>(m, l.action, deck)) b->setMouseOverBlocked(value != 0);
      return;
    }
  }
  char text[32];
  if (const int slot = numberAfter(name, "looppos", 8)) {
    if (deck < 0 || deck > 1) return;
    timeText(value, text, sizeof text);
    setLabel(m, ACT_deck_loop1_label + slot - 1, deck, text);
    if (auto* b = engineNodeAs<ZRNodeButton>(m, ACT_deck_loop1 + slot - 1, deck))
      b->setMouseOverBlocked(value >= 0);
    return;
  }
  if (std::strncmp(name, "cuepos", 6) == 0) {
    if (deck < 0 || deck > 1) return;
    int label = 0;
    if (std::strcmp(name, "cueposin") == 0) label = ACT_deck_cue_in_label;
    if (std::strcmp(name, "cueposout") == 0) label = ACT_deck_cue_out_label;
    if (const int cue = numberAfter(name, "cuepos", 10)) label = ACT_deck_cue1_label + cue - 1;
    if (label == 0) return;
    timeText(value, text, sizeof text);
    setLabel(m, label, deck, text);
    return;
  }
  if (const int slot = numberAfter(name, "sampler", 8)) {
    if (auto* b = engineNodeAs<ZRNodeButton>(m, ACT_sampler1_play + slot - 1, -1))
      b->setMouseOverBlocked(number > 0);
  }
}
