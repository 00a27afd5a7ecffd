// The system-device path for real: a private JACK server with its dummy driver is a sound device paced in
// real time. The whole engine plays two generated tones through it, chosen by name from the device table as
// the application does, and a JACK client of the test records what reaches the server's playback ports.
// Also: a device that fails is replaced by "Null output" and reported once, and routing follows the channels
// of the stream actually opened.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "soundio/audio_device_table.h"
#include "soundio/engine_test_rig.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/jack_dummy_server.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

struct SystemDeviceCase {
  const char* label;
  const char* device;  // the device table's name of the device
  int rate;            // the server's rate
};

std::string caseName(const testing::TestParamInfo<SystemDeviceCase>& info) {
  return info.param.label;
}

void PrintTo(const SystemDeviceCase& c, std::ostream* out) {
  *out << c.label;
}

// Ends the sound system's session while the JACK server still runs, whatever way the test leaves.
struct DeviceScan {
  DeviceScan() {
    ZRBuiltInAudioDevices settings;
    settings.systemDevices = true;
    setBuiltInAudioDevices(settings);
    scanAudioDevices();
  }
  ~DeviceScan() {
    freeScanAudioDevices();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
  }
};

// A tone's frequency from its upward zero crossings (placed between samples), and the largest deviation of
// one crossing interval from the mean: a lost or repeated buffer shows as an interval off by many samples.
struct ToneReading {
  double frequency = 0;
  double worstIntervalError = 0;
  int crossings = 0;
};

ToneReading readTone(const std::vector<float>& x, long from, long to, int rate) {
  std::vector<double> at;
  for (long i = from + 1; i < to; ++i) {
    if (x[i - 1] < 0 && x[i] >= 0) at.push_back(i - 1 + x[i - 1] / (x[i - 1] - x[i]));
  }
  ToneReading r;
  r.crossings = static_cast<int>(at.size());
  if (at.size() < 3) return r;
  const double mean = (at.back() - at.front()) / (at.size() - 1);
  r.frequency = rate / mean;
  for (size_t i = 1; i < at.size(); ++i)
    r.worstIntervalError = std::max(r.worstIntervalError, std::fabs(at[i] - at[i - 1] - mean));
  return r;
}

// The quietest and loudest 64-frame stretch against the median one: a gap of silence drops the quietest.
void levelRange(const std::vector<float>& x, long from, long to, double& lowest, double& highest) {
  std::vector<double> rms;
  for (long w = from; w + 64 <= to; w += 64) {
    double sum = 0;
    for (long i = w; i < w + 64; ++i) sum += static_cast<double>(x[i]) * x[i];
    rms.push_back(std::sqrt(sum / 64));
  }
  std::vector<double> sorted = rms;
  std::sort(sorted.begin(), sorted.end());
  const double median = sorted[sorted.size() / 2];
  lowest = sorted.front() / median;
  highest = sorted.back() / median;
}

long firstSound(const std::vector<float>& x) {
  for (size_t i = 0; i < x.size(); ++i) {
    if (std::fabs(x[i]) > 0.01f) return static_cast<long>(i);
  }
  return -1;
}

// One stretch of play: the frames the capture recorded meanwhile, the device's callbacks and the cycles
// the server (or the device) lost.
struct Window {
  long firstFrame = 0;
  long endFrame = 0;
  uint64_t callbacks = 0;
  double seconds = 0;
  unsigned xruns = 0;
};
constexpr int kWindows = 3;

Window playWindow(const orvel_test::JackPlaybackCapture& capture, const CCAoutput& device,
                  std::chrono::milliseconds length) {
  Window w;
  const unsigned serverXruns = capture.xruns(), deviceXruns = device.xruns();
  const uint64_t callbacks = device.callbackStats().count();
  w.firstFrame = capture.frames();
  const auto began = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(length);
  w.endFrame = capture.frames();
  w.callbacks = device.callbackStats().count() - callbacks;
  w.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  w.xruns = (capture.xruns() - serverXruns) + (device.xruns() - deviceXruns);
  return w;
}

class SystemDeviceTest : public testing::TestWithParam<SystemDeviceCase> {};

