// The sampler's slots driven by their actions: texts and curves of the controls, the bank file (round
// trip, failed slots kept, a damaged bank moved aside), pads playing a one-shot and a loop, a loop synced
// to the leading deck (its output against its source), a recording of the master loaded into its slot,
// and the load box and the recording question answered by a test.

#include "actions_dj/sampler_actions.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/action_dialogs.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/player_actions.h"
#include "actions_dj/sampler_bank.h"
#include "codecs/zr_audio_broadcast.h"
#include "codecs/zr_video_recorder.h"
#include "common/action_ids.h"
#include "dsp/engine/zr_mixer.h"
#include "dsp/engine/zr_sampler_player.h"
#include "engine/deck_test_util.h"
#include "soundio/engine_test_rig.h"
#include "support/audio_test_sources.h"
#include "support/test_support.h"
#include "test_node_table.h"

namespace {

namespace fs = std::filesystem;
using orvel_test::analyseTone;
using orvel_test::TestNodeTable;

TEST(SamplerControls, TextsCurvesAndLoopPlans) {
  struct Pitch {
    int value;
    const char* text;
  };
  for (const Pitch& c : {Pitch{0, "0 %"}, Pitch{1234, "-12.34 %"}, Pitch{-5, "0.05 %"},
                         Pitch{-5000, "50.00 %"}, Pitch{100, "-1.00 %"}, Pitch{-1207, "12.07 %"}}) {
    EXPECT_EQ(samplerPitchText(c.value).utf8(), c.text) << c.value;
  }
  struct Filter {
    int value;
    bool lowPass;
    float hz;
  };
  for (const Filter& c : {Filter{0, true, -1.0f}, Filter{-63, true, 46.0f}, Filter{-1, true, 19400.0f},
                          Filter{1, false, 34.0f}, Filter{63, false, 17500.0f}}) {
    bool lowPass = !c.lowPass;
    const float hz = samplerFilterFrequency(c.value, &lowPass);
    EXPECT_EQ(lowPass, c.lowPass) << c.value;
    EXPECT_NEAR(hz, c.hz, std::fabs(c.hz) * 0.25f) << c.value;
  }
  for (int beats : {1, 2, 4, 8, 16, 32, 64}) EXPECT_EQ(samplerItemBeats(samplerBeatsItem(beats)), beats);
  EXPECT_EQ(samplerBeatsItem(0), 0);
  EXPECT_EQ(samplerBeatsItem(3), 0);
  EXPECT_EQ(samplerBeatsItem(-1), 0);
  EXPECT_EQ(samplerItemBeats(0), 0);
  EXPECT_EQ(samplerItemBeats(8), 0);
  struct Plan {
    int frames, sixtyfourths, outFrames, repeats, beats;
  };
  for (const Plan& c : {Plan{1000, 16, 4000, 4, 1}, Plan{1000, 96, 1000, 1, 1}, Plan{1000, 256, 1000, 1, 4},
                        Plan{1000, 64, 1000, 1, 1}, Plan{1000, 50, 1000, 1, 1}, Plan{1000, 0, 1000, 1, 0},
                        Plan{1000, -3, 1000, 1, 0}, Plan{0, 16, 0, 0, 0}}) {
    const ZRSamplerLoopPlan plan = samplerLoopPlan(c.frames, c.sixtyfourths);
    EXPECT_EQ(plan.frames, c.outFrames) << c.sixtyfourths;
    EXPECT_EQ(plan.repeats, c.repeats) << c.sixtyfourths;
    EXPECT_EQ(plan.beats, c.beats) << c.sixtyfourths;
  }
}

TEST(SamplerBank, WritesAndReadsEveryAttribute) {
  orvel_test::TempDir dir;
  const ZRString bank(dir.file("sampler.xml"));
  // A name with every character that needs escaping, and one far longer than any fixed buffer once escaped.
  const std::string odd = "/m\"ix & <d> 'o'\tk.wav";
  const std::string longName = "/" + std::string(3000, '&') + ".wav";
  std::vector<ZRSamplerBankSample> written(3);
  written[0] = {0, ZRString(odd), 4, -1200, 100, true, true};
  written[1] = {7, ZRString(longName), 0, 0, 127, false, false};
  written[2] = {3, ZRString(), 0, 0, 127, false, false};  // no file: no line
  ASSERT_TRUE(writeSamplerBank(bank, written));
  const std::string text = orvel_test::readFile(bank.utf8());
  EXPECT_EQ(text.rfind("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<sampler "
                       "version=\"2\">\n",
                       0),
            0u)
      << text.substr(0, 120);
  EXPECT_NE(
      text.find("<sample index=\"1\" file=\"/m&quot;ix &amp; &lt;d&gt; &#39;o&#39;&#x09;k.wav\" beats=\"4\" "
                "autosync=\"1\" loop=\"1\" pitch=\"-1200\" volume=\"100\" />\n"),
      std::string::npos);
  EXPECT_NE(text.find("</sampler>\n"), std::string::npos);

  std::vector<ZRSamplerBankSample> read;
  ASSERT_TRUE(readSamplerBank(bank, ZRString(), read));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].slot, 0);
  EXPECT_EQ(read[0].file.utf8(), odd);
  EXPECT_EQ(read[0].beats, 4);
  EXPECT_EQ(read[0].pitch, -1200);
  EXPECT_EQ(read[0].volume, 100);
  EXPECT_TRUE(read[0].autoSync);
  EXPECT_TRUE(read[0].loop);
  EXPECT_EQ(read[1].slot, 7);
  EXPECT_EQ(read[1].file.utf8(), longName);
  EXPECT_FALSE(read[1].loop);
}

