#include "main_dj/zr_file_drop_target.h"

#include "common/zr_logging.h"

wxDragResult ZRFileDropTarget::OnEnter(wxCoord x, wxCoord y, wxDragResult suggested) {
  return callbacks_->onEnter != nullptr ? callbacks_->onEnter(x, y, suggested, callbacks_->user) : suggested;
}

wxDragResult ZRFileDropTarget::OnDragOver(wxCoord x, wxCoord y, wxDragResult suggested) {
  return callbacks_->onDragOver != nullptr ? callbacks_->onDragOver(x, y, suggested, callbacks_->user)
                                           : suggested;
}

void ZRFileDropTarget::OnLeave() {
  if (callbacks_->onLeave != nullptr) callbacks_->onLeave(-1, -1, callbacks_->user);
}

bool ZRFileDropTarget::OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) {
  ZRLOG("MyFileDropTarget::OnDropFiles");
  if (callbacks_->onDrop != nullptr) callbacks_->onDrop(x, y, files, callbacks_->user);
  return true;
}
