#pragma once
// Recording the master output to a file the user chooses: the record buttons start (with a save box) and
// stop the recorder of the sound output, and show only its state: a start the recorder refuses leaves
// both buttons off. The file's extension picks the format: WAV, AIFF or MP3 (while the encoder library is
// loaded); a name with none of these gets ".aif".
//
// Action form (value, param, deck, node); a call from code (node null: the main-thread message that
// toggles recording, a controller script) takes the record switch's current state as its value.
// Threads: the main thread, or the render thread for MIDI and scripts; the save box is shown on the main
// thread (posted there), and the recording starts there once a file was chosen.

#include "common/zr_string.h"

class ZRDrawNode;

// The path the recording is written to: path itself when its file name ends in ".wav", ".aif", ".aiff"
// or ".mp3" (any case), else path + ".aif". Only the file name counts, never a folder's name.
ZRString recordingPathWithExtension(const ZRString& path);

void FRecording(int value, int param, int deck, ZRDrawNode* node);
// The record button: as FRecording with the button as the node.
void FRecordingChooseType(int value, int param, int deck, ZRDrawNode* node);