TEST_P(SystemDeviceTest, PlaysTwoTonesAtTheDevicesPace) {
  const SystemDeviceCase& c = GetParam();
  orvel_test::JackDummyServer server(c.rate, 256);
  if (!server.running()) GTEST_SKIP() << "no JACK server can run here: " << server.failure();

  orvel_test::TempDir dir;
  orvel_test::JackPlaybackCapture capture;
  ASSERT_TRUE(capture.open(server.name(), 12L * c.rate));
  ASSERT_EQ(capture.rate(), c.rate);

  DeviceScan scan;
  const int row = getAudioDeviceIndexFromName(c.device);
  if (row < 0 && std::string(c.device) == "jack") {
    GTEST_SKIP() << "ALSA offers no \"jack\" device here (its JACK plug-in is in libasound2-plugins)";
  }
  ASSERT_GE(row, 0) << "no device named " << c.device;

  InitializeMixerChannels();
  {
    orvel_test::ToneDecks decks(dir, 1000.0, 1500.0, 10.0, 16000);
    ASSERT_TRUE(decks.ready(std::chrono::seconds(20)));
    CSoundSource& deckA = decks.a;
    CSoundSource& deckB = decks.b;
    ZRMixerChannel channelA(&deckA, nullptr, 0), channelB(&deckB, nullptr, 0);
    ZRMixer mixer(22050);
    ASSERT_EQ(mixer.AddMixerChannel(&channelA), 0);
    ASSERT_EQ(mixer.AddMixerChannel(&channelB), 1);
    mixer.SetFaderPosition(0, 127);
    mixer.SetFaderPosition(1, 127);

    ZRAudioMultiOutput output(&mixer, nullptr, nullptr, nullptr);
    int problems = 0;
    output.setDeviceProblemHandler([&](const char*, const char*) { ++problems; });
    output.updateAudioDevices(row, -1, 256, nullptr, 0);
    ASSERT_EQ(problems, 0);
    ASSERT_NE(output.getDevice(), nullptr);
    const CCAoutput* device = output.getDevice()->output();
    ASSERT_TRUE(device != nullptr && device->isRunning());
    const int bufferFrames = device->GetLatency();
    EXPECT_GT(bufferFrames, 0);
    EXPECT_NE(device->realtime(), CCAoutput::Realtime::kUnknown);
    // Deck A's bus alone on the first channel, deck B's on the second (mono routes on a stereo device).
    ASSERT_EQ(output.getOutputChannels(), 2);
    output.updateRoutingForOutputDeck(0, 2);
    output.updateRoutingForOutputDeck(1, 3);
    ASSERT_GT(capture.connectPlaybackSources(3000), 0);

    deckA.PlayPause(1);
    deckB.PlayPause(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    // A window of play is judged when neither the server nor the device lost a cycle during it: on a
    // loaded machine another process may hold a core past a period, which costs the server a cycle whoever
    // runs. A lost cycle outside any xrun, or xruns in every window, fail.
    Window window;
    for (int attempt = 0; attempt < kWindows; ++attempt) {
      window = playWindow(capture, *device, std::chrono::milliseconds(2000));
      if (window.xruns == 0) break;
    }
    deckA.PlayPause(0);
    deckB.PlayPause(0);
    RecordProperty("xruns", static_cast<int>(window.xruns));
    EXPECT_EQ(window.xruns, 0u) << "cycles were lost in every one of " << kWindows << " windows";
    const std::vector<float> left = capture.channel(0), right = capture.channel(1);
    output.updateAudioDevices(-1, -1, 256, nullptr, 0);

    // The device called back at its own pace: one buffer of its size per buffer's time.
    const double framesPerSecond = static_cast<double>(window.callbacks) * bufferFrames / window.seconds;
    EXPECT_NEAR(framesPerSecond / c.rate, 1.0, 0.1)
        << window.callbacks << " callbacks in " << window.seconds << " s";

    ASSERT_GE(std::max(firstSound(left), firstSound(right)), 0) << "nothing reached the playback ports";
    const long from = window.firstFrame, to = std::min(window.endFrame, static_cast<long>(left.size()));
    ASSERT_GT(to - from, c.rate) << "less than a second of sound recorded";
    for (int ch = 0; ch < 2; ++ch) {
      const std::vector<float>& x = ch == 0 ? left : right;
      const double expected = ch == 0 ? 1000.0 : 1500.0;
      const ToneReading tone = readTone(x, from, to, c.rate);
      EXPECT_NEAR(tone.frequency, expected, 0.3) << "channel " << ch;
      EXPECT_LT(tone.worstIntervalError, 0.5)
          << "channel " << ch << ": a jump in the tone (lost or repeated audio)";
      double lowest, highest;
      levelRange(x, from, to, lowest, highest);
      EXPECT_GT(lowest, 0.7) << "channel " << ch << ": a gap";
      EXPECT_LT(highest, 1.3) << "channel " << ch;
    }
  }
  DeinitializeMixerChannels();
}

INSTANTIATE_TEST_SUITE_P(JackDummy, SystemDeviceTest,
                         testing::Values(SystemDeviceCase{"JackApi44100", "system", 44100},
                                         SystemDeviceCase{"JackApi48000", "system", 48000},
                                         SystemDeviceCase{"AlsaJackDevice44100", "jack", 44100},
                                         SystemDeviceCase{"AlsaJackDevice48000", "jack", 48000}),
                         caseName);

// The JACK server stops while the engine plays through it (the user quits it): closing the device and ending
// the sound system afterwards must neither hang nor take the application down with it.
TEST(SoundDeviceFailureTest, ServerGoneWhilePlayingClosesCleanly) {
  orvel_test::JackDummyServer server(44100, 256);
  if (!server.running()) GTEST_SKIP() << "no JACK server can run here: " << server.failure();
  {
    DeviceScan scan;
    const int row = getAudioDeviceIndexFromName("system");
    ASSERT_GE(row, 0);
    ZRMixer mixer(22050);
    ZRAudioMultiOutput output(&mixer, nullptr, nullptr, nullptr);
    output.updateAudioDevices(row, -1, 256, nullptr, 0);
    ASSERT_TRUE(output.getDevice() != nullptr && output.getDevice()->isRunning());
    const CCAoutput* device = output.getDevice()->output();
    const uint64_t before = device->callbackStats().count();
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_GT(device->callbackStats().count(), before);
    server.stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    orvel_test::LogCapture log;
    const auto began = std::chrono::steady_clock::now();
    output.updateAudioDevices(-1, -1, 256, nullptr, 0);
    EXPECT_EQ(output.getLatency(), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - began, std::chrono::seconds(5));
    EXPECT_EQ(log.count("the JACK server has gone away; its sound stream stays open"), 1);
  }
}

TEST(SoundDeviceFailureTest, FailedDeviceFallsBackToNullOutputAndIsReportedOnce) {
  orvel_test::TempDir dir;
  ZRBuiltInAudioDevices settings;
  settings.systemDevices = false;
  settings.fileOutputPath = dir.file("no-such-folder/out.wav");
  setBuiltInAudioDevices(settings);
  scanAudioDevices();
  const int fileRow = getAudioDeviceIndexFromName("File output");
  const int nullRow = getNullAudioDeviceIndex();
  ASSERT_GE(fileRow, 0);
  ASSERT_GE(nullRow, 0);

  ZRMixer mixer(22050);
  ZRAudioMultiOutput output(&mixer, nullptr, nullptr, nullptr);
  std::vector<std::pair<std::string, std::string>> told;
  output.setDeviceProblemHandler(
      [&](const char* failed, const char* used) { told.emplace_back(failed, used != nullptr ? used : ""); });
  orvel_test::LogCapture log;
  output.updateAudioDevices(fileRow, -1, 512, nullptr, 0);
  ASSERT_EQ(told.size(), 1u);
  EXPECT_EQ(told[0].first, "File output");
  EXPECT_EQ(told[0].second, "Null output");
  EXPECT_EQ(log.count("sound device 'File output' can not be used, playing on 'Null output' instead"), 1);
  // The engine runs on: the null device calls back, and the routing has its channels.
  ASSERT_NE(output.getDevice(), nullptr);
  EXPECT_EQ(output.getDevice()->getDeviceIndex(), nullRow);
  EXPECT_TRUE(output.getDevice()->isRunning());
  EXPECT_EQ(output.getLatency(), 512);
  EXPECT_EQ(output.getOutputChannels(), 2);
  // The same choice again (nothing changed) re-opens nothing and tells nothing more.
  output.updateAudioDevices(fileRow, -1, 512, nullptr, 0);
  EXPECT_EQ(told.size(), 1u);
  output.updateAudioDevices(-1, -1, 512, nullptr, 0);
  EXPECT_EQ(output.getLatency(), 0);
  freeScanAudioDevices();
  setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
}

TEST(SoundDeviceFailureTest, RoutingFollowsTheChannelsOfTheStreamOpened) {
  // The device lists four outputs and two inputs but opens as stereo without input, as a device that
  // cannot open all its channels at once does.
  ZRBuiltInAudioDevices settings;
  settings.systemDevices = false;
  settings.manualPump = true;
  settings.manualOutputChannels = 4;
  settings.manualInputChannels = 2;
  settings.manualOpenedOutputChannels = 2;
  settings.manualOpensInput = false;
  setBuiltInAudioDevices(settings);
  scanAudioDevices();
  const int row = getAudioDeviceIndexFromName("Manual pump");
  ASSERT_GE(row, 0);
  ASSERT_EQ(getAudioDeviceOutputChannels(row), 4);

  ZRMixer mixer(22050);
  ZRAudioMultiOutput output(&mixer, nullptr, nullptr, nullptr);
  output.updateAudioDevices(row, -1, 256, nullptr, 0);
  EXPECT_EQ(output.getOutputChannels(), 2);
  EXPECT_EQ(output.getInputChannels(), 0);
  // Selector 2 on a stereo stream is channel 0 alone (on the listed four channels it would be the pair 2-3,
  // which the stream does not have).
  output.updateRoutingForOutputDeck(0, 2);
  EXPECT_EQ(output.getRoute(0), 0);
  EXPECT_EQ(output.getRoute(1), 0);
  output.updateAudioDevices(-1, -1, 256, nullptr, 0);
  freeScanAudioDevices();
  setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
}

}  // namespace
