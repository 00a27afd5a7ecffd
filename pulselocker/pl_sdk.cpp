#include "pulselocker/pl_sdk.h"

#include <atomic>

#include "common/zr_logging.h"
#include "pulselocker/pl_root.h"
#include "pulselocker/pl_singleton.h"

namespace pl {

bool sdkAvailable() {
  if (Singleton<Root>::find()) return true;
  static std::atomic<bool> said{false};
  if (!said.exchange(true)) {
    ZRLOG("error: Pulselocker is not available: the streaming service's SDK has no Linux build");
  }
  return false;
}

}  // namespace pl
