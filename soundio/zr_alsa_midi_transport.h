#pragma once
// The ALSA sequencer as a MIDI transport: one sequencer client of the program ("Orvel") with an input port
// "InPort" that every open input's source is connected to, and an output port "OutPort" that sends to a
// destination directly. Sources are the other clients' readable ports, destinations their writable ones
// (the system client's timer and announcements are not MIDI); names are the ports' names and a port of a
// USB sound card carries the card's USB ids (sound_card_usb_ids.h). A machine without a sequencer (no
// /dev/snd/seq) has none: openAlsaMidiTransport answers null and says so once in the log.
//
// Threads: a reader thread of the transport waits on the sequencer and a stop signal, turns each event
// back into MIDI bytes and hands them to the input of its source; ports appearing or going away are
// announced from there too. Closing an input waits for a delivery to it in flight.

#include <memory>

#include "soundio/zr_midi_transport.h"

std::shared_ptr<ZRMidiTransport> openAlsaMidiTransport();
