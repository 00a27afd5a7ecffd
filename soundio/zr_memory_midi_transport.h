#pragma once
// A MIDI transport without devices, for tests: its sources and destinations are whatever the test adds.
// Bytes injected into a source reach the inputs connected to it on the injecting thread; bytes our outputs
// send to a destination are kept for the test to read.
//
// Threads: every member may be called from any thread. inject calls the byte functions under the
// transport's lock, so closing an input waits for an injection in flight.

#include <mutex>
#include <string>
#include <vector>

#include "soundio/zr_midi_transport.h"

class ZRMemoryMidiTransport : public ZRMidiTransport {
 public:
  ZRMemoryMidiTransport() = default;
  ~ZRMemoryMidiTransport() override;

  void addSource(const ZRMidiEndpoint& source);
  void addDestination(const ZRMidiEndpoint& destination);
  // Removes every port of that name (and announces the change).
  void removePort(const std::string& name);

  // Hands bytes to every input connected to the source named name; false when none is.
  bool inject(const std::string& name, const std::vector<unsigned char>& bytes, int offsetMs = 0);
  // The messages sent to the destination named name so far, one entry per send.
  std::vector<std::vector<unsigned char>> sent(const std::string& name) const;
  // Inputs open now.
  int openInputs() const;

  std::vector<ZRMidiEndpoint> listSources() override;
  std::vector<ZRMidiEndpoint> listDestinations() override;
  std::unique_ptr<ZRMidiTransportInput> openInput(const ZRMidiEndpoint& source, BytesFn bytes) override;
  std::unique_ptr<ZRMidiTransportOutput> openOutput(const ZRMidiEndpoint& destination) override;
  void setSetupChanged(std::function<void()> changed) override;

 private:
  class Input;
  class Output;
  struct Connection {
    Input* input;
    std::string source;
    BytesFn bytes;
  };
  void announce();

  mutable std::recursive_mutex lock_;
  std::vector<ZRMidiEndpoint> sources_;
  std::vector<ZRMidiEndpoint> destinations_;
  std::vector<Connection> connections_;
  std::vector<std::pair<std::string, std::vector<unsigned char>>> sent_;
  std::function<void()> changed_;
};
