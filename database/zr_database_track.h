#pragma once
// TZRDatabaseTrack: one track of the music library, a plain record copied by
// value. The library owns the stored records; every other part works on
// copies (or on the stored record while it holds the library's read lock).

#include <cstdint>

#include "common/zr_string.h"

// Index into TZRDatabaseTrack::tags. The four-letter ids are also the tag ids
// and the attribute names in database.xml.
enum TagFieldTypes {
  kTagNumber = 0,    // "numb": row number text (left empty by the library)
  kTagArtist = 1,    // "arti"
  kTagTitle = 2,     // "titl"
  kTagBpm = 3,       // "bpmt": tempo as text, "%.1f"
  kTagTime = 4,      // "time": duration as text, "%02d:%02d"
  kTagGenre = 5,     // "genr"
  kTagKey = 6,       // "pkey": key name in the numbered sharp notation
  kTagComment = 7,   // "comm"
  kTagAlbum = 8,     // "albm"
  kTagTrack = 9,     // "trck"
  kTagYear = 10,     // "year"
  kTagFileName = 11  // "fnam": file path, stream address or a path ending in "$"
};

constexpr int kTagFieldCount = 12;
// The four-letter ids in TagFieldTypes order.
extern const char* const kTagFieldIds[kTagFieldCount];

// The "time" text of a duration: "%02d:%02d" of minutes and seconds.
ZRString trackTimeText(int durationMs);

struct TZRDatabaseLoop {
  int32_t in = -1;  // frames; 0 or less = empty
  int32_t out = -1;
};

// Every field starts at the value ZRDatabase::resetTrack gives it.
struct TZRDatabaseTrack {
  static constexpr int kCueCount = 16;
  static constexpr int kLoopCount = 8;

  int32_t id = -1;  // unique in the library; -1 = no id yet
  ZRString tags[kTagFieldCount];
  ZRString searchText;                     // built by the search; never stored
  int32_t highlight = -1;                  // colour index of the track table; -1 none
  float highlightColor[4] = {0, 0, 0, 0};  // red, green, blue, alpha (0..1)
  bool hasHighlightColor = false;
  int32_t mediaType = -1;  // 0 audio, 1 video, 2 karaoke, -1 undetermined
  int32_t genres[3] = {-1, -1, -1};
  int64_t size = 0;              // bytes (files over 2 GiB keep their size)
  bool playedInSession = false;  // runtime only
  bool isNew = false;
  bool isExplicit = false;
  int32_t durationMs = -1;   // -1 not yet measured
  int32_t onlineStatus = 0;  // 0 local file
  float rating = 0;
  int32_t playCount = 0;
  int64_t dtAdded = 0;   // seconds since 1970
  int64_t dtPlayed = 0;  // 0 never
  int32_t bitRate = 0;
  int32_t sampleRate = 0;
  int32_t channels = 0;
  int32_t bitDepth = 0;
  int32_t pitchKey = 0;  // 0 none, 1..12 major A..G#, 13..24 minor Am..G#m
  float bpm = 0;
  float suggestedBpm = -1;
  float pgain = 0;  // auto-gain, dB
  bool pgainValid = false;
  float eqLow = 0;
  float eqMid = 0;
  float eqHigh = 0;
  int32_t currentCue = 0;
  int32_t cues[kCueCount] = {};  // frames; 0 or less = empty
  int32_t cueIn = 0;
  int32_t cueOut = -1;  // -1 = end of track
  bool cueInUser = false;
  bool cueOutUser = false;
  TZRDatabaseLoop loops[kLoopCount];
  ZRString imgUrl;
  ZRString linkedFile;
  ZRString stripe;  // "XX-YYYYYYYY"; empty = no stripe file
};
