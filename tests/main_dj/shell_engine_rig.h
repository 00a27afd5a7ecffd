#pragma once
// The shell's settings tests need what start-up makes before the settings: the data folders, the language
// tables, the sound devices (here our own: "Null output", "File output" into the Recordings folder, and
// the "Manual pump" with four output and two input channels), a mixer with its sound output, and the skin
// engine's node table. ShellRig makes them as the globals the shell uses and takes them down again.

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "actions_dj/engine_globals.h"
#include "dsp/engine/zr_mixer.h"
#include "gui/zr_node_manager.h"
#include "gui/zr_preferences_dialog.h"
#include "gui/zr_skin_manager.h"
#include "main_dj/audio_device_choice.h"
#include "main_dj/language_file.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_window.h"
#include "main_dj/skin_choice.h"
#include "main_window_rig.h"
#include "shell_test_support.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/display_required.h"

namespace orvel_test {

class ShellRig {
 public:
  // Everything but the settings store: call start() (or write a preferences.xml first).
  ShellRig() {
    ok_ = InitializeApplicationFolders("/nowhere/orvel") && LoadLanguageFileOrShowLanguageSelector();
    ZRBuiltInAudioDevices devices;
    devices.systemDevices = false;
    devices.manualPump = true;
    devices.manualOutputChannels = 4;
    devices.manualInputChannels = 2;
    setBuiltInAudioDevices(devices);
    setUpOwnAudioDevices();
    scanAudioDevices();
    mixer = new ZRMixer(22050);
    audioOutput = new ZRAudioMultiOutput(mixer, nullptr, nullptr, nullptr);
    manager_ = std::make_unique<ZRNodeManager>(nullptr);
    setShellNodeManager(manager_.get());
  }
  ~ShellRig() {
    destroyPreferencesSystem();
    delete audioOutput;
    audioOutput = nullptr;
    delete mixer;
    mixer = nullptr;
    freeScanAudioDevices();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
    setShellNodeManager(nullptr);
    setSkinWindowLoader(nullptr);
    manager_.reset();
    delete skinManager;
    skinManager = nullptr;
  }
  ShellRig(const ShellRig&) = delete;
  ShellRig& operator=(const ShellRig&) = delete;

  bool ok() const { return ok_; }
  std::string preferencesPath() const { return theSettingsDir.utf8() + "preferences.xml"; }
  int start() { return createPreferencesSystem(nullptr, preferencesPath().c_str()); }
  ZRNodeManager& manager() { return *manager_; }

  // The table row of a device, and the row the output has open (-1 none).
  static int row(const char* name) { return getAudioDeviceIndexFromName(name); }
  static int openRow() {
    return audioOutput != nullptr && audioOutput->getDevice() != nullptr
               ? audioOutput->getDevice()->getDeviceIndex()
               : -1;
  }
  static int intSetting(const char* key) {
    int value = -12345;
    preferences->getValue(key, value);
    return value;
  }
  static std::string textSetting(const char* key) {
    ZRString value("<absent>");
    preferences->getValue(key, &value);
    return value.utf8();
  }
  template <typename T>
  static T* control(int id) {
    return preferencesDialog != nullptr ? dynamic_cast<T*>(preferencesDialog->FindWindow(id)) : nullptr;
  }

 private:
  bool ok_ = false;
  std::unique_ptr<ZRNodeManager> manager_;
};

// A test with the sandbox and the rig made (skipped without a display).
class ShellRigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
    box = std::make_unique<ShellSandbox>();
    rig = std::make_unique<ShellRig>();
    ASSERT_TRUE(rig->ok());
  }
  void TearDown() override {
    rig.reset();
    box.reset();
  }
  std::unique_ptr<ShellSandbox> box;
  std::unique_ptr<ShellRig> rig;
};

// A preferences.xml with the given pref lines.
inline std::string preferencesXml(const std::string& prefs) {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<preferences version=\"100\">\n" +
         prefs + "</preferences>\n";
}

}  // namespace orvel_test
