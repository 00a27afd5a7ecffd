#include "actions_dj/track_info_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <string>

#include "actions_dj/action_controls.h"
#include "common/action_ids.h"
#include "database/zr_database_track.h"
#include "database/zr_list.h"

namespace {

const ZRList* lastList = nullptr;
int lastCursor = -1;

ZRString dateText(int64_t seconds) {
  const std::time_t t = static_cast<std::time_t>(seconds);
  std::tm local{};
  char text[128] = {0};
  if (localtime_r(&t, &local) == nullptr || std::strftime(text, sizeof text, "%c", &local) == 0) return "-";
  return ZRString(text);
}

}  // namespace

ZRString trackInfoLastPlayedText(int32_t playCount, int64_t lastPlayed) {
  if (playCount <= 0 || lastPlayed <= 0) return "-";
  char text[192];
  std::snprintf(text, sizeof text, "%d time%s, last on %s", playCount, playCount == 1 ? "" : "s",
                dateText(lastPlayed).utf8().c_str());
  return ZRString(text);
}

ZRString trackInfoRatingText(float rating) {
  const int filled = std::clamp(static_cast<int>(std::lround(rating)), 0, 5);
  std::string stars;
  for (int i = 0; i < 5; ++i) stars += i < filled ? "\xE2\x98\x85" : "\xE2\x98\x86";
  return ZRString(stars);
}

void resetTrackInfoGraphics() {
  lastList = nullptr;
  lastCursor = -1;
}

void updateTrackInfoGraphics() {
  ZRActionControls& controls = actionControls();
  ZRList* list = controls.focusedList();
  const int cursor = list != nullptr ? list->getMainCursor() : -1;
  if (list == lastList && cursor == lastCursor) return;
  lastList = list;
  lastCursor = cursor;

  static constexpr int kTexts[] = {
      ACT_track_info_artist, ACT_track_info_title,   ACT_track_info_time,    ACT_track_info_bpm,
      ACT_track_info_key,    ACT_track_info_genre,   ACT_track_info_year,    ACT_track_info_album,
      ACT_track_info_track,  ACT_track_info_comment, ACT_track_info_filename};
  static constexpr int kTags[] = {kTagArtist, kTagTitle, kTagTime,  kTagBpm,   kTagKey,     kTagGenre,
                                  kTagYear,   kTagAlbum, kTagTrack, kTagComment, kTagFileName};
  TZRListTrack row;
  TZRDatabaseTrack record;
  if (list != nullptr && cursor >= 0 && list->getRowDataFull(cursor, &row, &record)) {
    for (size_t i = 0; i < std::size(kTexts); ++i) controls.setCaption(kTexts[i], -1, record.tags[kTags[i]]);
    controls.setCaption(ACT_track_info_added, -1, record.dtAdded > 0 ? dateText(record.dtAdded) : ZRString("-"));
    controls.setCaption(ACT_track_info_lastplayed, -1, trackInfoLastPlayedText(record.playCount, record.dtPlayed));
    controls.setCaption(ACT_track_info_rating, -1, trackInfoRatingText(record.rating));
    controls.setArtwork(ACT_track_info_image, -1, record.tags[kTagFileName], record.imgUrl);
    return;
  }
  controls.setCaption(ACT_track_info_artist, -1, "Artist");
  controls.setCaption(ACT_track_info_title, -1, "Title");
  controls.setCaption(ACT_track_info_time, -1, "00:00");
  for (size_t i = 3; i < std::size(kTexts); ++i) controls.setCaption(kTexts[i], -1, "-");
  for (int text : {ACT_track_info_added, ACT_track_info_lastplayed, ACT_track_info_rating}) {
    controls.setCaption(text, -1, "-");
  }
  controls.setArtwork(ACT_track_info_image, -1, ZRString(), ZRString());
}
