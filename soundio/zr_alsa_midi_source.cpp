#include "soundio/zr_alsa_midi_source.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "common/zr_logging.h"
#include "platform/thread_name.h"
#include "soundio/alsa_messages.h"

namespace {

constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;

class AlsaMidiSource : public ZRMidiSource {
 public:
  AlsaMidiSource(snd_seq_t* seq, int port) : seq_(seq), port_(port), stopFd_(eventfd(0, EFD_CLOEXEC)) {}
  ~AlsaMidiSource() override {
    stop();
    if (stopFd_ >= 0) close(stopFd_);
    snd_seq_close(seq_);
  }

  bool start(Sink sink) override {
    if (thread_.joinable()) return false;
    if (stopFd_ < 0) {
      ZRLOG("MIDI: cannot make the stop signal of the MIDI thread (%s)", strerror(errno));
      return false;
    }
    sink_ = std::move(sink);
    connectAllReadablePorts();
    thread_ = std::thread([this] { run(); });
    return true;
  }

  void stop() override {
    if (!thread_.joinable()) return;
    const uint64_t one = 1;
    if (write(stopFd_, &one, sizeof one) != static_cast<ssize_t>(sizeof one)) {
      ZRLOG("MIDI: cannot signal the MIDI thread to stop (%s)", strerror(errno));
    }
    thread_.join();
    uint64_t drained = 0;
    if (read(stopFd_, &drained, sizeof drained) < 0 && errno != EAGAIN) {
      ZRLOG("MIDI: stop signal not read back (%s)", strerror(errno));
    }
    sink_ = Sink();
  }

 private:
  // Connects one port of another client to ours when it can be read from (devices and other programs'
  // outputs; the system client's timer and announcements are not MIDI).
  void connectIfReadable(int client, int port, unsigned capability) {
    if (client == snd_seq_client_id(seq_) || client == SND_SEQ_CLIENT_SYSTEM) return;
    if ((capability & kReadable) != kReadable || (capability & SND_SEQ_PORT_CAP_NO_EXPORT) != 0) return;
    const int result = snd_seq_connect_from(seq_, port_, client, port);
    if (result < 0 && result != -EBUSY) {
      ZRLOG("MIDI: cannot listen to port %d:%d (%s)", client, port, snd_strerror(result));
    }
  }

  void connectAllReadablePorts() {
    snd_seq_client_info_t* clientInfo;
    snd_seq_port_info_t* portInfo;
    snd_seq_client_info_alloca(&clientInfo);
    snd_seq_port_info_alloca(&portInfo);
    snd_seq_client_info_set_client(clientInfo, -1);
    while (snd_seq_query_next_client(seq_, clientInfo) >= 0) {
      const int client = snd_seq_client_info_get_client(clientInfo);
      snd_seq_port_info_set_client(portInfo, client);
      snd_seq_port_info_set_port(portInfo, -1);
      while (snd_seq_query_next_port(seq_, portInfo) >= 0) {
        connectIfReadable(client, snd_seq_port_info_get_port(portInfo),
                          snd_seq_port_info_get_capability(portInfo));
      }
    }
  }

  void portStarted(const snd_seq_addr_t& address) {
    snd_seq_port_info_t* portInfo;
    snd_seq_port_info_alloca(&portInfo);
    if (snd_seq_get_any_port_info(seq_, address.client, address.port, portInfo) >= 0) {
      connectIfReadable(address.client, address.port, snd_seq_port_info_get_capability(portInfo));
    }
  }

  void handle(const snd_seq_event_t& event) {
    switch (event.type) {
      case SND_SEQ_EVENT_PORT_START:
        portStarted(event.data.addr);
        if (sink_.setupChanged) sink_.setupChanged();
        return;
      case SND_SEQ_EVENT_PORT_EXIT:
        if (sink_.setupChanged) sink_.setupChanged();
        return;
      default:
        break;
    }
    ZRMidiMessage message;
    if (alsaEventToMidiMessage(&event, message) && sink_.message) sink_.message(message);
  }

