#pragma once
// Every setting of the system: its key, its default, the preferences-dialog control that shows it and,
// for a few, the configuration control of the skin that mirrors it. createPreferencesSystem builds the
// (hidden) preferences dialog and the one settings store (the global `preferences`), announces every saved
// setting to the change handler and then declares the defaults of the missing ones, so every setting takes
// effect once at start-up (the saved skin loads and the saved sound device opens here).
//
// Changes reach the store from the dialog, the skin's configuration controls and code; each one goes
// through ZRPreferences::setValue and from there to the change handler (settings_reactions.h).
//
// Main thread; the skin controls' actions may also run on the render thread (MIDI), where they only set
// the store.

#include "common/zr_preferences.h"
#include "common/zr_preferences_dialog_base.h"
#include "common/zr_string.h"
#include "gui/zr_node_events.h"

class wxDialog;
class wxWindow;
class ZRPreferencesDialog;

// The preferences dialog, made hidden by createPreferencesSystem; null before.
extern ZRPreferencesDialog* preferencesDialog;
// The default of "ALatency" in milliseconds.
inline constexpr int default_audio_device_latency = 27;
// The version the preferences dialog shows.
inline constexpr const char* kOrvelVersion = "3.11.0.2";

// How a setting's default is found.
enum class ZRSettingDefault {
  Int,             // intDefault
  Text,            // textDefault
  Skin,            // the skin that suits the display (getDefaultSkin)
  OutputDevice,    // the system's default output device
  NoSecondDevice,  // the language text for "no audio" (no second device)
  None,            // no default: the key stays absent until set
};

struct TZRSettingKey {
  const char* key;
  ZRSettingDefault kind;
  int intDefault;
  const char* textDefault;
  int controlId;  // dialog control; -1 none (a skin control only), -2 not bound at all
  PreferenceGuiType guiType;
  int skinAction;    // configuration control of the skin; 0 none
  int skinNodeKind;  // 2 slider, 7 drop-down
};

// The settings in the order their defaults are declared, then the bound keys without a default.
const TZRSettingKey* getSettingKeys(int* count);

// Builds the dialog (once), then the store (once): loads path (the Settings folder's preferences.xml) and
// declares every default. parent is not used: the dialog belongs to the main window. 1 when the store
// exists afterwards, 0 when it does not.
int createPreferencesSystem(wxWindow* parent, const char* path);
// Deletes the dialog and the store (the store is not saved); tests and shut-down.
void destroyPreferencesSystem();

// The preferences button and the Preferences menu item: shows the dialog, centred the first time; the
// controller list is refilled every time.
void FCfgApp(int value, int param, int deck, ZRDrawNode* node);

// Actions of the skin's configuration controls: the moved slider's or the chosen item's value is stored
// under the key bound to the control's action (param), from the skin.
void onTrack_SkinCfgSlider(int value, int param, int deck, ZRDrawNode* node);
void onChange_SkinCfgDropDown(int value, int param, int deck, ZRDrawNode* node);

// Trims the generated dialog to what this system uses (hides and removes controls, sets the version).
void translatePreferencesDialog(wxDialog* dialog);

// The store's int setting, or fallback when there is no store, no such key or another type.
int getIntPreference(const char* key, int fallback);
float getFloatPreference(const ZRString& key, float fallback);
ZRPreferences* getPreferencesObject();
