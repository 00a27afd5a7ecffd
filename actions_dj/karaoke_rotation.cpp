#include "actions_dj/karaoke_rotation.h"

#include "actions_dj/action_dialogs.h"
#include "actions_dj/action_support.h"
#include "actions_dj/deck_loading.h"
#include "common/text_ids.h"
#include "database/zr_list.h"
#include "dsp/engine/sound_source.h"

namespace {

// Frames before the end of deck A's track beyond which replacing it asks first (5 s at 44.1 kHz).
constexpr int kAskBeforeEndFrames = 220500;

int songCount(const TZRListTrack& row) {
  return 1 + static_cast<int>(row.additionalTracks.size());
}

bool deckAPlaysWithTimeLeft(CSoundSource* deck) {
  if (deck == nullptr) return false;
  const int length = deck->GetLength();
  return length > 0 && deck->IsPlaying() && deck->GetCurrentPos() < length - kAskBeforeEndFrames;
}

void loadIntoDeckA(const TZRDatabaseTrack& record, float keyAdjust) {
  PlayAfterLoading[0].store(1);
  FDeck_LoadFile(record.tags[kTagFileName], record.linkedFile, &record, 0, keyAdjust);
}

}  // namespace

ZRList* karaokeRotationList() {
  for (ZRList* list : ZRList::getLists()) {
    if (list->getIsKaraokeSingersRotationList()) return list;
  }
  return nullptr;
}

void FLoadNextSinger(int, int, int, ZRDrawNode*) {
  ZRList* list = karaokeRotationList();
  const int rows = list != nullptr ? list->getCount() : 0;
  if (rows > 0) {
    const bool keep = settingInt("KSRKeepEmptySingers", 0) != 0;
    CSoundSource* deckA = deckAt(0);
    const ZRString onDeckA = deckA != nullptr ? deckA->GetFileName() : ZRString();
    // Each step moves a row or drops a song, so this bound ends the walk once every row was seen.
    int steps = rows;
    for (int r = 0; r < rows; ++r) {
      TZRListTrack row;
      if (list->getRowData(r, &row)) steps += songCount(row) - 1;
    }
    for (int step = 0; step < steps && list->getCount() > 0; ++step) {
      TZRListTrack row;
      if (!list->getRowData(0, &row)) break;
      TZRDatabaseTrack record;
      const bool inLibrary = list->getRowDataFull(0, &row, &record);
      const ZRString path = inLibrary ? record.tags[kTagFileName] : ZRString();
      if (inLibrary && path == onDeckA) {
        // Sung: the singer's next song comes up and the singer goes to the bottom.
        list->applyLineAction(0, 0, songCount(row), ZRList::RemoveFirstAndMoveToBottom, keep);
        continue;
      }
      // A song whose file has gone counts as no song at all: the deck would refuse it, and a play-after-load
      // request would wait for a load that never comes.
      if (inLibrary && deckCanOpenPath(path)) {
        if (deckAPlaysWithTimeLeft(deckA)) {
          const float keyAdjust = row.keyAdjust;
          askYesNo(languageText(txt_confirm_load_deck), ZRString(),
                   [record, keyAdjust] { loadIntoDeckA(record, keyAdjust); });
        } else {
          loadIntoDeckA(record, row.keyAdjust);
        }
        return;
      }
      if (songCount(row) > 1) {
        // The singer's next queued song takes the place of the one that cannot be played.
        list->applyLineAction(0, 0, songCount(row), ZRList::Remove, keep);
      } else if (keep) {
        list->applyLineAction(0, 0, 1, ZRList::MoveToBottom, keep);
      } else {
        list->applyLineAction(0, 0, 1, ZRList::Remove, false);
      }
    }
  }
  showActionMessage(ZRString("Please add some songs in the Karaoke Singers Rotation list"), ZRString());
}
