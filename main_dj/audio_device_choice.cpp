#include "main_dj/audio_device_choice.h"

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/listbox.h>
#include <wx/slider.h>
#include <wx/stattext.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "actions_dj/action_controls.h"
#include "actions_dj/engine_globals.h"
#include "common/action_ids.h"
#include "common/language_tables.h"
#include "common/text_ids.h"
#include "common/zr_logging.h"
#include "controllers/zr_hardware_controller.h"
#include "controllers/zr_hid.h"
#include "gui/tarvo_wdr.h"
#include "gui/zr_preferences_dialog.h"
#include "gui/zr_wx_strings.h"
#include "main_dj/settings_keys.h"
#include "main_dj/shell_folders.h"
#include "main_dj/shell_window.h"
#include "main_dj/startup_problems.h"
#include "main_dj/zr_main_frame.h"
#include "soundio/audio_device_table.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "soundio/zr_midi_ports.h"

namespace {

constexpr int kOutputRoutingChoices[6] = {10008, 10010, 10012, 10014, 10016, 10018};
constexpr int kInputRoutingChoices[5] = {10020, 10022, 10024, 10026, 10028};
constexpr const char* kOutputRoutingKeys[] = {"RoutingOutDeckA", "RoutingOutDeckB", "RoutingOutDeckC",
                                              "RoutingOutDeckD", "RoutingOutSamplerMic"};
constexpr const char* kZoneKeys[] = {"RoutingOutZone2", "RoutingOutZone3", "RoutingOutZone4",
                                     "RoutingOutZone5"};
constexpr const char* kInputDeckKeys[] = {"RoutingInDeckA", "RoutingInDeckB", "RoutingInDeckC",
                                          "RoutingInDeckD"};

template <typename T>
T* dialogControl(int id) {
  return preferencesDialog != nullptr ? dynamic_cast<T*>(preferencesDialog->FindWindow(id)) : nullptr;
}

wxString wx(const ZRString& text) {
  return CharTowxString(text.utf8().c_str());
}

ZRString noAudioText() {
  return getTextName(txt_no_audio);
}

void* mainWindowHandle() {
  wxWindow* window = GetApplicationMainWindow();
  return window != nullptr ? window->GetHandle() : nullptr;
}

// The entry of a device choice that the setting names: the stored device, when the table holds it (the
// choice mirrors the setting, but while settings are announced one by one the latency may come first).
// A stored device that is no longer present is replaced by the system's default output for the main
// device (a DJ expects sound rather than silence) and by none for the second one; the setting keeps its
// name, so the device is used again once it is back.
int deviceSelection(int choiceId, const char* key) {
  auto* choice = dialogControl<wxChoice>(choiceId);
  if (choice == nullptr) return -1;
  ZRString stored;
  if (preferences == nullptr || !preferences->getValue(key, &stored)) return choice->GetSelection();
  const int found = choice->FindString(wx(stored), true);
  if (found != wxNOT_FOUND) return found;
  if (choiceId != ID_CFG_AUDIO_DEVICE || CA_DEVs <= 0) return 0;
  const int fallback = getDefaultAudioDeviceIndex(true);
  static std::string warnedAbout;
  if (warnedAbout != stored.utf8()) {
    warnedAbout = stored.utf8();
    char name[kAudioDeviceNameBytes];
    getAudioDeviceNameFromIndex(fallback, name);
    ZRLOG("warning: the sound device '%s' is not present; '%s' plays instead", stored.utf8().c_str(), name);
  }
  return fallback + 1;
}

void reopenAudioDevices() {
  if (audioOutput == nullptr) return;
  audioOutput->updateAudioDevices(deviceSelection(ID_CFG_AUDIO_DEVICE, "AudioDevice") - 1,
                                  deviceSelection(ID_CFG_AUDIO_DEVICE2, "AudioDevice2") - 1,
                                  getLatencySettingInFrames(), mainWindowHandle(), 0);
}

void setRoutingKey(const char* key, int value) {
  if (preferences != nullptr) preferences->setValue(key, value, 0, ZRPreferences::NotificationProgram);
}

void applyAudioDevice(ZRPreferences::NotificationSource source) {
  if (source != ZRPreferences::NotificationLoaded && preferences != nullptr) {
    preferences->setValue("ASplitStereoMode", 0, 0, ZRPreferences::NotificationProgram);
  }
  auto* deviceChoice = dialogControl<wxChoice>(ID_CFG_AUDIO_DEVICE);
  if (preferencesDialog == nullptr || deviceChoice == nullptr) return;
  populateComboBox_AudioDevice_Routings(deviceChoice);

  const int selected = deviceSelection(ID_CFG_AUDIO_DEVICE, "AudioDevice");
  ZRLOG("sound device '%s' chosen",
        std::string(deviceChoice->GetString(std::max(selected, 0)).utf8_str()).c_str());
  ZRDeviceRoutings routings;
  if (selected >= 1) {
    routings = defaultRoutingsForDevice(getAudioDeviceOutputChannels(selected - 1),
                                        getAudioDeviceInputChannels(selected - 1));
  }
  reopenAudioDevices();
  if (auto* panel = dialogControl<wxButton>(ID_CFG_ASIO_PANEL)) panel->Hide();
  if (auto* latency = dialogControl<wxSlider>(ID_CFG_LATENCY_SLIDER)) latency->Enable(true);
  updateLatencyTextAndSlider(1);

  // Loading keeps the saved routings; a device chosen now gets routings that fit it.
  if (source == ZRPreferences::NotificationLoaded) return;
  for (const char* key : kOutputRoutingKeys) setRoutingKey(key, routings.out);
  setRoutingKey("RoutingOutHeadphones", routings.headphones);
  for (const char* key : kZoneKeys) setRoutingKey(key, routings.out);
  for (int deck = 0; deck < 4; ++deck) setRoutingKey(kInputDeckKeys[deck], routings.inDeck[deck]);
  setRoutingKey("RoutingInMicrophone", routings.microphone);
}

void applySplitStereoMode(int value, ZRPreferences::NotificationSource source) {
  if (source == ZRPreferences::NotificationLoaded || preferences == nullptr) return;
  const int selected = deviceSelection(ID_CFG_AUDIO_DEVICE, "AudioDevice");
  int selectors[6];
  splitStereoRoutingSelectors(selected >= 1 ? getAudioDeviceOutputChannels(selected - 1) : 0, value != 0,
                              selectors);
  for (int i = 0; i < 5; ++i) setRoutingKey(kOutputRoutingKeys[i], selectors[i]);
  setRoutingKey("RoutingOutHeadphones", selectors[5]);
}

bool applyRouting(const std::string& key, int value) {
  for (int deck = 0; deck < 4; ++deck) {
    if (key == kOutputRoutingKeys[deck]) {
      if (audioOutput != nullptr) audioOutput->updateRoutingForOutputDeck(deck, value);
      audioRoutingChanged();
      return true;
    }
    if (key == kInputDeckKeys[deck]) {
      if (audioOutput != nullptr) audioOutput->updateRoutingForInputDeck(deck, value);
      return true;
    }
    if (key == kZoneKeys[deck]) {
      if (audioOutput != nullptr) audioOutput->updateRoutingForOutputExtraZone(deck, value);
      return true;
    }
  }
  if (key == "RoutingOutSamplerMic") {
    if (audioOutput != nullptr) audioOutput->updateRoutingForOutputSamplerMic(value);
    audioRoutingChanged();
    return true;
  }
  if (key == "RoutingOutHeadphones") {
    if (audioOutput != nullptr) audioOutput->updateRoutingForOutputHeadphones(value);
    return true;
  }
  if (key == "RoutingInMicrophone") {
    if (audioOutput != nullptr) audioOutput->updateRoutingForInputMic(value);
    return true;
  }
  return false;
}

}  // namespace

