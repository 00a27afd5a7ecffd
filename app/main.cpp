// The orvel program: the toolkit's entry point with the application object.

#include <wx/app.h>

#include "app/meridex_app.h"
#include "app/quit_signals.h"
#include "main_dj/zr_main_frame.h"

wxIMPLEMENT_APP_NO_MAIN(MeridexApp);

int main(int argc, char** argv) {
  installQuitSignals();
  prepareToolkitForRenderThread();
  return wxEntry(argc, argv);
}