TEST(SamplerBank, ReadsLenientlyAndMovesAnUnreadableBankAside) {
  orvel_test::TempDir dir;
  const std::string bank = dir.file("sampler.xml");
  ASSERT_TRUE(
      orvel_test::writeFile(bank,
                            "<sampler version=\"7\"><other index=\"1\" file=\"x\"/>"
                            "<sample index=\"9\" file=\"nine.wav\"/><sample index=\"0\" file=\"zero.wav\"/>"
                            "<sample index=\"1\" file=\"one.wav\" autosync=\"yes\" loop=\"Ok\"/>"
                            "<sample index=\"8\" file=\"eight.wav\" autosync=\"no\" loop=\"TRUE\" "
                            "volume=\"64\"/></sampler>"));
  std::vector<ZRSamplerBankSample> read;
  ASSERT_TRUE(readSamplerBank(ZRString(bank), ZRString("/samples/"), read));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].slot, 0);
  EXPECT_EQ(read[0].file.utf8(), "/samples/one.wav");
  EXPECT_TRUE(read[0].autoSync);
  EXPECT_TRUE(read[0].loop);
  EXPECT_EQ(read[0].volume, -1);
  EXPECT_EQ(read[0].pitch, -1);
  EXPECT_EQ(read[0].beats, -1);
  EXPECT_EQ(read[1].slot, 7);
  EXPECT_FALSE(read[1].autoSync);
  EXPECT_EQ(read[1].volume, 64);

  // A missing bank reads nothing and leaves nothing behind.
  EXPECT_FALSE(readSamplerBank(ZRString(dir.file("none.xml")), ZRString(), read));
  EXPECT_TRUE(read.empty());

  struct Broken {
    const char* name;
    const char* content;
  };
  for (const Broken& c :
       {Broken{"cut", "<sampler version=\"2\"><sample index=\"1\" file=\"a.wav\""},
        Broken{"root", "<database><sample index=\"1\" file=\"a.wav\"/></database>"}, Broken{"empty", ""}}) {
    orvel_test::TempDir broken;
    const std::string path = broken.file("sampler.xml");
    ASSERT_TRUE(orvel_test::writeFile(path, c.content));
    EXPECT_FALSE(readSamplerBank(ZRString(path), ZRString(), read)) << c.name;
    EXPECT_FALSE(fs::exists(path)) << c.name;
    int kept = 0;
    for (const auto& entry : fs::directory_iterator(broken.path())) {
      if (entry.path().filename().string().rfind("sampler.xml.unreadable-", 0) == 0) {
        ++kept;
        EXPECT_EQ(orvel_test::readFile(entry.path().string()), c.content) << c.name;
      }
    }
    EXPECT_EQ(kept, 1) << c.name;
  }
}

