#include "main_dj/default_content.h"

#include "actions_dj/sampler_actions.h"
#include "common/zr_logging.h"
#include "main_dj/shell_folders.h"

void loadDefaultContent() {
  ZRLOG(" * * * load default content * * *");
  // The default bank names its sounds relative to its own folder; the next save writes full paths.
  LoadSamplerBanks(theSamplesDir + ZRString("sampler.xml"), theSamplesDir);
}
