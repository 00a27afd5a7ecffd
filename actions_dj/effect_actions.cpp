#include "actions_dj/effect_actions.h"

#include <atomic>
#include <cmath>
#include <cstdio>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/controller_notify.h"
#include "common/action_ids.h"
#include "dsp/engine/zr_mixer_channel.h"

const ZRInternalFx internalFx[kInternalFxCount] = {
#define ORVEL_FX(name, p1, p2, slot, key, button)                                        \
  {                                                                                      \
    name, p1, p2, slot, key, ACT_##button, ACT_##button##_drywet, ACT_##button##_param1, \
        ACT_##button##_param2, ACT_##button##_drywet_val, ACT_##button##_param1_val,     \
        ACT_##button##_param2_val                                                        \
  }
    ORVEL_FX("LP Cutoff", "Resonance", "-", 17, "fxCutoffLP", deck_fx_cutofflp),
    ORVEL_FX("HP Cutoff", "Resonance", "-", 18, "fxCutoffHP", deck_fx_cutoffhp),
    ORVEL_FX("Flanger", "Speed", "Feed", 4, "fxFlanger", deck_fx_flanger),
    ORVEL_FX("Echo", "Speed", "Feed", 9, "fxEcho", deck_fx_echo),
    ORVEL_FX("Beat Waw", "Speed", "-", 0, "fxBeatwaw", deck_fx_beatwaw),
    ORVEL_FX("Reverb", "Size", "Feed", 8, "fxReverb", deck_fx_reverb),
    ORVEL_FX("Bit Crusher", "-", "-", 15, "fxBitCrusher", deck_fx_bitcrusher),
    ORVEL_FX("Autopan", "Speed", "-", 1, "fxPan", deck_fx_pan),
    ORVEL_FX("Robot Delay", "Rate", "-", 7, "fxDelay", deck_fx_delay),
    ORVEL_FX("Tremolo", "Speed", "Feed", 6, "fxTremolo", deck_fx_tremolo),
#undef ORVEL_FX
};

