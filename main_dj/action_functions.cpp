#include "main_dj/action_functions.h"

#include <array>
#include <atomic>
#include <cstring>
#include <utility>

#include "actions_dj/background_analysis.h"
#include "actions_dj/deck_scratch.h"
#include "actions_dj/dj_action_table.h"
#include "actions_dj/effect_actions.h"
#include "actions_dj/sampler_actions.h"
#include "actions_dj/skin/zr_library_dialog_actions.h"
#include "actions_dj/skin/zr_library_layout.h"
#include "actions_dj/skin/zr_list_actions.h"
#include "actions_dj/skin/zr_node_table_controls.h"
#include "actions_dj/skin/zr_search_box.h"
#include "actions_dj/skin/zr_sidelist_tabs.h"
#include "common/zr_logging.h"
#include "main_dj/action_functions_not_available_yet.h"
#include "main_dj/column_order_dialog.h"
#include "main_dj/info_windows.h"
#include "main_dj/overlay_actions.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shader_actions.h"
#include "main_dj/skin_choice.h"
#include "main_dj/video_actions.h"
#include "main_dj/video_overlays_dialog.h"
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
    row("Browser_OnListChanged", ZRActionShape::Action, &Browser_OnListChanged),
    row("enableVideoWindow", ZRActionShape::Action, &enableVideoWindow),
    row("FAboutApp", ZRActionShape::Action, &FAboutApp),
    row("FAddDialog", ZRActionShape::Action, &FAddDialog),
    row("FAddDir", ZRActionShape::Action, &FAddDir),
    row("FAddFiles", ZRActionShape::Action, &FAddFiles),
    row("FAnalyzeAllSongsFromList", ZRActionShape::Action, &FAnalyzeAllSongsFromList),
    row("FAnalyzeSongFromCursor", ZRActionShape::Action, &FAnalyzeSongFromCursor),
    row("FAudioPadFX_OnMove", ZRActionShape::Pointer, &FAudioPadFX_OnMove),
    row("FCfgApp", ZRActionShape::Action, &FCfgApp),
    row("FClearList", ZRActionShape::Action, &FClearList),
    row("FCloseApp", ZRActionShape::Action, &FCloseApp),
    row("FDeck_DropItem", ZRActionShape::Drop, &FDeck_DropItem),
    row("FSampler_DropItem", ZRActionShape::Drop, &FSampler_DropItem),
    row("FDeck_Scratch_Begin", ZRActionShape::Pointer, &FDeck_Scratch_Begin),
    row("FDeck_Scratch_Move", ZRActionShape::Pointer, &FDeck_Scratch_Move),
    row("FDeck_Scratch_Move_Wheel", ZRActionShape::Pointer, &FDeck_Scratch_Move_Wheel),
    row("FDeleteList", ZRActionShape::Action, &FDeleteList),
    row("FDragLineBottom", ZRActionShape::Action, &FDragLineBottom),
    row("FDragLineDown", ZRActionShape::Action, &FDragLineDown),
    row("FDragLineTop", ZRActionShape::Action, &FDragLineTop),
    row("FDragLineUp", ZRActionShape::Action, &FDragLineUp),
    row("FEditFileInfo", ZRActionShape::Action, &FEditFileInfo),
    row("FExportListAsCSV", ZRActionShape::Action, &FExportListAsCSV),
    row("FExportListAsM3U", ZRActionShape::Action, &FExportListAsM3U),
    row("FHistoryFilterDate", ZRActionShape::Action, &FHistoryFilterDate),
    row("FImportList", ZRActionShape::Action, &FImportList),
    row("FLearnKeysMidi", ZRActionShape::Action, &FLearnKeysMidi),
    row("FMaximizeApp", ZRActionShape::Action, &FMaximizeApp),
    row("FMinimizeApp", ZRActionShape::Action, &FMinimizeApp),
    row("FNewList", ZRActionShape::Action, &FNewList),
    row("FRemoveLine", ZRActionShape::Action, &FRemoveLine),
    row("FSearchStop", ZRActionShape::Action, &FSearchStop),
    row("FSelectPlaylistTab", ZRActionShape::Action, &FSelectPlaylistTab),
    row("FSetFiltering", ZRActionShape::Action, &FSetFiltering),
    row("FSetHighlightColor", ZRActionShape::Action, &FSetHighlightColor),
    row("FShowHints", ZRActionShape::Action, &FShowHints),
    row("FShowInfoWindow", ZRActionShape::Action, &FShowInfoWindow),
    row("FShuffle", ZRActionShape::Action, &FShuffle),
    row("FSidelistSwitchToAutomixList", ZRActionShape::Action, &FSidelistSwitchToAutomixList),
    row("FSidelistSwitchToRotationList", ZRActionShape::Action, &FSidelistSwitchToRotationList),
    row("FSortList", ZRActionShape::Action, &FSortList),
    row("FVideoFXOnChange", ZRActionShape::Action, &FVideoFXOnChange),
    row("FVideoOverlaysOnChange", ZRActionShape::Action, &FVideoOverlaysOnChange),
    row("FVideoTransitionOnChange", ZRActionShape::Action, &FVideoTransitionOnChange),
    row("FVideoShaderOnChange", ZRActionShape::Action, &FVideoShaderOnChange),
    row("OnCharBrowser", ZRActionShape::TableKey, &OnCharBrowser),
    row("OnCharEditText_Search", ZRActionShape::EditKey, &OnCharEditText_SearchSlot),
    row("OnCharPlaylist", ZRActionShape::TableKey, &OnCharPlaylist),
    row("OnCharSidelist", ZRActionShape::TableKey, &OnCharSidelist),
    row("OnDoubleClickPlaylist", ZRActionShape::Action, &OnDoubleClickPlaylist),
    row("OnDoubleClickSidelist", ZRActionShape::Action, &OnDoubleClickSidelist),
    row("OnDragSplitterBrowser", ZRActionShape::Pointer, &OnDragSplitterBrowser),
    row("OnDragSplitterList", ZRActionShape::Pointer, &OnDragSplitterList),
    row("OnFunctionEditText_Search", ZRActionShape::Action, &OnFunctionEditText_Search),
    row("FSendLoopToOnChange", ZRActionShape::Action, &FSendLoopToOnChange),
    row("OnDropdownChange_Sampler", ZRActionShape::Action, &OnDropdownChange_Sampler),
    row("OnDropdownChange_SamplerBeats", ZRActionShape::Action, &OnDropdownChange_SamplerBeats),
    row("OnKBFocusPlaylistOrSideList", ZRActionShape::Action, &OnKBFocusPlaylistOrSideList),
    row("OnMenuCommand_Browser", ZRActionShape::Menu, &OnMenuCommand_Browser),
    row("OnMenuCommand_Playlist_or_Sidelist", ZRActionShape::Menu, &OnMenuCommand_Playlist_or_Sidelist),
    row("reloadMidi", ZRActionShape::Action, &reloadMidi),
    row("reloadSkin", ZRActionShape::Action, &reloadSkin),
    row("setVisibleVideoOverlays", ZRActionShape::Action, &setVisibleVideoOverlays),
    row("showReorderColumnsDialog", ZRActionShape::Action, &showReorderColumnsDialog),
    row("showVideoOverlaysDialog", ZRActionShape::Action, &showVideoOverlaysDialog),
};

