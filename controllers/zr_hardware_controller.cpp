#include "controllers/zr_hardware_controller.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <thread>

#include "common/zr_lock_free_queue.h"
#include "common/zr_logging.h"
#include "controllers/controller_call_table.h"
#include "controllers/controller_host.h"
#include "controllers/controller_notifications.h"
#include "controllers/controller_script_api.h"
#include "controllers/zr_controller_script.h"
#include "controllers/zr_hid.h"
#include "controllers/zr_javascript.h"
#include "soundio/zr_midi_ports.h"

namespace {

ZRHardwareController* instances[kMaxControllers] = {};
int tickNo = 0;
std::atomic<uint32_t> generations{0};
std::atomic<bool> reloadRequested{false};
std::unique_ptr<ZRJavaScript> skinScript;

double steadySeconds() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}
std::atomic<double (*)()> clockFn{&steadySeconds};

struct QueuedMidi {
  int slot = -1;
  uint32_t generation = 0;
  int kind = -1;  // -1 a message, -128 the MIDI setup changed
  int status = 0, channel = 0, data1 = -1, data2 = -1, offsetMs = 0;
};
constexpr int kKindMessage = -1;
constexpr int kKindSetupChanged = -128;

ZRLockFreeQueue<QueuedMidi>& queue() {
  static auto* q = new ZRLockFreeQueue<QueuedMidi>();
  return *q;
}
std::atomic<uint64_t> drops{0};
std::atomic<uint64_t> dropsReported{0};

void put(const QueuedMidi& m) {
  ZRLockFreeQueue<QueuedMidi>& q = queue();
  if (q.size_approx() >= static_cast<size_t>(kControllerMidiQueueCapacity)) {
    QueuedMidi oldest;
    if (q.try_dequeue(oldest)) drops.fetch_add(1, std::memory_order_relaxed);
  }
  q.enqueue(m);
}

void midiSetupChanged(int code) {
  if (code != kMidiSetupChanged) return;
  QueuedMidi m;
  m.kind = kKindSetupChanged;
  put(m);
}

std::string hexOf(const unsigned char* data, int from, int to) {
  std::string out;
  char two[3];
  for (int i = from; i < to; ++i) {
    std::snprintf(two, sizeof two, "%02X", data[i]);
    out += two;
  }
  return out;
}

// Calls a contract function of the bound script with the controller's id first.
void callScript(ZRJavaScript* js, const char* name, std::vector<TJSParam> arguments) {
  if (js == nullptr) return;
  js->callFunction(name, static_cast<int>(arguments.size()), arguments.data(), false);
}

}  // namespace

std::recursive_mutex& controllersLock() {
  static std::recursive_mutex lock;
  return lock;
}

void setControllerClockForTesting(double (*clock)()) {
  clockFn.store(clock != nullptr ? clock : &steadySeconds);
}

ZRHardwareController* ZRHardwareController::Create(int midiInput, int hidIndex, int* slot) {
  if (slot != nullptr) *slot = -1;
  for (ZRHardwareController* c : instances) {
    if (c == nullptr) continue;
    if ((midiInput != -1 && c->midiIn_ == midiInput) || (hidIndex != -1 && c->hid_ == hidIndex))
      return nullptr;
  }
  for (int i = 0; i < kMaxControllers; ++i) {
    if (instances[i] != nullptr) continue;
    // Published before construction ends: the MIDI input may deliver while the rest is set up.
    instances[i] = new ZRHardwareController(i, midiInput, hidIndex);
    if (slot != nullptr) *slot = i;
    if (hidIndex >= 0) {
      instances[i]->constructHid();
    } else {
      instances[i]->constructMidi();
    }
    return instances[i];
  }
  return nullptr;
}

void ZRHardwareController::DestroyAll(int kind) {
  for (ZRHardwareController*& c : instances) {
    if (c == nullptr) continue;
    const bool isHid = c->hid_ >= 0 || c->midiIn_ < 0;
    if (kind == 0 && isHid) continue;
    if (kind == 1 && !isHid) continue;
    ZRHardwareController* gone = c;
    c = nullptr;
    delete gone;
  }
}

ZRHardwareController* ZRHardwareController::at(int id) {
  if (id < 0 || id >= kMaxControllers) return nullptr;
  return instances[id];
}

bool ZRHardwareController::IsMidiDeviceConnectedAndHasScriptAssigned(int midiInput) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  for (ZRHardwareController* c : instances) {
    if (c != nullptr && c->midiIn_ == midiInput) return c->matched() && c->scriptIndex() >= 0;
  }
  return false;
}

