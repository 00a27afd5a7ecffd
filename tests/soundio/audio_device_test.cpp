// The device layer: table, lookups, buffer clamping, our own devices (null, file, manual pump), rate
// conversion and the splitting of long device buffers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <thread>
#include <vector>

#include "soundio/audio_device_table.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_io.h"
#include "support/test_support.h"

namespace {

int findDevice(const char* name) {
  char text[256];
  for (int i = 0; i < getAudioDeviceTotal(0, 0); ++i) {
    if (getAudioDeviceNameFromIndex(i, text) && std::strcmp(text, name) == 0) return i;
  }
  return -1;
}

// Counts callbacks and frames, writes a ramp on every output channel, keeps the input it was given.
struct Probe {
  std::atomic<int> playedCalls{0}, recordedCalls{0};
  std::atomic<long> playedFrames{0}, recordedFrames{0};
  std::atomic<int> maxFrames{0};
  std::vector<float> recorded;  // channel 0 of everything recorded (manual pump tests only)
  double phase = 0.0;
  double freq = 0.0;  // 0: a ramp of frame numbers / 1e6

  static int played(float* out, int frames, int channels, void* self) {
    auto* p = static_cast<Probe*>(self);
    for (int i = 0; i < frames; ++i) {
      float v;
      if (p->freq > 0) {
        v = static_cast<float>(0.5 * std::sin(2 * M_PI * p->freq * p->phase / 44100.0));
      } else {
        v = static_cast<float>(p->phase / 1e6);
      }
      p->phase += 1;
      for (int c = 0; c < channels; ++c) out[i * channels + c] = v;
    }
    p->playedCalls++;
    p->playedFrames += frames;
    if (frames > p->maxFrames) p->maxFrames = frames;
    return frames;
  }
  static int rec(float* in, int frames, int channels, void* self) {
    auto* p = static_cast<Probe*>(self);
    p->recordedCalls++;
    p->recordedFrames += frames;
    if (p->recorded.capacity() >= p->recorded.size() + frames) {
      for (int i = 0; i < frames; ++i) p->recorded.push_back(in[i * channels]);
    }
    return frames;
  }
};

class AudioDeviceTest : public ::testing::Test {
 protected:
  void scan(const ZRBuiltInAudioDevices& s) {
    setBuiltInAudioDevices(s);
    scanAudioDevices();
  }
  void TearDown() override {
    freeScanAudioDevices();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
  }
  static ZRBuiltInAudioDevices ownOnly() {
    ZRBuiltInAudioDevices s;
    s.systemDevices = false;
    return s;
  }
};

// Frequency of a sine by its positive-going zero crossings.
double zeroCrossingFrequency(const std::vector<float>& x, double rate, int skip) {
  int first = -1, last = -1, count = 0;
  for (size_t i = skip + 1; i < x.size(); ++i) {
    if (x[i - 1] < 0 && x[i] >= 0) {
      if (first < 0) first = static_cast<int>(i);
      last = static_cast<int>(i);
      ++count;
    }
  }
  return count > 1 ? (count - 1) * rate / (last - first) : 0.0;
}

}  // namespace

TEST_F(AudioDeviceTest, TableAndLookups) {
  ZRBuiltInAudioDevices s = ownOnly();
  s.nullInputChannels = 2;
  s.nullOutputChannels = 6;
  s.manualPump = true;
  scan(s);
  ASSERT_EQ(getAudioDeviceTotal(7, 9), 2);
  char name[256] = "x";
  EXPECT_TRUE(getAudioDeviceNameFromIndex(0, name));
  EXPECT_STREQ(name, "Null output");
  EXPECT_FALSE(getAudioDeviceNameFromIndex(-1, name));
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(getAudioDeviceNameFromIndex(2, name));
  EXPECT_FALSE(getAudioDeviceNameFromIndex(0, nullptr));
  EXPECT_TRUE(getAudioDeviceChannelNameFromIndex(0, 0, 0, name));
  EXPECT_STREQ(name, "");
  EXPECT_FALSE(getAudioDeviceChannelNameFromIndex(0, 0, 0, nullptr));
  EXPECT_EQ(getAudioDeviceOutputChannels(0), 6);
  EXPECT_EQ(getAudioDeviceInputChannels(0), 2);
  EXPECT_EQ(getAudioDeviceOutputChannels(5), 0);
  // Without a sound card the null output is the default.
  EXPECT_EQ(getDefaultAudioDeviceIndex(true), 0);
  EXPECT_EQ(getDefaultAudioDeviceIndex(false), 0);
  EXPECT_EQ(findDevice("Manual pump"), 1);
  uint32_t id = 7;
  EXPECT_NE(CA_CreateAggregateDevice(0, 1, id), 0);
}

