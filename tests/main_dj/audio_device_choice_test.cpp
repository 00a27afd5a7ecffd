// The sound device as a setting: the routing entries and the routings a device gets, the latency in frames,
// the "Null output" and "File output" devices applied the moment they are chosen, a saved device that is no
// longer present, a device that fails, split stereo, and the device choice of controller scripts.

#include <gtest/gtest.h>
#include <wx/choice.h>
#include <wx/stattext.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "gui/tarvo_wdr.h"
#include "shell_engine_rig.h"
#include "support/log_capture.h"
#include "main_window_rig.h"

namespace fs = std::filesystem;
using orvel_test::LogCapture;
using orvel_test::preferencesXml;
using orvel_test::ShellRig;
using orvel_test::ShellSandbox;

namespace {

std::vector<std::string> texts(const std::vector<ZRString>& entries) {
  std::vector<std::string> out;
  for (const ZRString& e : entries) out.push_back(e.utf8());
  return out;
}

class AudioDeviceChoice : public orvel_test::ShellRigTest {
 protected:
  static void choose(const char* device, ZRPreferences::NotificationSource source) {
    preferences->setValue("AudioDevice", device, 0, source);
  }
  static std::string fileOutput() { return theRecordingsDir.utf8() + "File output.wav"; }
  // The file's size once it has passed bytes, or its size after the time bound.
  static uintmax_t waitForSize(const std::string& path, uintmax_t bytes) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::error_code error;
    while (std::chrono::steady_clock::now() < deadline) {
      const uintmax_t size = fs::file_size(path, error);
      if (!error && size > bytes) return size;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return fs::file_size(path, error);
  }
};

}  // namespace

TEST(AudioRoutingEntries, PairsThenSingleChannels) {
  EXPECT_EQ(texts(routingChoiceEntries(0, {})), (std::vector<std::string>{"none"}));
  EXPECT_EQ(texts(routingChoiceEntries(2, {})),
            (std::vector<std::string>{"none", "1 + 2   ", "1 (mono) ", "2 (mono) "}));
  EXPECT_EQ(texts(routingChoiceEntries(3, {"L", "R", "C"})),
            (std::vector<std::string>{"none", "1 + 2  L / R", "1 (mono) L", "2 (mono) R", "3 (mono) C"}));
  // A pair whose second channel has no name gets no separator.
  EXPECT_EQ(routingChoiceEntries(2, {"L"})[1].utf8(), "1 + 2  L ");
}

TEST(AudioRoutingDefaults, FitTheDevicesChannels) {
  const struct {
    int outputs, inputs;
    int out, headphones, a, b, c, d, microphone;
  } rows[] = {
      {2, 2, 1, 0, 1, 1, 0, 0, 2},  // stereo: both decks on the one input pair, the microphone on input 1
      {4, 0, 1, 2, 0, 0, 0, 0, 0},  // headphones on the second pair
      {4, 4, 1, 2, 1, 2, 0, 0, 3}, {8, 8, 1, 2, 1, 2, 3, 4, 5},
      {1, 1, 0, 0, 0, 0, 0, 0, 1},  // a mono device: no stereo output, the input only for the microphone
      {0, 0, 0, 0, 0, 0, 0, 0, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.outputs << " out, " << row.inputs << " in");
    const ZRDeviceRoutings r = defaultRoutingsForDevice(row.outputs, row.inputs);
    EXPECT_EQ(r.out, row.out);
    EXPECT_EQ(r.headphones, row.headphones);
    EXPECT_EQ(r.inDeck[0], row.a);
    EXPECT_EQ(r.inDeck[1], row.b);
    EXPECT_EQ(r.inDeck[2], row.c);
    EXPECT_EQ(r.inDeck[3], row.d);
    EXPECT_EQ(r.microphone, row.microphone);
  }
}

TEST(AudioLatency, MillisecondsBecomeWholeThirtyTwoFrameSteps) {
  EXPECT_EQ(latencyMillisecondsToFrames(27), 1184);
  EXPECT_EQ(latencyMillisecondsToFrames(90), 3968);  // 3969 cut down
  EXPECT_EQ(latencyMillisecondsToFrames(1), 32);
  EXPECT_EQ(latencyMillisecondsToFrames(10), 416);  // 441
}

TEST(AudioCandidates, SplitKeepsOnlyTheLastEmptyPiece) {
  EXPECT_EQ(splitByString("a|||b", "|||"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(splitByString("|||a||||||b|||", "|||"), (std::vector<std::string>{"a", "b", ""}));
  EXPECT_EQ(splitByString("", "|||"), (std::vector<std::string>{""}));
  EXPECT_TRUE(strHasEnding("USB***", "***"));
  EXPECT_FALSE(strHasEnding("**", "***"));
}

TEST_F(AudioDeviceChoice, NullOutputAndTheFileDeviceApplyTheMomentTheyAreChosen) {
  ASSERT_EQ(rig->start(), 1);
  ASSERT_EQ(ShellRig::openRow(), ShellRig::row("Null output"));

  // From the dialog: the file device opens at once and writes what the master plays into Recordings.
  auto* devices = ShellRig::control<wxChoice>(ID_CFG_AUDIO_DEVICE);
  devices->SetSelection(devices->FindString("File output"));
  wxCommandEvent event(wxEVT_CHOICE, ID_CFG_AUDIO_DEVICE);
  devices->GetEventHandler()->ProcessEvent(event);
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "File output");
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("File output"));
  EXPECT_GT(waitForSize(fileOutput(), 44 + 1184 * 8), 44u + 1184 * 8);

  // From code: back to the null output; the file device stops writing.
  choose("Null output", ZRPreferences::NotificationProgram);
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("Null output"));
  EXPECT_EQ(devices->GetStringSelection(), "Null output");
  const uintmax_t closed = fs::file_size(fileOutput());
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_EQ(fs::file_size(fileOutput()), closed);
  EXPECT_TRUE(audioOutput->getDevice()->isRunning());
}

