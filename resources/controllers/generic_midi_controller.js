// A generic class-compliant MIDI controller: a two-deck layout on MIDI channels 1 (deck A) and 2 (deck B).
// Rename your device's ports to "Generic MIDI Controller" (or copy this file into your Controllers folder
// and change the names below) to use it.
//
//   notes (either channel): 16 play/pause, 17 cue (held), 18 sync
//   control changes: 1 pitch, 2 EQ low, 3 EQ mid, 4 EQ high, 7 volume; on channel 1 also 8 crossfader
//   LEDs: the play, cue and sync notes are sent back with velocity 127 (on) or 0 (off)

var NOTE_PLAY = 16;
var NOTE_CUE = 17;
var NOTE_SYNC = 18;
var CC_PITCH = 1;
var CC_EQ_LOW = 2;
var CC_EQ_MID = 3;
var CC_EQ_HIGH = 4;
var CC_VOLUME = 7;
var CC_CROSSFADER = 8;

function getLanguageVersion() { return 1; }
function getFileVersion() { return 1; }
function getControllerUserFriendlyName() { return "Generic MIDI Controller"; }
function getControllerType() { return "midi"; }
function getSupportedMidiDeviceNameForInput(n) { return "Generic MIDI Controller"; }
function getSupportedMidiDeviceNameForOutput(n) { return "Generic MIDI Controller"; }

function controllerInit(id) {
  // Light the LEDs from the decks' present state.
  callSendAllNotifications(id, 1);
}

function controllerDeinit(id) {
  for (var deck = 0; deck < 2; deck++) {
    sendMidi(id, 0x90, deck, NOTE_PLAY, 0);
    sendMidi(id, 0x90, deck, NOTE_CUE, 0);
    sendMidi(id, 0x90, deck, NOTE_SYNC, 0);
  }
}

function messageReceived(id, status, channel, data1, data2) {
  if (channel > 1) return;
  var deck = channel;
  if (status == 0x90 || status == 0x80) {
    var down = status == 0x90 && data2 > 0;
    if (data1 == NOTE_PLAY && down) call("deckPlayPause", deck);
    else if (data1 == NOTE_CUE) call("deckCue", deck, down ? 127 : 0);
    else if (data1 == NOTE_SYNC && down) call("deckSync", deck);
    return;
  }
  if (status != 0xB0) return;
  if (data1 == CC_PITCH) call("setDeckPitch", deck, data2);
  else if (data1 == CC_EQ_LOW) call("setDeckEqLow", deck, data2);
  else if (data1 == CC_EQ_MID) call("setDeckEqMid", deck, data2);
  else if (data1 == CC_EQ_HIGH) call("setDeckEqHigh", deck, data2);
  else if (data1 == CC_VOLUME) call("setDeckVolume", deck, data2);
  else if (data1 == CC_CROSSFADER && channel == 0) call("setCrossfader", data2);
}

function notificationReceived(id, name, deck, value, doubleValue, text) {
  if (deck < 0 || deck > 1) return;
  var note = name == "play" ? NOTE_PLAY : name == "cue" ? NOTE_CUE : -1;
  if (note < 0) return;
  sendMidi(id, 0x90, deck, note, value ? 127 : 0);
}

function timerTick(id) {}
