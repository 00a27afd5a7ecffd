#include "main_dj/action_bindings.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <string>

#include "actions_dj/dj_action_table.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/skin/zr_node_table_controls.h"
#include "common/action_vocabulary.h"
#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "gui/zr_node_manager.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_browser.h"
#include "gui_nodes/zr_node_button.h"
#include "gui_nodes/zr_node_drop_down.h"
#include "gui_nodes/zr_node_edit_text.h"
#include "gui_nodes/zr_node_jog_wheel.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_sound_display.h"
#include "gui_nodes/zr_node_text.h"
#include "gui_nodes/zr_node_xy_pad.h"
#include "main_dj/action_binding_check.h"
#include "main_dj/action_functions.h"
#include "main_dj/skin_choice.h"

void formatDeckLabel(const char* label, int deck, char* out, int outSize) {
  if (out == nullptr || outSize <= 0) return;
  const char letter = deck == 1 ? 'B' : 'A';
  int n = 0;
  for (const char* p = label != nullptr ? label : ""; *p != 0 && n < outSize - 1; p++) {
    if (p[0] == '%' && p[1] == 'c') {
      out[n++] = letter;
      p++;
    } else {
      out[n++] = *p;
    }
  }
  out[n] = 0;
}

namespace {

// Slot numbers shared by the classes whose first four slots are press, release, right press, right release
// (buttons, texts, play buttons, progress rings, videos, images, jog wheels).
constexpr int kPress = 0, kRelease = 1, kRightPress = 2, kRightRelease = 3;

// Binds into the nodes of one deck (0, 1) or the global nodes (-1).
class Binder {
 public:
  Binder(ZRNodeManager& manager, int deck) : m(manager), deck(deck) {}

  ZRDrawNode* node(const char* action) const { return m.getNode(action, deck); }
  template <typename T>
  T* as(const char* action) const {
    return dynamic_cast<T*>(node(action));
  }

  void slot(const char* action, int slot, const char* function) {
    if (ZRDrawNode* n = node(action)) {
      ZRActionCallback fn = actionFunction(function);
      if (fn == nullptr) return noteBindingFailure(function);
      n->setActionSlot(slot, fn);
      noteBinding(n, slot);
    }
  }
  void press(const char* a, const char* f) { slot(a, kPress, f); }
  void release(const char* a, const char* f) { slot(a, kRelease, f); }
  void rightPress(const char* a, const char* f) { slot(a, kRightPress, f); }
  void rightRelease(const char* a, const char* f) { slot(a, kRightRelease, f); }
  void pressBoth(const char* a, const char* f) {
    press(a, f);
    rightPress(a, f);
  }
  void releaseBoth(const char* a, const char* f) {
    release(a, f);
    rightRelease(a, f);
  }
  void pressRelease(const char* a, const char* onPress, const char* onRelease) {
    press(a, onPress);
    release(a, onRelease);
  }
  void change(const char* a, const char* f) { slot(a, ZRNodeSliderKnob::SlotChange, f); }
  void value(const char* a, const char* f) { slot(a, ZRNodeSliderKnob::SlotValue, f); }
  void afterChange(const char* a, const char* f) { slot(a, ZRNodeDropDown::SlotAfterChange, f); }

  void pointer(const char* action, int which, const char* function) {
    ZRDrawNode* n = node(action);
    if (n == nullptr) return;
    ZRPointerActionCallback fn = pointerActionFunction(function);
    if (fn == nullptr) return noteBindingFailure(function);
    if (auto* sd = dynamic_cast<ZRNodeSoundDisplay*>(n)) sd->setPointerSlot(which, fn);
    if (auto* pad = dynamic_cast<ZRNodeXYPad*>(n)) pad->setPointerSlot(which, fn);
    noteBinding(n, -1);
  }
  void jogMove(const char* action, const char* function) {
    if (auto* wheel = as<ZRNodeJogWheel>(action)) {
      ZRPointerActionCallback fn = pointerActionFunction(function);
      if (fn == nullptr) return noteBindingFailure(function);
      wheel->setMoveSlot(fn);
      noteBinding(wheel, -1);
    }
  }
  void splitter(const char* action, const char* function) {
    if (auto* image = as<ZRNodeBackImage>(action)) {
      ZRPointerActionCallback fn = pointerActionFunction(function);
      if (fn == nullptr) return noteBindingFailure(function);
      image->setSplitterDragSlot(fn);
      noteBinding(image, -1);
    }
  }
  void drop(const char* action, const char* function) {
    if (ZRDrawNode* n = node(action)) {
      ZRDropCallbackUser fn = dropActionFunction(function);
      if (fn == nullptr) return noteBindingFailure(function);
      n->setDropCallbackUser(fn);
      noteBinding(n, -1);
    }
  }

