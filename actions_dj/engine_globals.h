#pragma once
// The engine objects of the application. The shell creates them at start-up and deletes them at shut-down;
// they are null before and after. The user actions act on them on the user-interface side.
//
// audioBroadcast is also read by the recording callback on the audio thread: the shell sets it before it
// installs that callback and clears it only after removing the callback.

class CLiveInputSource;
class CSoundSource;
class ZRAudioBroadcast;
class ZRAudioMultiOutput;
class ZRBatchAudioDetection;
class ZRMixer;
class ZRMixerChannel;
class ZRPreferences;
class ZRPreviewPlayer;
class ZRSamplerPlayer;
class ZRSimpleMixZone;

inline constexpr int kSamplerSlots = 8;

// Slots 0 and 1 hold the two decks; 2 and 3 stay null.
extern CSoundSource* decks[4];
// The headphone preview player and its mixer channel (-1 none).
extern ZRPreviewPlayer* previewPlayer;
extern int previewPlayerChIndex;
// The sampler's slots; slot n's mixer channel follows the filler's and the preview's.
extern ZRSamplerPlayer* Sampler[kSamplerSlots];
extern ZRAudioBroadcast* audioBroadcast;
// The main mixer.
extern ZRMixer* mixer;
// The sound output: the device, the bus routing and the master recording.
extern ZRAudioMultiOutput* audioOutput;
// The karaoke filler player and its mixer channel (-1 none).
extern ZRSimpleMixZone* fillerPlayer;
extern int fillerPlayerChIndex;
// The background analyser of library tracks; null until it is first needed.
extern ZRBatchAudioDetection* batchAudioDetection;
// The mixer channels of deck 0 and deck 1 (index = deck), and of the microphone.
extern ZRMixerChannel* MixerChannelDeck[2];
extern ZRMixerChannel* MixerChannelMicrophone;
// Each deck's live input (line or timecode; inputs 2 and 3 have no deck).
extern CLiveInputSource* DeckLiveIn[4];
// The settings store (null: settings read as absent).
extern ZRPreferences* preferences;
