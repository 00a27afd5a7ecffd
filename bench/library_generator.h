#pragma once
// A generated music library for the library benchmarks: realistic titles,
// artists, albums, genres, tempi and years, the same on every run.

#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "database/zr_database.h"

namespace bench_library {

inline const char* const kTitleWords[] = {"Love",    "Night",   "Dance",    "\xC3\x89t\xC3\xA9",
                                          "Fire",    "Heart",   "Dream",    "Caf\xC3\xA9",
                                          "Moon",    "Sun",     "Road",     "City",
                                          "Rain",    "Gold",    "Sky",      "Lost",
                                          "Forever", "Baby",    "Girl",     "Time",
                                          "Light",   "Summer",  "Blue",     "Wild",
                                          "Home",    "Tonight", "World",    "Feel",
                                          "Stars",   "Ocean",   "Fever",    "Paradise",
                                          "Angel",   "Crazy",   "Electric", "Shadow"};
inline const char* const kFirstNames[] = {"Anna",  "DJ",     "Marco", "Lena",        "The",
                                          "Sofia", "Kid",    "MC",    "Jos\xC3\xA9", "Chlo\xC3\xA9",
                                          "Big",   "Little", "Max",   "Nina"};
inline const char* const kLastNames[] = {"Rivers",        "Shadow",   "Moreau",     "Kings",
                                         "Brothers",      "Electric", "Young",      "Santos",
                                         "M\xC3\xBCller", "Nights",   "Collective", "Orchestra"};
inline const char* const kGenres[] = {"House", "Techno", "Pop",   "Hip-Hop", "Disco",
                                      "Funk",  "Rock",   "Latin", "Trance",  "R&B"};

// Adds count tracks to db and returns their ids in the order added. With
// analysed, each track also carries what the decks and the analysis store
// (duration, key, gain, cues, loops, stripe, dates, play count).
inline std::vector<int32_t> addGeneratedTracks(ZRDatabase& db, int count, bool analysed = false) {
  std::vector<int32_t> ids;
  ids.reserve(static_cast<size_t>(count));
  std::mt19937 random(20240607);
  std::mt19937 extra(99);
  const auto pick = [&random](const auto& words) {
    return words[std::uniform_int_distribution<size_t>(0, std::size(words) - 1)(random)];
  };
  std::uniform_int_distribution<int> wordCount(1, 4);
  std::uniform_real_distribution<double> bpm(70.0, 180.0);
  std::uniform_int_distribution<int> year(1965, 2024);
  for (int i = 0; i < count; ++i) {
    std::string title;
    const int n = wordCount(random);
    for (int w = 0; w < n; ++w) title += std::string(w ? " " : "") + pick(kTitleWords);
    if (i % 5 == 0) title += " (Remix)";
    TZRDatabaseTrack t;
    t.tags[kTagTitle] = ZRString(title);
    t.tags[kTagArtist] = ZRString(std::string(pick(kFirstNames)) + " " + pick(kLastNames));
    t.tags[kTagGenre] = ZRString(pick(kGenres));
    t.tags[kTagAlbum] = ZRString(std::string(pick(kTitleWords)) + " " + pick(kTitleWords));
    t.bpm = static_cast<float>(bpm(random));
    t.tags[kTagBpm] = ZRString::format("%.1f", static_cast<double>(t.bpm));
    t.tags[kTagYear] = ZRString(std::to_string(year(random)));
    t.tags[kTagFileName] = ZRString("/music/" + std::to_string(i) + ".mp3");
    if (analysed) {
      t.tags[kTagFileName] =
          ZRString("/home/dj/Music/" + t.tags[kTagArtist].utf8() + "/" + t.tags[kTagAlbum].utf8() + "/" +
                   std::to_string(i % 20 + 1) + " " + title + ".mp3");
      t.durationMs = 120000 + static_cast<int>(extra() % 300000);
      t.tags[kTagTime] = trackTimeText(t.durationMs);
      t.pitchKey = static_cast<int>(extra() % 24) + 1;
      t.pgainValid = true;
      t.pgain = -static_cast<float>(extra() % 90) / 10.0f;
      t.mediaType = 0;
      t.size = 3000000 + extra() % 9000000;
      t.bitRate = 320000;
      t.sampleRate = 44100;
      t.channels = 2;
      t.cueOut = t.durationMs * 44;
      for (int c = 0; c < 4; ++c) t.cues[c] = static_cast<int32_t>(extra() % 5000000) + 1;
      t.loops[0] = {44100, 88200};
      t.stripe =
          ZRString::format("%02X-%08X", static_cast<int>(extra() % 256), static_cast<unsigned>(extra()));
      t.dtAdded = 1600000000 + static_cast<int64_t>(extra() % 100000000);
      t.dtPlayed = t.dtAdded + 86400;
      t.playCount = static_cast<int32_t>(extra() % 40);
      t.genres[0] = static_cast<int32_t>(extra() % 120);
    }
    ids.push_back(db.addOrUpdate(&t));
  }
  return ids;
}

}  // namespace bench_library
