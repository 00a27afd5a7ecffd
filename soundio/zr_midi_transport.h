#pragma once
// A way MIDI reaches the program: the ALSA sequencer (zr_alsa_midi_transport.h), JACK MIDI
// (zr_jack_midi_transport.h) or memory (zr_memory_midi_transport.h, for tests). A transport lists the
// ports other programs and devices offer (sources to read, destinations to write), connects one of ours to
// a source and hands over the raw bytes that arrive, and sends raw bytes to a destination. Parsing the bytes
// into messages is the MIDI port tables' work (zr_midi_ports.h).
//
// Threads: list, open and close on any thread, one at a time per transport (the port tables serialise
// them). Bytes are handed over on the transport's own input thread. Destroying an input (closing it)
// returns only once no call of its byte function is in flight and none will follow. send may be called from
// any thread.

#include <functional>
#include <memory>
#include <string>
#include <vector>

struct ZRMidiEndpoint {
  std::string name;     // what the user sees and scripts match: the device's or port's name
  std::string address;  // the transport's own address of the port ("20:0", "client:port" ...)
  int vendorId = 0;     // USB ids of the device, 0 when it has none or they are unknown
  int productId = 0;
};

class ZRMidiTransportInput {
 public:
  virtual ~ZRMidiTransportInput() = default;
};

class ZRMidiTransportOutput {
 public:
  virtual ~ZRMidiTransportOutput() = default;
  // Sends one complete message (a channel message or a whole SysEx); false when it could not be sent.
  virtual bool send(const unsigned char* bytes, int size) = 0;
};

class ZRMidiTransport {
 public:
  // Bytes as they arrived (any split), with their time offset in milliseconds.
  using BytesFn = std::function<void(const unsigned char* bytes, int size, int offsetMs)>;

  virtual ~ZRMidiTransport() = default;
  ZRMidiTransport() = default;
  ZRMidiTransport(const ZRMidiTransport&) = delete;
  ZRMidiTransport& operator=(const ZRMidiTransport&) = delete;

  virtual std::vector<ZRMidiEndpoint> listSources() = 0;
  virtual std::vector<ZRMidiEndpoint> listDestinations() = 0;
  // Connects to source; null (with a log line) when it cannot.
  virtual std::unique_ptr<ZRMidiTransportInput> openInput(const ZRMidiEndpoint& source, BytesFn bytes) = 0;
  virtual std::unique_ptr<ZRMidiTransportOutput> openOutput(const ZRMidiEndpoint& destination) = 0;
  // Called (on a thread of the transport) when ports of others appear or go away; replaces the previous.
  virtual void setSetupChanged(std::function<void()> changed) = 0;
};
