// MIDI bytes from a device: the first byte chooses how the rest is split into packets (as a transport may
// hand them over in any pieces), the parser turns them into messages and SysEx messages. Every message
// must have a status 0x80..0xF0, a channel 0..15 and data bytes -1..127; every SysEx message starts with
// F0, ends with F7 and fits the limit.

#include <cstdint>

#include "fuzz_support.h"
#include "soundio/zr_midi_byte_parser.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const int piece = 1 + data[0] % 17;
  const int limit = 64;
  ZRMidiByteParser parser(limit);
  auto onMessage = [](int status, int channel, int d1, int d2, int) {
    orvel_fuzz::fuzzCheck(status >= 0x80 && status <= 0xF0 && (status & 0x0F) == 0, "message status");
    orvel_fuzz::fuzzCheck(channel >= 0 && channel <= 15, "message channel");
    orvel_fuzz::fuzzCheck(d1 >= -1 && d1 <= 127 && d2 >= -1 && d2 <= 127, "message data");
  };
  auto onSysex = [&](const unsigned char* bytes, int length) {
    orvel_fuzz::fuzzCheck(length >= 2 && length <= limit, "sysex length");
    orvel_fuzz::fuzzCheck(bytes[0] == 0xF0 && bytes[length - 1] == 0xF7, "sysex frame");
  };
  for (size_t at = 1; at < size; at += static_cast<size_t>(piece)) {
    const size_t n = size - at < static_cast<size_t>(piece) ? size - at : static_cast<size_t>(piece);
    parser.feed(data + at, static_cast<int>(n), 0, onMessage, onSysex);
  }
  return 0;
}
