// Drawing the track table's rows (render thread, called by the table view under its lock): the new format
// of rows mode (two lines of text beside the cover), the list format of columns mode and the karaoke format
// of the singer rotation, with the row heights they need and the cover requests of the new format.

#include <time.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>

#include "common/zr_c_numbers.h"
#include "common/zr_texture.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "gui/zr_artwork_cache.h"
#include "gui/zr_draw_context.h"
#include "gui_nodes/zr_list_drawing.h"
#include "gui_nodes/zr_node_playlist.h"
#include "tags/zr_tag.h"

namespace {

constexpr int kHistoryListType = 202;
const ZRString kControlGlyphs("\u2b06\u2b07\u2716");  // move up, move down, remove

ZRString rowNumber(int index) {
  return ZRString(std::to_string(index + 1));
}

// "loaded on <local date and time>" of a history row; empty when the time cannot be had.
ZRString loadedOnText(int64_t added) {
  if (added <= 0) return ZRString();
  const time_t t = static_cast<time_t>(added);
  struct tm local;
  if (localtime_r(&t, &local) == nullptr) return ZRString();
  char buffer[128];
  if (strftime(buffer, sizeof(buffer), "%c", &local) == 0) return ZRString();
  return ZRString("loaded on ") + ZRString(buffer);
}

ZRString keyAdjustText(float k) {
  if (k == 0) return ZRString();
  return ZRString(k > 0 ? " [key +" : " [key ") + ZRString(formatFixedC(k, 2)) + ZRString("]");
}

ZRString songText(const TZRDatabaseTrack& track, float keyAdjust) {
  return ZRTag::composeArtistTitleString(track.tags[kTagArtist], track.tags[kTagTitle]) +
         keyAdjustText(keyAdjust);
}

}  // namespace

int ZRNodePlaylist::karaokeRowHeight(const TZRListTrack& item) const {
  const float line = static_cast<float>(lineSize_.load());
  if (item.collapsed) return static_cast<int>(0.6f * line);
  const float font = fontSize_.load();
  const float r5 = 5 * line / 42;
  const float songs = static_cast<float>(item.additionalTracks.size() + 1);
  return static_cast<int>(3 * r5 + font + 1.25f * font * songs);
}

void ZRNodePlaylist::drawRow(ZRTableViewRow* row, ZRTableView*) {
  ZRList* list = shownList_.load();
  if (list == nullptr || row == nullptr || !row->drawContext) return;
  ZRDrawContext& dc = *row->drawContext;
  drawRowBackground(dc, row->width, row->height, row->index % 2 != 0 ? lineColor1 : lineColor2);
  TZRListTrack item;
  if (!list->getRowData(row->index, &item)) return;
  const bool focus = hasFocus_.load();
  if (list->getIsKaraokeSingersRotationList()) {
    drawKaraokeRow(row, item, focus);
  } else if (appliedMode_.load() == kModeColumns) {
    drawListFormatRow(row, item, list->getSortField(), focus);
  } else {
    drawNewFormatRow(row, item, list->getType(), list->getSortField(), focus);
  }
}

