#include "support/jack_midi_peer.h"

#include <jack/midiport.h>

#include <chrono>
#include <thread>

namespace orvel_test {

bool waitFor(int boundMs, const std::function<bool()>& done) {
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(boundMs);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return true;
}

JackMidiPeer::~JackMidiPeer() {
  if (client_ != nullptr) {
    jack_deactivate(client_);
    jack_client_close(client_);
  }
}

bool JackMidiPeer::open(const std::string& serverName, const std::string& clientName,
                        const std::string& outName, const std::string& inName) {
  jack_status_t status;
  client_ =
      jack_client_open(clientName.c_str(), static_cast<jack_options_t>(JackNoStartServer | JackServerName),
                       &status, serverName.c_str());
  if (client_ == nullptr) return false;
  out_ = jack_port_register(client_, outName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsOutput, 0);
  in_ = jack_port_register(client_, inName.c_str(), JACK_DEFAULT_MIDI_TYPE, JackPortIsInput, 0);
  if (out_ == nullptr || in_ == nullptr) return false;
  jack_set_process_callback(client_, &JackMidiPeer::process, this);
  return jack_activate(client_) == 0;
}

void JackMidiPeer::send(const std::vector<unsigned char>& bytes) {
  std::lock_guard<std::mutex> guard(lock_);
  pending_.push_back(bytes);
}

bool JackMidiPeer::waitUntilOutputConnected(int boundMs) const {
  return waitFor(boundMs, [&] { return jack_port_connected(out_) > 0; });
}

std::vector<std::vector<unsigned char>> JackMidiPeer::received() const {
  std::lock_guard<std::mutex> guard(lock_);
  return received_;
}

bool JackMidiPeer::anyReceived(const std::function<bool(const std::vector<unsigned char>&)>& pred) const {
  std::lock_guard<std::mutex> guard(lock_);
  for (const auto& m : received_) {
    if (pred(m)) return true;
  }
  return false;
}

int JackMidiPeer::process(jack_nframes_t frames, void* opaque) {
  auto* self = static_cast<JackMidiPeer*>(opaque);
  void* out = jack_port_get_buffer(self->out_, frames);
  void* in = jack_port_get_buffer(self->in_, frames);
  jack_midi_clear_buffer(out);
  std::lock_guard<std::mutex> guard(self->lock_);
  for (const auto& m : self->pending_) {
    jack_midi_event_write(out, 0, m.data(), m.size());
  }
  self->pending_.clear();
  const uint32_t count = jack_midi_get_event_count(in);
  for (uint32_t i = 0; i < count; ++i) {
    jack_midi_event_t event;
    if (jack_midi_event_get(&event, in, i) == 0) {
      self->received_.emplace_back(event.buffer, event.buffer + event.size);
    }
  }
  return 0;
}

}  // namespace orvel_test