// Eight slots in a mixer laid out as the application's (decks 0, 1, preview 2, filler 3, slots 4..11),
// the test node table as the skin, and dialogs answered by the test.
class SamplerSlots : public ::testing::Test {
 protected:
  void SetUp() override {
    for (int i = 0; i < 4; ++i) main.AddMixerChannel(&silence[i]);
    previewPlayerChIndex = 2;
    fillerPlayerChIndex = 3;
    for (int slot = 0; slot < kSamplerSlots; ++slot) {
      players[slot].reset(ZRSamplerPlayer::create(slot));
      ASSERT_NE(players[slot], nullptr);
      Sampler[slot] = players[slot].get();
      EXPECT_EQ(main.AddMixerChannel(Sampler[slot]), samplerChannelIndex(slot));
    }
    mixer = &main;
    installActionControls(table);
    ZRActionDialogs dialogs;
    dialogs.askYesNo = [this](const ZRString& text, const ZRString&, std::function<void()> onYes) {
      questions.push_back(text.utf8());
      if (answerYes) onYes();
    };
    installChooseFileDialog(
        [this](const ZRString&, const ZRString& wildcard, std::function<void(const ZRString&)> onChosen) {
          fileBoxes.push_back(wildcard.utf8());
          if (!chosenFile.empty()) onChosen(ZRString(chosenFile));
        });
    installActionDialogs(std::move(dialogs));
  }
  void TearDown() override {
    installActionDialogs({});
    installChooseFileDialog(nullptr);
    installActionControls(nullptr);
    mixer = nullptr;
    previewPlayerChIndex = fillerPlayerChIndex = -1;
    for (int slot = 0; slot < kSamplerSlots; ++slot) Sampler[slot] = nullptr;
  }
  // A 16-bit stereo tone file of frames frames.
  std::string tone(const std::string& name, double freq, int frames) {
    const std::string path = dir.file(name);
    EXPECT_TRUE(
        orvel_test::writeWav16(path, orvel_test::stereoToneTrack(freq, frames / 44100.0, 16000), 2, 44100));
    return path;
  }
  std::vector<float> pull(int slot, int frames) {
    std::vector<float> out(2 * static_cast<size_t>(frames));
    Sampler[slot]->BeforeGetSamples(1);
    Sampler[slot]->GetSamples(out.data(), frames);
    return out;
  }

  orvel_test::TempDir dir;
  orvel_test::ConstSource silence[4] = {{0, 0}, {0, 0}, {0, 0}, {0, 0}};
  ZRMixer main{22050};
  std::unique_ptr<ZRSamplerPlayer> players[kSamplerSlots];
  std::shared_ptr<TestNodeTable> table = std::make_shared<TestNodeTable>();
  std::vector<std::string> questions, fileBoxes;
  bool answerYes = false;
  std::string chosenFile;
};

