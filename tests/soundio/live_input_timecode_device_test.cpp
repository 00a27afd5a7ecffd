// A timecode record on a device input drives its deck through the whole engine: the device's input reaches
// the deck's live input (converted to 44100 Hz when the device runs at another rate), which reads speed and
// position from it and plays the deck through the deck's mixer channel. Run on the manual pump at the usual
// device rates.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "dsp/engine/live_input_source.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "soundio/audio_device_table.h"
#include "soundio/engine_test_rig.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/test_support.h"
#include "support/timecode_synth.h"

namespace {

struct Device {
  int rate;
  int buffer;
};

void PrintTo(const Device& d, std::ostream* os) {
  *os << d.rate << " Hz, " << d.buffer << " frames";
}

class LiveInputTimecodeDeviceTest : public ::testing::TestWithParam<Device> {};

}  // namespace

TEST_P(LiveInputTimecodeDeviceTest, TheRecordOnTheDeviceInputDrivesTheDeck) {
  const int rate = GetParam().rate;
  const int buffer = GetParam().buffer;
  orvel_test::TempDir dir;
  ZRBuiltInAudioDevices s;
  s.systemDevices = false;
  s.manualPump = true;
  s.manualInputChannels = 2;
  s.manualOutputChannels = 2;
  s.manualRate = rate;
  setBuiltInAudioDevices(s);
  scanAudioDevices();
  InitializeMixerChannels();
  {
    CSoundSource deck(0, ZRString(dir.file("Stripes").c_str()));
    ASSERT_TRUE(
        orvel_test::writeWav16(dir.file("track.wav"), orvel_test::stereoToneTrack(440, 30, 8000), 2, 44100));
    ASSERT_TRUE(orvel_test::openDeckFile(deck, dir.file("track.wav")));
    ASSERT_TRUE(orvel_test::waitDeckDecoded(deck, std::chrono::seconds(20)));

    CLiveInputSource inputA(&deck, 4410), inputB(nullptr, 4410);
    CLiveInputSource* inputs[2] = {&inputA, &inputB};
    ZRMixerChannel channel(&inputA, nullptr, 0);
    ZRMixer mixer(22050);
    ASSERT_EQ(mixer.AddMixerChannel(&channel), 0);
    mixer.SetFaderPosition(0, 127);
    ZRAudioMultiOutput output(&mixer, inputs, nullptr, nullptr);
    output.updateAudioDevices(getAudioDeviceIndexFromName("Manual pump"), -1, buffer, nullptr, 0);
    ASSERT_EQ(output.getInputChannels(), 2);
    output.updateRoutingForInputDeck(0, 1);
    output.updateRoutingForOutputDeck(0, 1);
    inputA.SetTimeCodeMode(1);

    // Three seconds of the record from 7 s, at the device's rate.
    orvel_test::TimecodeSynth record;
    const long frames = 3L * rate;
    const std::vector<float> in = record.render(7.0, 1.0, frames, rate);
    std::vector<float> out(2 * static_cast<size_t>(buffer));
    for (long at = 0; at + buffer <= frames; at += buffer) {
      ASSERT_TRUE(pumpManualAudioDevice(buffer, in.data() + 2 * at, out.data()));
    }
    EXPECT_TRUE(deck.IsPlaying());
    EXPECT_NEAR(inputA.GetTimecodeSpeed(), 1.0, 0.005);
    EXPECT_NEAR(deck.GetCurrentSpeed(), 1.0, 0.01);
    // The deck is where the record is, less what the conversion and the device buffers hold back.
    EXPECT_NEAR(deck.GetCurrentPos() / 44100.0, 10.0, 0.06);
    output.updateAudioDevices(-1, -1, buffer, nullptr, 0);
  }
  DeinitializeMixerChannels();
  freeScanAudioDevices();
  setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
}

INSTANTIATE_TEST_SUITE_P(DeviceRates, LiveInputTimecodeDeviceTest,
                         ::testing::Values(Device{44100, 256}, Device{48000, 256}, Device{48000, 1024}),
                         [](const ::testing::TestParamInfo<Device>& info) {
                           return std::to_string(info.param.rate) + "Hz_" + std::to_string(info.param.buffer);
                         });