  void run() {
    platformSetCurrentThreadName("MIDI-alsa");
    const int count = snd_seq_poll_descriptors_count(seq_, POLLIN);
    std::vector<pollfd> fds(static_cast<size_t>(count) + 1);
    fds[0] = {stopFd_, POLLIN, 0};
    snd_seq_poll_descriptors(seq_, fds.data() + 1, static_cast<unsigned>(count), POLLIN);
    while (true) {
      if (poll(fds.data(), fds.size(), -1) < 0) {
        if (errno == EINTR) continue;
        ZRLOG("MIDI: waiting for input failed (%s); MIDI input ends", strerror(errno));
        return;
      }
      if (fds[0].revents != 0) return;
      // Everything that arrived, then wait again.
      while (true) {
        snd_seq_event_t* event = nullptr;
        const int result = snd_seq_event_input(seq_, &event);
        if (result == -EAGAIN || result == -EINTR) break;
        if (result == -ENOSPC) {
          ZRLOG("MIDI: input overran the sequencer's buffer; messages were lost");
          continue;
        }
        if (result < 0 || event == nullptr) break;
        handle(*event);
      }
    }
  }

  snd_seq_t* seq_;
  int port_;
  int stopFd_;
  Sink sink_;
  std::thread thread_;
};

}  // namespace

bool alsaEventToMidiMessage(const void* opaque, ZRMidiMessage& message) {
  const auto& event = *static_cast<const snd_seq_event_t*>(opaque);
  message = ZRMidiMessage();
  const snd_seq_ev_note_t& note = event.data.note;
  const snd_seq_ev_ctrl_t& control = event.data.control;
  switch (event.type) {
    case SND_SEQ_EVENT_NOTEON:
    case SND_SEQ_EVENT_NOTEOFF:
    case SND_SEQ_EVENT_KEYPRESS:
      message.status = event.type == SND_SEQ_EVENT_NOTEON    ? 0x90
                       : event.type == SND_SEQ_EVENT_NOTEOFF ? 0x80
                                                             : 0xA0;
      message.channel = note.channel & 0x0F;
      message.number = note.note & 0x7F;
      message.value = note.velocity & 0x7F;
      return true;
    case SND_SEQ_EVENT_CONTROLLER:
      message.status = 0xB0;
      message.channel = control.channel & 0x0F;
      message.number = static_cast<int>(control.param & 0x7F);
      message.value = control.value & 0x7F;
      return true;
    case SND_SEQ_EVENT_PGMCHANGE:
    case SND_SEQ_EVENT_CHANPRESS:
      message.status = event.type == SND_SEQ_EVENT_PGMCHANGE ? 0xC0 : 0xD0;
      message.channel = control.channel & 0x0F;
      message.number = control.value & 0x7F;
      return true;
    case SND_SEQ_EVENT_PITCHBEND: {
      // The sequencer centres pitch bend on 0 (-8192..8191); the message carries 0..16383 in two bytes.
      const int bend = control.value < -8192 ? 0 : control.value > 8191 ? 16383 : control.value + 8192;
      message.status = 0xE0;
      message.channel = control.channel & 0x0F;
      message.number = bend & 0x7F;
      message.value = bend >> 7;
      return true;
    }
    default:
      return false;
  }
}

std::unique_ptr<ZRMidiSource> openAlsaMidiSource() {
  static std::atomic<bool> reported{false};
  quietAlsaErrorMessages();
  snd_seq_t* seq = nullptr;
  int result = snd_seq_open(&seq, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
  if (result < 0) {
    if (!reported.exchange(true)) {
      ZRLOG("MIDI: no ALSA sequencer (%s): no MIDI input", snd_strerror(result));
    }
    return nullptr;
  }
  snd_seq_set_client_name(seq, "Orvel");
  const int port =
      snd_seq_create_simple_port(seq, "MIDI In", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                 SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
  if (port < 0) {
    ZRLOG("MIDI: cannot create the input port (%s): no MIDI input", snd_strerror(port));
    snd_seq_close(seq);
    return nullptr;
  }
  // Ports that appear later are connected as they are announced.
  result = snd_seq_connect_from(seq, port, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
  if (result < 0) ZRLOG("MIDI: devices plugged in later will not be heard (%s)", snd_strerror(result));
  return std::make_unique<AlsaMidiSource>(seq, port);
}
