#pragma once
// The karaoke singers list on the video output: its own simple overlay layer in the output's layer stack,
// rebuilt from the side table's list whenever that list changes, the side table shows another list, or a
// karaoke setting changes ("KSRSingersNum", "KSRBackgroundEnabled", "KSRBackgroundFile"). The items are
// those of video_mixing/zr_karaoke_singers_list.h. The layer shows between songs: the GUI tick hides it while
// the deck leading the mix plays a picture.
//
// Rebuilding renders texts and decodes pictures, and reads the side table, so it runs on the main thread
// only: a change reported on any other thread (the filler player takes its next song on the render thread,
// the library's threads add rows) asks for a rebuild, and the asks that arrive before it runs are served by
// one rebuild. The render thread never builds or commits the layer.
//
// The layer is made by the first rebuild that finds the output's layer stack, and again when the output
// has made a new stack (the old one took the layer with it).
//
// Threads: requestKaraokeSingersListRefresh and OnSidelistChanged from any thread; the rebuild on the main
// thread; showKaraokeSingersListBetweenSongs on the render thread (the GUI tick).

class ZRList;

// The automix list's (and the rotation's) change callback: asks for a rebuild.
void OnSidelistChanged(ZRList* list);
// Asks for a rebuild on the main thread; asks made before it runs are served by that one rebuild.
void requestKaraokeSingersListRefresh();
// Rebuilds the layer now. Main thread. Nothing once shut-down has begun; logs "error: overlay graphics
// layers object does not exist" while the output has no layer stack (the next rebuild tries again).
// Returns 0.
int refreshKaraokeSingersList();
// The same from list instead of the side table's list.
int refreshKaraokeSingersListFrom(ZRList* list);
// The number of rebuilds run so far (shut-down not yet begun).
int karaokeSingersListRebuilds();
// Registers OnSidelistChanged on the automix list and the rotation list and asks for a first rebuild.
void startKaraokeSingersList();
// The GUI tick: the layer is visible unless the leading deck plays a picture; a layer stack the list is
// not in yet asks for a rebuild.
void showKaraokeSingersListBetweenSongs();
