// The sound output on the manual pump: bus routing, the fully-internal-mixer flag, mono selectors, input
// distribution, the recording hand-off (callback and recorder), the limiter, and long device buffers.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "dsp/engine/live_input_source.h"
#include "dsp/engine/zr_mixer.h"
#include "soundio/audio_device_table.h"
#include "soundio/manual_audio_device.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/audio_test_sources.h"
#include "support/test_support.h"

using orvel_test::ConstSource;
using orvel_test::SineSource;

namespace {

// Deck A, deck B, a cue-only preview and one sampler on a mixer, with live inputs and the output, opened on
// a manual device of the given channel counts.
struct Rig {
  ConstSource a{0.5f, 0.25f}, b{0.1f, 0.2f}, preview{0.0f, 0.0f}, sampler{0.3f, -0.3f};
  ZRMixer mixer{22050};
  CLiveInputSource inA{nullptr, 4410}, inB{nullptr, 4410}, mic{nullptr, 4410};
  CLiveInputSource* decks[2] = {&inA, &inB};
  std::unique_ptr<ZRAudioMultiOutput> out;
  int outChannels, inChannels;

  Rig(int outputs, int inputs, int bufferFrames = 256, ZRAudioSignalSource* deckA = nullptr)
      : outChannels(outputs), inChannels(inputs) {
    ZRBuiltInAudioDevices s;
    s.systemDevices = false;
    s.manualPump = true;
    s.manualOutputChannels = outputs;
    s.manualInputChannels = inputs;
    setBuiltInAudioDevices(s);
    scanAudioDevices();
    mixer.AddMixerChannel(deckA != nullptr ? deckA : &a);
    mixer.AddMixerChannel(&b);
    mixer.AddMixerChannel(&preview);
    mixer.AddMixerChannel(&sampler);
    for (int j = 0; j < 4; ++j) mixer.SetFaderPosition(j, 127);
    mixer.SetCrossfaderCurveStartPoint(50, false);
    out = std::make_unique<ZRAudioMultiOutput>(&mixer, decks, &mic, nullptr);
    out->updateAudioDevices(1, -1, bufferFrames, nullptr, 0);
    // Settle the gain ramps.
    pump(512);
  }
  ~Rig() {
    out.reset();
    freeScanAudioDevices();
    setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
  }
  std::vector<float> pump(int frames, const std::vector<float>* input = nullptr) {
    std::vector<float> o(static_cast<size_t>(frames) * outChannels);
    EXPECT_TRUE(pumpManualAudioDevice(frames, input != nullptr ? input->data() : nullptr, o.data()));
    return o;
  }
  void defaultRouting() {
    out->updateRoutingForOutputDeck(0, 1);
    out->updateRoutingForOutputDeck(1, 1);
    out->updateRoutingForOutputSamplerMic(1);
    out->updateRoutingForOutputHeadphones(0);
  }
};

struct CallbackLog {
  int calls = 0;
  long frames = 0;
  float firstLeft = 0;
  static int record(float* master, int frames, int channels, void* data) {
    auto* log = static_cast<CallbackLog*>(data);
    EXPECT_EQ(channels, 2);
    log->calls++;
    log->frames += frames;
    log->firstLeft = master[0];
    return frames;
  }
};

// A recording callback that knows which data it was installed with.
struct TaggedData {
  int id;
  std::atomic<int> calls{0};
  std::atomic<int> mismatched{0};
};

template <int Id>
int taggedRecord(float*, int frames, int, void* data) {
  auto* tag = static_cast<TaggedData*>(data);
  if (tag->id != Id) tag->mismatched.fetch_add(1);
  tag->calls.fetch_add(1);
  return frames;
}

}  // namespace

