// The sampler slot: one-shots and loops sample by sample, the play and stop rules, the tempo of a sample
// and the tempo match and beat alignment to a deck, loading files (30 s cap, the library's cue range),
// the filter, the slot registry, and closing and re-opening while the audio thread plays.

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "database/zr_database.h"
#include "dsp/engine/zr_sampler_player.h"
#include "engine/deck_test_util.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using namespace deck_test;

// A sample whose frame i holds (i + 1, -(i + 1)) / 1000.
std::vector<float> ramp(int frames) {
  std::vector<float> s(2 * frames);
  for (int i = 0; i < frames; ++i) {
    s[2 * i] = (i + 1) / 1000.0f;
    s[2 * i + 1] = -(i + 1) / 1000.0f;
  }
  return s;
}

float rampAt(long frame) {
  return (frame + 1) / 1000.0f;
}

std::vector<float> renderSlot(ZRSamplerPlayer& slot, int frames) {
  std::vector<float> out(2 * frames);
  for (int pass = 0; pass < 3; ++pass) slot.BeforeGetSamples(pass);
  slot.GetSamples(out.data(), frames);
  return out;
}

double rms(const std::vector<float>& stereo, long from = 0) {
  double sum = 0;
  const long frames = static_cast<long>(stereo.size() / 2);
  for (long i = from; i < frames; ++i) sum += stereo[2 * i] * stereo[2 * i];
  return std::sqrt(sum / std::max(1L, frames - from));
}

TEST(SamplerPlayer, AOneShotPlaysEveryFrameOnceAndStopsMidBuffer) {
  ZRSamplerPlayer slot(0);
  const std::vector<float> s = ramp(1000);
  ASSERT_TRUE(slot.Open(s.data(), 1000));
  EXPECT_EQ(slot.GetLength(), 1000);
  slot.SetPlaying(1);
  EXPECT_EQ(slot.GetPlaying(), 1);
  std::vector<float> out = renderSlot(slot, 512);
  for (int i = 0; i < 512; ++i) ASSERT_FLOAT_EQ(out[2 * i], rampAt(i)) << i;
  EXPECT_EQ(slot.GetCurrentPos(), 512);
  out = renderSlot(slot, 512);
  for (int i = 0; i < 488; ++i) ASSERT_FLOAT_EQ(out[2 * i], rampAt(512 + i)) << i;
  for (int i = 488; i < 512; ++i) ASSERT_EQ(out[2 * i], 0.0f) << i;
  EXPECT_EQ(slot.GetPlaying(), 0);
  EXPECT_EQ(slot.GetCurrentPos(), 0);
  out = renderSlot(slot, 64);
  EXPECT_EQ(out[0], 0.0f);
}

TEST(SamplerPlayer, ALoopWrapsAndPlayRulesDifferForLoopsAndOneShots) {
  ZRSamplerPlayer slot(0);
  const std::vector<float> s = ramp(300);
  ASSERT_TRUE(slot.Open(s.data(), 300));
  slot.SetLooping(1);
  slot.SetPlaying(1);
  std::vector<float> out = renderSlot(slot, 750);
  for (int i = 0; i < 750; ++i) ASSERT_FLOAT_EQ(out[2 * i], rampAt(i % 300)) << i;
  EXPECT_EQ(slot.GetCurrentPos(), 150);
  // Started again, a loop plays on from where it is...
  slot.SetPlaying(1);
  out = renderSlot(slot, 10);
  EXPECT_FLOAT_EQ(out[0], rampAt(150));
  // ...and a one-shot restarts.
  slot.SetLooping(0);
  slot.SetPlaying(1);
  EXPECT_EQ(slot.GetCurrentPos(), 0);
  out = renderSlot(slot, 10);
  EXPECT_FLOAT_EQ(out[0], rampAt(0));
  // Stop returns to the start at once, and the next buffer is silent.
  slot.SetPlaying(0);
  EXPECT_EQ(slot.GetCurrentPos(), 0);
  out = renderSlot(slot, 10);
  EXPECT_EQ(out[0], 0.0f);
  // A seek is taken at the next buffer.
  slot.SetCurrentPos(200);
  EXPECT_EQ(slot.GetCurrentPos(), 200);
  slot.SetLooping(1);
  slot.SetPlaying(1);
  out = renderSlot(slot, 10);
  EXPECT_FLOAT_EQ(out[0], rampAt(200));
  // Half speed interpolates between frames; the frame after the last is frame 0.
  slot.SetSpeed(0.5);
  slot.SetCurrentPos(299);
  out = renderSlot(slot, 4);
  EXPECT_FLOAT_EQ(out[0], rampAt(299));
  EXPECT_FLOAT_EQ(out[2], 0.5f * rampAt(299) + 0.5f * rampAt(0));
  EXPECT_FLOAT_EQ(out[4], rampAt(0));
}

