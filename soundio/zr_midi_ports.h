#pragma once
// The process's MIDI ports: the tables of MIDI sources (inputs) and destinations (outputs) that the
// transports offer (ALSA sequencer, JACK MIDI; memory in tests), each row with its name and the USB ids of
// its device, the input object ZRMidiIn that reads one source and parses its bytes into messages and whole
// SysEx messages, and the output object ZRMidiOut that sends short and long messages to one destination.
//
// Rows are numbered inputs first by transport, in the order the transports were given; at most
// kMaxMidiPortRows rows per table (the rest are left out, with a log line). The tables are rebuilt by
// MIDI_init; readers get copies, so a rebuild never pulls a name from under a reader (the preferences
// dialog lists the inputs while the controllers reconnect).
//
// Threads: MIDI_init, MIDI_deinit and the constructors and destructors of ZRMidiIn and ZRMidiOut run on the
// main thread or the render thread, one at a time; the getters on any thread. A ZRMidiIn's callbacks run
// on its transport's input thread; its destructor returns only once no callback is in flight. The
// device-change function runs on a transport's thread and must only queue.

#include <memory>
#include <string>
#include <vector>

#include "soundio/zr_midi_byte_parser.h"
#include "soundio/zr_midi_transport.h"

inline constexpr int kMaxMidiPortRows = 100;
// The longest message outlong sends.
inline constexpr int kMaxMidiOutLongBytes = 256;
// Device-change codes: the controllers act on kMidiSetupChanged.
inline constexpr int kMidiObjectAdded = 1;
inline constexpr int kMidiObjectRemoved = 2;
inline constexpr int kMidiSetupChanged = 4;

using ZRMidiDeviceChangeFn = void (*)(int code);

// The transports the tables are built from. Until set, MIDI_init(true, ...) opens the system's: the ALSA
// sequencer when the machine has one and JACK MIDI when a JACK server runs.
void setMidiTransports(std::vector<std::shared_ptr<ZRMidiTransport>> transports);
std::vector<std::shared_ptr<ZRMidiTransport>> openSystemMidiTransports();

// With createClient: takes the transports (opening the system's when none were set) and installs
// deviceChange on them. Always: rebuilds both tables, logging each row. True.
bool MIDI_init(bool createClient, ZRMidiDeviceChangeFn deviceChange);
// Empties both tables; with disposeClient also lets go of the transports (every ZRMidiIn and ZRMidiOut
// must be gone by then).
void MIDI_deinit(bool disposeClient);

struct ZRMidiPortRow {
  std::string name;
  int vendorId = 0;
  int productId = 0;
  int network = 0;
  int selected = 0;
};

int getMidiDeviceInputTotal();
int getMidiDeviceOutputTotal();
// The row's name; empty for a bad index.
std::string getMidiDeviceInputName(int index);
std::string getMidiDeviceOutputName(int index);
// Copies the input's name into destination (size bytes, terminated, cut on a UTF-8 boundary); false and
// an empty text for a bad index.
bool getMidiDeviceInputNameFromIndex(int index, char* destination, int size);
int getMidiDeviceInputVID(int index);
int getMidiDeviceInputPID(int index);
int getMidiDeviceOutputVID(int index);
int getMidiDeviceOutputPID(int index);
void setMidiDeviceInputSelected(int index, int value);
// Copies of the tables.
std::vector<ZRMidiPortRow> getMidiInputRows();
std::vector<ZRMidiPortRow> getMidiOutputRows();

using ZRMidiMessageCallback = void (*)(void* user, int status, int channel, int data1, int data2,
                                       int offsetMs);
using ZRMidiSysexCallback = void (*)(void* user, const unsigned char* data, int size);

// Reads one source. An index outside the input table leaves the object unconnected (it never falls back
// to another row: that would be another device).
class ZRMidiIn {
 public:
  ZRMidiIn(int sourceIndex, ZRMidiMessageCallback onMessage, ZRMidiSysexCallback onSysex, void* user);
  ~ZRMidiIn();
  ZRMidiIn(const ZRMidiIn&) = delete;
  ZRMidiIn& operator=(const ZRMidiIn&) = delete;

  bool connected() const { return input_ != nullptr; }
  int index() const { return index_; }

 private:
  void bytes(const unsigned char* data, int size, int offsetMs);

  const int index_;
  const ZRMidiMessageCallback onMessage_;
  const ZRMidiSysexCallback onSysex_;
  void* const user_;
  ZRMidiByteParser parser_;
  std::shared_ptr<ZRMidiTransport> transport_;
  std::unique_ptr<ZRMidiTransportInput> input_;
};

// Sends to one destination; an index outside the output table (-1: the device has no output) sends
// nothing.
class ZRMidiOut {
 public:
  explicit ZRMidiOut(int destinationIndex);
  ~ZRMidiOut();
  ZRMidiOut(const ZRMidiOut&) = delete;
  ZRMidiOut& operator=(const ZRMidiOut&) = delete;

  bool connected() const { return output_ != nullptr; }
  int index() const { return index_; }
  // One channel or system message: status is the whole status byte (kind and channel); as many data bytes
  // are sent as the status carries. A status below 0x80, F0 or F7 sends nothing. False when nothing went.
  bool out(int status, int data1, int data2);
  // One message of 1..kMaxMidiOutLongBytes bytes as it stands (a SysEx message); other lengths send
  // nothing.
  bool outlong(const unsigned char* bytes, int size);

 private:
  const int index_;
  std::shared_ptr<ZRMidiTransport> transport_;
  std::unique_ptr<ZRMidiTransportOutput> output_;
};
