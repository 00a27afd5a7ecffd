#include "common/zr_preferences_dialog_base.h"

#include <cstring>
#include <utility>
#include <vector>

#include "common/action_vocabulary.h"
#include "common/shell_hooks.h"

ZRPreferencesDialogBase::~ZRPreferencesDialogBase() = default;

void ZRPreferencesDialogBase::setCallback(Callback callback) {
  callback_ = std::move(callback);
}

void ZRPreferencesDialogBase::setPreferencesObject(ZRPreferences* preferences) {
  preferences_ = preferences;
}

void ZRPreferencesDialogBase::addPreference(const char* key, int controlId, PreferenceGuiType guiType,
                                            int actionId, int nodeKind) {
  if (key == nullptr) return;
  bindings_[key] = Setting{controlId, guiType, actionId, nodeKind};
}

bool ZRPreferencesDialogBase::getPreferenceForActionId(int actionId, char* keyOut,
                                                       PreferenceGuiType* guiTypeOut) {
  if (keyOut == nullptr) return false;
  keyOut[0] = '\0';
  for (const auto& [key, setting] : bindings_) {
    if (setting.actionId != actionId) continue;
    // Keys are at most 127 bytes, like every key of the store.
    const std::size_t n = key.size() < 127 ? key.size() : 127;
    std::memcpy(keyOut, key.data(), n);
    keyOut[n] = '\0';
    if (guiTypeOut != nullptr) *guiTypeOut = setting.guiType;
    return true;
  }
  return false;
}

void ZRPreferencesDialogBase::refreshAllBasedOnPreferences(ZRPreferences::NotificationSource source) {
  // Copy the keys: showing a value may reach code that binds further keys.
  std::vector<std::string> keys;
  keys.reserve(bindings_.size());
  for (const auto& entry : bindings_) keys.push_back(entry.first);
  for (const std::string& key : keys) preferenceHasChanged(key.c_str(), source);
}

const std::pair<const std::string, ZRPreferencesDialogBase::Setting>*
ZRPreferencesDialogBase::findByControlId(int controlId) const {
  for (const auto& entry : bindings_) {
    if (entry.second.controlId == controlId) return &entry;
  }
  return nullptr;
}

void ZRPreferencesDialogBase::onIntControlChanged(int controlId, int value) {
  if (preferences_ == nullptr) return;
  const auto* binding = findByControlId(controlId);
  if (binding == nullptr) return;
  preferences_->setValue(binding->first.c_str(), value, 0, ZRPreferences::NotificationDialog);
}

void ZRPreferencesDialogBase::onChoiceChanged(int controlId, int selectedIndex,
                                              const ZRString& selectedText) {
  if (preferences_ == nullptr) return;
  const auto* binding = findByControlId(controlId);
  if (binding == nullptr) return;
  if (binding->second.guiType == PREF_GUI_CHOICE_INDEX) {
    preferences_->setValue(binding->first.c_str(), selectedIndex, 0, ZRPreferences::NotificationDialog);
  } else if (binding->second.guiType == PREF_GUI_CHOICE_TEXT) {
    preferences_->setValue(binding->first.c_str(), selectedText.utf8().c_str(), 0,
                           ZRPreferences::NotificationDialog);
  }
}

void ZRPreferencesDialogBase::onTextChanged(int controlId, const ZRString& text) {
  if (preferences_ == nullptr) return;
  const auto* binding = findByControlId(controlId);
  if (binding == nullptr || binding->second.guiType != PREF_GUI_TEXT) return;
  preferences_->setValue(binding->first.c_str(), text.utf8().c_str(), 0, ZRPreferences::NotificationDialog);
}

void ZRPreferencesDialogBase::onCommandControl(void* dialog, int controlId) {
  if (callback_) callback_(dialog, controlId);
}

void ZRPreferencesDialogBase::showChange(const char* key, ZRPreferences::NotificationSource source) {
  if (preferences_ == nullptr || key == nullptr) return;
  const auto found = bindings_.find(key);
  if (found == bindings_.end()) return;
  if (preferences_->getValueType(key) == ZRPreferenceTypeNone) return;
  // A copy: the hooks below may rebind keys.
  const Setting setting = found->second;

  int intValue = 0;
  ZRString textValue;
  const bool hasInt = preferences_->getValue(key, intValue);
  const bool hasText = preferences_->getValue(key, &textValue);

  if (source != ZRPreferences::NotificationDialog && setting.controlId != -1) {
    switch (setting.guiType) {
      case PREF_GUI_CHECKBOX:
      case PREF_GUI_SLIDER:
      case PREF_GUI_CHOICE_INDEX:
        if (hasInt) updateDialogControl(setting, intValue, ZRString());
        break;
      case PREF_GUI_CHOICE_TEXT:
      case PREF_GUI_TEXT:
        if (hasText) updateDialogControl(setting, 0, textValue);
        break;
      default:
        break;
    }
  }

  if (source == ZRPreferences::NotificationSkin || setting.actionId <= 0) return;
  if (setting.nodeKind == ELEMENT_dropdownlist) {
    if (setting.guiType == PREF_GUI_CHOICE_TEXT) {
      if (hasText) setSkinCfgDropDownValueString(setting.actionId, textValue);
    } else if (hasInt) {
      setSkinCfgDropDownValue(setting.actionId, intValue);
    }
  } else if (setting.nodeKind == ELEMENT_slider) {
    if (hasInt) setSkinCfgSliderPos(setting.actionId, intValue);
  }
}

void ZRPreferencesDialogBase::updateDialogControl(const Setting&, int, const ZRString&) {}