void setUpOwnAudioDevices() {
  ZRBuiltInAudioDevices devices = getBuiltInAudioDevices();
  if (!theRecordingsDir.empty()) devices.fileOutputPath = theRecordingsDir.utf8() + "File output.wav";
  setBuiltInAudioDevices(devices);
}

void populateComboBox_AudioDevice(wxChoice* choice, int action, bool all) {
  (void)all;  // the second device list is the same list here
  std::vector<std::pair<ZRString, int>> items{{noAudioText(), 0}};
  for (int i = 0; i < getAudioDeviceTotal(1, 1); ++i) {
    char name[kAudioDeviceNameBytes];
    getAudioDeviceNameFromIndex(i, name);
    items.emplace_back(ZRString(name), i + 1);
  }
  if (action >= 0) actionControls().setItems(action, -1, items);
  if (choice == nullptr) return;
  choice->Clear();
  for (const auto& item : items) choice->Append(wx(item.first));
}

std::vector<ZRString> routingChoiceEntries(int channels, const std::vector<ZRString>& names) {
  auto name = [&](int channel) {
    return channel < static_cast<int>(names.size()) ? names[channel] : ZRString();
  };
  std::vector<ZRString> entries{ZRString("none")};
  for (int k = 1; k <= channels / 2; ++k) {
    ZRString first = name(2 * k - 2);
    const ZRString second = name(2 * k - 1);
    if (!first.empty() && !second.empty()) first += ZRString(" /");
    entries.push_back(ZRString::format("%d + %d  %s %s", 2 * k - 1, 2 * k, first, second));
  }
  for (int m = 1; m <= channels; ++m) entries.push_back(ZRString::format("%d (mono) %s", m, name(m - 1)));
  return entries;
}

