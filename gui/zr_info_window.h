#pragma once
// The info window: a small tool window showing one picture from the resources' images folder. It is made
// once and then only shown and hidden: its close box hides it (so it opens again where it was left); a
// forced close destroys it.
//
// Main thread only.

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/image.h>

class ZRInfoWindow : public wxFrame {
 public:
  ZRInfoWindow(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& position,
               const wxSize& size, long style, const wxString& name);
  ~ZRInfoWindow() override;

  // Loads the picture at scale 1 and sizes the client area to it; false (the window stays empty) when it
  // cannot be read.
  bool loadImage(const wxString& file);

  wxImage image;
  wxBitmap bitmap;

 private:
  void OnClose(wxCloseEvent& event);
  void OnPaint(wxPaintEvent& event);
  void OnEraseBackground(wxEraseEvent& event);

  wxDECLARE_EVENT_TABLE();
};

// The picture's file name in the resources' images folder.
inline constexpr const char* infoWindowImage = "info.png";

// The full path of an image in the resources' images folder; empty when the resources are not found.
wxString resourcesImagePath(const wxString& imageName);