TEST(SamplerPlayer, AnEmptySlotIgnoresPlayAndStaysSilent) {
  ZRSamplerPlayer slot(0);
  slot.SetPlaying(1);
  EXPECT_EQ(slot.GetPlaying(), 0);
  EXPECT_EQ(slot.GetCurrentPos(), 0);
  EXPECT_EQ(slot.GetLength(), 0);
  std::vector<float> out(2 * 64, 1.0f);
  slot.GetSamples(out.data(), 64);
  for (float v : out) ASSERT_EQ(v, 0.0f);
  const std::vector<float> s = ramp(10);
  EXPECT_FALSE(slot.Open(s.data(), 0));
  EXPECT_FALSE(slot.Open(s.data(), ZRSamplerPlayer::kMaxFrames + 1));
  EXPECT_FALSE(slot.IsOpen());
}

TEST(SamplerPlayer, TempoOfASampleInFloatingPoint) {
  ZRSamplerPlayer slot(0);
  std::vector<float> s(2 * 88200, 0.0f);
  ASSERT_TRUE(slot.Open(s.data(), 88200));
  EXPECT_EQ(slot.GetCurrentBPM(), 0.0f);
  slot.SetTotalBeats(4);
  EXPECT_FLOAT_EQ(slot.GetCurrentBPM(), 120.0f);
  // More beats than frames: an integer beat length would be 0 (and then a division by zero).
  ASSERT_TRUE(slot.Open(s.data(), 4));
  slot.SetTotalBeats(10);
  EXPECT_FLOAT_EQ(slot.GetCurrentBPM(), 6615000.0f);
  int position = -5, length = -5, last = 0;
  float phase = -5;
  slot.GetNearestBeatsInfo(position, length, phase, last);
  EXPECT_EQ(length, 0);
  EXPECT_EQ(phase, 0.0f);
  // Opening again clears the beats.
  ASSERT_TRUE(slot.Open(s.data(), 100));
  EXPECT_EQ(slot.GetTotalBeats(), 0);
}

using SamplerDeckTest = DeckFixture;

TEST_F(SamplerDeckTest, TempoMatchToADeck) {
  loadRecord(clickRecord("c128.wav", 128.0, 0));
  ASSERT_FLOAT_EQ(deck->GetCurrentBPM(), 128.0f);
  ZRSamplerPlayer slot(0);
  std::vector<float> s(2 * 88200, 0.0f);
  ASSERT_TRUE(slot.Open(s.data(), 88200));
  slot.SetTotalBeats(4);
  slot.SyncDeckToOtherDeck(deck.get());
  EXPECT_EQ(slot.GetSyncPitch(), 667);
  EXPECT_NEAR(slot.GetSpeed(), 1.0667, 1e-9);
  EXPECT_EQ(slot.GetPlaying(), 1);
  // The deck's own pitch counts: +5 % on the deck.
  deck->SetPitch(500);
  slot.SyncDeckToOtherDeck(deck.get());
  EXPECT_EQ(slot.GetSyncPitch(), 1200);
  EXPECT_NEAR(slot.GetSpeed(), 1.12, 1e-9);
  // More than 50 % away: the sample keeps its speed.
  deck->SetPitch(0);
  slot.SetTotalBeats(2);  // 60 BPM
  slot.SetSpeed(1.0);
  slot.SyncDeckToOtherDeck(deck.get());
  EXPECT_EQ(slot.GetSpeed(), 1.0);
  EXPECT_EQ(slot.GetSyncPitch(), 1200);
}

