#include "pulselocker/pl_records.h"

#include <cstdio>
#include <limits>
#include <utility>

#include "pulselocker/pl_error.h"

namespace pl {

const char* const Object::s_typeStrings[10] = {"unknown",  "artist", "release", "label",      "genre",
                                               "playlist", "chart",  "user",    "collection", "song"};

namespace {

using Micros = std::chrono::time_point<std::chrono::system_clock, std::chrono::microseconds>;

JSONNode pictures(const char* n1, const std::string& p1, const char* n2, const std::string& p2,
                  const char* n3, const std::string& p3) {
  return JSONNode::fromMap({{n1, JSONNode::text(p1)}, {n2, JSONNode::text(p2)}, {n3, JSONNode::text(p3)}});
}

JSONNode artistJSON(const ArtistPartial& a) {
  return JSONNode::fromMap({{"artist_id", JSONNode::number(a.id)},
                            {"artist_name", JSONNode::text(a.name)},
                            {"images", pictures("180x80", a.picture180x80, "190x230", a.picture190x230,
                                                "375x250", a.picture375x250)},
                            {"updated_on", JSONNode::text(a.updated_on)}});
}

JSONNode labelJSON(const LabelPartial& l) {
  return JSONNode::fromMap({{"images", pictures("150x150", l.picture150x150, "250x250", l.picture250x250,
                                                "500x500", l.picture500x500)},
                            {"label_id", JSONNode::number(l.id)},
                            {"label_name", JSONNode::text(l.name)},
                            {"updated_on", JSONNode::text(l.updated_on)}});
}

JSONNode releaseJSON(const ReleasePartial& r) {
  return JSONNode::fromMap({{"album_art", pictures("200x200", r.picture200x200, "75x75", r.picture75x75,
                                                   "800x800", r.picture800x800)},
                            {"release_date", JSONNode::text(time::formatDate(r.releaseDate, false))},
                            {"release_id", JSONNode::number(r.id)},
                            {"release_title", JSONNode::text(r.name)},
                            {"updated_on", JSONNode::text(r.updated_on)}});
}

ArtistPartial artistFrom(const JSONNode& j) {
  ArtistPartial a;
  a.type = Object::kArtist;
  a.id = j["artist_id"].asInt();
  a.name = j["artist_name"].asText();
  const JSONNode images = j["images"];
  a.picture180x80 = images["180x80"].asText();
  a.picture190x230 = images["190x230"].asText();
  a.picture375x250 = images["375x250"].asText();
  a.updated_on = j["updated_on"].asText();
  return a;
}

LabelPartial labelFrom(const JSONNode& j) {
  LabelPartial l;
  l.type = Object::kLabel;
  const JSONNode images = j["images"];
  l.picture150x150 = images["150x150"].asText();
  l.picture250x250 = images["250x250"].asText();
  l.picture500x500 = images["500x500"].asText();
  l.id = j["label_id"].asInt();
  l.name = j["label_name"].asText();
  l.updated_on = j["updated_on"].asText();
  return l;
}

ReleasePartial releaseFrom(const JSONNode& j) {
  ReleasePartial r;
  r.type = Object::kRelease;
  const JSONNode art = j["album_art"];
  r.picture200x200 = art["200x200"].asText();
  r.picture75x75 = art["75x75"].asText();
  r.picture800x800 = art["800x800"].asText();
  if (!time::parseDate(j["release_date"].asText(), r.releaseDate)) {
    throw json::ShapeError(3, "Release date not valid.");
  }
  r.id = j["release_id"].asInt();
  r.name = j["release_title"].asText();
  r.updated_on = j["updated_on"].asText();
  return r;
}

JSONNode arrayOf(const std::vector<JSONNode>& items) {
  JSONNode result = JSONNode::array();
  for (const JSONNode& item : items) result.push_back(item);
  return result;
}

}  // namespace

JSONNode Song::toJSON() const {
  std::vector<JSONNode> artistNodes;
  for (const ArtistPartial& a : artists) artistNodes.push_back(artistJSON(a));
  std::vector<JSONNode> territoryNodes;
  for (const Territory t : territories) {
    territoryNodes.push_back(
        JSONNode::text(t < territoryNames().size() ? territoryNames()[t] : std::string()));
  }
  return JSONNode::fromMap({
      {"artists", arrayOf(artistNodes)},
      {"bpm", JSONNode::number(bpm)},
      {"disk", JSONNode::number(disk)},
      {"duration", JSONNode::number(static_cast<int64_t>(durationMicroseconds / 1000000))},
      {"label", labelJSON(label)},
      {"parental_advisory", JSONNode::boolean(parentalAdvisory)},
      {"release", releaseJSON(release)},
      {"song_id", JSONNode::number(id)},
      {"song_key", JSONNode::text(songKey)},
      {"song_title", JSONNode::text(name)},
      {"territories", arrayOf(territoryNodes)},
      {"track", JSONNode::number(track)},
      {"updated_on", JSONNode::text(updated_on)},
  });
}

Song Song::fromJSON(const JSONNode& json) {
  try {
    if (json.kind() != JSONNode::Kind::Object) throw json::ShapeError(4, "A song is an object.");
    if (json.has("__pl_type__") && json["__pl_type__"].asText() != s_typeStrings[kSong]) {
      throw json::ShapeError(5, "Not a song record.");
    }
    Song song;
    const JSONNode artists = json["artists"];
    if (artists.kind() != JSONNode::Kind::Array) throw json::ShapeError(4, "Artists are an array.");
    for (std::size_t i = 0; i < artists.size(); ++i) song.artists.push_back(artistFrom(artists.at(i)));
    song.bpm = json["bpm"].asDouble();
    song.disk = json["disk"].asInt();
    const int64_t seconds = json["duration"].asInt();
    if (seconds < 0 || seconds > std::numeric_limits<int64_t>::max() / 1000000) {
      throw json::ShapeError(6, "Duration out of range.");
    }
    song.durationMicroseconds = seconds * 1000000;
    song.label = labelFrom(json["label"]);
    song.parentalAdvisory = json["parental_advisory"].asBool();
    song.release = releaseFrom(json["release"]);
    song.id = json["song_id"].asInt();
    song.songKey = json["song_key"].asText();
    song.name = json["song_title"].asText();
    const JSONNode territories = json["territories"];
    if (territories.kind() != JSONNode::Kind::Array) throw json::ShapeError(4, "Territories are an array.");
    for (std::size_t i = 0; i < territories.size(); ++i) {
      Territory t = 0;
      if (!territoryFromName(territories.at(i).asText(), t)) throw json::ShapeError(7, "Unknown territory.");
      song.territories.push_back(t);
    }
    song.track = json["track"].asInt();
    song.updated_on = json["updated_on"].asText();
    return song;
  } catch (const json::AccessError& e) {
    // A missing member is a record of the wrong shape to whoever asked for a song.
    throw json::ShapeError(e.getCode(), e.toString());
  }
}

SongPartial::SongPartial(int64_t id_, const std::string& title, const std::string& updatedOn,
                         const std::string& further, int64_t track_, int64_t disk_, bool parental,
                         double bpm_, const std::string& key, int64_t duration,
                         std::vector<Territory> territories_, ReleasePartial release_,
                         std::list<ArtistPartial> artists_, LabelPartial label_) {
  type = Object::kSong;
  id = id_;
  name = title;
  updated_on = updatedOn;
  furtherText = further;
  track = track_;
  disk = disk_;
  parentalAdvisory = parental;
  bpm = bpm_;
  songKey = key;
  durationMicroseconds = duration;
  territories = std::move(territories_);
  release = std::move(release_);
  artists = std::move(artists_);
  label = std::move(label_);
}

SongPartial::SongPartial(const Song& song)
    : SongPartial(song.id, song.name, song.updated_on, song.furtherText, song.track, song.disk,
                  song.parentalAdvisory, song.bpm, song.songKey, song.durationMicroseconds, song.territories,
                  song.release, song.artists, song.label) {}

const std::vector<std::string>& territoryNames() {
  static const std::vector<std::string> names = {"WW", "US", "CA", "GB", "IE", "DE", "AT", "CH", "FR", "BE",
                                                 "NL", "LU", "IT", "ES", "PT", "DK", "SE", "NO", "FI", "IS",
                                                 "PL", "CZ", "AU", "NZ", "JP", "BR", "MX", "AR", "ZA"};
  return names;
}

bool territoryFromName(const std::string& name, Territory& out) {
  const std::vector<std::string>& names = territoryNames();
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) {
      out = static_cast<Territory>(i);
      return true;
    }
  }
  return false;
}

