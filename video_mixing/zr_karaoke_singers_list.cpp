#include "video_mixing/zr_karaoke_singers_list.h"

#include <algorithm>

#include "common/zr_files.h"
#include "common/zr_utf8_cut.h"
#include "database/zr_list.h"
#include "video_mixing/zr_overlay_graphics_simple.h"

namespace {

constexpr int kRowsLooked = 10;
constexpr size_t kSingerBytes = 24;
constexpr size_t kTagBytes = 15;

struct Singer {
  std::string name, artist, title;
};

std::vector<Singer> singersOf(ZRList* list) {
  std::vector<Singer> out;
  if (list == nullptr) return out;
  for (int row = 0; row < kRowsLooked; ++row) {
    TZRListTrack line;
    if (!list->getRowData(row, &line)) break;
    TZRDatabaseTrack record;
    if (line.singerName.empty() || !list->getRowDataFull(row, &line, &record)) continue;
    out.push_back({line.singerName.utf8(), record.tags[kTagArtist].utf8(), record.tags[kTagTitle].utf8()});
  }
  return out;
}

ZRSingersListItem picture(const ZRString& path) {
  ZRSingersListItem item;
  item.picture = true;
  item.text = path.utf8();
  return item;
}

ZRSingersListItem text(std::string utf8, float posx, float posy, float size, int fontSize, float red,
                       float green, float blue) {
  ZRSingersListItem item;
  item.text = std::move(utf8);
  item.posx = posx;
  item.posy = posy;
  item.width = item.height = size;
  item.fontSize = fontSize;
  item.font = "Arial";
  item.red = red;
  item.green = green;
  item.blue = blue;
  return item;
}

}  // namespace

std::string cutForSingersList(const std::string& text, size_t limit) {
  if (text.size() <= limit) return text;
  return text.substr(0, utf8CutLength(text.data(), text.size(), limit)) + "...";
}

std::vector<ZRSingersListItem> planKaraokeSingersList(ZRList* list, const ZRSingersListSettings& settings) {
  std::vector<ZRSingersListItem> items;
  const std::vector<Singer> singers = settings.singersNum > 0 ? singersOf(list) : std::vector<Singer>();
  const bool listed = !singers.empty();
  if (settings.backgroundEnabled) {
    if (!settings.backgroundFile.empty() && FileExists(settings.backgroundFile))
      items.push_back(picture(settings.backgroundFile));
  } else if (listed && !settings.blackPicture.empty() && FileExists(settings.blackPicture)) {
    items.push_back(picture(settings.blackPicture));
  }
  if (!listed) return items;
  items.push_back(text("Next singer ...", 0.5f, 0.81f, 0.09f, 72, 0.6f, 0.6f, 1.0f));
  const float step = 0.6f / static_cast<float>(std::max(settings.singersNum, 3));
  const int shown = std::min(static_cast<int>(singers.size()), settings.singersNum);
  for (int k = 0; k < shown; ++k) {
    const Singer& s = singers[k];
    std::string line = std::to_string(k + 1) + ". " + cutForSingersList(s.name, kSingerBytes) + ": " +
                       cutForSingersList(s.artist, kTagBytes) + " - " + cutForSingersList(s.title, kTagBytes);
    items.push_back(text(std::move(line), 0.5f, 0.6f - static_cast<float>(k) * step, 0.06f, 48, 1, 1, 1));
  }
  return items;
}

void fillKaraokeSingersLayer(ZROverlayGraphicsSimple* layer, const std::vector<ZRSingersListItem>& items) {
  if (layer == nullptr) return;
  layer->clearItems();
  for (const ZRSingersListItem& item : items) {
    if (item.picture) {
      layer->addItemImageOrVideo(item.text.c_str(), item.posx, item.posy, item.width, item.height, 1, 0,
                                 textAlignInvalid);
    } else {
      layer->addItemText(item.text.c_str(), item.posx, item.posy, item.width, item.height, item.fontSize,
                         item.font.c_str(), item.red, item.green, item.blue, 1, 0, textStyleInvalid,
                         textAlignInvalid);
    }
  }
  layer->commitChanges();
}