TEST_F(SamplerSlots, ABankIsRestoredAndAFailedSlotKeepsItsLine) {
  const std::string kick = tone("Kick.wav", 500.0, 22050);
  const std::string bank = dir.file("sampler.xml");
  ASSERT_TRUE(orvel_test::writeFile(bank,
                                    "<sampler version=\"2\">"
                                    "<sample index=\"1\" file=\"Kick.wav\" beats=\"4\" autosync=\"0\" "
                                    "loop=\"1\" pitch=\"1234\" volume=\"100\"/>"
                                    "<sample index=\"3\" file=\"Gone.wav\" beats=\"8\" autosync=\"1\" "
                                    "loop=\"1\" pitch=\"-50\" volume=\"90\"/>"
                                    "<sample index=\"5\" file=\"Kick.wav\"/></sampler>"));
  ASSERT_TRUE(LoadSamplerBanks(ZRString(bank), ZRString(dir.path() + "/")));

  EXPECT_TRUE(Sampler[0]->IsOpen());
  EXPECT_EQ(Sampler[0]->GetFileName().utf8(), kick);
  EXPECT_EQ(table->caption(ACT_sampler1_name, -1), "Kick");
  EXPECT_EQ(table->get(ACT_dropdown_sampler1_beats, -1).selected, 3);
  EXPECT_EQ(Sampler[0]->GetTotalBeats(), 4);
  EXPECT_EQ(Sampler[0]->GetLooping(), 1);
  EXPECT_TRUE(table->getSwitched(ACT_sampler1_loop, -1));
  EXPECT_EQ(table->caption(ACT_sampler1_pitch_val, -1), "-12.34 %");
  EXPECT_NEAR(Sampler[0]->GetSpeed(), 0.8766, 1e-9);
  EXPECT_EQ(table->caption(ACT_sampler1_vol_val, -1), "79");
  // 22050 frames of four beats: 480 BPM, at 87.66 %.
  EXPECT_EQ(table->caption(ACT_sampler1_bpm_val, -1), "421");

  EXPECT_FALSE(Sampler[2]->IsOpen());
  EXPECT_EQ(table->caption(ACT_sampler3_name, -1), "error");
  // A slot without beats cannot keep auto sync.
  EXPECT_FALSE(table->getSwitched(ACT_sampler3_sync, -1));
  // Missing numbers: the sliders' lowest position and no beats.
  EXPECT_TRUE(Sampler[4]->IsOpen());
  EXPECT_EQ(table->caption(ACT_sampler5_vol_val, -1), "0");
  EXPECT_EQ(table->get(ACT_dropdown_sampler5_beats, -1).selected, 0);

  // The user moves slot 1's volume; the bank is saved and read back.
  table->setPos(ACT_sampler1_vol, -1, 64, true);
  OnSliderChange_SamplerVolume(64, 0, -1, nullptr);
  const std::string saved = dir.file("saved.xml");
  ASSERT_TRUE(SaveSamplerBanks(ZRString(saved)));
  std::vector<ZRSamplerBankSample> read;
  ASSERT_TRUE(readSamplerBank(ZRString(saved), ZRString(), read));
  ASSERT_EQ(read.size(), 3u);
  EXPECT_EQ(read[0].slot, 0);
  EXPECT_EQ(read[0].file.utf8(), kick);
  EXPECT_EQ(read[0].volume, 64);
  EXPECT_EQ(read[0].pitch, 1234);
  EXPECT_EQ(read[0].beats, 4);
  EXPECT_TRUE(read[0].loop);
  EXPECT_EQ(read[1].slot, 2);
  EXPECT_EQ(read[1].file.utf8(), dir.path() + "/Gone.wav");
  EXPECT_EQ(read[1].beats, 8);
  EXPECT_TRUE(read[1].autoSync);
  EXPECT_EQ(read[1].pitch, -50);
  EXPECT_EQ(read[1].volume, 90);
  EXPECT_EQ(read[2].slot, 4);
  EXPECT_EQ(read[2].volume, 0);

  // A loop from memory has no file: its slot leaves the bank.
  std::vector<float> loop(2 * 1000, 0.25f);
  samplerLoadAudioAndSetDetails(0, ZRString(), loop.data(), 1000, 102, 0, 1, true, true);
  EXPECT_EQ(table->caption(ACT_sampler1_name, -1), "loop");
  ASSERT_TRUE(SaveSamplerBanks(ZRString(saved)));
  ASSERT_TRUE(readSamplerBank(ZRString(saved), ZRString(), read));
  ASSERT_EQ(read.size(), 2u);
  EXPECT_EQ(read[0].slot, 2);
}

