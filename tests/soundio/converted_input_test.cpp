// The input of a device that refuses 44100 Hz reaches the engine converted, as one unbroken stream: at every
// buffer size and rate no silence is spliced in (a timecode read from a line input depends on it).

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "soundio/audio_device_table.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_io.h"

namespace {

struct Format {
  int rate;
  int buffer;
};

void PrintTo(const Format& f, std::ostream* os) {
  *os << f.rate << " Hz, " << f.buffer << " frames";
}

std::vector<float> recorded;

int record(float* in, int frames, int channels, void*) {
  for (int i = 0; i < frames; ++i) recorded.push_back(in[i * channels]);
  return frames;
}

int silence(float* out, int frames, int channels, void*) {
  std::fill(out, out + frames * channels, 0.0f);
  return frames;
}

class ConvertedInputTest : public ::testing::TestWithParam<Format> {};

}  // namespace

TEST_P(ConvertedInputTest, ArrivesWithoutGaps) {
  const Format f = GetParam();
  ZRBuiltInAudioDevices s;
  s.systemDevices = false;
  s.manualPump = true;
  s.manualRate = f.rate;
  s.manualInputChannels = 2;
  setBuiltInAudioDevices(s);
  scanAudioDevices();
  recorded.clear();
  recorded.reserve(120000);
  {
    ZRAudioIO io(getAudioDeviceIndexFromName("Manual pump"), &record, &silence, f.buffer, nullptr, nullptr, 0,
                 -1);
    ASSERT_EQ(io.getLatency(), f.buffer);
    const int frames = 2 * f.rate;
    std::vector<float> in(2 * static_cast<size_t>(frames)), out(in.size());
    for (int i = 0; i < frames; ++i)
      in[2 * i] = in[2 * i + 1] = static_cast<float>(0.5 * std::sin(2 * M_PI * 440.0 * i / f.rate));
    for (int at = 0; at + f.buffer <= frames; at += f.buffer) {
      ASSERT_TRUE(pumpManualAudioDevice(f.buffer, in.data() + 2 * at, out.data() + 2 * at));
    }
  }
  // About two seconds at 44100 Hz, and after the start (the converters' delay) no step larger than the
  // sine's own.
  EXPECT_NEAR(static_cast<double>(recorded.size()), 88200.0, 88200.0 * 0.05);
  const double largest = 0.5 * 2 * M_PI * 440.0 / 44100.0;
  long steps = 0;
  for (size_t i = 4500; i < recorded.size(); ++i)
    steps += std::fabs(recorded[i] - recorded[i - 1]) > 1.1 * largest;
  EXPECT_EQ(steps, 0);
  freeScanAudioDevices();
  setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
}

INSTANTIATE_TEST_SUITE_P(RatesAndBuffers, ConvertedInputTest,
                         ::testing::Values(Format{48000, 64}, Format{48000, 100}, Format{48000, 256},
                                           Format{48000, 1024}, Format{48000, 2048}, Format{96000, 100},
                                           Format{96000, 4096}, Format{22050, 4096}),
                         [](const ::testing::TestParamInfo<Format>& info) {
                           return std::to_string(info.param.rate) + "Hz_" + std::to_string(info.param.buffer);
                         });
