#include "soundio/zr_midi_ports.h"

#include <algorithm>
#include <cstring>
#include <mutex>

#include "common/zr_logging.h"
#include "common/zr_utf8_cut.h"

namespace {

struct Row {
  ZRMidiPortRow row;
  std::shared_ptr<ZRMidiTransport> transport;
  ZRMidiEndpoint endpoint;
};

struct Tables {
  std::mutex lock;
  std::vector<std::shared_ptr<ZRMidiTransport>> transports;
  bool transportsSet = false;
  ZRMidiDeviceChangeFn deviceChange = nullptr;
  std::vector<Row> inputs;
  std::vector<Row> outputs;
};

Tables& tables() {
  static Tables* t = new Tables;  // outlives every static that might close a port at exit
  return *t;
}

void fill(std::vector<Row>& rows, const std::vector<std::shared_ptr<ZRMidiTransport>>& transports,
          bool sources) {
  rows.clear();
  bool reported = false;
  for (const auto& transport : transports) {
    const std::vector<ZRMidiEndpoint> endpoints =
        sources ? transport->listSources() : transport->listDestinations();
    for (const ZRMidiEndpoint& endpoint : endpoints) {
      if (static_cast<int>(rows.size()) >= kMaxMidiPortRows) {
        if (!reported) {
          ZRLOG("MIDI: more than %d %s; the rest are left out", kMaxMidiPortRows,
                sources ? "inputs" : "outputs");
        }
        reported = true;
        break;
      }
      Row row;
      row.row.name = endpoint.name;
      row.row.vendorId = endpoint.vendorId;
      row.row.productId = endpoint.productId;
      row.transport = transport;
      row.endpoint = endpoint;
      ZRLOG(sources ? "MidiIn  %d: '%s' (VID:PID = %04X:%04X)" : "MidiOut %d: '%s' (VID:PID = %04X:%04X)",
            static_cast<int>(rows.size()), endpoint.name.c_str(), static_cast<unsigned>(endpoint.vendorId),
            static_cast<unsigned>(endpoint.productId));
      rows.push_back(std::move(row));
    }
  }
}

void announceChange() {
  ZRMidiDeviceChangeFn fn;
  {
    std::lock_guard<std::mutex> guard(tables().lock);
    fn = tables().deviceChange;
  }
  if (fn != nullptr) fn(kMidiSetupChanged);
}

bool rowOf(const std::vector<Row>& rows, int index, Row& out) {
  if (index < 0 || index >= static_cast<int>(rows.size())) return false;
  out = rows[static_cast<size_t>(index)];
  return true;
}

template <typename F>
auto withInput(int index, F read) {
  std::lock_guard<std::mutex> guard(tables().lock);
  const auto& rows = tables().inputs;
  const ZRMidiPortRow* row =
      index >= 0 && index < static_cast<int>(rows.size()) ? &rows[static_cast<size_t>(index)].row : nullptr;
  return read(row);
}

template <typename F>
auto withOutput(int index, F read) {
  std::lock_guard<std::mutex> guard(tables().lock);
  const auto& rows = tables().outputs;
  const ZRMidiPortRow* row =
      index >= 0 && index < static_cast<int>(rows.size()) ? &rows[static_cast<size_t>(index)].row : nullptr;
  return read(row);
}

}  // namespace

void setMidiTransports(std::vector<std::shared_ptr<ZRMidiTransport>> transports) {
  std::lock_guard<std::mutex> guard(tables().lock);
  tables().transports = std::move(transports);
  tables().transportsSet = true;
}

bool MIDI_init(bool createClient, ZRMidiDeviceChangeFn deviceChange) {
  std::vector<std::shared_ptr<ZRMidiTransport>> transports;
  if (createClient) {
    bool open = false;
    {
      std::lock_guard<std::mutex> guard(tables().lock);
      open = !tables().transportsSet;
    }
    if (open) setMidiTransports(openSystemMidiTransports());
    std::lock_guard<std::mutex> guard(tables().lock);
    tables().deviceChange = deviceChange;
  }
  {
    std::lock_guard<std::mutex> guard(tables().lock);
    transports = tables().transports;
  }
  if (createClient) {
    for (const auto& transport : transports) transport->setSetupChanged(&announceChange);
  }
  // Listing asks the transports, which may take a moment: done outside the lock, then swapped in.
  std::vector<Row> inputs;
  std::vector<Row> outputs;
  fill(inputs, transports, true);
  fill(outputs, transports, false);
  std::lock_guard<std::mutex> guard(tables().lock);
  tables().inputs.swap(inputs);
  tables().outputs.swap(outputs);
  return true;
}

void MIDI_deinit(bool disposeClient) {
  std::vector<std::shared_ptr<ZRMidiTransport>> transports;
  std::vector<Row> inputs;
  std::vector<Row> outputs;
  {
    std::lock_guard<std::mutex> guard(tables().lock);
    inputs.swap(tables().inputs);
    outputs.swap(tables().outputs);
    if (disposeClient) {
      transports.swap(tables().transports);
      tables().transportsSet = false;
      tables().deviceChange = nullptr;
    }
  }
  for (const auto& transport : transports) transport->setSetupChanged(nullptr);
}