// A loop started with auto sync follows the master deck: same tempo, and its beats fall on the deck's
// beats (taken 970 frames ahead).
TEST_F(SamplerDeckTest, ALoopSyncedToADeckFallsOnItsBeats) {
  loadRecord(clickRecord("c120.wav", 120.0, 0));
  ZRSamplerPlayer slot(0);
  std::vector<float> s(2 * 88200, 0.0f);
  ASSERT_TRUE(slot.Open(s.data(), 88200));
  slot.SetTotalBeats(4);
  slot.SetLooping(1);
  slot.SetAutoSync(1);
  static CSoundSource* master = nullptr;
  master = deck.get();
  ZRSamplerPlayer::setMasterDeckFunction([] { return master; });
  const double beat = 22050.0;
  for (double start : {30000.0, 40000.0, 52000.0}) {
    slot.SetPlaying(0);
    playFrom(start);
    mixBuffer({deck.get()}, 256);
    slot.SetCurrentPos(5000);
    slot.SetPlaying(1);
    EXPECT_EQ(slot.GetSyncPitch(), 0);
    // One device buffer as the mixer runs it: the deck's beat in pass 0, the slot's alignment in pass 1.
    const double deckAt = deck->GetPlayPosition();
    for (int pass = 0; pass < 3; ++pass) {
      deck->BeforeGetSamples(pass);
      slot.BeforeGetSamples(pass);
    }
    const double want = std::fmod(std::fmod(deckAt, beat) + ZRSamplerPlayer::kSyncLeadFrames, beat);
    const double got = std::fmod(static_cast<double>(slot.GetCurrentPos()), beat);
    double error = std::fabs(got - want);
    error = std::min(error, beat - error);
    // The deck measures its beat in display points of 100 frames.
    EXPECT_LT(error, 101.0) << "deck at " << deckAt << ": slot at " << got << ", wanted " << want;
  }
  ZRSamplerPlayer::setMasterDeckFunction(nullptr);
  deck->PlayPause(0);
}

TEST_F(SamplerDeckTest, FilesLoadWholeOrAsTheLibrarysCueRange) {
  const long frames = 3 * 44100;
  const std::string path = patternTrack(frames, "sample.wav");
  ZRSamplerPlayer slot(0);
  ASSERT_TRUE(slot.Open(ZRString(path)));
  EXPECT_EQ(slot.GetLength(), frames);
  EXPECT_EQ(slot.GetFileName().utf8(), path);
  slot.SetPlaying(1);
  std::vector<float> out = renderSlot(slot, 100);
  EXPECT_NEAR(out[2 * 10], patternValue(10) / 32768.0f, 1e-4f);

  struct Case {
    int cueIn, cueOut;
    int length, first;
  };
  // A valid range loads exactly that; a cue-out before the cue-in or past the file loads the whole file.
  const Case cases[] = {{44100, 88199, 44100, 44100},
                        {1000, 1000 + 88199, 88200, 1000},
                        {88199, 44100, static_cast<int>(frames), 0},
                        {44100, 10 * 44100 * 10, static_cast<int>(frames), 0},
                        {44100, static_cast<int>(frames), static_cast<int>(frames), 0}};
  for (const Case& c : cases) {
    TZRDatabaseTrack record;
    record.tags[kTagFileName] = ZRString(path);
    record.cueIn = c.cueIn;
    record.cueOut = c.cueOut;
    TZRDatabaseTrack stored;
    if (ZRDatabase::getInstance()->getTrackIdOnlyIfFound(-1, ZRString(path), &stored)) record.id = stored.id;
    ZRDatabase::getInstance()->addOrUpdate(&record);
    ASSERT_TRUE(slot.Open(ZRString(path)));
    EXPECT_EQ(slot.GetLength(), c.length) << c.cueIn << ".." << c.cueOut;
    slot.SetPlaying(1);
    out = renderSlot(slot, 8);
    EXPECT_NEAR(out[0], patternValue(c.first) / 32768.0f, 1e-4f) << c.cueIn << ".." << c.cueOut;
  }
}

