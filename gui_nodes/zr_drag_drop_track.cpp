#include "gui_nodes/zr_drag_drop_track.h"

#include <cstring>

const ZRDragDropTrack* ZRDragDropTrack::from(const ZRDragDropPayload& payload) {
  if (!payload || std::strcmp(payload->getIdentifier(), kIdentifier) != 0) return nullptr;
  return static_cast<const ZRDragDropTrack*>(payload.get());
}
