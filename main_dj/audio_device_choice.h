#pragma once
// The choice of the sound device, an optional second device, the buffer latency and the routing of the
// mixer's buses to the device's channels. The device lists of the preferences dialog and of the skin's
// device drop-down are filled from the device table (PortAudio's devices, then "Null output", "File output"
// and, in tests, "Manual pump"); the settings "AudioDevice", "AudioDevice2", "ALatency", the routing keys
// and "ASplitStereoMode" are applied to the audio output (the global audioOutput) at once, and a new device
// gets routings that fit its channel counts.
//
// Main thread (the settings change handler brings changes made elsewhere here).

#include <string>
#include <vector>

#include "common/zr_preferences.h"
#include "common/zr_string.h"

class wxChoice;
class wxListBox;
class ZRAudioMultiOutput;

// Before the device scan: our own "File output" device writes into the Recordings folder
// ("File output.wav", replaced at every opening).
void setUpOwnAudioDevices();

// Refills the choice (when given) and the skin drop-down of action (when not negative) with the "no audio"
// entry and then every device in table order (skin item parameters 0, 1, 2 ...).
void populateComboBox_AudioDevice(wxChoice* choice, int action, bool all);
// Rebuilds the six output and five input routing choices of the dialog for the device selected in
// deviceChoice.
void populateComboBox_AudioDevice_Routings(wxChoice* deviceChoice);
void populateComboBox_TimecodeType(wxChoice* choice);
// The MIDI and HID controllers, for display.
void populateComboBox_MidiSelection(wxListBox* list);

// The entries of a routing choice for a device with channels channels in that direction: "none", each
// stereo pair ("1 + 2  " and the names), then each channel alone ("1 (mono) " and its name).
std::vector<ZRString> routingChoiceEntries(int channels, const std::vector<ZRString>& channelNames);

// The routings a device gets when it is chosen, as entry indexes of the routing choices.
struct ZRDeviceRoutings {
  int out = 0;         // decks, sampler and microphone bus, extra zones
  int headphones = 0;  // the second pair when there is one
  int inDeck[4] = {0, 0, 0, 0};
  int microphone = 0;  // the first mono input
};
ZRDeviceRoutings defaultRoutingsForDevice(int outputChannels, int inputChannels);

// The name of the system's default output device (output) or the "no audio" text (the second device's
// default), as UTF-8 into name (4096 bytes).
bool getDefaultAudioDevice(bool output, char* name);
// "ALatency" in frames: milliseconds x 44.1, rounded, then cut to a multiple of 32; 0 without the store
// or the key.
int getLatencySettingInFrames();
int latencyMillisecondsToFrames(int milliseconds);
// Shows the open device's latency in the dialog and the skin; with move, moves their latency sliders too.
void updateLatencyTextAndSlider(int move);
// Tells the dialog whether the master effects are heard with the current routing.
void audioRoutingChanged();
// A controller script asks for a device by name: candidates separated by "|||", a candidate ending in "***"
// matching any entry that contains the rest. false when the scripts may not choose ("ControllersConfigAudio"
// 0), there is no dialog or no entry matches.
bool tryToSetAudioDevice(const ZRString& candidates);

// The pieces of text between separators; empty pieces are dropped except the last.
std::vector<std::string> splitByString(const std::string& text, const std::string& separator);
bool strHasEnding(const std::string& text, const std::string& ending);

// The reaction to the audio keys; false for any other key.
bool applyAudioSettingChange(const char* key, int value, const char* text,
                             ZRPreferences::NotificationSource source);

// Tells the user once per failure when a chosen device does not open and "Null output" plays instead.
void installAudioDeviceProblemHandler(ZRAudioMultiOutput* output);
