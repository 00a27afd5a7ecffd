// The whole engine on the null output, whose own thread runs the device callback as a sound card would,
// while the test thread moves every control the user interface moves: faders, crossfader, gains, EQ and
// kills, effect knobs and switches, master settings, routing, the limiter, the recording callback and the
// recorder, and the decks' transport. Under ThreadSanitizer this shows any field the two threads share
// without an atomic; in a normal build it checks that the audio keeps running through it all.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <memory>
#include <thread>
#include <vector>

#include "codecs/zr_audio_recorder.h"
#include "dsp/engine/live_input_source.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_mixer_channel.h"
#include "soundio/audio_device_table.h"
#include "soundio/engine_test_rig.h"
#include "soundio/zr_audio_io.h"
#include "soundio/zr_audio_multi_output.h"
#include "support/test_support.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Counter {
  std::atomic<int> calls{0};
  static int record(float*, int frames, int, void* data) {
    static_cast<Counter*>(data)->calls.fetch_add(1, std::memory_order_relaxed);
    return frames;
  }
};

// Waits until the callback has run at least n more times; false after the deadline.
bool waitCalls(const Counter& counter, int n) {
  const int target = counter.calls.load() + n;
  const auto deadline = Clock::now() + std::chrono::seconds(30);
  while (counter.calls.load() < target && Clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return counter.calls.load() >= target;
}

}  // namespace

TEST(AudioThreadConcurrencyTest, ControlsMoveWhileTheDeviceThreadMixes) {
  orvel_test::TempDir dir;

  ZRBuiltInAudioDevices settings;
  settings.systemDevices = false;
  settings.nullOutputChannels = 4;
  settings.nullInputChannels = 2;
  setBuiltInAudioDevices(settings);
  scanAudioDevices();
  InitializeMixerChannels();
  {
    orvel_test::ToneDecks decks(dir, 440.0, 660.0, 6.0, 12000);
    ASSERT_TRUE(decks.ready(std::chrono::seconds(30)));
    CSoundSource& deckA = decks.a;
    CSoundSource& deckB = decks.b;

    CLiveInputSource inputA(&deckA, 4410), inputB(&deckB, 4410), microphone(nullptr, 4410);
    CLiveInputSource* deckInputs[2] = {&inputA, &inputB};
    ZRMixerChannel channelA(&deckA, nullptr, 0), channelB(&deckB, nullptr, 0);
    ZRMixerChannel masterFx(nullptr, nullptr, 1);
    ZRMixer mixer(22050);
    ASSERT_EQ(mixer.AddMixerChannel(&channelA), 0);
    ASSERT_EQ(mixer.AddMixerChannel(&channelB), 1);
    mixer.AddMixerMicrophoneChannel(&microphone);
    mixer.SetMasterFXChannel(&masterFx);
    mixer.SetCrossfaderChannel(0, 0);
    mixer.SetCrossfaderChannel(1, 1);

    Counter first, second;
    ZRAudioMultiOutput output(&mixer, deckInputs, &microphone, nullptr);
    output.setAudioRecordingCallback(&Counter::record, &first);
    output.updateAudioDevices(0, -1, 256, nullptr, 0);  // row 0: the null output
    ASSERT_GT(output.getLatency(), 0);
    output.updateRoutingForOutputDeck(0, 1);
    output.updateRoutingForOutputDeck(1, 1);
    output.updateRoutingForOutputSamplerMic(1);
    output.updateRoutingForOutputHeadphones(2);
    output.updateRoutingForInputDeck(0, 1);
    output.updateRoutingForInputMic(1);
    ASSERT_TRUE(waitCalls(first, 2)) << "the null output's thread runs the callback";

    deckA.PlayPause(1);
    deckB.PlayPause(1);
    int round = 0;
    float left, right;
    // A fixed amount of work, each round interleaved with the device thread by waiting for its buffers.
    for (; round < 120; ++round) {
      const int p = round % 128;
      mixer.SetFaderPosition(round % 2, 64 + p / 2);
      mixer.SetCrossfaderPosition(p);
      mixer.SetChannelGain(round % 2, static_cast<float>(round % 7) - 3.0f);
      mixer.SetCuePFLFaderPosition(round % 2, p);
      mixer.SetCuePgmMixPosition(p);
      mixer.SetMasterVolume(100 + round % 27);
      mixer.SetMasterBalance(((round % 5) - 2) * 0.25f);
      mixer.SetMasterChannelMode(static_cast<ChannelMode>(round % 5));
      mixer.SetTalkOver(round % 3 == 0);
      mixer.SetOnAir(round % 4 == 0);
      mixer.SetEnableCrossfaderAndVolume(round % 9 != 0);
      mixer.VUGetMasterRms(left, right);
      mixer.VUGetChannelRms(round % 2, left, right);
      mixer.VUGetMicrophoneRms(left, right);
      for (ZRMixerChannel* channel : {&channelA, &channelB}) {
        channel->SetEq(1 + round % 3, static_cast<float>(round % 13) - 6.0f);
        channel->SetEqKill(1 + (round + 1) % 3, round % 2);
        const int slot = round % ZRMixerChannel::kSlots;
        channel->SetFxDryWet(slot, (round % 4) / 3.0f);
        channel->SetFxParam1(slot, (round % 10) / 10.0f);
        channel->SetFxParam2(slot, (round % 6) / 5.0f);
        channel->EnableFx((slot + 3) % ZRMixerChannel::kSlots, round % 2, round % 3 == 0);
      }
      output.setLimiter(round % 2 == 0);
      output.setAudioRecordingCallback(&Counter::record, round % 2 == 0 ? &second : &first);
      if (round % 40 == 5) {
        ASSERT_TRUE(output.startRecording(dir.file("take.wav").c_str()));
      }
      if (round % 40 == 35) output.stopRecording();
      output.getRecordingTime();
      if (round % 10 == 0) output.updateRoutingForOutputHeadphones(1 + round % 3);
      CSoundSource& deck = round % 2 == 0 ? deckA : deckB;
      deck.SetPitch((round % 11 - 5) * 100);
      deck.SetMasterTempo(round % 3 == 0);
      deck.SetBrake(round % 17 == 0);
      if (round % 6 == 0) deck.SetPositionAsync(44100.0 * (round % 5));
      if (round % 25 == 0) deck.PlayPause(-1);
      deck.GetCurrentPosSmoothed();
      ASSERT_TRUE(waitCalls(round % 2 == 0 ? second : first, 1)) << round;
    }
    output.stopRecording();
    EXPECT_EQ(round, 120);
    EXPECT_GT(first.calls.load(), 0);
    EXPECT_GT(second.calls.load(), 0);
    output.updateAudioDevices(-1, -1, 256, nullptr, 0);
    EXPECT_EQ(output.getLatency(), 0);
    deckA.PlayPause(0);
    deckB.PlayPause(0);
  }
  DeinitializeMixerChannels();
  freeScanAudioDevices();
  setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
}