constexpr int kNotAvailableCount = static_cast<int>(kActionFunctionsNotAvailableYet.size());

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

// The skin actions come from their rows in the action table; the rest (other shapes, and functions no
// skin control binds by row) from the list above.
bool findFunction(const char* name, FunctionRow* found) {
  if (name == nullptr) return false;
  if (ZRActionCallback action = findDjActionFunction(name)) {
    *found = row(name, ZRActionShape::Action, action);
    return true;
  }
  for (const FunctionRow& r : kFunctions) {
    if (std::strcmp(r.name, name) == 0) {
      *found = r;
      return true;
    }
  }
  return false;
}

template <typename F, typename Placeholders>
F lookup(const char* name, ZRActionShape shape, const Placeholders& placeholders) {
  if (FunctionRow r{}; findFunction(name, &r))
    return r.shape == shape ? reinterpret_cast<F>(r.function) : nullptr;
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
  FunctionRow r{};
  if (!findFunction(name, &r)) return false;
  if (shape != nullptr) *shape = r.shape;
  return true;
}

bool isActionPlaceholder(ZRActionCallback function) {
  if (function == nullptr) return false;
  for (ZRActionCallback placeholder : kPlaceholders.action) {
    if (placeholder == function) return true;
  }
  return false;
}

bool isActionFunctionNotAvailableYet(const char* name) {
  return notAvailableIndex(name) >= 0;
}

const char* const* actionFunctionsNotAvailableYet(int& count) {
  count = kNotAvailableCount;
  return kActionFunctionsNotAvailableYet.data();
}

bool hasActionPlaceholderRun(const char* name) {
  const int index = notAvailableIndex(name);
  return index >= 0 && placeholderRan[index].load();
}