TEST(AudioOutputRoutingTest, DefaultRoutingPlaysTheMasterOnTheFirstPair) {
  Rig r(2, 0);
  EXPECT_EQ(r.out->getOutputChannels(), 2);
  EXPECT_EQ(r.out->getLatency(), 256);
  r.defaultRouting();
  EXPECT_TRUE(r.out->isFullyInternalMixer());
  r.mixer.SetMasterVolume(64);
  r.mixer.SetMasterBalance(0.5f);
  const double A = r.mixer.calculateAmpFromFaderPosAndGain(64, 0.0f);
  std::vector<float> o = r.pump(256);
  // Master volume and balance are heard with this routing.
  EXPECT_NEAR(o[0], A * 0.9 * 0.5, 1e-5);
  EXPECT_NEAR(o[1], A * 0.15, 1e-5);
  EXPECT_NEAR(o[2 * 255], A * 0.9 * 0.5, 1e-5);
}

TEST(AudioOutputRoutingTest, FourChannelSplitSendsEachDeckToItsPair) {
  Rig r(4, 0);
  r.out->updateRoutingForOutputDeck(0, 1);
  r.out->updateRoutingForOutputDeck(1, 2);
  r.out->updateRoutingForOutputSamplerMic(0);
  EXPECT_FALSE(r.out->isFullyInternalMixer());
  CallbackLog log;
  r.out->setAudioRecordingCallback(&CallbackLog::record, &log);
  std::vector<float> o = r.pump(256);
  EXPECT_NEAR(o[0], 0.5f, 1e-6);
  EXPECT_NEAR(o[1], 0.25f, 1e-6);
  EXPECT_NEAR(o[2], 0.1f, 1e-6);
  EXPECT_NEAR(o[3], 0.2f, 1e-6);
  // The master reaches no output, only the recording.
  EXPECT_NEAR(log.firstLeft, 0.9f, 1e-5);
  EXPECT_EQ(log.frames, 256);
}

TEST(AudioOutputRoutingTest, SelectorsAboveThePairsAreMonoChannels) {
  Rig r(4, 4);
  struct Row {
    int selector, left, right;
  };
  const Row rows[] = {{-1, -1, -1}, {0, -1, -1}, {1, 0, 1}, {2, 2, 3}, {3, 0, 0}, {4, 1, 1}, {6, 3, 3}};
  for (const Row& row : rows) {
    r.out->updateRoutingForOutputDeck(0, row.selector);
    EXPECT_EQ(r.out->getRoute(0), row.left) << row.selector;
    EXPECT_EQ(r.out->getRoute(1), row.right) << row.selector;
  }
  r.out->updateRoutingForOutputDeck(2, 1);  // decks other than 0 and 1 are ignored
  r.out->updateRoutingForOutputDeck(0, 3);
  r.out->updateRoutingForOutputDeck(1, 3);
  r.out->updateRoutingForOutputSamplerMic(4);
  EXPECT_FALSE(r.out->isFullyInternalMixer());  // a mono route is no stereo pair
  std::vector<float> o = r.pump(64);
  EXPECT_NEAR(o[0], (0.5f + 0.25f) * 0.5f + (0.1f + 0.2f) * 0.5f, 1e-6);
  EXPECT_NEAR(o[1], 0.0f, 1e-6);  // the sampler's two sides cancel
  EXPECT_EQ(o[2], 0.0f);
}

TEST(AudioOutputRoutingTest, HeadphonesOnTheMasterPairAddToIt) {
  Rig r(2, 0);
  r.preview.left = r.preview.right = 0.7f;
  r.mixer.SetVetoPgmMix(2, 1);
  r.mixer.SetCuePFLFaderPosition(2, 127);
  r.mixer.SetCuePgmMixPosition(0);
  r.defaultRouting();
  r.out->updateRoutingForOutputHeadphones(1);
  EXPECT_TRUE(r.out->isFullyInternalMixer());
  std::vector<float> o = r.pump(64);
  EXPECT_NEAR(o[0], 0.9f + 0.7f + 0.9f * 3.1623e-5f, 1e-4);
  EXPECT_NEAR(o[1], 0.15f + 0.7f, 1e-4);
}

