// Dropping dragged tracks on the track table (main thread): reordering within the table, copying the marked
// rows or one track from the other table, and the singer prompt of the karaoke rotation.

#include <algorithm>
#include <cmath>

#include "database/zr_database.h"
#include "database/zr_list.h"
#include "gui/zr_message_dialogs.h"
#include "gui/zr_mouse_capture.h"
#include "gui_nodes/zr_control_settings.h"
#include "gui_nodes/zr_drag_drop_track.h"
#include "gui_nodes/zr_node_playlist.h"
#include "gui_nodes/zr_singer_prompt.h"

namespace {

constexpr int kKaraokeMedia = 2;

float keyStepSetting() {
  switch (getControlIntSetting("KeyStepperSemitone", 1)) {
    case 2:
      return 0.5f;
    case 3:
      return 0.25f;
    default:
      return 1.0f;
  }
}

}  // namespace

bool ZRNodePlaylist::dropCallback(ZRDragDropPayload payload, float, float y, bool testOnly) {
  ZRList* list = shownList_.load();
  if (list == nullptr || !payload) return false;
  const ZRDragDropTrack* track = ZRDragDropTrack::from(payload);
  int row = -1, inRow = 0;
  float fraction = 0;
  if (table_) table_->getRowAtPixelFromDisplay(static_cast<int>(tableY(y)), row, inRow, fraction);

  if (payload->getSource() == this) {
    if (track == nullptr) return false;
    if (testOnly) return true;
    const int from = track->getLineInList();
    int to = std::max(row, 0) + (fraction > 0.5f ? 1 : 0);
    if (from < to) --to;
    list->moveTo(from, to);
    list->setMainCursor(to, true);
    return true;
  }
  if (!acceptsTracksDrop_.load() || track == nullptr) return false;
  if (testOnly) return true;
  auto* source = dynamic_cast<ZRNodePlaylist*>(payload->getSource());
  return dropTracks(list, track->getTrack(), source, row, fraction);
}

bool ZRNodePlaylist::dropTracks(ZRList* list, const TZRListTrack& dragged, ZRNodePlaylist* source, int row,
                                float fraction) {
  ZRList* sourceList = source != nullptr ? source->getList() : nullptr;
  if (sourceList != nullptr && sourceList->getTotalInserted() > 0) {
    sourceList->addAllLinesToList(list, true);
    return true;
  }
  TZRListTrack added;
  added.trackId = dragged.trackId;
  added.added = -1;
  const int line = std::max(row, 0) + (fraction > 0.5f ? 1 : 0);
  // The questions below are modal, asked while the window still holds the mouse from the drag: the capture
  // is released first.
  if (list->getIsKaraokeSingersRotationList()) {
    const ZRString existing = row >= 0 ? list->getSingerName(row) : ZRString();
    if (existing.empty() && !dragged.singerName.empty()) {
      added.singerName = dragged.singerName;
      added.keyAdjust = dragged.keyAdjust;
    } else {
      ZRString name = existing;
      float keyAdjust = dragged.singerName == existing ? dragged.keyAdjust : 0.0f;
      releaseMouseCaptureForModal();
      if (!promptForSinger(&name, &keyAdjust, keyStepSetting())) return false;
      added.singerName = name;
      added.keyAdjust = keyAdjust;
    }
    const int singerLine = added.singerName.empty() ? -1 : list->getFirstLineWithSingerName(added.singerName);
    if (singerLine >= 0) {
      list->addToLine(added, singerLine, true);
      list->setMainCursor(singerLine, true);
    } else if (row < 0) {
      list->addLine(added, -1, true);
      list->setMainCursor(list->getCount() - 1, true);
    } else {
      list->addLine(added, line, true);
      list->setMainCursor(line, true);
    }
    return true;
  }
  TZRDatabaseTrack record;
  if (!list->database()->getTrackIdData(added.trackId, &record)) return false;
  if (record.mediaType == kKaraokeMedia) {
    releaseMouseCaptureForModal();
    added.singerName = showGetTextFromUserDialog(
        ZRString("Singer's name"), ZRString("Please enter the singer's name"), ZRString(), nullptr);
    added.keyAdjust = 0;
  }
  list->addLine(added, line, true);
  list->setMainCursor(line, true);
  return true;
}