// Loading, unloading and swapping what a channel plays while the device thread pulls the decks: the blocks a
// deck hands back to the pool must never be read after, and a source change is taken whole.
TEST(AudioThreadConcurrencyTest, DecksLoadAndUnloadWhileTheDeviceThreadPlaysThem) {
  orvel_test::TempDir dir;
  ASSERT_TRUE(
      orvel_test::writeWav16(dir.file("a.wav"), orvel_test::stereoToneTrack(440.0, 3.0, 12000), 2, 44100));
  ASSERT_TRUE(
      orvel_test::writeWav16(dir.file("b.wav"), orvel_test::stereoToneTrack(550.0, 2.0, 12000), 2, 44100));

  ZRBuiltInAudioDevices settings;
  settings.systemDevices = false;
  setBuiltInAudioDevices(settings);
  scanAudioDevices();
  InitializeMixerChannels();
  {
    CSoundSource deckA(0, ZRString(dir.file("Stripes").c_str()));
    CSoundSource deckB(1, ZRString(dir.file("Stripes").c_str()));
    ZRMixerChannel channelA(&deckA, nullptr, 0), channelB(&deckB, nullptr, 0);
    ZRMixer mixer(22050);
    ASSERT_EQ(mixer.AddMixerChannel(&channelA), 0);
    ASSERT_EQ(mixer.AddMixerChannel(&channelB), 1);
    Counter counter;
    ZRAudioMultiOutput output(&mixer, nullptr, nullptr, nullptr);
    output.setAudioRecordingCallback(&Counter::record, &counter);
    output.updateAudioDevices(0, -1, 256, nullptr, 0);
    output.updateRoutingForOutputDeck(0, 1);
    output.updateRoutingForOutputDeck(1, 1);
    ASSERT_TRUE(waitCalls(counter, 2));

    // An open track is ready (the request cleared the flag); an unload ends with the empty-deck event, which
    // nothing replaces afterwards. False after the deadline.
    const auto waitOpen = [](CSoundSource& deck) {
      const auto deadline = Clock::now() + std::chrono::seconds(30);
      while (Clock::now() < deadline) {
        deck.takePendingEvent();
        if (deck.isTrackReady() && deck.GetLength() > 0) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      return false;
    };
    const auto waitEmpty = [](CSoundSource& deck) {
      const auto deadline = Clock::now() + std::chrono::seconds(30);
      while (Clock::now() < deadline) {
        if (deck.takePendingEvent() & CSoundSource::kEventDeckEmpty) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      }
      return false;
    };
    for (int round = 0; round < 6; ++round) {
      CSoundSource& deck = round % 2 == 0 ? deckA : deckB;
      ZRCodecBase::OpenStruct request;
      request.path = ZRString(dir.file(round % 3 == 0 ? "a.wav" : "b.wav").c_str());
      request.playAfterLoad = round % 2 == 0;
      ASSERT_TRUE(deck.OpenFileName(&request, nullptr)) << round;
      ASSERT_TRUE(waitOpen(deck)) << round;
      deck.PlayPause(1);
      deck.SetMasterTempo(round % 2);
      deck.SetPitch(round * 300);
      ASSERT_TRUE(waitCalls(counter, 3)) << round;
      // The other channel plays this deck for a while, then its own again.
      ZRMixerChannel& other = round % 2 == 0 ? channelB : channelA;
      CSoundSource& otherDeck = round % 2 == 0 ? deckB : deckA;
      other.ChangeSource(&deck);
      ASSERT_TRUE(waitCalls(counter, 2)) << round;
      other.ChangeSource(&otherDeck);
      deck.SetPositionAsync(22050.0 * round);
      ASSERT_TRUE(waitCalls(counter, 2)) << round;
      ZRCodecBase::OpenStruct unload;
      unload.path = ZRString("---$");
      if (round % 2 == 1) {
        ASSERT_TRUE(deck.OpenFileName(&unload, nullptr)) << round;
        ASSERT_TRUE(waitEmpty(deck)) << round;
        EXPECT_EQ(deck.GetLength(), 0) << round;
      }
    }
    EXPECT_EQ(channelA.getSource(), &deckA);
    EXPECT_EQ(channelB.getSource(), &deckB);
    output.updateAudioDevices(-1, -1, 256, nullptr, 0);
  }
  DeinitializeMixerChannels();
  freeScanAudioDevices();
  setBuiltInAudioDevices(ZRBuiltInAudioDevices{});
}
