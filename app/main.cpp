// The orvel program: the toolkit's entry point with the application object.

#include <wx/app.h>

#include "app/meridex_app.h"
#include "main_dj/zr_main_frame.h"

wxIMPLEMENT_APP_NO_MAIN(MeridexApp);

int main(int argc, char** argv) {
  prepareToolkitForRenderThread();
  return wxEntry(argc, argv);
}
