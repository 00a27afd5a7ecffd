#include "soundio/zr_jack_midi_transport.h"

#include <jack/jack.h>
#include <jack/midiport.h>
#include <semaphore.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <mutex>
#include <string>
#include <thread>

#include "common/zr_audio_hand_over.h"
#include "common/zr_logging.h"
#include "common/zr_spsc_byte_ring.h"
#include "platform/thread_name.h"

namespace {

constexpr int kSlots = 32;
constexpr int kRingBytes = 64 * 1024;
// The longest event moved in one piece; a longer JACK event (a huge SysEx dump) is dropped.
constexpr int kMaxEventBytes = 4096;

void quietJack(const char*) {}

struct InSlot {
  jack_port_t* port = nullptr;
  ZRSpscByteRing ring{kRingBytes};
  ZRMidiTransport::BytesFn bytes;
  std::atomic<uint32_t> dropped{0};
};

struct OutSlot {
  jack_port_t* port = nullptr;
  ZRSpscByteRing ring{kRingBytes};
  std::mutex sendLock;       // several threads may send; the ring has one producer
  uint16_t pendingSize = 0;  // process thread: the size of an event whose header was taken
};

class JackMidiTransport;

class JackInput : public ZRMidiTransportInput {
 public:
  JackInput(JackMidiTransport& owner, int slot) : owner_(owner), slot_(slot) {}
  ~JackInput() override;

 private:
  JackMidiTransport& owner_;
  int slot_;
};

class JackOutput : public ZRMidiTransportOutput {
 public:
  JackOutput(JackMidiTransport& owner, int slot) : owner_(owner), slot_(slot) {}
  ~JackOutput() override;
  bool send(const unsigned char* bytes, int size) override;

 private:
  JackMidiTransport& owner_;
  int slot_;
};

class JackMidiTransport : public ZRMidiTransport {
 public:
  explicit JackMidiTransport(jack_client_t* client) : client_(client) {
    sem_init(&wake_, 0, 0);
    for (auto& s : ins_) s.store(nullptr);
    for (auto& s : outs_) s.store(nullptr);
  }

  bool activate() {
    jack_set_process_callback(client_, &JackMidiTransport::processThunk, this);
    jack_set_port_registration_callback(client_, &JackMidiTransport::registrationThunk, this);
    jack_on_shutdown(client_, &JackMidiTransport::shutdownThunk, this);
    if (jack_activate(client_) != 0) return false;
    reader_ = std::thread([this] { readLoop(); });
    return true;
  }

  ~JackMidiTransport() override {
    {
      std::lock_guard<std::mutex> guard(changedLock_);
      changed_ = nullptr;
    }
    if (!gone_.load()) jack_deactivate(client_);
    stopping_.store(true);
    sem_post(&wake_);
    if (reader_.joinable()) reader_.join();
    for (auto& s : ins_) delete s.exchange(nullptr);
    for (auto& s : outs_) delete s.exchange(nullptr);
    jack_client_close(client_);
    sem_destroy(&wake_);
  }

  std::vector<ZRMidiEndpoint> listSources() override { return list(JackPortIsOutput); }
  std::vector<ZRMidiEndpoint> listDestinations() override { return list(JackPortIsInput); }

  std::unique_ptr<ZRMidiTransportInput> openInput(const ZRMidiEndpoint& source, BytesFn bytes) override {
    std::lock_guard<std::mutex> guard(openLock_);
    const int slot = freeSlot(ins_);
    if (slot < 0 || gone_.load()) {
      ZRLOG("JACK MIDI: cannot open '%s' (%s)", source.name.c_str(),
            slot < 0 ? "too many ports" : "no server");
      return nullptr;
    }
    auto in = std::make_unique<InSlot>();
    in->bytes = std::move(bytes);
    in->port = registerPort(JackPortIsInput);
    if (in->port == nullptr) return nullptr;
    if (jack_connect(client_, source.address.c_str(), jack_port_name(in->port)) != 0) {
      ZRLOG("JACK MIDI: cannot connect to '%s'", source.address.c_str());
      jack_port_unregister(client_, in->port);
      return nullptr;
    }
    ins_[slot].store(in.release(), std::memory_order_seq_cst);
    return std::make_unique<JackInput>(*this, slot);
  }

