#pragma once
// A JACK MIDI client standing in for a controller on the private dummy server: one MIDI output port (what
// the controller sends) and one MIDI input port (what it receives: LED answers, SysEx). Events are moved
// on JACK's thread through locked queues (a test client, not real-time code).

#include <jack/jack.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

namespace orvel_test {

class JackMidiPeer {
 public:
  JackMidiPeer() = default;
  ~JackMidiPeer();
  JackMidiPeer(const JackMidiPeer&) = delete;
  JackMidiPeer& operator=(const JackMidiPeer&) = delete;

  // Connects as clientName with ports outName (it sends) and inName (it receives). False when it cannot.
  bool open(const std::string& serverName, const std::string& clientName, const std::string& outName,
            const std::string& inName);
  // Sends one message in the next cycle.
  void send(const std::vector<unsigned char>& bytes);
  // Waits (at most boundMs) until something connected to the output port; false on time-out.
  bool waitUntilOutputConnected(int boundMs) const;
  // The messages received so far, and waiting (at most boundMs) for the first one that pred accepts.
  std::vector<std::vector<unsigned char>> received() const;
  template <typename Pred>
  bool waitForReceived(int boundMs, Pred pred) const;

 private:
  static int process(jack_nframes_t frames, void* self);
  bool anyReceived(const std::function<bool(const std::vector<unsigned char>&)>& pred) const;

  jack_client_t* client_ = nullptr;
  jack_port_t* out_ = nullptr;
  jack_port_t* in_ = nullptr;
  mutable std::mutex lock_;
  std::vector<std::vector<unsigned char>> pending_;
  std::vector<std::vector<unsigned char>> received_;
};

bool waitFor(int boundMs, const std::function<bool()>& done);

template <typename Pred>
bool JackMidiPeer::waitForReceived(int boundMs, Pred pred) const {
  return waitFor(boundMs, [&] { return anyReceived(pred); });
}

}  // namespace orvel_test
