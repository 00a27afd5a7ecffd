#include "soundio/zr_alsa_midi_transport.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "common/zr_logging.h"
#include "platform/thread_name.h"
#include "soundio/alsa_messages.h"
#include "soundio/sound_card_usb_ids.h"

namespace {

constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE;
// The longest SysEx the encoder and decoder handle in one event.
constexpr int kCoderBytes = 4096;

int addressKey(int client, int port) {
  return (client << 8) | (port & 0xFF);
}

bool parseAddress(const std::string& text, int& client, int& port) {
  return std::sscanf(text.c_str(), "%d:%d", &client, &port) == 2;
}

class AlsaMidiTransport;

class AlsaInput : public ZRMidiTransportInput {
 public:
  AlsaInput(AlsaMidiTransport& owner, int client, int port) : owner_(owner), client_(client), port_(port) {}
  ~AlsaInput() override;

 private:
  AlsaMidiTransport& owner_;
  int client_;
  int port_;
};

class AlsaOutput : public ZRMidiTransportOutput {
 public:
  AlsaOutput(AlsaMidiTransport& owner, int client, int port);
  ~AlsaOutput() override;
  bool send(const unsigned char* bytes, int size) override;

 private:
  AlsaMidiTransport& owner_;
  int client_;
  int port_;
  snd_midi_event_t* encoder_ = nullptr;
};

class AlsaMidiTransport : public ZRMidiTransport {
 public:
  AlsaMidiTransport(snd_seq_t* seq, int inPort, int outPort)
      : seq_(seq), inPort_(inPort), outPort_(outPort), stopFd_(eventfd(0, EFD_CLOEXEC)) {
    reader_ = std::thread([this] { readLoop(); });
  }

  ~AlsaMidiTransport() override {
    const uint64_t one = 1;
    if (stopFd_ < 0 || write(stopFd_, &one, sizeof one) != static_cast<ssize_t>(sizeof one)) {
      ZRLOG("MIDI: cannot signal the ALSA MIDI thread to stop");
    }
    if (reader_.joinable()) reader_.join();
    for (auto& [key, input] : inputs_) snd_midi_event_free(input.decoder);
    if (stopFd_ >= 0) close(stopFd_);
    snd_seq_close(seq_);
  }

  std::vector<ZRMidiEndpoint> listSources() override { return list(kReadable); }
  std::vector<ZRMidiEndpoint> listDestinations() override { return list(kWritable); }

  std::unique_ptr<ZRMidiTransportInput> openInput(const ZRMidiEndpoint& source, BytesFn bytes) override {
    int client = 0;
    int port = 0;
    if (!parseAddress(source.address, client, port)) return nullptr;
    snd_midi_event_t* decoder = nullptr;
    if (snd_midi_event_new(kCoderBytes, &decoder) < 0) return nullptr;
    snd_midi_event_no_status(decoder, 1);
    {
      std::lock_guard<std::mutex> guard(readLock_);
      Input& input = inputs_[addressKey(client, port)];
      if (input.decoder != nullptr) snd_midi_event_free(input.decoder);
      input.decoder = decoder;
      input.bytes = std::move(bytes);
    }
    int result = 0;
    {
      std::lock_guard<std::mutex> guard(ioLock_);
      result = snd_seq_connect_from(seq_, inPort_, client, port);
    }
    if (result < 0 && result != -EBUSY) {
      ZRLOG("MIDI: cannot listen to port %d:%d '%s' (%s)", client, port, source.name.c_str(),
            snd_strerror(result));
      forget(client, port);
      return nullptr;
    }
    return std::make_unique<AlsaInput>(*this, client, port);
  }

  std::unique_ptr<ZRMidiTransportOutput> openOutput(const ZRMidiEndpoint& destination) override {
    int client = 0;
    int port = 0;
    if (!parseAddress(destination.address, client, port)) return nullptr;
    return std::make_unique<AlsaOutput>(*this, client, port);
  }

  void setSetupChanged(std::function<void()> changed) override {
    std::lock_guard<std::mutex> guard(changedLock_);
    changed_ = std::move(changed);
  }