int getMidiDeviceInputTotal() {
  std::lock_guard<std::mutex> guard(tables().lock);
  return static_cast<int>(tables().inputs.size());
}

int getMidiDeviceOutputTotal() {
  std::lock_guard<std::mutex> guard(tables().lock);
  return static_cast<int>(tables().outputs.size());
}

std::string getMidiDeviceInputName(int index) {
  return withInput(index, [](const ZRMidiPortRow* r) { return r ? r->name : std::string(); });
}

std::string getMidiDeviceOutputName(int index) {
  return withOutput(index, [](const ZRMidiPortRow* r) { return r ? r->name : std::string(); });
}

bool getMidiDeviceInputNameFromIndex(int index, char* destination, int size) {
  if (destination == nullptr || size <= 0) return false;
  destination[0] = 0;
  const int total = getMidiDeviceInputTotal();
  if (index < 0 || index >= total) return false;
  const std::string name = getMidiDeviceInputName(index);
  const size_t n = utf8CutLength(name.data(), name.size(), static_cast<size_t>(size - 1));
  std::memcpy(destination, name.data(), n);
  destination[n] = 0;
  return true;
}

int getMidiDeviceInputVID(int index) {
  return withInput(index, [](const ZRMidiPortRow* r) { return r ? r->vendorId : 0; });
}
int getMidiDeviceInputPID(int index) {
  return withInput(index, [](const ZRMidiPortRow* r) { return r ? r->productId : 0; });
}
int getMidiDeviceOutputVID(int index) {
  return withOutput(index, [](const ZRMidiPortRow* r) { return r ? r->vendorId : 0; });
}
int getMidiDeviceOutputPID(int index) {
  return withOutput(index, [](const ZRMidiPortRow* r) { return r ? r->productId : 0; });
}

void setMidiDeviceInputSelected(int index, int value) {
  std::lock_guard<std::mutex> guard(tables().lock);
  auto& rows = tables().inputs;
  if (index >= 0 && index < static_cast<int>(rows.size()))
    rows[static_cast<size_t>(index)].row.selected = value;
}

std::vector<ZRMidiPortRow> getMidiInputRows() {
  std::lock_guard<std::mutex> guard(tables().lock);
  std::vector<ZRMidiPortRow> out;
  for (const Row& r : tables().inputs) out.push_back(r.row);
  return out;
}

std::vector<ZRMidiPortRow> getMidiOutputRows() {
  std::lock_guard<std::mutex> guard(tables().lock);
  std::vector<ZRMidiPortRow> out;
  for (const Row& r : tables().outputs) out.push_back(r.row);
  return out;
}

ZRMidiIn::ZRMidiIn(int sourceIndex, ZRMidiMessageCallback onMessage, ZRMidiSysexCallback onSysex, void* user)
    : index_(sourceIndex), onMessage_(onMessage), onSysex_(onSysex), user_(user) {
  Row row;
  {
    std::lock_guard<std::mutex> guard(tables().lock);
    if (!rowOf(tables().inputs, sourceIndex, row)) return;
  }
  transport_ = row.transport;
  input_ = transport_->openInput(row.endpoint, [this](const unsigned char* data, int size, int offsetMs) {
    bytes(data, size, offsetMs);
  });
}

ZRMidiIn::~ZRMidiIn() {
  // Closing waits for a delivery in flight, so the parser and callbacks stay valid until then.
  input_.reset();
}

void ZRMidiIn::bytes(const unsigned char* data, int size, int offsetMs) {
  parser_.feed(
      data, size, offsetMs,
      [this](int status, int channel, int d1, int d2, int offset) {
        if (onMessage_ != nullptr) onMessage_(user_, status, channel, d1, d2, offset);
      },
      [this](const unsigned char* sysex, int length) {
        if (onSysex_ != nullptr) onSysex_(user_, sysex, length);
      });
}

ZRMidiOut::ZRMidiOut(int destinationIndex) : index_(destinationIndex) {
  Row row;
  {
    std::lock_guard<std::mutex> guard(tables().lock);
    if (!rowOf(tables().outputs, destinationIndex, row)) return;
  }
  transport_ = row.transport;
  output_ = transport_->openOutput(row.endpoint);
}

ZRMidiOut::~ZRMidiOut() {
  output_.reset();
}

bool ZRMidiOut::out(int status, int data1, int data2) {
  if (output_ == nullptr || status < 0x80 || status > 0xFF || status == 0xF0 || status == 0xF7) return false;
  const unsigned char bytes[3] = {static_cast<unsigned char>(status),
                                  static_cast<unsigned char>(data1 & 0x7F),
                                  static_cast<unsigned char>(data2 & 0x7F)};
  return output_->send(bytes, 1 + midiDataBytesOfStatus(status));
}

bool ZRMidiOut::outlong(const unsigned char* bytes, int size) {
  if (output_ == nullptr || bytes == nullptr || size <= 0 || size > kMaxMidiOutLongBytes) return false;
  return output_->send(bytes, size);
}