TEST_F(AudioDeviceTest, SystemScanKeepsOurDevicesAndOneFreeRow) {
  scan(ZRBuiltInAudioDevices{});
  ASSERT_GE(CA_DEVs, 1);
  EXPECT_LT(CA_DEVs, kAudioDeviceTableRows);
  EXPECT_GE(findDevice("Null output"), 0);
  for (int i = 0; i < CA_DEVs; ++i) EXPECT_GT(CA_DEVICE[i].outputChannels, 0) << i;
  const int def = getDefaultAudioDeviceIndex(true);
  EXPECT_TRUE(CA_DEVICE[def].defaultOutput || def == 0);
}

TEST_F(AudioDeviceTest, NoDevicesMeansNoOutput) {
  freeScanAudioDevices();
  CA_DEVs = 0;
  Probe p;
  ZRAudioIO io(0, &Probe::rec, &Probe::played, 256, &p, nullptr, 0, -1);
  EXPECT_EQ(io.getLatency(), 0);
  EXPECT_EQ(io.output(), nullptr);
}

TEST_F(AudioDeviceTest, BufferSizeIsClampedAndReadBack) {
  ZRBuiltInAudioDevices s = ownOnly();
  s.manualPump = true;
  scan(s);
  const int manual = findDevice("Manual pump");
  Probe p;
  {
    ZRAudioIO io(manual, &Probe::rec, &Probe::played, 4, &p, nullptr, 0, -1);
    EXPECT_EQ(io.getLatency(), CA_DEVICE[manual].minimumBufferFrames);
    EXPECT_EQ(CA_DEVICE[manual].currentBufferFrames, io.getLatency());
  }
  {
    ZRAudioIO io(manual, &Probe::rec, &Probe::played, 1000000, &p, nullptr, 0, -1);
    EXPECT_EQ(io.getLatency(), CA_DEVICE[manual].maximumBufferFrames);
  }
  // An index past the table is clamped to the last row; a second device falls back to the first alone.
  ZRAudioIO io(99, &Probe::rec, &Probe::played, 300, &p, nullptr, 0, 0);
  EXPECT_EQ(io.getLatency(), 300);
  double rate;
  int frames, in, out;
  ASSERT_TRUE(getManualAudioDeviceFormat(rate, frames, in, out));
  EXPECT_EQ(frames, 300);
}

TEST_F(AudioDeviceTest, LongDeviceBuffersArePassedOnInPieces) {
  ZRBuiltInAudioDevices s = ownOnly();
  s.manualPump = true;
  scan(s);
  Probe p;
  p.recorded.reserve(3 * 8192);
  ZRAudioIO io(findDevice("Manual pump"), &Probe::rec, &Probe::played, 8192, &p, nullptr, 0, -1);
  ASSERT_EQ(io.getLatency(), 8192);
  std::vector<float> input(2 * 8192 * 2), output(2 * 8192 * 2);
  for (int i = 0; i < 2 * 8192; ++i) input[2 * i] = input[2 * i + 1] = static_cast<float>(i);
  ASSERT_TRUE(pumpManualAudioDevice(2 * 8192, input.data(), output.data()));
  EXPECT_EQ(p.playedFrames.load(), 2 * 8192);
  EXPECT_EQ(p.recordedFrames.load(), 2 * 8192);
  EXPECT_LE(p.maxFrames.load(), CCAoutput::kMaxCallbackFrames);
  // Each piece's input precedes its output and nothing is lost or repeated.
  for (int i = 0; i < 2 * 8192; ++i) {
    ASSERT_EQ(p.recorded[i], static_cast<float>(i));
    ASSERT_FLOAT_EQ(output[2 * i], static_cast<float>(i / 1e6));
  }
}

