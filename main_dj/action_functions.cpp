#include "main_dj/action_functions.h"

#include <array>
#include <atomic>
#include <cstring>
#include <utility>

#include "actions_dj/deck_display.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/deck_transport.h"
#include "actions_dj/mixer_actions.h"
#include "actions_dj/skin/zr_node_table_controls.h"
#include "common/zr_logging.h"
#include "main_dj/action_functions_not_available_yet.h"
#include "main_dj/settings_keys.h"
#include "main_dj/skin_choice.h"
#include "main_dj/zr_keyboard_shortcuts.h"
#include "main_dj/zr_midi_shortcuts.h"

namespace {

// The functions that exist, by name. A function pointer of any shape is stored as a plain void(*)() and
// converted back to its own shape on lookup (the shape says which).
using AnyFunction = void (*)();
struct FunctionRow {
  const char* name;
  ZRActionShape shape;
  AnyFunction function;
};

template <typename F>
FunctionRow row(const char* name, ZRActionShape shape, F function) {
  return {name, shape, reinterpret_cast<AnyFunction>(function)};
}

const std::array kFunctions = {
    row("FAudioMasterLimiter", ZRActionShape::Action, &FAudioMasterLimiter),
    row("FCFAudioTrack", ZRActionShape::Action, &FCFAudioTrack),
    row("FCFCurve", ZRActionShape::Action, &FCFCurve),
    row("FCfgApp", ZRActionShape::Action, &FCfgApp),
    row("FCFVideoTrack", ZRActionShape::Action, &FCFVideoTrack),
    row("FCloseApp", ZRActionShape::Action, &FCloseApp),
    row("FCrossFader", ZRActionShape::Action, &FCrossFader),
    row("FCuePgmMixFader", ZRActionShape::Action, &FCuePgmMixFader),
    row("FDeck_BackToTop", ZRActionShape::Action, &FDeck_BackToTop),
    row("FDeck_Brake", ZRActionShape::Action, &FDeck_Brake),
    row("FDeck_CFAssignToLeft", ZRActionShape::Action, &FDeck_CFAssignToLeft),
    row("FDeck_CFAssignToRight", ZRActionShape::Action, &FDeck_CFAssignToRight),
    row("FDeck_CFAssignToThru", ZRActionShape::Action, &FDeck_CFAssignToThru),
    row("FDeck_CueClick", ZRActionShape::Action, &FDeck_CueClick),
    row("FDeck_CuePlay", ZRActionShape::Action, &FDeck_CuePlay),
    row("FDeck_CueUnClick", ZRActionShape::Action, &FDeck_CueUnClick),
    row("FDeck_Cutoff", ZRActionShape::Action, &FDeck_Cutoff),
    row("FDeck_DropItem", ZRActionShape::Drop, &FDeck_DropItem),
    row("FDeck_EqHigh", ZRActionShape::Action, &FDeck_EqHigh),
    row("FDeck_EqLow", ZRActionShape::Action, &FDeck_EqLow),
    row("FDeck_EqMid", ZRActionShape::Action, &FDeck_EqMid),
    row("FDeck_FwdClick", ZRActionShape::Action, &FDeck_FwdClick),
    row("FDeck_FwdUnClick", ZRActionShape::Action, &FDeck_FwdUnClick),
    row("FDeck_KillHigh", ZRActionShape::Action, &FDeck_KillHigh),
    row("FDeck_KillLow", ZRActionShape::Action, &FDeck_KillLow),
    row("FDeck_KillMid", ZRActionShape::Action, &FDeck_KillMid),
    row("FDeck_LoadFromCursor", ZRActionShape::Action, &FDeck_LoadFromCursor),
    row("FDeck_Monitor", ZRActionShape::Action, &FDeck_Monitor),
    row("FDeck_PlayLive", ZRActionShape::Action, &FDeck_PlayLive),
    row("FDeck_PlayPause", ZRActionShape::Action, &FDeck_PlayPause),
    row("FDeck_Pos", ZRActionShape::Action, &FDeck_Pos),
    row("FDeck_RevClick", ZRActionShape::Action, &FDeck_RevClick),
    row("FDeck_ReversePlay", ZRActionShape::Action, &FDeck_ReversePlay),
    row("FDeck_RevUnClick", ZRActionShape::Action, &FDeck_RevUnClick),
    row("FDeck_SearchLeft_Click", ZRActionShape::Action, &FDeck_SearchLeft_Click),
    row("FDeck_SearchLeft_UnClick", ZRActionShape::Action, &FDeck_SearchLeft_UnClick),
    row("FDeck_SearchRight_Click", ZRActionShape::Action, &FDeck_SearchRight_Click),
    row("FDeck_SearchRight_UnClick", ZRActionShape::Action, &FDeck_SearchRight_UnClick),
    row("FDeck_SetCue", ZRActionShape::Action, &FDeck_SetCue),
    row("FDeck_SkipBar_Next", ZRActionShape::Action, &FDeck_SkipBar_Next),
    row("FDeck_SkipBar_Prev", ZRActionShape::Action, &FDeck_SkipBar_Prev),
    row("FDeck_SkipBeat_Next", ZRActionShape::Action, &FDeck_SkipBeat_Next),
    row("FDeck_SkipBeat_Prev", ZRActionShape::Action, &FDeck_SkipBeat_Prev),
    row("FDeck_SoundDisplayZoomLess", ZRActionShape::Action, &FDeck_SoundDisplayZoomLess),
    row("FDeck_SoundDisplayZoomMore", ZRActionShape::Action, &FDeck_SoundDisplayZoomMore),
    row("FDeck_Unload", ZRActionShape::Action, &FDeck_Unload),
    row("FFaderDeck", ZRActionShape::Action, &FFaderDeck),
    row("FGainDeck", ZRActionShape::Action, &FGainDeck),
    row("FGainMaster", ZRActionShape::Action, &FGainMaster),
    row("FGainMic", ZRActionShape::Action, &FGainMic),
    row("FGainMonitor", ZRActionShape::Action, &FGainMonitor),
    row("FLearnKeysMidi", ZRActionShape::Action, &FLearnKeysMidi),
    row("FLockCrossfaders", ZRActionShape::Action, &FLockCrossfaders),
    row("FMasterBalance", ZRActionShape::Action, &FMasterBalance),
    row("FMasterKaraokeMode", ZRActionShape::Action, &FMasterKaraokeMode),
    row("FMasterMode", ZRActionShape::Action, &FMasterMode),
    row("FMaximizeApp", ZRActionShape::Action, &FMaximizeApp),
    row("FMic_EqHigh", ZRActionShape::Action, &FMic_EqHigh),
    row("FMic_EqLow", ZRActionShape::Action, &FMic_EqLow),
    row("FMic_EqMid", ZRActionShape::Action, &FMic_EqMid),
    row("FMic_KillHigh", ZRActionShape::Action, &FMic_KillHigh),
    row("FMic_KillLow", ZRActionShape::Action, &FMic_KillLow),
    row("FMic_KillMid", ZRActionShape::Action, &FMic_KillMid),
    row("FMinimizeApp", ZRActionShape::Action, &FMinimizeApp),
    row("FOnAir", ZRActionShape::Action, &FOnAir),
    row("FPhonesSplitClick", ZRActionShape::Action, &FPhonesSplitClick),
    row("FRandom", ZRActionShape::Action, &FRandom),
    row("FTalkOver", ZRActionShape::Action, &FTalkOver),
    row("FToggleTimeMode", ZRActionShape::Action, &FToggleTimeMode),
    row("FVolumeFillerPlayer", ZRActionShape::Action, &FVolumeFillerPlayer),
    row("FVolumeMaster", ZRActionShape::Action, &FVolumeMaster),
    row("FVolumeMicrophone", ZRActionShape::Action, &FVolumeMicrophone),
    row("FVolumeMonitor", ZRActionShape::Action, &FVolumeMonitor),
    row("OnKBFocusPlaylistOrSideList", ZRActionShape::Action, &OnKBFocusPlaylistOrSideList),
    row("OnProgressPress", ZRActionShape::Action, &OnProgressPress),
    row("reloadMidi", ZRActionShape::Action, &reloadMidi),
    row("reloadSkin", ZRActionShape::Action, &reloadSkin),
};

constexpr int kNotAvailableCount =
    static_cast<int>(sizeof(kActionFunctionsNotAvailableYet) / sizeof(kActionFunctionsNotAvailableYet[0]));

std::array<std::atomic<bool>, kNotAvailableCount> placeholderRan{};

// The first run of a placeholder logs its name; later runs say nothing.
void placeholderRuns(int index) {
  if (!placeholderRan[index].exchange(true)) {
    ZRLOG("action not available yet: %s", kActionFunctionsNotAvailableYet[index]);
  }
}

// One placeholder per name and shape: a function pointer carries no data, so the name is the template's.
template <int I>
void actionPlaceholder(int, int, int, ZRDrawNode*) {
  placeholderRuns(I);
}
template <int I>
void pointerPlaceholder(int, int, int, int, int, int, ZRDrawNode*) {
  placeholderRuns(I);
}
template <int I>
bool dropPlaceholder(ZRDrawNode*, ZRDragDropPayload, float, float, bool testOnly) {
  // Refusing the drop is what a node without the function does; only a real drop counts as a use.
  if (!testOnly) placeholderRuns(I);
  return false;
}
template <int I>
bool tableKeyPlaceholder(int, int, ZRDrawNode*) {
  placeholderRuns(I);
  return false;
}
template <int I>
void editKeyPlaceholder(int, int, ZRDrawNode*) {
  placeholderRuns(I);
}
template <int I>
void menuPlaceholder(ZRDrawNode*, int, void*) {
  placeholderRuns(I);
}

template <std::size_t... I>
constexpr auto makePlaceholders(std::index_sequence<I...>) {
  struct Set {
    std::array<ZRActionCallback, sizeof...(I)> action;
    std::array<ZRPointerActionCallback, sizeof...(I)> pointer;
    std::array<ZRDropCallbackUser, sizeof...(I)> drop;
    std::array<ZRKeySlotCallback, sizeof...(I)> tableKey;
    std::array<ZREditKeyCallback, sizeof...(I)> editKey;
    std::array<ZRMenuSlotCallback, sizeof...(I)> menu;
  };
  return Set{{&actionPlaceholder<I>...},   {&pointerPlaceholder<I>...}, {&dropPlaceholder<I>...},
             {&tableKeyPlaceholder<I>...}, {&editKeyPlaceholder<I>...}, {&menuPlaceholder<I>...}};
}

const auto kPlaceholders = makePlaceholders(std::make_index_sequence<kNotAvailableCount>());

int notAvailableIndex(const char* name) {
  if (name == nullptr) return -1;
  for (int i = 0; i < kNotAvailableCount; i++) {
    if (std::strcmp(kActionFunctionsNotAvailableYet[i], name) == 0) return i;
  }
  return -1;
}

const FunctionRow* findFunction(const char* name) {
  if (name == nullptr) return nullptr;
  for (const FunctionRow& r : kFunctions) {
    if (std::strcmp(r.name, name) == 0) return &r;
  }
  return nullptr;
}

template <typename F, typename Placeholders>
F lookup(const char* name, ZRActionShape shape, const Placeholders& placeholders) {
  if (const FunctionRow* r = findFunction(name)) {
    return r->shape == shape ? reinterpret_cast<F>(r->function) : nullptr;
  }
  const int index = notAvailableIndex(name);
  return index < 0 ? nullptr : placeholders[index];
}

}  // namespace

