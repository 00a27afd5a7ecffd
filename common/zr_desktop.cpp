#include "common/zr_desktop.h"

#include "common/zr_logging.h"
#include "platform/process_spawn.h"

bool openUrlInDefaultBrowser(const ZRString& url) {
  const std::string text = url.utf8();
  if (text.empty()) return false;
  if (platformLaunchDetached("xdg-open", text.c_str())) return true;
  ZRLOG("error: cannot open the URL in the browser: '%s'", text);
  return false;
}

std::string execAndGetOutput(const char* command) {
  std::string output;
  if (!platformRunShellCommand(command, output)) return std::string();
  return output;
}

void screenSaverInit() {}

void screenSaverDeinit() {}

void screenSaverHeartBeat() {}
