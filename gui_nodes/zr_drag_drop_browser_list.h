#pragma once
// ZRDragDropBrowserList: the payload of a user list dragged in the browser tree ("list"): the source
// browser, a copy of the list's slot and its list number. Dropped on another user list it reorders the
// lists; track tables refuse it.

#include <cstring>

#include "gui/zr_node_events.h"
#include "gui_nodes/zr_node_browser.h"

class ZRDragDropBrowserList : public ZRDragDropCustomData {
 public:
  static constexpr const char* kIdentifier = "list";

  ZRDragDropBrowserList(ZRDrawNode* source, const TBrowserList& slot, int listNo)
      : ZRDragDropCustomData(source), slot_(slot), listNo_(listNo) {}

  const char* getIdentifier() const override { return kIdentifier; }
  const TBrowserList* getTrackRef() const { return &slot_; }
  TBrowserList getTrack() const { return slot_; }
  int getListNo() const { return listNo_; }

  // The payload as a list payload; null for any other kind.
  static const ZRDragDropBrowserList* from(const ZRDragDropPayload& payload) {
    if (!payload || std::strcmp(payload->getIdentifier(), kIdentifier) != 0) return nullptr;
    return static_cast<const ZRDragDropBrowserList*>(payload.get());
  }

 private:
  TBrowserList slot_;
  int listNo_;
};
