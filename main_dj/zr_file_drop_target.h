#pragma once
// Files dragged from other applications onto the main window. The callbacks are the shell's (installed
// when the application starts); each is optional. Coordinates are the window's, in pixels.
//
// Threads: main thread (the toolkit's drag and drop).

#include <wx/dnd.h>

struct ZRFileDropCallbacks {
  bool (*onDrop)(int x, int y, const wxArrayString& files, void* user) = nullptr;
  wxDragResult (*onDragOver)(int x, int y, wxDragResult suggested, void* user) = nullptr;
  wxDragResult (*onEnter)(int x, int y, wxDragResult suggested, void* user) = nullptr;
  void (*onLeave)(int x, int y, void* user) = nullptr;
  void* user = nullptr;
};

// A drop target answering through callbacks it does not own (the main window's: the window and its skin
// canvas each carry a target, both reading the same callbacks).
class ZRFileDropTarget : public wxFileDropTarget {
 public:
  explicit ZRFileDropTarget(const ZRFileDropCallbacks* callbacks) : callbacks_(callbacks) {}

  // The callback's answer when it is set, else the suggested result.
  wxDragResult OnEnter(wxCoord x, wxCoord y, wxDragResult suggested) override;
  wxDragResult OnDragOver(wxCoord x, wxCoord y, wxDragResult suggested) override;
  // Calls the leave callback with (-1, -1).
  void OnLeave() override;
  // Logs "MyFileDropTarget::OnDropFiles", calls the drop callback and always accepts the drop.
  bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) override;

 private:
  const ZRFileDropCallbacks* callbacks_;
};
