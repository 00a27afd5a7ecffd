#pragma once
// MIDI input through the ALSA sequencer: one input port of the application ("Orvel" / "MIDI In") that
// every readable port of the other sequencer clients is connected to, now and whenever one appears. A
// machine without a sequencer (no /dev/snd/seq) has no MIDI: openAlsaMidiSource answers null and says so
// once in the log.
//
// Threads: as ZRMidiSource. The MIDI thread waits on the sequencer and on a stop signal together, so stop
// returns at once.

#include <memory>

#include "soundio/zr_midi_source.h"

// The ALSA sequencer as a MIDI source; null (one log line per process) when there is no sequencer.
std::unique_ptr<ZRMidiSource> openAlsaMidiSource();

// The channel message of a sequencer event (the opaque pointer is an snd_seq_event_t); false for events
// that are no channel message (clock, system exclusive, port announcements ...).
bool alsaEventToMidiMessage(const void* event, ZRMidiMessage& message);