void ZRNodePlaylist::drawNewFormatRow(ZRTableViewRow* row, const TZRListTrack& item, int type, int sortField,
                                      bool focus) {
  ZRDrawContext& dc = *row->drawContext;
  ZRList* list = shownList_.load();
  TZRDatabaseTrack track;
  if (!list->database()->getTrackIdData(item.trackId, &track)) return;
  const int w = row->width, h = row->height;
  if (item.marked || list->getMainCursor() == row->index) {
    strokeRowFrame(dc, w, h, focus ? activeCursorColor : cursorColor);
  }
  const float line = static_cast<float>(lineSize_.load());
  const float font = fontSize_.load();
  const float r5 = 5 * line / 42, r8 = 8 * line / 42;
  const ZRColorFloat normal =
      track.playedInSession ? playedFontColor : highlightColors[std::clamp(track.highlight + 1, 0, 10)];
  const ZRColorFloat sorted = track.playedInSession ? playedFontColor : sortFontColor;
  auto colourFor = [&](std::initializer_list<int> fields) {
    return std::find(fields.begin(), fields.end(), sortField) != fields.end() ? sorted : normal;
  };
  const int x0 = static_cast<int>(std::lrintf(1.15f * line));
  const int boxH = static_cast<int>(static_cast<float>(h) - 2 * r5);

  setFontColor(dc, normal);
  dc.drawText(0, 0, rowNumber(row->index), fontName, font, textStyleInvalid, textAlignRight,
              static_cast<int>(std::lrintf(0.93f * line)), h);

  const ZRString& title = track.tags[kTagTitle];
  float tw = 0, th = 0;
  ZRDrawContext::measureText(title, fontName, 1.1666f * font, textStyleInvalid, tw, th);
  const int titleBox = tw > 0 ? static_cast<int>(std::min(tw + 2, static_cast<float>(2 * w / 3) - r8))
                              : static_cast<int>(static_cast<float>(w / 2) - r8);
  setFontColor(dc, colourFor({kTagTitle}));
  dc.drawText(static_cast<float>(x0), r5, title, fontName, 1.1666f * font, textStyleInvalid, textAlignTopLeft,
              titleBox, boxH);

  setFontColor(dc, colourFor({kTagArtist}));
  dc.drawText(static_cast<float>(x0), r5, track.tags[kTagArtist], fontName, font, textStyleBold,
              textAlignBottomLeft, static_cast<int>(static_cast<float>(w / 2) - r8), boxH);

  // The right block's top line: when it was loaded (history), the singer, or album, year and genre.
  const float rightW = static_cast<float>(w - titleBox) - 2 * r8 - static_cast<float>(x0);
  const float rightX = static_cast<float>(w) - rightW - r8;
  ZRString top = type == kHistoryListType ? loadedOnText(item.added) : ZRString();
  if (!top.empty()) {
    if (!item.singerName.empty()) top += ZRString(" (") + item.singerName + ZRString(")");
  } else if (!item.singerName.empty()) {
    top = ZRString("Singer: ") + item.singerName;
  }
  int textBoxW = static_cast<int>(rightW);
  if (top.empty()) {
    top = track.tags[kTagAlbum];
    if (!track.tags[kTagYear].empty()) top += ZRString(" (") + track.tags[kTagYear] + ZRString(")");
    const ZRString& genre = track.tags[kTagGenre];
    if (top.empty()) {
      top = genre;
    } else if (!genre.empty()) {
      top += ZRString(" | ") + genre;
    }
    setFontColor(dc, colourFor({kTagAlbum, kTagGenre}));
    if (track.onlineStatus != 0) {
      static const char* const kGlyphs[] = {"\u25bd", "\u2713", "\u25b3", "\u2601"};
      const char* glyph =
          track.onlineStatus >= 1 && track.onlineStatus <= 4 ? kGlyphs[track.onlineStatus - 1] : "?";
      dc.drawText(rightX, r5, ZRString(glyph), fontName, 1.25f * font, textStyleInvalid, textAlignTopRight,
                  textBoxW, boxH);
      textBoxW -= static_cast<int>(1.6f * font);
    }
  }
  dc.drawText(rightX, r5, top, fontName, font, textStyleInvalid, textAlignTopRight, textBoxW, boxH);

  ZRString bottom = track.tags[kTagKey];
  const ZRString& duration = track.tags[kTagTime];
  if (bottom.empty()) {
    bottom = duration;
  } else if (!duration.empty()) {
    bottom += ZRString(" - ") + duration;
  }
  const ZRString& bpm = track.tags[kTagBpm];
  if (bottom.empty()) {
    bottom = bpm;
  } else if (!bpm.empty()) {
    bottom += ZRString(" - ") + bpm + ZRString(" BPM");
  }
  setFontColor(dc, colourFor({kTagBpm, kTagTime, kTagKey}));
  dc.drawText(static_cast<float>(w / 2) + r8 + static_cast<float>(x0), r5, bottom, fontName, font,
              textStyleBold, textAlignBottomRight,
              static_cast<int>(static_cast<float>(w / 2) - 2 * r8 - static_cast<float>(x0)), boxH);

  if (row->artworkState != 0) return;
  const int size = static_cast<int>(scale * 64);
  unsigned char* pixels = nullptr;
  int pw = 0, ph = 0;
  bool alpha = false;
  const ZRString& path = track.tags[kTagFileName];
  if (ZRArtworkCache::getInstance()->getArtworkOrSendRequest(path, track.imgUrl, row->index, &artworkResults_,
                                                             pixels, pw, ph, alpha, size, size)) {
    std::unique_ptr<unsigned char[]> owned(pixels);
    if (!row->artworkTexture)
      row->artworkTexture.reset(ZRTexture::createTextureWithDefaultDevice(true, scale));
    if (row->artworkTexture && row->artworkTexture->initWithOrRefreshData(
                                   pixels, pw, ph, alpha ? ZRPixelFormatBGRA : ZRPixelFormatBGR)) {
      row->artworkState = 2;
    }
  } else {
    row->artworkState = 1;
    row->artworkKey = path;
  }
}

void ZRNodePlaylist::drawListFormatRow(ZRTableViewRow* row, const TZRListTrack& item, int sortField,
                                       bool focus) {
  ZRDrawContext& dc = *row->drawContext;
  ZRList* list = shownList_.load();
  TZRDatabaseTrack track;
  if (!list->database()->getTrackIdData(item.trackId, &track)) return;
  const int w = row->width, h = row->height;
  const bool framed = item.marked || list->getMainCursor() == row->index;
  if (framed) strokeRowFrame(dc, w, h, focus ? activeCursorColor : cursorColor);
  const ZRColorFloat normal =
      track.playedInSession ? playedFontColor : highlightColors[std::clamp(track.highlight + 1, 0, 10)];
  const ZRColorFloat sorted = track.playedInSession ? playedFontColor : sortFontColor;
  const float font = fontSize_.load();
  setPenColor(dc, playedFontColor);
  track.tags[kTagNumber] = rowNumber(row->index);
  columnsLock_.enterShared();
  int x = 0;
  for (const TZRColumn& c : columns_) {
    if (!c.visible) continue;
    setFontColor(dc, c.tagField == sortField ? sorted : normal);
    const ZRString& text =
        c.tagField >= 0 && c.tagField < kTagFieldCount ? track.tags[c.tagField] : ZRString();
    dc.drawText(static_cast<float>(x + 4), 0, text, fontName, font, textStyleInvalid,
                static_cast<textAlign>(c.align), c.width - 8, h);
    if (!framed && x > 0) {
      dc.beginPath();
      dc.drawLine(static_cast<float>(x), -0.5f, static_cast<float>(x), static_cast<float>(h));
      dc.stroke();
    }
    x += c.width;
  }
  columnsLock_.leaveShared();
  row->artworkState = 1;  // no covers in this format
}