TEST_F(SamplerDeckTest, UnreadableAndTooLongFilesLeaveTheSlotEmpty) {
  ZRSamplerPlayer slot(0);
  const std::vector<float> s = ramp(100);
  ASSERT_TRUE(slot.Open(s.data(), 100));
  EXPECT_FALSE(slot.Open(ZRString(dir.file("missing.wav"))));
  EXPECT_FALSE(slot.IsOpen());
  EXPECT_EQ(slot.GetFileName().utf8(), "");
  const std::string longFile = dir.file("long.wav");
  ASSERT_TRUE(writeSparseWav8(longFile, 44100 * 31));
  EXPECT_FALSE(slot.Open(ZRString(longFile)));
  EXPECT_EQ(slot.GetLength(), 0);
  const std::string exact = dir.file("thirty.wav");
  ASSERT_TRUE(writeSparseWav8(exact, ZRSamplerPlayer::kMaxFrames));
  EXPECT_TRUE(slot.Open(ZRString(exact)));
  EXPECT_EQ(slot.GetLength(), ZRSamplerPlayer::kMaxFrames);
}

TEST(SamplerPlayer, TheCutoffFilterIsTakenAtTheNextBufferAndStaysStable) {
  ZRSamplerPlayer slot(0);
  // One second of a 5 kHz sine, looped.
  std::vector<float> s(2 * 44100);
  for (int i = 0; i < 44100; ++i) s[2 * i] = s[2 * i + 1] = 0.5f * std::sin(2 * M_PI * 5000.0 * i / 44100.0);
  ASSERT_TRUE(slot.Open(s.data(), 44100));
  slot.SetLooping(1);
  slot.SetPlaying(1);
  const double open = rms(renderSlot(slot, 4096));
  EXPECT_NEAR(open, 0.5 / std::sqrt(2.0), 0.01);
  slot.setCutoffFilter(true, 300.0f, 0.707f);
  EXPECT_LT(rms(renderSlot(slot, 4096), 1024), open * 0.05);
  slot.setCutoffFilter(true, 0.0f, 0.707f);
  EXPECT_NEAR(rms(renderSlot(slot, 4096)), open, 0.01);
  // Out-of-range settings do not make the filter blow up.
  slot.setCutoffFilter(false, 1e9f, 0.0f);
  std::vector<float> out = renderSlot(slot, 4096);
  for (float v : out) ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 4.0f);
  slot.setCutoffFilter(true, 300.0f, std::nanf(""));
  out = renderSlot(slot, 4096);
  for (float v : out) ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 4.0f);
}

TEST(SamplerPlayer, TheRegistryHoldsSixtyFourSlotsAndFreesAGapOnDelete) {
  std::vector<std::unique_ptr<ZRSamplerPlayer>> slots;
  const int before = ZRSamplerPlayer::totalSamplers.load();
  for (int i = before; i < ZRSamplerPlayer::kMaxSlots; ++i) {
    slots.emplace_back(ZRSamplerPlayer::create(i));
    ASSERT_NE(slots.back(), nullptr);
  }
  EXPECT_EQ(ZRSamplerPlayer::totalSamplers.load(), ZRSamplerPlayer::kMaxSlots);
  EXPECT_EQ(ZRSamplerPlayer::create(99), nullptr);
  ZRSamplerPlayer* gap = slots[3].get();
  slots[3].reset();
  EXPECT_EQ(ZRSamplerPlayer::totalSamplers.load(), ZRSamplerPlayer::kMaxSlots - 1);
  for (auto& entry : ZRSamplerPlayer::samplers) EXPECT_NE(entry.load(), gap);
  slots[3].reset(ZRSamplerPlayer::create(3));
  EXPECT_NE(slots[3], nullptr);
  slots.clear();
  EXPECT_EQ(ZRSamplerPlayer::totalSamplers.load(), before);
}

