// Hardware controllers through their scripts: the shipped generic script driven by a JACK MIDI client
// (a note plays deck A, a control change moves the crossfader, the LED answer reaches the client), the call
// table's rows against the host, binding by SysEx identity reply, a script's "reloadMidi" from inside a
// call, messages of a controller rebuilt meanwhile dropped, the settings scripts may touch, and the skin
// script's init and notifications.

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/action_vocabulary.h"
#include "controllers/controller_call_table.h"
#include "controllers/controller_host.h"
#include "controllers/controller_notifications.h"
#include "controllers/controller_script_api.h"
#include "controllers/zr_hardware_controller.h"
#include "controllers/zr_javascript.h"
#include "soundio/zr_jack_midi_transport.h"
#include "soundio/zr_memory_midi_transport.h"
#include "soundio/zr_midi_ports.h"
#include "support/jack_dummy_server.h"
#include "support/jack_midi_peer.h"
#include "support/log_capture.h"
#include "support/test_support.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct Press {
  int type, action, deck, value, extra;
  bool operator==(const Press& o) const {
    return type == o.type && action == o.action && deck == o.deck && value == o.value && extra == o.extra;
  }
};

class FakeHost : public ZRControllerHost {
 public:
  void pressAction(int type, int actionId, int deck, int value, int extra) override {
    presses.push_back({type, actionId, deck, value, extra});
    if (actionId == GetActionIndex("reload_midi")) requestControllersReload();
  }
  bool callHandler(const char* handler, int value, int param, int deck) override {
    handlers.push_back(std::string(handler) + " " + std::to_string(value) + " " + std::to_string(param) +
                       " " + std::to_string(deck));
    return true;
  }
  int callNode(const char*, int, const char*, int, int, int, const char*) override { return -1; }
  void getValue(const char* name, int deck, int& value, double&, std::string&, int& type, int) override {
    type = 1;
    value = deck * 100 + static_cast<int>(std::string(name).size());
  }
  int getId(const char*, int) override { return -1; }
  bool hasSettings() override { return true; }
  bool getSetting(const char* key, TJSParam& value) override {
    value = TJSParam::ofString(std::string("stored ") + key);
    return true;
  }
  bool setSetting(const char* key, const TJSParam& value) override {
    settings.push_back(std::string(key) + "=" + std::to_string(value.floatValue));
    return true;
  }
  bool setAudioDevice(const std::string&) override { return true; }
  void unmatchedMidi(int status, int channel, int data1, int data2, int) override {
    unmatched.push_back({status, channel, data1, data2, 0});
  }
  void runOnMainThread(std::function<void()> work) override { mainThread.push_back(std::move(work)); }

  std::vector<Press> presses;
  std::vector<std::string> handlers;
  std::vector<std::string> settings;
  std::vector<Press> unmatched;
  std::vector<std::function<void()>> mainThread;
};

double fakeNow = 1000.0;
double fakeClock() {
  return fakeNow;
}

class HardwareControllers : public testing::Test {
 protected:
  void SetUp() override {
    setControllerHost(&host);
    setControllerClockForTesting(&fakeClock);
    resetControllerNotifications();
    fakeNow = 1000.0;
  }
  void TearDown() override {
    deinitControllers();
    setControllerClockForTesting(nullptr);
    setControllerHost(nullptr);
    runDeferredScriptWork();
  }
  // Ticks enough for every MIDI controller to run once.
  static void tick() {
    ZRHardwareController::SendTickToAll();
    ZRHardwareController::SendTickToAll();
  }
  FakeHost host;
};

