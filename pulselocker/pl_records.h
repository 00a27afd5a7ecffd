#pragma once
// The streaming service's records as the SDK interface holds them: the base records (pl::Object for full
// records, pl::ObjectPartial for the partial ones embedded in others), the song (pl::Song, and
// pl::SongPartial as the media load takes it) with its release, artists and label, and the song's JSON
// form as the record store keeps it.
//
// Stored JSON of a song: one object with "artists", "bpm", "disk", "duration" (whole seconds),
// "label", "parental_advisory", "release", "song_id", "song_key", "song_title", "territories" (names),
// "track", "updated_on", in that (ascending) order; the store appends "__pl_type__". Song::fromJSON
// reads that form back and refuses (pl::json::ShapeError) anything that does not have it.
//
// Threads: plain values.

#include <chrono>
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <vector>

#include "pulselocker/pl_json_node.h"

namespace pl {

// A territory where a song may be played; indexes the territory-name table.
using Territory = uint8_t;

class ObjectPartial {
 public:
  virtual ~ObjectPartial() = default;
  int64_t id = 0;
  int type = 0;
  std::string name;
  std::string updated_on;
};

class Object {
 public:
  // Kinds of records; a song is 9.
  enum Type : int {
    kUnknown = 0,
    kArtist = 1,
    kRelease = 2,
    kLabel = 3,
    kGenre = 4,
    kPlaylist = 5,
    kChart = 6,
    kUser = 7,
    kCollection = 8,
    kSong = 9,
  };
  // The type names the store writes as "__pl_type__", by type.
  static const char* const s_typeStrings[10];

  virtual ~Object() = default;
  int64_t id = 0;
  int type = kUnknown;
  std::string name;
  std::string updated_on;
};

class ArtistPartial : public ObjectPartial {
 public:
  std::string picture180x80, picture190x230, picture375x250;
};

class LabelPartial : public ObjectPartial {
 public:
  std::string picture150x150, picture250x250, picture500x500;
};

class ReleasePartial : public ObjectPartial {
 public:
  std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds> releaseDate{};
  std::string picture75x75, picture200x200, picture800x800;
};

// The fields a song has beyond its base record, the same in full and partial songs.
struct SongFields {
  int64_t track = 0;
  int64_t disk = 0;
  bool parentalAdvisory = false;
  double bpm = 0.0;
  std::string songKey;
  std::string furtherText;  // not part of the stored JSON
  int64_t durationMicroseconds = 0;
  std::vector<Territory> territories;
  ReleasePartial release;
  std::list<ArtistPartial> artists;
  LabelPartial label;
  std::map<int, std::string> extra;  // not part of the stored JSON
};

class Song : public Object, public SongFields {
 public:
  Song() { type = kSong; }
  JSONNode toJSON() const;
  // The song of a stored or fetched JSON object; pl::json::ShapeError when json lacks a member, has one
  // of another kind, names an unknown territory or has a duration beyond the 64-bit microsecond range.
  static Song fromJSON(const JSONNode& json);
};

class SongPartial : public ObjectPartial, public SongFields {
 public:
  SongPartial() { type = Object::kSong; }
  SongPartial(int64_t id, const std::string& title, const std::string& updatedOn,
              const std::string& furtherText, int64_t track, int64_t disk, bool parentalAdvisory, double bpm,
              const std::string& songKey, int64_t durationMicroseconds, std::vector<Territory> territories,
              ReleasePartial release, std::list<ArtistPartial> artists, LabelPartial label);
  // Field by field; the extra map stays empty.
  explicit SongPartial(const Song& song);
};

// The territory-name table: names by territory value, and the value of a name (false when unknown).
const std::vector<std::string>& territoryNames();
bool territoryFromName(const std::string& name, Territory& out);

namespace time {
// "YYYY-MM-DD" of the day in UTC; with withTime, "YYYY-MM-DDTHH:MM:SSZ".
std::string formatDate(std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds> when,
                       bool withTime);
// Either form back; false when text is neither or names no real day.
bool parseDate(const std::string& text,
               std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>& out);
}  // namespace time

}  // namespace pl
