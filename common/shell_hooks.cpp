#include "common/shell_hooks.h"

#include <mutex>
#include <utility>

#include "common/zr_hook.h"

namespace {

std::mutex samplesDirLock;
ZRString samplesDir;
ZRHook<ZRSkinCfgSliderPosHook> sliderPosHook;
ZRHook<ZRSkinCfgDropDownValueHook> dropDownValueHook;
ZRHook<ZRSkinCfgDropDownValueStringHook> dropDownValueStringHook;
ZRHook<ZRPreferenceChangedHook> preferenceChangedHook;
ZRHook<ZRPreferenceGuiControlChangedHook> guiControlChangedHook;

}  // namespace

ZRString GetSamplesDir() {
  std::lock_guard lock(samplesDirLock);
  return samplesDir;
}

void SetSamplesDir(const ZRString& path) {
  std::lock_guard lock(samplesDirLock);
  samplesDir = path;
}

void setSkinCfgSliderPos(int action, int position) {
  if (auto hook = sliderPosHook.get()) hook(action, position);
}

void setSkinCfgDropDownValue(int action, int param) {
  if (auto hook = dropDownValueHook.get()) hook(action, param);
}

void setSkinCfgDropDownValueString(int action, const ZRString& text) {
  if (auto hook = dropDownValueStringHook.get()) hook(action, text);
}

void preferenceChanged(void* store, const char* key, ZRPreferenceType type, int intValue, float floatValue,
                       const char* text, ZRPreferences::NotificationSource source) {
  if (auto hook = preferenceChangedHook.get()) hook(store, key, type, intValue, floatValue, text, source);
}

void preferenceGuiControlChanged(void* dialog, int controlId) {
  if (auto hook = guiControlChangedHook.get()) hook(dialog, controlId);
}

void installSkinCfgSliderPosHook(ZRSkinCfgSliderPosHook hook) {
  sliderPosHook.install(std::move(hook));
}
void installSkinCfgDropDownValueHook(ZRSkinCfgDropDownValueHook hook) {
  dropDownValueHook.install(std::move(hook));
}
void installSkinCfgDropDownValueStringHook(ZRSkinCfgDropDownValueStringHook hook) {
  dropDownValueStringHook.install(std::move(hook));
}
void installPreferenceChangedHook(ZRPreferenceChangedHook hook) {
  preferenceChangedHook.install(std::move(hook));
}
void installPreferenceGuiControlChangedHook(ZRPreferenceGuiControlChangedHook hook) {
  guiControlChangedHook.install(std::move(hook));
}