namespace time {

std::string formatDate(Micros when, bool withTime) {
  const auto day = std::chrono::floor<std::chrono::days>(when);
  const std::chrono::year_month_day ymd{std::chrono::sys_days(day)};
  char text[40];
  if (!withTime) {
    std::snprintf(text, sizeof text, "%04d-%02u-%02u", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()));
  } else {
    const std::chrono::hh_mm_ss<std::chrono::seconds> hms(
        std::chrono::floor<std::chrono::seconds>(when - day));
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(ymd.year()),
                  static_cast<unsigned>(ymd.month()), static_cast<unsigned>(ymd.day()),
                  static_cast<int>(hms.hours().count()), static_cast<int>(hms.minutes().count()),
                  static_cast<int>(hms.seconds().count()));
  }
  return text;
}

bool parseDate(const std::string& text, Micros& out) {
  int y = 0, h = 0, mi = 0, s = 0;
  unsigned m = 0, d = 0;
  int used = 0;
  const bool dayOnly = std::sscanf(text.c_str(), "%4d-%2u-%2u%n", &y, &m, &d, &used) == 3 &&
                       static_cast<std::size_t>(used) == text.size() && text.size() == 10;
  const bool withTime =
      !dayOnly && text.size() == 20 &&
      std::sscanf(text.c_str(), "%4d-%2u-%2uT%2d:%2d:%2dZ%n", &y, &m, &d, &h, &mi, &s, &used) == 6 &&
      static_cast<std::size_t>(used) == text.size();
  if (!dayOnly && !withTime) return false;
  const std::chrono::year_month_day ymd{std::chrono::year(y), std::chrono::month(m), std::chrono::day(d)};
  if (!ymd.ok() || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 || s > 59) return false;
  out = Micros(std::chrono::sys_days(ymd).time_since_epoch() + std::chrono::hours(h) +
               std::chrono::minutes(mi) + std::chrono::seconds(s));
  return true;
}

}  // namespace time

}  // namespace pl
