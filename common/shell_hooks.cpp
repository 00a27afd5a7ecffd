#include "common/shell_hooks.h"

#include <mutex>
#include <utility>

namespace {

// One lock for the path and the hooks. Hooks are copied out and called unlocked, so a hook may
// set a preference that comes back through preferenceChanged on the same thread.
std::mutex hooksLock;
ZRString samplesDir;
ZRSkinCfgSliderPosHook sliderPosHook;
ZRSkinCfgDropDownValueHook dropDownValueHook;
ZRSkinCfgDropDownValueStringHook dropDownValueStringHook;
ZRPreferenceChangedHook preferenceChangedHook;
ZRPreferenceGuiControlChangedHook guiControlChangedHook;

template <typename Hook>
Hook copyOf(const Hook& hook) {
  std::lock_guard lock(hooksLock);
  return hook;
}

template <typename Hook>
void install(Hook& slot, Hook hook) {
  std::lock_guard lock(hooksLock);
  slot = std::move(hook);
}

}  // namespace

ZRString GetSamplesDir() {
  std::lock_guard lock(hooksLock);
  return samplesDir;
}

void SetSamplesDir(const ZRString& path) {
  std::lock_guard lock(hooksLock);
  samplesDir = path;
}

void setSkinCfgSliderPos(int action, int position) {
  if (auto hook = copyOf(sliderPosHook)) hook(action, position);
}

void setSkinCfgDropDownValue(int action, int param) {
  if (auto hook = copyOf(dropDownValueHook)) hook(action, param);
}

void setSkinCfgDropDownValueString(int action, const ZRString& text) {
  if (auto hook = copyOf(dropDownValueStringHook)) hook(action, text);
}

void preferenceChanged(void* store, const char* key, ZRPreferenceType type, int intValue, float floatValue,
                       const char* text, ZRPreferences::NotificationSource source) {
  if (auto hook = copyOf(preferenceChangedHook)) hook(store, key, type, intValue, floatValue, text, source);
}

void preferenceGuiControlChanged(void* dialog, int controlId) {
  if (auto hook = copyOf(guiControlChangedHook)) hook(dialog, controlId);
}

void installSkinCfgSliderPosHook(ZRSkinCfgSliderPosHook hook) {
  install(sliderPosHook, std::move(hook));
}
void installSkinCfgDropDownValueHook(ZRSkinCfgDropDownValueHook hook) {
  install(dropDownValueHook, std::move(hook));
}
void installSkinCfgDropDownValueStringHook(ZRSkinCfgDropDownValueStringHook hook) {
  install(dropDownValueStringHook, std::move(hook));
}
void installPreferenceChangedHook(ZRPreferenceChangedHook hook) {
  install(preferenceChangedHook, std::move(hook));
}
void installPreferenceGuiControlChangedHook(ZRPreferenceGuiControlChangedHook hook) {
  install(guiControlChangedHook, std::move(hook));
}