namespace {

constexpr int kDecks = 8;  // entries reserved per slot; decks 0 and 1 are used
constexpr int kInitialSlotRow[2] = {2, 3};
constexpr int kInitialPadRow[2] = {2, 0};
constexpr int kSliderMax = 1000;

std::atomic<int> currentFxBank[2][kDecks];
std::atomic<int> lastFxBank[2][kDecks];
std::atomic<int> fxSelected[2][kDecks];  // [0] X axis, [1] Y axis

struct SlotControls {
  int chooser, prev, next, toggle, dryWet, param1, param2, label, dryWetLabel, param1Label, param2Label,
      dryWetValue, param1Value, param2Value, chooseP1, chooseP2;
};
constexpr SlotControls kSlots[2] = {
    {ACT_deck_fx1_choose_fx, ACT_deck_fx1_prev, ACT_deck_fx1_next, ACT_deck_fx1_toggle, ACT_deck_fx1_drywet,
     ACT_deck_fx1_param1, ACT_deck_fx1_param2, ACT_deck_fx1_label, ACT_deck_fx1_drywet_label,
     ACT_deck_fx1_param1_label, ACT_deck_fx1_param2_label, ACT_deck_fx1_drywet_val, ACT_deck_fx1_param1_val,
     ACT_deck_fx1_param2_val, ACT_deck_fx1_choose_p1, ACT_deck_fx1_choose_p2},
    {ACT_deck_fx2_choose_fx, ACT_deck_fx2_prev, ACT_deck_fx2_next, ACT_deck_fx2_toggle, ACT_deck_fx2_drywet,
     ACT_deck_fx2_param1, ACT_deck_fx2_param2, ACT_deck_fx2_label, ACT_deck_fx2_drywet_label,
     ACT_deck_fx2_param1_label, ACT_deck_fx2_param2_label, ACT_deck_fx2_drywet_val, ACT_deck_fx2_param1_val,
     ACT_deck_fx2_param2_val, ACT_deck_fx2_choose_p1, ACT_deck_fx2_choose_p2},
};
constexpr int kPadChooser[2] = {ACT_deck_padfx_choose_px, ACT_deck_padfx_choose_py};

const char kFxTabMessage[] = "Please change to the default skin (user interface) if you need FX access";
const char kSamplerTabMessage[] =
    "Please change to the default skin (user interface) if you need Sampler access";

bool validUnit(int unit) {
  return unit == 0 || unit == 1;
}
bool validRow(int row) {
  return row >= 0 && row < kInternalFxCount;
}

// The row and channel an effect action addresses; false when either does not exist.
bool addressed(int slot, int deck, const ZRInternalFx*& fx, ZRMixerChannel*& channel) {
  const int row = internalFxRowForSlot(slot);
  channel = deckChannelAt(deck);
  if (row < 0 || channel == nullptr) return false;
  fx = &internalFx[row];
  return true;
}

void showPercent(int action, int deck, int value) {
  char text[16];
  formatFxPercent(value, text, sizeof text);
  actionControls().setCaption(action, deck, ZRString(text));
}

void refreshBothSlots(int deck) {
  updateToggleEffectsControlsForBank(0, deck);
  updateToggleEffectsControlsForBank(1, deck);
}

// The chooser of a slot or pad axis steps one item; past either end it wraps, or stays when not wrapping.
// An empty chooser has nothing to step to.
void stepChooser(int action, int deck, int step, bool wrap) {
  ZRActionControls& controls = actionControls();
  const int count = controls.getItemCount(action, deck);
  if (count <= 0) return;
  int index = controls.getSelectedIndex(action, deck) + step;
  if (wrap) {
    index = ((index % count) + count) % count;
  } else if (index < 0 || index >= count) {
    return;
  }
  controls.selectIndex(action, deck, index, true);
}

// The pad's two effects on or off (when change), then their mixes.
void setXYeffect(int deck, bool change, int on, float x, float y) {
  ZRMixerChannel* channel = deckChannelAt(deck);
  if (channel == nullptr) return;
  const int rowX = fxSelected[0][deck].load(), rowY = fxSelected[1][deck].load();
  if (!validRow(rowX) || !validRow(rowY)) return;
  const int slotX = internalFx[rowX].slot, slotY = internalFx[rowY].slot;
  if (change) {
    channel->EnableFx(slotX, on, true);
    channel->EnableFx(slotY, on, true);
  }
  channel->SetFxDryWet(slotX, x);
  channel->SetFxDryWet(slotY, y);
}

void moveShownSlider(int unit, int deck, int value, int ZRInternalFx::*slider) {
  if (!validUnit(unit) || !isPlayerDeck(deck)) return;
  const int row = currentFxBank[unit][deck].load();
  if (!validRow(row)) return;
  const int controllerValue = static_cast<int>(std::lround(static_cast<double>(value) * 127.0 / kSliderMax));
  actionControls().moveAsController(internalFx[row].*slider, deck, controllerValue);
}

void fxTabMessage(const char* text) {
  ZRActionControls& controls = actionControls();
  for (int deck = 0; deck < 2; deck++) controls.setSwitched(ACT_fx_sel, deck, false, false);
  for (int action : {ACT_fx_mic_sel, ACT_fx_master_sel, ACT_fx_samples_sel}) {
    controls.setSwitched(action, -1, false, false);
  }
  showActionMessage(ZRString(text), ZRString("Info"));
}

struct SelectionStart {
  SelectionStart() { resetEffectSelection(); }
};
const SelectionStart selectionStart;

}  // namespace

int internalFxRowForSlot(int slot) {
  for (int row = 0; row < kInternalFxCount; row++) {
    if (internalFx[row].slot == slot) return row;
  }
  return -1;
}

int currentFxRow(int unit, int deck) {
  return validUnit(unit) && isPlayerDeck(deck) ? currentFxBank[unit][deck].load() : -1;
}

int padFxRow(int axis, int deck) {
  return validUnit(axis) && isPlayerDeck(deck) ? fxSelected[axis][deck].load() : -1;
}

void resetEffectSelection() {
  for (int unit = 0; unit < 2; unit++) {
    for (int deck = 0; deck < kDecks; deck++) {
      currentFxBank[unit][deck].store(kInitialSlotRow[unit]);
      lastFxBank[unit][deck].store(-1);
      fxSelected[unit][deck].store(kInitialPadRow[unit]);
    }
  }
}

