#pragma once
// The overlays editor ("Edit Video Overlays", layout CfgVideoOverlayPageFunc): the user's overlay list
// (simpleOverlays) with a tick per overlay, the buttons that add, remove, move, clear, load and save, and
// the details of the selected overlay (type, text, font, colour, file, one of nine positions, size,
// rotation, opacity). Every change reaches the video output at once through refreshSimpleOverlays; the
// editor keeps no overlay of its own, it edits the one selected in the list.
//
// Slider drags make many scroll events: each changes the overlay at once, and one refresh, posted after
// the events already queued, pushes the list as it is then, so the last value always reaches the output
// and a drag does not rebuild every overlay at every step. A file that does not load changes neither the
// list nor the file in use (loadOverlaysFile).
//
// Threads: main thread. showVideoOverlaysDialog, reached from the render thread (MIDI, scripts), posts
// itself to the main thread.

#include <wx/string.h>

#include <functional>

class ZRDrawNode;
class wxSizer;
class wxWindow;

enum VideoOverlaysDialogIds : int {
  ID_OVERLAYS_TITLE = 10174,
  ID_OVERLAYS_LIST = 10175,
  ID_OVERLAYS_ADD = 10176,
  ID_OVERLAYS_REMOVE = 10177,
  ID_OVERLAYS_UP = 10178,
  ID_OVERLAYS_DOWN = 10179,
  ID_OVERLAYS_CLEAR = 10180,
  ID_OVERLAYS_LOAD = 10181,
  ID_OVERLAYS_SAVE = 10182,
  ID_OVERLAYS_TYPE_TEXT = 10184,
  ID_OVERLAYS_TYPE_FILE = 10185,
  ID_OVERLAYS_NAME = 10187,
  ID_OVERLAYS_SET_TEXT = 10188,
  ID_OVERLAYS_FONT = 10189,
  ID_OVERLAYS_COLOUR = 10190,
  ID_OVERLAYS_FILE = 10192,
  ID_OVERLAYS_CHOOSE_FILE = 10193,
  ID_OVERLAYS_POSITION_FIRST = 10195,  // 10195..10203: the 3 x 3 grid in reading order
  ID_OVERLAYS_POSITION_LAST = 10203,
  ID_OVERLAYS_SIZE = 10205,
  ID_OVERLAYS_ROTATION = 10207,
  ID_OVERLAYS_OPACITY = 10209,
};

// Fills parent with the editor's controls (see tarvo_wdr.h for fit and setSizer).
wxSizer* CfgVideoOverlayPageFunc(wxWindow* parent, bool fit, bool setSizer);

// Opens the editor modally on the main window and returns when it closes (posted to the main thread from
// another thread). Nothing without a main window.
void showVideoOverlaysDialog(int value, int param, int deck, ZRDrawNode* node);
// The editor on parent (the main window), for callers that have it.
void ShowVideoOverlaysDialog(wxWindow* parent);
// Shows overlay index in the detail controls; nothing for a null dialog or no such overlay.
void updateOverlayGraphicsDialog(wxWindow* dialog, int index);

// The file choosers of Load, Save as and Choose file: true and the path after OK. Installed by tests;
// null restores the toolkit's file boxes.
using ZROverlayFileChooser = std::function<bool(wxWindow* parent, const wxString& message,
                                                const wxString& wildcard, bool save, wxString& path)>;
void setOverlayFileChooser(ZROverlayFileChooser chooser);
