// The whole engine on the manual pump: two generated tracks in two decks, each through its mixer channel
// (EQ and filter running), played, crossfaded from deck A to deck B and recorded through the master hand-off
// into a WAV file, whose content is then checked.

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <memory>
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
#include "support/test_support.h"

namespace {

// Frequency by positive-going zero crossings and RMS of one channel of 16-bit frames [from, to).
void analyse(const std::vector<int16_t>& left, long from, long to, double& freq, double& rms) {
  long first = -1, last = -1, count = 0;
  double sum = 0;
  for (long i = from + 1; i < to; ++i) {
    sum += static_cast<double>(left[i]) * left[i];
    if (left[i - 1] < 0 && left[i] >= 0) {
      if (first < 0) first = i;
      last = i;
      ++count;
    }
  }
  freq = count > 1 ? (count - 1) * 44100.0 / (last - first) : 0.0;
  rms = std::sqrt(sum / (to - from - 1));
}

// Pumps frames through the manual device in quarter seconds, each time letting the recorder's writer
// thread catch up (its queue holds one second), so a run faster than real time loses nothing.
void pumpRecorded(ZRAudioMultiOutput& output, int frames, long& recordedSoFar) {
  std::vector<float> device(2 * 11025);
  for (int done = 0; done < frames;) {
    const int n = std::min(11025, frames - done);
    ASSERT_TRUE(pumpManualAudioDevice(n, nullptr, device.data()));
    done += n;
    recordedSoFar += n;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (output.getRecordingTime() * 44100.0 < recordedSoFar - 11025 &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
  }
}

}  // namespace

TEST(WholeEngineTest, TwoDecksCrossfadedIntoARecording) {
  orvel_test::TempDir dir;
  InitializeMixerChannels();
  {
    orvel_test::ToneDecks decks(dir, 1000.0, 1500.0, 4.0, 16000);
    ASSERT_TRUE(decks.ready(std::chrono::seconds(20)));
    CSoundSource& deckA = decks.a;
    CSoundSource& deckB = decks.b;

    ZRMixerChannel channelA(&deckA, nullptr, 0), channelB(&deckB, nullptr, 0);
    ZRMixer mixer(22050);
    orvel_test::setUpTwoDeckMixer(mixer, &channelA, &channelB);

    orvel_test::ManualEngine engine(mixer, 512);
    ZRAudioMultiOutput& output = *engine.output;
    ASSERT_EQ(output.getLatency(), 512);
    ASSERT_TRUE(output.isFullyInternalMixer());
    ASSERT_TRUE(output.startRecording(dir.file("mix.wav").c_str()));

    deckA.PlayPause(1);
    deckB.PlayPause(1);
    const int second = 44100;
    long recorded = 0;
    pumpRecorded(output, second, recorded);
    // Across to deck B in 64 steps over half a second, then B alone.
    for (int p = 0; p <= 127; p += 2) {
      mixer.SetCrossfaderPosition(p);
      pumpRecorded(output, second / 128, recorded);
    }
    mixer.SetCrossfaderPosition(127);
    pumpRecorded(output, second, recorded);
    output.stopRecording();
    deckA.PlayPause(0);
    deckB.PlayPause(0);

    const std::string wav = orvel_test::readFile(dir.file("mix.wav"));
    ASSERT_GT(wav.size(), 44u);
    const long frames = static_cast<long>((wav.size() - 44) / 4);
    EXPECT_EQ(frames, second + 64 * (second / 128) + second);
    std::vector<int16_t> left(frames);
    for (long i = 0; i < frames; ++i) std::memcpy(&left[i], wav.data() + 44 + 4 * i, 2);

    // Deck A alone, then deck B alone, each at the track's level (16000 x 3e-5 x 30000 peak).
    const double expectedRms = 16000 * CSoundSource::kSampleScale * 30000 / std::sqrt(2.0);
    double freq, rms;
    analyse(left, 4410, second, freq, rms);
    EXPECT_NEAR(freq, 1000.0, 2.0);
    EXPECT_NEAR(rms, expectedRms, expectedRms * 0.1);
    analyse(left, frames - second + 4410, frames, freq, rms);
    EXPECT_NEAR(freq, 1500.0, 2.0);
    EXPECT_NEAR(rms, expectedRms, expectedRms * 0.1);
    // The crossfade has no gap: the level never falls to silence on the way.
    for (long start = second; start + 2205 < frames - second; start += 2205) {
      analyse(left, start, start + 2205, freq, rms);
      EXPECT_GT(rms, expectedRms * 0.3) << start;
    }
  }
  DeinitializeMixerChannels();
}
