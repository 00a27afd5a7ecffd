// A live input in timecode mode drives a real deck: speed and direction from the record, jumps to the
// record's position when the two drift apart, the relative flag, key lock, lost signal and the zero-crossing
// decoder. The input buffer is filled the way the sound output fills it, one buffer before each pull.

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <string>
#include <vector>

#include "dsp/engine/live_input_source.h"
#include "dsp/engine/sound_source.h"
#include "soundio/engine_test_rig.h"
#include "support/allocation_counter.h"
#include "support/log_capture.h"
#include "support/test_support.h"
#include "support/timecode_synth.h"

namespace {

using orvel_test::TimecodeSynth;
using orvel_test::ZeroCrossingSynth;

class LiveInputTimecodeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(
        orvel_test::writeWav16(dir.file("track.wav"), orvel_test::stereoToneTrack(440, 40, 8000), 2, 44100));
    ASSERT_TRUE(orvel_test::openDeckFile(deck, dir.file("track.wav")));
    ASSERT_TRUE(orvel_test::waitDeckDecoded(deck, std::chrono::seconds(20)));
  }

  // Pulls the signal through the input in buffers of `buffer` frames, as the sound output would fill it;
  // with countPulls, allocations are counted during the pulls.
  void feed(CLiveInputSource& input, const std::vector<float>& signal, int buffer, bool countPulls = false) {
    std::vector<float> out(2 * buffer);
    for (size_t at = 0; at + 2 * buffer <= signal.size(); at += 2 * buffer) {
      std::copy(signal.begin() + at, signal.begin() + at + 2 * buffer, input.getInputBuffer());
      orvel_test::setCountAllocations(countPulls);
      input.GetSamples(out.data(), buffer);
      orvel_test::setCountAllocations(false);
    }
  }

  double deckSeconds() { return deck.GetCurrentPos() / 44100.0; }

  orvel_test::TempDir dir;
  CSoundSource deck{0, ZRString(dir.file("Stripes").c_str())};
  TimecodeSynth record;
};

}  // namespace

TEST_F(LiveInputTimecodeTest, TheDeckFollowsTheRecordsSpeedDirectionAndPosition) {
  CLiveInputSource input(&deck, 4410);
  input.SetTimeCodeMode(1);
  ASSERT_FALSE(deck.IsPlaying());

  // Forwards from 10 s: the deck starts, jumps there and keeps up.
  feed(input, record.render(10.0, 1.0, 66150), 1024);
  EXPECT_TRUE(deck.IsPlaying());
  EXPECT_NEAR(input.GetTimecodeSpeed(), 1.0, 0.005);
  EXPECT_NEAR(deck.GetCurrentSpeed(), 1.0, 0.01);
  EXPECT_NEAR(deckSeconds(), 11.5, 0.06);

  // The needle dropped at 25 s.
  feed(input, record.render(25.0, 1.0, 44100), 1024);
  EXPECT_NEAR(deckSeconds(), 26.0, 0.06);

  // Backwards from 20 s.
  feed(input, record.render(20.0, -1.0, 44100), 1024);
  EXPECT_NEAR(input.GetTimecodeSpeed(), -1.0, 0.005);
  EXPECT_NEAR(deckSeconds(), 19.0, 0.06);

  // Faster, and within the threshold the deck is not moved: it stays on the record by its speed alone.
  feed(input, record.render(5.0, 1.33, 44100), 441);
  EXPECT_NEAR(input.GetTimecodeSpeed(), 1.33, 0.0067);
  EXPECT_NEAR(deckSeconds(), 5.0 + 1.33, 0.06);
}

TEST_F(LiveInputTimecodeTest, DriftBeyondAFiftiethOfASecondJumps) {
  struct Case {
    double behind;
    bool jumps;
  };
  for (const Case& c : {Case{0.03, false}, Case{0.07, true}}) {
    CLiveInputSource input(&deck, 4410);
    deck.SetPositionAsync((8.0 - c.behind) * 44100);
    deck.PlayPause(1);
    input.SetTimeCodeMode(1);
    feed(input, record.render(8.0, 1.0, 22050), 256);
    const double lag = 8.5 - deckSeconds();
    if (c.jumps) {
      EXPECT_NEAR(lag, 0.0, 0.02) << c.behind;
    } else {
      EXPECT_NEAR(lag, c.behind, 0.015) << c.behind;
    }
    input.SetTimeCodeMode(0);
    deck.PlayPause(0);
  }
}

TEST_F(LiveInputTimecodeTest, RelativeModeOnlyStartsTheDeck) {
  CLiveInputSource input(&deck, 4410);
  input.SetRelativeMode(1);
  input.SetTimeCodeMode(1);
  feed(input, record.render(10.0, 1.0, 44100), 1024);
  EXPECT_TRUE(deck.IsPlaying());
  EXPECT_LT(deckSeconds(), 1.0);
  EXPECT_NEAR(input.GetTimecodeSpeed(), 1.0, 0.005);
}

TEST_F(LiveInputTimecodeTest, PositionsOnTheSecondSideAreTakenFromItsStart) {
  CLiveInputSource input(&deck, 4410);
  input.SetTimeCodeMode(1);
  feed(input, record.render(761.5, 1.0, 22050), 1024);
  EXPECT_NEAR(deckSeconds(), 0.6 + 0.5, 0.06);
}

