// The track-information panel: the focused list's cursor row shown once per change, the default texts
// without a row, the play-count and rating texts.

#include "actions_dj/track_info_panel.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "actions_dj/test_node_table.h"
#include "common/action_ids.h"
#include "database/zr_database.h"
#include "database/zr_list.h"

namespace {

TEST(TrackInfoPanel, PlayCountAndRatingTexts) {
  EXPECT_EQ(trackInfoRatingText(3.4f).utf8(), "\u2605\u2605\u2605\u2606\u2606");
  EXPECT_EQ(trackInfoRatingText(0.0f).utf8(), "\u2606\u2606\u2606\u2606\u2606");
  EXPECT_EQ(trackInfoRatingText(9.0f).utf8(), "\u2605\u2605\u2605\u2605\u2605");
  EXPECT_EQ(trackInfoLastPlayedText(1, 1700000000).utf8().rfind("1 time, last on ", 0), 0u);
  EXPECT_EQ(trackInfoLastPlayedText(2, 1700000000).utf8().rfind("2 times, last on ", 0), 0u);
  EXPECT_EQ(trackInfoLastPlayedText(0, 1700000000).utf8(), "-");
  EXPECT_EQ(trackInfoLastPlayedText(3, 0).utf8(), "-");
}

TEST(TrackInfoPanel, ShowsTheFocusedRowOncePerChange) {
  auto table = std::make_shared<orvel_test::TestNodeTable>();
  installActionControls(table);
  resetTrackInfoGraphics();
  ZRList* list = ZRList::create("Panel", false, ZRList::kTypeUserList, 0);
  TZRDatabaseTrack track;
  track.tags[kTagFileName] = "/music/panel-one.mp3";
  track.tags[kTagArtist] = "Panel Artist";
  track.tags[kTagTitle] = "Panel Title";
  track.rating = 4.0f;
  TZRListTrack row;
  row.trackId = ZRDatabase::getInstance()->addOrUpdate(&track);
  list->addLine(row, -1, false);

  updateTrackInfoGraphics();  // nothing focused before or now: the skin's own texts stay
  EXPECT_EQ(table->get(ACT_track_info_artist, -1).captionWrites, 0);

  table->focused = list;
  list->setMainCursor(0, false);
  updateTrackInfoGraphics();
  EXPECT_EQ(table->caption(ACT_track_info_artist, -1), "Panel Artist");
  EXPECT_EQ(table->caption(ACT_track_info_title, -1), "Panel Title");
  EXPECT_EQ(table->caption(ACT_track_info_lastplayed, -1), "-");
  EXPECT_EQ(table->get(ACT_track_info_image, -1).artwork, "/music/panel-one.mp3");
  const int writes = table->get(ACT_track_info_artist, -1).captionWrites;
  updateTrackInfoGraphics();  // nothing changed: nothing written
  EXPECT_EQ(table->get(ACT_track_info_artist, -1).captionWrites, writes);

  table->focused = nullptr;  // the focus left the list: the defaults
  updateTrackInfoGraphics();
  EXPECT_EQ(table->caption(ACT_track_info_artist, -1), "Artist");
  EXPECT_EQ(table->caption(ACT_track_info_time, -1), "00:00");
  EXPECT_EQ(table->caption(ACT_track_info_genre, -1), "-");
  EXPECT_EQ(table->get(ACT_track_info_image, -1).artwork, "");
  installActionControls(nullptr);
  ZRList::removeList(list);
  delete list;
}

}  // namespace