TEST(SamplerPlayer, RecordingControlWithoutARecording) {
  ZRSamplerPlayer slot(0);
  EXPECT_TRUE(slot.startStopRecordingFromAudioRecCallback(false, ZRString("/nowhere.wav")));
  EXPECT_EQ(slot.getRecordingTime(), 0.0f);
  EXPECT_EQ(slot.getRecordingFilename().utf8(), "");
  EXPECT_FALSE(slot.isRecording());
  EXPECT_FALSE(slot.startStopRecordingFromAudioRecCallback(true, ZRString("/nonexistent-folder/x.wav")));
}

// Closing and re-opening a slot while the audio thread plays it, with recordings started and stopped and
// slots made and deleted while the recording callback walks the registry. Every value the audio thread
// reads comes from a sample that is still installed (the samples are all 0.25, so anything else would be
// freed memory).
TEST(SamplerThreads, CloseAndReopenWhileTheAudioThreadPlays) {
  orvel_test::TempDir dir;
  std::unique_ptr<ZRSamplerPlayer> slot(ZRSamplerPlayer::create(0));
  ASSERT_NE(slot, nullptr);
  std::atomic<bool> stop{false};
  std::atomic<long> buffers{0}, strange{0};
  std::thread audio([&] {
    std::vector<float> out(2 * 256), master(2 * 256, 0.1f);
    while (!stop.load()) {
      for (int pass = 0; pass < 3; ++pass) slot->BeforeGetSamples(pass);
      slot->GetSamples(out.data(), 256);
      for (float v : out) {
        if (v != 0.0f && v != 0.25f) strange.fetch_add(1);
      }
      ZRSamplerPlayer::audioRecCallback(master.data(), 256, 2);
      buffers.fetch_add(1);
    }
  });
  while (buffers.load() == 0) std::this_thread::yield();
  std::thread registry([&] {
    for (int i = 0; i < 200 && !stop.load(); ++i) delete ZRSamplerPlayer::create(100 + i);
  });
  const std::vector<float> quarter(2 * 4000, 0.25f);
  for (int i = 0; i < 1000; ++i) {
    ASSERT_TRUE(slot->Open(quarter.data(), 1000 + 3 * i));
    slot->SetLooping(i % 2);
    slot->SetTotalBeats(i % 3);
    slot->SetPlaying(1);
    slot->SetCurrentPos(i);
    if (i % 5 == 0) std::this_thread::yield();
    if (i % 100 == 0) {
      ASSERT_TRUE(slot->startStopRecordingFromAudioRecCallback(true, ZRString(dir.file("rec.wav"))));
    }
    if (i % 100 == 50) slot->startStopRecordingFromAudioRecCallback(false, ZRString());
    slot->Close();
  }
  slot->startStopRecordingFromAudioRecCallback(false, ZRString());
  registry.join();
  stop.store(true);
  audio.join();
  EXPECT_GT(buffers.load(), 0);
  EXPECT_EQ(strange.load(), 0);
  slot.reset();
}

