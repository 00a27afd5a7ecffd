#pragma once
// The user's overlays on the video output: the skin's overlay switch and overlay-file drop-down, the
// refresh that pushes the overlay list (simpleOverlays, video_mixing/zr_simple_overlays.h) to its layer in
// the output's layer stack, the overlay files of the Overlays folder, and the list's load at start-up and
// save at shut-down.
//
// The file in use is the setting CurrentOverlaysFilename (default "default.xml" in the Overlays folder).
// It changes only when a file has loaded; a file that failed to load is never written over (the list in
// memory is then not the file's).
//
// Threads: the action slots may run on the render thread (MIDI, scripts): they post their work to the main
// thread. Everything else runs on the main thread; pollOverlayLayer runs on any thread.

#include <vector>

#include "common/zr_string.h"
#include "gui/zr_draw_node.h"

class wxWindow;
class ZROverlayGraphicsSimple;

// The user-overlay layer (null until the first refresh after the output's layer stack exists; made again
// when the output makes a new stack).
extern ZROverlayGraphicsSimple* overlayGraphicsLayerSimple;
// The full paths behind the overlay drop-down's items, in item order.
extern std::vector<ZRString> overlaysFiles;

// enable_video_overlays (press): the overlays show exactly when value is not 0; stored as
// CurrentOverlaysVisible.
void setVisibleVideoOverlays(int value, int param, int deck, ZRDrawNode* node);
// dropdown_video_overlay (after change): loads the chosen overlay file and shows it.
void FVideoOverlaysOnChange(int value, int param, int deck, ZRDrawNode* node);

// Pushes the enabled overlays to the layer (making the layer once the output's stack exists). With a
// dialog holding the check list 10175, refills that list and, with select, selects line index.
void refreshSimpleOverlays(wxWindow* dialog, int index, bool select);
// Lists the overlay files of folder into overlaysFiles and the drop-down; selectCurrent selects the file
// in use (added when it lies elsewhere), else the selection is kept.
void refreshVideoOverlaysFiles(const ZRString& folder, bool selectCurrent);

// The overlays file in use.
ZRString currentOverlaysFile();
// Loads path into the list (media files looked for under base first); on success path becomes the file
// in use. A failure leaves list and setting as they were and marks path as not to be saved over.
bool loadOverlaysFile(const ZRString& path, const ZRString& base);
// Saves the list to path (it becomes the file in use and may be saved over again).
bool saveOverlaysFile(const ZRString& path);

// Start-up: loads the file in use (the shipped one finds its pictures in the Overlays folder) and fills the
// drop-down. Shut-down: saves the list back to the file in use, unless it failed to load.
void loadOverlaysAtStart();
void saveOverlaysAtShutDown();
// Called at every GUI tick: when the output has a layer stack the overlays are not on yet, posts a refresh.
void pollOverlayLayer();
