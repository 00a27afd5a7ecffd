#pragma once
// The sampler's eight slots as the skin shows them: pads that play, stop and reload a slot, its loop, sync,
// headphone and record switches, its volume, pitch and filter, the sample length in beats, a deck's loop
// sent into a slot, the load box, and the bank (sampler.xml) that keeps the slots from one run to the
// next. Slot n (0..7) is Sampler[n]; its controls are the actions ACT_sampler1_... + n, and every slot
// action takes the slot as its param. A missing player makes a slot's actions do nothing.
//
// A bank slot whose file did not load keeps its line: the slot stays empty and shows "error", and the next
// save writes the same file, beats, sync, loop, pitch and volume back, so a sound on a disk that is not
// mounted today is not lost from the bank.
//
// Threads: the main thread or the render thread (pads from MIDI and scripts, the GUI tick stopping a
// recording); the slots take their settings at their next buffer. The load box and the recording question
// are shown on the main thread by the installed dialogs (actions_dj/action_dialogs.h), and their answers
// come back there. The shell calls LoadSamplerBanks and SaveSamplerBanks while no action runs elsewhere
// on the slots.

#include "common/zr_string.h"

class ZRDrawNode;
class ZRSamplerPlayer;

// The slot samplerLoadAudioAndSetDetails is loading, -1 otherwise.
extern int loadingSamplerNo;
// Where the slots' recordings go (the Samples folder); set by the shell before the actions run.
extern ZRString samplerRecordingFolder;

// Sampler[slot] for slot 0..7, else null.
ZRSamplerPlayer* samplerAt(int slot);
// The mixer channel of a slot: after the decks, the preview player and the filler player.
int samplerChannelIndex(int slot);

// The beats list: item 0 "select", items 1..7 are 1, 2, 4 ... 64 beats.
int samplerBeatsItem(int beats);
int samplerItemBeats(int item);
// The pitch slider's text: "0 %" for 0; a positive value slows the slot down and reads as a minus.
ZRString samplerPitchText(int value);
// The filter knob (-63..63) as a cut-off: low-pass below 0, high-pass above, off (-1 Hz, low-pass) at 0.
float samplerFilterFrequency(int value, bool* lowPass);
// A deck's loop as a sample: L frames and s sixty-fourths of a beat give the sample's frames (the loop
// repeated to about one beat when it is shorter) and its length in beats. A loop whose beat size is not
// known (s 0 or less) is taken unchanged with no beats.
struct ZRSamplerLoopPlan {
  int frames = 0, repeats = 0, beats = 0;
};
ZRSamplerLoopPlan samplerLoopPlan(int loopFrames, int sixtyfourths);

// Loads a slot from buffer (frames stereo frames; a loop from a deck) or, without buffer, from the file at
// path, and sets all its controls: name ("loop", the file's name, or "error"), beats, position 0, volume
// and pitch (kept within their ranges), rec off, loop and sync.
void samplerLoadAudioAndSetDetails(int slot, const ZRString& path, const float* buffer, int frames,
                                   int volume, int pitch, int beats, bool autoSync, bool loop);

// A file dropped on a slot, or a library track by its id: loads the slot as the load box does (full volume,
// no pitch, no beats, one shot). A slot that is recording keeps recording and loads nothing. False when
// nothing was loaded (no player, recording, a track not in the library, a file that does not open).
bool samplerLoadDroppedFile(int slot, const ZRString& path);
bool samplerLoadTrackId(int slot, int trackId);

// Reads the bank at path (prefix in front of its file names) into the slots; false when nothing was read
// (a missing bank; an unreadable one is moved aside first).
bool LoadSamplerBanks(const ZRString& path, const ZRString& prefix);
// Writes the slots that hold a file, and the bank lines of slots whose file failed, to path.
bool SaveSamplerBanks(const ZRString& path);

void OnButtonPress_SamplerPlayNew(int value, int param, int deck, ZRDrawNode* node);
void OnButtonRelease_SamplerPlayNew(int value, int param, int deck, ZRDrawNode* node);
void OnButtonRightPress_SamplerPlayNew(int value, int param, int deck, ZRDrawNode* node);
// Does nothing: a right release ends nothing a right press started.
void OnButtonRightRelease_SamplerPlayNew(int value, int param, int deck, ZRDrawNode* node);
// Does nothing: the position slider only shows where the slot plays.
void OnSliderTrack_SamplerPos(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_SamplerPlay(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_SamplerStop(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_SamplerLoop(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_SamplerLoad(int value, int param, int deck, ZRDrawNode* node);
void OnButtonRelease_SamplerRec(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_SamplerSync(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_SamplerMonitor(int value, int param, int deck, ZRDrawNode* node);
void OnButtonPress_SamplerBpmValue(int value, int param, int deck, ZRDrawNode* node);
void OnSliderChange_SamplerVolume(int value, int param, int deck, ZRDrawNode* node);
void OnSliderChange_SamplerMasterVolume(int value, int param, int deck, ZRDrawNode* node);
void OnSliderChange_SamplerPitch(int value, int param, int deck, ZRDrawNode* node);
void OnSliderChange_SamplerFilter(int value, int param, int deck, ZRDrawNode* node);
// Does nothing: the list has no choice of its own.
void OnDropdownChange_Sampler(int value, int param, int deck, ZRDrawNode* node);
void OnDropdownChange_SamplerBeats(int value, int param, int deck, ZRDrawNode* node);
// value: the item of a deck's "send loop to" list (1..8 the slots).
void FSendLoopToOnChange(int value, int param, int deck, ZRDrawNode* node);
