#pragma once
// The row of a track list: a plain value naming one track of the library by
// id, with what the list keeps per row (its mark, when it was added, and for
// the karaoke rotation the singer, the key adjustment and the songs queued
// after the row's own). Rows are copied by value between lists and threads.

#include <cstdint>
#include <vector>

#include "common/zr_string.h"

// A further song of a karaoke rotation row.
struct TZRAdditionalTrack {
  int32_t trackId = -1;
  float keyAdjust = 0;  // semitones
};

struct TZRListTrack {
  int32_t trackId = -1;  // id in the library; -1 = an empty slot (karaoke rotation only)
  bool marked = false;   // carries an insert mark (part of the multi-row selection)
  int32_t sortTag = 0;   // scratch of a sort: bit 1 main cursor row, bit 2 next cursor row
  int64_t added = -1;    // seconds since 1970; -1 not recorded; history rows hold the play time
  ZRString singerName;   // karaoke singer; empty elsewhere
  float keyAdjust = 0;   // semitones handed to the deck with the row's own track
  std::vector<TZRAdditionalTrack> additionalTracks;  // further songs of the singer, in order
  bool collapsed = false;                            // the karaoke row is shown collapsed
};