  void code(const char* a, int actionCode) {
    if (ZRDrawNode* n = node(a)) n->actionCode = actionCode;
  }
  void switchButton(const char* a) {
    if (auto* b = as<ZRNodeButton>(a)) b->setSwitchMode(true);
  }
  void switched(const char* a, bool on, bool notify) {
    view.setSwitched(GetActionIndex(a), deck, on, notify);
  }
  void range(const char* a, int min, int max) { view.setRange(GetActionIndex(a), deck, min, max); }
  void pos(const char* a, int v) { view.setPos(GetActionIndex(a), deck, v, false); }
  void rangePos(const char* a, int min, int max, int v) {
    if (auto* s = as<ZRNodeSliderKnob>(a)) s->setMinMaxPos(min, max, v, false);
  }
  void doubleClickResets(const char* a, int v) {
    if (auto* s = as<ZRNodeSliderKnob>(a)) s->setResetOnDoubleClick(true, v);
  }
  void caption(const char* a, const ZRString& text) { view.setCaption(GetActionIndex(a), deck, text); }
  void items(const char* a, const ZRString* texts, int count, int selected) {
    if (auto* d = as<ZRNodeDropDown>(a)) {
      for (int i = 0; i < count; i++) d->addItem(texts[i], nullptr);
      if (selected >= 0) d->setSelected(selected, true);
    }
  }
  void fxItems(const char* a) {
    if (auto* d = as<ZRNodeDropDown>(a)) {
      for (const ZRInternalFx& fx : internalFx) d->addItem(ZRString(fx.name), nullptr);
    }
  }
  void select(const char* a, int index) {
    if (auto* d = as<ZRNodeDropDown>(a)) d->setSelected(index, true);
  }