TEST_F(AudioDeviceTest, DeviceAt48kIsConvertedBothWays) {
  ZRBuiltInAudioDevices s = ownOnly();
  s.manualPump = true;
  s.manualRate = 48000;
  s.manualInputChannels = 1;
  s.manualOutputChannels = 2;
  scan(s);
  Probe p;
  p.freq = 1000.0;
  p.recorded.reserve(48000);
  ZRAudioIO io(findDevice("Manual pump"), &Probe::rec, &Probe::played, 512, &p, nullptr, 0, -1);
  ASSERT_EQ(io.getLatency(), 512);
  ASSERT_EQ(io.output()->getOutputRate(), 48000.0);
  const int frames = 512 * 80;
  std::vector<float> input(frames), output(2 * frames);
  for (int i = 0; i < frames; ++i)
    input[i] = static_cast<float>(0.5 * std::sin(2 * M_PI * 440.0 * i / 48000.0));
  ASSERT_TRUE(pumpManualAudioDevice(frames, input.data(), output.data()));
  // The engine is asked for 470 frames (512 x 44100 / 48000) at a time.
  EXPECT_EQ(p.maxFrames.load(), 470);
  EXPECT_NEAR(static_cast<double>(p.playedFrames.load()), frames * 44100.0 / 48000.0, 2000);
  std::vector<float> left(frames);
  for (int i = 0; i < frames; ++i) left[i] = output[2 * i];
  EXPECT_NEAR(zeroCrossingFrequency(left, 48000.0, 2048), 1000.0, 2.0);
  EXPECT_NEAR(zeroCrossingFrequency(p.recorded, 44100.0, 2048), 440.0, 2.0);
  // A band-limited converter: no step between device buffers, the peak stays near the source's.
  float peak = 0, maxStep = 0;
  for (int i = 4096; i < frames; ++i) {
    peak = std::max(peak, std::fabs(left[i]));
    maxStep = std::max(maxStep, std::fabs(left[i] - left[i - 1]));
  }
  EXPECT_NEAR(peak, 0.5f, 0.02f);
  EXPECT_LT(maxStep, 0.5f * 2 * M_PI * 1000 / 48000 * 1.1);
}

TEST_F(AudioDeviceTest, NullOutputRunsInRealTime) {
  ZRBuiltInAudioDevices s = ownOnly();
  s.nullOutputChannels = 2;
  scan(s);
  Probe p;
  const auto start = std::chrono::steady_clock::now();
  {
    ZRAudioIO io(0, &Probe::rec, &Probe::played, 256, &p, nullptr, 0, -1);
    ASSERT_TRUE(io.output()->isRunning());
    for (int i = 0; i < 400 && p.playedCalls.load() < 20; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(p.playedCalls.load(), 20);
  EXPECT_EQ(p.recordedCalls.load(), 0);  // no input channels
  // Paced, not a busy loop: never more buffers than the elapsed time holds (plus the first one).
  EXPECT_LE(p.playedCalls.load(), static_cast<int>(elapsed * 44100.0 / 256) + 2);
  // Closed: no more callbacks.
  const int after = p.playedCalls.load();
  std::this_thread::sleep_for(std::chrono::milliseconds(20));
  EXPECT_EQ(p.playedCalls.load(), after);
}

TEST_F(AudioDeviceTest, FileDeviceWritesAWavAndReadsItsInput) {
  orvel_test::TempDir dir;
  std::vector<int16_t> in(2 * 44100);
  for (int i = 0; i < 44100; ++i) in[2 * i] = in[2 * i + 1] = static_cast<int16_t>(i % 1000);
  ASSERT_TRUE(orvel_test::writeWav16(dir.file("in.wav"), in, 2, 44100));
  ZRBuiltInAudioDevices s = ownOnly();
  s.fileOutputPath = dir.file("out.wav");
  s.fileInputPath = dir.file("in.wav");
  scan(s);
  const int file = findDevice("File output");
  ASSERT_GE(file, 0);
  Probe p;
  p.recorded.reserve(44100);
  {
    ZRAudioIO io(file, &Probe::rec, &Probe::played, 512, &p, nullptr, 0, -1);
    for (int i = 0; i < 400 && p.playedCalls.load() < 8; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  const int calls = p.playedCalls.load();
  ASSERT_GE(calls, 8);
  for (size_t i = 0; i < p.recorded.size(); ++i) {
    ASSERT_NEAR(p.recorded[i], static_cast<float>(i % 1000) / 32768.0f, 1e-6) << i;
  }
  const std::string wav = orvel_test::readFile(dir.file("out.wav"));
  ASSERT_EQ(wav.size(), 44u + static_cast<size_t>(calls) * 512 * 2 * 4);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  uint16_t format;
  std::memcpy(&format, wav.data() + 20, 2);
  EXPECT_EQ(format, 3);
  uint32_t dataBytes;
  std::memcpy(&dataBytes, wav.data() + 40, 4);
  EXPECT_EQ(dataBytes, static_cast<uint32_t>(calls) * 512 * 8);
  for (int i = 0; i < calls * 512; i += 97) {
    float v;
    std::memcpy(&v, wav.data() + 44 + i * 8 + 4, 4);
    ASSERT_FLOAT_EQ(v, static_cast<float>(i / 1e6)) << i;
  }
}

TEST_F(AudioDeviceTest, PumpWithoutManualDeviceFails) {
  float out[4];
  EXPECT_FALSE(pumpManualAudioDevice(2, nullptr, out));
}