TEST_F(SamplerSlots, PadsPlayAOneShotAndALoop) {
  const int frames = 4410;
  chosenFile = tone("Shot.wav", 1000.0, frames);
  // A pad released on an empty slot asks for a file; the chosen one loads with the defaults.
  OnButtonPress_SamplerPlayNew(0, 1, -1, nullptr);
  OnButtonRelease_SamplerPlayNew(0, 1, -1, nullptr);
  ASSERT_EQ(fileBoxes.size(), 1u);
  EXPECT_NE(fileBoxes[0].find("|*.mp3;*.wav;*.aif;*.m4a;*.wma;*.ogg"), std::string::npos);
  ASSERT_TRUE(Sampler[1]->IsOpen());
  EXPECT_EQ(Sampler[1]->GetLength(), frames);
  EXPECT_EQ(table->caption(ACT_sampler2_name, -1), "Shot");
  EXPECT_EQ(table->caption(ACT_sampler2_vol_val, -1), "100");

  // One shot: the tone once, then silence.
  OnButtonPress_SamplerPlayNew(1, 1, -1, nullptr);
  EXPECT_EQ(Sampler[1]->GetPlaying(), 1);
  std::vector<float> out = pull(1, 2 * frames);
  double freq, rms;
  analyseTone(out, 0, frames, freq, rms);
  EXPECT_NEAR(freq, 1000.0, 5.0);
  EXPECT_GT(rms, 0.05);
  double after = 0;
  for (int i = frames + 2; i < 2 * frames; ++i)
    after = std::max(after, static_cast<double>(std::fabs(out[2 * i])));
  EXPECT_EQ(after, 0.0);
  EXPECT_EQ(Sampler[1]->GetPlaying(), 0);

  // Looped: the second pass repeats the first, frame for frame.
  OnButtonPress_SamplerLoop(1, 1, -1, nullptr);
  EXPECT_EQ(Sampler[1]->GetLooping(), 1);
  OnButtonPress_SamplerPlayNew(1, 1, -1, nullptr);
  out = pull(1, 2 * frames + 100);
  for (int i = 0; i < frames + 100; i += 97) ASSERT_FLOAT_EQ(out[2 * (frames + i)], out[2 * i]) << i;
  EXPECT_EQ(Sampler[1]->GetPlaying(), 1);
  // The stop pad stops and rewinds.
  OnButtonPress_SamplerStop(1, 1, -1, nullptr);
  EXPECT_EQ(Sampler[1]->GetPlaying(), 0);
  EXPECT_EQ(Sampler[1]->GetCurrentPos(), 0);

  OnButtonPress_SamplerPlayNew(1, 1, -1, nullptr);
  OnButtonRelease_SamplerPlayNew(0, 1, -1, nullptr);
  EXPECT_EQ(Sampler[1]->GetPlaying(), 1);  // restart mode (no settings): release changes nothing
  EXPECT_EQ(fileBoxes.size(), 1u);         // and a loaded slot asks for nothing

  // Volume, monitor and master volume reach the slot's mixer channel.
  OnSliderChange_SamplerVolume(0, 1, -1, nullptr);
  EXPECT_LT(main.GetChannelFader(samplerChannelIndex(1)), -100.0f);
  OnSliderChange_SamplerMasterVolume(127, -1, -1, nullptr);
  for (int slot = 0; slot < kSamplerSlots; ++slot) {
    EXPECT_EQ(table->get(ACT_sampler1_vol + slot, -1).position, 127) << slot;
    EXPECT_EQ(table->caption(ACT_sampler1_vol_val + slot, -1), "100") << slot;
  }
  EXPECT_GT(main.GetChannelFader(samplerChannelIndex(1)), -1.0f);
}

// A one-beat loop made at 120 BPM in a slot with loop and sync on, started from its pad while a deck at
// 132 BPM leads: the slot plays 10 % faster, so its 1000 Hz tone comes out as a 1100 Hz sine of the
// source's level, unbroken across every pass of the loop.
class SamplerSyncedLoop : public deck_test::DeckFixture {
 protected:
  void SetUp() override {
    DeckFixture::SetUp();
    Sampler[0] = &slot;
    installActionControls(table);
    installChooseFileDialog(
        [this](const ZRString&, const ZRString&, std::function<void(const ZRString&)> chosen) {
          chosen(ZRString(loopFile));
        });
  }
  void TearDown() override {
    ZRSamplerPlayer::setMasterDeckFunction(nullptr);
    installChooseFileDialog(nullptr);
    installActionControls(nullptr);
    Sampler[0] = nullptr;
    DeckFixture::TearDown();
  }
  static CSoundSource* leading;
  ZRSamplerPlayer slot{0};
  std::shared_ptr<TestNodeTable> table = std::make_shared<TestNodeTable>();
  std::string loopFile;
};
CSoundSource* SamplerSyncedLoop::leading = nullptr;