  std::unique_ptr<ZRMidiTransportOutput> openOutput(const ZRMidiEndpoint& destination) override {
    std::lock_guard<std::mutex> guard(openLock_);
    const int slot = freeSlot(outs_);
    if (slot < 0 || gone_.load()) {
      ZRLOG("JACK MIDI: cannot open '%s' (%s)", destination.name.c_str(),
            slot < 0 ? "too many ports" : "no server");
      return nullptr;
    }
    auto out = std::make_unique<OutSlot>();
    out->port = registerPort(JackPortIsOutput);
    if (out->port == nullptr) return nullptr;
    if (jack_connect(client_, jack_port_name(out->port), destination.address.c_str()) != 0) {
      ZRLOG("JACK MIDI: cannot connect to '%s'", destination.address.c_str());
      jack_port_unregister(client_, out->port);
      return nullptr;
    }
    outs_[slot].store(out.release(), std::memory_order_seq_cst);
    return std::make_unique<JackOutput>(*this, slot);
  }

  void setSetupChanged(std::function<void()> changed) override {
    std::lock_guard<std::mutex> guard(changedLock_);
    changed_ = std::move(changed);
  }

  void closeInput(int slot) {
    std::lock_guard<std::mutex> guard(openLock_);
    InSlot* in = ins_[slot].exchange(nullptr, std::memory_order_seq_cst);
    if (in == nullptr) return;
    // The process thread may still be filling the ring, the reader still handing bytes over.
    const bool released = gate_.waitForReaders("a JACK MIDI input");
    { std::lock_guard<std::mutex> reading(readLock_); }
    if (!gone_.load()) jack_port_unregister(client_, in->port);
    if (released) delete in;
  }

  void closeOutput(int slot) {
    std::lock_guard<std::mutex> guard(openLock_);
    OutSlot* out = outs_[slot].exchange(nullptr, std::memory_order_seq_cst);
    if (out == nullptr) return;
    const bool released = gate_.waitForReaders("a JACK MIDI output");
    if (!gone_.load()) jack_port_unregister(client_, out->port);
    if (released) delete out;
  }

  bool send(int slot, const unsigned char* bytes, int size) {
    if (size <= 0 || size > kMaxEventBytes || gone_.load()) return false;
    // The slot stays while its output object exists; only that object sends through it.
    OutSlot* out = outs_[slot].load(std::memory_order_acquire);
    if (out == nullptr) return false;
    unsigned char block[2 + kMaxEventBytes];
    const uint16_t length = static_cast<uint16_t>(size);
    std::memcpy(block, &length, 2);
    std::memcpy(block + 2, bytes, static_cast<size_t>(size));
    std::lock_guard<std::mutex> guard(out->sendLock);
    return out->ring.putBlock(block, size + 2);
  }

 private:
  template <typename Slots>
  static int freeSlot(Slots& slots) {
    for (int i = 0; i < kSlots; ++i) {
      if (slots[i].load() == nullptr) return i;
    }
    return -1;
  }

  jack_port_t* registerPort(unsigned long flags) {
    const std::string name = (flags == JackPortIsInput ? "in_" : "out_") + std::to_string(++portCounter_);
    jack_port_t* port = jack_port_register(client_, name.c_str(), JACK_DEFAULT_MIDI_TYPE, flags, 0);
    if (port == nullptr) ZRLOG("JACK MIDI: cannot make the port '%s'", name.c_str());
    return port;
  }

  std::vector<ZRMidiEndpoint> list(unsigned long flags) {
    std::vector<ZRMidiEndpoint> endpoints;
    if (gone_.load()) return endpoints;
    const char** names = jack_get_ports(client_, nullptr, JACK_DEFAULT_MIDI_TYPE, flags);
    if (names == nullptr) return endpoints;
    for (int i = 0; names[i] != nullptr; ++i) {
      jack_port_t* port = jack_port_by_name(client_, names[i]);
      if (port == nullptr || jack_port_is_mine(client_, port)) continue;
      ZRMidiEndpoint e;
      e.name = jack_port_short_name(port);
      e.address = names[i];
      endpoints.push_back(std::move(e));
    }
    jack_free(names);
    return endpoints;
  }

  // JACK's process thread.
  static int processThunk(jack_nframes_t frames, void* self) {
    static_cast<JackMidiTransport*>(self)->process(frames);
    return 0;
  }

