// The record buttons: the file name's extension (only the name's, never a folder's), a start through the
// save box that records the master in the chosen format (tones read back for WAV, AIFF and MP3), a
// cancelled box or a refused start leaving both buttons off, and a second press stopping cleanly.

#include "actions_dj/recording_action.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/test_node_table.h"
#include "codecs/zr_master_codec.h"
#include "common/action_ids.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/zr_mixer.h"
#include "soundio/audio_device_table.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/audio_test_sources.h"
#include "support/test_support.h"

namespace {

std::string withExtension(const char* path) {
  return recordingPathWithExtension(ZRString(path)).utf8();
}

TEST(RecordingPath, OnlyTheFileNamesExtensionCounts) {
  const struct {
    const char* chosen;
    const char* written;
  } cases[] = {
      {"/music/mix", "/music/mix.aif"},
      {"/music/mix.MP3", "/music/mix.MP3"},
      {"/music/mix.wav", "/music/mix.wav"},
      {"/music/mix.AIFF", "/music/mix.AIFF"},
      {"/music/mix.ogg", "/music/mix.ogg.aif"},
      {"/music/old.aiff-files/take", "/music/old.aiff-files/take.aif"},
      {"/music/x.mp3.d/take.txt", "/music/x.mp3.d/take.txt.aif"},
      {"/music/mix.aif.bak", "/music/mix.aif.bak.aif"},
  };
  for (const auto& c : cases) EXPECT_EQ(withExtension(c.chosen), c.written) << c.chosen;
}

// The master of a mixer with a 1 kHz tone on deck A, through the output on a manual device.
class RecordingAction : public ::testing::Test {
 protected:
  void SetUp() override {
    ZRBuiltInAudioDevices s;
    s.systemDevices = false;
    s.manualPump = true;
    s.manualOutputChannels = 2;
    s.manualInputChannels = 0;
    setBuiltInAudioDevices(s);
    scanAudioDevices();
    main.AddMixerChannel(&tone);
    main.AddMixerChannel(&silence);
    for (int j = 0; j < 2; ++j) main.SetFaderPosition(j, 127);
    output = std::make_unique<ZRAudioMultiOutput>(&main, inputs, &mic, nullptr);
    output->updateAudioDevices(1, -1, 512, nullptr, 0);
    output->updateRoutingForOutputDeck(0, 1);
    output->updateRoutingForOutputDeck(1, 1);
    output->updateRoutingForOutputSamplerMic(1);
    pump(2048);
    audioOutput = output.get();
    table = std::make_shared<orvel_test::TestNodeTable>();
    installActionControls(table);
    installActionDialogs(
        {nullptr, nullptr,
         [this](const ZRString& title, const ZRString&, std::function<void(const ZRString&)> done) {
           ++boxes;
           boxTitle = title.utf8();
           done(ZRString(answer));
         }});
  }
  void TearDown() override {
    installActionDialogs({});
    installActionControls(nullptr);
    audioOutput = nullptr;
    output.reset();
    freeScanAudioDevices();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
  }
  void pump(int frames) {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    ASSERT_TRUE(pumpManualAudioDevice(frames, nullptr, out.data()));
  }
  bool buttonsOn() {
    const bool a = table->getSwitched(ACT_recording, -1), b = table->getSwitched(ACT_recording_audio, -1);
    EXPECT_EQ(a, b);
    return a && b;
  }

  orvel_test::SineSource tone{1000.0, 0.5f};
  orvel_test::ConstSource silence{0.0f, 0.0f};
  ZRMixer main{22050};
  CLiveInputSource inA{nullptr, 4410}, inB{nullptr, 4410}, mic{nullptr, 4410};
  CLiveInputSource* inputs[2] = {&inA, &inB};
  std::unique_ptr<ZRAudioMultiOutput> output;
  std::shared_ptr<orvel_test::TestNodeTable> table;
  std::string answer;
  int boxes = 0;
  std::string boxTitle;
  orvel_test::TempDir dir;
};

// The share of a signal's power at 1 kHz (Goertzel over whole periods).
double shareAt1kHz(const std::vector<int16_t>& samples, int channels) {
  const long frames = static_cast<long>(samples.size()) / channels;
  const long n = std::min<long>(frames, 44100) / 441 * 441;  // whole periods of 1 kHz... and of 100 Hz
  if (n <= 0) return 0;
  const long from = frames - n;
  double re = 0, im = 0, power = 0;
  for (long i = 0; i < n; ++i) {
    const double v = samples[(from + i) * channels];
    re += v * std::cos(2 * M_PI * 1000.0 * i / 44100.0);
    im += v * std::sin(2 * M_PI * 1000.0 * i / 44100.0);
    power += v * v;
  }
  return power > 0 ? 2.0 * (re * re + im * im) / n / power : 0;
}

TEST_F(RecordingAction, RecButtonRecordsTheMasterInTheChosenFormat) {
  for (const char* name : {"set.wav", "set.aif", "set.mp3"}) {
    answer = dir.file(name);
    table->userToggles(ACT_recording_audio, -1);
    ASSERT_TRUE(buttonsOn()) << name;
    // Two seconds at the pace of a device: the recorder's queue holds one second between its drains.
    for (int i = 0; i < 20; ++i) {
      pump(4410);
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    EXPECT_GE(output->getRecordingTime(), 1.0f) << name;
    table->userToggles(ACT_recording_audio, -1);
    EXPECT_FALSE(buttonsOn()) << name;
    EXPECT_FLOAT_EQ(output->getRecordingTime(), 0.0f) << name;

    ZRMasterCodec codec(30);
    codec.addAllCodecs(30);
    ZRCodecBase::OpenStruct request;
    request.path = answer;
    request.format = TDSPAudioFormat{44100, 2, 16, 16, 0, 0};
    ASSERT_TRUE(codec.openFileOrStream(&request, 1.0f)) << name;
    std::vector<int16_t> samples(2 * 88200);
    const int got = codec.getSamplesShort(samples.data(), 88200, 0);
    codec.close();
    EXPECT_GT(got, 80000) << name;
    samples.resize(2 * static_cast<size_t>(std::max(got, 0)));
    EXPECT_GT(shareAt1kHz(samples, 2), 0.9) << name;
  }
  EXPECT_EQ(boxes, 3);
}

TEST_F(RecordingAction, CancelOrRefusalLeavesTheButtonsOff) {
  answer = "";  // cancelled
  table->userToggles(ACT_recording_audio, -1);
  EXPECT_FALSE(buttonsOn());
  answer = dir.file("no/such/folder/take.wav");  // refused by the recorder
  table->userToggles(ACT_recording_audio, -1);
  EXPECT_FALSE(buttonsOn());
  EXPECT_EQ(boxes, 2);

  // A call from code takes the switch's state: off stops, and no box opens.
  FRecording(1, 0, 0, nullptr);
  EXPECT_EQ(boxes, 2);
  // The record button (not a switch) opens the box as well.
  answer = dir.file("take");
  FRecordingChooseType(1, -1, -1, orvel_test::TestNodeTable::node(ACT_recording, -1));
  EXPECT_TRUE(buttonsOn());
  pump(4410);
  FRecording(0, 0, 0, orvel_test::TestNodeTable::node(ACT_recording_audio, -1));
  EXPECT_FALSE(buttonsOn());
  EXPECT_EQ(orvel_test::readFile(dir.file("take.aif")).substr(0, 4), "FORM");
}

}  // namespace
