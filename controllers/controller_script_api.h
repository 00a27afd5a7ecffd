#pragma once
// The native functions controller scripts and the skin's script call: "call" (the call table), "callNode",
// "debug"/"alert", "sendMidi", "sendMidiSysEx", "sendHid", "getValue", "getValueUTF16",
// "callSendAllNotifications", "getId", "getSetting", "setSetting", "setAudioDevice", "setColorTable",
// "getNearestColorInTable", "testArraysDebug", and the HID page functions.
//
// Every argument is bounded: a controller id outside 0..15 or of a free slot does nothing, byte arrays
// hold at most 256 bytes (longer ones are refused), texts are cut at 1023 bytes, a deck above 1 reads
// nothing. Scripts may read and write only the settings of kScriptSettings (no paths, device names or
// passwords); writes and the audio-device choice apply on the main thread.
//
// Threads: the thread that calls into the script (the render thread's tick; the main thread at start-up
// and shut-down), under the controllers' lock.

class ZRControllerScript;
class ZRJavaScript;

// Defines the controller functions in a freshly made engine of script.
void defineFunctionCallback(ZRControllerScript* script);
// Defines the skin script's smaller set.
void defineSkinScriptFunctions(ZRJavaScript& js);

// Whether scripts may read or write the setting key.
bool scriptMayUseSetting(const char* key, bool write);