  void process(jack_nframes_t frames) {
    gate_.enter();
    bool arrived = false;
    for (auto& slot : ins_) {
      InSlot* in = slot.load(std::memory_order_seq_cst);
      if (in == nullptr) continue;
      void* buffer = jack_port_get_buffer(in->port, frames);
      const uint32_t count = jack_midi_get_event_count(buffer);
      for (uint32_t i = 0; i < count; ++i) {
        jack_midi_event_t event;
        if (jack_midi_event_get(&event, buffer, i) != 0) continue;
        if (event.size == 0 || event.size > static_cast<size_t>(kMaxEventBytes)) {
          in->dropped.fetch_add(1, std::memory_order_relaxed);
          continue;
        }
        unsigned char block[2 + kMaxEventBytes];
        const uint16_t length = static_cast<uint16_t>(event.size);
        std::memcpy(block, &length, 2);
        std::memcpy(block + 2, event.buffer, event.size);
        if (in->ring.putBlock(block, static_cast<int>(event.size) + 2)) {
          arrived = true;
        } else {
          in->dropped.fetch_add(1, std::memory_order_relaxed);
        }
      }
    }
    for (auto& slot : outs_) {
      OutSlot* out = slot.load(std::memory_order_seq_cst);
      if (out == nullptr) continue;
      void* buffer = jack_port_get_buffer(out->port, frames);
      jack_midi_clear_buffer(buffer);
      while (true) {
        if (out->pendingSize == 0) {
          uint16_t size = 0;
          if (!out->ring.getBlock(&size, 2)) break;
          out->pendingSize = size;
        }
        jack_midi_data_t* room = jack_midi_event_reserve(buffer, 0, out->pendingSize);
        if (room == nullptr) break;  // the port's buffer is full: the rest goes next cycle
        out->ring.getBlock(room, out->pendingSize);
        out->pendingSize = 0;
      }
    }
    gate_.leave();
    if (arrived) sem_post(&wake_);
  }

  static void registrationThunk(jack_port_id_t id, int, void* self) {
    static_cast<JackMidiTransport*>(self)->portRegistered(id);
  }

  void portRegistered(jack_port_id_t id) {
    jack_port_t* port = jack_port_by_id(client_, id);
    if (port != nullptr) {
      if (jack_port_is_mine(client_, port)) return;
      const char* type = jack_port_type(port);
      if (type != nullptr && std::strcmp(type, JACK_DEFAULT_MIDI_TYPE) != 0) return;
    }
    std::function<void()> changed;
    {
      std::lock_guard<std::mutex> guard(changedLock_);
      changed = changed_;
    }
    if (changed) changed();
  }

  static void shutdownThunk(void* self) { static_cast<JackMidiTransport*>(self)->gone_.store(true); }

  void readLoop() {
    platformSetCurrentThreadName("MIDI-jack");
    unsigned char data[kMaxEventBytes];
    while (!stopping_.load()) {
      timespec until{};
      clock_gettime(CLOCK_REALTIME, &until);
      until.tv_nsec += 100 * 1000 * 1000;
      if (until.tv_nsec >= 1000000000) {
        until.tv_nsec -= 1000000000;
        until.tv_sec += 1;
      }
      while (sem_timedwait(&wake_, &until) != 0 && errno == EINTR) {
      }
      std::lock_guard<std::mutex> reading(readLock_);
      for (auto& slot : ins_) {
        InSlot* in = slot.load(std::memory_order_seq_cst);
        if (in == nullptr) continue;
        uint16_t size = 0;
        while (in->ring.getBlock(&size, 2)) {
          in->ring.getBlock(data, size);
          if (in->bytes) in->bytes(data, size, 0);
        }
        const uint32_t dropped = in->dropped.exchange(0, std::memory_order_relaxed);
        if (dropped > 0) ZRLOG("JACK MIDI: %u input events dropped (too long or too many)", dropped);
      }
    }
  }

  jack_client_t* client_;
  std::atomic<InSlot*> ins_[kSlots];
  std::atomic<OutSlot*> outs_[kSlots];
  ZRAudioReaderGate gate_;
  std::mutex openLock_;
  std::mutex readLock_;
  std::mutex changedLock_;
  std::function<void()> changed_;
  sem_t wake_;
  std::thread reader_;
  std::atomic<bool> stopping_{false};
  std::atomic<bool> gone_{false};
  int portCounter_ = 0;
};

JackInput::~JackInput() {
  owner_.closeInput(slot_);
}

JackOutput::~JackOutput() {
  owner_.closeOutput(slot_);
}

bool JackOutput::send(const unsigned char* bytes, int size) {
  return owner_.send(slot_, bytes, size);
}

}  // namespace

std::shared_ptr<ZRMidiTransport> openJackMidiTransport() {
  jack_set_error_function(&quietJack);
  jack_set_info_function(&quietJack);
  jack_status_t status;
  jack_client_t* client = jack_client_open("Orvel MIDI", JackNoStartServer, &status);
  if (client == nullptr) return nullptr;
  auto transport = std::make_shared<JackMidiTransport>(client);
  if (!transport->activate()) {
    ZRLOG("JACK MIDI: the client does not start; no JACK MIDI");
    return nullptr;
  }
  ZRLOG("JACK MIDI: connected as '%s'", jack_get_client_name(client));
  return transport;
}
