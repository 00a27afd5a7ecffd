#include "gui/zr_info_window.h"

#include <wx/dcclient.h>
#include <wx/log.h>

#include "common/zr_files_platform.h"
#include "gui/zr_wx_strings.h"

// clang-format off
wxBEGIN_EVENT_TABLE(ZRInfoWindow, wxFrame)
  EVT_CLOSE(ZRInfoWindow::OnClose)
  EVT_PAINT(ZRInfoWindow::OnPaint)
  EVT_ERASE_BACKGROUND(ZRInfoWindow::OnEraseBackground)
wxEND_EVENT_TABLE()
    // clang-format on

    ZRInfoWindow::ZRInfoWindow(wxWindow* parent, wxWindowID id, const wxString& title,
                               const wxPoint& position, const wxSize& size, long style, const wxString& name)
    : wxFrame(parent, id, title, position, size, style, name) {}

ZRInfoWindow::~ZRInfoWindow() = default;

bool ZRInfoWindow::loadImage(const wxString& file) {
  wxLogNull quiet;
  if (!image.LoadFile(file, wxBITMAP_TYPE_ANY)) return false;
  bitmap = wxBitmap(image);
  SetClientSize(image.GetWidth(), image.GetHeight());
  Refresh();
  return true;
}

void ZRInfoWindow::OnClose(wxCloseEvent& event) {
  if (event.CanVeto()) {
    event.Veto();
    Hide();
    return;
  }
  Destroy();
}

void ZRInfoWindow::OnPaint(wxPaintEvent& event) {
  if (!bitmap.IsOk()) {
    event.Skip();
    return;
  }
  wxPaintDC dc(this);
  dc.DrawBitmap(bitmap, 0, 0);
}

void ZRInfoWindow::OnEraseBackground(wxEraseEvent&) {}

wxString resourcesImagePath(const wxString& imageName) {
  char folder[4096];
  if (!GetResourcesDir_Apple(folder, sizeof(folder))) return wxString();
  return CharTowxString(folder) + "images/" + imageName;
}