  void closeInput(int client, int port) {
    forget(client, port);
    std::lock_guard<std::mutex> guard(ioLock_);
    snd_seq_disconnect_from(seq_, inPort_, client, port);
  }

  bool sendEvent(snd_seq_event_t& event, int client, int port) {
    std::lock_guard<std::mutex> guard(ioLock_);
    snd_seq_ev_set_source(&event, outPort_);
    snd_seq_ev_set_dest(&event, client, port);
    snd_seq_ev_set_direct(&event);
    return snd_seq_event_output_direct(seq_, &event) >= 0;
  }

 private:
  struct Input {
    snd_midi_event_t* decoder = nullptr;
    BytesFn bytes;
  };
  struct Arrived {
    int key = 0;
    snd_seq_event_t event{};
    std::vector<unsigned char> sysex;
  };

  void forget(int client, int port) {
    std::lock_guard<std::mutex> guard(readLock_);
    auto found = inputs_.find(addressKey(client, port));
    if (found == inputs_.end()) return;
    snd_midi_event_free(found->second.decoder);
    inputs_.erase(found);
  }

  std::vector<ZRMidiEndpoint> list(unsigned capability) {
    std::vector<ZRMidiEndpoint> endpoints;
    std::lock_guard<std::mutex> guard(ioLock_);
    snd_seq_client_info_t* clientInfo;
    snd_seq_port_info_t* portInfo;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(seq_, clientInfo) >= 0) {
      const int client = snd_seq_client_info_get_client(clientInfo);
      if (client == snd_seq_client_id(seq_) || client == SND_SEQ_CLIENT_SYSTEM) continue;
      int vendor = 0;
      int product = 0;
      soundCardUsbIds("/sys", snd_seq_client_info_get_card(clientInfo), vendor, product);
      snd_seq_port_info_set_client(portInfo, client);
      snd_seq_port_info_set_port(portInfo, -1);
      while (snd_seq_query_next_port(seq_, portInfo) >= 0) {
        const unsigned caps = snd_seq_port_info_get_capability(portInfo);
        if ((caps & capability) != capability || (caps & SND_SEQ_PORT_CAP_NO_EXPORT) != 0) continue;
        ZRMidiEndpoint e;
        e.name = snd_seq_port_info_get_name(portInfo);
        e.address = std::to_string(client) + ":" + std::to_string(snd_seq_port_info_get_port(portInfo));
        e.vendorId = vendor;
        e.productId = product;
        endpoints.push_back(std::move(e));
      }
    }
    return endpoints;
  }

  void announce() {
    std::function<void()> changed;
    {
      std::lock_guard<std::mutex> guard(changedLock_);
      changed = changed_;
    }
    if (changed) changed();
  }

  // Takes what arrived under the sequencer's lock; events are copied (their data lives in ALSA's buffer).
  bool take(std::vector<Arrived>& arrived, bool& setupChanged) {
    std::lock_guard<std::mutex> guard(ioLock_);
    while (true) {
      snd_seq_event_t* event = nullptr;
      const int result = snd_seq_event_input(seq_, &event);
      if (result == -EAGAIN || result == -EINTR) return true;
      if (result == -ENOSPC) {
        ZRLOG("MIDI: input overran the sequencer's buffer; messages were lost");
        continue;
      }
      if (result < 0 || event == nullptr) return true;
      switch (event->type) {
        case SND_SEQ_EVENT_PORT_START:
        case SND_SEQ_EVENT_PORT_EXIT:
        case SND_SEQ_EVENT_CLIENT_START:
        case SND_SEQ_EVENT_CLIENT_EXIT:
          if (event->data.addr.client != snd_seq_client_id(seq_)) setupChanged = true;
          continue;
        default:
          break;
      }
      Arrived a;
      a.key = addressKey(event->source.client, event->source.port);
      a.event = *event;
      if (event->type == SND_SEQ_EVENT_SYSEX && event->data.ext.ptr != nullptr) {
        const auto* data = static_cast<const unsigned char*>(event->data.ext.ptr);
        a.sysex.assign(data, data + event->data.ext.len);
      }
      arrived.push_back(std::move(a));
    }
  }

