#pragma once
// The road of MIDI input to the GUI tick: the MIDI thread queues each message (PutMidiData), the GUI tick
// drains the queue on the render thread (processMidiQueue) and hands every message meant for the shortcut
// tables to GUISynched_MIDICallback (zr_midi_shortcuts.h).
//
// The queue is lock-free and bounded: while the render thread stalls, at most kMidiQueueCapacity messages
// wait; a message arriving at a full queue pushes the oldest one out, and the drops are counted (and logged
// by the next drain).
//
// Threads: PutMidiData on any thread (MIDI threads); processMidiQueue on the render thread (one consumer).

#include <cstdint>

// One queued MIDI input.
struct TMIDIQueueMessage {
  void* controller = nullptr;  // null for input that goes to the shortcut tables
  int kind = -1;               // -1 a MIDI message, -128 the MIDI setup has changed
  int status = 0;              // the status byte without the channel bits (0x80, 0x90, 0xB0 ...)
  int channel = 0;             // 0..15
  int number = -1;             // first data byte, -1 when absent
  int value = -1;              // second data byte, -1 when absent
  int extra = 0;               // the message's time offset in milliseconds
  int spare = -1;              // always -1
};

inline constexpr int kMidiQueueCapacity = 1024;
inline constexpr int kMidiKindMessage = -1;
inline constexpr int kMidiKindSetupChanged = -128;

// Queues one record; false only when the queue has no memory for it. Takes no lock.
bool PutMidiData(void* controller, int kind, int status, int channel, int number, int value, int extra);
// Runs every queued record on the calling thread (the render thread's GUI tick): MIDI messages without a
// controller go to GUISynched_MIDICallback, a setup change makes the controllers reconnect; then the
// controllers' own queue is drained (processControllerMidiQueue). Returns the number run.
int processMidiQueue();
// The next queued record, oldest first; false when the queue is empty (the consumer's side).
bool takeQueuedMidiMessage(TMIDIQueueMessage& message);
// Messages pushed out of a full queue since the program started.
uint64_t getMidiQueueDrops();
// Empties the queue (shut-down, tests).
void clearMidiQueue();
