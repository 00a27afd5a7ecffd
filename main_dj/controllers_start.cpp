#include "main_dj/controllers_start.h"

#include <wx/app.h>

#include <cstring>
#include <string>

#include "actions_dj/engine_globals.h"
#include "common/zr_logging.h"
#include "common/zr_preferences.h"
#include "controllers/controller_host.h"
#include "controllers/controller_script_sleep.h"
#include "controllers/zr_hardware_controller.h"
#include "controllers/zr_javascript.h"
#include "gui/skin_engine_hooks.h"
#include "main_dj/audio_device_choice.h"
#include "main_dj/controller_values.h"
#include "main_dj/script_node_access.h"
#include "main_dj/shell_folders.h"
#include "main_dj/skin_choice.h"
#include "main_dj/zr_midi_shortcuts.h"

namespace {

using Handler = void (*)(int, int, int);

struct NamedHandler {
  const char* name;
  Handler function;
};

const NamedHandler kHandlers[] = {
    {"callDj_MoveLBCursorInc", &callDj_MoveLBCursorInc},
    {"callDj_SetPitchRange", &callDj_SetPitchRange},
    {"callDj_RecordingAudio", &callDj_RecordingAudio},
    {"callDj_SamplerPlay", &callDj_SamplerPlay},
    {"callDj_SamplerStop", &callDj_SamplerStop},
    {"callDj_SamplerInstant", &callDj_SamplerInstant},
    {"callDj_SamplerVolume", &callDj_SamplerVolume},
    {"callDj_Hide", &callDj_Hide},
    {"callDj_Show", &callDj_Show},
    {"callDj_Sleep", &callDj_Sleep},
    {"callDj_LBToggleSelect", &callDj_LBToggleSelect},
    {"callDj_LBBrowserSelect", &callDj_LBBrowserSelect},
    {"callDj_LBListSelect", &callDj_LBListSelect},
    {"callDj_DeckSearchJW", &callDj_DeckSearchJW},
    {"callDj_DeckScratchJW", &callDj_DeckScratchJW},
    {"callDj_DeckJogWheelMove", &callDj_DeckJogWheelMove},
    {"callDj_DeckJogWheelHold", &callDj_DeckJogWheelHold},
    {"callDj_DeckIncPitch", &callDj_DeckIncPitch},
    {"callDj_DeckLBLoad", &callDj_DeckLBLoad},
    {"callDj_DeckEditBpm", &callDj_DeckEditBpm},
    {"callDj_DeckSaveBpm", &callDj_DeckSaveBpm},
    {"callDj_DeckTapBpm", &callDj_DeckTapBpm},
    {"callDj_DeckLoopNormal64ths", &callDj_DeckLoopNormal64ths},
    {"callDj_DeckLoopInstant64ths", &callDj_DeckLoopInstant64ths},
    {"callDj_DeckCFAssign", &callDj_DeckCFAssign},
};

class ShellControllerHost : public ZRControllerHost {
 public:
  void pressAction(int type, int actionId, int deck, int value, int extra) override {
    controllerCallFunctionCallback(type, actionId, deck, value, extra);
  }
  bool callHandler(const char* handler, int value, int param, int deck) override {
    for (const NamedHandler& h : kHandlers) {
      if (std::strcmp(h.name, handler) == 0) {
        h.function(value, param, deck);
        return true;
      }
    }
    return false;
  }
  int callNode(const char* name, int deck, const char* command, int first, int second, int third,
               const char* text) override {
    return callNode_impl(name, deck, command, first, second, third, text);
  }
  void getValue(const char* name, int deck, int& value, double& number, std::string& text, int& type,
                int scrollLength) override {
    char buffer[kMaxParamTextBytes + 1] = {0};
    GetEngineValue(name, deck, value, number, buffer, sizeof buffer, type, scrollLength);
    text = buffer;
  }
  int getId(const char* name, int deck) override { return GetEngineNodeId(name, deck); }
  bool hasSettings() override { return preferences != nullptr; }
  bool getSetting(const char* key, TJSParam& value) override {
    if (preferences == nullptr) return false;
    int i = 0;
    float f = 0;
    char text[ZRPreferences::kMaxTextBytes + 1] = {0};
    if (preferences->getValue(key, i)) {
      value = TJSParam::ofInt(i);
    } else if (preferences->getValue(key, f)) {
      value = TJSParam::ofFloat(f);
    } else if (preferences->getValue(key, text)) {
      value = TJSParam::ofString(text);
    } else {
      return false;
    }
    return true;
  }
  bool setSetting(const char* key, const TJSParam& value) override {
    if (preferences == nullptr) return false;
    if (value.type == TJSParam::String) {
      preferences->setValue(key, value.text.c_str(), 0, ZRPreferences::NotificationProgram);
    } else {
      preferences->setValue(key, value.floatValue, 0, ZRPreferences::NotificationProgram);
    }
    return true;
  }
  bool setAudioDevice(const std::string& candidates) override {
    return tryToSetAudioDevice(ZRString(candidates.c_str()));
  }
  void unmatchedMidi(int status, int channel, int data1, int data2, int offsetMs) override {
    GUISynched_MIDICallback(nullptr, status, channel, data1, data2, offsetMs);
  }
  void runOnMainThread(std::function<void()> work) override {
    if (wxTheApp != nullptr) wxTheApp->CallAfter(std::move(work));
  }
};

ShellControllerHost host;
bool started = false;

}  // namespace

void startControllers() {
  if (started) return;
  started = true;
  setControllerHost(&host);
  installInitSkinScriptHook([](const std::string& text) { return createSkinScript(text.c_str()); });
  installCallSkinInitHook([] { callSkinScriptInit(); });
  installCallSkinCallbackHook([](const std::string& function, int a, int b, int c) {
    return callSkinScriptCallback(function.c_str(), a, b, c);
  });
  initControllers(GetControllersDir().utf8(), getResourcesDir(ZRString("controllers")).utf8());
}

void stopControllers() {
  if (!started) return;
  started = false;
  installInitSkinScriptHook(nullptr);
  installCallSkinInitHook(nullptr);
  installCallSkinCallbackHook(nullptr);
  deinitControllers();
  setControllerHost(nullptr);
}
