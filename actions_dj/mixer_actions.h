#pragma once
// The mixer's controls: per-deck EQ with kills, gain, fader, headphone cue and crossfader side; the
// cut-off filter knob; the microphone's EQ, kills and gain; master volume, gain, balance and channel mode
// (with the karaoke modes); headphone volume, gain, cue/program mix and split; the crossfader with its
// curve, its audio and video sliders and their lock; talk-over, on-air, the limiter and the random pick.
// Each turns a control value into a mixer setting with a fixed curve and shows the result as text.
//
// Action form (value, param, deck, node); deck is bounded (anything but 0 or 1 does nothing for the
// per-deck actions). An action does nothing when the mixer or the addressed channel does not exist.
// Threads: the main thread or the render thread (MIDI, scripts, the automix moving the crossfader); the
// mixer setters store single values the audio thread takes up at its next buffer.

class ZRDrawNode;

// Band gains of the deck EQ knob (-120..120): v / 20 dB above 0 (up to +6), -0.0025 x v x v below (down to
// -36); and the position whose gain is dB (the inverse, rounded).
float deckEqCurve(int value);
int deckEqPositionForGain(float dB);
// The microphone EQ knob: v / 10 dB above 0, 3 x v / 10 below.
float micEqCurve(int value);
// The cut-off knob (-64..0) as the filter effect's dry/wet: (max(v, -63) + 64) / 127.
float cutoffDryWet(int value);
// A gain as text: "- oo" at -38 dB or lower, "%d.%d dB" below 10 dB in magnitude, "%d dB" above, with a
// "-" below -0.01 dB. out holds at least 16 bytes.
void dB_to_char(float dB, char* out);

// The crossfader lock of the audio and video crossfaders (initially on).
extern int cfg_crossfaders_locked;

void FDeck_EqLow(int value, int param, int deck, ZRDrawNode* node);
void FDeck_EqMid(int value, int param, int deck, ZRDrawNode* node);
void FDeck_EqHigh(int value, int param, int deck, ZRDrawNode* node);
void FDeck_KillLow(int value, int param, int deck, ZRDrawNode* node);
void FDeck_KillMid(int value, int param, int deck, ZRDrawNode* node);
void FDeck_KillHigh(int value, int param, int deck, ZRDrawNode* node);
void FGainDeck(int value, int param, int deck, ZRDrawNode* node);
void FFaderDeck(int value, int param, int deck, ZRDrawNode* node);
void FDeck_Cutoff(int value, int param, int deck, ZRDrawNode* node);
void FDeck_Monitor(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CFAssignToLeft(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CFAssignToThru(int value, int param, int deck, ZRDrawNode* node);
void FDeck_CFAssignToRight(int value, int param, int deck, ZRDrawNode* node);
void FMic_EqLow(int value, int param, int deck, ZRDrawNode* node);
void FMic_EqMid(int value, int param, int deck, ZRDrawNode* node);
void FMic_EqHigh(int value, int param, int deck, ZRDrawNode* node);
void FMic_KillLow(int value, int param, int deck, ZRDrawNode* node);
void FMic_KillMid(int value, int param, int deck, ZRDrawNode* node);
void FMic_KillHigh(int value, int param, int deck, ZRDrawNode* node);
void FGainMic(int value, int param, int deck, ZRDrawNode* node);
void FMasterBalance(int value, int param, int deck, ZRDrawNode* node);
void FMasterMode(int value, int param, int deck, ZRDrawNode* node);
void FMasterKaraokeMode(int value, int param, int deck, ZRDrawNode* node);
void updateMixerModeTexts();
void FVolumeMaster(int value, int param, int deck, ZRDrawNode* node);
void FVolumeMonitor(int value, int param, int deck, ZRDrawNode* node);
void FVolumeMicrophone(int value, int param, int deck, ZRDrawNode* node);
void FVolumeFillerPlayer(int value, int param, int deck, ZRDrawNode* node);
void FGainMaster(int value, int param, int deck, ZRDrawNode* node);
// param 0: the knob monitor_gain, 1: monitor_gain2 (the other follows).
void FGainMonitor(int value, int param, int deck, ZRDrawNode* node);
void FCFCurve(int value, int param, int deck, ZRDrawNode* node);
void FCrossFader(int value, int param, int deck, ZRDrawNode* node);
void FCFAudioTrack(int value, int param, int deck, ZRDrawNode* node);
void FCFVideoTrack(int value, int param, int deck, ZRDrawNode* node);
void FLockCrossfaders(int value, int param, int deck, ZRDrawNode* node);
void FCuePgmMixFader(int value, int param, int deck, ZRDrawNode* node);
void FPhonesSplitClick(int value, int param, int deck, ZRDrawNode* node);
void FTalkOver(int value, int param, int deck, ZRDrawNode* node);
void FOnAir(int value, int param, int deck, ZRDrawNode* node);
void FAudioMasterLimiter(int value, int param, int deck, ZRDrawNode* node);
void FRandom(int value, int param, int deck, ZRDrawNode* node);