bool ZRHardwareController::IsHidDeviceConnectedAndHasScriptAssigned(int hidIndex) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  for (ZRHardwareController* c : instances) {
    if (c != nullptr && c->hid_ == hidIndex) return c->matched() && c->scriptIndex() >= 0;
  }
  return false;
}

int ZRHardwareController::getControllersConnected(int kind) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  int n = 0;
  for (ZRHardwareController* c : instances) {
    if (c == nullptr) continue;
    const bool isHid = c->midiIn_ < 0;
    if (kind == -1 || (kind == 1) == isHid) ++n;
  }
  return n;
}

ZRHardwareController::ZRHardwareController(int slot, int midiInput, int hidIndex)
    : FSelfId(slot), generation_(generations.fetch_add(1) + 1), midiIn_(midiInput), hid_(hidIndex) {}

void ZRHardwareController::bindScript(int index, const char* how) {
  scriptIndex_.store(index, std::memory_order_relaxed);
  matched_.store(true, std::memory_order_release);
  if (index < 0) return;
  ZRControllerScript* s = controllerScripts().at(index);
  ZRLOG("controller MIDI [%X] FSelfId=%d matched to script '%s' [using %s]",
        static_cast<unsigned>(generation_), FSelfId, s != nullptr ? s->path().c_str() : "", how);
}

void ZRHardwareController::constructMidi() {
  in_ = std::make_unique<ZRMidiIn>(midiIn_, &ZRHardwareController::midiMessage,
                                   &ZRHardwareController::midiSysex, this);
  ZRControllerScripts& scripts = controllerScripts();
  const int vid = getMidiDeviceInputVID(midiIn_);
  const int pid = getMidiDeviceInputPID(midiIn_);
  const std::vector<ZRMidiPortRow> outputs = getMidiOutputRows();
  const std::string name = getMidiDeviceInputName(midiIn_);
  if (vid > 0 && pid > 0) {
    for (int i = 0; i < scripts.totalScripts(); ++i) {
      if (!scripts.at(i)->matchesMIDI_USB(vid, pid)) continue;
      for (size_t o = 0; o < outputs.size(); ++o) {
        if (outputs[o].vendorId == vid && outputs[o].productId == pid) {
          midiOut_ = static_cast<int>(o);
          break;
        }
      }
      bindScript(i, midiOut_ >= 0 ? "VID:PID, both IN/OUT" : "VID:PID, IN only");
      break;
    }
  }
  if (!matched()) {
    for (size_t o = 0; o < outputs.size() && midiOut_ < 0; ++o) {
      if (outputs[o].name == name) midiOut_ = static_cast<int>(o);
    }
    for (int i = 0; i < scripts.totalScripts() && midiOut_ < 0; ++i) {
      for (size_t o = 0; o < outputs.size(); ++o) {
        if (!scripts.at(i)->matchesMIDI_nameOutput(outputs[o].name)) continue;
        midiOut_ = static_cast<int>(o);
        ZRLOG("controller MIDI [%X] FSelfId=%d -- _TRYING_ to match output of script '%s' to '%s'",
              static_cast<unsigned>(generation_), FSelfId, scripts.at(i)->path().c_str(),
              outputs[o].name.c_str());
        break;
      }
    }
  }
  out_ = std::make_unique<ZRMidiOut>(midiOut_);
  ZRLOG("ZRHardwareController constructor in:%d, out:%d", midiIn_, midiOut_);
  if (!matched()) {
    static const unsigned char kIdentityRequest[] = {0xF0, 0x7E, 0x7F, 0x06, 0x01, 0xF7};
    out_->outlong(kIdentityRequest, sizeof kIdentityRequest);
    requestTime_ = clockFn.load()();
    ZRLOG("sysex id request sent");
  }
}

void ZRHardwareController::constructHid() {
  ZRLOG("ZRHardwareController -- opening HID device");
  ZRHidDeviceInfo info;
  if (getHIDController(hid_, info)) hidDevice_ = hidBackend()->open(info.path);
  if (hidDevice_ == nullptr) {
    ZRLOG("ZRHardwareController -- ERROR opening HID device");
    hid_ = -1;
    return;
  }
  ZRControllerScripts& scripts = controllerScripts();
  int found = -1;
  for (int i = 0; i < scripts.totalScripts(); ++i) {
    if (scripts.at(i)->matchesHID_USB(info.vendorId, info.productId)) {
      found = i;
      ZRLOG("controller HID [%X] FSelfId=%d matched to script '%s' [using VID %X / PID %X]",
            static_cast<unsigned>(generation_), FSelfId, scripts.at(i)->path().c_str(),
            static_cast<unsigned>(info.vendorId), static_cast<unsigned>(info.productId));
    }
  }
  scriptIndex_.store(found, std::memory_order_relaxed);
  matched_.store(true, std::memory_order_release);
}

