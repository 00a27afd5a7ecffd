#include "gui_nodes/zr_control_settings.h"

#include <atomic>

namespace {

std::atomic<ZRIntSettingReader> settingsReader{nullptr};

}  // namespace

void setControlSettingsReader(ZRIntSettingReader reader) {
  settingsReader.store(reader);
}

int getControlIntSetting(const char* key, int defaultValue) {
  const ZRIntSettingReader reader = settingsReader.load();
  return reader != nullptr ? reader(key, defaultValue) : defaultValue;
}