TEST_F(HardwareControllers, TheGenericScriptPlaysADeckFromAJackMidiControllerAndAnswersWithItsLed) {
  orvel_test::JackDummyServer server(48000, 256);
  if (!server.running()) GTEST_SKIP() << "no JACK server can run here: " << server.failure();
  // The controller's input and output ports carry the name the script asks for.
  orvel_test::JackMidiPeer keys, leds;
  ASSERT_TRUE(keys.open(server.name(), "controller-keys", "Generic MIDI Controller", "keys in"));
  ASSERT_TRUE(leds.open(server.name(), "controller-leds", "leds out", "Generic MIDI Controller"));
  auto transport = openJackMidiTransport();
  ASSERT_NE(transport, nullptr);
  setMidiTransports({transport});
  initControllers("", orvel_test::sourceFile("resources/controllers"));
  ZRHardwareController* generic = nullptr;
  for (int id = 0; id < kMaxControllers; ++id) {
    ZRHardwareController* c = ZRHardwareController::at(id);
    if (c != nullptr && getMidiDeviceInputName(c->midiInputIndex()) == "Generic MIDI Controller") generic = c;
  }
  ASSERT_NE(generic, nullptr);
  EXPECT_GE(generic->midiOutputIndex(), 0);
  EXPECT_TRUE(leds.waitForReceived(
      5000, [](const Bytes& m) { return m == Bytes{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}; }));
  // Nobody answers the identity request: the port's name binds the script once the delay has passed.
  tick();
  EXPECT_FALSE(generic->matched());
  fakeNow += kNameMatchDelaySeconds;
  tick();
  ASSERT_TRUE(generic->matched());
  EXPECT_TRUE(generic->initCalled());
  EXPECT_TRUE(ZRHardwareController::IsMidiDeviceConnectedAndHasScriptAssigned(generic->midiInputIndex()));

  ASSERT_TRUE(keys.waitUntilOutputConnected(5000));
  keys.send({0x90, 16, 127});  // play, deck A
  keys.send({0xB0, 8, 64});    // crossfader
  keys.send({0xB1, 1, 10});    // pitch, deck B
  const std::vector<Press> expected = {{1, GetActionIndex("deck_play_pause"), 0, -1, -1},
                                       {4, GetActionIndex("crossfader"), -1, 64, -1},
                                       {4, GetActionIndex("deck_pitch"), 1, 10, -1}};
  ASSERT_TRUE(orvel_test::waitFor(5000, [&] {
    processControllerMidiQueue();
    return host.presses.size() >= expected.size();
  }));
  EXPECT_EQ(host.presses, expected);

  // The deck plays: the notification pass lights the play LED of deck A.
  SetControllerNotification("play", 0, 1, 0.0, nullptr);
  takeChangedControllerNotifications([](const ZRControllerNotification& row) {
    ZRHardwareController::SendNotificationToAll(row.name, row.deck, row.value, row.doubleValue, row.text);
  });
  EXPECT_TRUE(leds.waitForReceived(5000, [](const Bytes& m) { return m == Bytes{0x90, 16, 127}; }));
  deinitControllers();
  transport.reset();
}

struct CallCase {
  const char* call;
  std::vector<Press> presses;
  std::vector<std::string> handlers;
  int posted;
};

void PrintTo(const CallCase& c, std::ostream* out) {
  *out << c.call;
}

class CallTable : public HardwareControllers, public testing::WithParamInterface<CallCase> {};

TEST_P(CallTable, RowsReachTheHostAsTheyShould) {
  const CallCase& c = GetParam();
  auto js = ZRJavaScript::create(std::string("function run() { ") + c.call + "; }");
  ASSERT_TRUE(js->isOk());
  defineSkinScriptFunctions(*js);
  ASSERT_TRUE(js->callFunction("run", 0, nullptr, true));
  EXPECT_EQ(host.presses, c.presses);
  EXPECT_EQ(host.handlers, c.handlers);
  EXPECT_EQ(static_cast<int>(host.mainThread.size()), c.posted);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CallTable,
    testing::Values(
        CallCase{"call('deckPlayPause', 1)", {{1, GetActionIndex("deck_play_pause"), 1, -1, -1}}, {}, 0},
        CallCase{"call('deckPlayPause', 2)", {}, {}, 0},
        CallCase{"call('deckPlayPause', -3)", {{1, GetActionIndex("deck_play_pause"), 0, -1, -1}}, {}, 0},
        CallCase{"call('setCrossfader', 64)", {{4, GetActionIndex("crossfader"), -1, 64, -1}}, {}, 0},
        CallCase{"call('setDeckMonitor', 0, 1)", {{3, GetActionIndex("deck_monitor"), 0, 1, -1}}, {}, 0},
        CallCase{"call('moveDeckJogWheel', 0, 5)", {}, {"callDj_DeckJogWheelMove 5 100 0"}, 0},
        CallCase{"call('moveDeckJogWheel', 0)", {}, {}, 0}, CallCase{"call('noSuchCommand', 1)", {}, {}, 0},
        CallCase{"call('showCfg', 1)", {}, {}, 1}, CallCase{"call('closeapp', 1)", {}, {}, 1}));

