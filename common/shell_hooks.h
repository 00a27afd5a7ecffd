#pragma once
// Services of the application shell that lower layers call: the Samples folder path and the
// settings and skin hooks. The shell installs each hook at start-up (tests install their own);
// calling an operation whose hook is not installed does nothing. Hooks may be installed or
// removed at any time from any thread; a hook may itself call these operations.

#include <functional>

#include "common/zr_preferences.h"
#include "common/zr_string.h"

// A copy of the path of the Samples folder in the data folder; empty until the shell sets it.
ZRString GetSamplesDir();
void SetSamplesDir(const ZRString& path);

// Moves the skin slider or knob of a global action to position (clamped to its range) without
// calling its action; nothing when the skin has no node for the action.
void setSkinCfgSliderPos(int action, int position);
// Selects the entry whose parameter is param in the skin drop-down list of a global action and
// shows its caption, without calling its action.
void setSkinCfgDropDownValue(int action, int param);
// The same, choosing the entry by its text.
void setSkinCfgDropDownValueString(int action, const ZRString& text);
// The change callback the shell gives the one preferences store: mirrors the key into the
// preferences dialog and the skin, then applies its meaning.
void preferenceChanged(void* store, const char* key, ZRPreferenceType type, int intValue, float floatValue,
                       const char* text, ZRPreferences::NotificationSource source);
// The preferences dialog's callback for its buttons and list boxes.
void preferenceGuiControlChanged(void* dialog, int controlId);

using ZRSkinCfgSliderPosHook = std::function<void(int action, int position)>;
using ZRSkinCfgDropDownValueHook = std::function<void(int action, int param)>;
using ZRSkinCfgDropDownValueStringHook = std::function<void(int action, const ZRString& text)>;
using ZRPreferenceChangedHook =
    std::function<void(void* store, const char* key, ZRPreferenceType type, int intValue, float floatValue,
                       const char* text, ZRPreferences::NotificationSource source)>;
using ZRPreferenceGuiControlChangedHook = std::function<void(void* dialog, int controlId)>;

// Installs (or, with an empty function, removes) the implementation behind each operation.
void installSkinCfgSliderPosHook(ZRSkinCfgSliderPosHook hook);
void installSkinCfgDropDownValueHook(ZRSkinCfgDropDownValueHook hook);
void installSkinCfgDropDownValueStringHook(ZRSkinCfgDropDownValueStringHook hook);
void installPreferenceChangedHook(ZRPreferenceChangedHook hook);
void installPreferenceGuiControlChangedHook(ZRPreferenceGuiControlChangedHook hook);
