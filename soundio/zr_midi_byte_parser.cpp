#include "soundio/zr_midi_byte_parser.h"

#include <algorithm>

int midiDataBytesOfStatus(int statusByte) {
  if (statusByte < 0x80 || statusByte > 0xFF) return 0;
  if (statusByte < 0xF0) {
    const int kind = statusByte & 0xF0;
    return kind == 0xC0 || kind == 0xD0 ? 1 : 2;
  }
  switch (statusByte) {
    case 0xF1:
    case 0xF3:
      return 1;
    case 0xF2:
      return 2;
    default:
      return 0;
  }
}

ZRMidiByteParser::ZRMidiByteParser(int maxSysexBytes) : maxSysexBytes_(std::max(2, maxSysexBytes)) {
  // Reserved once: a long message is collected without allocating on every byte.
  sysex_.reserve(static_cast<size_t>(std::min(maxSysexBytes_, 4096)));
}

void ZRMidiByteParser::reset() {
  status_ = 0;
  needed_ = have_ = 0;
  inSysex_ = false;
  sysexTooLong_ = false;
  sysex_.clear();
}

void ZRMidiByteParser::dropSysex() {
  inSysex_ = false;
  sysexTooLong_ = false;
  sysex_.clear();
  ++droppedSysex_;
}

void ZRMidiByteParser::statusByte(unsigned char byte, int offsetMs, const MessageFn& onMessage) {
  const int needed = midiDataBytesOfStatus(byte);
  have_ = 0;
  data_[0] = data_[1] = -1;
  if (needed == 0) {
    // F4, F5 and F6 carry nothing; running status ends with any system common byte.
    status_ = 0;
    if (onMessage) onMessage(0xF0, byte & 0x0F, -1, -1, offsetMs);
    return;
  }
  status_ = byte;
  needed_ = needed;
}

void ZRMidiByteParser::feed(const unsigned char* bytes, int size, int offsetMs, const MessageFn& onMessage,
                            const SysexFn& onSysex) {
  if (bytes == nullptr) return;
  for (int i = 0; i < size; ++i) {
    const unsigned char byte = bytes[i];
    if (byte >= 0xF8) {
      if (onMessage) onMessage(0xF0, byte & 0x0F, -1, -1, offsetMs);
      continue;
    }
    if (byte == 0xF0) {
      if (inSysex_) dropSysex();
      status_ = 0;
      inSysex_ = true;
      sysexTooLong_ = false;
      sysex_.clear();
      sysex_.push_back(byte);
      continue;
    }
    if (byte == 0xF7) {
      if (!inSysex_) continue;  // a stray end byte
      if (sysexTooLong_ || static_cast<int>(sysex_.size()) >= maxSysexBytes_) {
        dropSysex();
        continue;
      }
      sysex_.push_back(byte);
      inSysex_ = false;
      if (onSysex) onSysex(sysex_.data(), static_cast<int>(sysex_.size()));
      sysex_.clear();
      continue;
    }
    if (byte >= 0x80) {
      if (inSysex_) dropSysex();
      statusByte(byte, offsetMs, onMessage);
      continue;
    }
    if (inSysex_) {
      // One byte stays free for the closing F7.
      if (static_cast<int>(sysex_.size()) < maxSysexBytes_ - 1) {
        sysex_.push_back(byte);
      } else {
        sysexTooLong_ = true;
      }
      continue;
    }
    if (status_ == 0) continue;
    data_[have_++] = byte;
    if (have_ < needed_) continue;
    const int status = status_;
    const int d1 = data_[0];
    const int d2 = needed_ == 2 ? data_[1] : -1;
    have_ = 0;
    data_[0] = data_[1] = -1;
    if (status >= 0xF0) status_ = 0;  // system common has no running status
    if (onMessage) onMessage(status & 0xF0, status & 0x0F, d1, d2, offsetMs);
  }
}
