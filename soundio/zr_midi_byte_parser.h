#pragma once
// MIDI bytes as they come off a wire or a port, turned into messages: channel messages with running
// status, system common and real-time messages, and whole SysEx messages. A transport may hand over the
// bytes in any pieces (one message split over several packets, several messages in one packet, a 2-byte
// message followed by a 3-byte one); the parser keeps its state between calls.
//
// - Real-time bytes (F8..FF) are messages of their own wherever they occur, also inside a SysEx message or
//   between a status byte and its data, which they leave untouched.
// - A channel status byte (80..EF) stays the running status: data bytes that follow without a status byte
//   form further messages of the same kind. System common (F1..F6) clears it.
// - A SysEx message runs from F0 to F7 and is delivered whole, F0 and F7 included. Any other status byte
//   ends it unfinished: the unfinished message is dropped (and counted), the status byte counts. A message
//   longer than the limit is dropped whole (and counted), not cut.
// - Data bytes with no status to belong to are ignored.
//
// A message is delivered as status (high nibble: 0x80..0xF0), channel (low nibble; for system messages
// the rest of the status byte, F8 giving 0xF0 and 8) and its data bytes, -1 for data a message has not.
//
// Threads: one parser belongs to one input; feed is called by one thread at a time (the input's thread).

#include <cstdint>
#include <functional>
#include <vector>

class ZRMidiByteParser {
 public:
  static constexpr int kDefaultMaxSysexBytes = 32768;

  using MessageFn = std::function<void(int status, int channel, int data1, int data2, int offsetMs)>;
  using SysexFn = std::function<void(const unsigned char* data, int size)>;

  explicit ZRMidiByteParser(int maxSysexBytes = kDefaultMaxSysexBytes);

  // Parses size bytes; complete messages go to onMessage (with offsetMs) and onSysex, in stream order.
  void feed(const unsigned char* bytes, int size, int offsetMs, const MessageFn& onMessage,
            const SysexFn& onSysex);
  // Forgets running status and any SysEx in progress (a port reconnected).
  void reset();

  // SysEx messages dropped so far: unfinished (ended by a status byte) or over the limit.
  uint64_t droppedSysex() const { return droppedSysex_; }

 private:
  void statusByte(unsigned char byte, int offsetMs, const MessageFn& onMessage);
  void dropSysex();

  const int maxSysexBytes_;
  int status_ = 0;  // the status byte whose data is collected (running status for channel messages), 0 none
  int needed_ = 0;  // its data bytes
  int have_ = 0;
  int data_[2] = {-1, -1};
  bool inSysex_ = false;
  bool sysexTooLong_ = false;
  std::vector<unsigned char> sysex_;
  uint64_t droppedSysex_ = 0;
};

// The number of data bytes that follow a status byte (0 for real-time, F6, undefined and F0/F7).
int midiDataBytesOfStatus(int statusByte);