void populateComboBox_AudioDevice_Routings(wxChoice* deviceChoice) {
  if (deviceChoice == nullptr || preferencesDialog == nullptr) return;
  const int device = deviceChoice->GetSelection() - 1;
  auto fill = [&](const int* ids, int count, bool output) {
    const int channels = output ? getAudioDeviceOutputChannels(device) : getAudioDeviceInputChannels(device);
    std::vector<ZRString> names;
    for (int c = 0; c < channels; ++c) {
      char name[kAudioDeviceNameBytes];
      getAudioDeviceChannelNameFromIndex(device, c, output ? 1 : 0, name);
      names.emplace_back(name);
    }
    const std::vector<ZRString> entries = routingChoiceEntries(channels, names);
    for (int i = 0; i < count; ++i) {
      auto* choice = dialogControl<wxChoice>(ids[i]);
      if (choice == nullptr) continue;
      choice->Clear();
      for (const ZRString& entry : entries) choice->Append(wx(entry));
    }
  };
  fill(kOutputRoutingChoices, 6, true);
  fill(kInputRoutingChoices, 5, false);
}

void populateComboBox_TimecodeType(wxChoice* choice) {
  if (choice == nullptr) return;
  choice->Clear();
  for (const char* name :
       {"Zerlin native", "MsPinky(tm)/Torq(tm) vinyl", "MsPinky(tm)/Torq(tm) CD (gen.5)",
        "MsPinky(tm) Vinyl (gen.1)", "MsPinky(tm) Vinyl (gen.2)", "MsPinky(tm) Vinyl (gen.3)",
        "MsPinky(tm) Vinyl (gen.4)", "MsPinky(tm)/Halden(tm) Reflex vinyl"}) {
    choice->Append(name);
  }
}

void populateComboBox_MidiSelection(wxListBox* list) {
  if (list == nullptr) return;
  list->Clear();
  // A copy of the table: the controllers may rebuild it meanwhile.
  const std::vector<ZRMidiPortRow> inputs = getMidiInputRows();
  for (size_t i = 0; i < inputs.size(); ++i) {
    const bool scripted =
        ZRHardwareController::IsMidiDeviceConnectedAndHasScriptAssigned(static_cast<int>(i));
    list->Append(wxString::FromUTF8(inputs[i].name + (scripted ? "  |  MIDI, using script" : "  |  MIDI")));
  }
  // HID devices are listed only when a script drives them: the rest are keyboards, mice and the like.
  const int hid = getTotalHIDControllers();
  for (int i = 0; i < hid; ++i) {
    if (!ZRHardwareController::IsHidDeviceConnectedAndHasScriptAssigned(i)) continue;
    ZRHidDeviceInfo info;
    if (getHIDController(i, info)) list->Append(wxString::FromUTF8(info.product + "  |  HID, using script"));
  }
}

ZRDeviceRoutings defaultRoutingsForDevice(int outputs, int inputs) {
  ZRDeviceRoutings r;
  r.out = outputs >= 2 ? 1 : 0;
  r.headphones = outputs >= 4 ? 2 : 0;
  r.microphone = inputs >= 1 ? inputs / 2 + 1 : 0;
  if (inputs >= 2) {
    r.inDeck[0] = 1;
    r.inDeck[1] = inputs >= 4 ? 2 : 1;
    r.inDeck[2] = inputs >= 6 ? 3 : 0;
    r.inDeck[3] = inputs >= 8 ? 4 : 0;
  }
  return r;
}

bool getDefaultAudioDevice(bool output, char* name) {
  if (name == nullptr) return false;
  name[0] = 0;
  if (!output || getAudioDeviceTotal(1, 1) <= 0) {
    const std::string none = noAudioText().utf8();
    std::strncpy(name, none.c_str(), kAudioDeviceNameBytes - 1);
    name[kAudioDeviceNameBytes - 1] = 0;
    return true;
  }
  return getAudioDeviceNameFromIndex(getDefaultAudioDeviceIndex(true), name);
}

