#include "controllers/controller_host.h"

#include <atomic>

namespace {
std::atomic<ZRControllerHost*> installed{nullptr};
}

void setControllerHost(ZRControllerHost* host) {
  installed.store(host);
}

ZRControllerHost* controllerHost() {
  return installed.load();
}