  void deliver(std::vector<Arrived>& arrived) {
    std::lock_guard<std::mutex> guard(readLock_);
    unsigned char bytes[kCoderBytes];
    for (Arrived& a : arrived) {
      auto found = inputs_.find(a.key);
      if (found == inputs_.end() || !found->second.bytes) continue;
      if (a.event.type == SND_SEQ_EVENT_SYSEX) {
        if (!a.sysex.empty()) found->second.bytes(a.sysex.data(), static_cast<int>(a.sysex.size()), 0);
        continue;
      }
      const long n = snd_midi_event_decode(found->second.decoder, bytes, sizeof bytes, &a.event);
      if (n > 0) found->second.bytes(bytes, static_cast<int>(n), 0);
    }
  }

  void readLoop() {
    platformSetCurrentThreadName("MIDI-alsa");
    std::vector<pollfd> fds;
    {
      std::lock_guard<std::mutex> guard(ioLock_);
      const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
      fds.resize(static_cast<size_t>(count) + 1);
      snd_seq_poll_descriptors(seq_, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
    }
    fds[0] = {stopFd_, POLLIN, 0};
    while (true) {
      if (poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        ZRLOG("MIDI: waiting for input failed (%s); ALSA MIDI input ends", strerror(errno));
        return;
      }
      if (fds[0].revents != 0) return;
      std::vector<Arrived> arrived;
      bool setupChanged = false;
      take(arrived, setupChanged);
      deliver(arrived);
      if (setupChanged) announce();
    }
  }

  snd_seq_t* seq_;
  int inPort_;
  int outPort_;
  int stopFd_;
  std::mutex ioLock_;
  std::mutex readLock_;
  std::mutex changedLock_;
  std::map<int, Input> inputs_;
  std::function<void()> changed_;
  std::thread reader_;
};

AlsaInput::~AlsaInput() {
  owner_.closeInput(client_, port_);
}

AlsaOutput::AlsaOutput(AlsaMidiTransport& owner, int client, int port)
    : owner_(owner), client_(client), port_(port) {
  if (snd_midi_event_new(kCoderBytes, &encoder_) < 0) encoder_ = nullptr;
}

AlsaOutput::~AlsaOutput() {
  if (encoder_ != nullptr) snd_midi_event_free(encoder_);
}

bool AlsaOutput::send(const unsigned char* bytes, int size) {
  if (encoder_ == nullptr || bytes == nullptr || size <= 0) return false;
  snd_midi_event_reset_encode(encoder_);
  bool sent = false;
  long at = 0;
  while (at < size) {
    snd_seq_event_t event;
    snd_seq_ev_clear(&event);
    const long used = snd_midi_event_encode(encoder_, bytes + at, size - at, &event);
    if (used <= 0) return sent;
    at += used;
    if (event.type != SND_SEQ_EVENT_NONE) sent = owner_.sendEvent(event, client_, port_) || sent;
  }
  return sent;
}

}  // namespace

std::shared_ptr<ZRMidiTransport> openAlsaMidiTransport() {
  static std::atomic<bool> reported{false};
  quietAlsaErrorMessages();
  snd_seq_t* seq = nullptr;
  int result = snd_seq_open(&seq, "default", SND_SEQ_OPEN_DUPLEX, SND_SEQ_NONBLOCK);
  if (result < 0) {
    if (!reported.exchange(true))
      ZRLOG("MIDI: no ALSA sequencer (%s): no ALSA MIDI ports", snd_strerror(result));
    return nullptr;
  }
  snd_seq_set_client_name(seq, "Orvel");
  const int inPort = snd_seq_create_simple_port(
      seq, "InPort", kWritable, SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  const int outPort = snd_seq_create_simple_port(
      seq, "OutPort", kReadable, SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (inPort < 0 || outPort < 0) {
    ZRLOG("MIDI: cannot create the sequencer ports (%s): no ALSA MIDI ports",
          snd_strerror(inPort < 0 ? inPort : outPort));
    snd_seq_close(seq);
    return nullptr;
  }
  result = snd_seq_connect_from(seq, inPort, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
  if (result < 0) ZRLOG("MIDI: devices plugged in later will not be seen (%s)", snd_strerror(result));
  return std::make_shared<AlsaMidiTransport>(seq, inPort, outPort);
}
