#pragma once
// Where MIDI input comes from: a source receives the channel messages of the MIDI devices it listens to
// and hands each one to its sink on a thread of its own (the MIDI thread), in the order received. Two
// sources exist: the ALSA sequencer (zr_alsa_midi_source.h) and an in-memory one for tests
// (zr_memory_midi_source.h).
//
// Threads: start and stop are called on one thread (the main thread); the sink runs on the source's MIDI
// thread and must return quickly (it queues, see the shortcut MIDI queue of the shell). stop returns once
// the MIDI thread has let go of the sink; a source is stopped before it is destroyed.

#include <functional>

// One channel message. Data bytes a message does not have are -1.
struct ZRMidiMessage {
  int status = 0;    // the status byte with the channel bits cleared: 0x80, 0x90, 0xA0 ... 0xE0
  int channel = 0;   // 0..15
  int number = -1;   // first data byte (note, controller, program, pitch-bend low 7 bits)
  int value = -1;    // second data byte (velocity, controller value, pitch-bend high 7 bits)
  int offsetMs = 0;  // the message's time offset in milliseconds within what the device delivered at once
};

class ZRMidiSource {
 public:
  struct Sink {
    std::function<void(const ZRMidiMessage& message)> message;
    // MIDI devices appeared or went away.
    std::function<void()> setupChanged;
  };

  virtual ~ZRMidiSource() = default;
  ZRMidiSource() = default;
  ZRMidiSource(const ZRMidiSource&) = delete;
  ZRMidiSource& operator=(const ZRMidiSource&) = delete;

  // Starts the MIDI thread delivering to sink; false (with a log line) when it cannot. A started source
  // must be stopped before it is started again.
  virtual bool start(Sink sink) = 0;
  // Ends delivery: no sink call is made after it returns. Does nothing when not started.
  virtual void stop() = 0;
};