ZRHardwareController::~ZRHardwareController() {
  // Input first: closing waits for a MIDI callback in flight, none follows.
  in_.reset();
  if (matched() && scriptIndex() >= 0 && initCalled_) {
    callScript(script(), "controllerDeinit", {TJSParam::ofInt(FSelfId)});
  }
  scriptIndex_.store(-1);
  hidDevice_.reset();
  out_.reset();
}

ZRJavaScript* ZRHardwareController::script() {
  if (!matched()) return nullptr;
  ZRControllerScript* s = controllerScripts().at(scriptIndex());
  return s != nullptr ? s->getScript() : nullptr;
}

void ZRHardwareController::midiMessage(void* user, int status, int channel, int data1, int data2,
                                       int offsetMs) {
  auto* self = static_cast<ZRHardwareController*>(user);
  QueuedMidi m;
  m.slot = self->FSelfId;
  m.generation = self->generation_;
  m.status = status;
  m.channel = channel;
  m.data1 = data1;
  m.data2 = data2;
  m.offsetMs = offsetMs;
  put(m);
}

void ZRHardwareController::midiSysex(void* user, const unsigned char* data, int size) {
  static_cast<ZRHardwareController*>(user)->MIDICallbackSysExDriverThread(data, size);
}

void ZRHardwareController::MIDICallbackSysExDriverThread(const unsigned char* data, int size) {
  if (data == nullptr || size <= 0) return;
  const bool reply = size > 9 && data[0] == 0xF0 && data[1] == 0x7E && data[3] == 0x06 && data[4] == 0x02;
  // At most 63 reply bytes make the identity text.
  const std::string identity = reply ? hexOf(data, 5, std::min(size, 5 + 63)) : std::string();
  if (reply && !matched()) {
    ZRControllerScripts& scripts = controllerScripts();
    for (int i = 0; i < scripts.totalScripts(); ++i) {
      ZRControllerScript* s = scripts.at(i);
      if (s->getDeviceType() == 0 && s->matchesMIDI_sysexid(identity)) {
        bindScript(i, "sysex id");
        break;
      }
    }
  }
  ZRLOG("SysEx ID (size:%d) '%s', full '%s'", size,
        hexOf(data, std::min(size, 5), std::min(size, 10)).c_str(), identity.c_str());
}

void ZRHardwareController::MIDICallbackGuiThread(int status, int channel, int data1, int data2,
                                                 int offsetMs) {
  if (matched() && scriptIndex() >= 0) {
    ZRControllerScript* s = controllerScripts().at(scriptIndex());
    if (s != nullptr && s->getDeviceType() == 0) {
      callScript(script(), "messageReceived",
                 {TJSParam::ofInt(FSelfId), TJSParam::ofInt(status), TJSParam::ofInt(channel),
                  TJSParam::ofInt(data1), TJSParam::ofInt(data2)});
    }
    return;
  }
  if (ZRControllerHost* host = controllerHost()) host->unmatchedMidi(status, channel, data1, data2, offsetMs);
}

void ZRHardwareController::SendTick(int tick) {
  if (hidDevice_ == nullptr && tick % 2 != 0) return;
  if (!matched() && midiIn_ >= 0 && clockFn.load()() - requestTime_ >= kNameMatchDelaySeconds) {
    const std::string name = getMidiDeviceInputName(midiIn_);
    ZRControllerScripts& scripts = controllerScripts();
    int found = -1;
    for (int i = 0; i < scripts.totalScripts() && found < 0; ++i) {
      if (scripts.at(i)->matchesMIDI_nameInput(name)) found = i;
    }
    bindScript(found, "device name");
  }
  if (!matched() || scriptIndex() < 0) return;
  if (!initCalled_) {
    initCalled_ = true;
    callScript(script(), "controllerInit", {TJSParam::ofInt(FSelfId)});
  }
  if (hidDevice_ != nullptr) {
    hidPages_.SendAllDirtyHIDOutPages(
        [this](const unsigned char* bytes, int size) { return SendHID(bytes, size); },
        std::min(hidSizeOut_, kHidOutBytes));
    unsigned char report[kHidReportBytes];
    for (int reads = 0; reads < kHidReadsPerTick; ++reads) {
      const int n = hidDevice_->read(report, sizeof report);
      if (n < 0) {
        ZRLOG("HID: unable to read");
        break;
      }
      if (n == 0) break;
      hidSizeIn_ = n;
      // Only the bytes of this report: a field beyond them is not read from an earlier, longer one.
      if (hidPages_.hasInPages()) {
        hidPages_.processHidActionChanges(report, n,
                                          [this](const std::string& action, int deck, float value) {
                                            SendActionNotificationFloat(action.c_str(), deck, value);
                                          });
      }
    }
  }
  callScript(script(), "timerTick", {TJSParam::ofInt(FSelfId)});
}

