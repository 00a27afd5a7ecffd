#include "main_dj/default_content.h"

#include "common/zr_logging.h"
#include "main_dj/action_functions.h"

void loadDefaultContent() {
  ZRLOG(" * * * load default content * * *");
  // The sampler banks and the overlays have no loader yet.
  noteActionNotAvailable("LoadSamplerBanks");
  noteActionNotAvailable("refreshSimpleOverlays");
}