TEST(AudioOutputRoutingTest, InputsReachTheirLiveInputs) {
  Rig r(2, 4);
  r.out->updateRoutingForInputDeck(0, 2);  // channels 2, 3
  r.out->updateRoutingForInputMic(3);      // P = 2: mono channel 0
  const int frames = 256;
  std::vector<float> in(static_cast<size_t>(frames) * 4);
  for (int i = 0; i < frames; ++i) {
    for (int c = 0; c < 4; ++c) in[i * 4 + c] = static_cast<float>(c + 1) * 0.1f + i * 1e-4f;
  }
  // Stale data in deck B's input must go: no route means silence every buffer.
  r.inB.getInputBuffer()[0] = 9.0f;
  r.pump(frames, &in);
  const float* a = r.inA.getInputBuffer();
  const float* m = r.mic.getInputBuffer();
  for (int i = 0; i < frames; i += 17) {
    EXPECT_FLOAT_EQ(a[2 * i], in[i * 4 + 2]);
    EXPECT_FLOAT_EQ(a[2 * i + 1], in[i * 4 + 3]);
    EXPECT_FLOAT_EQ(m[2 * i], in[i * 4 + 0]);
    EXPECT_FLOAT_EQ(m[2 * i + 1], in[i * 4 + 0]);
    EXPECT_EQ(r.inB.getInputBuffer()[2 * i], 0.0f);
  }
  // Without input channels every target is silenced.
  EXPECT_EQ(r.out->samplesRecorded(nullptr, 16, 0), 16);
  EXPECT_EQ(r.inA.getInputBuffer()[0], 0.0f);
}

TEST(AudioOutputRoutingTest, RecordingCallbackHandOverAndRemoval) {
  Rig r(2, 0);
  r.defaultRouting();
  CallbackLog log;
  r.out->setAudioRecordingCallback(&CallbackLog::record, &log);
  r.pump(512);
  EXPECT_EQ(log.calls, 2);
  EXPECT_EQ(log.frames, 512);
  r.out->setAudioRecordingCallback(nullptr, nullptr);
  r.pump(512);
  EXPECT_EQ(log.calls, 2);
}

TEST(AudioOutputRoutingTest, RecordingCallbackPairsHandedOverDuringMixingAreNeverMixedOrLost) {
  Rig r(2, 0, 64);
  r.defaultRouting();
  TaggedData zero{0}, one{1};
  std::atomic<bool> done{false};
  std::thread setter([&] {
    for (int i = 0; i < 20000; ++i) {
      if (i % 2 == 0) {
        r.out->setAudioRecordingCallback(&taggedRecord<0>, &zero);
      } else {
        r.out->setAudioRecordingCallback(&taggedRecord<1>, &one);
      }
    }
    r.out->setAudioRecordingCallback(&taggedRecord<1>, &one);
    done.store(true);
  });
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!done.load() && std::chrono::steady_clock::now() < deadline) r.pump(64);
  setter.join();
  ASSERT_TRUE(done.load());
  EXPECT_EQ(zero.mismatched.load(), 0) << "a callback ran with the other callback's data";
  EXPECT_EQ(one.mismatched.load(), 0) << "a callback ran with the other callback's data";
  // The last pair handed over is the one the next buffer uses.
  const int zeroCalls = zero.calls.load(), oneCalls = one.calls.load();
  r.pump(64);
  EXPECT_EQ(zero.calls.load(), zeroCalls);
  EXPECT_EQ(one.calls.load(), oneCalls + 1);
}

TEST(AudioOutputRoutingTest, LimiterHoldsTheCeilingAfterTheRecordingTap) {
  Rig r(2, 0);
  r.a.left = r.a.right = 4.0f;
  r.defaultRouting();
  CallbackLog log;
  r.out->setAudioRecordingCallback(&CallbackLog::record, &log);
  std::vector<float> o = r.pump(256);
  EXPECT_NEAR(o[0], 4.4f, 1e-4);  // limiter off: nothing is clipped
  r.out->setLimiter(true);
  r.pump(44100);
  o = r.pump(4096);
  float peak = 0;
  for (float v : o) peak = std::max(peak, std::fabs(v));
  EXPECT_LE(peak, 1.0f);
  EXPECT_GT(peak, 0.7f);
  EXPECT_NEAR(log.firstLeft, 4.4f, 1e-4);  // the recording tap sees the master before the limiter
  r.out->setLimiter(false);
  o = r.pump(256);
  EXPECT_NEAR(o[0], 4.4f, 1e-4);
}