void formatFxPercent(int value, char* out, int outSize) {
  std::snprintf(out, outSize, "%d%%", value / 10);
}

void FDeck_FX(int value, int slot, int deck, ZRDrawNode*) {
  const ZRInternalFx* fx;
  ZRMixerChannel* channel;
  if (!addressed(slot, deck, fx, channel)) return;
  channel->EnableFx(slot, value, true);
  notifyControllers(fx->key, deck, value);
  // The slider's change slot sets the mix and lights the button.
  actionControls().setPos(fx->dryWet, deck, value != 0 ? kSliderMax : 0, false);
  showPercent(fx->dryWetValue, deck, value != 0 ? kSliderMax : 0);
  refreshBothSlots(deck);
}

void FDeck_FX_DryWet(int value, int slot, int deck, ZRDrawNode*) {
  const ZRInternalFx* fx;
  ZRMixerChannel* channel;
  if (!addressed(slot, deck, fx, channel)) return;
  channel->SetFxDryWet(slot, static_cast<float>(value) / kSliderMax);
  notifyControllers(fx->key, deck, value > 0 ? 1 : 0);
  actionControls().setSwitched(fx->button, deck, value > 0, false);
  showPercent(fx->dryWetValue, deck, value);
  refreshBothSlots(deck);
}

void FDeck_FX_Param1(int value, int slot, int deck, ZRDrawNode*) {
  const ZRInternalFx* fx;
  ZRMixerChannel* channel;
  if (!addressed(slot, deck, fx, channel)) return;
  channel->SetFxParam1(slot, static_cast<float>(value) / kSliderMax);
  showPercent(fx->param1Value, deck, value);
  refreshBothSlots(deck);
}

void FDeck_FX_Param2(int value, int slot, int deck, ZRDrawNode*) {
  const ZRInternalFx* fx;
  ZRMixerChannel* channel;
  if (!addressed(slot, deck, fx, channel)) return;
  channel->SetFxParam2(slot, static_cast<float>(value) / kSliderMax);
  showPercent(fx->param2Value, deck, value);
  refreshBothSlots(deck);
}

void FAudioFX_OnChange(int value, int unit, int deck, ZRDrawNode*) {
  if (!validUnit(unit) || !isPlayerDeck(deck) || !validRow(value)) return;
  currentFxBank[unit][deck].store(value);
  updateToggleEffectsControlsForBank(unit, deck);
}

void OnButtonPress_DeckFX_Prev(int, int unit, int deck, ZRDrawNode*) {
  if (validUnit(unit) && isPlayerDeck(deck)) stepChooser(kSlots[unit].chooser, deck, -1, true);
}

void OnButtonPress_DeckFX_Next(int, int unit, int deck, ZRDrawNode*) {
  if (validUnit(unit) && isPlayerDeck(deck)) stepChooser(kSlots[unit].chooser, deck, 1, true);
}

void OnButtonPress_DeckFX_Toggle(int value, int unit, int deck, ZRDrawNode*) {
  if (!validUnit(unit) || !isPlayerDeck(deck)) return;
  actionControls().setPos(kSlots[unit].dryWet, deck, value != 0 ? kSliderMax : 0, true);
}

void OnSliderTrack_DeckFX_DryWet(int value, int unit, int deck, ZRDrawNode*) {
  moveShownSlider(unit, deck, value, &ZRInternalFx::dryWet);
}
void OnSliderTrack_DeckFX_Param1(int value, int unit, int deck, ZRDrawNode*) {
  moveShownSlider(unit, deck, value, &ZRInternalFx::param1);
}
void OnSliderTrack_DeckFX_Param2(int value, int unit, int deck, ZRDrawNode*) {
  moveShownSlider(unit, deck, value, &ZRInternalFx::param2);
}