void ZRNodePlaylist::drawKaraokeRow(ZRTableViewRow* row, const TZRListTrack& item, bool focus) {
  ZRDrawContext& dc = *row->drawContext;
  ZRList* list = shownList_.load();
  ZRDatabase* db = list->database();
  TZRDatabaseTrack track;
  if (!db->getTrackIdData(item.trackId, &track)) {
    // An empty singer slot (track id -1) is the usual case.
    ZRDatabase::resetTrack(&track, true);
    track.tags[kTagTitle] = ZRString("--no-songs--");
  }
  const int w = row->width, h = row->height;
  if (list->getMainCursor() == row->index) strokeRowFrame(dc, w, h, focus ? activeCursorColor : cursorColor);
  const float line = static_cast<float>(lineSize_.load());
  const float font = fontSize_.load();
  const float r5 = 5 * line / 42, r8 = 8 * line / 42;
  const int x0 = static_cast<int>(std::lrintf(0.75f * line));
  setFontColor(dc, fontColor);
  dc.drawText(0, 0, rowNumber(row->index), fontName, font, textStyleInvalid, textAlignRight,
              static_cast<int>(std::lrintf(0.53f * line)), h);

  const ZRString singer = item.singerName.empty() ? ZRString("[singer]") : item.singerName;
  float mw = 0, mh = 0;
  ZRDrawContext::measureText(singer + ZRString(":."), fontName, font, textStyleBold, mw, mh);
  const int nameBox = mw > 0 ? static_cast<int>(std::min(mw + 2, static_cast<float>(2 * w / 3) - r8))
                             : static_cast<int>(static_cast<float>(w / 2) - r8);
  const int boxH = static_cast<int>(static_cast<float>(h) - 2 * r5);
  if (item.collapsed) {
    dc.drawText(static_cast<float>(x0), 0, singer + ZRString(": "), fontName, font, textStyleBold,
                textAlignLeft, nameBox, h);
  } else {
    dc.drawText(static_cast<float>(x0), r5, singer + ZRString(": "), fontName, font, textStyleBold,
                textAlignTopLeft, nameBox, boxH);
  }

  const float songW = static_cast<float>(w - nameBox) - 2 * r8 - static_cast<float>(x0);
  const float songX = static_cast<float>(w) - songW - r8;
  const int count = item.trackId < 0 ? 0 : static_cast<int>(item.additionalTracks.size()) + 1;
  const ZRString countText = ZRString(std::to_string(count) + (count == 1 ? " song" : " songs"));
  float cw = 0, ch = 0;
  ZRDrawContext::measureText(kControlGlyphs + ZRString("_"), fontName, font, textStyleInvalid, cw, ch);

  if (item.collapsed) {
    setFontColor(dc, fontColor);
    dc.drawText(static_cast<float>(nameBox + x0), 0, songText(track, item.keyAdjust), fontName, font,
                textStyleInvalid, textAlignLeft, static_cast<int>(songW), h);
    setFontColor(dc, playedFontColor);
    dc.drawText(songX, 0, countText + ZRString(" \u25b8"), fontName, font, textStyleInvalid, textAlignRight,
                static_cast<int>(songW), h);
    return;
  }
  std::vector<ZRString> songs{songText(track, item.keyAdjust)};
  for (const TZRAdditionalTrack& extra : item.additionalTracks) {
    TZRDatabaseTrack other;
    if (db->getTrackIdData(extra.trackId, &other)) songs.push_back(songText(other, extra.keyAdjust));
  }
  const int lineBox = static_cast<int>(1.25f * font);
  for (size_t i = 0; i < songs.size(); ++i) {
    const float y = mh + 2 * r5 + 1.25f * font * static_cast<float>(i);
    setFontColor(dc, playedFontColor);
    dc.drawText(0.2f * line + static_cast<float>(x0), y, kControlGlyphs, fontName, font, textStyleInvalid,
                textAlignTopLeft, static_cast<int>(songW), lineBox);
    setFontColor(dc, fontColor);
    dc.drawText(0.2f * line + static_cast<float>(x0) + cw, y, songs[i], fontName, font, textStyleInvalid,
                textAlignTopLeft, static_cast<int>(songW), lineBox);
  }
  setFontColor(dc, playedFontColor);
  dc.drawText(songX, r5, countText + ZRString(" \u25be"), fontName, font, textStyleInvalid, textAlignTopRight,
              static_cast<int>(songW), boxH);
}
