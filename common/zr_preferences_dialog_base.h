#pragma once
// The binding between the preferences dialog's controls and the settings store, in both
// directions. A control the user changes writes its key with source 2 (dialog); every change of a
// key, from wherever it comes, is shown in the bound dialog control and in the bound skin control.
// A change is never echoed back to where it came from: a dialog change (source 2) leaves the
// dialog control alone, a skin change (source 3) leaves the skin control alone.
//
// This class holds the bindings and all decisions; the toolkit dialog derives from it, forwards
// its control events to the on...() helpers and shows values in updateDialogControl().

#include <functional>
#include <map>
#include <string>

#include "common/zr_preferences.h"
#include "common/zr_string.h"

// The kind of dialog control a key is bound to, and so the type its value has in the store.
enum PreferenceGuiType : int {
  PREF_GUI_CHECKBOX = 0,      // int 0 or 1
  PREF_GUI_SLIDER = 1,        // int, the slider position
  PREF_GUI_CHOICE_INDEX = 2,  // int, the selected index (-1 none)
  PREF_GUI_CHOICE_TEXT = 3,   // text of the selected entry
  PREF_GUI_NONE = 4,          // changes no control
  PREF_GUI_TEXT = 5,          // text field
};

class ZRPreferencesDialogBase {
 public:
  // One binding.
  struct Setting {
    int controlId = -1;  // toolkit id of the dialog control; -1 for a key shown only in the skin
    PreferenceGuiType guiType = PREF_GUI_NONE;
    int actionId = 0;  // action of the skin control showing the same setting; 0 for none
    int nodeKind = 0;  // element type of that skin control: 2 slider, 7 drop-down; others ignored
  };
  using Callback = std::function<void(void* dialog, int controlId)>;

  ZRPreferencesDialogBase() = default;
  virtual ~ZRPreferencesDialogBase();
  ZRPreferencesDialogBase(const ZRPreferencesDialogBase&) = delete;
  ZRPreferencesDialogBase& operator=(const ZRPreferencesDialogBase&) = delete;

  // Called with (dialog, control id) by the dialog's buttons and list boxes.
  virtual void setCallback(Callback callback);
  // The store to read and write; null unbinds.
  virtual void setPreferencesObject(ZRPreferences* preferences);
  // Binds a key (binding it again replaces the binding).
  virtual void addPreference(const char* key, int controlId, PreferenceGuiType guiType, int actionId,
                             int nodeKind);
  // The first binding in key order with actionId: its key into keyOut (at least 128 bytes) and its
  // kind into guiTypeOut when that is not null; true. None (or a null keyOut): keyOut "" and false.
  virtual bool getPreferenceForActionId(int actionId, char* keyOut, PreferenceGuiType* guiTypeOut);
  // preferenceHasChanged(key, source) for every bound key, in key order.
  virtual void refreshAllBasedOnPreferences(ZRPreferences::NotificationSource source);
  // Shows a key's current value in its controls; the dialog implements it with showChange().
  virtual void preferenceHasChanged(const char* key, ZRPreferences::NotificationSource source) = 0;

  ZRPreferences* getPreferencesObject() const { return preferences_; }

 protected:
  // Event side: the dialog hands over what its controls report. Controls without a binding, or
  // events while no store is bound, change nothing.
  void onIntControlChanged(int controlId, int value);  // slider, check box
  void onChoiceChanged(int controlId, int selectedIndex, const ZRString& selectedText);
  void onTextChanged(int controlId, const ZRString& text);
  void onCommandControl(void* dialog, int controlId);  // buttons and list boxes

  // Display side: shows a key's value in the dialog control (unless source is 2) and in the skin
  // control (unless source is 3). Nothing happens without a store, a binding or a stored value.
  void showChange(const char* key, ZRPreferences::NotificationSource source);

  // Sets the bound dialog control. Called only for controls that exist in the dialog (controlId
  // not -1), kinds other than 4, and when the store holds the value in the kind's type: intValue
  // for kinds 0, 1, 2; textValue for kinds 3 and 5.
  virtual void updateDialogControl(const Setting& setting, int intValue, const ZRString& textValue);

 private:
  const std::pair<const std::string, Setting>* findByControlId(int controlId) const;

  std::map<std::string, Setting> bindings_;  // bytewise key order
  ZRPreferences* preferences_ = nullptr;
  Callback callback_;
};
