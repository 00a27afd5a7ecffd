// The orvel program: the toolkit's entry point with the application object.

#include <wx/app.h>
// After the toolkit: Xlib's macros (None, Status) would rename toolkit names.
#include <X11/Xlib.h>

#include <cstdlib>

#include "app/meridex_app.h"

wxIMPLEMENT_APP_NO_MAIN(MeridexApp);

int main(int argc, char** argv) {
  // The render thread drives its GL contexts through Xlib while the main thread runs the toolkit.
  XInitThreads();
  // The toolkit is built for GLX: keep GTK on X11 where Wayland is offered too.
  setenv("GDK_BACKEND", "x11", 0);
  return wxEntry(argc, argv);
}
