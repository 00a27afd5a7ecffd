#include "gui/zr_mouse_capture.h"

#include <wx/window.h>

void releaseMouseCaptureForModal() {
  // A window may hold the capture more than once (the toolkit stacks captures).
  for (int guard = 0; guard < 8; ++guard) {
    wxWindow* holder = wxWindow::GetCapture();
    if (holder == nullptr) return;
    holder->ReleaseMouse();
  }
}