TEST_F(HardwareControllers, IdentityReplyBindsTheScriptAndStaleMessagesAreDropped) {
  orvel_test::TempDir scripts;
  orvel_test::writeFile(scripts.file("pad.js"),
                        "function getLanguageVersion() { return 1; }\n"
                        "function getSupportedMidiSysExIdString(n) { return '00206B'; }\n"
                        "var inits = 0;\n"
                        "function controllerInit(id) { inits++; debug('init ' + id); }\n"
                        "function controllerDeinit(id) { debug('deinit ' + id); }\n"
                        "function messageReceived(id, status, channel, d1, d2) {\n"
                        "  if (d1 == 1) call('reloadMidi', 1); else call('setCrossfader', d2);\n"
                        "}\n");
  auto transport = std::make_shared<ZRMemoryMidiTransport>();
  transport->addSource({"Pad", "pad", 0, 0});
  transport->addDestination({"Pad", "pad", 0, 0});
  transport->addSource({"Keys", "keys", 0, 0});
  setMidiTransports({transport});
  orvel_test::LogCapture log;
  initControllers(scripts.path(), "");
  ASSERT_EQ(ZRHardwareController::getControllersConnected(0), 2);
  ZRHardwareController* pad = ZRHardwareController::at(0);
  ASSERT_NE(pad, nullptr);
  EXPECT_EQ(transport->sent("Pad"), (std::vector<Bytes>{{0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7}}));
  EXPECT_FALSE(pad->matched());
  // Short SysEx messages are logged without reading past their end.
  transport->inject("Pad", {0xF0, 0x01, 0xF7});
  transport->inject("Pad", {0xF0, 0x7E, 0x00, 0x06, 0x02, 0x00, 0x20, 0x6B, 0x02, 0x00, 0xF7});
  ASSERT_TRUE(pad->matched());
  EXPECT_EQ(pad->scriptIndex(), 0);
  tick();
  EXPECT_EQ(log.count("js debug 'init 0'"), 1);
  // Keys has no script: its messages go to the learned shortcuts.
  transport->inject("Keys", {0x90, 60, 100});
  transport->inject("Pad", {0xB0, 2, 77});
  processControllerMidiQueue();
  EXPECT_EQ(host.unmatched, (std::vector<Press>{{0x90, 0, 60, 100, 0}}));
  EXPECT_EQ(host.presses, (std::vector<Press>{{4, GetActionIndex("crossfader"), -1, 77, -1}}));
  // reloadMidi from inside the script's call: the controller is rebuilt at the next tick, not mid-call.
  transport->inject("Pad", {0xB0, 1, 1});
  processControllerMidiQueue();
  EXPECT_EQ(ZRHardwareController::at(0), pad);
  // A message queued by the old controller is dropped once it has been rebuilt.
  transport->inject("Pad", {0xB0, 2, 5});
  tick();
  EXPECT_EQ(log.count("js debug 'deinit 0'"), 1);
  processControllerMidiQueue();
  EXPECT_EQ(host.presses.size(), 2u);  // the reload press only
}

TEST_F(HardwareControllers, ScriptsReachOnlyTheSettingsMeantForThem) {
  auto js = ZRJavaScript::create(
      "function run() {\n"
      "  setSetting('PitchRange', 2); setSetting('BroadcastPass', 'x'); setSetting('AudioDevice', 'y');\n"
      "  setSetting('PitchRange', [1]);\n"
      "  return getSetting('PitchRange') + '|' + getSetting('BroadcastPass', 'no') + '|' + "
      "getSetting('AudioDevice');\n"
      "}\n"
      "function value() { return getValue('bpm', 3) + ':' + getValue('bpm', 1); }\n");
  defineSkinScriptFunctions(*js);
  char text[128];
  ASSERT_TRUE(js->callFunctionGetResultAsString("run", 0, nullptr, text, sizeof text, "", true));
  EXPECT_STREQ(text, "stored PitchRange|no|stored AudioDevice");
  ASSERT_EQ(host.mainThread.size(), 1u);  // only the allowed write, applied on the main thread
  EXPECT_TRUE(host.settings.empty());
  host.mainThread[0]();
  EXPECT_EQ(host.settings, (std::vector<std::string>{"PitchRange=2.000000"}));
  ASSERT_TRUE(js->callFunctionGetResultAsString("value", 0, nullptr, text, sizeof text, "", true));
  EXPECT_STREQ(text, "0:103");  // a deck above 1 reads nothing
}

TEST_F(HardwareControllers, TheSkinScriptRunsItsInitAndHearsNotificationsButNotTheBeat) {
  orvel_test::LogCapture log;
  ASSERT_TRUE(createSkinScript(
      "function skinInit(id) { debug('skin init ' + id); }\n"
      "function notificationReceived(id, name, deck, value) { debug(name + ' ' + deck + ' ' + value); }\n"
      "function playButton_onmousedown(a, b, c) { debug('down'); }\n"));
  callSkinScriptInit();
  ZRHardwareController::SendNotificationToAll("play", 1, 1, 0.0, "");
  ZRHardwareController::SendNotificationToAll("onbeat", 0, 1, 0.0, "");
  EXPECT_TRUE(callSkinScriptCallback("playButton_onmousedown", -1, -1, -1));
  EXPECT_FALSE(callSkinScriptCallback("missing_onmouseup", -1, -1, -1));
  EXPECT_EQ(log.count("js debug 'skin init -1'"), 1);
  EXPECT_EQ(log.count("js debug 'play 1 1'"), 1);
  EXPECT_EQ(log.count("js debug 'onbeat"), 0);
  EXPECT_EQ(log.count("js debug 'down'"), 1);
  EXPECT_FALSE(createSkinScript("function ("));
}

}  // namespace