TEST_F(AudioDeviceChoice, TheLatencyReopensTheDeviceAndIsShown) {
  ASSERT_EQ(rig->start(), 1);
  choose("Manual pump", ZRPreferences::NotificationProgram);
  preferences->setValue("ALatency", 90, 0, ZRPreferences::NotificationProgram);
  EXPECT_EQ(audioOutput->getLatency(), 3968);
  EXPECT_EQ(ShellRig::control<wxStaticText>(ID_CFG_LATENCY_TEXT)->GetLabel(), "90.0 ms");
}

TEST_F(AudioDeviceChoice, ASavedDeviceThatIsGoneLeavesTheDefaultPlayingAndKeepsItsName) {
  orvel_test::writeFile(
      rig->preferencesPath(),
      preferencesXml("\t<pref name=\"AudioDevice\" value=\"USB Turntable\" type=\"3\" />\n"));
  LogCapture log;
  ASSERT_EQ(rig->start(), 1);
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("Null output"));
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "USB Turntable");
  EXPECT_EQ(
      log.count("warning: the sound device 'USB Turntable' is not present; 'Null output' plays instead"), 1);
}

TEST_F(AudioDeviceChoice, ADeviceThatFailsIsReportedOnceAndTheNullOutputPlays) {
  ASSERT_EQ(rig->start(), 1);
  choose("Manual pump", ZRPreferences::NotificationProgram);
  // The file device cannot create its file.
  fs::remove_all(theRecordingsDir.utf8());
  LogCapture log;
  choose("File output", ZRPreferences::NotificationDialog);
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("Null output"));
  EXPECT_EQ(
      log.count(
          "The sound device 'File output' could not be opened. The sound goes to 'Null output' instead."),
      1);
}

TEST_F(AudioDeviceChoice, SplitStereoPutsTheDecksAndHeadphonesOnSingleChannels) {
  ASSERT_EQ(rig->start(), 1);
  choose("Manual pump", ZRPreferences::NotificationProgram);
  preferences->setValue("ASplitStereoMode", 1, 0, ZRPreferences::NotificationSkin);
  for (const char* key :
       {"RoutingOutDeckA", "RoutingOutDeckB", "RoutingOutDeckC", "RoutingOutDeckD", "RoutingOutSamplerMic"}) {
    EXPECT_EQ(ShellRig::intSetting(key), 3) << key;
  }
  EXPECT_EQ(ShellRig::intSetting("RoutingOutHeadphones"), 4);
  EXPECT_EQ(audioOutput->getRoute(0), 0);  // deck A: channel 1 alone
  EXPECT_EQ(audioOutput->getRoute(1), 0);
  EXPECT_EQ(audioOutput->getRoute(6), 1);  // headphones: channel 2 alone

  preferences->setValue("ASplitStereoMode", 0, 0, ZRPreferences::NotificationSkin);
  EXPECT_EQ(ShellRig::intSetting("RoutingOutDeckA"), 1);
  EXPECT_EQ(ShellRig::intSetting("RoutingOutHeadphones"), 2);

  // A new device always starts without split stereo.
  preferences->setValue("ASplitStereoMode", 1, 0, ZRPreferences::NotificationSkin);
  choose("Null output", ZRPreferences::NotificationProgram);
  EXPECT_EQ(ShellRig::intSetting("ASplitStereoMode"), 0);
  EXPECT_EQ(ShellRig::intSetting("RoutingOutDeckA"), 1);
}

TEST_F(AudioDeviceChoice, TheMasterEffectsNoteFollowsTheRouting) {
  ASSERT_EQ(rig->start(), 1);
  auto* note = ShellRig::control<wxStaticText>(ID_CFG_MASTER_FX_NOTE);
  EXPECT_EQ(note->GetLabel(), "Current audio settings: master FX can be used");
  preferences->setValue("RoutingOutDeckB", 0, 0, ZRPreferences::NotificationDialog);
  EXPECT_EQ(note->GetLabel(), "Current audio settings: master FX can NOT be used");
}

TEST_F(AudioDeviceChoice, ControllerScriptsChooseByNameOrPartOfIt) {
  ASSERT_EQ(rig->start(), 1);
  EXPECT_TRUE(tryToSetAudioDevice("Built-in Output|||Manu***"));
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "Manual pump");
  EXPECT_EQ(ShellRig::openRow(), ShellRig::row("Manual pump"));
  EXPECT_TRUE(tryToSetAudioDevice("Null output"));
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "Null output");
  EXPECT_FALSE(tryToSetAudioDevice("Built-in Output|||USB***"));
  EXPECT_FALSE(tryToSetAudioDevice("Manual"));  // not a whole name
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "Null output");

  preferences->setValue("ControllersConfigAudio", 0, 0, ZRPreferences::NotificationDialog);
  EXPECT_FALSE(tryToSetAudioDevice("Manual pump"));
  EXPECT_EQ(ShellRig::textSetting("AudioDevice"), "Null output");
}