void ZRHardwareController::SendTickToAll() {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  runDeferredScriptWork();
  if (reloadRequested.exchange(false)) reinitializeAllConnectedControllers(true);
  tickNo = (tickNo + 1) % 16;
  for (int i = 0; i < kMaxControllers; ++i) {
    if (instances[i] != nullptr) instances[i]->SendTick(tickNo);
  }
}

void ZRHardwareController::SendNotification(const char* name, int deck, int value, double number,
                                            const char* text) {
  if (!matched() || scriptIndex() < 0) return;
  callScript(script(), "notificationReceived",
             {TJSParam::ofInt(FSelfId), TJSParam::ofString(name != nullptr ? name : ""),
              TJSParam::ofInt(deck), TJSParam::ofInt(value), TJSParam::ofFloat(static_cast<float>(number)),
              TJSParam::ofString(text != nullptr ? text : "")});
}

void ZRHardwareController::SendActionNotificationFloat(const char* name, int deck, float value) {
  if (!matched() || scriptIndex() < 0) return;
  callScript(script(), "actionReceived",
             {TJSParam::ofInt(FSelfId), TJSParam::ofString(name != nullptr ? name : ""),
              TJSParam::ofInt(deck), TJSParam::ofFloat(value)});
}

void ZRHardwareController::SendNotificationToAll(const char* name, int deck, int value, double number,
                                                 const char* text) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  for (ZRHardwareController* c : instances) {
    if (c != nullptr) c->SendNotification(name, deck, value, number, text);
  }
  if (skinScript != nullptr && name != nullptr && std::strcmp(name, "onbeat") != 0 &&
      std::strcmp(name, "beatPos") != 0) {
    callScript(
        skinScript.get(), "notificationReceived",
        {TJSParam::ofInt(-1), TJSParam::ofString(name), TJSParam::ofInt(deck), TJSParam::ofInt(value),
         TJSParam::ofFloat(static_cast<float>(number)), TJSParam::ofString(text != nullptr ? text : "")});
  }
}

bool ZRHardwareController::SendHID(const unsigned char* bytes, int size) {
  if (hidDevice_ == nullptr || bytes == nullptr || size <= 0 || size > kHidOutBytes) return false;
  const int written = hidDevice_->write(bytes, size);
  if (written < 0) {
    ZRLOG("HID: write of %d bytes failed: %s", size, hexOf(bytes, 0, std::min(size, 32)).c_str());
    return false;
  }
  hidSizeOut_ = written;
  return true;
}

void ZRHardwareController::setColorTable(std::vector<ColorPair> table) {
  ZRLOG("setColorTable with %d colors", static_cast<int>(table.size()));
  colors_ = std::move(table);
}

std::string ZRHardwareController::getNearestColorInTable(float red, float green, float blue) const {
  double best = 3.0;
  const ColorPair* found = nullptr;
  for (const ColorPair& c : colors_) {
    const double dr = 0.4 * (c.red - red), dg = 0.6 * (c.green - green), db = 0.2 * (c.blue - blue);
    const double d = dr * dr + dg * dg + db * db;
    if (d < best) {
      best = d;
      found = &c;
    }
  }
  return found != nullptr ? found->name : "";
}

void initControllers(const std::string& userFolder, const std::string& resourceFolder) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  ZRHardwareController::DestroyAll(-1);
  controllerScripts().clear();
  if (!userFolder.empty())
    controllerScripts().scanFolderForControllerScripts(userFolder, &defineFunctionCallback);
  if (!resourceFolder.empty()) {
    controllerScripts().scanFolderForControllerScripts(resourceFolder, &defineFunctionCallback);
  }
  MIDI_init(true, &midiSetupChanged);
  scanHIDControllers();
  reinitializeAllConnectedControllers(false);
}