void updateToggleEffectsControlsForBank(int unit, int deck) {
  if (!validUnit(unit) || !isPlayerDeck(deck)) return;
  const int row = currentFxBank[unit][deck].load();
  if (!validRow(row)) return;
  const ZRInternalFx& fx = internalFx[row];
  const SlotControls& s = kSlots[unit];
  ZRActionControls& controls = actionControls();
  const int dryWet = controls.getPos(fx.dryWet, deck, 0);
  controls.setSwitched(s.toggle, deck, dryWet > 0, false);
  // The slot's sliders only show the effect: their change slots are not bound, the track slots are.
  controls.setPos(s.dryWet, deck, dryWet, false);
  controls.setPos(s.param1, deck, controls.getPos(fx.param1, deck, 0), false);
  controls.setPos(s.param2, deck, controls.getPos(fx.param2, deck, 0), false);
  char text[16];
  formatFxPercent(dryWet, text, sizeof text);
  controls.setCaption(s.dryWetValue, deck, ZRString(text));
  formatFxPercent(controls.getPos(fx.param1, deck, 0), text, sizeof text);
  controls.setCaption(s.param1Value, deck, ZRString(text));
  formatFxPercent(controls.getPos(fx.param2, deck, 0), text, sizeof text);
  controls.setCaption(s.param2Value, deck, ZRString(text));
  if (lastFxBank[unit][deck].exchange(row) == row) return;
  controls.setCaption(s.dryWetLabel, deck, ZRString("dry-wet"));
  controls.setCaption(s.param1Label, deck, ZRString(fx.param1Name));
  controls.setCaption(s.param2Label, deck, ZRString(fx.param2Name));
  controls.setCaption(s.label, deck, ZRString(fx.name));
  controls.setItems(s.chooseP1, deck, {{ZRString(fx.param1Name), 0}});
  controls.selectIndex(s.chooseP1, deck, 0, true);
  controls.setItems(s.chooseP2, deck, {{ZRString(fx.param2Name), 0}});
  controls.selectIndex(s.chooseP2, deck, 0, true);
}

void FAudioPadFX_OnMove(int event, int x, int y, int, int, int deck, ZRDrawNode*) {
  if (!isPlayerDeck(deck)) return;
  const float fx = static_cast<float>(x) / kSliderMax, fy = static_cast<float>(y) / kSliderMax;
  if (event == 1) {
    setXYeffect(deck, true, 1, fx, fy);
  } else if (event == -1) {
    setXYeffect(deck, false, 1, fx, fy);
  } else if (event == 0) {
    setXYeffect(deck, true, 0, 0.0f, 0.0f);
  }
}

void FAudioPadFX_OnChange(int value, int axis, int deck, ZRDrawNode*) {
  if (!validUnit(axis) || !isPlayerDeck(deck) || !validRow(value)) return;
  if (fxSelected[axis][deck].load() == value) return;
  setXYeffect(deck, true, 0, 0.0f, 0.0f);
  fxSelected[axis][deck].store(value);
}

void OnButtonPress_DeckFXPrevX(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) stepChooser(kPadChooser[0], deck, -1, false);
}
void OnButtonPress_DeckFXNextX(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) stepChooser(kPadChooser[0], deck, 1, false);
}
void OnButtonPress_DeckFXPrevY(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) stepChooser(kPadChooser[1], deck, -1, false);
}
void OnButtonPress_DeckFXNextY(int, int, int deck, ZRDrawNode*) {
  if (isPlayerDeck(deck)) stepChooser(kPadChooser[1], deck, 1, false);
}

void FDeck_SelectFXtab(int, int, int, ZRDrawNode*) {
  fxTabMessage(kFxTabMessage);
}
void FMic_SelectFXtab(int, int, int, ZRDrawNode*) {
  fxTabMessage(kFxTabMessage);
}
void FMaster_SelectFXtab(int, int, int, ZRDrawNode*) {
  fxTabMessage(kFxTabMessage);
}
void FSamples_SelectTab(int, int, int, ZRDrawNode*) {
  fxTabMessage(kSamplerTabMessage);
}
void FDeck_AddFx(int, int, int, ZRDrawNode*) {
  showActionMessage(ZRString(kFxTabMessage), ZRString("Info"));
}
void FMic_AddFx(int, int, int, ZRDrawNode*) {
  showActionMessage(ZRString(kFxTabMessage), ZRString("Info"));
}
void FMaster_AddFx(int, int, int, ZRDrawNode*) {
  showActionMessage(ZRString(kFxTabMessage), ZRString("Info"));
}