TEST_F(LiveInputTimecodeTest, LostSignalStopsTheDeckWhereItIs) {
  CLiveInputSource input(&deck, 4410);
  input.SetTimeCodeMode(1);
  feed(input, record.render(12.0, 1.0, 44100), 1024);
  ASSERT_NEAR(deckSeconds(), 13.0, 0.06);
  // A pilot 66 dB down: the tracker still reads its speed, but the strength is below 0.025, so the deck
  // gets speed 0.
  TimecodeSynth pilotOnly;
  pilotOnly.dataLevel = 0.0;
  std::vector<float> faint = pilotOnly.render(0.0, 1.0, 22050);
  for (float& v : faint) v *= 0.001f;
  feed(input, faint, 1024);
  EXPECT_EQ(input.GetTimecodeSpeed(), 0.0);
  const double stoppedAt = deckSeconds();
  EXPECT_NEAR(stoppedAt, 13.0, 0.1);
  feed(input, std::vector<float>(2 * 22050), 1024);
  EXPECT_EQ(deckSeconds(), stoppedAt);
}

TEST_F(LiveInputTimecodeTest, BuffersTooShortForAHopKeepTheLastSpeed) {
  CLiveInputSource input(&deck, 4410);
  input.SetTimeCodeMode(1);
  const std::vector<float> signal = record.render(3.0, 1.0, 44100 + 4410);
  feed(input, std::vector<float>(signal.begin(), signal.begin() + 2 * 44100), 1024);
  const double before = input.GetTimecodeSpeed();
  ASSERT_NEAR(before, 1.0, 0.005);
  feed(input, std::vector<float>(signal.begin() + 2 * 44100, signal.end()), 20);
  EXPECT_TRUE(std::isfinite(input.GetTimecodeSpeed()));
  EXPECT_EQ(input.GetTimecodeSpeed(), before);
  EXPECT_NEAR(deckSeconds(), 4.1, 0.06);
}

TEST_F(LiveInputTimecodeTest, TheAudioThreadPathAllocatesNothing) {
  CLiveInputSource input(&deck, 4410);
  input.SetTimeCodeMode(1);
  const std::vector<float> start = record.render(9.0, 1.0, 22050);
  const std::vector<float> jump = record.render(21.0, -1.0, 44100);
  feed(input, start, 1024);
  orvel_test::resetCountedAllocations();
  // Speed changes, a jump, a direction change and short buffers.
  feed(input, jump, 1024, true);
  feed(input, jump, 17, true);
  EXPECT_EQ(orvel_test::countedAllocations(), 0);
  EXPECT_NEAR(input.GetTimecodeSpeed(), -1.0, 0.01);
}

TEST_F(LiveInputTimecodeTest, GarbageOnTheInputDoesNotStopItForGood) {
  CLiveInputSource input(&deck, 4410);
  input.SetTimeCodeMode(1);
  feed(input, record.render(4.0, 1.0, 22050), 1024);
  // Values that are not numbers, infinities and huge values, then the record again.
  std::vector<float> garbage(2 * 4096);
  for (size_t i = 0; i < garbage.size(); ++i) {
    const float kinds[4] = {std::nanf(""), INFINITY, -1e30f, 3.0f};
    garbage[i] = kinds[i % 4];
  }
  feed(input, garbage, 1024);
  EXPECT_TRUE(std::isfinite(input.GetTimecodeSpeed()));
  feed(input, record.render(20.0, 1.0, 44100), 1024);
  EXPECT_NEAR(input.GetTimecodeSpeed(), 1.0, 0.005);
  EXPECT_NEAR(deckSeconds(), 21.0, 0.06);
}

TEST_F(LiveInputTimecodeTest, KeyLockIsOffInTimecodeModeAndComesBack) {
  deck.SetMasterTempo(1);
  CLiveInputSource input(&deck, 4410);
  input.SetTimeCodeMode(1);
  EXPECT_EQ(deck.GetMasterTempo(), 0);
  input.SetTimeCodeMode(0);
  EXPECT_EQ(deck.GetMasterTempo(), 1);
  // The state remembered is the one at the last update.
  deck.SetMasterTempo(0);
  input.UpdateMasterTempoStateFromOriginalSource();
  input.SetTimeCodeMode(1);
  input.SetTimeCodeMode(0);
  EXPECT_EQ(deck.GetMasterTempo(), 0);
}

TEST_F(LiveInputTimecodeTest, TheZeroCrossingDecoderDrivesTheDeckToo) {
  CLiveInputSource input(&deck, 4410);
  input.SetDecoderSelector(0);
  input.SetTimeCodeMode(1);
  // Words 60 and on (4480 frames each): the deck jumps once two neighbouring words agree.
  feed(input, ZeroCrossingSynth().render(4480.0 * 60 - 300, 1.0, 4480 * 3), 441);
  EXPECT_TRUE(deck.IsPlaying());
  EXPECT_NEAR(input.GetTimecodeSpeed(), 1.0, 0.02);
  EXPECT_NEAR(deck.GetCurrentPos(), 4480.0 * 62, 4480.0);
}

TEST(LiveInputTimecodeModeTest, AnInputWithoutADeckStaysPlain) {
  orvel_test::LogCapture log;
  CLiveInputSource microphone(nullptr, 4410);
  microphone.SetTimeCodeMode(1);
  EXPECT_EQ(microphone.GetTimeCodeMode(), 0);
  EXPECT_TRUE(log.contains("timecode mode needs a deck"));
  std::fill(microphone.getInputBuffer(), microphone.getInputBuffer() + 2 * 64, 0.25f);
  std::vector<float> out(2 * 64);
  microphone.GetSamples(out.data(), 64);
  EXPECT_EQ(out, std::vector<float>(2 * 64, 0.25f));
}
