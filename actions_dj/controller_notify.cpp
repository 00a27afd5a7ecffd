#include "actions_dj/controller_notify.h"

#include <atomic>

namespace {
std::atomic<ZRNotificationSink> sink{nullptr};
}

void notifyControllers(const char* name, int deck, int value, double doubleValue, const char* text) {
  if (ZRNotificationSink to = sink.load(std::memory_order_acquire)) to(name, deck, value, doubleValue, text);
}

void installControllerNotificationSink(ZRNotificationSink to) { sink.store(to, std::memory_order_release); }