// The cut-off filter's settings in the threaded test below: low- and high-pass in turn, 200 Hz to about
// 1.9 kHz, Q 0.5 to 1.7. Between some of them (195, a high-pass at 1815 Hz and Q 1.7, then 200, a low-pass
// at 200 Hz and Q 1.3) the output passes 10 when the old filter's state is carried into the new one.
void setTestFilter(ZRSamplerPlayer& slot, int i) {
  slot.setCutoffFilter(i % 3 != 0, 200.0f + 17.0f * (i % 100), 0.5f + (i % 7) * 0.2f);
}

std::vector<float> sine3k(int frames) {
  std::vector<float> s(2 * frames);
  for (int i = 0; i < frames; ++i) s[2 * i] = s[2 * i + 1] = 0.5f * std::sin(2 * M_PI * 3000.0 * i / 44100.0);
  return s;
}

bool stable(const std::vector<float>& out) {
  for (float v : out) {
    if (!std::isfinite(v) || std::fabs(v) > 4.0f) return false;
  }
  return true;
}

// A slot that starts sounding again starts its filter afresh: the state a one-shot left at its end (here
// the end falls on a buffer's last frame, so nothing silent follows it through the filter) must not meet
// the coefficients of a filter changed meanwhile.
TEST(SamplerPlayer, AOneShotRestartedAfterAFilterChangeStartsTheFilterAfresh) {
  ZRSamplerPlayer slot(0);
  const std::vector<float> s = sine3k(2 * 128);
  ASSERT_TRUE(slot.Open(s.data(), 2 * 128));
  setTestFilter(slot, 195);
  slot.SetPlaying(1);
  for (int b = 0; b < 2; ++b) ASSERT_TRUE(stable(renderSlot(slot, 128))) << b;
  // The one-shot ended with the second buffer; the next one is silent.
  ASSERT_EQ(slot.GetPlaying(), 0);
  renderSlot(slot, 128);
  setTestFilter(slot, 200);
  slot.SetPlaying(1);
  for (int b = 0; b < 4; ++b) EXPECT_TRUE(stable(renderSlot(slot, 128))) << b;
}

// Spins for about n x a few nanoseconds, so that the user side's commands fall at every point of the
// audio thread's buffer (yielding alone leaves them in bursts).
void spin(int n) {
  static std::atomic<int> sink{0};
  for (int k = 0; k < n; ++k) sink.store(k, std::memory_order_relaxed);
}

// Stops (which clear the filter's state) and filter changes from the user side while the audio thread
// filters: each buffer takes the play command, the clearing of a stop and a filter change together, so
// the filter's state is only ever touched by the audio thread (ThreadSanitizer reports any other writer),
// never carries one filter's state into another's coefficients across a stop, and stays stable. The user
// side's pace varies so that its commands land at every point of a buffer.
TEST(SamplerThreads, StopsAndFilterChangesWhileTheAudioThreadFilters) {
  ZRSamplerPlayer slot(0);
  const std::vector<float> s = sine3k(4410);
  ASSERT_TRUE(slot.Open(s.data(), 4410));
  slot.SetLooping(1);
  std::atomic<bool> stop{false};
  std::atomic<long> buffers{0}, unstable{0};
  std::thread audio([&] {
    std::vector<float> out(2 * 128);
    while (!stop.load()) {
      slot.GetSamples(out.data(), 128);
      if (!stable(out)) unstable.fetch_add(1);
      buffers.fetch_add(1);
    }
  });
  while (buffers.load() == 0) std::this_thread::yield();
  for (int i = 0; i < 8000; ++i) {
    // Paces from a fraction of a buffer to several buffers per command, by turns.
    const int pace = 1 << (2 * ((i / 250) % 4));
    setTestFilter(slot, i);
    spin((i * 7) % 300 * pace);
    slot.SetPlaying(1);
    spin((i * 13) % 500 * pace);
    if (i % 64 == 0) std::this_thread::yield();
    slot.SetPlaying(0);
    spin((i * 11) % 200 * pace);
  }
  stop.store(true);
  audio.join();
  EXPECT_GT(buffers.load(), 0);
  EXPECT_EQ(unstable.load(), 0);
}

}  // namespace