int latencyMillisecondsToFrames(int milliseconds) {
  return static_cast<int>(std::lrint(milliseconds * 44.1)) / 32 * 32;
}

int getLatencySettingInFrames() {
  int milliseconds = 0;
  if (preferences == nullptr || !preferences->getValue("ALatency", milliseconds)) return 0;
  return latencyMillisecondsToFrames(milliseconds);
}

void updateLatencyTextAndSlider(int move) {
  if (preferencesDialog == nullptr || audioOutput == nullptr) return;
  const double milliseconds = audioOutput->getLatency() / 44.1;
  const ZRString text = ZRString::format("%.1f ms", milliseconds);
  actionControls().setCaption(ACT_cfg_latency_value, -1, text);
  auto* label = dialogControl<wxStaticText>(ID_CFG_LATENCY_TEXT);
  auto* slider = dialogControl<wxSlider>(ID_CFG_LATENCY_SLIDER);
  if (label != nullptr && slider != nullptr) label->SetLabel(wx(text));
  if (move == 0) return;
  const int position = static_cast<int>(std::lrint(milliseconds));
  actionControls().setPos(ACT_cfg_latency, -1, position, false);
  if (slider != nullptr) slider->SetValue(position);
}

void audioRoutingChanged() {
  if (audioOutput == nullptr) return;
  if (auto* note = dialogControl<wxStaticText>(ID_CFG_MASTER_FX_NOTE)) {
    note->SetLabel(audioOutput->isFullyInternalMixer() ? "Current audio settings: master FX can be used"
                                                       : "Current audio settings: master FX can NOT be used");
  }
}

std::vector<std::string> splitByString(const std::string& text, const std::string& separator) {
  std::vector<std::string> pieces;
  if (separator.empty()) return {text};
  size_t start = 0;
  for (size_t at = text.find(separator); at != std::string::npos; at = text.find(separator, start)) {
    if (at > start) pieces.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
  pieces.push_back(text.substr(start));
  return pieces;
}

bool strHasEnding(const std::string& text, const std::string& ending) {
  return text.size() >= ending.size() &&
         text.compare(text.size() - ending.size(), ending.size(), ending) == 0;
}

bool tryToSetAudioDevice(const ZRString& candidates) {
  if (preferences == nullptr || preferencesDialog == nullptr) return false;
  int allowed = 1;
  if (preferences->getValue("ControllersConfigAudio", allowed) && allowed == 0) return false;
  auto* choice = dialogControl<wxChoice>(ID_CFG_AUDIO_DEVICE);
  if (choice == nullptr) return false;
  for (const std::string& candidate : splitByString(candidates.utf8(), "|||")) {
    const bool partial = strHasEnding(candidate, "***");
    const ZRString wanted(partial ? candidate.substr(0, candidate.size() - 3) : candidate);
    for (unsigned i = 0; i < choice->GetCount(); ++i) {
      const ZRString entry(std::string(choice->GetString(i).utf8_str()));
      if (partial ? entry.contains(wanted) : entry.cmp(wanted) == 0) {
        preferences->setValue("AudioDevice", partial ? entry : wanted, 0, ZRPreferences::NotificationProgram);
        return true;
      }
    }
  }
  return false;
}

bool applyAudioSettingChange(const char* key, int value, const char*,
                             ZRPreferences::NotificationSource source) {
  const std::string k(key);
  if (k == "AudioDevice") {
    applyAudioDevice(source);
    return true;
  }
  if (k == "AudioDevice2") {
    if (preferencesDialog != nullptr) reopenAudioDevices();
    return true;
  }
  if (k == "ALatency") {
    if (preferencesDialog == nullptr) return true;
    const int frames = getLatencySettingInFrames();
    ZRLOG("ALatency changed to %d (%d frames = %.1f ms)", value, frames, frames / 44100.0 * 1000.0);
    reopenAudioDevices();
    updateLatencyTextAndSlider(0);
    return true;
  }
  if (k == "ASplitStereoMode") {
    applySplitStereoMode(value, source);
    return true;
  }
  return applyRouting(k, value);
}

void installAudioDeviceProblemHandler(ZRAudioMultiOutput* output) {
  if (output == nullptr) return;
  output->setDeviceProblemHandler([](const char* failed, const char* used) {
    const std::string message =
        used != nullptr
            ? std::string("The sound device '") + failed + "' could not be opened. The sound goes to '" +
                  used + "' instead."
            : std::string("The sound device '") + failed + "' could not be opened, and no other one either.";
    tellUserAboutProblem(ZRString(message), ZRString(), GetApplicationMainWindow());
  });
}