TEST(AudioOutputRoutingTest, DeviceBufferLongerThanTheEnginePieces) {
  SineSource tone(441.0, 0.5f);
  Rig r(2, 2, 8192, &tone);
  ASSERT_EQ(r.out->getLatency(), 8192);
  r.defaultRouting();
  r.b.left = r.b.right = 0;
  r.sampler.left = r.sampler.right = 0;
  const long start = tone.phase;
  std::vector<float> in(2 * 3 * 8192, 0.25f);
  std::vector<float> o = r.pump(3 * 8192, &in);
  EXPECT_LE(tone.maxFrames, ZRAudioMultiOutput::kMaxPieceFrames);
  EXPECT_EQ(tone.phase - start, 3 * 8192);
  for (int i = 0; i < 3 * 8192; i += 13) ASSERT_NEAR(o[2 * i], tone.at(start + i), 1e-5) << i;
}

TEST(AudioOutputRoutingTest, RecorderWritesTheMasterToAWav) {
  orvel_test::TempDir dir;
  SineSource tone(1000.0, 0.5f);
  Rig r(2, 0, 512, &tone);
  r.defaultRouting();
  r.b.left = r.b.right = 0;
  r.sampler.left = r.sampler.right = 0;
  r.out->setLimiter(true);  // the recording is taken before it
  ASSERT_TRUE(r.out->startRecording(dir.file("set.wav").c_str()));
  const long start = tone.phase;
  r.pump(44100);
  r.out->stopRecording();
  EXPECT_FALSE(r.out->startRecording(dir.file("set.ogg").c_str()));
  const std::string wav = orvel_test::readFile(dir.file("set.wav"));
  ASSERT_EQ(wav.size(), 44u + 44100u * 4u);
  for (int i = 0; i < 44100; i += 101) {
    int16_t left;
    std::memcpy(&left, wav.data() + 44 + i * 4, 2);
    ASSERT_NEAR(left, tone.at(start + i) * 30000.0f, 1.01f) << i;
  }
}

TEST(AudioOutputRoutingTest, DeviceChangesAndSplitSettings) {
  Rig r(4, 2);
  EXPECT_EQ(r.out->updateAudioDevices(-1, -1, 256, nullptr, 0), 1);
  EXPECT_EQ(r.out->getLatency(), 0);
  EXPECT_EQ(r.out->getOutputChannels(), 0);
  EXPECT_EQ(r.out->reinitAudioDevices(), 1);
  EXPECT_EQ(r.out->getLatency(), 0);
  r.out->updateAudioDevices(1, 1, 128, nullptr, 0);  // a second device equal to the first is none
  EXPECT_EQ(r.out->getLatency(), 128);
  EXPECT_EQ(r.out->getOutputChannels(), 4);
  EXPECT_EQ(r.out->reinitAudioDevices(), 1);
  EXPECT_EQ(r.out->getLatency(), 128);
  struct Row {
    int channels;
    bool split;
    int expected[6];
  };
  const Row rows[] = {{1, false, {0, 0, 0, 0, 0, 0}},
                      {2, false, {1, 1, 1, 1, 1, 0}},
                      {4, false, {1, 1, 1, 1, 1, 2}},
                      {2, true, {2, 2, 2, 2, 2, 3}},
                      {4, true, {3, 3, 3, 3, 3, 4}}};
  for (const Row& row : rows) {
    int sel[6];
    splitStereoRoutingSelectors(row.channels, row.split, sel);
    for (int i = 0; i < 6; ++i)
      EXPECT_EQ(sel[i], row.expected[i]) << row.channels << " " << row.split << " " << i;
  }
}
