#pragma once
// Hardware controllers: one ZRHardwareController per MIDI input port and per HID device whose ids a
// script names (zr_hid.h), up to kMaxControllers. Each finds the controller script that describes its device
// (USB ids, an answer to the SysEx identity request, or after kNameMatchDelaySeconds the port's name),
// hands the device's input to the script, calls the script on every controller tick and forwards engine
// notifications to it. A MIDI input without a script still gets an object: its messages go to the learned
// MIDI shortcuts (the host's unmatchedMidi).
//
// MIDI input reaches the tick through the controllers' own bounded queue: the MIDI thread queues the
// controller's slot and generation, never a pointer, and the drain drops messages of a controller that
// has gone meanwhile (a setup change in the same drain rebuilds every controller). The MIDI thread's
// identity match publishes the script index and then the matched flag (release); the tick reads them in
// the other order (acquire). Destroying a controller closes its input first, which waits for a callback
// in flight.
//
// Threads: the table, the objects and the skin script are used under the controllers' lock: the main
// thread at start-up and shut-down, the render thread in the GUI tick (ticks, the MIDI drain,
// notifications). A reload asked for from elsewhere (the shell's reload action, a script's "reloadMidi")
// is done by the next tick.

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "controllers/zr_hid_pages.h"

class ZRMidiIn;
class ZRMidiOut;
class ZRControllerScript;
class ZRJavaScript;
class ZRHidDevice;

inline constexpr int kMaxControllers = 16;
inline constexpr double kNameMatchDelaySeconds = 3.0;
inline constexpr int kControllerMidiQueueCapacity = 4096;
// A device that never runs dry cannot hold the tick.
inline constexpr int kHidReadsPerTick = 64;

struct ColorPair {
  float red = 0, green = 0, blue = 0, alpha = 1;
  char name[16] = {0};
};

class ZRHardwareController {
 public:
  // A controller for MIDI input row midiInput (HID index -1) or HID row hidIndex (MIDI index -1); null
  // when one exists for that row already or all slots are taken (slot then -1).
  static ZRHardwareController* Create(int midiInput, int hidIndex, int* slot);
  // -1 all, 0 the MIDI ones, 1 the HID ones.
  static void DestroyAll(int kind);
  // The controller of slot id (0..kMaxControllers-1), null for a free slot or another id.
  static ZRHardwareController* at(int id);
  static bool IsMidiDeviceConnectedAndHasScriptAssigned(int midiInput);
  static bool IsHidDeviceConnectedAndHasScriptAssigned(int hidIndex);
  static int getControllersConnected(int kind);

  static void SendTickToAll();
  static void SendNotificationToAll(const char* name, int deck, int value, double number, const char* text);
  void SendNotification(const char* name, int deck, int value, double number, const char* text);
  void SendActionNotificationFloat(const char* name, int deck, float value);

  // The tick's side of a queued MIDI message.
  void MIDICallbackGuiThread(int status, int channel, int data1, int data2, int offsetMs);
  // The MIDI thread's side of a complete SysEx message (identity replies bind the script).
  void MIDICallbackSysExDriverThread(const unsigned char* data, int size);

  int selfId() const { return FSelfId; }
  int midiInputIndex() const { return midiIn_; }
  int midiOutputIndex() const { return midiOut_; }
  int hidIndex() const { return hid_; }
  bool matched() const { return matched_.load(std::memory_order_acquire); }
  int scriptIndex() const { return scriptIndex_.load(std::memory_order_relaxed); }
  bool initCalled() const { return initCalled_; }
  bool generationMatches(uint32_t generation) const { return generation == generation_; }
  // The bound script's engine (reloaded on demand); null without a script.
  ZRJavaScript* script();
  ZRMidiOut* midiOut() { return out_.get(); }

  // Sends bytes to the HID device (at most 256); false when it has none or the write failed.
  bool SendHID(const unsigned char* bytes, int size);
  // The HID pages its script defined. Every tick sends the changed OUT pages, then feeds each report read
  // (at most kHidReadsPerTick) through the IN pages to the script's actionReceived.
  ZRHidPages& hidPages() { return hidPages_; }

  void setColorTable(std::vector<ColorPair> table);
  // The name of the table colour nearest to (r, g, b) in 0..1; empty without a table.
  std::string getNearestColorInTable(float red, float green, float blue) const;

  ~ZRHardwareController();
  ZRHardwareController(const ZRHardwareController&) = delete;
  ZRHardwareController& operator=(const ZRHardwareController&) = delete;

 private:
  ZRHardwareController(int slot, int midiInput, int hidIndex);
  void constructMidi();
  void constructHid();
  void SendTick(int tickNo);
  void bindScript(int index, const char* how);
  static void midiMessage(void* user, int status, int channel, int data1, int data2, int offsetMs);
  static void midiSysex(void* user, const unsigned char* data, int size);

  const int FSelfId;
  const uint32_t generation_;
  int midiIn_;
  int midiOut_ = -1;
  int hid_;
  bool initCalled_ = false;
  std::atomic<bool> matched_{false};
  std::atomic<int> scriptIndex_{-1};
  double requestTime_ = 0.0;
  std::unique_ptr<ZRMidiIn> in_;
  std::unique_ptr<ZRMidiOut> out_;
  std::unique_ptr<ZRHidDevice> hidDevice_;
  int hidSizeIn_ = 255;
  int hidSizeOut_ = 255;
  ZRHidPages hidPages_;
  std::vector<ColorPair> colors_;
};

// The controllers' lock (recursive: script calls reach the table again).
std::recursive_mutex& controllersLock();

// Start-up (main thread): scans userFolder, then resourceFolder for scripts, fills the MIDI tables (and
// the HID table), and creates the controllers.
void initControllers(const std::string& userFolder, const std::string& resourceFolder);
// Destroys every controller and script and lets go of the MIDI ports.
void deinitControllers();
// Rebuilds every controller (restartMidi: the MIDI tables first). Under the lock, outside script calls.
void reinitializeAllConnectedControllers(bool restartMidi);
// Asks the next tick to rebuild the controllers with fresh MIDI tables (any thread).
void requestControllersReload();

// The tick's MIDI drain: runs every queued controller message; a setup change rebuilds the controllers.
// Returns the number run.
int processControllerMidiQueue();
// Messages pushed out of a full queue so far.
uint64_t getControllerMidiQueueDrops();

// Every notification row to one controller (or to all when null): with the current values, or zeros and
// empty texts. The rows' sent state is not touched.
void SendAllControllerNotifications(bool withValues, ZRHardwareController* controller);

// The skin's own script: replaced by every skin load; receives notifications with id -1.
bool createSkinScript(const char* text);
void callSkinScriptInit();
bool callSkinScriptCallback(const char* name, int a, int b, int c);

// The clock of the name-match delay (seconds); tests set their own.
void setControllerClockForTesting(double (*clock)());