  ZRNodeManager& m;
  int deck;
  // The writes go through the same view the actions use, over this binding's manager (a skin being
  // bound is not necessarily the one the installed view shows yet).
  ZRNodeTableControls view{&m};
};

// The node slot a row of the action table fills: buttons (and the other classes sharing their first four
// slots) by press and release, sliders and knobs by change and track.
int nodeSlot(ZRDjSlot slot) {
  switch (slot) {
    case ZRDjSlot::Press:
      return kPress;
    case ZRDjSlot::Release:
      return kRelease;
    case ZRDjSlot::RightPress:
      return kRightPress;
    case ZRDjSlot::RightRelease:
      return kRightRelease;
    case ZRDjSlot::Change:
      return ZRNodeSliderKnob::SlotChange;
    case ZRDjSlot::Track:
      return ZRNodeSliderKnob::SlotValue;
    case ZRDjSlot::Select:
      return ZRNodeDropDown::SlotAfterChange;
  }
  return kPress;
}

// Every row of the action table into its nodes (both decks' for a deck action), with the row's param.
void bindTableRows(ZRNodeManager& manager) {
  int count = 0;
  const ZRDjActionBinding* rows = djActionBindings(count);
  for (int i = 0; i < count; i++) {
    const ZRDjActionBinding& row = rows[i];
    for (int deck = row.perDeck ? 0 : -1; deck <= (row.perDeck ? 1 : -1); deck++) {
      ZRDrawNode* n = manager.getNodeAt(row.action + CACTION_NODE_STRIDE * (deck + 1));
      if (n == nullptr) continue;
      const int slot = nodeSlot(row.slot);
      n->setActionSlot(slot, row.function);
      if (row.param != -1) n->actionCode = row.param;
      noteBinding(n, slot);
    }
  }
}

// A button whose every bound press and release slot is a placeholder does nothing yet: it must not light as
// a switch (nor stay lit) as if its action had run.
void placeholderButtonsShowNoState() {
  for (const ZRBindingRecord& record : bindingRecords()) {
    auto* button = dynamic_cast<ZRNodeButton*>(record.node);
    if (button == nullptr || record.slot < kPress || record.slot > kRightRelease) continue;
    bool anyBound = false, allPlaceholders = true;
    for (int slot = kPress; slot <= kRightRelease; slot++) {
      ZRActionCallback bound = button->getActionSlot(slot);
      if (bound == nullptr) continue;
      anyBound = true;
      allPlaceholders = allPlaceholders && isActionPlaceholder(bound);
    }
    if (!anyBound || !allPlaceholders) continue;
    button->setSwitchMode(false);
  }
}

// "name" + (n + 1) + suffix, e.g. numbered("deck_loop", 0, "_clear") = "deck_loop1_clear".
std::string numbered(const char* name, int n, const char* suffix = "") {
  return std::string(name) + std::to_string(n + 1) + suffix;
}

void stageADeck(Binder& b) {
  // Transport.
  b.switchButton("deck_kill_low");
  b.switchButton("deck_kill_mid");
  b.switchButton("deck_kill_high");
  b.switchButton("deck_reverse");
  b.switchButton("deck_brake");

  // The ten internal effects.
  for (const ZRInternalFx& fx : internalFx) {
    const char* button = CZRGETACTIONS[fx.button].name;
    b.switchButton(button);
    for (int slider : {fx.dryWet, fx.param1, fx.param2}) b.range(CZRGETACTIONS[slider].name, 0, 1000);
  }

  b.range("deck_volume", 0, 127);
  b.pos("deck_volume", 127);
  b.range("deck_gain", -120, 120);
  b.pos("deck_gain", 0);
  const char* loopLengths[] = {
      "deck_loop_sixteenth", "deck_loop_eighth", "deck_loop_quarter", "deck_loop_half", "deck_loop_1",
      "deck_loop_2",         "deck_loop_4",      "deck_loop_8",       "deck_loop_16",   "deck_loop_32"};
  // The lit loop-size button shows the active loop's size; the key-lock button the lock's state.
  for (const char* loop : loopLengths) b.switchButton(loop);
  b.switchButton("deck_key_lock");
  b.range("deck_pitch", -1600, 1600);
  if (ZRDrawNode* position = b.node("deck_pos")) {
    if (auto* s = dynamic_cast<ZRNodeSliderKnob*>(position)) s->setResetOnDoubleClick(false, 0);
    position->doubleClickAllowed = false;
  }
  b.range("deck_pitch_key", -48, 48);
  b.range("deck_eq_low", -120, 120);
  b.range("deck_eq_mid", -120, 120);
  b.range("deck_eq_high", -120, 120);
  b.range("deck_cutoff_filter", -64, 0);
  for (const char* target : {"deck_songname", "deck_artistname", "deck_titlename", "sd_deck"}) {
    b.drop(target, "FDeck_DropItem");
  }
  b.pointer("sd_deck", ZRNodeSoundDisplay::kPointerDragStart, "FDeck_Scratch_Begin");
  b.pointer("sd_deck", ZRNodeSoundDisplay::kPointerDragMove, "FDeck_Scratch_Move");
  if (auto* sd = b.as<ZRNodeSoundDisplay>("sd_deck")) sd->setZoom(8);
  b.drop("sd_deck_alt", "FDeck_DropItem");
  b.pointer("sd_deck_alt", ZRNodeSoundDisplay::kPointerDragStart, "FDeck_Scratch_Begin");
  b.pointer("sd_deck_alt", ZRNodeSoundDisplay::kPointerDragMove, "FDeck_Scratch_Move");
  if (auto* sd = b.as<ZRNodeSoundDisplay>("sd_deck_alt")) sd->setZoom(4);
  b.drop("deck_wheel", "FDeck_DropItem");
  b.jogMove("deck_wheel", "FDeck_Scratch_Move_Wheel");
  const ZRString dragHere = getTextName(txt_drag_file_here_to_load);
  b.caption("deck_songname", dragHere);
  b.caption("deck_artistname", ZRString());
  b.caption("deck_titlename", dragHere);
  b.drop("deck_pos", "FDeck_DropItem");
  b.drop("deck_video", "FDeck_DropItem");
  b.drop("deck_playlive", "FDeck_DropItem");
  if (auto* title = b.as<ZRNodeText>("deck_songname")) title->setAllowScrolling(true);
}

void stageAGlobal(Binder& g) {
  g.release("reload_skin", "reloadSkin");
  g.release("reload_midi", "reloadMidi");
  g.release("enable_video", "enableVideoWindow");
  g.release("enable_karaoke", "enableVideoWindow");
  g.release("video_preview", "enableVideoWindow");
  g.release("sidelist_automix_list", "FSidelistSwitchToAutomixList");
  g.release("sidelist_rotation_list", "FSidelistSwitchToRotationList");
  g.release("show_video_overlays", "showVideoOverlaysDialog");
  g.press("enable_video_overlays", "setVisibleVideoOverlays");
}

void stageAMixer(Binder& g) {
  g.caption("version", ZRString("v3.11.0.2"));
  g.range("mic_gain", -120, 120);
  g.pos("mic_gain", 0);
  g.range("master_balance", -64, 64);
  g.pos("master_balance", 0);
  g.range("master_mode", 0, 4);
  g.pos("master_mode", 0);
  g.range("master_karaoke_mode", -1, 1);
  g.pos("master_karaoke_mode", 0);
  for (const char* node : {"master_volume", "monitor_volume", "microphone_volume"}) {
    g.range(node, 0, 127);
    g.pos(node, 127);
  }
  g.range("filler_player_volume", 0, 127);
  g.pos("filler_player_volume", 127);
  g.range("master_gain", -120, 120);
  g.pos("master_gain", 0);
  for (const char* node : {"monitor_gain", "monitor_gain2"}) {
    g.range(node, -40, 0);
    g.pos(node, 0);
  }
  g.range("cf_curve", 0, 100);
  g.pos("cf_curve", 50);
  for (const char* node : {"crossfader", "cf_audio", "cf_video", "cf_video_alt"}) {
    g.range(node, 0, 127);
    g.pos(node, 63);
    g.doubleClickResets(node, 63);
  }
  g.range("cue_pgm_mix", 0, 127);
  g.range("mic_eq_low", -120, 120);
  g.range("mic_eq_mid", -120, 120);
  g.range("mic_eq_high", -120, 120);
  for (const char* node :
       {"phones_split", "talkover", "onair", "mic_kill_low", "mic_kill_mid", "mic_kill_high"}) {
    g.switchButton(node);
  }
  g.release("playlist_sel", "FSelectPlaylistTab");
}

void stageAApplication(Binder& g) {
  for (const auto& [node, function] :
       {std::pair{"minimize", "FMinimizeApp"}, std::pair{"minimize2", "FMinimizeApp"},
        std::pair{"maximize", "FMaximizeApp"}, std::pair{"maximize2", "FMaximizeApp"},
        std::pair{"close", "FCloseApp"}, std::pair{"close2", "FCloseApp"}, std::pair{"about", "FAboutApp"},
        std::pair{"about2", "FAboutApp"}, std::pair{"shuffle", "FShuffle"},
        std::pair{"list_sort", "FSortList"}, std::pair{"list_import", "FImportList"},
        std::pair{"list_export", "FExportListAsM3U"}, std::pair{"list_new", "FNewList"},
        std::pair{"list_delete", "FDeleteList"}, std::pair{"add", "FAddDialog"},
        std::pair{"add_dir", "FAddDir"}, std::pair{"clear", "FClearList"}}) {
    g.release(node, function);
  }
  g.switchButton("recording_audio");
  g.releaseBoth("cfg", "FCfgApp");
  g.releaseBoth("cfg2", "FCfgApp");
  g.releaseBoth("learn", "FLearnKeysMidi");
  if (ZRDrawNode* learn = g.node("learn")) learn->setCanUseLearn(false);
  g.press("remove", "FRemoveLine");
  g.press("drag_top", "FDragLineTop");
  g.press("drag_bottom", "FDragLineBottom");
  g.press("drag_up", "FDragLineUp");
  g.press("drag_down", "FDragLineDown");
  g.range("preview", 0, 100);
  g.pos("preview", 0);
  // The search field's text is set before its slots, so setting it reports nothing.
  if (auto* search = g.as<ZRNodeEditText>("et_search")) {
    search->setCaption(getTextName(txt_search_song_msg));
    g.slot("et_search", ZRNodeEditText::SlotTextEvents, "OnFunctionEditText_Search");
    if (ZREditKeyCallback keys = editKeyActionFunction("OnCharEditText_Search")) {
      search->setKeySlot(keys);
      noteBinding(search, -1);
    } else {
      noteBindingFailure("OnCharEditText_Search");
    }
  }
  g.press("search_stop", "FSearchStop");
  g.splitter("img_splitter_browser", "OnDragSplitterBrowser");
  g.splitter("img_splitter_list", "OnDragSplitterList");
}

// Captions and hints from the language tables. Element types without a node (drop zones, flows) are
// skipped by the table lookups themselves (no node).
void captionsAndHints(ZRNodeManager& manager) {
  for (int a = 1; a < CACTION_NODE_STRIDE; a++) {
    const ZRActionRow& row = CZRGETACTIONS[a];
    if (row.name == nullptr || row.name[0] == 0) continue;
    if (row.type == ELEMENT_dropzone || row.type == ELEMENT_flow) continue;
    const int firstDeck = row.global != 0 ? -1 : 0, lastDeck = row.global != 0 ? -1 : 1;
    for (int deck = firstDeck; deck <= lastDeck; deck++) {
      ZRDrawNode* node = manager.getNodeAt(a + CACTION_NODE_STRIDE * (deck + 1));
      if (node == nullptr) continue;
      if (row.type == ELEMENT_button) {
        if (auto* button = dynamic_cast<ZRNodeButton*>(node)) button->setCaption(getLabelName(a));
        node->setHintText(getHintName(a));
      } else if (row.type == ELEMENT_textarea && row.subtype == 1) {
        if (auto* text = dynamic_cast<ZRNodeText*>(node)) text->setCaption(getLabelName(a));
      } else {
        node->setHintText(getHintName(a));
      }
    }
  }
  const std::string label = getLabelName(ACT_label_deck).utf8();
  for (int deck = 0; deck < 2; deck++) {
    char text[512];
    formatDeckLabel(label.c_str(), deck, text, sizeof text);
    Binder(manager, deck).caption("label_deck", ZRString(text));
  }
}

void stageCDeck(Binder& b) {
  for (int n = 0; n < 10; n++) b.caption(numbered("deck_cue", n, "_label").c_str(), ZRString("-"));
  b.caption("deck_cue_in_label", ZRString("-"));
  b.caption("deck_cue_out_label", ZRString("-"));
  for (int n = 0; n < 8; n++) b.caption(numbered("deck_loop", n, "_label").c_str(), ZRString("-"));
  const ZRString sendTo[] = {getTextName(txt_send_loop_to), ZRString("Sampler 1"), ZRString("Sampler 2"),
                             ZRString("Sampler 3"),         ZRString("Sampler 4"), ZRString("Sampler 5"),
                             ZRString("Sampler 6"),         ZRString("Sampler 7"), ZRString("Sampler 8")};
  for (const char* node : {"dropdown_send_loop_to", "dropdown_send_loop_to2"}) {
    b.items(node, sendTo, 9, 0);
    b.afterChange(node, "FSendLoopToOnChange");
  }
  // The video effects come with video mixing; until then the list is empty.
  b.afterChange("dropdown_video_fx", "FVideoFXOnChange");
  if (auto* sd = b.as<ZRNodeSoundDisplay>("sd_deck")) sd->setCSoundSource(decks[b.deck]);
  if (auto* sd = b.as<ZRNodeSoundDisplay>("sd_deck_alt")) sd->setCSoundSource(decks[b.deck]);
  for (int which : {ZRNodeXYPad::SlotPress, ZRNodeXYPad::SlotRelease, ZRNodeXYPad::SlotMove}) {
    b.pointer("deck_padfx", which, "FAudioPadFX_OnMove");
  }
  b.drop("deck_padfx", "FDeck_DropItem");
  b.fxItems("deck_padfx_choose_px");
  b.fxItems("deck_padfx_choose_py");
  b.fxItems("deck_fx1_choose_fx");
  b.fxItems("deck_fx2_choose_fx");
  const ZRString internal("Internal FX");
  b.items("deck_padfx_choose_fx", &internal, 1, 0);
  b.select("deck_padfx_choose_px", 2);
  b.select("deck_padfx_choose_py", 0);
  // Effect unit 1 starts on Flanger, unit 2 on Echo: selecting them runs the units' set-up.
  const int firstEffect[2] = {2, 3};
  for (int unit = 0; unit < 2; unit++) {
    const std::string prefix = "deck_fx" + std::to_string(unit + 1);
    auto name = [&](const char* suffix) { return prefix + suffix; };
    for (const char* slider : {"_drywet", "_param1", "_param2"}) b.range(name(slider).c_str(), 0, 1000);
    b.select(name("_choose_fx").c_str(), firstEffect[unit]);
  }
  for (const ZRInternalFx& fx : internalFx) b.switched(CZRGETACTIONS[fx.button].name, false, true);
  for (const char* zero : {"deck_eq_low", "deck_eq_mid", "deck_eq_high", "deck_gain", "deck_cutoff_filter"}) {
    b.pos(zero, 0);
  }
}

void stageCGlobal(Binder& g) {
  // The video transitions and shaders come with video mixing; until then their lists are empty.
  g.afterChange("dropdown_video_transition", "FVideoTransitionOnChange");
  g.afterChange("dropdown_video_shader", "FVideoShaderOnChange");
  g.afterChange("dropdown_video_overlay", "FVideoOverlaysOnChange");
  g.release("list_tag_edit", "FEditFileInfo");
  g.release("show_info_window", "FShowInfoWindow");
  g.press("show_hints", "FShowHints");
  int showHints = 0;
  if (preferences != nullptr) preferences->getValue("ShowHints", showHints);
  g.switched("show_hints", showHints != 0, false);
  g.press("list_color_clear", "FSetHighlightColor");
  g.code("list_color_clear", -1);
  for (int i = 0; i < 7; i++) {
    const std::string color = numbered("list_color_", i);
    g.press(color.c_str(), "FSetHighlightColor");
    g.code(color.c_str(), i);
  }
  const char* filters[] = {"list_filter_all", "list_filter_audio", "list_filter_video",
                           "list_filter_karaoke"};
  for (int i = 0; i < 4; i++) {
    g.press(filters[i], "FSetFiltering");
    g.code(filters[i], i - 1);
  }

  g.rangePos("sampler_master_volume", 0, 127, 127);
  const ZRString beats[] = {getTextName(txt_sampler_select),
                            ZRString("1 beat"),
                            ZRString("2 beats"),
                            ZRString("4 beats"),
                            ZRString("8 beats"),
                            ZRString("16 beats"),
                            ZRString("32 beats"),
                            ZRString("64 beats")};
  for (int i = 0; i < 8; i++) {
    auto name = [&](const char* suffix) { return numbered("sampler", i, suffix); };
    for (const char* suffix :
         {"_play", "_instant", "_stop", "_loop", "_load", "_rec", "_sync", "_monitor", "_pos", "_vol",
          "_pitch", "_filter", "_name", "_bpm_val", "_vol_val", "_pitch_val"}) {
      g.code(name(suffix).c_str(), i);
    }
    g.code(numbered("dropdown_sampler", i).c_str(), i);
    g.code(numbered("dropdown_sampler", i, "_beats").c_str(), i);
    const std::string play = name("_play"), pos = name("_pos");
    g.switched(name("_monitor").c_str(), true, true);
    if (auto* s = g.as<ZRNodeSliderKnob>(pos.c_str())) s->setEmulateButton(true);
    g.slot(pos.c_str(), ZRNodeSliderKnob::SlotButtonPress, "OnButtonPress_SamplerPlayNew");
    g.slot(pos.c_str(), ZRNodeSliderKnob::SlotButtonRelease, "OnButtonRelease_SamplerPlayNew");
    g.slot(pos.c_str(), ZRNodeSliderKnob::SlotButtonRightPress, "OnButtonRightPress_SamplerPlayNew");
    g.slot(pos.c_str(), ZRNodeSliderKnob::SlotButtonRightRelease, "OnButtonRightRelease_SamplerPlayNew");
    g.slot(pos.c_str(), ZRNodeSliderKnob::SlotButtonDoubleClick, "OnButtonPress_SamplerLoad");
    g.drop(pos.c_str(), "FSampler_DropItem");
    g.drop(name("_name").c_str(), "FSampler_DropItem");
    g.rangePos(pos.c_str(), 0, 1000, 0);
    g.rangePos(name("_vol").c_str(), 0, 127, 127);
    g.rangePos(name("_pitch").c_str(), -5000, 5000, 0);
    g.rangePos(name("_filter").c_str(), -63, 63, 0);
    g.caption(name("_name").c_str(), ZRString("press to load"));
    g.caption(name("_bpm_val").c_str(), ZRString("---"));
    g.caption(name("_vol_val").c_str(), ZRString("100"));
    g.caption(name("_pitch_val").c_str(), ZRString("0 %"));
    g.afterChange(numbered("dropdown_sampler", i).c_str(), "OnDropdownChange_Sampler");
    const std::string beatsNode = numbered("dropdown_sampler", i, "_beats");
    g.items(beatsNode.c_str(), beats, 8, 0);
    g.afterChange(beatsNode.c_str(), "OnDropdownChange_SamplerBeats");
  }
}

}  // namespace

