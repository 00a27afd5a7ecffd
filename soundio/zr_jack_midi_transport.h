#pragma once
// JACK MIDI as a MIDI transport: a JACK client of the program ("Orvel MIDI") with one JACK MIDI port of its
// own per open input or output, connected to the other program's port. The sources are the other clients'
// MIDI output ports, the destinations their MIDI input ports; names are the ports' short names. JACK MIDI
// has no USB ids.
//
// Threads: JACK's process thread moves the bytes between the ports and two lock-free rings per port (no
// allocation, lock or log there); a reader thread of the transport hands the bytes that arrived to the
// inputs' byte functions. Closing an input waits for the process thread and the reader to let go of it.
// Port changes of other clients are announced on JACK's notification thread.

#include <memory>

#include "soundio/zr_midi_transport.h"

// A transport on the JACK server this process reaches (JACK_DEFAULT_SERVER); null when no server runs (the
// server is never started for it).
std::shared_ptr<ZRMidiTransport> openJackMidiTransport();
