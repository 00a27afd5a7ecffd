#include "actions_dj/preview_actions.h"

#include "actions_dj/action_controls.h"
#include "actions_dj/action_support.h"
#include "actions_dj/engine_globals.h"
#include "actions_dj/settings_mirrors.h"
#include "common/action_ids.h"
#include "database/zr_database.h"
#include "database/zr_list.h"
#include "dsp/engine/zr_preview_player.h"
#include "dsp/engine/zr_simple_mix_zone.h"

namespace {

bool fillerEnabled() {
  return settingOn("KSREnableFillerPlayer");
}

// The list whose cursor row the button previews; from the menu, the clicked table's.
ZRList* sourceList(int param, ZRDrawNode* node) {
  ZRActionControls& c = actionControls();
  ZRList* playlist = c.playlistList();
  ZRList* side = c.sideList();
  if (param == kPreviewFromMenu) return side != nullptr && c.isNode(node, ACT_sidelist, -1) ? side : playlist;
  if (side != nullptr && side->getMainCursor() >= 0) return c.playlistHasFocus() ? playlist : side;
  return playlist;
}

}  // namespace

void startStopTrackPreview(const ZRString& path, bool fromMenu) {
  if (previewPlayer == nullptr) return;
  if (fromMenu) {
    const bool same = previewPlayer->IsOpen() && previewPlayer->GetFileName() == path;
    previewPlayer->Close();
    if (same) return;
  }
  if (previewPlayer->GetPlaying()) {
    previewPlayer->Close();
    return;
  }
  previewPlayer->OpenFileName(path);
}

void FPreview(int value, int param, int, ZRDrawNode* node) {
  if (fillerEnabled() && param != kPreviewFromMenu) {
    if (fillerPlayer != nullptr) {
      fillerPlayerOn.store(value != 0);
      fillerPlayer->fadeAndPlayPause(value != 0);
    }
    return;
  }
  if (previewPlayer == nullptr || actionControls().playlistList() == nullptr) return;
  ZRList* list = sourceList(param, node);
  if (list == nullptr) return;
  const int cursor = list->getMainCursor();
  if (cursor < 0 || cursor >= list->getCount()) {
    previewPlayer->Close();
    return;
  }
  TZRListTrack row;
  TZRDatabaseTrack record;
  if (!list->getRowDataFull(cursor, &row, &record)) return;
  startStopTrackPreview(record.tags[kTagFileName], param == kPreviewFromMenu);
}

void FPreviewRightClick(int value, int param, int deck, ZRDrawNode* node) {
  if (fillerEnabled() && param != kPreviewFromMenu) {
    if (fillerPlayer != nullptr) fillerPlayer->mixNow();
    return;
  }
  FPreview(value, param, deck, node);
}

void FPreview_Pos(int value, int, int, ZRDrawNode*) {
  if (fillerEnabled()) {
    if (fillerPlayer != nullptr) fillerPlayer->setPosPercent(value * 0.01);
    return;
  }
  if (previewPlayer != nullptr) previewPlayer->setPosPercent(value * 0.01);
}