void bindActionsStageA(ZRNodeManager& manager) {
  bindTableRows(manager);
  Binder global(manager, -1);
  stageAGlobal(global);
  for (int deck = 0; deck < 2; deck++) {
    Binder b(manager, deck);
    stageADeck(b);
  }
  stageAMixer(global);
  stageAApplication(global);
  captionsAndHints(manager);
  placeholderButtonsShowNoState();
}

void bindActionsStageB(ZRNodeManager& manager) {
  auto* playlist = dynamic_cast<ZRNodePlaylist*>(manager.getNode("playlist", -1));
  auto* sidelist = dynamic_cast<ZRNodePlaylist*>(manager.getNode("sidelist", -1));
  auto* browser = dynamic_cast<ZRNodeBrowser*>(manager.getNode("browser", -1));
  Binder g(manager, -1);
  const char* doubleClicks[2] = {"OnDoubleClickPlaylist", "OnDoubleClickSidelist"};
  const char* keys[2] = {"OnCharPlaylist", "OnCharSidelist"};
  ZRNodePlaylist* tables[2] = {playlist, sidelist};
  const char* names[2] = {"playlist", "sidelist"};
  for (int i = 0; i < 2; i++) {
    if (tables[i] == nullptr) continue;
    g.slot(names[i], ZRNodePlaylist::kSlotColumnsOrder, "showReorderColumnsDialog");
    g.slot(names[i], ZRNodePlaylist::kSlotDoubleClick, doubleClicks[i]);
    g.slot(names[i], ZRNodePlaylist::kSlotFocus, "OnKBFocusPlaylistOrSideList");
    ZRMenuSlotCallback menu = menuActionFunction("OnMenuCommand_Playlist_or_Sidelist");
    ZRKeySlotCallback key = tableKeyActionFunction(keys[i]);
    if (menu != nullptr) tables[i]->setMenuSlot(menu);
    if (key != nullptr) tables[i]->setKeySlot(key);
    noteBinding(tables[i], -1);
  }
  if (browser != nullptr) {
    if (ZRMenuSlotCallback menu = menuActionFunction("OnMenuCommand_Browser")) browser->setMenuSlot(menu);
    if (ZRKeySlotCallback key = tableKeyActionFunction("OnCharBrowser")) browser->setKeySlot(key);
    g.slot("browser", ZRNodeBrowser::kSlotListChanged, "Browser_OnListChanged");
    if (playlist != nullptr || sidelist != nullptr) browser->setNodePlaylist(playlist, sidelist);
  }
  lastFocusedPlaylist = playlist;
  if (sidelist != nullptr) sidelist->setAcceptsTracksDrop(true);
}

void bindActionsStageC(ZRNodeManager& manager) {
  for (int deck = 0; deck < 2; deck++) {
    Binder b(manager, deck);
    stageCDeck(b);
  }
  Binder global(manager, -1);
  stageCGlobal(global);
  for (int deck = 0; deck < 2; deck++) Binder(manager, deck).switched("deck_monitor", false, true);
  placeholderButtonsShowNoState();
}
