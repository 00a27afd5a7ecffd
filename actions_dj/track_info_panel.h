#pragma once
// The track-information panel: the record of the row under the cursor of the focused list (artist, title,
// time, tempo, key, genre, year, album, track number, comment, file name, added and last-played dates,
// rating stars, artwork), refreshed by the GUI tick once every ten ticks and only when the focused list or
// its cursor row changed.
//
// Threads: the render thread, inside the GUI tick.

#include <cstdint>

#include "common/zr_string.h"

// Called by the GUI tick (at counter 6).
void updateTrackInfoGraphics();
// Forgets the row last shown, so the next update shows the panel again (a new skin, tests).
void resetTrackInfoGraphics();

// "%d time%s, last on %s" (strftime "%c"), or "-" when the count or the date is not positive.
ZRString trackInfoLastPlayedText(int32_t playCount, int64_t lastPlayed);
// Five stars: the rating rounded to n filled stars (U+2605), the rest hollow (U+2606).
ZRString trackInfoRatingText(float rating);
