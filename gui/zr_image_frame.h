#pragma once
// The picture message window: a small stay-on-top frame showing one picture from the resources' images
// folder (its "@2x" twin on a double-resolution screen), opened while the application loads or saves its
// library and settings. Without the picture the message text is shown in a plain frame instead.
//
// Main thread only. The opener closes the returned window (Close(false)), which destroys it.

#include <wx/bitmap.h>
#include <wx/frame.h>
#include <wx/image.h>

class ZRImageFrame;

// Told of every mouse-button release on the window: (kind 2, x, y, the toolkit's button number, window).
using ZRImageFrameClickCallback = void (*)(int kind, int x, int y, int button, ZRImageFrame* frame);

class ZRImageFrame : public wxFrame {
 public:
  // Not shown yet; the picture is loaded at once (a failure leaves an empty window of default size).
  ZRImageFrame(wxWindow* parent, const wxString& title, const wxString& imagePath,
               ZRImageFrameClickCallback clickCallback, int type, bool flag);
  ~ZRImageFrame() override;

  // Loads the picture (the "@2x" file name on a screen whose backing scale is 2) and sizes the client area
  // to it in points; false (logged) when it cannot be read.
  bool loadImage(const wxString& path);

  int windowType;
  bool windowFlag;
  ZRImageFrameClickCallback clickCallback;
  wxImage image;
  wxBitmap bitmap;

 private:
  void OnPaint(wxPaintEvent& event);
  void OnEraseBackground(wxEraseEvent& event);
  void OnMouseEvent(wxMouseEvent& event);

  wxDECLARE_EVENT_TABLE();
};

// Shows a picture message and returns the window without waiting. The picture is
// <resources>/images/<imageName>; when that file does not exist the text is shown in a plain frame (the
// default font at 1.5 times its size, 32 points from each edge). parent may be null.
wxFrame* showSpecialMessageWindow(const wxString& title, const wxString& text, const wxString& imageName,
                                  int type, bool flag, wxWindow* parent);
