// The GUI tick over a skin engine without a window: engine state reaches the nodes (sampler positions,
// background task texts, the clock), timers expire on their counters, and the one-time list set-up.

#include "main_dj/gui_tick.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "actions_dj/action_controls.h"
#include "actions_dj/background_tasks_status.h"
#include "actions_dj/deck_cues.h"
#include "actions_dj/deck_loading.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/skin/zr_node_table_controls.h"
#include "dsp/engine/sound_source.h"
#include "dsp/engine/zr_sampler_player.h"
#include "engine_nodes_fixture.h"
#include "gui_nodes/zr_node_back_image.h"
#include "gui_nodes/zr_node_jog_wheel.h"
#include "gui_nodes/zr_node_play_live.h"
#include "gui_nodes/zr_node_slider_knob.h"
#include "gui_nodes/zr_node_text.h"
#include "main_dj/shell_state.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace orvel_test {
namespace {

class GuiTick : public EngineNodesTest {
 protected:
  GuiTick() {
    resetGuiTickState();
    bindAll();
    // As the engine's creation does: the tick writes its texts through the actions' view of the skin.
    installActionControls(std::make_shared<ZRNodeTableControls>(manager.get()));
  }
  ~GuiTick() override { installActionControls(nullptr); }
  void ticks(int count, float dt = 0.02f) {
    for (int i = 0; i < count; i++) runGuiTick(manager.get(), dt);
  }
};

TEST_F(GuiTick, SamplerPositionsReachTheirSliders) {
  auto sampler = std::unique_ptr<ZRSamplerPlayer>(ZRSamplerPlayer::create(0));
  ASSERT_NE(sampler, nullptr);
  const int slot = sampler->getId();
  std::vector<float> samples(2 * 44100, 0.1f);
  ASSERT_TRUE(sampler->Open(samples.data(), 44100));
  // A quarter of the sample played (the audio thread's pull, made here).
  sampler->SetPlaying(1);
  std::vector<float> out(2 * 11025);
  sampler->GetSamples(out.data(), 11025);
  ticks(4);
  std::string name = "sampler" + std::to_string(slot + 1) + "_pos";
  for (int j = 0; j < 8; j++) {
    if (ZRSamplerPlayer::samplers[j].load() == sampler.get())
      name = "sampler" + std::to_string(j + 1) + "_pos";
  }
  EXPECT_EQ(node<ZRNodeSliderKnob>(name.c_str(), -1)->GetPos(), 250);
}

TEST_F(GuiTick, DecksWithoutTracksShowStoppedPlattersAndTheClockRuns) {
  node<ZRNodePlayLive>("deck_playlive", 1)->updateState(true);
  ticks(10);
  EXPECT_FALSE(node<ZRNodePlayLive>("deck_playlive", 1)->isPlaying());
  EXPECT_DOUBLE_EQ(node<ZRNodeJogWheel>("deck_wheel", 0)->angle.load(), 0.0);
  const std::string clock = node<ZRNodeText>("time", -1)->getCaption().utf8();
  ASSERT_EQ(clock.size(), 7u) << clock;  // "%I:%M%p", e.g. "07:05AM"
  EXPECT_EQ(clock[2], ':');
  // Nothing records: the recording time is empty.
  EXPECT_EQ(node<ZRNodeText>("record_time", -1)->getCaption().utf8(), "");
}

// The remaining-tasks text is handed over whole by the worker that sets it: a text longer than its 64
// bytes is cut on a character boundary, and a reader never sees half of one text and half of another.
TEST_F(GuiTick, BackgroundTaskTextsArriveWholeAndCut) {
  std::string longText;
  for (int i = 0; i < 40; i++) longText += "\xc3\xa9";  // 80 bytes
  setBackgroundTasksStatus(longText.c_str(), true);
  ticks(1);
  const std::string shown = node<ZRNodeText>("background_tasks_remaining", -1)->getCaption().utf8();
  EXPECT_EQ(shown, longText.substr(0, 62));
  EXPECT_GT(node<ZRNodeBackImage>("img_background_tasks_spinner", -1)->rotation.load(), 0.0f);

  std::atomic<bool> stop{false};
  std::thread writer([&] {
    for (int i = 0; !stop.load(); i++)
      setBackgroundTasksStatus(i % 2 ? "aaaaaaaaaaaaaaaaaaaa" : "bbbbbbbbbb", true);
  });
  char out[64];
  for (int i = 0; i < 20000; i++) {
    if (!takeBackgroundTasksMessage(out, sizeof out)) continue;
    const std::string s = out;
    ASSERT_TRUE(s == "aaaaaaaaaaaaaaaaaaaa" || s == "bbbbbbbbbb") << s;
  }
  stop.store(true);
  writer.join();
  setBackgroundTasksStatus("", false);
}

TEST_F(GuiTick, CueTimersExpireOnTheThirdCounterSixTick) {
  cuePointTimer[0][3].store(0);
  loopTimer[1][7].store(0);
  ticks(7);  // counter 6 once
  EXPECT_EQ(cuePointTimer[0][3].load(), 1);
  ticks(10);
  EXPECT_EQ(cuePointTimer[0][3].load(), 2);
  ticks(10);
  EXPECT_EQ(cuePointTimer[0][3].load(), -1);
  EXPECT_EQ(loopTimer[1][7].load(), -1);
}

TEST_F(GuiTick, TheListsAreSetUpOnceHalfASecondAfterStartUp) {
  LogCapture log;
  isFirstRun.store(true);
  addNewTracksTimer.store(0.0f);
  ticks(20);  // 0.4 s
  EXPECT_EQ(log.count("load default content"), 0);
  ticks(10);
  EXPECT_EQ(log.count("load default content"), 1);
  EXPECT_EQ(addNewTracksTimer.load(), -1.0f);
  ticks(50);
  EXPECT_EQ(log.count("load default content"), 1);
  isFirstRun.store(false);
}

// A track loaded into deck A through the user action: the tick brings its title, its times and its
// platter to the deck's controls, as the skin shows them.
TEST_F(GuiTick, ALoadedDecksTitleAndTimesReachItsCaptions) {
  TempDir dir;
  std::vector<int16_t> tone(2 * 44100 * 3);
  for (size_t i = 0; i < tone.size(); i++) tone[i] = static_cast<int16_t>(8000 * std::sin(i * 0.05));
  const std::string path = dir.file("Tick Artist - Tick Title.wav");
  ASSERT_TRUE(writeWav16(path, tone, 2, 44100));
  auto deck = std::make_unique<CSoundSource>(0, ZRString(dir.file("Stripes")));
  decks[0] = deck.get();
  installActionControls(std::make_shared<ZRNodeTableControls>(manager.get()));
  FDeck_LoadFile(ZRString(path), ZRString(), nullptr, 0, 0.0f);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < deadline &&
         !(deck->isTrackReady() && deck->GetLoadingProgressPercent() >= 100)) {
    ticks(1);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  ticks(20);
  EXPECT_EQ(node<ZRNodeText>("deck_titlename", 0)->getCaption().utf8(), "Tick Title");
  EXPECT_EQ(node<ZRNodeText>("deck_songname", 0)->getCaption().utf8(), "Tick Artist - Tick Title");
  EXPECT_EQ(node<ZRNodeText>("deck_remained", 0)->getCaption().utf8(), "00:03.0");
  EXPECT_EQ(node<ZRNodeText>("deck_elapsed", 0)->getCaption().utf8(), "00:00.0");
  // Deck B stays as the bindings left it.
  EXPECT_NE(node<ZRNodeText>("deck_titlename", 1)->getCaption().utf8(), "Tick Title");
  installActionControls(nullptr);
  decks[0] = nullptr;
}

TEST(GuiTickWithoutWindow, RunsTheQueuesOnly) {
  resetGuiTickState();
  setShellNodeManager(nullptr);
  addNewTracksTimer.store(0.0f);
  for (int i = 0; i < 40; i++) updatingGUICallback(0.02f);
  EXPECT_EQ(addNewTracksTimer.load(), 0.0f);
  EXPECT_FLOAT_EQ(lastUpdatingGUICallback_dt.load(), 0.02f);
  resetGuiTickState();
}

}  // namespace
}  // namespace orvel_test