TEST_F(SamplerSyncedLoop, ItsOutputIsTheSourceAtTheDecksTempo) {
  loadRecord(clickRecord("c132.wav", 132.0, 0));
  ASSERT_FLOAT_EQ(deck->GetCurrentBPM(), 132.0f);
  leading = deck.get();
  ZRSamplerPlayer::setMasterDeckFunction([] { return leading; });
  // 22050 frames: one beat at 120 BPM, 500 whole periods of 1000 Hz, so the loop joins seamlessly.
  const double amplitude = 16000.0 / 32768.0, w = 2 * M_PI * 1000.0 / 44100.0;
  loopFile = dir.file("Loop.wav");
  ASSERT_TRUE(orvel_test::writeWav16(loopFile, orvel_test::stereoToneTrack(1000.0, 0.5, 16000), 2, 44100));

  OnButtonPress_SamplerLoad(0, 0, -1, nullptr);
  ASSERT_TRUE(slot.IsOpen());
  table->selectItem(ACT_dropdown_sampler1_beats, -1, samplerBeatsItem(1), false);
  OnDropdownChange_SamplerBeats(samplerBeatsItem(1), 0, -1, nullptr);
  ASSERT_FLOAT_EQ(slot.GetCurrentBPM(), 120.0f);
  table->setSwitched(ACT_sampler1_loop, -1, true, false);
  OnButtonPress_SamplerLoop(1, 0, -1, nullptr);
  table->setSwitched(ACT_sampler1_sync, -1, true, false);
  OnButtonPress_SamplerSync(1, 0, -1, nullptr);
  EXPECT_TRUE(table->getSwitched(ACT_sampler1_sync, -1));  // a slot with a tempo keeps its sync

  playFrom(44100);
  mixBuffer({deck.get()}, 256);
  OnButtonPress_SamplerPlayNew(0, 0, -1, nullptr);
  ASSERT_EQ(slot.GetPlaying(), 1);
  EXPECT_EQ(slot.GetSyncPitch(), 1000);
  EXPECT_NEAR(slot.GetSpeed(), 1.1, 1e-9);

  // Buffers as the mixer runs them: the deck's and the slot's passes (the slot aligns its beat to the
  // deck's in the first), then the samples. Three seconds: more than six passes of the loop.
  constexpr int kBuffer = 441, kBuffers = 300;
  std::vector<float> out(2 * kBuffer * kBuffers), scratch(2 * kBuffer);
  for (int b = 0; b < kBuffers; ++b) {
    for (int pass = 0; pass < 3; ++pass) {
      deck->BeforeGetSamples(pass);
      slot.BeforeGetSamples(pass);
    }
    deck->GetSamples(scratch.data(), kBuffer);
    slot.GetSamples(out.data() + 2 * kBuffer * b, kBuffer);
  }
  deck->PlayPause(0);

  // The sine of 1.1 x the source's frequency that fits the output best after the first buffer (where the
  // beat alignment may move the slot), and how far the output ever strays from it.
  const double w2 = 1.1 * w;
  double si = 0, co = 0;
  const long first = kBuffer, frames = static_cast<long>(kBuffer) * kBuffers;
  for (long n = first; n < frames; ++n) {
    si += out[2 * n] * std::sin(w2 * n);
    co += out[2 * n] * std::cos(w2 * n);
  }
  const double a = 2 * si / (frames - first), c = 2 * co / (frames - first);
  EXPECT_NEAR(std::hypot(a, c), amplitude, amplitude * 0.01);
  double worst = 0;
  for (long n = first; n < frames; ++n) {
    const double want = a * std::sin(w2 * n) + c * std::cos(w2 * n);
    worst = std::max(worst, std::fabs(out[2 * n] - want));
    ASSERT_FLOAT_EQ(out[2 * n + 1], out[2 * n]) << n;
  }
  // Linear interpolation of a 1000 Hz sine between frames strays by at most amplitude x w^2 / 8.
  EXPECT_LT(worst, amplitude * 0.005) << "the output is not the source at 1.1 x its speed";
  double freq, rms;
  orvel_test::analyseTone(out, first, frames, freq, rms);
  EXPECT_NEAR(freq, 1100.0, 0.5);
}

