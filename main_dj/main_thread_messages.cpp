#include "main_dj/main_thread_messages.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>

#include "common/action_ids.h"
#include "common/zr_logging.h"
#include "gui/zr_draw_node.h"
#include "gui_nodes/zr_node_button.h"
#include "main_dj/bpm_editor_window.h"
#include "main_dj/engine_nodes.h"
#include "main_dj/shell_window.h"
#include "main_dj/skin_choice.h"
#include "main_dj/zr_catch_events_dialog.h"
#include "main_dj/zr_main_frame.h"

std::atomic<int> execute__callDj_DeckTapBpm_deck{0};
std::atomic<int> execute__callDj_DeckTapBpm_param{0};

namespace {

constexpr int kSkinNameBytes = 1024;
std::mutex skinRequestLock;
char skinRequest[kSkinNameBytes] = {0};
bool skinRequested = false;
std::atomic<ZRSkinChangeFunction> skinChangeFunction{&changeSkin};

void sendMidi(ZRDrawNode* node, int status, int value, int deck) {
  // Channel and key -1: no real MIDI message, so no learnt shortcut is matched against it.
  node->executeActionInternal(ZRNodeEventMidi, status, 0, 0, ZRButtonNone, -1, 0, -1, -1, value, L' ', deck);
}

}  // namespace

void postMainThreadMessage(int type) {
  if (ZRMainFrame* frame = MainFrame) frame->callAsyncInMainThreadFunction(type);
}

void requestSkinChange(const char* skinName) {
  {
    std::lock_guard guard(skinRequestLock);
    const size_t n = skinName != nullptr ? strnlen(skinName, kSkinNameBytes - 1) : 0;
    std::memcpy(skinRequest, skinName != nullptr ? skinName : "", n);
    skinRequest[n] = 0;
    skinRequested = true;
  }
  postMainThreadMessage(kAsyncSkinChange);
}

bool takeRequestedSkinChange(char* out, int size) {
  std::lock_guard guard(skinRequestLock);
  if (!skinRequested || out == nullptr || size <= 0) return false;
  const size_t n = std::min(std::strlen(skinRequest), static_cast<size_t>(size - 1));
  std::memcpy(out, skinRequest, n);
  out[n] = 0;
  skinRequest[0] = 0;
  skinRequested = false;
  return true;
}

void setSkinChangeFunction(ZRSkinChangeFunction function) {
  skinChangeFunction.store(function);
}

void utilFunc_PressButton(ZRNodeManager* manager, int action, int deck, int value, bool state) {
  ZRDrawNode* node = engineNode(manager, action, deck);
  if (node == nullptr) return;
  if (value == -1) {
    sendMidi(node, 0x90, 127, deck);
    sendMidi(node, 0x80, 0, deck);
  } else if (value == -2) {
    if (auto* button = dynamic_cast<ZRNodeButton*>(node)) button->setSwitched(state, true);
  } else {
    sendMidi(node, 0x90, value, deck);
  }
}

void utilFunc_PressButton(int action, int deck, int value, bool state) {
  utilFunc_PressButton(shellNodeManager(), action, deck, value, state);
}

void asyncInMainThreadFunctionCallback(int type, int /*kind*/) {
  switch (type) {
    case kAsyncTapTempo: {
      // With the tempo editor open a press (64 or more) taps it and a release does nothing; without it
      // the deck's BPM button is pressed, which opens the editor.
      const int deck = std::clamp(execute__callDj_DeckTapBpm_deck.load(), 0, 1);
      const int value = execute__callDj_DeckTapBpm_param.load();
      if (EditBPMWindow_dialog == nullptr) {
        utilFunc_PressButton(ACT_deck_edit_bpm, deck, value, false);
      } else if (value >= 64) {
        EditBPMWindow_Tap();
      }
      break;
    }
    case kAsyncAddDialog:
      // The add dialog is modal: shown unasked at every start it would stop the program's scripted runs
      // (tests, the end-to-end run) until someone answers. It opens from the "add" button and the menus.
      {
        static std::atomic<bool> said{false};
        if (!said.exchange(true)) ZRLOG("start-up add dialog: not available yet");
      }
      break;
    case kAsyncRecordingToggle:
      if (auto* button = engineNodeAs<ZRNodeButton>(ACT_recording_audio, -1)) {
        button->setSwitched(!button->getSwitched(), true);
      }
      break;
    case kAsyncSkinChange: {
      char name[kSkinNameBytes];
      if (!takeRequestedSkinChange(name, sizeof name)) break;
      if (ZRSkinChangeFunction change = skinChangeFunction.load()) change(name);
      break;
    }
    default:
      ZRLOG("error: unknown async messsage");
      break;
  }
}
