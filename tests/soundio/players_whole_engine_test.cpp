// The players in the whole engine on the manual pump: the preview player is heard on the headphone bus
// only, a sampler slot on the sampler bus and the master; the mixer's automatic mix fades deck A into deck
// B over the mix time without the level dipping on the way.

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_sampler_player.h"
#include "soundio/engine_test_rig.h"
#include "support/audio_test_sources.h"
#include "support/test_support.h"

namespace {

using orvel_test::analyseTone;
using orvel_test::ManualEngine;

constexpr int kBuffer = 441;  // 10 ms

// Makes sure the player has the next frames decoded (its own thread runs every 300 ms, slower than a pump
// that runs ahead of real time).
void fill(ZRPreviewPlayer& player, int frames) {
  for (int guard = 0; guard < 64; ++guard) {
    if (player.GetBufferedFrames() >= frames || player.IsFullyStreamed()) return;
    player.AsyncStreamingFunction();
  }
}

double peak(const std::vector<float>& stereo) {
  double p = 0;
  for (float v : stereo) p = std::max(p, static_cast<double>(std::fabs(v)));
  return p;
}

TEST(PlayersWholeEngineTest, ThePreviewIsHeardOnTheHeadphonesOnly) {
  orvel_test::TempDir dir;
  const std::string tone = dir.file("tone.wav");
  ASSERT_TRUE(orvel_test::writeWav16(tone, orvel_test::stereoToneTrack(440.0, 3.0, 16000), 2, 44100));
  orvel_test::ConstSource deckA{0.0f, 0.0f}, deckB{0.0f, 0.0f}, filler{0.0f, 0.0f};
  ZRPreviewPlayer preview(0, true, false);
  ZRSamplerPlayer slot(0);
  ZRMixer mixer(22050);
  ASSERT_EQ(mixer.AddMixerChannel(&deckA), 0);
  ASSERT_EQ(mixer.AddMixerChannel(&deckB), 1);
  ASSERT_EQ(mixer.AddMixerChannel(&preview), 2);
  ASSERT_EQ(mixer.AddMixerChannel(&filler), 3);
  ASSERT_EQ(mixer.AddMixerChannel(&slot), 4);
  // As the application sets its mixer up.
  mixer.SetCrossfaderCurveStartPoint(50, false);
  mixer.SetFaderPosition(4, 127);
  mixer.SetVetoPgmMix(2, 1);
  mixer.SetCuePFLFaderPosition(2, 127);
  mixer.SetCuePFLFaderPosition(3, 0);
  ManualEngine engine(mixer, kBuffer);

  ASSERT_TRUE(preview.OpenFileName(ZRString(tone)));
  std::vector<float> phones, master, sampler;
  for (int b = 0; b < 50; ++b) {
    fill(preview, kBuffer);
    const std::vector<float> h = engine.pump(1, ZRAudioMultiOutput::kBusHeadphones);
    phones.insert(phones.end(), h.begin(), h.end());
    const float* m = engine.output->getBus(ZRAudioMultiOutput::kBusMaster);
    master.insert(master.end(), m, m + 2 * kBuffer);
    const float* s = engine.output->getBus(ZRAudioMultiOutput::kBusSamplerMic);
    sampler.insert(sampler.end(), s, s + 2 * kBuffer);
  }
  double freq, rms;
  analyseTone(phones, 0, 50 * kBuffer, freq, rms);
  EXPECT_NEAR(freq, 440.0, 2.0);
  EXPECT_NEAR(rms, 16000 / 32768.0 / std::sqrt(2.0), 0.02);
  EXPECT_EQ(peak(master), 0.0);
  EXPECT_EQ(peak(sampler), 0.0);
  EXPECT_EQ(preview.GetCurrentPos(), 50 * kBuffer);

  // A sampler slot reaches the sampler bus and the master.
  preview.Close();
  std::vector<float> sample = orvel_test::sineStereo(660.0, 1.0);
  ASSERT_TRUE(slot.Open(sample.data(), 44100));
  slot.SetLooping(1);
  slot.SetPlaying(1);
  engine.pump(2);  // the slot's gain ramp
  master = engine.pump(20);
  analyseTone(master, 0, 20 * kBuffer, freq, rms);
  EXPECT_NEAR(freq, 660.0, 3.0);
  EXPECT_NEAR(rms, 0.5 / std::sqrt(2.0), 0.02);
  EXPECT_GT(peak(std::vector<float>(engine.output->getBus(ZRAudioMultiOutput::kBusSamplerMic),
                                    engine.output->getBus(ZRAudioMultiOutput::kBusSamplerMic) + 2 * kBuffer)),
            0.4);
  // Its cue send is closed: the headphones carry only the programme at the cue end of their mix (-90 dB).
  EXPECT_LT(peak(engine.pump(1, ZRAudioMultiOutput::kBusHeadphones)), 1e-4);
}

// The automatic mix on the main decks: deck A nears its end, the sweep starts the mix time before it and
// moves the crossfader across in that time; deck A is heard before, deck B after, and the level never
// falls to silence in between.
TEST(PlayersWholeEngineTest, AutomixFadesFromDeckAToDeckBOverTheMixTime) {
  orvel_test::TempDir dir;
  orvel_test::ToneDecks decks(dir, 1000.0, 1500.0, 6.0, 16000, 10.0);
  ASSERT_TRUE(decks.ready(std::chrono::seconds(20)));
  CSoundSource& deckA = decks.a;
  CSoundSource& deckB = decks.b;

  ZRMixer mixer(22050);
  orvel_test::setUpTwoDeckMixer(mixer, &deckA, &deckB);
  long started = -1, finished = -1, buffer = 0;
  mixer.AutoMixSetCallback(
      [&](int position, AutomixDirection, AutomixEvent event, bool, void*) {
        mixer.SetCrossfaderPosition(position);
        if (event == AutomixEventStarted) started = buffer;
        if (event == AutomixEventFinished) finished = buffer;
      },
      nullptr, nullptr);
  const float mixTime = 2.0f;
  mixer.AutoMixEnableAutoMode(true, mixTime, false, -1.0f);
  ManualEngine engine(mixer, kBuffer);

  deckA.PlayPause(1);
  deckB.PlayPause(1);
  std::vector<float> master;
  for (buffer = 0; buffer < 700; ++buffer) {
    const std::vector<float> m = engine.pump(1);
    master.insert(master.end(), m.begin(), m.end());
    mixer.AutoMixUpdate(kBuffer / 44100.0f);
  }
  deckA.PlayPause(0);
  deckB.PlayPause(0);

  // The sweep starts when deck A has the mix time left (at 4 s) and crosses 127 positions at 128 per
  // mix time.
  EXPECT_NEAR(started, 400, 2);
  EXPECT_NEAR(finished - started, 127.0 / 128.0 * mixTime * 100, 2);
  EXPECT_EQ(mixer.GetCrossfaderPosition(), 127);
  const double level = 16000 * CSoundSource::kSampleScale / std::sqrt(2.0);
  double freq, rms;
  analyseTone(master, 4410, 390 * kBuffer, freq, rms);
  EXPECT_NEAR(freq, 1000.0, 2.0);
  EXPECT_NEAR(rms, level, level * 0.1);
  analyseTone(master, (finished + 5) * kBuffer, 700 * kBuffer, freq, rms);
  EXPECT_NEAR(freq, 1500.0, 2.0);
  EXPECT_NEAR(rms, level, level * 0.1);
  for (long from = 390 * kBuffer; from + 2205 < (finished + 5) * kBuffer; from += 2205) {
    analyseTone(master, from, from + 2205, freq, rms);
    EXPECT_GT(rms, level * 0.3) << from;
  }
}

}  // namespace
