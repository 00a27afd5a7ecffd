#pragma once
// ZRDragDropTrack: the payload of a track dragged out of a track table ("track"): a copy of the dragged
// list row and its line in the source list. The drag itself belongs to the node manager; drop targets
// (the other track table, the browser tree, the decks' displays) read the row from here.

#include "database/zr_list_track.h"
#include "gui/zr_node_events.h"

class ZRDragDropTrack : public ZRDragDropCustomData {
 public:
  static constexpr const char* kIdentifier = "track";

  ZRDragDropTrack(ZRDrawNode* source, const TZRListTrack& row, int lineInList)
      : ZRDragDropCustomData(source), row_(row), line_(lineInList) {}

  const char* getIdentifier() const override { return kIdentifier; }
  const TZRListTrack* getTrackRef() const { return &row_; }
  TZRListTrack getTrack() const { return row_; }
  int getLineInList() const { return line_; }

  // The payload as a track payload; null for any other kind.
  static const ZRDragDropTrack* from(const ZRDragDropPayload& payload);

 private:
  TZRListTrack row_;
  int line_;
};
