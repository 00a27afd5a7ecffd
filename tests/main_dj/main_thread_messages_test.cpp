// Calls posted to the main thread from other threads run there, on the main window's event loop (under
// Xvfb): the skin change a script asks for, the recording button, and unknown messages.

#include "main_dj/main_thread_messages.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "engine_nodes_fixture.h"
#include "gui_nodes/zr_node_button.h"
#include "main_dj/script_node_access.h"
#include "main_dj/skin_choice.h"
#include "main_window_rig.h"
#include "support/display_required.h"
#include "support/log_capture.h"

namespace orvel_test {
namespace {

std::thread::id changedOn;
std::string changedTo;
void recordSkinChange(const char* name) {
  changedOn = std::this_thread::get_id();
  changedTo = name;
}

TEST(MainThreadMessages, AScriptsSkinChangeRunsOnTheMainThread) {
  if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  MainWindowRig rig;
  rig.frame().setAsyncCallHandler(&asyncInMainThreadFunctionCallback);
  setSkinChangeFunction(&recordSkinChange);
  changedTo.clear();
  std::thread script([] { callNode_impl("skinChange", 0, "Orvel Large", 0, 0, 0, nullptr); });
  script.join();
  EXPECT_TRUE(pumpUntil([] { return !changedTo.empty(); }, 5000));
  EXPECT_EQ(changedTo, "Orvel Large");
  EXPECT_EQ(changedOn, std::this_thread::get_id());
  setSkinChangeFunction(&changeSkin);
}

TEST(MainThreadMessages, UnknownMessagesPostedFromAnotherThreadAreLoggedOnTheMainThread) {
  if (!ensureToolkitForRenderThread()) ORVEL_SKIP_WITHOUT_DISPLAY() << "no display";
  MainWindowRig rig;
  rig.frame().setAsyncCallHandler(&asyncInMainThreadFunctionCallback);
  LogCapture log(true);  // only the main thread's lines
  std::thread script([] { postMainThreadMessage(42); });
  script.join();
  EXPECT_TRUE(pumpUntil([&] { return log.count("error: unknown async messsage") == 1; }, 5000));
}

using MainThreadHandler = EngineNodesTest;

TEST_F(MainThreadHandler, RecordingToggleAndTapTempo) {
  bindAll();
  auto* recording = node<ZRNodeButton>("recording_audio", -1);
  ASSERT_NE(recording, nullptr);
  // A recording action that counts its calls, on the switch the working action has (a button whose action
  // is not built yet shows no state, so the binding may have left it a plain button).
  static std::atomic<int> calls{0};
  calls.store(0);
  recording->setActionSlot(ZRNodeButton::SlotPress, [](int, int, int, ZRDrawNode*) { calls.fetch_add(1); });
  recording->setSwitchMode(true);
  // The message a script's release posts toggles the button, with its actions.
  asyncInMainThreadFunctionCallback(kAsyncRecordingToggle, -1);
  EXPECT_TRUE(recording->getSwitched());
  EXPECT_EQ(calls.load(), 1);
  asyncInMainThreadFunctionCallback(kAsyncRecordingToggle, -1);
  EXPECT_FALSE(recording->getSwitched());
  EXPECT_EQ(calls.load(), 2);
  // A tap whose deck was written out of range still presses a player deck's button, never another slot.
  execute__callDj_DeckTapBpm_deck.store(99);
  execute__callDj_DeckTapBpm_param.store(-1);
  asyncInMainThreadFunctionCallback(kAsyncTapTempo, -1);
  execute__callDj_DeckTapBpm_deck.store(0);
}

}  // namespace
}  // namespace orvel_test
