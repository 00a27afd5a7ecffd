#include "gui/zr_image_frame.h"

#include <wx/dcclient.h>
#include <wx/filename.h>
#include <wx/log.h>
#include <wx/panel.h>
#include <wx/settings.h>
#include <wx/stattext.h>

#include "common/zr_files.h"
#include "common/zr_files_platform.h"
#include "common/zr_logging.h"
#include "gui/zr_info_window.h"
#include "gui/zr_wx_strings.h"

namespace {

constexpr long kImageFrameStyle = wxSTAY_ON_TOP | wxFRAME_NO_TASKBAR;

}  // namespace

// clang-format off
wxBEGIN_EVENT_TABLE(ZRImageFrame, wxFrame)
  EVT_MOUSE_EVENTS(ZRImageFrame::OnMouseEvent)
  EVT_PAINT(ZRImageFrame::OnPaint)
  EVT_ERASE_BACKGROUND(ZRImageFrame::OnEraseBackground)
wxEND_EVENT_TABLE()
    // clang-format on

    ZRImageFrame::ZRImageFrame(wxWindow* parent, const wxString& title, const wxString& imagePath,
                               ZRImageFrameClickCallback callback, int type, bool flag)
    : wxFrame(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, kImageFrameStyle, "-"),
      windowType(type),
      windowFlag(flag),
      clickCallback(callback) {
  loadImage(imagePath);
}

ZRImageFrame::~ZRImageFrame() = default;

bool ZRImageFrame::loadImage(const wxString& path) {
  // A missing or broken picture is reported once by our own log line, not by the toolkit's message boxes.
  wxLogNull quiet;
  double scale = GetContentScaleFactor();
  wxString tried = path;
  if (scale > 1.99) {
    // The high-resolution twin when there is one; the plain picture, drawn larger, is better than none.
    const wxFileName name(path);
    const wxString twin = name.GetPathWithSep() + name.GetName() + "@2x." + name.GetExt();
    if (wxFileName::FileExists(twin)) {
      tried = twin;
    } else {
      scale = 1.0;
    }
  }
  if (!image.LoadFile(tried, wxBITMAP_TYPE_ANY)) {
    ZRLOG("error: loading image in ZRImageWindow '%s'", std::string(tried.utf8_str()).c_str());
    return false;
  }
  bitmap = wxBitmap(image, -1, scale);
  SetClientSize(static_cast<int>(bitmap.GetWidth() / scale), static_cast<int>(bitmap.GetHeight() / scale));
  Refresh();
  return true;
}

void ZRImageFrame::OnPaint(wxPaintEvent& event) {
  if (!bitmap.IsOk()) {
    event.Skip();
    return;
  }
  wxPaintDC dc(this);
  dc.DrawBitmap(bitmap, 0, 0);
}

void ZRImageFrame::OnEraseBackground(wxEraseEvent&) {}

void ZRImageFrame::OnMouseEvent(wxMouseEvent& event) {
  if (event.ButtonUp() && clickCallback != nullptr) {
    clickCallback(2, event.GetX(), event.GetY(), event.GetButton(), this);
  }
  event.Skip();
}

wxFrame* showSpecialMessageWindow(const wxString& title, const wxString& text, const wxString& imageName,
                                  int type, bool flag, wxWindow* parent) {
  const wxString path = resourcesImagePath(imageName);
  if (!path.empty() && FileExists(ZRString(std::string(path.utf8_str())))) {
    auto* frame = new ZRImageFrame(parent, title, path, nullptr, type, flag);
    frame->Centre(wxBOTH);
    frame->Show();
    return frame;
  }
  auto* frame =
      new wxFrame(parent, wxID_ANY, title, wxDefaultPosition, wxDefaultSize, kImageFrameStyle, "frame");
  // A frame stretches its only child over the whole client area: the text sits on a panel instead.
  auto* panel = new wxPanel(frame, wxID_ANY);
  auto* label = new wxStaticText(panel, wxID_ANY, text);
  wxFont font = wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT);
  font.SetPointSize(font.GetPointSize() * 3 / 2);
  label->SetFont(font);
  const wxSize size = label->GetBestSize();
  frame->SetClientSize(size.GetWidth() + 64, size.GetHeight() + 64);
  label->SetSize(32, 32, size.GetWidth(), size.GetHeight());
  frame->Centre(wxBOTH);
  frame->Show();
  return frame;
}
