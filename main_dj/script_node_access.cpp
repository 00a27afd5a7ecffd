#include "main_dj/script_node_access.h"

#include <cstring>

#include "actions_dj/controller_notify.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/action_vocabulary.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_grid.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "main_dj/action_functions.h"
#include "main_dj/bpm_editor_window.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/main_thread_messages.h"
#include "main_dj/shell_window.h"
#include "main_dj/zr_catch_events_dialog.h"

namespace {

CSoundSource* deckOf(int deck) {
  return deck == 0 || deck == 1 ? decks[deck] : nullptr;
}

ZRDrawNode* focusNode() {
  ZRNodeManager* m = shellNodeManager();
  return m != nullptr ? m->getKBFocusNode() : nullptr;
}

void focusTo(ZRDrawNode* node) {
  ZRNodeManager* m = shellNodeManager();
  if (m != nullptr && node != nullptr) m->changeKBFocusToNode(node);
}

void noteBrowsing() {
  notifyControllers("lbBrowsing", -1, 1);
}

// A node of a script's id: deck -2 or below the skin-script node numbered id, else the engine node.
ZRDrawNode* scriptNode(int deck, int id) {
  ZRNodeManager* m = shellNodeManager();
  if (m == nullptr || id < 0) return nullptr;
  if (deck <= -2) return m->getExtraNode(ZRString(), id);
  if (id >= CACTION_NODE_STRIDE) return nullptr;
  return engineNode(m, id, deck);
}

// An action function of the sampler actions for slot (1..8), called as its button would call it.
void samplerAction(const char* function, int slot, int value) {
  if (slot < 1 || slot > 8) return;
  if (ZRActionCallback fn = actionFunction(function)) {
    fn(value, slot - 1, -1, engineNode(ACT_sampler1_play + slot - 1, -1));
  }
}

void sendControlChange(ZRDrawNode* node, int value, int deck) {
  node->executeActionInternal(ZRNodeEventMidi, 0xB0, 0, 0, ZRButtonNone, -1, 0, -1, -1, value, L' ', deck);
}

}  // namespace

void controllerCallFunctionCallback(int type, int action, int deck, int value, int /*extra*/) {
  switch (type) {
    case 1:
      utilFunc_PressButton(action, deck, value, false);
      break;
    case 2:
      utilFunc_PressButton(action, deck, -1, false);
      break;
    case 3:
      if (auto* button = engineNodeAs<ZRNodeButton>(action, deck)) button->setSwitched(value != 0, true);
      break;
    case 4:
      if (ZRDrawNode* node = engineNode(action, deck)) sendControlChange(node, value, deck);
      break;
    case 5:
      ZRLOG("TODO: IMPLEMENT ME");
      break;
    default:
      break;
  }
}

int callNode_impl(const char* name, int deck, const char* command, int first, int second, int third,
                  const char* /*text*/) {
  ZRNodeManager* m = shellNodeManager();
  if (name == nullptr || m == nullptr) return -1;
  if (std::strcmp(name, "skinChange") == 0) {
    requestSkinChange(command != nullptr ? command : "");
    return -1;
  }
  ZRDrawNode* node = nullptr;
  if (deck <= -2) {
    node = m->getExtraNode(ZRString(name), -1);
  } else {
    node = engineNode(m, GetActionIndex(name), deck);
  }
  if (node == nullptr || command == nullptr) return -1;
  if (std::strcmp(command, "buttonSetOver") == 0) {
    if (auto* b = dynamic_cast<ZRNodeButton*>(node)) b->setMouseOverBlocked(first != 0);
  } else if (std::strcmp(command, "buttonSetSwitch") == 0) {
    if (auto* b = dynamic_cast<ZRNodeButton*>(node)) b->setSwitched(first != 0, true);
  } else if (std::strcmp(command, "gridCellClick") == 0) {
    if (auto* g = dynamic_cast<ZRNodeGrid*>(node)) g->clickOnCell(first, second);
  } else if (std::strcmp(command, "gridCellSelect") == 0) {
    if (auto* g = dynamic_cast<ZRNodeGrid*>(node)) g->setCell(first, second, third != 0, false);
  }
  return -1;
}

void callDj_MoveLBCursorInc(int delta, int, int) {
  auto* playlist = engineNodeAs<ZRNodePlaylist>(ACT_playlist, -1);
  auto* browser = engineNodeAs<ZRNodeBrowser>(ACT_browser, -1);
  if (playlist == nullptr || browser == nullptr) return;
  auto* sidelist = engineNodeAs<ZRNodePlaylist>(ACT_sidelist, -1);
  ZRDrawNode* focus = focusNode();
  if (sidelist != nullptr && focus == sidelist) {
    sidelist->moveCursor(delta);
    focusTo(sidelist);
  } else if (focus == browser) {
    browser->moveCursor(delta);
    focusTo(browser);
  } else {
    playlist->moveCursor(delta);
    focusTo(playlist);
  }
  noteBrowsing();
}

void callDj_LBBrowserSelect(int, int, int) {
  ZRDrawNode* browser = engineNode(ACT_browser, -1);
  if (engineNode(ACT_playlist, -1) == nullptr || browser == nullptr) return;
  focusTo(browser);
  noteBrowsing();
}

void callDj_LBListSelect(int, int, int) {
  ZRDrawNode* playlist = engineNode(ACT_playlist, -1);
  ZRDrawNode* browser = engineNode(ACT_browser, -1);
  if (playlist == nullptr || browser == nullptr) return;
  ZRDrawNode* sidelist = engineNode(ACT_sidelist, -1);
  ZRDrawNode* focus = focusNode();
  focusTo(focus == browser || (focus != nullptr && focus == sidelist) ? playlist : sidelist);
  noteBrowsing();
}

