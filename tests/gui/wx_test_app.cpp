#include "wx_test_app.h"

#include <wx/app.h>
#include <wx/init.h>

#include <cstdlib>

namespace orvel_test {

bool ensureWxApp() {
  static const bool running = [] {
    if (wxTheApp != nullptr) return true;
    if (std::getenv("DISPLAY") == nullptr) return false;
    // The toolkit is built for GLX: keep GTK on X11 even where Wayland is offered.
    setenv("GDK_BACKEND", "x11", 0);
    static int argc = 1;
    static char name[] = "test_gui";
    static char* argv[] = {name, nullptr};
    wxApp::SetInstance(new wxApp());
    if (!wxEntryStart(argc, argv)) return false;
    return wxTheApp->CallOnInit();
  }();
  return running;
}

}  // namespace orvel_test