void deinitControllers() {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  ZRHardwareController::DestroyAll(-1);
  controllerScripts().clear();
  skinScript.reset();
  MIDI_deinit(true);
}

void reinitializeAllConnectedControllers(bool restartMidi) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  ZRHardwareController::DestroyAll(-1);
  controllerScripts().unloadAll();
  if (restartMidi) {
    MIDI_deinit(false);
    MIDI_init(false, nullptr);
  }
  ZRControllerScripts& scripts = controllerScripts();
  const int hidTotal = getTotalHIDControllers();
  for (int h = 0; h < hidTotal; ++h) {
    ZRHidDeviceInfo info;
    if (!getHIDController(h, info)) continue;
    for (int i = 0; i < scripts.totalScripts(); ++i) {
      if (!scripts.at(i)->matchesHID_USB(info.vendorId, info.productId)) continue;
      ZRLOG("trying to connect to HID device %04X:%04X to '%s'", static_cast<unsigned>(info.vendorId),
            static_cast<unsigned>(info.productId), scripts.at(i)->path().c_str());
      ZRHardwareController::Create(-1, h, nullptr);
    }
  }
  const int midiTotal = getMidiDeviceInputTotal();
  for (int m = 0; m < midiTotal; ++m) {
    setMidiDeviceInputSelected(m, 1);
    ZRHardwareController::Create(m, -1, nullptr);
  }
}

void requestControllersReload() {
  reloadRequested.store(true);
}

int processControllerMidiQueue() {
  const uint64_t dropped = drops.load(std::memory_order_relaxed);
  const uint64_t reported = dropsReported.exchange(dropped);
  if (dropped != reported) {
    ZRLOG("warning: %llu controller MIDI messages dropped (the queue was full)",
          static_cast<unsigned long long>(dropped - reported));
  }
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  int count = 0;
  QueuedMidi m;
  while (queue().try_dequeue(m)) {
    ++count;
    if (m.kind == kKindSetupChanged) {
      ZRLOG("MIDI setup has changed");
      reinitializeAllConnectedControllers(true);
      continue;
    }
    ZRHardwareController* c = ZRHardwareController::at(m.slot);
    // Queued by a controller that a rebuild has replaced since: dropped.
    if (c == nullptr || c->generationMatches(m.generation) == false) continue;
    c->MIDICallbackGuiThread(m.status, m.channel, m.data1, m.data2, m.offsetMs);
  }
  runDeferredScriptWork();
  return count;
}

uint64_t getControllerMidiQueueDrops() {
  return drops.load(std::memory_order_relaxed);
}

void SendAllControllerNotifications(bool withValues, ZRHardwareController* controller) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  const int total = getCtrlNotifsTotal();
  for (int i = 0; i < total; ++i) {
    ZRControllerNotification row;
    if (!getCtrlNotif(i, row)) continue;
    const int value = withValues ? row.value : 0;
    const double number = withValues ? row.doubleValue : 0.0;
    const char* text = withValues ? row.text : "";
    if (controller != nullptr) {
      controller->SendNotification(row.name, row.deck, value, number, text);
    } else {
      ZRHardwareController::SendNotificationToAll(row.name, row.deck, value, number, text);
    }
    // A short breath now and then lets a slow device keep up; the whole pass stays under ~20 ms.
    if (i % 32 == 31) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
}

bool createSkinScript(const char* text) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  skinScript.reset();
  if (text == nullptr || text[0] == 0) return false;
  std::unique_ptr<ZRJavaScript> js = ZRJavaScript::create(text);
  if (!js->isOk()) {
    ZRLOG("error - skin script object was not created/evaluated ok");
    return false;
  }
  defineSkinScriptFunctions(*js);
  skinScript = std::move(js);
  return true;
}

void callSkinScriptInit() {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  callScript(skinScript.get(), "skinInit", {TJSParam::ofInt(-1)});
}

bool callSkinScriptCallback(const char* name, int a, int b, int c) {
  std::lock_guard<std::recursive_mutex> guard(controllersLock());
  if (skinScript == nullptr || name == nullptr) return false;
  const TJSParam args[] = {TJSParam::ofInt(a), TJSParam::ofInt(b), TJSParam::ofInt(c)};
  return skinScript->callFunction(name, 3, args, false);
}