void callDj_LBToggleSelect(int, int, int) {
  ZRDrawNode* playlist = engineNode(ACT_playlist, -1);
  ZRDrawNode* sidelist = engineNode(ACT_sidelist, -1);
  ZRDrawNode* browser = engineNode(ACT_browser, -1);
  ZRDrawNode* focus = focusNode();
  if (focus != nullptr && focus == sidelist) {
    focusTo(browser);
  } else if (focus != nullptr && focus == browser) {
    focusTo(playlist);
  } else {
    focusTo(sidelist);
  }
  noteBrowsing();
}

void callDj_DeckLBLoad(int, int param, int deck) {
  auto* browser = engineNodeAs<ZRNodeBrowser>(ACT_browser, -1);
  if (browser == nullptr) return;
  if (focusNode() == browser) {
    browser->expandAtCursor();
    noteBrowsing();
    return;
  }
  if (deck != 0 && deck != 1) return;
  if (ZRActionCallback load = actionFunction("FDeck_LoadFromCursor")) load(-1, param, deck, nullptr);
}

void callDj_Hide(int deck, int id, int) {
  if (ZRDrawNode* node = scriptNode(deck, id)) node->show(false, false);
}

void callDj_Show(int deck, int id, int) {
  if (ZRDrawNode* node = scriptNode(deck, id)) node->show(true, false);
}

void callDj_DeckSearchJW(int value, int param, int deck) {
  if (CSoundSource* d = deckOf(deck)) d->SearchJogWheelMove(value, param);
}

void callDj_DeckScratchJW(int value, int param, int deck) {
  if (CSoundSource* d = deckOf(deck)) d->ScratchJogWheelMove(value, -100, -1, 1, param);
}

void callDj_DeckJogWheelMove(int value, int param, int deck) {
  if (CSoundSource* d = deckOf(deck)) d->ScratchJogWheelMove(value, -100, -1, 0, param);
}

void callDj_DeckJogWheelHold(int value, int, int deck) {
  if (CSoundSource* d = deckOf(deck)) d->ScratchJogWheelHold(value);
}

void callDj_DeckIncPitch(int value, int, int deck) {
  if (auto* pitch = engineNodeAs<ZRNodeSliderKnob>(ACT_deck_pitch, deck))
    pitch->SetPos(pitch->GetPos() - 5 * value, false);
}

void callDj_SamplerPlay(int slot, int, int) {
  samplerAction("OnButtonPress_SamplerPlay", slot, -1);
}
void callDj_SamplerStop(int slot, int, int) {
  samplerAction("OnButtonPress_SamplerStop", slot, -1);
}
void callDj_SamplerInstant(int slot, int pressed, int deck) {
  if (pressed != 0) {
    callDj_SamplerPlay(slot, 0, deck);
  } else {
    callDj_SamplerStop(slot, 0, deck);
  }
}

void callDj_SamplerVolume(int slot, int value, int) {
  if (slot < 1 || slot > 8) return;
  if (auto* volume = engineNodeAs<ZRNodeSliderKnob>(ACT_sampler1_vol + slot - 1, -1))
    volume->SetPos(value, true);
}

// Scripts run on the render thread; the tempo editor is a window, so both calls do their work on the main
// thread. With the editor open a press (64 or more) closes it, or confirms and closes it; a release does
// nothing. Without it both press the deck's BPM button, which opens the editor.
void callDj_DeckEditBpm(int value, int, int deck) {
  onMainThreadNowOrLater("deckEditBpm", [value, deck] {
    if (EditBPMWindow_dialog == nullptr) {
      utilFunc_PressButton(ACT_deck_edit_bpm, deck, value, false);
    } else if (value >= 64) {
      EditBPMWindow_dialog->Close(false);
    }
  });
}
void callDj_DeckSaveBpm(int value, int, int deck) {
  onMainThreadNowOrLater("deckSaveBpm", [value, deck] {
    if (EditBPMWindow_dialog == nullptr) {
      utilFunc_PressButton(ACT_deck_edit_bpm, deck, value, false);
    } else if (value >= 64) {
      EditBPMWindow_SaveAndClose();
    }
  });
}

void callDj_DeckTapBpm(int value, int, int deck) {
  if (deck != 0 && deck != 1) return;
  execute__callDj_DeckTapBpm_param.store(value);
  execute__callDj_DeckTapBpm_deck.store(deck);
  postMainThreadMessage(kAsyncTapTempo);
}

void callDj_RecordingAudio(int value, int, int) {
  if (value == 0) postMainThreadMessage(kAsyncRecordingToggle);
}

void callDj_DeckLoopNormal64ths(int value, int, int deck) {
  CSoundSource* d = deckOf(deck);
  if (d == nullptr) return;
  if (value <= 0) {
    d->ExitLoop(0);
  } else {
    d->DoLoopFixed(value, true);
  }
}

void callDj_DeckLoopInstant64ths(int value, int, int deck) {
  CSoundSource* d = deckOf(deck);
  if (d == nullptr) return;
  if (value <= 0) {
    d->ExitLoop(1);
  } else {
    d->DoInstantLoopFixed(value);
  }
}

void callDj_SetPitchRange(int value, int, int) {
  if (preferences != nullptr)
    preferences->setValue("PitchRange", value, 0, ZRPreferences::NotificationProgram);
}

void callDj_DeckCFAssign(int type, int, int deck) {
  if (type < 0 || type > 2 || (deck != 0 && deck != 1) || mixer == nullptr) return;
  const int side[3] = {0, -1, 1};
  mixer->SetCrossfaderChannel(side[type], deck);
}
