#pragma once
// The user actions that the players of the engine call back into: the master recording callback, the
// preview player's end callback, the filler zone's next-file callback and the choice of the deck that leads
// the mix (which a sampler slot with auto sync follows).

#include <functional>

class CSoundSource;

// The recording callback the shell installs on the sound output (data: the video recorder, may be null).
// Audio thread, once per device buffer with the master before the limiter: hands it to the video recorder
// while that records, to the broadcaster, to the sampler slots that record and, in stereo, to the master
// audio tap (below). Returns frames. Allocates
// nothing and takes no lock but the recorders' short copy locks.
int audioVideoRecCallback(float* master, int frames, int channels, void* data);

// A reader of the master beside the recorders (the video output's audio-reactive shader): called by the
// recording callback on the audio thread with the interleaved stereo master, so it must be real-time safe.
// Installing (from the user-interface side, one thread at a time) replaces the previous reader and
// returns once the audio thread can no longer be calling it; an empty function removes it.
using MasterAudioTap = std::function<void(const float* master, int frames)>;
void installMasterAudioTap(MasterAudioTap tap);

// The headphone preview player's end callback: closes the preview player. It runs on the thread that
// reads the player's position (the GUI tick); the player's own lock orders it with an open on the main
// thread. The arguments are not used.
void FPreviewEnded(int events, int tag, int id);

// The filler zone's next-file callback (on the thread that runs the zone's clock). Sets path (4096 bytes)
// empty, gain 0 dB, mix-in 0 s and mix-out -1 (none); then, when the automix list has rows, takes its
// first row (a random one while the setting "Random" is on) and, when that row names a library track,
// removes exactly that row and writes the track's path as UTF-8 into path. A row without a track, or a
// path that does not fit, stays in the list and the path stays empty.
void FillerPlayerGetNextFileCallback(char* path, float* gainDb, double* mixIn, double* mixOut, void* zone);

// The deck that leads the mix: deck B with the crossfader at 64 or more, else deck A; but when that deck
// does not play a track while the other one does, the other one. Null while either deck does not exist.
CSoundSource* GetMasterDeck();
