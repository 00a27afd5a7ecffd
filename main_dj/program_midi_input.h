#pragma once
// The running program's MIDI input: at start-up the MIDI port tables are filled (ALSA sequencer and JACK
// MIDI) and every input is opened, its messages queued for the GUI tick, which hands them to the learned
// MIDI shortcuts. When devices come or go the tick rebuilds the tables and opens the inputs again.
//
// Threads: startProgramMidiInput and stopProgramMidiInput on the main thread; reopenProgramMidiInputs on
// the render thread (the GUI tick's MIDI queue drain); the inputs' callbacks on the transports' threads
// (they only queue). The set of open inputs is guarded by its own lock.

// Fills the port tables and opens every input. Calling it again does nothing until stopped.
void startProgramMidiInput();
// Rebuilds the tables (keeping the transports) and opens every input again.
void reopenProgramMidiInputs();
// Closes every input and lets go of the transports.
void stopProgramMidiInput();
// Inputs open now (tests).
int programMidiInputsOpen();
