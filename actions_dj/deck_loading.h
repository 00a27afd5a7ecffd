#pragma once
// Putting tracks into decks and taking them out: the row under the focused list's cursor, a path with its
// library record (the one entry every loader goes through), a library track by id (what a dropped track
// loads), unloading, the next track of the automix list, closing every deck at shut-down, and counting a
// play when a deck reports a track played long enough.
//
// Replacing or unloading music that is being heard asks first (txt_confirm_load_deck /
// txt_confirm_unload_deck): a deck that holds a track, plays, is more than 2 s before its end, and that the
// crossfader lets through (below 112 for deck A, above 16 for deck B). The question goes through the
// action dialogs (actions_dj/action_dialogs.h), and a yes carries the load out on the main thread.
//
// Threads: the main thread, or the render thread (scripts, the automix). The player only takes the request;
// its streaming thread loads, and the GUI tick shows what it reports (actions_dj/deck_display.h).

#include <atomic>
#include <vector>

#include "common/zr_string.h"

class ZRDrawNode;
struct TZRDatabaseTrack;

// Per deck: start playing once the next accepted load completes (set by FDeck_LoadFromCursor with a
// value above 0, cleared when a load request is accepted).
extern std::atomic<int> PlayAfterLoading[2];
// Per deck: the slow pitch reset in progress; every accepted load clears it.
extern std::atomic<int> slow_reset_pitch[2];

// The row under the cursor of the focused list, else the side list's first row.
void FDeck_LoadFromCursor(int value, int param, int deck, ZRDrawNode* node);
// Loads path (videoPath: a video shown with an audio track, may be empty; record may be null; keyShift in
// semitones). A path is taken when it has a streaming scheme, names an existing file or ends in "$" (which
// empties the deck); anything else is ignored. A file not yet in the library is added first.
void FDeck_LoadFile(const ZRString& path, const ZRString& videoPath, const TZRDatabaseTrack* record, int deck,
                    float keyShift);
// Loads the library track trackId (what a dropped track row or track id loads); false when the id is not
// in the library or the deck does not exist.
bool FDeck_LoadTrackId(int trackId, float keyAdjust, int deck);
void FDeck_Unload(int value, int param, int deck, ZRDrawNode* node);
// The automix's loader: takes (and removes) the automix list's top row, or a random one while "Random" is
// on, into deck 0 or 1.
void FDeck_LoadNext(int value, int param, int deck);
// Shut-down: empties decks 0 and 1 (only those holding a stream with onlyStreams) and waits for each, at
// most kCloseAllTimeoutMs per deck. False when a deck refused or did not close in time (logged).
inline constexpr int kCloseAllTimeoutMs = 5000;
bool closeAllOpenedDecks(bool ignored, bool onlyStreams);
// The decks' track-played callback: counts a play of path in the library. Returns true.
bool DecksCallbackTrackPlayed(int deck, const ZRString& path);

// The videos handed in turn to audio tracks while "LinkVideoEnabled" is on (filled by the video actions).
void setLinkVideoFiles(std::vector<ZRString> files);
// Gives an audio track a video of the linked-video folder; see setLinkVideoFiles.
void linkVideoIfNeeded(const ZRString& path, ZRString& videoPath, const TZRDatabaseTrack* record);

// Whether a load of path would be taken: a streaming address, an existing file, or a path ending in "$".
bool deckCanOpenPath(const ZRString& path);
// Whether replacing the deck's track now would cut music that is being heard.
bool deckIsAudible(int deck);
