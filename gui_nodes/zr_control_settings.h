#pragma once
// The settings a few controls read while they handle input (the karaoke rotation's keep-empty-singers
// switch, the key step of the singer dialog). The settings store belongs to the application shell, above
// this layer: the shell installs a reader at start-up; without one every read gives its default.
//
// Threads: the reader is installed once before the skin takes input and read on the main thread.

// (key, default) -> the integer setting, or the default when it is missing or of another type.
using ZRIntSettingReader = int (*)(const char* key, int defaultValue);

void setControlSettingsReader(ZRIntSettingReader reader);
int getControlIntSetting(const char* key, int defaultValue);