ZRActionCallback actionFunction(const char* name) {
  return lookup<ZRActionCallback>(name, ZRActionShape::Action, kPlaceholders.action);
}
ZRPointerActionCallback pointerActionFunction(const char* name) {
  return lookup<ZRPointerActionCallback>(name, ZRActionShape::Pointer, kPlaceholders.pointer);
}
ZRDropCallbackUser dropActionFunction(const char* name) {
  return lookup<ZRDropCallbackUser>(name, ZRActionShape::Drop, kPlaceholders.drop);
}
ZRKeySlotCallback tableKeyActionFunction(const char* name) {
  return lookup<ZRKeySlotCallback>(name, ZRActionShape::TableKey, kPlaceholders.tableKey);
}
ZREditKeyCallback editKeyActionFunction(const char* name) {
  return lookup<ZREditKeyCallback>(name, ZRActionShape::EditKey, kPlaceholders.editKey);
}
ZRMenuSlotCallback menuActionFunction(const char* name) {
  return lookup<ZRMenuSlotCallback>(name, ZRActionShape::Menu, kPlaceholders.menu);
}

void noteActionNotAvailable(const char* name) {
  const int index = notAvailableIndex(name);
  if (index >= 0) placeholderRuns(index);
}

bool isActionFunctionAvailable(const char* name, ZRActionShape* shape) {
  const FunctionRow* r = findFunction(name);
  if (r != nullptr && shape != nullptr) *shape = r->shape;
  return r != nullptr;
}

bool isActionFunctionNotAvailableYet(const char* name) {
  return notAvailableIndex(name) >= 0;
}

const char* const* actionFunctionsNotAvailableYet(int& count) {
  count = kNotAvailableCount;
  return kActionFunctionsNotAvailableYet;
}

bool hasActionPlaceholderRun(const char* name) {
  const int index = notAvailableIndex(name);
  return index >= 0 && placeholderRan[index].load();
}