TEST_F(SamplerSlots, RecordingTheMasterLoadsTheSlotFromTheFinishedFile) {
  orvel_test::SineSource master(1000.0, 0.4f);
  ZRMixer mix(22050);
  mix.AddMixerChannel(&master);
  mix.SetFaderPosition(0, 127);
  samplerRecordingFolder = ZRString(dir.path());
  ZRVideoRecorder video;
  ZRAudioBroadcast broadcast;
  audioBroadcast = &broadcast;
  chosenFile = tone("Loaded.wav", 300.0, 4410);
  OnButtonPress_SamplerLoad(0, 6, -1, nullptr);
  ASSERT_TRUE(Sampler[6]->IsOpen());
  {
    orvel_test::ManualEngine engine(mix, 441);
    engine.output->setAudioRecordingCallback(&audioVideoRecCallback, &video);
    // A loaded slot asks first: no leaves it as it is, with the switch off.
    table->setSwitched(ACT_sampler7_rec, -1, true, false);
    OnButtonRelease_SamplerRec(1, 6, -1, nullptr);
    ASSERT_EQ(questions.size(), 1u);
    EXPECT_EQ(questions[0], "Are you sure you want to unload the current sample and start recording?");
    EXPECT_FALSE(table->getSwitched(ACT_sampler7_rec, -1));
    EXPECT_FALSE(Sampler[6]->isRecording());
    EXPECT_TRUE(Sampler[6]->IsOpen());
    answerYes = true;
    table->setSwitched(ACT_sampler7_rec, -1, true, false);
    OnButtonRelease_SamplerRec(1, 6, -1, nullptr);
    EXPECT_TRUE(table->getSwitched(ACT_sampler7_rec, -1));
    ASSERT_TRUE(Sampler[6]->isRecording());
    const std::string file = Sampler[6]->getRecordingFilename().utf8();
    EXPECT_EQ(fs::path(file).parent_path().string(), dir.path());
    EXPECT_EQ(fs::path(file).filename().string().rfind("sample-", 0), 0u) << file;
    EXPECT_EQ(fs::path(file).extension().string(), ".aif");
    // Two seconds, in quarter seconds the recorder's writer keeps up with.
    for (int quarter = 0; quarter < 8; ++quarter) {
      engine.pump(25);
      const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (Sampler[6]->getRecordingTime() < (quarter - 1) * 0.25f &&
             std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
    }
    // Switching off (as the user, or the GUI tick after 10 s) stops and loads the slot at once.
    table->setSwitched(ACT_sampler7_rec, -1, false, false);
    OnButtonRelease_SamplerRec(0, 6, -1, nullptr);
    engine.output->setAudioRecordingCallback(nullptr, nullptr);
    EXPECT_FALSE(Sampler[6]->isRecording());
    ASSERT_TRUE(Sampler[6]->IsOpen());
    EXPECT_EQ(Sampler[6]->GetFileName().utf8(), file);
    EXPECT_EQ(table->caption(ACT_sampler7_name, -1), fs::path(file).stem().string());
    EXPECT_EQ(Sampler[6]->GetLength(), 88200);
  }
  audioBroadcast = nullptr;
  OnButtonPress_SamplerPlay(1, 6, -1, nullptr);
  const std::vector<float> played = pull(6, 44100);
  double freq, rms;
  analyseTone(played, 0, 44100, freq, rms);
  EXPECT_NEAR(freq, 1000.0, 2.0);
  const double level = 0.4 / std::sqrt(2.0) * 30000.0 / 32768.0;
  EXPECT_NEAR(rms, level, level * 0.05);
}

}  // namespace
