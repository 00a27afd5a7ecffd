#pragma once
// A MIDI source without devices: messages sent to it come out of its own MIDI thread, as a device's
// would. Tests and the benchmarks drive the shell's MIDI path with it.
//
// Threads: send and announceSetupChange may be called from any thread; delivery is on the source's thread.

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

#include "soundio/zr_midi_source.h"

class ZRMemoryMidiSource : public ZRMidiSource {
 public:
  ZRMemoryMidiSource() = default;
  ~ZRMemoryMidiSource() override;

  bool start(Sink sink) override;
  void stop() override;

  // Queues a message for delivery; dropped when the source is not started.
  void send(const ZRMidiMessage& message);
  // Queues a "devices changed" notice.
  void announceSetupChange();
  // Waits (at most timeoutMs) until everything sent so far has been handed to the sink; false on time-out.
  bool waitUntilDelivered(int timeoutMs);

 private:
  struct Item {
    bool setupChange = false;
    ZRMidiMessage message;
  };
  void run();

  std::mutex lock_;
  std::condition_variable wake_;
  std::condition_variable delivered_;
  std::deque<Item> pending_;
  bool delivering_ = false;
  bool stopping_ = false;
  bool running_ = false;
  Sink sink_;
  std::thread thread_;
};
